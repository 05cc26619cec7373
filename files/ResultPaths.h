// The result files the runs write beside their input file, and the record
// of which run wrote each.
#pragma once

#include <string>
#include <string_view>

// In the order the message list names them.
inline constexpr const char* kResultFileNames[] = {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"};
// Beside them, the record of which run wrote each (ResultRecord.h).
inline constexpr const char* kRecordFileName = "itemmap-record.txt";

// The folder part of a path: up to and including its last '/' (a '\' is
// a character of a name, as on every POSIX system); empty without one.
std::string_view FolderOf(std::string_view path);

// The paths of the result files of a run on `input`: in its folder.
struct ResultPaths {
    std::string soc, weights, clusters, distances;
};
ResultPaths ResultPathsBeside(std::string_view input);
