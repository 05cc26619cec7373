#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "distances/DistanceUnit.h"
#include "distances/Distances.h"
#include "mds/MdsStep.h"
#include "soc/SocAssignment.h"
#include "soc/SocMatcher.h"
#include "soc/SocResults.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "soc/TrainingScale.h"
#include "support/FakeForm.h"

namespace {

using Rows = std::vector<std::vector<float>>;

constexpr double kSize = 25 * 3;  // the prototype map's extent times the default "map enlarge."

// The winner is ranked by 0.1 sqrt(S) / (1 + the weights), the error
// returned is sqrt(S / (1 + the weights)): the two differ, and so may the
// prototypes they would pick.
TEST(SocMatching, FindsTheNearestPrototypeAndItsError) {
    const struct {
        const char* name;
        Rows prototypes;
        std::vector<float> weight;  // of every component, by prototype
        std::vector<float> item;
        int dim;
        int winner;  // 0: none
        float error;
    } cases[] = {
        {"worked", {{1, 0}}, {1}, {0, 0}, 2, 1, 0.5774f},
        {"tieToTheLowerNumber", {{5}, {-1}, {1}}, {1, 1, 1}, {0}, 1, 2, 0.7071f},
        {"identical", {{5}, {-1}, {5}}, {1, 1, 1}, {5}, 1, 1, 0},
        // Prototype 1 ranks first (0.1037 against 0.1437) though prototype
        // 2's error would be the smaller (1.508 against 1.796).
        {"rankedNotByTheError", {{2.2f, 2.2f}, {5, 5}}, {1, 0.05f}, {0, 0}, 2, 1, 1.7963f},
        {"noPrototype", {}, {}, {0}, 1, 0, 0},
        {"noComparedComponent", {{0, 0}}, {1}, {NAN, NAN, 7}, 2, 0, 0},
    };
    for (const auto& c : cases) {
        Prototypes prototypes = PrototypesOf(c.prototypes);
        for (int p = 1; p <= prototypes.k; ++p)
            std::fill_n(prototypes.Weights(p) + 1, prototypes.width, c.weight[static_cast<std::size_t>(p - 1)]);
        const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, TableOf({c.item}), 1, c.dim);
        ASSERT_EQ(match.has_value(), c.winner != 0) << c.name;
        if (!match) continue;
        EXPECT_EQ(match->prototype, c.winner) << c.name;
        EXPECT_NEAR(match->error, c.error, 1e-4) << c.name;
    }
}

// An item missing some of the components compared is taken to be as far off
// on them as on the ones it has: its weighted sum of squares is scaled up
// by the components compared over those it has.
TEST(SocMatching, AnItemMissingComponentsIsAsFarOffOnThemAsOnTheOthers) {
    const struct {
        std::vector<float> missing, whole;
        int dim;
    } cases[] = {
        {{3, NAN}, {3, 3}, 2},
        {{NAN, 2, NAN, 2}, {2, 2, 2, 2}, 4},
        {{NAN, 1, 1, 1}, {1, 1, 1, 1}, 4},
        {{3, 3, NAN}, {3, 3, 0}, 2},  // a gap past the components compared counts for nothing
    };
    for (const auto& c : cases) {
        const Prototypes prototypes = PrototypesOf({std::vector<float>(4, 0.0f), std::vector<float>(4, 9.0f)});
        const Table items = TableOf({c.missing, c.whole});
        const std::optional<PrototypeMatch> gappy = NearestPrototype(prototypes, items, 1, c.dim);
        const std::optional<PrototypeMatch> whole = NearestPrototype(prototypes, items, 2, c.dim);
        ASSERT_TRUE(gappy && whole);
        EXPECT_EQ(gappy->prototype, whole->prototype) << c.dim;
        EXPECT_FLOAT_EQ(gappy->error, whole->error) << c.dim;
        EXPECT_FLOAT_EQ(ItemError(prototypes, 2, items, 1, c.dim).s, ItemError(prototypes, 2, items, 2, c.dim).s);
    }
}

