// The vector and distance-matrix readers: a scanned table's columns and
// rows into the Workspace.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "form/Status.h"
#include "text/Numbers.h"
#include "text/Utf8.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

namespace {

constexpr float kDropped = 1000.0f;  // the input readers drop this value
constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();

// A name of the Workspace, cut at the start of a character when too long.
void SetName(char (&target)[kNameSize], std::string_view text) {
    const std::size_t n = CharacterStart(text, sizeof target - 1);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

// A name from line `line` that is too long for the Workspace is counted.
void NoteLongName(ReadReport& seen, std::string_view text, int line) {
    if (text.size() < static_cast<std::size_t>(kNameSize)) return;
    if (seen.longNames++ == 0 || line < seen.firstLongNameLine) seen.firstLongNameLine = line;
}

void TakeName(char (&target)[kNameSize], std::string_view text, int line, ReadReport& seen) {
    NoteLongName(seen, text, line);
    SetName(target, text);
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
                   int i, ClassBook& classes, ReadReport& seen) {
    if (const TableCell* name = t.Cell(row, plan.namesColumn); name && name->size > 0)
        TakeName(ws.ItemName[i], CellText(data, *name), row.line, seen);
    if (const TableCell* cls = t.Cell(row, plan.classColumn); cls && cls->kind != TableCell::Missing) {
        const std::string text = ClassText(data, *cls);
        NoteLongName(seen, text, row.line);
        ws.ItemClass[i] = classes.Number(text);
    }
}

// The classes found into the Workspace (a class column has at most 20
// values: the plan takes no other).
void TakeClasses(const ClassBook& classes, const ColumnPlan& plan, ReadReport& seen) {
    seen.classValues = static_cast<int>(classes.Names().size());
    ws.ClassCount = std::min(seen.classValues, kMaxClasses);
    for (int k = 1; k <= ws.ClassCount; ++k)
        SetName(ws.ClassName[k], classes.Names()[static_cast<std::size_t>(k - 1)]);
    if (plan.classColumn > 0)
        TakeName(ws.ClassHeader, plan.header[static_cast<std::size_t>(plan.classColumn)], seen.headerLine,
                 seen);
}

// The scan and the columns of a file, with what they tell the user.
bool Plan(const std::uint8_t* data, long length, char separator, const ReadOptions& options, bool matrix,
          TextTable& table, ReadReport& seen) {
    table = ScanTable(data, length, separator);
    TakeLayout(table, seen);
    if (!seen.notText.empty()) return false;
    seen.firstText = FirstText(data, table);
    seen.columns = PlanColumns(table, data, options, matrix);
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

// Reads the feature vectors: the shape into seen, and, when storing, up to
// `rows` items into the Workspace from row firstRow on. Returns the values
// most rows hold.
int TakeVectors(const std::uint8_t* data, const TextTable& t, int rows, int firstRow, bool store,
                ReadReport& seen) {
    std::vector<float> values(RowRoom(t));
    LeaveOutEmptyInRowsTaken(data, t, rows, seen.columns, values.data());
    const ColumnPlan& plan = seen.columns;
    std::vector<int> counts;
    counts.reserve(t.rows.size());
    for (const TableRow& row : t.rows) {
        const int n = RowValues(data, t, row, plan, values.data(), nullptr);
        if (AllMissing(values.data(), n)) continue;
        counts.push_back(n);
        seen.widestRow = std::max(seen.widestRow, n);
    }
    const int dim = MostCommonCount(counts);
    seen.values = dim;
    if (store) {
        ws.ClearTable();
        for (int k = 1; k <= std::min(dim, kMaxDim); ++k)
            if (k <= static_cast<int>(plan.features.size()))
                TakeName(
                    ws.FeatureName[k],
                    plan.header[static_cast<std::size_t>(plan.features[static_cast<std::size_t>(k - 1)])],
                    seen.headerLine, seen);
    }

    ClassBook classes;
    int items = 0;
    for (const TableRow& row : t.rows) {
        const bool taking = items < rows;
        const int n = RowValues(data, t, row, plan, values.data(), taking ? &seen : nullptr);
        if (AllMissing(values.data(), n)) {
            if (seen.emptyRows++ == 0) seen.firstEmptyLine = row.line;
            continue;
        }
        if (!taking) {
            ++seen.rowsLeft;
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
        const int kept = std::min(dim, kMaxDim);
        int missing = 0;
        for (int k = 0; k < kept; ++k)
            if (k >= n || std::isnan(values[static_cast<std::size_t>(k)])) ++missing;
        NoteMissing(seen, missing, row.line);
        if (items > n || items > dim || values[static_cast<std::size_t>(items - 1)] != 0.0f)
            seen.zeroDiagonal = false;

        const int i = firstRow - 1 + items;
        if (!store || i < 1 || i > kInputRows) continue;
        for (int k = 1; k <= kept; ++k)
            ws.InputVectors[i][k] = k <= n ? values[static_cast<std::size_t>(k - 1)] : kMissing;
        ws.ItemMissing[i] = missing;
        TakeItemFacts(data, t, row, plan, i, classes, seen);
    }
    seen.rowsRead = items;
    if (store) TakeClasses(classes, plan, seen);
    return dim;
}

}  // namespace

int ParseVectors(Form& form, const std::uint8_t* data, long length, int rows, int firstRow, char separator,
                 const ReadOptions& options, ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    Reset(seen);
    TextTable table;
    if (!Plan(data, length, separator, options, false, table, seen)) return 0;
    const int dim = TakeVectors(data, table, rows, firstRow, true, seen);
    if (seen.rowsRead < rows)
        form.MemoAppend(Format("data No: %d,  dim: %d", seen.rowsRead, seen.firstRowValues));
    return dim;
}

FileShape InspectFile(const char* name, const ReadOptions& options, int rows, ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    seen = ReadReport{};
    const long length = LoadFile(name, ws.FileBuffer, &seen.failure);
    if (length < 0) return {};
    seen.loaded = true;
    Reset(seen);
    TextTable table;
    if (!Plan(ws.FileBuffer, length, '\t', options, false, table, seen)) return {};
    const int dim = TakeVectors(ws.FileBuffer, table, rows, 1, false, seen);
    return {seen.rowsRead, dim, LooksLikeMatrix(seen)};
}

int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator,
                        const ReadOptions& options, ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    Reset(seen);
    if (rows <= 0) return 0;
    TextTable table;
    if (!Plan(data, length, separator, options, true, table, seen)) return 0;
    const ColumnPlan& plan = seen.columns;
    ws.ClearTable();
    ClassBook none;
    int lastCount = 0;
    std::vector<float> values(RowRoom(table));
    for (const TableRow& row : table.rows) {
        if (seen.rowsRead == rows) {
            ++seen.rowsLeft;
            continue;
        }
        const int r = ++seen.rowsRead;
        const int n = RowValues(data, table, row, plan, values.data(), &seen);
        lastCount = n;
        seen.lastDataLine = row.line;
        seen.widestRow = std::max(seen.widestRow, n);
        if (r == 1)
            seen.firstRowValues = n;
        else if (n != seen.firstRowValues && seen.shortRows++ == 0) {
            seen.firstShortLine = row.line;
            seen.firstShortValues = n;
        }
        int missing = 0;
        for (int c = 1; c <= n; ++c) {
            const float v = values[static_cast<std::size_t>(c - 1)];
            if (std::isnan(v)) ++missing;
            if (r <= kMaxMapItems && c <= kMaxMapItems) ws.DistMatrix[r][c] = v;
        }
        NoteMissing(seen, missing, row.line);
        if (r > n || values[static_cast<std::size_t>(r - 1)] != 0.0f) seen.zeroDiagonal = false;
        if (r <= kInputRows) TakeItemFacts(data, table, row, plan, r, none, seen);
    }
    seen.values = seen.firstRowValues;
    // Without a column of names, the header names the items.
    if (plan.namesColumn == 0)
        for (int r = 1; r <= std::min(seen.rowsRead, kInputRows); ++r)
            if (r < static_cast<int>(plan.header.size()))
                TakeName(ws.ItemName[r], plan.header[static_cast<std::size_t>(r)], seen.headerLine, seen);
    if (seen.rowsRead < rows) return 0;  // fewer rows than asked for: no matrix
    return lastCount;
}
