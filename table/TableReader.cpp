#include "table/TableReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "text/Words.h"
#include "table/Capacities.h"
#include "table/FileText.h"
#include "table/ReadNotes.h"
#include "text/Numbers.h"
#include "text/Utf8.h"

namespace {

constexpr float kDropped = 1000.0f;  // a plain tab file's readers drop this value
constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
// A read starts with the file's first MiB, and reads on only while the rows
// it takes are not all in what it has.
constexpr long long kFirstBytes = 1LL << 20;

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
std::string Quoted(std::string text) {
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
    seen.restUnread = !t.complete;
    for (const TableCell& c : t.cells)
        if (c.Is(CellKind::Number)) ++seen.numbers;
}

void Reset(ReadReport& seen) {
    const bool loaded = seen.loaded;
    seen = ReadReport{};
    seen.loaded = loaded;
    seen.zeroDiagonal = true;
}

// The first text field of the table, for a file without numbers.
std::string FirstText(const std::uint8_t* data, const TextTable& t) {
    for (const TableRow& row : t.rows)
        for (int c = 1; c <= row.count; ++c)
            if (t.Cell(row, c)->Is(CellKind::Text)) return Quoted(t.CellText(data, row, c));
    return {};
}

// A scanned file with the roles of its columns, and whether its value 1000
// is dropped: in a plain tab file alone, without a header, quotes, decimal
// commas or a column of names or class, as the tool has always read those.
struct Scanned {
    const std::uint8_t* data;  // null once the file's bytes are gone
    const TextTable& t;
    const ColumnPlan& plan;
    bool drops;
};

bool DropsThousand(const TextTable& t, const ColumnPlan& plan) {
    return t.separator == '\t' && t.headerKind == HeaderKind::None && !t.quotedFields && !t.decimalComma &&
           (plan.namesColumn == 0 || plan.indexNames) && plan.classColumn == 0;
}

// The values of one row, in order, into out (room for every field of the
// row): its feature columns and any fields past the columns most rows
// have; a number, or not a number where it is missing (text counts as
// missing); the value 1000 of a plain tab file is dropped. Returns how
// many; notes what it met when `seen` is given (which needs the file's
// bytes).
int RowValues(const Scanned& s, const TableRow& row, float* out, ReadReport* seen) {
    int n = 0;
    const ColumnPlan& plan = s.plan;
    const int features = static_cast<int>(plan.features.size());
    bool dropped = false, shifted = false;
    for (int f = 0; f < features + std::max(row.count - plan.columns, 0); ++f) {
        const int column =
            f < features ? plan.features[static_cast<std::size_t>(f)] : plan.columns + 1 + f - features;
        const TableCell* cell = s.t.Cell(row, column);
        if (!cell) break;
        switch (cell->Kind()) {
            case CellKind::Number:
                if (s.drops && cell->bits == kDropped) {
                    if (seen && seen->dropped++ == 0) seen->firstDroppedLine = row.line;
                    dropped = true;
                    continue;
                }
                out[n++] = cell->bits;
                break;
            case CellKind::NotFinite:
                if (seen && seen->nonFiniteLine == 0) {
                    seen->nonFiniteLine = row.line;
                    seen->nonFiniteToken = Quoted(s.t.CellText(s.data, row, column));
                }
                out[n++] = 0.0f;
                break;
            case CellKind::Text:
                if (seen && seen->notNumbers++ == 0) {
                    seen->firstNotNumberLine = row.line;
                    seen->firstNotNumber = Quoted(s.t.CellText(s.data, row, column));
                }
                out[n++] = kMissing;
                break;
            case CellKind::Missing:
                out[n++] = kMissing;
                break;
        }
        // A value after a dropped one has moved one column to the left.
        if (dropped && !shifted && seen) {
            shifted = true;
            ++seen->shiftedRows;
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

// The names and classes of items 1..n, as a read collects them before the
// values (the file's bytes are gone by then).
struct ItemFacts {
    std::vector<std::string> names;  // empty when no item has one
    std::vector<int> classes;        // empty when no item has one
};

// The name and class of item i, from the row's fields (`fields` has
// room). A name is as written, NA (a country) and the other missing
// markers too: only an empty field names nothing. A class that is missing
// is none.
void TakeItemFacts(const Scanned& s, const TableRow& row, int i, int items, ClassBook& classes, ItemFacts& facts,
                   std::vector<FieldView>& fields, ReadReport& seen) {
    const ColumnPlan& plan = s.plan;
    const TableCell* name = s.t.Cell(row, plan.namesColumn);
    const TableCell* cls = s.t.Cell(row, plan.classColumn);
    if (!name && !cls) return;
    s.t.Fields(s.data, row, fields, std::max(name ? plan.namesColumn : 0, cls ? plan.classColumn : 0));
    if (name) {
        std::string text = Unescaped(fields[static_cast<std::size_t>(plan.namesColumn - 1)]);
        if (!text.empty()) {
            if (facts.names.empty()) facts.names.assign(static_cast<std::size_t>(items) + 1, std::string());
            facts.names[static_cast<std::size_t>(i)] = TakeName(text, row.line, seen);
        }
    }
    if (cls && !cls->Is(CellKind::Missing)) {
        const std::string text = ClassText(*cls, fields[static_cast<std::size_t>(plan.classColumn - 1)],
                                           plan.text[static_cast<std::size_t>(plan.classColumn)]);
        NoteLongName(seen, text, row.line);
        if (facts.classes.empty()) facts.classes.assign(static_cast<std::size_t>(items) + 1, 0);
        facts.classes[static_cast<std::size_t>(i)] = classes.Number(Kept(text));
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
bool Plan(const std::uint8_t* data, long length, bool complete, char separator, const ReadOptions& options,
          Planner planner, TextTable& table, ReadReport& seen) {
    table = ScanTable(data, length, separator, complete);
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
void LeaveOutEmptyInRowsTaken(const TextTable& t, int rows, ColumnPlan& plan, bool drops, float* values) {
    std::vector<bool> valued(plan.features.size(), false);
    std::size_t unvalued = valued.size();
    int taken = 0;
    const Scanned s{nullptr, t, plan, drops};
    for (auto row = t.rows.begin(); row != t.rows.end() && unvalued > 0 && taken < rows; ++row) {
        if (AllMissing(values, RowValues(s, *row, values, nullptr))) continue;
        ++taken;
        for (std::size_t f = 0; f < valued.size(); ++f) {
            const TableCell* cell = t.Cell(*row, plan.features[f]);
            if (valued[f] || !cell || (!cell->Is(CellKind::Number) && !cell->Is(CellKind::NotFinite))) continue;
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
int MostRowsHold(const Scanned& s, float* values, ReadReport& seen) {
    std::vector<int> counts;
    counts.reserve(s.t.rows.size());
    for (const TableRow& row : s.t.rows) {
        const int n = RowValues(s, row, values, nullptr);
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
int EachItem(const Scanned& s, int rows, int dim, float* values, ReadReport& seen, Take take) {
    int items = 0, dataRow = 0, covered = static_cast<int>(s.t.rows.size());
    for (const TableRow& row : s.t.rows) {
        ++dataRow;
        const bool taking = items < rows;
        const int n = RowValues(s, row, values, taking ? &seen : nullptr);
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

// How much of a file a read asks for next, when the rows it takes are not
// all in the part it has: as many bytes as those rows and one more took so
// far, a quarter more.
long long MoreBytes(const TextTable& t, int rows, int items) {
    const double perItem = static_cast<double>(std::max(t.scanned, 1L)) / std::max(items, 1);
    return static_cast<long long>(std::min(perItem * (static_cast<double>(rows) + 2) * 1.25, 1e18));
}

// The vectors of a scanned file: up to `rows` items, their components the
// values most rows hold. The names and classes are taken with the notes
// that quote the file; then, unless the values fit beside the file's bytes
// and cells in three quarters of the file's size again, `release` lets the
// bytes go before the values take their room: a read keeps to twice the
// file's size. Nothing, with `more` set to the
// bytes to read, when the data are a file's start that holds too few rows.
std::optional<Table> TakeVectors(const std::uint8_t* data, const TextTable& t, int rows, ReadReport& seen,
                                 const std::function<void()>& release, long long* more) {
    std::vector<float> values(RowRoom(t));
    const bool drops = DropsThousand(t, seen.columns);
    LeaveOutEmptyInRowsTaken(t, rows, seen.columns, drops, values.data());
    const ColumnPlan& plan = seen.columns;
    Scanned s{data, t, plan, drops};
    const int dim = MostRowsHold(s, values.data(), seen);
    seen.values = dim;
    const int kept = std::min(dim, kMaxDim);
    const int most = std::clamp(rows, 0, static_cast<int>(t.rows.size()));
    const auto room = [](std::size_t n, std::size_t each) { return n * each; };
    const std::size_t tableBytes = room(static_cast<std::size_t>(most) + 1, (static_cast<std::size_t>(kept) + 2) * 4);
    const bool direct = !release || tableBytes + room(t.cells.size(), sizeof(TableCell)) +
                                            room(t.rows.size(), sizeof(TableRow)) <=
                                        static_cast<std::size_t>(t.scanned) / 4 * 3;

    Table table;
    const auto fill = [&](int i, int n, int line) {
        float* out = table.Row(i);
        int missing = 0;
        for (int k = 1; k <= kept; ++k) {
            out[k] = k <= n ? values[static_cast<std::size_t>(k - 1)] : kMissing;
            if (std::isnan(out[k])) ++missing;
        }
        table.missing[static_cast<std::size_t>(i)] = missing;
        NoteMissing(seen, missing, line);
    };
    if (direct) table.Resize(most, kept);
    ClassBook classes;
    ItemFacts facts;
    std::vector<FieldView> fields;
    std::vector<std::uint32_t> itemRows(1, 0);  // of items 1..n: their row's index among the rows
    std::vector<int> dataRows(1, 0);
    const int covered = EachItem(s, rows, dim, values.data(), seen, [&](const TableRow& row, int n, int i, int dataRow) {
        itemRows.push_back(static_cast<std::uint32_t>(&row - t.rows.data()));
        dataRows.push_back(dataRow);
        if (direct) fill(i, n, row.line);
        TakeItemFacts(s, row, i, most, classes, facts, fields, seen);
    });
    if (!t.complete && seen.rowsLeft == 0) {
        *more = MoreBytes(t, rows, seen.rowsRead + seen.emptyRows);
        return std::nullopt;
    }
    std::vector<std::string> featureNames(static_cast<std::size_t>(kept) + 1);
    for (int k = 1; k <= kept && k <= static_cast<int>(plan.features.size()); ++k)
        featureNames[static_cast<std::size_t>(k)] = TakeName(
            plan.header[static_cast<std::size_t>(plan.features[static_cast<std::size_t>(k - 1)])],
            seen.headerLine, seen);
    if (direct) {
        table.KeepRows(seen.rowsRead);
    } else {
        release();
        s.data = nullptr;
        table.Resize(seen.rowsRead, kept);
        for (int i = 1; i <= seen.rowsRead; ++i) {
            const TableRow& row = t.rows[itemRows[static_cast<std::size_t>(i)]];
            fill(i, RowValues(s, row, values.data(), nullptr), row.line);
        }
    }
    table.featureNames = std::move(featureNames);
    if (!facts.names.empty()) facts.names.resize(static_cast<std::size_t>(seen.rowsRead) + 1);
    if (!facts.classes.empty()) facts.classes.resize(static_cast<std::size_t>(seen.rowsRead) + 1);
    table.names = std::move(facts.names);
    table.classes = std::move(facts.classes);
    table.dataRow = std::move(dataRows);
    table.dataRows = covered;
    TakeClasses(classes, plan, table, seen);
    return table;
}

Table Refused(ReadReport& seen) {
    seen.rowsRead = 0;
    return Table{};
}

// ParseVectors over data that may be only a file's start: nothing, with
// `more` set, when it holds too few of the rows.
std::optional<Table> ParseVectorsFrom(const std::uint8_t* data, long length, bool complete, int rows, char separator,
                                      const ReadOptions& options, ReadReport& seen,
                                      const std::function<void()>& release, long long* more) {
    Reset(seen);
    TextTable scanned;
    if (!Plan(data, length, complete, separator, options, PlanVectorColumns, scanned, seen)) return Refused(seen);
    return TakeVectors(data, scanned, rows, seen, release, more);
}

std::optional<Table> ParseMatrixFrom(const std::uint8_t* data, long length, bool complete, int rows, char separator,
                                     const ReadOptions& options, ReadReport& seen, long long* more) {
    Reset(seen);
    TextTable scanned;
    if (rows <= 0) return Refused(seen);
    if (!Plan(data, length, complete, separator, options, PlanMatrixColumns, scanned, seen)) return Refused(seen);
    if (!scanned.complete && static_cast<int>(scanned.rows.size()) <= rows) {
        *more = MoreBytes(scanned, rows, static_cast<int>(scanned.rows.size()));
        return std::nullopt;
    }
    const ColumnPlan& plan = seen.columns;
    const Scanned s{data, scanned, plan, DropsThousand(scanned, plan)};
    std::vector<float> values(RowRoom(scanned));
    Table table;
    table.Resize(std::min(rows, static_cast<int>(scanned.rows.size())), static_cast<int>(values.size()) - 1);
    ClassBook none;
    ItemFacts facts;
    std::vector<FieldView> fields;
    for (const TableRow& row : scanned.rows) {
        if (seen.rowsRead == rows) {
            ++seen.rowsLeft;
            continue;
        }
        const int r = ++seen.rowsRead;
        const int n = RowValues(s, row, values.data(), &seen);
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
        TakeItemFacts(s, row, r, table.rows, none, facts, fields, seen);
    }
    table.names = std::move(facts.names);
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

// Reads a file's start, and more of it while `parse` asks for more: a
// table of millions of rows is not read whole for the first few hundred.
// A start with fewer lines than the rows asked for is not parsed at all.
template <class Parse>
Table ReadFileStart(const char* name, int rows, ReadReport& seen, Parse parse) {
    seen = ReadReport{};
    FileStart file;
    seen.loaded = file.Open(name, seen.failure);
    long long want = kFirstBytes;
    while (seen.loaded) {
        seen.loaded = file.ReadTo(want, seen.failure);
        if (!seen.loaded) break;
        FileBytes& text = file.Text();
        long long more = 0;
        const auto lines = file.Whole() ? 0 : std::count(text.begin(), text.end(), '\n');
        if (!file.Whole() && lines <= rows + 1) {
            const double perLine = static_cast<double>(text.size()) / static_cast<double>(std::max<long>(lines, 1));
            more = static_cast<long long>(std::min(perLine * (static_cast<double>(rows) + 2) * 1.25, 1e18));
        } else {
            std::optional<Table> table =
                parse(text.data(), static_cast<long>(text.size()), file.Whole(), [&] { file.Release(); }, &more);
            if (table) return std::move(*table);
        }
        want = std::max(more, 2 * want);
    }
    return Table{};
}

}  // namespace

Table ParseVectors(const std::uint8_t* data, long length, int rows, char separator, const ReadOptions& options,
                   ReadReport& seen) {
    long long more = 0;
    return *ParseVectorsFrom(data, length, true, rows, separator, options, seen, {}, &more);
}

Table ReadVectors(const char* name, int rows, const ReadOptions& options, ReadReport& seen) {
    return ReadFileStart(name, rows, seen,
                         [&](const std::uint8_t* data, long length, bool whole, const std::function<void()>& release,
                             long long* more) {
                             return ParseVectorsFrom(data, length, whole, rows, '\t', options, seen, release, more);
                         });
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
    long long more = 0;
    return *ParseMatrixFrom(data, length, true, rows, separator, options, seen, &more);
}

Table ReadMatrix(const char* name, int rows, const ReadOptions& options, ReadReport& seen) {
    return ReadFileStart(name, rows, seen,
                         [&](const std::uint8_t* data, long length, bool whole, const std::function<void()>&,
                             long long* more) {
                             return ParseMatrixFrom(data, length, whole, rows, '\t', options, seen, more);
                         });
}

bool TableRead::Answers(const char* file, int asked, const ReadOptions& with) const {
    return name == file && options == with && report.loaded &&
           (asked == rows || (report.rowsLeft == 0 && asked >= report.rowsRead && asked >= rows));
}
