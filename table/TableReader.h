// The vector and distance-matrix readers: a text file as people write it
// (TextTable.h says how its layout is recognised, ColumnRoles.h what its
// columns are) into a Table. Values are separated by runs of tabs with a
// decimal point, or by what the file has instead; a missing value stays not
// a number; a token is read whole, however long; the value 1000 is dropped
// (the values after it move one to the left). The report says what the file
// turned out to be and what in it was not read as written.
#pragma once

#include <cstdint>
#include <string>

#include "table/ReadOptions.h"
#include "table/ReadReport.h"
#include "table/Table.h"

// Feature vectors, up to `rows` items: the feature columns of each row; a
// row with fewer values than most rows has its last components missing,
// one with more its extra values unused, and a row with no value is no
// item. The table's width is the values most rows hold (the report's
// `values`), at most 64; a run refuses more.
Table ReadVectors(const char* name, int rows, const ReadOptions& options, ReadReport& report);

// A square matrix, up to `rows` rows, each row's values as its components,
// with the items' names from a column of names or the header.
Table ReadMatrix(const char* name, int rows, const ReadOptions& options, ReadReport& report);

// The same over data already in memory (any bytes at all: they never read
// past length), with the separator the caller expects.
Table ParseVectors(const std::uint8_t* data, long length, int rows, char separator,
                   const ReadOptions& options, ReadReport& report);
Table ParseMatrix(const std::uint8_t* data, long length, int rows, char separator, const ReadOptions& options,
                  ReadReport& report);

// What a vector file holds, without keeping it: its items (up to `rows`)
// and their components, for a caller that has to choose "Input size" and
// "Vect. dim" (the command line's defaults).
struct FileShape {
    int items = 0;
    int values = 0;
    bool matrix = false;  // it looks like a distance matrix
};
FileShape InspectFile(const char* name, const ReadOptions& options, int rows, ReadReport& report);
// The same from a read made already.
FileShape ShapeOf(const ReadReport& report);

// A vector read kept to be taken again: the command line reads its file
// once to learn its shape, and its run takes that table instead of reading
// a large file a second time.
struct TableRead {
    std::string name;
    int rows = 0;
    ReadOptions options;
    Table table;
    ReadReport report;

    // Whether ReadVectors(name, rows, options) gives what this read gave:
    // the same file and options, and the same rows asked for, or as many or
    // more where the file had no rows left over.
    bool Answers(const char* file, int asked, const ReadOptions& with) const;
};
