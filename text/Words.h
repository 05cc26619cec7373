// Counts and names as the messages write them.
#pragma once

#include <string>
#include <string_view>

// "12,340": a count with a comma between thousands.
std::string GroupedCount(long n);

// "1 row", "3 rows": a count and the word for it.
std::string Plural(int n, const char* one, const char* many);

// The file's name without its folder, for messages.
std::string_view BaseName(std::string_view path);

// A name on one line, as a map's label or a tip shows it: each of its line
// ends a blank.
std::string OneLine(std::string_view text);
