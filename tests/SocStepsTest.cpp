#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "mds/MdsStep.h"
#include "soc/SocFit.h"
#include "distances/Distances.h"
#include "soc/SocResults.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "support/FakeForm.h"
#include "distances/DistanceUnit.h"
#include "workspace/Workspace.h"

namespace {

class SocSteps : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        ws.AxisSize[1] = 25;
        ws.MapEnlargement = 3;
    }
    void Proto(int k, std::initializer_list<float> v, std::initializer_list<float> w) {
        int q = 1;
        for (float x : v) ws.Prototypes[k][1][q++] = x;
        q = 1;
        for (float x : w) ws.Prototypes[k][2][q++] = x;
    }
    void Item(int i, std::initializer_list<float> v) {
        int q = 1;
        for (float x : v) ws.InputVectors[i][q++] = x;
    }
};

TEST_F(SocSteps, TheWeightedErrorOfTheWorkedExample) {
    ws.VectorDim = 2;
    ws.ItemCount = 1;
    Proto(1, {1, 0}, {1, 1});
    Item(1, {0, 0});
    EXPECT_NEAR(*MatchItem(1), 0.5774f, 1e-4);
    EXPECT_EQ(ws.WinnerIndex, 1);
    EXPECT_NEAR(RankingValue(WeightedError(1, ws.InputVectors[1], 2)), 0.0333f, 1e-4);
}

TEST_F(SocSteps, TheLowerNumberWinsATieAndAnIdenticalPrototypeGivesZero) {
    ws.VectorDim = 1;
    ws.ItemCount = 3;
    Proto(1, {5}, {1});
    Proto(2, {-1}, {1});
    Proto(3, {1}, {1});
    Item(1, {0});
    MatchItem(1);
    EXPECT_EQ(ws.WinnerIndex, 2);
    Item(2, {5});
    EXPECT_EQ(*MatchItem(2), 0.0f);
    EXPECT_EQ(ws.WinnerIndex, 1);
}

TEST_F(SocSteps, NoPrototypeIsNoWinnerAndKeepsTheLastOne) {
    ws.VectorDim = 1;
    ws.ItemCount = 0;
    ws.WinnerIndex = 7;
    EXPECT_FALSE(MatchItem(1));
    EXPECT_EQ(ws.WinnerIndex, 7);
}

// An item none of whose compared components is present has no error to
// rank: it is in no prototype, moves none and counts in no figure.
TEST_F(SocSteps, AnItemWithoutAComparedComponentIsInNoPrototype) {
    TempDir dir;
    FakeForm form;
    std::strcpy(ws.ClustersFileName, dir.File("clusters.dat").c_str());
    ws.VectorDim = 2;
    ws.ItemCount = 2;
    ws.VectorCount = 3;
    ws.AvgKeep = 0.999f;
    ws.AvgGain = 0.001f;
    Proto(1, {0, 0}, {1, 1});
    Proto(2, {4, 4}, {1, 1});
    Item(1, {1, 1});
    Item(2, {4, 5});
    Item(3, {NAN, NAN, 7});  // a value beyond the components compared
    ws.ItemMissing[3] = 2;
    EXPECT_FALSE(NearestPrototype(3));
    EXPECT_FALSE(MatchItem(3));
    EXPECT_EQ(MeanStartError(3), (*MatchItem(1) + *MatchItem(2)) / 2);

    static SocTraining training;
    training.Begin(2, 2, 0.5f, 100, 10);
    float before[3][3][66];
    std::memcpy(before, ws.Prototypes, sizeof before);
    EXPECT_EQ(training.Learn(1, 3), 0.0f);
    EXPECT_EQ(std::memcmp(before, ws.Prototypes, sizeof before), 0);
    EXPECT_EQ(ws.ItemScore[1] + ws.ItemScore[2], 0.0f);
    EXPECT_EQ(ws.LearnRate, 0.5f);  // the first update still uses the base rate

    WriteSocClusters(form, 3, 2);
    EXPECT_EQ(ws.ItemMark[3], 0);
    EXPECT_EQ(dir.Read("clusters.dat"), "   1  \r\n \r\n   2  \r\n \r\n");
}

