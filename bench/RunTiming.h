// Whole runs timed from outside: `itemmap ARGS...` in this process, and the
// seconds a call takes.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "session/Session.h"

// Its output thrown away.
inline void RunItemmap(std::vector<std::string> args) {
    args.insert(args.begin(), "itemmap");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::FILE* null = std::fopen("/dev/null", "w");
    RunCommandLine(static_cast<int>(argv.size()), argv.data(), null, null);
    std::fclose(null);
}

template <class Run>
double Seconds(const Run& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
