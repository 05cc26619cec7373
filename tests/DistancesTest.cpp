#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "support/FakeForm.h"
#include "distances/Distances.h"
#include "workspace/Random.h"
#include "workspace/Workspace.h"

namespace {
class Distances : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        ws.AxisSize[1] = 20;
        ws.MapEnlargement = 3;
    }
    FakeForm form;
};
}  // namespace

TEST_F(Distances, AreEuclideanSymmetricWithZeroDiagonal) {
    const float v[3][2] = {{0, 0}, {3, 4}, {0, 1}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 2; ++k) ws.InputVectors[i + 1][k + 1] = v[i][k];
    BuildDistanceMatrix(3, 2);
    EXPECT_EQ(ws.DistMatrix[2][1], 5.0f);
    EXPECT_EQ(ws.DistMatrix[1][2], 5.0f);
    EXPECT_EQ(ws.DistMatrix[3][1], 1.0f);
    EXPECT_EQ(ws.DistMatrix[2][2], 0.0f);
    EXPECT_FLOAT_EQ(MeanDistance(3), (5.0f + 1.0f + std::sqrt(18.0f)) / 3);

    EXPECT_FLOAT_EQ(NormaliseDistances(form, 3), 12.0f);  // 20 x 3 / 5
    EXPECT_EQ(ws.DistMatrix[1][2], 60.0f);
    EXPECT_EQ(ws.MaxDist, 60.0f);
    EXPECT_EQ(ws.DistScale, 12.0f);
}

// Many pairs at a time, each still summed over its components in order.
TEST_F(Distances, EqualThePlainSumOfEachPair) {
    std::mt19937 gen(9);
    std::uniform_real_distribution<float> value(-5, 5);
    for (const auto& [n, dim] : {std::pair{2, 1}, {17, 5}, {400, 64}}) {
        for (int i = 1; i <= n; ++i)
            for (int k = 1; k <= dim; ++k) ws.InputVectors[i][k] = value(gen);
        BuildDistanceMatrix(n, dim);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                float sum = 0;
                for (int k = 1; k <= dim; ++k) {
                    const float d = ws.InputVectors[i][k] - ws.InputVectors[j][k];
                    const float square = d * d;
                    sum += square;
                }
                ASSERT_EQ(ws.DistMatrix[i][j], static_cast<float>(std::sqrt(static_cast<double>(sum))))
                    << n << "x" << dim << " " << i << "," << j;
            }
    }
}

TEST_F(Distances, MeanUsesTheLowerTriangleOnly) {
    ws.DistMatrix[2][1] = 4;
    ws.DistMatrix[1][2] = 100;
    EXPECT_EQ(MeanDistance(2), 4.0f);
    EXPECT_EQ(MeanDistance(1), 0.0f);
    ws.DistMatrix[2][1] = ws.DistMatrix[3][1] = ws.DistMatrix[3][2] = 3e38f;  // their sum is no float
    EXPECT_FLOAT_EQ(MeanDistance(3), 3e38f);
}

// At 2^80 times the values, whose squares overflow a float, the distances
// are those of the values' own size times 2^80, exactly, and so is their
// mean. Complete items and items with a missing value take their own ways.
TEST_F(Distances, ValuesOfAnySizeGiveTheirDistancesExactly) {
    std::mt19937 gen(4);
    std::uniform_real_distribution<float> value(-5, 5);
    static float unscaled[21][21];
    for (const bool missing : {false, true}) {
        float values[21][7];
        for (auto& row : values)
            for (float& v : row) v = value(gen);
        if (missing) values[3][2] = NAN;
        float mean = 0;
        for (const float scale : {1.0f, 0x1p80f}) {
            for (int i = 1; i <= 20; ++i) {
                for (int k = 1; k <= 6; ++k) ws.InputVectors[i][k] = values[i][k] * scale;
                ws.ItemMissing[i] = missing && i == 3;
            }
            BuildDistanceMatrix(20, 6);
            if (scale == 1.0f) {
                for (int i = 1; i <= 20; ++i) std::copy(ws.DistMatrix[i], ws.DistMatrix[i] + 21, unscaled[i]);
                mean = MeanDistance(20);
                continue;
            }
            EXPECT_EQ(MeanDistance(20), mean * scale);
            for (int i = 1; i <= 20; ++i)
                for (int j = 1; j <= 20; ++j)
                    ASSERT_EQ(ws.DistMatrix[i][j], unscaled[i][j] * scale)
                        << missing << ": " << i << "," << j;
        }
    }
}

