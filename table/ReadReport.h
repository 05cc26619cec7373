// What a reader saw in a file besides the table it took from it.
#pragma once

#include <string>

#include "table/ColumnRoles.h"
#include "table/TextTable.h"

// What a reader saw besides its result: enough to tell the user what the
// file turned out to be and what in it was not read as written. Line
// numbers count the file's own lines from 1, a header and blank lines
// included.
struct ReadReport {
    bool loaded = false;    // false when the file could not be read at all
    std::string failure;    // then why: "cannot open ...", "... is a folder", ...
    std::string notText;    // why the bytes are no text table ("is binary data, ..."), or empty
    std::string problem;    // a column the user named that the file lacks, or empty
    int widestRow = 0;      // the most values on one row of the file
    int nonFiniteLine = 0;  // the first line holding a value that is not a finite number, or 0
    std::string nonFiniteToken;
    int numbers = 0;        // fields that are numbers: none means the file holds no table of numbers
    std::string firstText;  // the first field that is text, for the user to see why

    int rowsRead = 0;        // items taken (or matrix rows), not the header, blank lines nor empty rows
    int firstDataLine = 0;   // the line of the first row
    int lastDataLine = 0;    // the line of the last row taken
    int rowsLeft = 0;        // further rows in the file after the ones asked for
    bool restUnread = false;  // the read stopped short of the file's end: more rows than rowsLeft may follow
    int firstRowValues = 0;  // values of the first row
    int lastRowValues = 0;   // values of the last row taken
    int values = 0;          // the values most rows hold: the items' components
    char separator = '\t';
    bool separatorDetected = false;  // the first lines of data have this separator instead of tabs
    int outvotingLines = 0;          // and the lines that outvoted a tab on the first data line
    bool singleTabs = false;         // every tab ends one field, as the rows only line up so
    bool decimalComma = false;       // commas in numbers and no decimal point: read as points
    bool thousandsDots = false;      // and dots that group their digits in threes
    int headerLine = 0;              // the line taken as a header, or 0
    HeaderKind headerKind = HeaderKind::None;
    int blankLines = 0, firstBlankLine = 0;

    // The columns: what names the items, what gives their class, what is left out.
    ColumnPlan columns;
    int classValues = 0;
    int notNumbers = 0, firstNotNumberLine = 0;  // text among the values: read as missing
    std::string firstNotNumber;
    int dropped = 0, firstDroppedLine = 0;                        // values equal to 1000, skipped
    int shiftedRows = 0;  // rows whose values after a dropped one moved one column left
    int shortRows = 0, firstShortLine = 0, firstShortValues = 0;  // fewer values: the last ones missing
    int longRows = 0, firstLongLine = 0, firstLongValues = 0;     // more values: the extra ones not used
    int missing = 0, missingRows = 0, firstMissingLine = 0;       // missing components of the items read
    int emptyRows = 0, firstEmptyLine = 0;                        // rows without a value: no items
    int longNames = 0, firstLongNameLine = 0;  // names, classes, feature names cut to kLongestName bytes
    bool zeroDiagonal = false;                 // value r of every row r is 0, as in a distance matrix
};
