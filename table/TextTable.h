// A text file cut into the rows and fields of a table, as people write
// them: a byte-order mark is ignored; a first line that is no data is a
// header; values are separated by runs of tabs, or by what the first lines
// of data hold more often instead (semicolons, commas, runs of spaces); a
// field in double quotes is one field whatever it holds; blank
// lines hold no row. Every field is classified once: a number, a missing
// value, text, or a value that is not a finite number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table/ReadBuffer.h"

struct TableCell {
    enum Kind : std::uint8_t { Number, Missing, Text, NotFinite };
    Kind kind;
    bool quoted;
    float value;         // a number's value, else 0
    std::uint32_t at;    // the field's text in the data, without the blanks
    std::uint32_t size;  // and quotes around it
};

struct TableRow {
    int line;   // the file's own line number, from 1
    int first;  // its fields are cells[first .. first + count)
    int count;
};

// Why the first line is a header.
enum class HeaderKind { None, NoNumber, Counting, Quoted };

struct TextTable {
    std::string notText;  // why the bytes are no text table at all, or empty
    char separator = '\t';
    bool separatorDetected = false;  // the first lines of data have another separator than tab
    int outvotingLines = 0;          // when the first data line has a tab too: the lines that outvoted it
    bool collapse = true;            // a run of separators is one
    bool singleTabs = false;         // a tab file whose rows line up only with one field per tab
    bool decimalComma = false;       // commas in numbers and no decimal point: read as points
    bool thousandsDots = false;      // and dots that group their digits in threes
    HeaderKind headerKind = HeaderKind::None;
    int headerLine = 0;
    std::vector<std::string> header;  // its fields, unquoted
    int firstDataLine = 0;
    int blankLines = 0, firstBlankLine = 0;
    std::vector<TableRow> rows;
    std::vector<TableCell, ReadBuffer<TableCell>> cells;

    // Field `column` (1-based) of a row, or null past the row's end.
    const TableCell* Cell(const TableRow& row, int column) const {
        return column >= 1 && column <= row.count ? &cells[static_cast<std::size_t>(row.first + column - 1)]
                                                  : nullptr;
    }
};

// Cuts data (LF line ends) into a table; `expected` is the separator the
// caller names (tab), taken unless the first lines of data hold another
// more often.
TextTable ScanTable(const std::uint8_t* data, long length, char expected);

// A cell's text as written, without its quotes ("" inside them read as ").
std::string CellText(const std::uint8_t* data, const TableCell& cell);

// The classification of one field's text (blanks and quotes already
// removed): missing for an empty field and the usual markers (NA, N/A, NaN,
// null, ?, a lone point); a number when the whole field is one (a quoted
// number may group thousands with commas); not a finite number for inf,
// infinity and values beyond a float; text otherwise.
TableCell ClassifyField(std::string_view text, bool quoted, bool decimalComma);

// The count most rows hold, of the counts given in row order; of equally
// common ones the one met first.
int MostCommonCount(const std::vector<int>& counts);
