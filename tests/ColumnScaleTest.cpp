// When the columns' spreads ask for scale z: "--scale auto" takes it, and
// without a scale a warning says why.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/FakeForm.h"
#include "table/ColumnScale.h"

namespace {

// Two columns, the second `ratio` times as spread as the first; with
// `missing`, a fifth row that has neither.
Table Spread(double ratio, bool missing) {
    std::vector<std::vector<float>> rows;
    for (int i = 0; i < 4; ++i) rows.push_back({static_cast<float>(i), static_cast<float>(i * ratio)});
    if (missing) rows.push_back({std::nanf(""), std::nanf("")});
    return TableOf(rows);
}

bool Says(const std::vector<std::string>& notes, const std::string& text) {
    for (const std::string& note : notes)
        if (note.find(text) != std::string::npos) return true;
    return false;
}

TEST(ScaleAuto, TakesZWhereOneColumnDecidesOrMissingValuesMeetUnequalSpreads) {
    const struct {
        double ratio;
        bool missing;
        ColumnScale taken;
        const char* warning;  // without a scale
    } cases[] = {
        {9.99, false, ColumnScale::None, nullptr},
        {10.01, false, ColumnScale::Z, "column 2 varies 10x more than column 1: it decides the distances"},
        {2.99, true, ColumnScale::None, nullptr},
        {3.01, true, ColumnScale::Z, "20% of the cells are missing and the columns' spreads differ 3x"},
        {9.99, true, ColumnScale::Z, "the columns' spreads differ 10x: scale z keeps an item with missing values"},
    };
    const ColumnPlan plan;
    for (const auto& c : cases) {
        Table automatic = Spread(c.ratio, c.missing);
        const std::vector<std::string> said = ScaleColumns(automatic, automatic.rows, 2, ColumnScale::Auto, plan);
        EXPECT_EQ(automatic.columnScale, c.taken) << c.ratio << " " << c.missing;
        EXPECT_TRUE(Says(said, std::string("column scale auto: ") + ScaleName(c.taken))) << c.ratio;
        Table none = Spread(c.ratio, c.missing);
        const std::vector<std::string> warned = ScaleColumns(none, none.rows, 2, ColumnScale::None, plan);
        EXPECT_EQ(warned.empty(), c.warning == nullptr) << c.ratio << " " << c.missing;
        EXPECT_TRUE(!c.warning || Says(warned, c.warning)) << c.ratio << " " << c.missing;
    }
}

}  // namespace
