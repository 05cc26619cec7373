#include "files/OutputNames.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "form/Status.h"
#include "text/Words.h"
#include "text/Numbers.h"
#include "files/ResultPaths.h"

namespace {

// A file by its device and inode when it exists, else by those of the
// nearest folder above it that exists and the rest of its path, so that a
// file in a folder not yet made is known too.
struct FileId {
    dev_t device;
    ino_t inode;
    std::string rest;  // empty for a file that exists

    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return FileId{st.st_dev, st.st_ino, {}};
    const std::string folder(FolderOf(path)), name(BaseName(path));
    std::optional<FileId> id;
    if (folder.empty()) {
        if (::stat(".", &st) == 0) id = FileId{st.st_dev, st.st_ino, {}};
    } else if (folder.size() < path.size()) {
        id = IdOf(folder.size() == 1 ? folder : folder.substr(0, folder.size() - 1));
    }
    if (id)
        id->rest = std::filesystem::path(id->rest.empty() ? name : id->rest + "/" + name).lexically_normal();
    return id;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileId> idA = IdOf(a);
    return idA && idA == IdOf(b);
}

std::string OutputNameProblem(const std::string& name, const std::string& input, const std::string& results) {
    if (name.empty()) return "an empty name names no file";
    if (name.back() == '/') return name + " ends in /: it names a folder, not a file";
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return name + " is a folder";
    if (SameFile(name, input)) return name + " is the input file";
    std::vector<std::string> kept(std::begin(kResultFileNames), std::end(kResultFileNames));
    kept.emplace_back(kRecordFileName);
    kept.emplace_back(kRecordLockName);
    const std::string folder = ResultFolder(input, results);
    const std::string where = results.empty() ? "beside the input file" : "in " + folder;
    for (const std::string& file : kept)
        if (SameFile(name, folder + file))
            return Format("%s is %s %s, which the runs write", name.c_str(), file.c_str(), where.c_str());
    // A link, even one that leads nowhere yet, would take the file to
    // wherever it points: a result file, perhaps, written later.
    if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return name + " is a symbolic link: no file is written through one";
    return {};
}
