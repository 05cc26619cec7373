#include "files/TextFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/Numbers.h"

namespace {

// A new file beside path under a name nobody can foresee, created only where
// nothing stands, not even a link; 0666, so that the umask decides as for any
// other file. Returns its descriptor, or -1 with errno.
int CreateTemporary(const std::string& path, std::string& tempPath) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string tag = RandomTag();
        if (tag.empty()) return -1;
        tempPath = path + "." + tag + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The text with every LF as CR LF.
std::string CrLfLines(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

}  // namespace

StagedFile::StagedFile(std::string path, std::string_view text) : path_(std::move(path)) {
    const int fd = CreateTemporary(path_, temp_);
    if (fd < 0) {
        const int error = errno;
        temp_.clear();  // nothing of this writer's stands there
        Fail(error);
        return;
    }
    const std::string bytes = CrLfLines(text);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;  // the reason, before the close can change it
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        Fail(error);
        return;
    }
    checksum_ = FileChecksum(bytes);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : path_(std::move(other.path_)),
      temp_(std::exchange(other.temp_, {})),
      error_(std::move(other.error_)),
      checksum_(std::move(other.checksum_)),
      errorCode_(other.errorCode_) {}

StagedFile::~StagedFile() {
    if (!temp_.empty()) ::unlink(temp_.c_str());  // only a name this writer created is its to remove
}

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

void StagedFile::Fail(int error) {
    errorCode_ = error;
    error_ = CannotWrite(path_, error);
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

std::string StagedFile::PutInPlace() {
    if (!error_.empty()) return error_;
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        Fail(errno);
        return error_;
    }
    temp_.clear();
    return {};
}

std::string WriteTextFile(const std::string& path, std::string_view text) {
    StagedFile file(path, text);
    return file.PutInPlace();
}

std::string FileChecksum(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a's offset basis and prime
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return Format("%016llx", static_cast<unsigned long long>(hash));
}

std::string RandomTag() {
    std::uint64_t tag = 0;
    if (::getrandom(&tag, sizeof tag, 0) != static_cast<ssize_t>(sizeof tag)) return {};
    return Format("%016llx", static_cast<unsigned long long>(tag));
}
