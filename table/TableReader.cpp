#include "table/TableReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "text/Words.h"
#include "table/Capacities.h"
#include "table/FileText.h"
#include "table/ReadNotes.h"
#include "text/Numbers.h"
#include "text/Utf8.h"

namespace {

constexpr float kDropped = 1000.0f;  // the input readers drop this value
constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();

// A name, cut at the start of a character when it is longer than names are kept.
std::string Kept(std::string_view text) {
    return std::string(text.substr(0, CharacterStart(text, kLongestName)));
}

// A name from line `line` that is longer than names are kept is counted.
void NoteLongName(ReadReport& seen, std::string_view text, int line) {
    if (text.size() <= static_cast<std::size_t>(kLongestName)) return;
    if (seen.longNames++ == 0 || line < seen.firstLongNameLine) seen.firstLongNameLine = line;
}

std::string TakeName(std::string_view text, int line, ReadReport& seen) {
    NoteLongName(seen, text, line);
    return Kept(text);
}

// A field quoted in a note: its first 40 bytes, whole characters.
std::string Quoted(const std::uint8_t* data, const TableCell& cell) {
    std::string text = CellText(data, cell);
    text.resize(CharacterStart(text, 40));
    return text;
}

// What the layout tells the user.
void TakeLayout(const TextTable& t, ReadReport& seen) {
    seen.notText = t.notText;
    seen.separator = t.separator;
    seen.separatorDetected = t.separatorDetected;
    seen.outvotingLines = t.outvotingLines;
    seen.singleTabs = t.singleTabs;
    seen.decimalComma = t.decimalComma;
    seen.thousandsDots = t.thousandsDots;
    seen.headerLine = t.headerLine;
    seen.headerKind = t.headerKind;
    seen.firstDataLine = t.firstDataLine;
    seen.blankLines = t.blankLines;
    seen.firstBlankLine = t.firstBlankLine;
    for (const TableCell& c : t.cells)
        if (c.kind == TableCell::Number) ++seen.numbers;
}

void Reset(ReadReport& seen) {
    const bool loaded = seen.loaded;
    seen = ReadReport{};
    seen.loaded = loaded;
    seen.zeroDiagonal = true;
}

// The first text field of the table, for a file without numbers.
std::string FirstText(const std::uint8_t* data, const TextTable& t) {
    for (const TableCell& c : t.cells)
        if (c.kind == TableCell::Text) return Quoted(data, c);
    return {};
}

// The values of one row, in order, into out (room for every field of the
// row): its feature columns and any fields past the columns most rows
// have; a number, or not a number where it is missing (text counts as
// missing); the value 1000 is dropped. Returns how many; notes what it met
// when `seen` is given.
int RowValues(const std::uint8_t* data, const TextTable& t, const TableRow& row, const ColumnPlan& plan,
              float* out, ReadReport* seen) {
    int n = 0;
    const int features = static_cast<int>(plan.features.size());
    for (int f = 0; f < features + std::max(row.count - plan.columns, 0); ++f) {
        const int column =
            f < features ? plan.features[static_cast<std::size_t>(f)] : plan.columns + 1 + f - features;
        const TableCell* cell = t.Cell(row, column);
        if (!cell) break;
        switch (cell->kind) {
            case TableCell::Number:
                if (cell->value == kDropped) {
                    if (seen && seen->dropped++ == 0) seen->firstDroppedLine = row.line;
                    continue;
                }
                out[n++] = cell->value;
                break;
            case TableCell::NotFinite:
                if (seen && seen->nonFiniteLine == 0) {
                    seen->nonFiniteLine = row.line;
                    seen->nonFiniteToken = Quoted(data, *cell);
                }
                out[n++] = 0.0f;
                break;
            case TableCell::Text:
                if (seen && seen->notNumbers++ == 0) {
                    seen->firstNotNumberLine = row.line;
                    seen->firstNotNumber = Quoted(data, *cell);
                }
                out[n++] = kMissing;
                break;
            case TableCell::Missing:
                out[n++] = kMissing;
                break;
        }
    }
    return n;
}

// Room for the values of the longest row.
std::size_t RowRoom(const TextTable& t) {
    int most = 0;
    for (const TableRow& row : t.rows) most = std::max(most, row.count);
    return static_cast<std::size_t>(most) + 1;
}

// A row with `missing` values missing, at file line `line`.
void NoteMissing(ReadReport& seen, int missing, int line) {
    if (missing == 0) return;
    seen.missing += missing;
    if (seen.missingRows++ == 0) seen.firstMissingLine = line;
}

bool AllMissing(const float* values, int n) {
    return std::all_of(values, values + n, [](float v) { return std::isnan(v); });
}

// The items' classes by what the class column names (ClassText),
// numbered in the order they first appear.
class ClassBook {
public:
    int Number(const std::string& text) {
        if (text.empty()) return 0;
        for (std::size_t k = 0; k < names_.size(); ++k)
            if (names_[k] == text) return static_cast<int>(k) + 1;
        names_.push_back(text);
        return static_cast<int>(names_.size());
    }
    const std::vector<std::string>& Names() const { return names_; }

private:
    std::vector<std::string> names_;
};

// The name and class of item i. A name is as written, NA (a country) and
// the other missing markers too: only an empty field names nothing. A
// class that is missing is none.
void TakeItemFacts(const std::uint8_t* data, const TextTable& t, const TableRow& row, const ColumnPlan& plan,
                   int i, ClassBook& classes, Table& table, ReadReport& seen) {
    if (const TableCell* name = t.Cell(row, plan.namesColumn); name && name->size > 0) {
        if (table.names.empty()) table.names.assign(static_cast<std::size_t>(table.rows) + 1, std::string());
        table.names[static_cast<std::size_t>(i)] = TakeName(CellText(data, *name), row.line, seen);
    }
    if (const TableCell* cls = t.Cell(row, plan.classColumn); cls && cls->kind != TableCell::Missing) {
        const std::string text = ClassText(data, *cls);
        NoteLongName(seen, text, row.line);
        if (table.classes.empty()) table.classes.assign(static_cast<std::size_t>(table.rows) + 1, 0);
        table.classes[static_cast<std::size_t>(i)] = classes.Number(Kept(text));
    }
}

// The classes found (a class column has at most 20 values: the plan takes
// no other).
void TakeClasses(const ClassBook& classes, const ColumnPlan& plan, Table& table, ReadReport& seen) {
    seen.classValues = static_cast<int>(classes.Names().size());
    if (seen.classValues > 0) {
        table.classNames.assign(1, std::string());
        table.classNames.insert(table.classNames.end(), classes.Names().begin(),
                                classes.Names().begin() + std::min(seen.classValues, kMaxClasses));
    }
    if (plan.classColumn > 0)
        table.classHeader =
            TakeName(plan.header[static_cast<std::size_t>(plan.classColumn)], seen.headerLine, seen);
}

// The scan and the columns of a file, with what they tell the user.
using Planner = ColumnPlan (*)(const TextTable&, const std::uint8_t*, const ReadOptions&);
bool Plan(const std::uint8_t* data, long length, char separator, const ReadOptions& options, Planner planner,
          TextTable& table, ReadReport& seen) {
    table = ScanTable(data, length, separator);
    TakeLayout(table, seen);
    if (!seen.notText.empty()) return false;
    seen.firstText = FirstText(data, table);
    seen.columns = planner(table, data, options);
    seen.problem = seen.columns.problem;
    return seen.problem.empty();
}

// A feature column without a value in the rows taken (the first `rows`
// that hold one) is left out, as a column without any value is: it would
// be a component missing from every item. `values` has room for a row.
void LeaveOutEmptyInRowsTaken(const std::uint8_t* data, const TextTable& t, int rows, ColumnPlan& plan,
                              float* values) {
    std::vector<bool> valued(plan.features.size(), false);
    std::size_t unvalued = valued.size();
    int taken = 0;
    for (auto row = t.rows.begin(); row != t.rows.end() && unvalued > 0 && taken < rows; ++row) {
        if (AllMissing(values, RowValues(data, t, *row, plan, values, nullptr))) continue;
        ++taken;
        for (std::size_t f = 0; f < valued.size(); ++f) {
            const TableCell* cell = t.Cell(*row, plan.features[f]);
            if (valued[f] || !cell || (cell->kind != TableCell::Number && cell->kind != TableCell::NotFinite))
                continue;
            valued[f] = true;
            --unvalued;
        }
    }
    if (unvalued == 0 || taken == 0) return;
    for (std::size_t f = valued.size(); f-- > 0;)
        if (!valued[f])
            plan.LeaveOut(plan.features[f],
                          Format("holds no value in the %s taken", Plural(taken, "row", "rows").c_str()),
                          false);
}

// The values most rows hold, of the rows that hold any.
int MostRowsHold(const std::uint8_t* data, const TextTable& t, const ColumnPlan& plan, float* values,
                 ReadReport& seen) {
    std::vector<int> counts;
    counts.reserve(t.rows.size());
    for (const TableRow& row : t.rows) {
        const int n = RowValues(data, t, row, plan, values, nullptr);
        if (AllMissing(values, n)) continue;
        counts.push_back(n);
        seen.widestRow = std::max(seen.widestRow, n);
    }
    return MostCommonCount(counts);
}

// Calls take(row, n, item, dataRow) for each of the first `rows` rows that
// hold a value, in order, after noting what the row has; counts the rows
// without a value and those past the ones taken. Returns the data rows the
// items cover: up to the first row left, rows without a value included.
template <class Take>
int EachItem(const std::uint8_t* data, const TextTable& t, int rows, int dim, const ColumnPlan& plan,
             float* values, ReadReport& seen, Take take) {
    int items = 0, dataRow = 0, covered = static_cast<int>(t.rows.size());
    for (const TableRow& row : t.rows) {
        ++dataRow;
        const bool taking = items < rows;
        const int n = RowValues(data, t, row, plan, values, taking ? &seen : nullptr);
        if (AllMissing(values, n)) {
            if (seen.emptyRows++ == 0) seen.firstEmptyLine = row.line;
            continue;
        }
        if (!taking) {
            if (seen.rowsLeft++ == 0) covered = dataRow - 1;
            continue;
        }
        ++items;
        seen.lastDataLine = row.line;
        if (items == 1) seen.firstRowValues = n;
        if (n < dim && seen.shortRows++ == 0) {
            seen.firstShortLine = row.line;
            seen.firstShortValues = n;
        }
        if (n > dim && seen.longRows++ == 0) {
            seen.firstLongLine = row.line;
            seen.firstLongValues = n;
        }
        if (items > n || items > dim || values[static_cast<std::size_t>(items - 1)] != 0.0f)
            seen.zeroDiagonal = false;
        take(row, n, items, dataRow);
    }
    seen.rowsRead = items;
    return covered;
}

// The vectors of a scanned file: up to `rows` items, their components the
// values most rows hold.
Table TakeVectors(const std::uint8_t* data, const TextTable& t, int rows, ReadReport& seen) {
    std::vector<float> values(RowRoom(t));
    LeaveOutEmptyInRowsTaken(data, t, rows, seen.columns, values.data());
    const ColumnPlan& plan = seen.columns;
    const int dim = MostRowsHold(data, t, plan, values.data(), seen);
    seen.values = dim;
    const int kept = std::min(dim, kMaxDim);
    Table table;
    table.Resize(std::clamp(rows, 0, static_cast<int>(t.rows.size())), kept);
    for (int k = 1; k <= kept && k <= static_cast<int>(plan.features.size()); ++k)
        table.featureNames[static_cast<std::size_t>(k)] = TakeName(
            plan.header[static_cast<std::size_t>(plan.features[static_cast<std::size_t>(k - 1)])],
            seen.headerLine, seen);
    ClassBook classes;
    table.dataRow.assign(static_cast<std::size_t>(table.rows) + 1, 0);
    const int covered = EachItem(data, t, rows, dim, plan, values.data(), seen,
                                 [&](const TableRow& row, int n, int i, int dataRow) {
        table.dataRow[static_cast<std::size_t>(i)] = dataRow;
        float* out = table.Row(i);
        int missing = 0;
        for (int k = 1; k <= kept; ++k) {
            out[k] = k <= n ? values[static_cast<std::size_t>(k - 1)] : kMissing;
            if (std::isnan(out[k])) ++missing;
        }
        table.missing[static_cast<std::size_t>(i)] = missing;
        NoteMissing(seen, missing, row.line);
        TakeItemFacts(data, t, row, plan, i, classes, table, seen);
    });
    table.KeepRows(seen.rowsRead);  // rows without a value are no items
    table.dataRows = covered;
    TakeClasses(classes, plan, table, seen);
    return table;
}

Table Refused(ReadReport& seen) {
    seen.rowsRead = 0;
    return Table{};
}

}  // namespace

