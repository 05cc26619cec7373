#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <set>

#include "distances/Distances.h"
#include "distances/SetDistances.h"
#include "handlers/MrpMdsRun.h"
#include "files/TextFile.h"
#include "handlers/RunSteps.h"
#include "support/FakeForm.h"
#include "session/Random.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

// n random rows of dim components in -5..5.
std::vector<std::vector<float>> RandomRows(int n, int dim, std::mt19937& gen) {
    std::uniform_real_distribution<float> value(-5, 5);
    std::vector<std::vector<float>> rows(static_cast<std::size_t>(n),
                                         std::vector<float>(static_cast<std::size_t>(dim)));
    for (auto& row : rows)
        for (float& v : row) v = value(gen);
    return rows;
}

}  // namespace

TEST(Distances, AreEuclideanSymmetricWithZeroDiagonal) {
    DistanceMatrix d;
    BuildDistanceMatrix(TableOf({{0, 0}, {3, 4}, {0, 1}}), 3, 2, d);
    EXPECT_EQ(d.At(2, 1), 5.0f);
    EXPECT_EQ(d.At(1, 2), 5.0f);
    EXPECT_EQ(d.At(3, 1), 1.0f);
    EXPECT_EQ(d.At(2, 2), 0.0f);
    EXPECT_FLOAT_EQ(MeanDistance(d), (5.0f + 1.0f + std::sqrt(18.0f)) / 3);

    EXPECT_FLOAT_EQ(NormaliseDistances(d, 60).value(), 12.0f);  // 60 / 5
    EXPECT_EQ(d.At(1, 2), 60.0f);
    EXPECT_EQ(d.largest, 60.0f);
    EXPECT_EQ(d.scale, 12.0f);
}

// Many pairs at a time, each still summed over its components in order.
TEST(Distances, EqualThePlainSumOfEachPair) {
    std::mt19937 gen(9);
    for (const auto& [n, dim] : {std::pair{2, 1}, {17, 5}, {400, 64}}) {
        const Table items = TableOf(RandomRows(n, dim, gen));
        DistanceMatrix d;
        BuildDistanceMatrix(items, n, dim, d);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                float sum = 0;
                for (int k = 1; k <= dim; ++k) {
                    const float diff = items.Row(i)[k] - items.Row(j)[k];
                    const float square = diff * diff;
                    sum += square;
                }
                ASSERT_EQ(d.At(i, j), static_cast<float>(std::sqrt(static_cast<double>(sum))))
                    << n << "x" << dim << " " << i << "," << j;
            }
    }
}

TEST(Distances, MeanUsesTheLowerTriangleOnly) {
    EXPECT_EQ(MeanDistance(DistancesOf({{0, 100}, {4, 0}})), 4.0f);
    EXPECT_EQ(MeanDistance(DistancesOf({{0}})), 0.0f);
    const float huge = 3e38f;  // the sum of three is no float
    EXPECT_FLOAT_EQ(MeanDistance(DistancesOf({{0, 0, 0}, {huge, 0, 0}, {huge, huge, 0}})), huge);
}

// At 2^80 times the values, whose squares overflow a float, and at 2^-100
// times, whose squares vanish, the distances are those of the values' own
// size times that, exactly, and so is their mean. Complete items and items
// with a missing value take their own ways.
TEST(Distances, ValuesOfAnySizeGiveTheirDistancesExactly) {
    std::mt19937 gen(4);
    for (const float factor : {0x1p80f, 0x1p-100f})
        for (const bool missing : {false, true}) {
            std::vector<std::vector<float>> rows = RandomRows(20, 6, gen);
            if (missing) rows[2][1] = NAN;
            std::vector<std::vector<float>> scaled = rows;
            for (auto& row : scaled)
                for (float& v : row) v *= factor;
            DistanceMatrix unscaled, d;
            BuildDistanceMatrix(TableOf(rows), 20, 6, unscaled);
            BuildDistanceMatrix(TableOf(scaled), 20, 6, d);
            EXPECT_EQ(MeanDistance(d), MeanDistance(unscaled) * factor);
            for (int i = 1; i <= 20; ++i)
                for (int j = 1; j <= 20; ++j)
                    ASSERT_EQ(d.At(i, j), unscaled.At(i, j) * factor) << factor << missing << ": " << i << "," << j;
        }
}

