// A text file cut into the rows and fields of a table, as people write
// them: a byte-order mark is ignored; a first line that is no data is a
// header; values are separated by runs of tabs, or by what the first lines
// of data hold more often instead (semicolons, commas, runs of spaces); a
// field that opens with a double quote is one field whatever it holds, line
// ends included, as R and pandas write names; blank lines hold no row.
// Every field is classified once: a number, a missing value, text, or a
// value that is not a finite number. A field keeps four bytes, not its
// text: a text is cut from its row again when it is asked for.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "table/ReadBuffer.h"

enum class CellKind : std::uint8_t { Number, Missing, Text, NotFinite };

// A number's value, or a not-a-number whose payload says what the field is
// instead: a number read from a file is never one.
struct TableCell {
    float bits;

    static TableCell Number(float value) { return {value}; }
    static TableCell Of(CellKind kind) {
        return {std::bit_cast<float>(0x7FC00000u | static_cast<std::uint32_t>(kind))};
    }
    CellKind Kind() const {
        return bits == bits ? CellKind::Number
                            : static_cast<CellKind>(std::bit_cast<std::uint32_t>(bits) & 0xFFu);
    }
    bool Is(CellKind kind) const { return Kind() == kind; }
    float Value() const { return bits == bits ? bits : 0.0f; }
};

struct TableRow {
    std::uint32_t at, end;  // its bytes in the data, its line end not included
    int line;               // the file's own line number of its first line, from 1
    std::uint32_t first;    // its fields are cells[first .. first + count)
    int count;
};

// A field's text as written: without the blanks around it and its quotes
// (a "" inside them not yet read as ").
struct FieldView {
    std::string_view text;
    bool quoted;
};

// What the scan saw in one column, over the rows that reach it: its values
// present and how many of them are text, the first distinct texts and
// numbers (up to one past the values a class has), whether every value is
// a whole number, and whether the column counts the rows from 1 or 0.
struct ColumnSeen {
    int rows = 0, present = 0, text = 0;
    bool countsFrom1 = true, countsFrom0 = true;
    std::vector<std::string_view> distinct;  // texts as written, views into the data
    std::vector<float> numbers;
    bool whole = true;
    int wholeValues = 0;  // how many of the numbers are whole, while all are

    // Notes field `row` (from 0) of the column, and its text.
    void See(int row, const TableCell& cell, std::string_view text);
};

// Why the first line is a header.
enum class HeaderKind { None, NoNumber, Counting, Quoted };

struct TextTable {
    std::string notText;  // why the bytes are no text table at all, or empty
    char separator = '\t';
    bool separatorDetected = false;  // the first lines of data have another separator than tab
    int outvotingLines = 0;          // when the first data line has a tab too: the lines that outvoted it
    bool collapse = true;            // a run of separators is one
    bool trailingValue = true;       // a run of tabs at a row's end is one more value, 0
    bool singleTabs = false;         // a tab file whose rows line up only with one field per tab
    bool decimalComma = false;       // numbers with a comma and none with a decimal point: commas read as points
    bool thousandsDots = false;      // and dots that group their digits in threes
    bool quotedFields = false;       // some field of the rows is in quotes
    HeaderKind headerKind = HeaderKind::None;
    int headerLine = 0;
    std::vector<std::string> header;  // its fields, unquoted
    int firstDataLine = 0;
    int blankLines = 0, firstBlankLine = 0;
    // Over data that is not the whole file: the rows end at the last whole
    // one, and `scanned` says where (bytes from the data's start).
    bool complete = true;
    long scanned = 0;
    std::vector<TableRow> rows;
    std::vector<TableCell, ReadBuffer<TableCell>> cells;
    std::vector<ColumnSeen> columns;  // by column, from 1

    // Field `column` (1-based) of a row, or null past the row's end.
    const TableCell* Cell(const TableRow& row, int column) const {
        return column >= 1 && column <= row.count ? &cells[static_cast<std::size_t>(row.first) + column - 1]
                                                  : nullptr;
    }
    // A row's fields as written, cut from the data again, into `fields`:
    // the first `most` of them.
    void Fields(const std::uint8_t* data, const TableRow& row, std::vector<FieldView>& fields,
                int most = std::numeric_limits<int>::max()) const;
    // Field `column` of a row as written, "" inside quotes read as "; empty past the row's end.
    std::string CellText(const std::uint8_t* data, const TableRow& row, int column) const;
};

// Cuts data (LF line ends) into a table; `expected` is the separator the
// caller names (tab), taken unless the first lines of data hold another
// more often. Data that is only the start of a file (`complete` false)
// gives the rows that end in it.
TextTable ScanTable(const std::uint8_t* data, long length, char expected, bool complete = true);

// A quoted field's text: "" inside the quotes reads as ".
std::string Unescaped(const FieldView& field);

// The classification of one field's text (blanks and quotes already
// removed): missing for an empty field and the usual markers (NA, N/A, NaN,
// null, ?, a lone point); a number when the whole field is one (a quoted
// number may group thousands with commas); not a finite number for inf,
// infinity and values beyond a float; text otherwise.
TableCell ClassifyField(std::string_view text, bool quoted, bool decimalComma);

// The count most rows hold, of the counts given in row order; of equally
// common ones the one met first.
int MostCommonCount(const std::vector<int>& counts);
