// Fields of tab-separated text as R's read.delim and pandas'
// read_csv(sep="\t") read them back: a field that holds a tab, a line end or
// a double quote, or starts with a blank, goes in double quotes with each
// inner quote doubled; every other field is written as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::string TsvField(std::string_view text);

// The rows of such text, LF or CR LF after each; a quoted field may hold
// tabs and line ends.
std::vector<std::vector<std::string>> TsvRows(std::string_view text);
