// A text file in memory, its line ends made plain: CR LF and a lone CR
// taken as LF, a missing last line end supplied; a packed file (gzip, xz,
// zstd) as the text it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "table/ReadBuffer.h"
#include "table/Unpacking.h"

using FileBytes = std::vector<std::uint8_t, ReadBuffer<std::uint8_t>>;

// The text of file `name`, or false with `failure` saying why it cannot be
// read: it cannot be opened, it is no file, it is larger than the readers
// take (4 GiB) or than memory holds.
bool LoadFile(const char* name, FileBytes& text, std::string& failure);
// The same, its bytes as stored: for what must be measured on them as they
// are (the record's checksums) before MakeLineEndsPlain.
bool LoadFileBytes(const char* name, FileBytes& bytes, std::string& failure);
void MakeLineEndsPlain(FileBytes& text);

// A file read from its start as far as a reader needs: its text so far
// ends where the bytes read end (a CR there waits for the next byte), and
// gets its last line end once the file is read whole.
class FileStart {
public:
    // `plain` false keeps the bytes as stored.
    explicit FileStart(bool plain = true) : plain_(plain) {}
    FileStart(const FileStart&) = delete;
    FileStart& operator=(const FileStart&) = delete;
    ~FileStart();

    // False, with why, when the file cannot be read at all.
    bool Open(const char* name, std::string& failure);
    // Reads on until `bytes` of the file are read, or all of it; false, with
    // why, when that fails.
    bool ReadTo(long long bytes, std::string& failure);
    bool Whole() const { return read_ >= size_; }
    FileBytes& Text() { return text_; }
    // The text is no longer needed: its memory goes back.
    void Release();

private:
    bool Grow(std::size_t bytes, std::string& failure);
    long ReadSome(std::uint8_t* to, std::size_t room, std::string& failure);

    int fd_ = -1;
    std::string name_;
    long long size_ = 0, read_ = 0;
    bool plain_;
    bool pendingCr_ = false;  // the last byte read is a CR whose LF may follow
    FileBytes text_;
    std::unique_ptr<Unpacker> unpacker_;  // for a packed file
};
