#include "files/ResultCommit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "files/TextFile.h"
#include "text/Numbers.h"
#include "text/Words.h"

namespace {

// flock(2) on the lock file beside the record, held while the object
// lives. The file is never removed: a lock on a name that another run
// removes and creates anew would lock nothing. Where it can be neither
// created nor opened the work goes on without it, with a warning, except
// where it is missing and cannot be made: no run can write there either.
class RecordLock {
public:
    RecordLock(const std::string& folder, int operation) {
        const std::string path = folder + kRecordLockName;
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // another user's
        int result = fd_ < 0 ? -1 : 0;
        while (fd_ >= 0 && (result = ::flock(fd_, operation)) != 0 && errno == EINTR) {
        }
        if (result == 0 || errno == ENOENT) return;
        warning_ = "warning: cannot lock " + path + ": " + std::strerror(errno) +
                   "; runs at the same time in this folder may mix their files";
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;
    ~RecordLock() {
        if (fd_ >= 0) ::close(fd_);  // which releases the lock
    }
    const std::string& Warning() const { return warning_; }

private:
    int fd_ = -1;
    std::string warning_;
};

}  // namespace

Committed CommitResults(const std::string& folder, const RecordLine& run,
                        const std::vector<ResultText>& files) {
    Committed out;
    const auto fail = [&](const std::string& path, int error) {
        out.error = CannotWrite(path, error);
        out.errorCode = error;
        return out;
    };
    std::error_code made;
    if (!folder.empty()) std::filesystem::create_directories(folder, made);
    std::vector<StagedFile> staged;
    staged.reserve(files.size());
    for (const ResultText& file : files) {
        if (made) return fail(file.path, made.value());
        staged.emplace_back(file.path, file.text);
        if (!staged.back().Error().empty()) return fail(file.path, staged.back().ErrorCode());
    }

    const RecordLock lock(folder, LOCK_EX);
    if (!lock.Warning().empty()) out.notes.push_back(lock.Warning());
    std::string warning;
    const std::vector<RecordLine> before = ReadRecord(folder, warning);
    if (!warning.empty()) out.notes.push_back(warning);
    // A folder at a file's name takes no file: found before any file takes
    // its name, so that the set is written whole or not at all.
    for (const StagedFile& file : staged) {
        struct stat st {};
        if (::lstat(file.Path().c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(file.Path(), EISDIR);
    }
    std::vector<RecordLine> lines;
    for (StagedFile& file : staged) {
        if (!file.PutInPlace().empty()) {
            out.error = file.Error();
            out.errorCode = file.ErrorCode();
            break;
        }
        RecordLine line = run;
        line.file = BaseName(file.Path());
        line.checksum = file.Checksum();
        if (const RecordLine* old = LineOf(before, line.file); old && old->input != run.input)
            out.notes.push_back(Format("warning: %s held the results of %s on %s; it now holds this run's",
                                       line.file.c_str(), old->run.c_str(), old->input.c_str()));
        out.written.push_back(file.Path());
        lines.push_back(std::move(line));
    }
    if (lines.empty()) return out;
    if (const std::string error = WriteRecord(folder, Replaced(before, lines)); !error.empty())
        out.notes.push_back("warning: " + error);
    return out;
}

StoredResults ReadStoredResults(const ResultPaths& paths) {
    const RecordLock lock(paths.folder, LOCK_SH);
    StoredResults out;
    if (!lock.Warning().empty()) out.notes.push_back(lock.Warning());
    std::string warning;
    out.record = ReadRecord(paths.folder, warning);
    if (!warning.empty()) out.notes.push_back(warning);
    out.soc = LoadStoredFile(paths.soc);
    out.weights = LoadStoredFile(paths.weights);
    out.clusters = LoadStoredFile(paths.clusters);
    return out;
}
