// A whole text file in memory, its line ends made plain: CR LF and a lone
// CR taken as LF, a missing last line end supplied.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text of file `name`, or false with `failure` saying why it cannot be
// read: it cannot be opened, it is no file, it is larger than the readers
// take (4 GiB) or than memory holds.
bool LoadFile(const char* name, std::vector<std::uint8_t>& text, std::string& failure);
