#include "files/TextFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
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

// The text with every LF as CR LF.
bool WriteLines(std::FILE* file, std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        std::fwrite(text.data() + start, 1, i - start, file);
        std::fwrite("\r\n", 1, 2, file);
        start = i + 1;
    }
    std::fwrite(text.data() + start, 1, text.size() - start, file);
    return !std::ferror(file);
}

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

}  // namespace

std::string WriteTextFile(const std::string& path, std::string_view text) {
    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        const int error = errno;  // the reason, before the clean-up can change it
        if (fd >= 0) {
            ::close(fd);
            ::unlink(tempPath.c_str());  // only a name this writer created is its to remove
        }
        return CannotWrite(path, error);
    }
    bool ok = WriteLines(file, text) && std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    ok = std::fclose(file) == 0 && ok;
    if (ok) ok = ::rename(tempPath.c_str(), path.c_str()) == 0;
    if (ok) return {};
    const int error = errno;
    ::unlink(tempPath.c_str());
    return CannotWrite(path, error);
}
