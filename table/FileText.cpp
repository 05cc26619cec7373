#include "table/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "text/Numbers.h"

namespace {
// The readers keep where each field starts in 32 bits.
constexpr long long kLargestFile = 0xFFFFFFFFLL - 1;
// Makes the line ends of text[from, total) plain: a CR before LF is part of
// the line end, not of a value; a CR alone ends a line (spreadsheets' "CSV
// (Macintosh)"). A CR last waits to see what follows it, unless the text is
// `whole`. Returns the text's new length.
std::size_t PlainFrom(FileBytes& text, std::size_t from, std::size_t total, bool whole, bool& heldCr) {
    heldCr = false;
    if (from >= total) return total;
    const void* cr = std::memchr(text.data() + from, '\r', total - from);
    std::size_t out = cr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(cr) - text.data()) : total;
    for (std::size_t in = out; in < total; ++in) {  // up to the first CR the text stays as it is
        const std::uint8_t c = text[in];
        if (c != '\r') {
            text[out++] = c;
        } else if (in + 1 < total) {
            if (text[in + 1] != '\n') text[out++] = '\n';
        } else if (whole) {
            text[out++] = '\n';
        } else {
            heldCr = true;
        }
    }
    return out;
}

}  // namespace

FileStart::~FileStart() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileStart::Open(const char* name, std::string& failure) {
    name_ = name;
    fd_ = ::open(name, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        failure = Format("cannot open %s", name);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        failure = Format("%s is not a file", name);
        return false;
    }
    std::uint8_t start[6];
    const ssize_t got = plain_ ? ::pread(fd_, start, sizeof start, 0) : 0;
    if (const Packing packing = PackingOf(start, got > 0 ? static_cast<std::size_t>(got) : 0);
        packing != Packing::None) {
        unpacker_ = Unpacker::For(packing, fd_);
        size_ = kLargestFile + 1;  // known at its end
        return true;
    }
    if (st.st_size > kLargestFile) {
        failure = Format("%s is larger than 4 GiB, more than the reader takes", name);
        return false;
    }
    size_ = st.st_size;
    return true;
}

// The text made `bytes` long, with room for a held CR and a last line end;
// unpacked text, whose length is not known before its end, in doubling
// steps. False, with why, when memory runs out.
bool FileStart::Grow(std::size_t bytes, std::string& failure) {
    try {
        if (bytes + 2 > text_.capacity())
            text_.reserve(unpacker_ ? std::max(bytes + 2, text_.capacity() * 2) : bytes + 2);
        text_.resize(bytes);
    } catch (const std::bad_alloc&) {
        failure = Format("not enough memory to read %s (%lld bytes)", name_.c_str(), std::max(size_, read_));
        return false;
    }
    return true;
}

// Up to `room` more bytes of the file into `to`, unpacked: how many, 0 at
// its end, or -1 with why.
long FileStart::ReadSome(std::uint8_t* to, std::size_t room, std::string& failure) {
    if (unpacker_) {
        std::string why;
        const long got = unpacker_->Read(to, room, why);
        if (got < 0) failure = Format("cannot read %s: %s", name_.c_str(), why.c_str());
        return got;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, to, room);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failure = Format("cannot read %s: %s", name_.c_str(), std::strerror(errno));
        return static_cast<long>(got);
    }
}

bool FileStart::ReadTo(long long bytes, std::string& failure) {
    const long long target = std::min(bytes, size_);
    if (target <= read_) return true;
    const std::size_t at = text_.size();
    std::size_t total = at;
    if (pendingCr_) {
        if (!Grow(total + 1, failure)) return false;
        text_[total++] = '\r';
    }
    // A plain file's size is known: one read. Unpacked text grows by doubling.
    constexpr long long kFirstStep = 1 << 20;
    while (read_ < target) {
        const long long step = unpacker_ ? std::max(kFirstStep, read_) : target - read_;
        const auto room = static_cast<std::size_t>(std::min(step, target - read_));
        if (!Grow(total + room, failure)) return false;
        const long got = ReadSome(text_.data() + total, room, failure);
        if (got < 0) return false;
        if (got == 0) {  // the file is shorter than it was, or its packed data ends: its end is here
            size_ = read_;
            break;
        }
        read_ += got;
        total += static_cast<std::size_t>(got);
    }
    if (read_ > kLargestFile) {
        failure = Format("%s holds more than 4 GiB of text, more than the reader takes", name_.c_str());
        return false;
    }
    if (!plain_) {
        text_.resize(total);
        return true;
    }
    text_.resize(PlainFrom(text_, at, total, Whole(), pendingCr_));
    if (Whole() && !text_.empty() && text_.back() != '\n') text_.push_back('\n');
    return true;
}

void FileStart::Release() {
    FileBytes().swap(text_);
}

namespace {

bool LoadWhole(const char* name, bool plain, FileBytes& text, std::string& failure) {
    FileStart file(plain);
    if (!file.Open(name, failure) || !file.ReadTo(kLargestFile + 1, failure)) return false;
    text.swap(file.Text());
    return true;
}

}  // namespace

bool LoadFile(const char* name, FileBytes& text, std::string& failure) {
    return LoadWhole(name, true, text, failure);
}

bool LoadFileBytes(const char* name, FileBytes& bytes, std::string& failure) {
    return LoadWhole(name, false, bytes, failure);
}

void MakeLineEndsPlain(FileBytes& text) {
    bool held = false;
    text.resize(PlainFrom(text, 0, text.size(), true, held));
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
}