// An item none of whose compared components is present has no error to
// rank: it is in no prototype, moves none and counts in no figure.
TEST(SocMatching, AnItemWithoutAComparedComponentIsInNoPrototype) {
    Prototypes prototypes = PrototypesOf({{0, 0}, {4, 4}});
    const Table items = TableOf({{1, 1}, {4, 5}, {NAN, NAN, 7}});  // a value beyond the components compared
    EXPECT_EQ(MeanStartError(prototypes, items, 3, 2),
              (NearestPrototype(prototypes, items, 1, 2)->error + NearestPrototype(prototypes, items, 2, 2)->error) /
                  2);

    const auto training = std::make_unique<SocTraining>();
    DistanceMatrix distances;
    std::vector<float> scores(3, 0.0f);
    training->Begin(prototypes, items, 2, distances, kSize, scores, 0.5f, 100, 10);
    const Prototypes before = prototypes;
    EXPECT_EQ(training->Learn(1, 3), 0.0f);
    EXPECT_EQ(prototypes.values, before.values);
    EXPECT_EQ(prototypes.weights, before.weights);
    EXPECT_EQ(scores[1] + scores[2], 0.0f);
    EXPECT_EQ(training->LearnRate(), 0.5f);  // the first update still uses the base rate

    EXPECT_EQ(SocClustersText(AssignVectors(prototypes, items, 2).prototypeOf, 2), "   1  \n \n   2  \n \n");
}

// Data whose first item's components sum to 2 or less train at ten times
// the file's size, larger data at the file's own size. Only the components
// compared count, and a missing one adds nothing.
TEST(TrainingScale, ItemOnesSumAboveTwoKeepsTheFilesSize) {
    const struct {
        std::vector<float> first;
        int dim;
        float trainedAt;
    } cases[] = {
        {{1, 1}, 2, 10},
        {{1, std::nextafter(2.0f, 3.0f) - 1}, 2, 1},
        {{2.5f}, 1, 1},
        {{1, 1, 5}, 2, 10},
        {{1, NAN, 1.5f}, 3, 1},
        {{NAN, 2}, 2, 10},
    };
    for (const auto& c : cases) {
        Table items = TableOf({c.first, {4, 4, 4}});
        ShrinkLargeData(items, c.dim);
        EXPECT_EQ(items.scale * kTenfold, c.trainedAt) << "case " << &c - cases;
        EXPECT_FLOAT_EQ(items.Row(2)[1] * kTenfold, 4 * c.trainedAt) << "case " << &c - cases;
    }
}

// Matching ranks by the values' own size: whatever it is, every item has a
// winner, the same in the plain steps and in the fast trainer, and every
// step of a training has one.
TEST(SocMatching, HasAWinnerWhateverTheValuesSize) {
    for (const float scale : {1.0f, 1e7f}) {
        // Four groups, the items of group g at g's corner and a little off it.
        const float corner[4][3] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        Rows rows;
        for (int i = 1; i <= 40; ++i) {
            rows.emplace_back();
            for (int q = 1; q <= 3; ++q)
                rows.back().push_back((corner[i % 4][q - 1] + 0.01f * static_cast<float>((i * 7 + q) % 10)) * scale);
        }
        const Table items = TableOf(rows);
        Prototypes prototypes = PrototypesOf({rows[0], rows[1], rows[2], rows[3]});
        DistanceMatrix distances;
        const auto trainer = std::make_unique<SocTrainer>();
        trainer->Start(prototypes, items, 3, distances, kSize);
        for (int i = 1; i <= 40; ++i) {
            const std::optional<PrototypeMatch> plain = NearestPrototype(prototypes, items, i, 3);
            ASSERT_TRUE(plain) << scale << ": item " << i;
            EXPECT_EQ(plain->prototype, i % 4 == 0 ? 4 : i % 4) << scale << ": item " << i;
            int winner = 0;
            float fast = 0;
            EXPECT_TRUE(trainer->Match(i, winner, fast)) << scale << ": item " << i;
            EXPECT_EQ(fast, plain->error) << scale << ": item " << i;
            EXPECT_EQ(winner, plain->prototype) << scale << ": item " << i;
        }
        // A winner's score rises with each win: the scores' sum with each step.
        const auto training = std::make_unique<SocTraining>();
        std::vector<float> scores(5, 0.0f);
        training->Begin(prototypes, items, 3, distances, kSize, scores, 0.05f,
                        MeanStartError(prototypes, items, 40, 3), 2000);
        float sum = 0;
        for (int t = 1; t <= 2000; ++t) {
            training->Learn(t, 1 + (t * 13) % 40);
            const float after = scores[1] + scores[2] + scores[3] + scores[4];
            ASSERT_GT(after, sum) << scale << ": step " << t;
            sum = after;
        }
    }
}