// Matching ranks by the values' own size: whatever it is, every item has a
// winner, the same in the plain steps and in the fast trainer, and every
// step of a training has one.
TEST(SocMatching, HasAWinnerWhateverTheValuesSize) {
    for (const float scale : {1.0f, 1e7f}) {
        FreshWorkspace();
        ws.AxisSize[1] = 25;
        ws.MapEnlargement = 3;
        ws.AvgKeep = 0.999f;
        ws.AvgGain = 0.001f;
        ws.ItemCount = 4;
        ws.VectorDim = 3;
        ws.VectorCount = 40;
        // Four groups, the items of group g at g's corner and a little off it.
        const float corner[4][3] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (int i = 1; i <= 40; ++i)
            for (int q = 1; q <= 3; ++q)
                ws.InputVectors[i][q] =
                    (corner[i % 4][q - 1] + 0.01f * static_cast<float>((i * 7 + q) % 10)) * scale;
        for (int p = 1; p <= 4; ++p)
            for (int q = 1; q <= 3; ++q) {
                ws.Prototypes[p][1][q] = ws.InputVectors[p][q];
                ws.Prototypes[p][2][q] = 1;
            }
        static SocTrainer trainer;
        trainer.Start();
        for (int i = 1; i <= 40; ++i) {
            const std::optional<float> plain = MatchItem(i);
            ASSERT_TRUE(plain) << scale << ": item " << i;
            EXPECT_EQ(ws.WinnerIndex, i % 4 == 0 ? 4 : i % 4) << scale << ": item " << i;
            ws.WinnerIndex = 0;
            float fast = 0;
            EXPECT_TRUE(trainer.Match(i, fast)) << scale << ": item " << i;
            EXPECT_EQ(fast, *plain) << scale << ": item " << i;
            EXPECT_EQ(ws.WinnerIndex, i % 4 == 0 ? 4 : i % 4) << scale << ": item " << i;
        }
        static SocTraining training;
        training.Begin(4, 3, 0.05f, MeanStartError(40), 2000);
        for (int t = 1; t <= 2000; ++t) {
            ws.WinnerIndex = 0;
            training.Learn(t, 1 + (t * 13) % 40);
            ASSERT_NE(ws.WinnerIndex, 0) << scale << ": step " << t;
        }
    }
}

// At 2^70 times the values, whose squares overflow a float, the steps give
// what they give at the values' own size, the errors and distances 2^70
// times as large, exactly.
TEST_F(SocSteps, ValuesOfAnySizeGiveTheirStepsExactly) {
    ws.VectorDim = 3;
    ws.ItemCount = 3;
    ws.VectorCount = 6;
    const float items[6][3] = {{0, 1, 2}, {3, 1, 0}, {1, 1, 1}, {5, 4, 3}, {0, 0, 7}, {2, 6, 1}};
    std::vector<float> seen[2];
    for (const float scale : {1.0f, 0x1p70f}) {
        for (int i = 1; i <= 6; ++i)
            for (int q = 1; q <= 3; ++q) ws.InputVectors[i][q] = items[i - 1][q - 1] * scale;
        for (int p = 1; p <= 3; ++p)
            for (int q = 1; q <= 3; ++q) {
                ws.Prototypes[p][1][q] = ws.InputVectors[2 * p - 1][q];
                ws.Prototypes[p][2][q] = 0.3f * static_cast<float>(p + q);
            }
        ChooseDistanceUnit(6, 3);
        EXPECT_EQ(ws.DistanceUnit == 1.0f, scale == 1.0f) << "values whose squares fit keep theirs";
        std::vector<float>& steps = seen[scale != 1.0f];
        for (int i = 1; i <= 6; ++i) {
            const std::optional<PrototypeMatch> match = NearestPrototype(i);
            ASSERT_TRUE(match) << scale;
            steps.insert(steps.end(), {static_cast<float>(match->prototype), match->error / scale,
                                       VectorDistance(ws.InputVectors[i], ws.Prototypes[3][1], 3) / scale});
        }
        steps.push_back(MeanStartError(6) / scale);
        PrototypeDistances();
        steps.insert(steps.end(), {ws.DistMatrix[2][1], ws.DistMatrix[3][1], ws.DistMatrix[3][2],
                                   ws.DistScale * scale, ws.MaxDist});
    }
    EXPECT_EQ(seen[1], seen[0]);
}

