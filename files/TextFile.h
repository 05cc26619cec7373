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

// Writes text to path, each LF as CR LF. Returns why it could not
// ("cannot write PATH: reason"), or empty when the file is in place.
std::string WriteTextFile(const std::string& path, std::string_view text);