// Over many blocks of prototypes the fast search finds the plain winner of
// every item, wherever in its block that lies.
TEST(SocMatching, FindsThePlainWinnerAmongManyBlocks) {
    std::mt19937 gen(4);
    std::uniform_real_distribution<float> value(0, 1);
    Rows rows(400, std::vector<float>(6));
    for (auto& row : rows) std::generate(row.begin(), row.end(), [&] { return value(gen); });
    const Table items = TableOf(rows);
    Prototypes prototypes = PrototypesOf(Rows(rows.begin(), rows.begin() + 90));
    DistanceMatrix distances;
    const auto trainer = std::make_unique<SocTrainer>();
    trainer->Start(prototypes, items, 6, distances, kSize);
    for (int i = 91; i <= 400; ++i) {
        int winner = 0;
        float error = 0;
        ASSERT_TRUE(trainer->Match(i, winner, error));
        ASSERT_EQ(winner, NearestPrototype(prototypes, items, i, 6)->prototype) << "item " << i;
    }
}

// At 2^70 times the values, whose squares overflow a float, the steps give
// what they give at the values' own size, the errors and distances 2^70
// times as large, exactly.
TEST(SocSteps, ValuesOfAnySizeGiveTheirStepsExactly) {
    std::vector<float> seen[2];
    for (const float scale : {1.0f, 0x1p70f}) {
        Table items = TableOf({{0, 1, 2}, {3, 1, 0}, {1, 1, 1}, {5, 4, 3}, {0, 0, 7}, {2, 6, 1}});
        items.MultiplyBy(scale);
        Prototypes prototypes;
        prototypes.Resize(3, 3);
        for (int p = 1; p <= 3; ++p)
            for (int q = 1; q <= 3; ++q) {
                prototypes.Vector(p)[q] = items.Row(2 * p - 1)[q];
                prototypes.Weights(p)[q] = 0.3f * static_cast<float>(p + q);
            }
        items.distanceUnit = ChooseDistanceUnit(items, 6, 3);
        EXPECT_EQ(items.distanceUnit == 1.0f, scale == 1.0f) << "values whose squares fit keep theirs";
        std::vector<float>& steps = seen[scale != 1.0f];
        for (int i = 1; i <= 6; ++i) {
            const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, items, i, 3);
            ASSERT_TRUE(match) << scale;
            steps.insert(steps.end(),
                         {static_cast<float>(match->prototype), match->error / scale,
                          VectorDistance(items.Row(i), prototypes.Vector(3), 3, items.distanceUnit) / scale});
        }
        steps.push_back(MeanStartError(prototypes, items, 6, 3) / scale);
        DistanceMatrix d;
        PrototypeDistances(prototypes, 3, items.distanceUnit, kSize, d);
        steps.insert(steps.end(), {d.At(2, 1), d.At(3, 1), d.At(3, 2), d.scale * scale, d.largest});
    }
    EXPECT_EQ(seen[1], seen[0]);
}

// A component moves toward the item's, its weight toward 1 - exp(-3.5 x^2)
// (never below 0.05); a component the item lacks stays as it is.
TEST(SocSteps, UpdatePullsTheWinnerAndItsWeights) {
    const struct {
        float x;
        int updates;
        float component, weight;
    } cases[] = {
        {0, 1, 1, 0.5f},
        {10, 1, 6, 1},
        {0, 11, 0.0009765625f, 0.05f},  // the floor
        // The square, the exponential and both differences are stored as
        // floats: 0.517197311 when they are kept in double.
        {0.1f, 1, 1.05f, 0.517197251f},
        {NAN, 1, 2, 1},
    };
    for (const auto& c : cases) {
        Prototypes prototypes = PrototypesOf({{2}, {2}});
        const Table items = TableOf({{c.x}});
        for (int i = 0; i < c.updates; ++i) UpdatePrototype(prototypes, 2, items, 1, 0.5f, 1);
        EXPECT_FLOAT_EQ(prototypes.Vector(2)[1], c.component) << c.x;
        EXPECT_EQ(prototypes.Weights(2)[1], c.weight) << c.x;
        EXPECT_EQ(prototypes.Vector(1)[1], 2.0f) << "only the winner moves";
    }
}

// The largest prototype distance becomes the map's extent; a single
// prototype or identical ones still give that extent.
TEST(SocSteps, PrototypeDistancesAreNormalisedToTheMapExtent) {
    const struct {
        Rows prototypes;
        float between, scale;  // of prototypes 1 and 2; the factor the raw distances were multiplied by
    } cases[] = {
        {{{0, 0}, {3, 4}}, 75, 15},
        {{{4}}, NAN, -0.0075f},  // no pair: the largest stays -10000
        {{{4}, {4}, {4}}, 0, 75},
    };
    for (const auto& c : cases) {
        DistanceMatrix d;
        PrototypeDistances(PrototypesOf(c.prototypes), static_cast<int>(c.prototypes[0].size()), 1, kSize, d);
        EXPECT_EQ(d.At(1, 1), 0.0f);
        EXPECT_EQ(d.largest, 75.0f);
        EXPECT_FLOAT_EQ(d.scale, c.scale);
        if (d.n < 2) continue;
        EXPECT_EQ(d.At(1, 2), c.between);
        EXPECT_EQ(d.At(2, 1), c.between);
    }
}