Table ParseVectors(const std::uint8_t* data, long length, int rows, char separator,
                   const ReadOptions& options, ReadReport& seen) {
    Reset(seen);
    TextTable scanned;
    if (!Plan(data, length, separator, options, PlanVectorColumns, scanned, seen)) return Refused(seen);
    return TakeVectors(data, scanned, rows, seen);
}

Table ReadVectors(const char* name, int rows, const ReadOptions& options, ReadReport& seen) {
    FileBytes text;
    seen = ReadReport{};
    seen.loaded = LoadFile(name, text, seen.failure);
    if (!seen.loaded) return Table{};
    return ParseVectors(text.data(), static_cast<long>(text.size()), rows, '\t', options, seen);
}

FileShape InspectFile(const char* name, const ReadOptions& options, int rows, ReadReport& seen) {
    ReadVectors(name, rows, options, seen);
    return ShapeOf(seen);
}

FileShape ShapeOf(const ReadReport& seen) {
    if (!seen.loaded || !seen.notText.empty() || !seen.problem.empty()) return {};
    return {seen.rowsRead, seen.values, LooksLikeMatrix(seen)};
}

Table ParseMatrix(const std::uint8_t* data, long length, int rows, char separator, const ReadOptions& options,
                  ReadReport& seen) {
    Reset(seen);
    TextTable scanned;
    if (rows <= 0 || !Plan(data, length, separator, options, PlanMatrixColumns, scanned, seen))
        return Refused(seen);
    const ColumnPlan& plan = seen.columns;
    std::vector<float> values(RowRoom(scanned));
    Table table;
    table.Resize(std::min(rows, static_cast<int>(scanned.rows.size())), static_cast<int>(values.size()) - 1);
    ClassBook none;
    for (const TableRow& row : scanned.rows) {
        if (seen.rowsRead == rows) {
            ++seen.rowsLeft;
            continue;
        }
        const int r = ++seen.rowsRead;
        const int n = RowValues(data, scanned, row, plan, values.data(), &seen);
        seen.lastRowValues = n;
        seen.lastDataLine = row.line;
        seen.widestRow = std::max(seen.widestRow, n);
        if (r == 1)
            seen.firstRowValues = n;
        else if (n != seen.firstRowValues && seen.shortRows++ == 0) {
            seen.firstShortLine = row.line;
            seen.firstShortValues = n;
        }
        int missing = 0;
        float* out = table.Row(r);
        for (int c = 1; c <= n; ++c) {
            out[c] = values[static_cast<std::size_t>(c - 1)];
            if (std::isnan(out[c])) ++missing;
        }
        table.missing[static_cast<std::size_t>(r)] = missing;
        NoteMissing(seen, missing, row.line);
        if (r > n || values[static_cast<std::size_t>(r - 1)] != 0.0f) seen.zeroDiagonal = false;
        TakeItemFacts(data, scanned, row, plan, r, none, table, seen);
    }
    seen.values = seen.firstRowValues;
    // Without a column of names, the header names the items.
    if (plan.namesColumn == 0)
        for (int r = 1; r <= seen.rowsRead && r < static_cast<int>(plan.header.size()); ++r) {
            const std::string& name = plan.header[static_cast<std::size_t>(r)];
            if (name.empty()) continue;
            if (table.names.empty()) table.names.assign(static_cast<std::size_t>(table.rows) + 1, std::string());
            table.names[static_cast<std::size_t>(r)] = TakeName(name, seen.headerLine, seen);
        }
    return table;
}

Table ReadMatrix(const char* name, int rows, const ReadOptions& options, ReadReport& seen) {
    FileBytes text;
    seen = ReadReport{};
    seen.loaded = LoadFile(name, text, seen.failure);
    if (!seen.loaded) return Table{};
    return ParseMatrix(text.data(), static_cast<long>(text.size()), rows, '\t', options, seen);
}

bool TableRead::Answers(const char* file, int asked, const ReadOptions& with) const {
    return name == file && options == with && report.loaded &&
           (asked == rows || (report.rowsLeft == 0 && asked >= report.rowsRead && asked >= rows));
}
