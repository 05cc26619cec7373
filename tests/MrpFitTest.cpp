// MRP values fitted to tables of known groups: the clusters the run then
// makes recover the groups and leave at most a third of the items out.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "distances/Distances.h"
#include "form/RunReport.h"
#include "mrp/ClassAgreement.h"
#include "mrp/Clustering.h"
#include "mrp/MrpFit.h"
#include "support/FakeForm.h"

namespace {

// Groups of points in the plane, each normal around its centre; group 0
// is noise, spread evenly over the square the centres span and a margin.
struct Group {
    float x, y, spread;
    int size;
};
struct Known {
    DistanceMatrix d;
    std::vector<int> group;  // of items 1..n
};
Known Groups(const std::vector<Group>& groups, int noiseRows = 0) {
    std::mt19937 random(7);
    std::normal_distribution<float> normal;
    std::uniform_real_distribution<float> across(-3, 9);
    std::vector<std::array<float, 2>> points;
    Known t{{}, {0}};
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (int i = 0; i < groups[g].size; ++i) {
            points.push_back({groups[g].x + groups[g].spread * normal(random),
                              groups[g].y + groups[g].spread * normal(random)});
            t.group.push_back(static_cast<int>(g) + 1);
        }
    for (int i = 0; i < noiseRows; ++i) {
        points.push_back({across(random), across(random)});
        t.group.push_back(0);
    }
    std::vector<std::vector<float>> rows;
    for (const auto& a : points) {
        rows.emplace_back();
        for (const auto& b : points) rows.back().push_back(std::hypot(a[0] - b[0], a[1] - b[1]));
    }
    t.d = DistancesOf(rows);
    return t;
}

struct Case {
    const char* name;
    std::vector<Group> groups;
    int noiseRows;
    double leastAgreement;  // with the groups, over the items not of noise
};

class FittedMrp : public testing::TestWithParam<Case> {};

TEST_P(FittedMrp, RecoversTheGroupsAndLeavesAtMostAThirdOut) {
    const Case& c = GetParam();
    const Known t = Groups(c.groups, c.noiseRows);
    const std::optional<MrpFit> fit = FitMrpValues(t.d, MeanDistance(t.d), 30, [] { return true; });
    ASSERT_TRUE(fit);
    const MrpValues v = fit->chosen.values;
    SilentReport silent;
    const Clusters clusters = ClusterPrototypes(t.d, 30, v.charDistance, v.noiseLimit, v.neighbourLimit, silent);
    std::vector<int> found, known;
    int inNone = 0;
    for (std::size_t i = 1; i < t.group.size(); ++i) {
        const int centre = clusters.marks[i].CentreItem();
        inNone += centre == 0;
        if (t.group[i] == 0) continue;
        found.push_back(centre);
        known.push_back(t.group[i]);
    }
    // The judgement is of the clusters the stated values give.
    EXPECT_EQ(inNone, fit->chosen.judged.itemsInNone);
    EXPECT_LE(3 * inNone, static_cast<int>(t.group.size()) - 1);
    EXPECT_GE(AdjustedRandIndex(found, known), c.leastAgreement)
        << v.charDistance << " " << v.noiseLimit << " " << v.neighbourLimit;
}

INSTANTIATE_TEST_SUITE_P(
    KnownGroups, FittedMrp,
    testing::Values(Case{"WellSeparated", {{0, 0, 0.5f, 40}, {6, 0, 0.5f, 40}, {3, 5, 0.5f, 40}}, 0, 0.9},
                    Case{"Touching", {{0, 0, 1, 60}, {3, 0, 1, 60}}, 0, 0.5},
                    Case{"UnequalSizes", {{0, 0, 0.6f, 80}, {5, 0, 0.6f, 25}, {2, 5, 0.6f, 10}}, 0, 0.8},
                    Case{"WithNoiseRows", {{0, 0, 0.5f, 50}, {6, 6, 0.5f, 50}}, 25, 0.8}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// STOP between two values of "char. distance" ends the fit with nothing.
TEST(FittedMrpStop, TheStopCheckEndsTheTrials) {
    const Known t = Groups({{0, 0, 0.5f, 30}, {6, 0, 0.5f, 30}});
    int asked = 0;
    EXPECT_FALSE(FitMrpValues(t.d, MeanDistance(t.d), 30, [&] { return ++asked < 3; }));
    EXPECT_EQ(asked, 3);
}

}  // namespace