TEST(SocRates, FollowTheRateLawAndTheWinScore) {
    EXPECT_NEAR(SocLearnRate(0.05f, 0), 0.000133f, 1e-6);
    EXPECT_NEAR(SocLearnRate(0.05f, 2.5f), 0.0026f, 1e-6);
    EXPECT_NEAR(SocLearnRate(0.05f, 5), 0.00507f, 1e-5);
    EXPECT_NEAR(SocLearnRate(0.05f, 500), 0.0051f, 1e-6);
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
        std::mt19937 gen(static_cast<unsigned>(k * 100 + dim));
        std::uniform_real_distribution<float> value(-2, 12), weight(0.05f, 1);
        Table items;
        items.Resize(300, dim);
        for (int i = 1; i <= 300; ++i)
            for (int q = 1; q <= dim; ++q) items.Row(i)[q] = value(gen) * scale;
        Prototypes prototypes;
        prototypes.Resize(k, dim);
        for (int p = 1; p <= k; ++p)
            for (int q = 1; q <= dim; ++q) {
                prototypes.Vector(p)[q] = value(gen) * scale;
                prototypes.Weights(p)[q] = weight(gen);
            }
        items.distanceUnit = ChooseDistanceUnit(items, 300, dim);
        // Two prototypes at item 1 itself: the first of them wins.
        for (int q = 1; q <= dim; ++q) {
            prototypes.Vector(k)[q] = prototypes.Vector(1)[q] = items.Row(1)[q];
            prototypes.Weights(k)[q] = prototypes.Weights(1)[q];
        }
        Prototypes plain = prototypes;

        DistanceMatrix fastDistances;
        const auto trainer = std::make_unique<SocTrainer>();
        trainer->Start(prototypes, items, dim, fastDistances, kSize);
        std::uniform_int_distribution<int> item(1, 300);
        std::vector<std::pair<std::optional<float>, int>> fast, slow;
        std::vector<int> drawn;
        for (int step = 1; step <= 600; ++step) {
            const int a = step == 1 ? 1 : item(gen);
            drawn.push_back(a);
            int winner = 0;
            float err = 0;
            const bool matched = trainer->Match(a, winner, err);
            fast.emplace_back(matched ? std::optional(err) : std::nullopt, matched ? winner : 0);
            trainer->Update(fast.back().second, a, 0.05f);
            if (step % 200 == 0) trainer->Distances();
        }

        for (const int a : drawn) {
            const std::optional<PrototypeMatch> match = NearestPrototype(plain, items, a, dim);
            slow.emplace_back(match ? std::optional(match->error) : std::nullopt, match ? match->prototype : 0);
            UpdatePrototype(plain, slow.back().second, items, a, 0.05f, dim);
        }
        DistanceMatrix plainDistances;
        PrototypeDistances(plain, dim, items.distanceUnit, kSize, plainDistances);
        ASSERT_EQ(fast, slow) << k << " x " << dim << " at " << scale;
        EXPECT_EQ(fast[0].second, 1);
        EXPECT_EQ(fastDistances.scale, plainDistances.scale);
        EXPECT_TRUE(fastDistances.values == plainDistances.values) << k << " x " << dim << " at " << scale;
        EXPECT_TRUE(prototypes.values == plain.values) << k << " x " << dim << " at " << scale;
        EXPECT_TRUE(prototypes.weights == plain.weights) << k << " x " << dim << " at " << scale;
    }
}

