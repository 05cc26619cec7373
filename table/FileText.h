// A whole text file in memory, its line ends made plain: CR LF and a lone
// CR taken as LF, a missing last line end supplied.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/ReadBuffer.h"

using FileBytes = std::vector<std::uint8_t, ReadBuffer<std::uint8_t>>;

// The text of file `name`, or false with `failure` saying why it cannot be
// read: it cannot be opened, it is no file, it is larger than the readers
// take (4 GiB) or than memory holds.
bool LoadFile(const char* name, FileBytes& text, std::string& failure);
// The same, its bytes as stored: for what must be measured on them as they
// are (the record's checksums) before MakeLineEndsPlain.
bool LoadFileBytes(const char* name, FileBytes& bytes, std::string& failure);
void MakeLineEndsPlain(FileBytes& text);
