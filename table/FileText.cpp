#include "table/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "text/Numbers.h"

namespace {
// The readers keep where each field starts in 32 bits.
constexpr long long kLargestFile = 0xFFFFFFFFLL - 1;
}  // namespace

bool LoadFile(const char* name, FileBytes& text, std::string& failure) {
    if (!LoadFileBytes(name, text, failure)) return false;
    MakeLineEndsPlain(text);
    return true;
}

bool LoadFileBytes(const char* name, FileBytes& text, std::string& failure) {
    text.clear();
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        failure = Format("cannot open %s", name);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        failure = Format("%s is not a file", name);
        return false;
    }
    if (st.st_size > kLargestFile) {
        ::close(fd);
        failure = Format("%s is larger than 4 GiB, more than the reader takes", name);
        return false;
    }
    try {
        text.resize(static_cast<std::size_t>(st.st_size) + 1);  // room for a missing last line end
    } catch (const std::bad_alloc&) {
        ::close(fd);
        failure = Format("not enough memory to read %s (%lld bytes)", name, static_cast<long long>(st.st_size));
        return false;
    }
    long length = 0;
    while (length < st.st_size) {
        const ssize_t got = ::read(fd, text.data() + length, static_cast<std::size_t>(st.st_size - length));
        if (got <= 0) break;
        length += got;
    }
    ::close(fd);
    text.resize(static_cast<std::size_t>(length));
    return true;
}

void MakeLineEndsPlain(FileBytes& text) {
    const long length = static_cast<long>(text.size());
    // A CR before LF is part of the line end, not of a value; a CR alone
    // ends a line (spreadsheets' "CSV (Macintosh)").
    const auto* firstCr = static_cast<const std::uint8_t*>(std::memchr(text.data(), '\r', static_cast<std::size_t>(length)));
    long out = firstCr ? firstCr - text.data() : length;  // up to the first CR the text stays as it is
    for (long in = out; in < length; ++in) {
        if (text[in] == '\r' && in + 1 < length && text[in + 1] == '\n') continue;
        text[out++] = text[in] == '\r' ? '\n' : text[in];
    }
    text.resize(static_cast<std::size_t>(out));
    if (out > 0 && text.back() != '\n') text.push_back('\n');  // in the room LoadFileBytes left for it
}
