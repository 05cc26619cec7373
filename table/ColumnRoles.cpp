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

ColumnPlan PlanColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options,
                       bool matrix) {
    ColumnPlan plan;
    std::vector<int> counts;
    counts.reserve(table.rows.size());
    for (const TableRow& row : table.rows) counts.push_back(row.count);
    plan.columns = MostCommonCount(counts);
    const auto size = static_cast<std::size_t>(plan.columns) + 1;
    plan.role.assign(size, ColumnRole::Feature);
    plan.header.assign(size, std::string());

    // The header names the columns, or all but the first when it is one short.
    const int headerFields = static_cast<int>(table.header.size());
    const bool shortHeader = headerFields > 0 && headerFields + 1 == plan.columns;
    const bool rowNames = shortHeader || (headerFields > 0 && table.header[0].empty());
    for (int c = 1; c <= plan.columns; ++c) {
        const int h = shortHeader ? c - 2 : c - 1;
        if (h >= 0 && h < headerFields)
            plan.header[static_cast<std::size_t>(c)] = table.header[static_cast<std::size_t>(h)];
    }

    const int rows = static_cast<int>(table.rows.size());
    plan.rows = rows;
    const std::vector<ColumnSeen> stats = Measure(table, plan.columns);
    const auto isText = [&](int c) {
        const ColumnSeen& s = stats[static_cast<std::size_t>(c)];
        return s.present > 0 && s.text * 2 > s.present;  // more of its values text than numbers
    };
    plan.text.assign(size, false);
    for (int c = 1; c <= plan.columns; ++c) plan.text[static_cast<std::size_t>(c)] = isText(c);
    plan.firstValues = FirstValues(table, data, plan.columns);
    // Values that repeat as a class's do: at most 20, fewer than half the rows.
    const auto repeats = [&](int distinct) { return distinct <= kMaxClasses && distinct * 2 < rows; };
    // The distinct values of a column of whole numbers that repeat so, two
    // at least (one value tells no items apart); 0 for any other column.
    const auto wholeClass = [&](int c) {
        const ColumnSeen& s = stats[static_cast<std::size_t>(c)];
        const int distinct = s.wholeValues;
        return !matrix && s.whole && distinct >= 2 && repeats(distinct) ? distinct : 0;
    };
    const auto counting = [&](int c) {
        const ColumnSeen& s = stats[static_cast<std::size_t>(c)];
        return !matrix && rows >= kMinCountingRows && (s.countsFrom1 || s.countsFrom0);
    };

    // What the user named. A column that is not there, one named for two
    // roles, or a class of too many values cannot be used: nothing more is
    // planned, so that no other column takes a role because of it.
    const auto refuse = [&](std::string why) {
        if (plan.problem.empty()) plan.problem = std::move(why);
    };
    const auto named = [&](const std::string& given, const char* what) {
        if (given.empty()) return -1;
        const int c = ColumnNamed(given, plan);
        if (c < 0) refuse(NoSuchColumn(what, given, plan));
        return std::max(c, 0);
    };
    const int namesAsked = named(options.names, "names");
    const int classAsked = matrix ? 0 : named(options.classes, "class");
    std::vector<bool> skipped(size, false);
    for (const std::string& given : options.skip) {
        const int c = named(given, "skipped");
        if (c > 0) skipped[static_cast<std::size_t>(c)] = true;
    }
    const auto twice = [&](int c, const char* one, const char* other) {
        if (c > 0) refuse(Format("--%s and --%s both name %s", one, other, plan.ColumnWords(c).c_str()));
    };
    if (namesAsked == classAsked) twice(namesAsked, "names", "class");
    if (namesAsked > 0 && skipped[static_cast<std::size_t>(namesAsked)]) twice(namesAsked, "names", "skip");
    if (classAsked > 0 && skipped[static_cast<std::size_t>(classAsked)]) twice(classAsked, "class", "skip");
    if (const int values = classAsked > 0 ? DistinctValues(table, data, classAsked, plan.text[static_cast<std::size_t>(classAsked)]) : 0; values > kMaxClasses)
        refuse(Format("--class: %s holds %d values; a class has at most %d",
                      plan.ColumnWords(classAsked).c_str(), values, kMaxClasses));
    if (!plan.problem.empty()) return plan;

    for (int c = 1; c <= plan.columns; ++c)
        if (skipped[static_cast<std::size_t>(c)]) plan.LeaveOut(c, "as asked", true);

    // The reader's own choice among the columns nobody named. A column
    // without any value (a comma at every line's end) is none of them.
    std::vector<int> nameCandidates, classCandidates;
    for (int c = 1; c <= plan.columns; ++c) {
        if (skipped[static_cast<std::size_t>(c)] || c == namesAsked || c == classAsked) continue;
        const ColumnSeen& s = stats[static_cast<std::size_t>(c)];
        if (s.present == 0 && !matrix) {
            plan.LeaveOut(c, "holds no value", false);
        } else if (isText(c)) {
            // Its numbers are values as written too.
            const int distinct = static_cast<int>(s.distinct.size() + s.numbers.size());
            (!matrix && repeats(distinct) ? classCandidates : nameCandidates).push_back(c);
        } else if (c == 1 && rowNames) {
            nameCandidates.push_back(c);
        }
    }
    if (namesAsked >= 0) {
        plan.namesColumn = namesAsked;
    } else if (!nameCandidates.empty()) {
        plan.namesColumn = nameCandidates.front();
    }
    if (classAsked >= 0) {
        plan.classColumn = classAsked;
    } else if (!classCandidates.empty()) {
        plan.classColumn = classCandidates.back();
    }
    // Text is no feature, nor are row names, even when they are numbers and
    // the names are taken from elsewhere.
    const auto besides = [&](const char* holds, int taken, const char* what) {
        return taken > 0 ? Format("%s besides the %s, %s", holds, what, plan.ColumnWords(taken).c_str())
                         : std::string(holds);
    };
    for (int c : nameCandidates)
        if (c != plan.namesColumn)
            plan.LeaveOut(c, besides(isText(c) ? "holds text" : "holds row names", plan.namesColumn, "names"),
                          false);
    for (int c : classCandidates)
        if (c != plan.classColumn) plan.LeaveOut(c, besides("holds text", plan.classColumn, "class"), false);
    const auto role = [&](int c) -> ColumnRole& { return plan.role[static_cast<std::size_t>(c)]; };
    if (plan.namesColumn > 0) role(plan.namesColumn) = ColumnRole::Names;
    // Without one in text, a numeric class by its header: the last such
    // column, when a feature remains besides it.
    if (classAsked < 0 && plan.classColumn == 0 &&
        std::count(plan.role.begin() + 1, plan.role.end(), ColumnRole::Feature) >= 2)
        for (int c = plan.columns; c >= 1 && plan.classColumn == 0; --c)
            if (const int values = wholeClass(c); values > 0 && role(c) == ColumnRole::Feature &&
                                                  NamesAClass(plan.header[static_cast<std::size_t>(c)])) {
                plan.classColumn = c;
                plan.classGuess = {c, values, true, "0"};
            }
    if (plan.classColumn > 0) role(plan.classColumn) = ColumnRole::Class;
    // One such column of too many values is a feature, and said to be one.
    if (classAsked < 0)
        for (int c = plan.columns; c >= 1 && plan.manyValuedClass == 0; --c) {
            const ColumnSeen& s = stats[static_cast<std::size_t>(c)];
            if (!matrix && role(c) == ColumnRole::Feature && s.whole && s.wholeValues > kMaxClasses &&
                NamesAClass(plan.header[static_cast<std::size_t>(c)]))
                plan.manyValuedClass = c;
        }

    // A column that counts the rows is no feature, when another remains: it
    // names the rows when nothing else does, else it is left out.
    for (int c = 1; c <= plan.columns; ++c) {
        if (role(c) == ColumnRole::Feature) plan.features.push_back(c);
    }
    for (std::size_t k = 0; k < plan.features.size() && plan.features.size() >= 2;) {
        const int c = plan.features[k];
        if (!counting(c)) {
            ++k;
            continue;
        }
        const int first = stats[static_cast<std::size_t>(c)].countsFrom1 ? 1 : 0;
        if (namesAsked < 0 && plan.namesColumn == 0) {
            plan.namesColumn = c;
            plan.indexNames = true;
            plan.indexFirst = first;
            role(c) = ColumnRole::Names;
            plan.features.erase(plan.features.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
            plan.LeaveOut(c, Format("counts the rows %d..%d, not a feature", first, first + rows - 1), false);
        }
    }

    // A table without a class whose last or first feature repeats as few
    // whole values as one: the user may mean it as the class.
    if (classAsked < 0 && plan.classColumn == 0 && plan.features.size() >= 2)
        for (const int c : {plan.features.back(), plan.features.front()}) {
            const std::string& name = plan.header[static_cast<std::size_t>(c)];
            if (const int values = wholeClass(c); values > 0 && !name.empty() && !NamesAClass(name)) {
                plan.classGuess = {c, values, false, ColumnAsked(c, plan)};
                break;
            }
        }
    return plan;
}

}  // namespace

ColumnPlan PlanVectorColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options) {
    return PlanColumns(table, data, options, false);
}

ColumnPlan PlanMatrixColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options) {
    return PlanColumns(table, data, options, true);
}