TEST_F(SocSteps, UpdatePullsTheWinnerAndItsWeights) {
    ws.VectorDim = 2;
    Proto(1, {2, 2}, {1, 1});
    Item(1, {0, 10});
    UpdatePrototype(1, 1, 0.5f);
    EXPECT_EQ(ws.Prototypes[1][1][1], 1.0f);
    EXPECT_EQ(ws.Prototypes[1][2][1], 0.5f);
    EXPECT_EQ(ws.Prototypes[1][1][2], 6.0f);
    EXPECT_EQ(ws.Prototypes[1][2][2], 1.0f);
    for (int i = 0; i < 10; ++i) UpdatePrototype(1, 1, 0.5f);
    EXPECT_EQ(ws.Prototypes[1][2][1], 0.05f);  // the floor
}

// The square, the exponential and both differences are stored as floats:
// with x = 0.1 the weight goes from 1 to 0.517197251 (0.517197311 when they
// are kept in double).
TEST_F(SocSteps, TheWeightPullIsInSinglePrecision) {
    ws.VectorDim = 1;
    Proto(1, {2}, {1});
    Item(1, {0.1f});
    UpdatePrototype(1, 1, 0.5f);
    EXPECT_EQ(ws.Prototypes[1][2][1], 0.517197251f);
}

TEST_F(SocSteps, PrototypeDistancesAreNormalisedToTheMapExtent) {
    ws.VectorDim = 2;
    ws.ItemCount = 2;
    Proto(1, {0, 0}, {1, 1});
    Proto(2, {3, 4}, {1, 1});
    ws.DistMatrix[3][1] = 9;
    PrototypeDistances();
    EXPECT_EQ(ws.DistMatrix[1][2], 75.0f);
    EXPECT_EQ(ws.DistMatrix[2][1], 75.0f);
    EXPECT_EQ(ws.DistMatrix[1][1], 0.0f);
    EXPECT_EQ(ws.MaxDist, 75.0f);
    EXPECT_EQ(ws.DistScale, 15.0f);  // DistMatrix / DistScale gives the raw distance
    EXPECT_EQ(ws.DistMatrix[3][1], 9.0f);
}

TEST_F(SocSteps, OneOrIdenticalPrototypesStillGiveTheMapExtent) {
    ws.VectorDim = 1;
    ws.ItemCount = 1;
    Proto(1, {4}, {1});
    PrototypeDistances();
    EXPECT_EQ(ws.DistMatrix[1][1], 0.0f);
    EXPECT_EQ(ws.MaxDist, 75.0f);
    EXPECT_LT(ws.DistScale, 0.0f);

    ws.ItemCount = 3;
    Proto(2, {4}, {1});
    Proto(3, {4}, {1});
    PrototypeDistances();
    EXPECT_EQ(ws.DistMatrix[3][1], 0.0f);
    EXPECT_EQ(ws.MaxDist, 75.0f);
}

