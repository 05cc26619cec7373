// A table packed as pandas and R write it (`to_csv("x.csv.gz")`, gzip, xz or
// zstd) is read as the text it holds: the packing is known by the file's
// first bytes, whatever its name says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class Packing { None, Gzip, Xz, Zstd };

// The packing that a file's first bytes (as many as there are, up to six)
// announce.
Packing PackingOf(const std::uint8_t* start, std::size_t length);
const char* PackingName(Packing packing);

// The bytes of an open file, unpacked as they are read.
class Unpacker {
public:
    // For the file open at `fd` (read from its start; the caller closes it).
    static std::unique_ptr<Unpacker> For(Packing packing, int fd);
    virtual ~Unpacker() = default;

    // Up to `room` unpacked bytes into `to`: how many (0 once the packed
    // data ends), or -1 with `failure` saying why (a read that fails,
    // damaged data, data cut short).
    virtual long Read(std::uint8_t* to, std::size_t room, std::string& failure) = 0;

protected:
    explicit Unpacker(int fd) : fd_(fd) {}
    // When every packed byte read so far is taken, reads more of the file;
    // false, with why, when that fails. At the file's end `ended` is set.
    bool Fill(std::string& failure);
    // -1, with `failure` saying what is wrong with the packed data.
    static long Failed(std::string& failure, Packing packing, const std::string& why);

    // The packed bytes read and not yet unpacked.
    const std::uint8_t* next_ = nullptr;
    std::size_t left_ = 0;
    bool ended_ = false;

private:
    static constexpr std::size_t kInBytes = std::size_t{1} << 18;
    int fd_;
    std::unique_ptr<std::uint8_t[]> in_ = std::make_unique<std::uint8_t[]>(kInBytes);
};