// The largest entry is brought to the map's size. Distances all 0, and an
// infinite factor, fail and leave the matrix as it was; a factor of 0 (a
// size of 0, or an infinite largest distance) is no failure: it is applied,
// and the caller refuses the 0. With no point the largest is the search's
// start, -10000; negative distances give a negative factor.
TEST(Distances, NormaliseToTheMapsSizeOrFail) {
    const struct {
        std::vector<std::vector<float>> matrix;
        double size;
        std::optional<float> factor;
        std::optional<float> entry12;  // after
    } cases[] = {
        {{{0}}, 60, std::nullopt, std::nullopt},
        {{}, 60, -0.006f, std::nullopt},
        {{{0, 5}, {5, 0}}, 0, 0.0f, 0.0f},
        {{{0, INFINITY}, {INFINITY, 0}}, 60, 0.0f, std::nullopt},
        {{{0, 5}, {5, 0}}, INFINITY, std::nullopt, 5.0f},
        {{{-2, -4}, {-4, -2}}, 60, -30.0f, 120.0f},
    };
    for (const auto& c : cases) {
        DistanceMatrix d = DistancesOf(c.matrix);
        d.scale = 7;
        const std::optional<float> f = NormaliseDistances(d, c.size);
        SCOPED_TRACE(testing::Message() << c.matrix.size() << " points, size " << c.size);
        ASSERT_EQ(f.has_value(), c.factor.has_value());
        if (f) {
            EXPECT_FLOAT_EQ(*f, *c.factor);
        }
        EXPECT_FLOAT_EQ(d.scale, f ? *f : 7.0f);
        if (c.entry12) {
            EXPECT_FLOAT_EQ(d.At(1, 2), *c.entry12);
        }
    }
}

// Items all alike leave nothing to normalise: the run says "gaz" and ends.
TEST(Distances, ItemsAllAlikeFailWithGaz) {
    Session session;
    TempDir dir;
    dir.Write("alike.txt", "1\t2\n1\t2\n1\t2\n");
    FakeForm form;
    form.Choose(dir.File("alike.txt"));
    form.edits[Edit12] = "3";
    form.edits[Edit13] = "2";
    RunMrpMds(form, session);
    EXPECT_EQ(Lines(form.memo.end() - 3, form.memo.end()), (Lines{"2", "gaz", "invalid input data."}));
}

TEST(Distances, MoreItemsThanRowsStoreFourHundredButScaleByAllPairs) {
    std::vector<std::vector<float>> rows;
    for (int i = 1; i <= 1000; ++i) rows.push_back({static_cast<float>(i)});
    DistanceMatrix d;
    const std::optional<float> f = BuildItemDistances(TableOf(rows), 1000, 1, 60, d);
    ASSERT_TRUE(f);
    EXPECT_FLOAT_EQ(*f, 60.0f / 999.0f);
    EXPECT_EQ(d.n, 400);
    EXPECT_FLOAT_EQ(d.At(400, 1), 399.0f * *f);
    EXPECT_EQ(d.scale, *f);
}

// The reason is that of the failed write, not of the clean-up after it: a
// folder nobody may write in (as root too) is no missing folder.
TEST(Distances, DumpThatCannotBeWrittenIsNamedWithItsReason) {
    const std::string text = DistanceDumpText(DistancesOf({{0}}));
    EXPECT_EQ(WriteTextFile("/nonexistent-folder/distances.dat", text),
              "cannot write /nonexistent-folder/distances.dat: No such file or directory");
    const std::string error = WriteTextFile("/sys/distances.dat", text);
    EXPECT_EQ(error.rfind("cannot write /sys/distances.dat: ", 0), 0u);
    EXPECT_EQ(error.find("No such file"), std::string::npos) << error;
}

TEST(Random, StaysBelowItsBoundAndCoversIt) {
    Random random;
    random.SeedWith(7);
    EXPECT_EQ(random.Below(0), 0);
    EXPECT_EQ(random.Below(-5), 0);
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const int r = random.Below(2000);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 2000);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

// The distances of rows to a set of members (a map's landmarks), taken a
// component of many members at a time, are those of each pair, in the unit
// the table's size asks for.
TEST(Distances, ToASetAreThoseOfEachPairInAnyUnit) {
    std::mt19937 gen(5);
    const Table table = TableOf(RandomRows(30, 7, gen));
    const std::vector<int> members = {3, 1, 30, 17};
    for (const float unit : {1.0f, 0x1p40f, 0x1p-30f}) {
        const SetDistances set(table, members, 7, unit);
        float out[5];
        for (int i = 1; i <= 30; ++i) {
            set.From(table.Row(i), true, out);
            for (int j = 1; j <= 4; ++j)
                ASSERT_FLOAT_EQ(out[j], VectorDistance(table.Row(i), table.Row(members[static_cast<std::size_t>(j - 1)]), 7, unit))
                    << unit << ": " << i << "," << j;
        }
    }
}
