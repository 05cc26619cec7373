// The result files the runs write, beside their input file or in the folder
// the user names for them, and the record of which run wrote each.
#pragma once

#include <string>
#include <string_view>

// In the order the message list names them.
inline constexpr const char* kResultFileNames[] = {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"};
// Beside them, the record of which run wrote each (ResultRecord.h), and the
// file whose lock the runs hold while they put their files in place.
inline constexpr const char* kRecordFileName = "itemmap-record.txt";
inline constexpr const char* kRecordLockName = "itemmap-record.lock";

// The folder part of a path: up to and including its last '/' (a '\' is
// a character of a name, as on every POSIX system); empty without one.
std::string_view FolderOf(std::string_view path);

// The folder of the result files of a run on `input`: `results` when the
// user named one (with a separator at its end), else the input's folder.
std::string ResultFolder(std::string_view input, std::string_view results);

// The paths of the result files in `folder` (empty, or ending in its separator).
struct ResultPaths {
    std::string folder, soc, weights, clusters, distances;
};
ResultPaths ResultPathsIn(const std::string& folder);
