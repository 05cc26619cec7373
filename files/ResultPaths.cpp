#include "files/ResultPaths.h"

std::string_view FolderOf(std::string_view path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

std::string ResultFolder(std::string_view input, std::string_view results) {
    if (results.empty()) return std::string(FolderOf(input));
    std::string folder(results);
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

ResultPaths ResultPathsIn(const std::string& folder) {
    return {folder, folder + kResultFileNames[0], folder + kResultFileNames[1], folder + kResultFileNames[2],
            folder + kResultFileNames[3]};
}