// The assignment made once at a run's end gives every vector the prototype
// and the distance the plain steps give: of equal prototypes the
// lower-numbered, a vector that misses components by the partial rule, one
// without any compared component none. Kept, it follows a change of the
// prototypes or of the vectors.
TEST(SocAssignmentTest, GivesThePlainMatchAndFollowsChanges) {
    for (const auto& [k, dim] : {std::pair{3, 2}, {37, 13}, {400, 64}}) {
        std::mt19937 gen(static_cast<unsigned>(k + dim));
        std::uniform_real_distribution<float> value(-2, 12), weight(0.05f, 1);
        Table items;
        items.Resize(300, dim);
        for (int i = 1; i <= 300; ++i)
            for (int q = 1; q <= dim; ++q) items.Row(i)[q] = value(gen);
        Prototypes prototypes;
        prototypes.Resize(k, dim);
        for (int p = 1; p <= k; ++p)
            for (int q = 1; q <= dim; ++q) {
                prototypes.Vector(p)[q] = value(gen);
                prototypes.Weights(p)[q] = weight(gen);
            }
        // Prototypes 1 and k alike, at item 1; item 2 misses a component,
        // item 3 all of them.
        for (int q = 1; q <= dim; ++q) {
            prototypes.Vector(k)[q] = prototypes.Vector(1)[q] = items.Row(1)[q];
            prototypes.Weights(k)[q] = prototypes.Weights(1)[q];
            items.Row(3)[q] = NAN;
        }
        items.Row(2)[1] = NAN;
        items.missing[2] = 1;
        items.missing[3] = dim;
        const auto plain = [&](const SocAssignment& assigned, const char* when) {
            std::vector<int> members(static_cast<std::size_t>(k) + 1, 0);
            for (int i = 1; i <= 300; ++i) {
                const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, items, i, dim);
                const int p = match ? match->prototype : 0;
                const auto at = static_cast<std::size_t>(i);
                ASSERT_EQ(assigned.prototypeOf[at], p) << k << " x " << dim << ", " << when << ": " << i;
                EXPECT_EQ(assigned.distance[at],
                          p > 0 ? VectorDistance(items.Row(i), prototypes.Vector(p), dim, 1) : 0.0f);
                ++members[static_cast<std::size_t>(p)];
            }
            members[0] = 0;
            EXPECT_EQ(assigned.members, members) << k << " x " << dim << ", " << when;
        };
        KeptSocAssignment kept;
        plain(kept.Of(prototypes, items, dim), "as made");
        EXPECT_EQ(kept.Of(prototypes, items, dim).prototypeOf[1], 1);
        EXPECT_EQ(kept.Of(prototypes, items, dim).prototypeOf[3], 0);
        prototypes.Vector(1)[1] += 100;
        plain(kept.Of(prototypes, items, dim), "a prototype moved");
        std::copy(prototypes.Vector(2) + 1, prototypes.Vector(2) + dim + 1, items.Row(4) + 1);
        plain(kept.Of(prototypes, items, dim), "a vector changed");
    }
}

// The blocked pass, over every pair at the start and then over the pairs of
// the prototypes that moved, gives the distances and the prototype map's
// pair tables that the plain rows and a fresh preparation give, however
// full the last block of sixteen is.
TEST(SocTrainerTest, BlockedDistancesEqualTheRowByRowOnes) {
    for (const int k : {1, 15, 16, 17, 400}) {
        std::mt19937 gen(static_cast<unsigned>(k));
        std::uniform_real_distribution<float> value(-2, 12), weight(0.05f, 1), place(1, 24);
        Table items;
        items.Resize(10, 23);
        for (int i = 1; i <= 10; ++i)
            for (int q = 1; q <= 23; ++q) items.Row(i)[q] = value(gen);
        Prototypes prototypes;
        prototypes.Resize(k, 23);
        MapLayout map;
        map.Resize(k);
        map.axisSize[1] = map.axisSize[2] = 25;
        for (int p = 1; p <= k; ++p) {
            for (int q = 1; q <= 23; ++q) {
                prototypes.Vector(p)[q] = value(gen);
                prototypes.Weights(p)[q] = weight(gen);
            }
            map.Point(p)[1] = place(gen);
            map.Point(p)[2] = place(gen);
        }
        const auto trainer = std::make_unique<SocTrainer>();
        const auto blocked = std::make_unique<MdsPlan>(), plain = std::make_unique<MdsPlan>();
        DistanceMatrix blockedDistances, plainDistances;
        trainer->Start(prototypes, items, 23, blockedDistances, kSize);
        for (const int moving : {0, 3}) {
            for (int a = 1; a <= moving; ++a) trainer->Update(1 + (a * 7) % k, a, 0.3f);
            MapLayout blockedMap = map;
            trainer->Distances(*blocked, 23, 1.7f, 0.01f);
            blocked->Step(blockedMap, 2, 0.005f);
            trainer->SyncDistances();

            PrototypeDistances(prototypes, 23, items.distanceUnit, kSize, plainDistances);
            plain->PrepareSymmetric(plainDistances, 23, 1.7f, 0.01f);
            plain->Step(map, 2, 0.005f);
            ASSERT_TRUE(blockedDistances.values == plainDistances.values) << k << " prototypes, " << moving;
            ASSERT_TRUE(blockedMap.coords == map.coords) << k << " prototypes, " << moving;
        }
    }
}

}  // namespace