TEST(SocRates, FollowTheRateLawAndTheWinScore) {
    EXPECT_NEAR(SocLearnRate(0.05f, 0), 0.000133f, 1e-6);
    EXPECT_NEAR(SocLearnRate(0.05f, 2.5f), 0.0026f, 1e-6);
    EXPECT_NEAR(SocLearnRate(0.05f, 5), 0.00507f, 1e-5);
    EXPECT_NEAR(SocLearnRate(0.05f, 500), 0.0051f, 1e-6);
    ws.AvgKeep = 0.999f;
    ws.AvgGain = 0.001f;
    float score = 0;
    for (int i = 0; i < 1000; ++i) score = SocWinScore(score);
    EXPECT_NEAR(score, 6.32f, 0.005);
    for (int i = 0; i < 100000; ++i) score = SocWinScore(score);
    EXPECT_FLOAT_EQ(score, 9.99965f);
    EXPECT_LT(score, 10.0f);
}

// The fast trainer must give exactly what the plain steps give, whatever
// the size of the values (2^70: their squares overflow a float).
TEST(SocTrainerTest, MatchesUpdatesAndDistancesExactly) {
    struct Case {
        int k, dim;
        float scale;
    };
    for (const auto& [k, dim, scale] :
         {Case{20, 26, 1}, Case{400, 64, 1}, Case{3, 1, 1}, Case{37, 13, 1}, Case{37, 13, 0x1p70f}}) {
        FreshWorkspace();
        ws.AxisSize[1] = 25;
        ws.MapEnlargement = 3;
        ws.ItemCount = k;
        ws.VectorDim = dim;
        ws.VectorCount = 300;
        std::mt19937 gen(static_cast<unsigned>(k * 100 + dim));
        std::uniform_real_distribution<float> value(-2, 12), weight(0.05f, 1);
        for (int i = 1; i <= 300; ++i)
            for (int q = 1; q <= dim; ++q) ws.InputVectors[i][q] = value(gen) * scale;
        for (int p = 1; p <= k; ++p)
            for (int q = 1; q <= dim; ++q) {
                ws.Prototypes[p][1][q] = value(gen) * scale;
                ws.Prototypes[p][2][q] = weight(gen);
            }
        ChooseDistanceUnit(300, dim);
        // Two prototypes at item 1 itself: the first of them wins.
        for (int q = 1; q <= dim; ++q) {
            ws.Prototypes[k][1][q] = ws.Prototypes[1][1][q] = ws.InputVectors[1][q];
            ws.Prototypes[k][2][q] = ws.Prototypes[1][2][q];
        }
        static float plainProto[kMaxMapItems + 1][3][66];
        std::copy(&ws.Prototypes[0][0][0], &ws.Prototypes[0][0][0] + sizeof plainProto / sizeof(float),
                  &plainProto[0][0][0]);

        static SocTrainer trainer;
        trainer.Start();
        std::uniform_int_distribution<int> item(1, 300);
        std::vector<std::pair<std::optional<float>, int>> fast, plain;
        std::vector<int> drawn;
        for (int step = 1; step <= 600; ++step) {
            const int a = step == 1 ? 1 : item(gen);
            drawn.push_back(a);
            float err = 0;
            const bool matched = trainer.Match(a, err);
            fast.emplace_back(matched ? std::optional(err) : std::nullopt, ws.WinnerIndex);
            trainer.Update(ws.WinnerIndex, a, 0.05f);
            if (step % 200 == 0) trainer.Distances();
        }
        static float fastDist[kMaxMapItems + 1][kMaxMapItems + 1];
        std::copy(&ws.DistMatrix[0][0], &ws.DistMatrix[0][0] + sizeof fastDist / sizeof(float),
                  &fastDist[0][0]);
        const float fastScale = ws.DistScale;
        static float fastProto[kMaxMapItems + 1][3][66];
        std::copy(&ws.Prototypes[0][0][0], &ws.Prototypes[0][0][0] + sizeof fastProto / sizeof(float),
                  &fastProto[0][0][0]);

        std::copy(&plainProto[0][0][0], &plainProto[0][0][0] + sizeof plainProto / sizeof(float),
                  &ws.Prototypes[0][0][0]);
        for (const int a : drawn) {
            const std::optional<float> err = MatchItem(a);
            plain.emplace_back(err, ws.WinnerIndex);
            UpdatePrototype(ws.WinnerIndex, a, 0.05f);
        }
        PrototypeDistances();
        ASSERT_EQ(fast, plain) << k << " x " << dim << " at " << scale;
        EXPECT_EQ(fast[0].second, 1);
        EXPECT_EQ(ws.DistScale, fastScale);
        for (int i = 1; i <= k; ++i)
            for (int j = 1; j <= k; ++j) ASSERT_EQ(ws.DistMatrix[i][j], fastDist[i][j]) << i << "," << j;
        for (int p = 1; p <= k; ++p)
            for (int q = 1; q <= dim; ++q) {
                ASSERT_EQ(ws.Prototypes[p][1][q], fastProto[p][1][q]);
                ASSERT_EQ(ws.Prototypes[p][2][q], fastProto[p][2][q]);
            }
    }
}

