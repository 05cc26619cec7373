// The command line: `itemmap COMMAND FILE [options]` runs MRP-MDS, SOC or
// reload without a window, step for step as the window runs it, and exits.
#pragma once

#include <cstdio>

// Exit statuses.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitRefused = 1;    // refused for its input, or its results could not be written
inline constexpr int kExitUsage = 2;      // a command line that cannot be used, a column option too
inline constexpr int kExitStopped = 130;  // Ctrl+C: stopped as STOP stops it, files of a SOC run written;
                                          // SIGTERM gives 143 and SIGHUP 129 the same way

// Runs the command that argv holds (argv[1] is the command, or --help or
// --version). Memo1's lines go to out, the status line's texts to err.
int RunCommandLine(int argc, char** argv, std::FILE* out = stdout, std::FILE* err = stderr);
