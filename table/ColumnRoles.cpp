#include "table/ColumnRoles.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "text/Numbers.h"
#include "table/Capacities.h"

namespace {

constexpr int kMinCountingRows = 3;  // fewer rows count by chance

// The values of the first rows that hold any, each column's apart by commas.
std::vector<std::string> FirstValues(const TextTable& table, const std::uint8_t* data, int columns) {
    constexpr std::size_t kRows = 3;
    std::vector<std::string> values(static_cast<std::size_t>(columns) + 1);
    std::vector<FieldView> fields;
    for (std::size_t r = 0; r < std::min(kRows, table.rows.size()); ++r) {
        table.Fields(data, table.rows[r], fields);
        for (int c = 1; c <= columns; ++c) {
            const TableCell* cell = table.Cell(table.rows[r], c);
            std::string& v = values[static_cast<std::size_t>(c)];
            v += (r > 0 ? ", " : "") + (cell && !cell->Is(CellKind::Missing) && static_cast<std::size_t>(c) <= fields.size()
                                            ? Unescaped(fields[static_cast<std::size_t>(c - 1)])
                                            : std::string("NA"));
        }
    }
    return values;
}

// What the scan saw of columns 1..columns, each column a row reaches.
std::vector<ColumnSeen> Measure(const TextTable& table, int columns) {
    std::vector<ColumnSeen> stats(table.columns.begin(),
                                  table.columns.begin() + std::min<std::ptrdiff_t>(columns + 1, std::ssize(table.columns)));
    stats.resize(static_cast<std::size_t>(columns) + 1);
    for (ColumnSeen& s : stats)
        if (s.rows < static_cast<int>(table.rows.size())) s.countsFrom1 = s.countsFrom0 = false;
    return stats;
}

// The column an option names: a number, or a header name (exact, then in
// any case); 0 for "0"; -1 when none fits.
int ColumnNamed(const std::string& given, const ColumnPlan& plan) {
    if (given.find_first_not_of("0123456789") == std::string::npos) {
        const int c = ParseInt(given);
        return c >= 0 && c <= plan.columns ? c : -1;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int c = 1; c <= plan.columns; ++c) {
            const std::string& h = plan.header[static_cast<std::size_t>(c)];
            if (h == given) return c;
            if (pass == 1 && EqualsIgnoringCase(h, given)) return c;
        }
    return -1;
}

// The distinct values of a column: the classes it would give.
int DistinctValues(const TextTable& table, const std::uint8_t* data, int column, bool asWritten) {
    std::unordered_set<std::string> distinct;
    std::vector<FieldView> fields;
    for (const TableRow& row : table.rows)
        if (const TableCell* cell = table.Cell(row, column); cell && !cell->Is(CellKind::Missing)) {
            table.Fields(data, row, fields, column);
            distinct.insert(ClassText(*cell, fields[static_cast<std::size_t>(column - 1)], asWritten));
        }
    return static_cast<int>(distinct.size());
}

// Whether a header calls its column the class, in any case and between
// blanks: the words R, pandas and scikit-learn tables use for one.
bool NamesAClass(std::string_view header) {
    while (!header.empty() && header.front() == ' ') header.remove_prefix(1);
    while (!header.empty() && header.back() == ' ') header.remove_suffix(1);
    for (const char* word : {"class", "target", "label", "labels", "species", "y", "group", "category",
                             "type", "cluster", "diagnosis", "outcome"})
        if (EqualsIgnoringCase(header, word)) return true;
    return false;
}

// How an option reaches a column: by its name when that is one plain word
// naming this column, else by its number.
std::string ColumnAsked(int column, const ColumnPlan& plan) {
    const std::string& name = plan.header[static_cast<std::size_t>(column)];
    const bool plain =
        !name.empty() && name.front() != '-' && std::all_of(name.begin(), name.end(), [](char ch) {
            return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                   ch == '.' || ch == '_' || ch == '-';
        });
    return plain && ColumnNamed(name, plan) == column ? name : std::to_string(column);
}

std::string NoSuchColumn(const char* what, const std::string& given, const ColumnPlan& plan) {
    std::string names;
    for (int c = 1; c <= plan.columns; ++c)
        if (!plan.header[static_cast<std::size_t>(c)].empty())
            names += (names.empty() ? "" : ", ") + plan.header[static_cast<std::size_t>(c)];
    std::string why = Format("the %s column \"%s\" is not in the file: it has %d columns", what,
                             given.c_str(), plan.columns);
    if (!names.empty()) why += ", named " + names;
    return why;
}

}  // namespace

