// What a reader's report means to the user: the texts of the status line.
#pragma once

#include <string>
#include <vector>

#include "table/ReadReport.h"

// Why a file that was read cannot be used, in plain words, or empty: it
// could not be read, it is no text table, a column named by the user is
// not there, it holds no number, or a value that is not a finite number.
std::string Unusable(const ReadReport& report, const char* name);

// True when the rows read look like a distance matrix: as many values per
// row as rows, 0 on the diagonal.
bool LooksLikeMatrix(const ReadReport& report);

// What was read and what a user must know about it, one text each: the
// rows and values read, then every "warning:" with its line number.
// `requested` is the "Input size" the rows were asked for; `control` is
// what gives a column a role where the command line's options do not.
std::vector<std::string> VectorReadNotes(const ReadReport& report, const char* name, int requested,
                                         const std::string& control = {});
std::vector<std::string> MatrixReadNotes(const ReadReport& report, const char* name, int requested,
                                         const std::string& control = {});
