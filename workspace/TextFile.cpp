#include "workspace/TextFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/Numbers.h"

namespace {

// A new file beside path under a name nobody can foresee, created only where
// nothing stands, not even a link; 0666, so that the umask decides as for any
// other file. Returns its descriptor, or -1 with errno.
int CreateTemporary(const std::string& path, std::string& tempPath) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::uint64_t tag = 0;
        if (::getrandom(&tag, sizeof tag, 0) != static_cast<ssize_t>(sizeof tag)) return -1;
        tempPath = path + Format(".%016llx.tmp", static_cast<unsigned long long>(tag));
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

TextFileWriter::TextFileWriter(Form& form, const char* path, Failure failure)
    : form_(form), failure_(failure), path_(path) {
    const int fd = CreateTemporary(path_, tempPath_);
    if (fd >= 0) file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int error = errno;  // the reason, before the clean-up can change it
        if (fd >= 0) {
            ::close(fd);
            ::unlink(tempPath_.c_str());  // only a name this writer created is its to remove
        }
        Fail(error);
    }
}

TextFileWriter::~TextFileWriter() {
    if (file_) {
        std::fclose(file_);
        ::unlink(tempPath_.c_str());
    }
}

namespace {
long failures = 0;
}  // namespace

long TextFileWriter::Failures() {
    return failures;
}

void TextFileWriter::Fail(int error) {
    if (!failed_) {
        const bool counted = failure_ == Failure::Error;
        form_.StatusNote((counted ? "error: cannot write " : "warning: cannot write ") + path_ + ": " +
                         std::strerror(error));
        if (counted) ++failures;
    }
    failed_ = true;
}

void TextFileWriter::Write(std::string_view text) {
    if (!file_) return;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        std::fwrite(text.data() + start, 1, i - start, file_);
        std::fwrite("\r\n", 1, 2, file_);
        start = i + 1;
    }
    std::fwrite(text.data() + start, 1, text.size() - start, file_);
}

void TextFileWriter::Printf(const char* format, ...) {
    if (!file_) return;
    char text[512];
    va_list args;
    va_start(args, format);
    const int n = FormatIntoV(text, sizeof text, format, args);
    va_end(args);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text) return Fail(EOVERFLOW);
    Write(std::string_view(text, static_cast<std::size_t>(n)));
}

bool TextFileWriter::Commit() {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && ::fsync(::fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok) ok = ::rename(tempPath_.c_str(), path_.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(tempPath_.c_str());
        Fail(error);
    }
    return ok;
}