bool IsWhole(float value) {
    return std::floor(value) == value;
}

std::string ClassText(const TableCell& cell, const FieldView& field, bool asWritten) {
    return !asWritten && cell.Is(CellKind::Number) && IsWhole(cell.bits)
               ? Format("%.0f", static_cast<double>(cell.bits) + 0.0)  // + 0.0: no "-0"
               : Unescaped(field);
}

std::string ColumnPlan::ColumnWords(int column) const {
    const std::string& name =
        column >= 1 && column <= columns ? header[static_cast<std::size_t>(column)] : std::string();
    return name.empty() ? Format("column %d", column) : Format("column %d \"%s\"", column, name.c_str());
}

void ColumnPlan::LeaveOut(int column, std::string why, bool asked) {
    role[static_cast<std::size_t>(column)] = ColumnRole::LeftOut;
    const auto after =
        std::find_if(leftOut.begin(), leftOut.end(), [&](const LeftOut& o) { return o.column > column; });
    leftOut.insert(after, {column, std::move(why), asked});
    features.erase(std::remove(features.begin(), features.end(), column), features.end());
}

std::string ColumnPlan::FeatureWords(int k) const {
    return ColumnWords(
        k >= 1 && k <= static_cast<int>(features.size()) ? features[static_cast<std::size_t>(k - 1)] : k);
}

namespace {

// What planning the columns knows as it goes: the table, what each column
// holds, and the plan so far.
struct Planning {
    const TextTable& table;
    const std::uint8_t* data;
    bool matrix;
    int rows = 0;
    std::vector<ColumnSeen> stats;
    ColumnPlan plan;
    bool rowNames = false;  // the header leaves the first column unnamed

