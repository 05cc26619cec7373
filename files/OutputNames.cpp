#include "files/OutputNames.h"

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "form/Status.h"
#include "text/Numbers.h"
#include "files/ResultPaths.h"

namespace {

// A file by its device and inode when it exists, else by those of its
// folder and its own name.
struct FileId {
    dev_t device;
    ino_t inode;
    std::string name;  // empty for a file that exists

    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return FileId{st.st_dev, st.st_ino, {}};
    const std::string folder(FolderOf(path));
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino, std::string(BaseName(path))};
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileId> idA = IdOf(a);
    return idA && idA == IdOf(b);
}

std::string OutputNameProblem(const std::string& name, const std::string& input) {
    if (name.empty()) return "an empty name names no file";
    if (name.back() == '/') return name + " ends in /: it names a folder, not a file";
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return name + " is a folder";
    if (SameFile(name, input)) return name + " is the input file";
    std::vector<std::string> kept(std::begin(kResultFileNames), std::end(kResultFileNames));
    kept.emplace_back(kRecordFileName);
    kept.emplace_back(kRecordLockName);
    for (const std::string& file : kept)
        if (SameFile(name, std::string(FolderOf(input)) + file))
            return Format("%s is %s beside the input file, which the runs write", name.c_str(), file.c_str());
    // A link, even one that leads nowhere yet, would take the file to
    // wherever it points: a result file, perhaps, written later.
    if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return name + " is a symbolic link: no file is written through one";
    return {};
}
