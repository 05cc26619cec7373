// Text output files. Every line ends in CR LF on every platform, as the
// stored files of this tool always have. A file is written beside its target
// under a temporary name and renamed over it only when it is complete, so a
// crash or a full disk never leaves half a file in place of a good one. The
// temporary name is a new random one, created only when nothing stands there
// (a symbolic link included), and the rename replaces whatever stands at the
// target's name: a link planted in a shared folder never receives the text.
#pragma once

#include <string>
#include <string_view>

// A file's text written whole under its temporary name, not yet in place:
// the files of one run take their names together (ResultCommit.h). One never
// put in place is removed with the object.
class StagedFile {
public:
    // Writes text, each LF as CR LF.
    StagedFile(std::string path, std::string_view text);
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    ~StagedFile();

    const std::string& Path() const { return path_; }
    // Why the text could not be written ("cannot write PATH: reason") and
    // its errno, or empty and 0.
    const std::string& Error() const { return error_; }
    int ErrorCode() const { return errorCode_; }
    // Of the bytes written (FileChecksum).
    const std::string& Checksum() const { return checksum_; }

    // Renames it over its path; why it cannot (also set as Error), or empty.
    std::string PutInPlace();

private:
    void Fail(int error);

    std::string path_, temp_, error_, checksum_;
    int errorCode_ = 0;
};

// Writes text to path, each LF as CR LF. Returns why it could not
// ("cannot write PATH: reason"), or empty when the file is in place.
std::string WriteTextFile(const std::string& path, std::string_view text);

// "cannot write PATH: " and the reason errno `error` gives.
std::string CannotWrite(const std::string& path, int error);

// What the record keeps of a file's bytes to tell later whether the file is
// still the one written: FNV-1a of 64 bits, as 16 hex digits. It guards
// against files replaced or edited by mistake, not against an attacker, and
// so needs no library: one multiply per byte, the same on every machine.
std::string FileChecksum(std::string_view bytes);

// 16 hex digits nobody can foresee, from the kernel's random source; empty
// when it gives none.
std::string RandomTag();