    const ColumnSeen& Seen(int c) const { return stats[static_cast<std::size_t>(c)]; }
    ColumnRole& Role(int c) { return plan.role[static_cast<std::size_t>(c)]; }
    const std::string& Header(int c) const { return plan.header[static_cast<std::size_t>(c)]; }
    // More of its values text than numbers.
    bool IsText(int c) const { return Seen(c).present > 0 && Seen(c).text * 2 > Seen(c).present; }
    // Values that repeat as a class's do: at most 20, fewer than half the rows.
    bool Repeats(int distinct) const { return distinct <= kMaxClasses && distinct * 2 < rows; }
    // The distinct values of a column of whole numbers that repeat so, two
    // at least (one value tells no items apart); 0 for any other column.
    int WholeClass(int c) const {
        const int distinct = Seen(c).wholeValues;
        return !matrix && Seen(c).whole && distinct >= 2 && Repeats(distinct) ? distinct : 0;
    }
    bool Counting(int c) const {
        return !matrix && rows >= kMinCountingRows && (Seen(c).countsFrom1 || Seen(c).countsFrom0);
    }
    void Refuse(std::string why) {
        if (plan.problem.empty()) plan.problem = std::move(why);
    }
};

// The columns (the count most rows have), their header names (a header one
// short names all but the first), and which hold text.
void StartPlan(Planning& p) {
    ColumnPlan& plan = p.plan;
    std::vector<int> counts;
    counts.reserve(p.table.rows.size());
    for (const TableRow& row : p.table.rows) counts.push_back(row.count);
    plan.columns = MostCommonCount(counts);
    const auto size = static_cast<std::size_t>(plan.columns) + 1;
    plan.role.assign(size, ColumnRole::Feature);
    plan.header.assign(size, std::string());
    const int headerFields = static_cast<int>(p.table.header.size());
    const bool shortHeader = headerFields > 0 && headerFields + 1 == plan.columns;
    p.rowNames = shortHeader || (headerFields > 0 && p.table.header[0].empty());
    for (int c = 1; c <= plan.columns; ++c) {
        const int h = shortHeader ? c - 2 : c - 1;
        if (h >= 0 && h < headerFields)
            plan.header[static_cast<std::size_t>(c)] = p.table.header[static_cast<std::size_t>(h)];
    }
    p.rows = static_cast<int>(p.table.rows.size());
    plan.rows = p.rows;
    p.stats = Measure(p.table, plan.columns);
    plan.text.assign(size, false);
    for (int c = 1; c <= plan.columns; ++c) plan.text[static_cast<std::size_t>(c)] = p.IsText(c);
    plan.firstValues = FirstValues(p.table, p.data, plan.columns);
}

// The columns the user named: -1 for a role nobody named.
struct Asked {
    int names = -1, classes = -1;
    std::vector<bool> skipped;
    bool Skipped(int c) const { return skipped[static_cast<std::size_t>(c)]; }
};

// What the user named. A column that is not there, one named for two
// roles, or a class of too many values cannot be used: the plan says why,
// and nothing more is planned, so that no other column takes a role
// because of it. The columns skipped are left out.
Asked TakeWhatWasAsked(Planning& p, const ReadOptions& options) {
    ColumnPlan& plan = p.plan;
    const auto named = [&](const std::string& given, const char* what) {
        if (given.empty()) return -1;
        const int c = ColumnNamed(given, plan);
        if (c < 0) p.Refuse(NoSuchColumn(what, given, plan));
        return std::max(c, 0);
    };
    Asked asked;
    asked.names = named(options.names, "names");
    asked.classes = p.matrix ? 0 : named(options.classes, "class");
    asked.skipped.assign(static_cast<std::size_t>(plan.columns) + 1, false);
    for (const std::string& given : options.skip)
        if (const int c = named(given, "skipped"); c > 0) asked.skipped[static_cast<std::size_t>(c)] = true;
    const auto twice = [&](int c, const char* one, const char* other) {
        if (c > 0) p.Refuse(Format("--%s and --%s both name %s", one, other, plan.ColumnWords(c).c_str()));
    };
    if (asked.names == asked.classes) twice(asked.names, "names", "class");
    if (asked.names > 0 && asked.Skipped(asked.names)) twice(asked.names, "names", "skip");
    if (asked.classes > 0 && asked.Skipped(asked.classes)) twice(asked.classes, "class", "skip");
    if (asked.classes > 0) {
        const int values =
            DistinctValues(p.table, p.data, asked.classes, plan.text[static_cast<std::size_t>(asked.classes)]);
        if (values > kMaxClasses)
            p.Refuse(Format("--class: %s holds %d values; a class has at most %d",
                            plan.ColumnWords(asked.classes).c_str(), values, kMaxClasses));
    }
    if (plan.problem.empty())
        for (int c = 1; c <= plan.columns; ++c)
            if (asked.Skipped(c)) plan.LeaveOut(c, "as asked", true);
    return asked;
}

// The reader's own choice of names and class among the columns nobody
// named: text of few values is a class, other text and unnamed first
// columns names; a column without any value (a comma at every line's end)
// is none of them. Text is no feature, nor are row names, even when they
// are numbers and the names are taken from elsewhere.
void ChooseNamesAndClass(Planning& p, const Asked& asked) {
    ColumnPlan& plan = p.plan;
    std::vector<int> nameCandidates, classCandidates;
    for (int c = 1; c <= plan.columns; ++c) {
        if (asked.Skipped(c) || c == asked.names || c == asked.classes) continue;
        const ColumnSeen& s = p.Seen(c);
        if (s.present == 0 && !p.matrix) {
            plan.LeaveOut(c, "holds no value", false);
        } else if (p.IsText(c)) {
            // Its numbers are values as written too.
            const int distinct = static_cast<int>(s.distinct.size() + s.numbers.size());
            (!p.matrix && p.Repeats(distinct) ? classCandidates : nameCandidates).push_back(c);
        } else if (c == 1 && p.rowNames) {
            nameCandidates.push_back(c);
        }
    }
    if (asked.names >= 0)
        plan.namesColumn = asked.names;
    else if (!nameCandidates.empty())
        plan.namesColumn = nameCandidates.front();
    if (asked.classes >= 0)
        plan.classColumn = asked.classes;
    else if (!classCandidates.empty())
        plan.classColumn = classCandidates.back();
    const auto besides = [&](const char* holds, int taken, const char* what) {
        return taken > 0 ? Format("%s besides the %s, %s", holds, what, plan.ColumnWords(taken).c_str())
                         : std::string(holds);
    };
    for (int c : nameCandidates)
        if (c != plan.namesColumn)
            plan.LeaveOut(c, besides(p.IsText(c) ? "holds text" : "holds row names", plan.namesColumn, "names"),
                          false);
    for (int c : classCandidates)
        if (c != plan.classColumn) plan.LeaveOut(c, besides("holds text", plan.classColumn, "class"), false);
    if (plan.namesColumn > 0) p.Role(plan.namesColumn) = ColumnRole::Names;
}

// Without a class in text, a numeric class by its header: the last such
// column, when a feature remains besides it. One such column of too many
// values is a feature, and said to be one.
void ChooseClassByHeader(Planning& p, const Asked& asked) {
    ColumnPlan& plan = p.plan;
    if (asked.classes < 0 && plan.classColumn == 0 &&
        std::count(plan.role.begin() + 1, plan.role.end(), ColumnRole::Feature) >= 2)
        for (int c = plan.columns; c >= 1 && plan.classColumn == 0; --c)
            if (const int values = p.WholeClass(c);
                values > 0 && p.Role(c) == ColumnRole::Feature && NamesAClass(p.Header(c))) {
                plan.classColumn = c;
                plan.classGuess = {c, values, true, "0"};
            }
    if (plan.classColumn > 0) p.Role(plan.classColumn) = ColumnRole::Class;
    if (asked.classes < 0 && !p.matrix)
        for (int c = plan.columns; c >= 1 && plan.manyValuedClass == 0; --c)
            if (p.Role(c) == ColumnRole::Feature && p.Seen(c).whole && p.Seen(c).wholeValues > kMaxClasses &&
                NamesAClass(p.Header(c)))
                plan.manyValuedClass = c;
}

// The features. A column that counts the rows is no feature, when another
// remains: it names the rows when nothing else does, else it is left out.
void TakeFeatures(Planning& p, const Asked& asked) {
    ColumnPlan& plan = p.plan;
    for (int c = 1; c <= plan.columns; ++c)
        if (p.Role(c) == ColumnRole::Feature) plan.features.push_back(c);
    for (std::size_t k = 0; k < plan.features.size() && plan.features.size() >= 2;) {
        const int c = plan.features[k];
        if (!p.Counting(c)) {
            ++k;
            continue;
        }
        const int first = p.Seen(c).countsFrom1 ? 1 : 0;
        if (asked.names < 0 && plan.namesColumn == 0) {
            plan.namesColumn = c;
            plan.indexNames = true;
            plan.indexFirst = first;
            p.Role(c) = ColumnRole::Names;
            plan.features.erase(plan.features.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
            plan.LeaveOut(c, Format("counts the rows %d..%d, not a feature", first, first + p.rows - 1), false);
        }
    }
}

// A table without a class whose last or first feature repeats as few
// whole values as one: the user may mean it as the class.
void GuessClass(Planning& p, const Asked& asked) {
    ColumnPlan& plan = p.plan;
    if (asked.classes >= 0 || plan.classColumn != 0 || plan.features.size() < 2) return;
    for (const int c : {plan.features.back(), plan.features.front()})
        if (const int values = p.WholeClass(c); values > 0 && !p.Header(c).empty() && !NamesAClass(p.Header(c))) {
            plan.classGuess = {c, values, false, ColumnAsked(c, plan)};
            return;
        }
}

ColumnPlan PlanColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options,
                       bool matrix) {
    Planning p{table, data, matrix, 0, {}, {}, false};
    StartPlan(p);
    const Asked asked = TakeWhatWasAsked(p, options);
    if (!p.plan.problem.empty()) return p.plan;
    ChooseNamesAndClass(p, asked);
    ChooseClassByHeader(p, asked);
    TakeFeatures(p, asked);
    GuessClass(p, asked);
    return p.plan;
}

}  // namespace

ColumnPlan PlanVectorColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options) {
    return PlanColumns(table, data, options, false);
}

ColumnPlan PlanMatrixColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options) {
    return PlanColumns(table, data, options, true);
}