// The blocked pass, over every pair at the start and then over the pairs of
// the prototypes that moved, gives the distances and the prototype map's
// pair tables that the plain rows and a fresh preparation give, however
// full the last block of sixteen is.
TEST(SocTrainerTest, BlockedDistancesEqualTheRowByRowOnes) {
    for (const int k : {1, 15, 16, 17, 400}) {
        FreshWorkspace();
        ws.AxisSize[1] = ws.AxisSize[2] = 25;
        ws.MapEnlargement = 3;
        ws.ItemCount = k;
        ws.VectorDim = 23;
        ws.VectorCount = 10;
        std::mt19937 gen(static_cast<unsigned>(k));
        std::uniform_real_distribution<float> value(-2, 12), weight(0.05f, 1), place(1, 24);
        for (int i = 1; i <= 10; ++i)
            for (int q = 1; q <= 23; ++q) ws.InputVectors[i][q] = value(gen);
        for (int p = 1; p <= k; ++p) {
            for (int q = 1; q <= 23; ++q) {
                ws.Prototypes[p][1][q] = value(gen);
                ws.Prototypes[p][2][q] = weight(gen);
            }
            ws.MapCoords[p][1] = place(gen);
            ws.MapCoords[p][2] = place(gen);
        }
        static SocTrainer trainer;
        static MdsPlan blocked, plain;
        static float blockedDist[kMaxMapItems + 1][kMaxMapItems + 1], start[kMaxMapItems + 1][5],
            blockedMap[kMaxMapItems + 1][5];
        trainer.Start();
        for (const int moving : {0, 3}) {
            for (int a = 1; a <= moving; ++a) trainer.Update(1 + (a * 7) % k, a, 0.3f);
            std::memcpy(start, ws.MapCoords, sizeof start);
            trainer.Distances(blocked, 23, 1.7f, 0.01f);
            std::memcpy(blockedDist, ws.DistMatrix, sizeof blockedDist);
            blocked.Step(2, 0.005f);
            std::memcpy(blockedMap, ws.MapCoords, sizeof blockedMap);

            std::memcpy(ws.MapCoords, start, sizeof start);
            PrototypeDistances();
            plain.PrepareSymmetric(k, 23, 1.7f, 0.01f);
            plain.Step(2, 0.005f);
            for (int i = 1; i <= k; ++i) {
                for (int j = 1; j <= k; ++j)
                    ASSERT_EQ(blockedDist[i][j], ws.DistMatrix[i][j])
                        << k << " prototypes: " << i << "," << j;
                ASSERT_EQ(blockedMap[i][1], ws.MapCoords[i][1]) << k << " prototypes: " << i;
                ASSERT_EQ(blockedMap[i][2], ws.MapCoords[i][2]) << k << " prototypes: " << i;
            }
        }
    }
}

}  // namespace
