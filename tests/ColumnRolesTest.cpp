// What the reader takes each column of a table for, at the limits of a
// class: its number of values, and how often they repeat.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "table/ColumnRoles.h"
#include "text/Numbers.h"

namespace {

ColumnPlan PlanOf(const std::string& text, const ReadOptions& options = {}) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    return PlanVectorColumns(ScanTable(data, static_cast<long>(text.size()), '\t'), data, options);
}

// A feature of fractions, then a column of `distinct` values in turn: a
// class when they are at most 20 and fewer than half the rows.
TEST(ClassColumns, HoldAtMost20ValuesFewerThanHalfTheRows) {
    const struct {
        const char* name;
        bool text;  // the values are words, else whole numbers under the header "class"
        int rows, distinct;
        ColumnRole role;
    } cases[] = {
        {"text20Values", true, 50, 20, ColumnRole::Class},
        {"text21ValuesAreNames", true, 50, 21, ColumnRole::Names},
        {"textValuesJustUnderHalfTheRows", true, 10, 4, ColumnRole::Class},
        {"textValuesHalfTheRowsAreNames", true, 10, 5, ColumnRole::Names},
        {"whole20Values", false, 50, 20, ColumnRole::Class},
        {"whole21ValuesAFeature", false, 50, 21, ColumnRole::Feature},
        {"wholeJustUnderHalfTheRows", false, 10, 4, ColumnRole::Class},
        {"wholeHalfTheRowsAFeature", false, 10, 5, ColumnRole::Feature},
    };
    for (const auto& c : cases) {
        std::string text = c.text ? "x\tkind\n" : "x\tclass\n";
        for (int r = 0; r < c.rows; ++r)
            text += Format(c.text ? "%d.5\tk%d\n" : "%d.5\t%d\n", r, r % c.distinct);
        const ColumnPlan plan = PlanOf(text);
        ASSERT_EQ(plan.columns, 2) << c.name;
        EXPECT_EQ(plan.role[2], c.role) << c.name;
        EXPECT_EQ(plan.classColumn, c.role == ColumnRole::Class ? 2 : 0) << c.name;
    }
}

// --class names a column by its number or its header: the header as
// written first, then in any case.
TEST(ClassOption, NamesAColumnByNumberOrHeaderInAnyCase) {
    std::string text = "x\tKind\ty\tkind\n";
    for (int r = 0; r < 10; ++r) text += Format("%d.5\tk%d\t%d\tq%d\n", r, r % 3, r % 3, r % 2);
    const struct {
        const char* given;
        int column;
        std::string problem = {};
    } cases[] = {
        {"3", 3},
        {"Kind", 2},
        {"kind", 4},
        {"KIND", 2},
        {"0", 0},
        {"colour", 0,
         "the class column \"colour\" is not in the file: it has 4 columns, named x, Kind, y, kind"},
    };
    for (const auto& c : cases) {
        ReadOptions options;
        options.classes = c.given;
        const ColumnPlan plan = PlanOf(text, options);
        EXPECT_EQ(plan.classColumn, c.column) << c.given;
        EXPECT_EQ(plan.problem, c.problem) << c.given;
    }
}

// --skip leaves out the columns it names, the first and the last as any
// other, by number or by header.
TEST(SkipOption, LeavesOutEveryColumnItNames) {
    std::string text = "x\ty\tz\tw\n";
    for (int r = 0; r < 10; ++r) text += Format("%d.5\t%d.25\t%d.75\t%d.125\n", r, r % 3, r % 4, r % 6);
    ReadOptions options;
    options.skip = {"1", "w"};
    const ColumnPlan plan = PlanOf(text, options);
    const ColumnRole roles[] = {ColumnRole::LeftOut, ColumnRole::Feature, ColumnRole::Feature, ColumnRole::LeftOut};
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(plan.role[static_cast<std::size_t>(c)], roles[c - 1]) << c;
}

// Of two columns that could be the class, the last is: of two in text, and
// of two whole-numbered ones whose headers call them so.
TEST(ClassColumns, TheLastOfTwoCandidatesIsTheClass) {
    for (const bool text : {true, false}) {
        std::string table = "x\tlabel\ty\tclass\tz\n";
        for (int r = 0; r < 30; ++r)
            table += Format(text ? "%d.5\ta%d\t%d.25\tb%d\t%d.75\n" : "%d.5\t%d\t%d.25\t%d\t%d.75\n", r,
                            r % 3, r, r % 4, r);
        const ColumnPlan plan = PlanOf(table);
        EXPECT_EQ(plan.classColumn, 4) << text;
        EXPECT_EQ(plan.role[2], text ? ColumnRole::LeftOut : ColumnRole::Feature) << text;
    }
}

}  // namespace

namespace {

// The rows' names under an empty first header field (pandas' index, R's
// write.csv) or under none, the header one field short (R's write.table):
// the numbers they are, quoted or not, are no feature, also when they do
// not count the rows (a table taken from a larger one).
TEST(RowNames, StandUnderAnEmptyOrMissingFirstHeaderField) {
    for (const char* header : {",a,b\n", "\"\",\"a\",\"b\"\n", "a,b\n"}) {
        std::string text = header;
        for (int r = 1; r <= 6; ++r) text += Format(header[0] == '"' ? "\"%d\",%d.5,%d.25\n" : "%d,%d.5,%d.25\n", r * 3, r * 7 % 5, r % 4);
        const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
        const ColumnPlan plan = PlanVectorColumns(ScanTable(data, static_cast<long>(text.size()), ','), data, {});
        ASSERT_EQ(plan.columns, 3) << header;
        EXPECT_EQ(plan.role[1], ColumnRole::Names) << header;
        EXPECT_EQ(plan.role[2], ColumnRole::Feature) << header;
        EXPECT_EQ(plan.header[2], "a") << header;
    }
}

}  // namespace
