#include "table/Unpacking.h"

#include <lzma.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "text/Numbers.h"

Packing PackingOf(const std::uint8_t* start, std::size_t length) {
    const auto starts = [&](std::initializer_list<std::uint8_t> magic) {
        return length >= magic.size() && std::equal(magic.begin(), magic.end(), start);
    };
    if (starts({0x1F, 0x8B})) return Packing::Gzip;
    if (starts({0xFD, '7', 'z', 'X', 'Z', 0x00})) return Packing::Xz;
    if (starts({0x28, 0xB5, 0x2F, 0xFD})) return Packing::Zstd;
    return Packing::None;
}

const char* PackingName(Packing packing) {
    switch (packing) {
        case Packing::Gzip: return "gzip";
        case Packing::Xz: return "xz";
        case Packing::Zstd: return "zstd";
        case Packing::None: break;
    }
    return "plain";
}

bool Unpacker::Fill(std::string& failure) {
    if (left_ > 0 || ended_) return true;
    for (;;) {
        const ssize_t got = ::read(fd_, in_.get(), kInBytes);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure = std::strerror(errno);
            return false;
        }
        next_ = in_.get();
        left_ = static_cast<std::size_t>(got);
        ended_ = got == 0;
        return true;
    }
}

long Unpacker::Failed(std::string& failure, Packing packing, const std::string& why) {
    failure = Format("its %s data %s", PackingName(packing), why.c_str());
    return -1;
}

namespace {

constexpr const char* kCutShort = "ends before it should: the file is cut short";
constexpr const char* kNoMemory = "needs more memory to unpack than there is";

std::string Damaged(const std::string& detail) {
    return Format("is damaged (%s)", detail.c_str());
}

// gzip, and files of several gzip members one after the other (as `cat`
// joins them), read as one, as gzip itself reads them.
class GzipUnpacker : public Unpacker {
public:
    explicit GzipUnpacker(int fd) : Unpacker(fd), ready_(inflateInit2(&z_, 15 + 16) == Z_OK) {}  // a gzip wrapper
    ~GzipUnpacker() override {
        if (ready_) inflateEnd(&z_);
    }

    long Read(std::uint8_t* to, std::size_t room, std::string& failure) override {
        if (!ready_) return Failed(failure, Packing::Gzip, kNoMemory);
        const std::size_t given = std::min<std::size_t>(room, std::size_t{1} << 30);
        z_.next_out = to;
        z_.avail_out = static_cast<uInt>(given);
        while (z_.avail_out > 0) {
            if (!Fill(failure)) return -1;
            if (left_ == 0) {
                if (inMember_) return Failed(failure, Packing::Gzip, kCutShort);
                break;
            }
            z_.next_in = const_cast<Bytef*>(next_);
            z_.avail_in = static_cast<uInt>(left_);
            const int status = inflate(&z_, Z_NO_FLUSH);
            next_ = z_.next_in;
            left_ = z_.avail_in;
            inMember_ = status != Z_STREAM_END;
            if (status == Z_STREAM_END)
                inflateReset(&z_);
            else if (status != Z_OK && status != Z_BUF_ERROR)
                return Failed(failure, Packing::Gzip, Damaged(z_.msg ? z_.msg : "no valid data"));
        }
        return static_cast<long>(given - z_.avail_out);
    }

private:
    z_stream z_{};
    bool ready_;
    bool inMember_ = false;
};

// xz, of one stream or several. A stream cut in blocks (as `xz -T0` writes
// a large file) unpacks its blocks on every core; one block, as pandas and
// R write it, unpacks on one.
class XzUnpacker : public Unpacker {
public:
    explicit XzUnpacker(int fd) : Unpacker(fd), ready_(lzma_stream_decoder_mt(&x_, &kOnEveryCore) == LZMA_OK) {}
    ~XzUnpacker() override { lzma_end(&x_); }

    long Read(std::uint8_t* to, std::size_t room, std::string& failure) override {
        if (!ready_) return Failed(failure, Packing::Xz, kNoMemory);
        x_.next_out = to;
        x_.avail_out = room;
        while (x_.avail_out > 0 && !done_) {
            if (!Fill(failure)) return -1;
            x_.next_in = next_;
            x_.avail_in = left_;
            const lzma_ret status = lzma_code(&x_, left_ == 0 ? LZMA_FINISH : LZMA_RUN);
            next_ = x_.next_in;
            left_ = x_.avail_in;
            if (status == LZMA_STREAM_END)
                done_ = true;
            else if (status != LZMA_OK)
                return Failed(failure, Packing::Xz, Why(status));
        }
        return static_cast<long>(room - x_.avail_out);
    }

private:
    static std::string Why(lzma_ret status) {
        switch (status) {
            case LZMA_BUF_ERROR: return kCutShort;
            case LZMA_MEM_ERROR: return kNoMemory;
            case LZMA_DATA_ERROR: return Damaged("its blocks do not decode");
            case LZMA_FORMAT_ERROR: return Damaged("no xz stream where one should start");
            case LZMA_OPTIONS_ERROR: return Damaged("options liblzma does not know");
            default: return Damaged(Format("liblzma says %d", static_cast<int>(status)));
        }
    }
    static inline const lzma_mt kOnEveryCore = [] {
        lzma_mt mt{};
        mt.flags = LZMA_CONCATENATED;
        mt.threads = std::max(1u, std::thread::hardware_concurrency());
        mt.memlimit_threading = UINT64_MAX;
        mt.memlimit_stop = UINT64_MAX;
        return mt;
    }();
    lzma_stream x_ = LZMA_STREAM_INIT;
    bool ready_;
    bool done_ = false;
};

// zstd, of one frame or several.
class ZstdUnpacker : public Unpacker {
public:
    explicit ZstdUnpacker(int fd) : Unpacker(fd), z_(ZSTD_createDStream()) {}
    ~ZstdUnpacker() override { ZSTD_freeDStream(z_); }

    long Read(std::uint8_t* to, std::size_t room, std::string& failure) override {
        if (z_ == nullptr) return Failed(failure, Packing::Zstd, kNoMemory);
        ZSTD_outBuffer out{to, room, 0};
        while (out.pos < out.size) {
            if (!Fill(failure)) return -1;
            if (left_ == 0) {
                if (inFrame_) return Failed(failure, Packing::Zstd, kCutShort);
                break;
            }
            ZSTD_inBuffer in{next_, left_, 0};
            const std::size_t status = ZSTD_decompressStream(z_, &out, &in);
            next_ += in.pos;
            left_ -= in.pos;
            if (ZSTD_isError(status)) return Failed(failure, Packing::Zstd, Damaged(ZSTD_getErrorName(status)));
            inFrame_ = status != 0;
        }
        return static_cast<long>(out.pos);
    }

private:
    ZSTD_DStream* z_;
    bool inFrame_ = false;
};

}  // namespace

std::unique_ptr<Unpacker> Unpacker::For(Packing packing, int fd) {
    switch (packing) {
        case Packing::Gzip: return std::make_unique<GzipUnpacker>(fd);
        case Packing::Xz: return std::make_unique<XzUnpacker>(fd);
        case Packing::Zstd: return std::make_unique<ZstdUnpacker>(fd);
        case Packing::None: break;
    }
    return nullptr;
}