TEST_F(Distances, AllZeroFailsWithGaz) {
    ws.DistScale = 7;
    EXPECT_EQ(NormaliseDistances(form, 1), 0.0f);
    EXPECT_EQ(form.memo.back(), "gaz");
    EXPECT_EQ(ws.DistScale, 7.0f);
    // No item: the largest entry is the start value -10000, which is no failure.
    EXPECT_FLOAT_EQ(NormaliseDistances(form, 0), -0.006f);
}

// A factor of 0 is no "gaz": it is applied, and the caller refuses the 0.
// An infinite largest distance gives the factor 0 the same way; an infinite
// factor fails like distances that are all 0.
TEST_F(Distances, AZeroFactorIsAppliedAndAnInfiniteOneFails) {
    form.memo.clear();
    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 5;
    ws.MapEnlargement = 0;
    EXPECT_EQ(NormaliseDistances(form, 2), 0.0f);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(ws.DistMatrix[1][2], 0.0f);
    EXPECT_EQ(ws.DistScale, 0.0f);

    ws.MapEnlargement = 3;
    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = INFINITY;
    EXPECT_EQ(NormaliseDistances(form, 2), 0.0f);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(ws.DistScale, 0.0f);

    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 5;
    ws.DistScale = 7;
    ws.MapEnlargement = INFINITY;
    EXPECT_EQ(NormaliseDistances(form, 2), 0.0f);
    EXPECT_EQ(form.memo, std::vector<std::string>{"gaz"});
    EXPECT_EQ(ws.DistMatrix[1][2], 5.0f);
    EXPECT_EQ(ws.DistScale, 7.0f);
}

TEST_F(Distances, NegativeMatrixNormalisesWithANegativeFactor) {
    ws.DistMatrix[1][1] = -2;
    ws.DistMatrix[1][2] = -4;
    ws.DistMatrix[2][1] = -4;
    ws.DistMatrix[2][2] = -2;
    EXPECT_FLOAT_EQ(NormaliseDistances(form, 2), -30.0f);
    EXPECT_FLOAT_EQ(ws.DistMatrix[1][2], 120.0f);
}

TEST_F(Distances, MoreItemsThanRowsStoreFourHundredButScaleByAllPairs) {
    for (int i = 1; i <= 1000; ++i) ws.InputVectors[i][1] = static_cast<float>(i);
    ws.ItemCount = 1000;
    const float f = BuildItemDistances(form, 1000, 1);
    EXPECT_FLOAT_EQ(f, 60.0f / 999.0f);
    EXPECT_FLOAT_EQ(ws.DistMatrix[400][1], 399.0f * f);
    EXPECT_EQ(ws.DistScale, f);
}

TEST_F(Distances, DumpHasOneTabbedFieldPerItemAndCrLf) {
    TempDir dir;
    ws.ItemCount = 3;
    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 1.5f;
    ws.DistMatrix[3][1] = 1234.5678f;
    WriteDistanceDump(form, dir.File("distances.dat").c_str(), DistanceDumpText());
    EXPECT_EQ(dir.Read("distances.dat"),
              "\t   0.000\t   1.500\t   0.000\r\n"
              "\t   1.500\t   0.000\t   0.000\r\n"
              "\t1234.568\t   0.000\t   0.000\r\n");
}

// The reason is that of the failed write, not of the clean-up after it: a
// folder nobody may write in (as root too) is no missing folder.
TEST_F(Distances, DumpThatCannotBeWrittenIsNamedWithItsReason) {
    ws.ItemCount = 1;
    WriteDistanceDump(form, "/nonexistent-folder/distances.dat", DistanceDumpText());
    EXPECT_EQ(form.status.back(),
              "error: cannot write /nonexistent-folder/distances.dat: No such file or directory");
    WriteDistanceDump(form, "/sys/distances.dat", DistanceDumpText());
    EXPECT_EQ(form.status.back().rfind("error: cannot write /sys/distances.dat: ", 0), 0u);
    EXPECT_EQ(form.status.back().find("No such file"), std::string::npos) << form.status.back();
}

TEST(Random, StaysBelowItsBoundAndCoversIt) {
    SeedRandomWith(7);
    EXPECT_EQ(RandomBelow(0), 0);
    EXPECT_EQ(RandomBelow(-5), 0);
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const int r = RandomBelow(2000);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 2000);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 2000u);
}
