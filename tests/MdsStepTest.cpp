#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <vector>

#include "mds/MapBorder.h"
#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "reference/ReferenceSteps.h"

namespace {

// The distances of a map's points and the map.
struct Map {
    DistanceMatrix d;
    MapLayout map;

    // n points on m axes of a box of 20 (the other axes 1 long), at 0 and
    // 0 apart.
    Map(int n, int m) {
        d.Resize(n);
        map.Resize(n);
        for (int a = 1; a <= 9; ++a) map.axisSize[a] = a <= m ? 20 : 1;
    }
};

// A random map of n points on m axes over random (optionally asymmetric)
// distances, normalised as a run normalises them.
Map RandomMap(int n, int m, unsigned seed, bool symmetric = true) {
    Map r(n, m);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> coord(0.5f, 19.5f), dist(0.1f, 60.0f);
    for (int i = 1; i <= n; ++i) {
        for (int a = 1; a <= m; ++a) r.map.Point(i)[a] = coord(gen);
        for (int j = 1; j < i; ++j) {
            r.d.Row(i)[j] = dist(gen);
            r.d.Row(j)[i] = symmetric ? r.d.At(i, j) : dist(gen);
        }
    }
    r.d.largest = 20;
    return r;
}

// One step of a plan prepared anew, as a run's first step.
void StepOnce(Map& r, int b, int m, float stepLength, float radiusFactor, float farWeight) {
    static MdsPlan plan;
    plan.Prepare(r.d, b, radiusFactor, farWeight);
    plan.Step(r.map, m, stepLength);
}

// The reference step from the same start: its coordinates, the map left as
// it was.
std::vector<float> ReferenceStep(const Map& r, int b, int m, float stepLength, float radiusFactor,
                                 float farWeight) {
    MapLayout map = r.map;
    ReferenceMdsStep(r.d, map, b, m, stepLength, radiusFactor, farWeight);
    return map.coords;
}

void ExpectNear(const std::vector<float>& a, const std::vector<float>& b, float tolerance) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(a[i], b[i], tolerance) << "coordinate " << i;
}

double Stress(const Map& r, int m, int b) {
    double s = 0;
    for (int q = 1; q <= r.map.n; ++q)
        for (int l = 1; l <= r.map.n; ++l) {
            double d2 = 0;
            for (int a = 1; a <= m; ++a) d2 += std::pow(r.map.Point(q)[a] - r.map.Point(l)[a], 2);
            s += std::pow(d2 - std::pow(r.d.At(q, l), 2) / b, 2);
        }
    return s;
}

struct Shape {
    int n, m;
    bool symmetric;
};

void PrintTo(const Shape& s, std::ostream* os) {
    *os << s.n << " items, " << s.m << " axes";
}

class FastAgainstReference : public ::testing::TestWithParam<Shape> {};

TEST_P(FastAgainstReference, OneStepMovesEveryItemAlike) {
    const auto [n, m, symmetric] = GetParam();
    Map r = RandomMap(n, m, 11u + static_cast<unsigned>(n), symmetric);
    const std::vector<float> reference = ReferenceStep(r, 30, m, 0.5f, 0.3f, 0.0001f);
    StepOnce(r, 30, m, 0.5f, 0.3f, 0.0001f);
    ExpectNear(r.map.coords, reference, 2e-4f);
}

TEST_P(FastAgainstReference, AHundredStepsReachTheSameStress) {
    const auto [n, m, symmetric] = GetParam();
    Map r = RandomMap(n, m, 5u, symmetric);
    Map reference = r;
    for (int i = 0; i < 100; ++i) ReferenceMdsStep(reference.d, reference.map, 30, m, 0.5f, 1.8f, 0.0001f);
    MdsPlan plan;
    plan.Prepare(r.d, 30, 1.8f, 0.0001f);
    for (int i = 0; i < 100; ++i) plan.Step(r.map, m, 0.5f);
    const double stress = Stress(reference, m, 30);
    EXPECT_NEAR(Stress(r, m, 30), stress, stress * 0.02);
}

// The symmetric step reads only the pairs above the diagonal, so what an
// earlier, asymmetric matrix left below it must not count.
TEST(MdsStep, ASymmetricMatrixAfterAnAsymmetricOneStepsAsTheReference) {
    static MdsPlan plan;
    plan.Prepare(RandomMap(45, 3, 8u, false).d, 30, 0.3f, 0.0001f);
    Map r = RandomMap(45, 3, 9u, true);
    const std::vector<float> reference = ReferenceStep(r, 30, 3, 0.5f, 0.3f, 0.0001f);
    plan.Prepare(r.d, 30, 0.3f, 0.0001f);
    plan.Step(r.map, 3, 0.5f);
    ExpectNear(r.map.coords, reference, 2e-4f);
}

INSTANTIATE_TEST_SUITE_P(Shapes, FastAgainstReference,
                         ::testing::Values(Shape{7, 1, true}, Shape{50, 2, true}, Shape{150, 3, true},
                                           Shape{400, 3, true}, Shape{33, 4, true}, Shape{60, 2, false}));

TEST(MdsStep, ASingleItemDoesNotMoveButIsCentred) {
    Map r(1, 2);
    r.map.Point(1)[1] = 3;
    r.map.Point(1)[2] = 4;
    StepOnce(r, 1, 2, 0.5f, 1.8f, 0.0001f);
    EXPECT_FLOAT_EQ(r.map.Point(1)[1], 10);
    EXPECT_FLOAT_EQ(r.map.Point(1)[2], 10);
    EXPECT_EQ(r.map.Point(1)[3], 0.0f);
}

TEST(MdsStep, AMoveEndingOnTheBoxEdgeIsRefused) {
    for (const float start : {0.5f, 19.5f})
        for (const bool reference : {true, false}) {
            // Two items 2 apart on one axis whose squared distance should be
            // 68: the bracket is -128, so the first item's move is exactly 0.5
            // and ends on 0 or on 20.
            Map r(2, 1);
            r.d.largest = 100;
            r.d.Row(1)[2] = r.d.Row(2)[1] = 34;
            const float other = start == 0.5f ? 2.5f : 17.5f;
            r.map.Point(1)[1] = start;
            r.map.Point(2)[1] = other;
            if (reference)
                ReferenceMdsStep(r.d, r.map, 17, 1, 0.5f, 1.8f, 0.0001f);
            else
                StepOnce(r, 17, 1, 0.5f, 1.8f, 0.0001f);
            // The first item stayed; the second moved outward by 0.5; both
            // were centred on 10.
            const float first = r.map.Point(1)[1], second = r.map.Point(2)[1];
            EXPECT_FLOAT_EQ(std::abs(second - first), std::abs(other - start) + 0.5f) << reference;
            EXPECT_FLOAT_EQ(second + first, 20.0f) << reference;
        }
}

TEST(MdsStep, ItemsAtOnePlaceExertNoForceOnEachOther) {
    Map r(2, 2);
    r.d.largest = 1;
    for (int i = 1; i <= 2; ++i) r.map.Point(i)[1] = r.map.Point(i)[2] = 10;
    r.d.Row(1)[2] = r.d.Row(2)[1] = 5;
    StepOnce(r, 1, 2, 0.5f, 1.8f, 0.0001f);
    EXPECT_EQ(r.map.Point(1)[1], 10.0f);
    EXPECT_EQ(r.map.Point(2)[2], 10.0f);
}

TEST(MdsStep, AllFarWeightsGiveTheDirectionOfEqualWeights) {
    Map far = RandomMap(40, 2, 3), near = far;
    StepOnce(far, 30, 2, 0.5f, 1e-6f, 0.0001f);  // every partner beyond the radius
    StepOnce(near, 30, 2, 0.5f, 1e6f, 0.0001f);  // every partner within it
    ExpectNear(far.map.coords, near.map.coords, 1e-4f);
}

TEST(MdsStep, NotANumberDistancesStopTheirItemsButNotTheRest) {
    Map r = RandomMap(10, 2, 9);
    r.d.Row(3)[4] = r.d.Row(4)[3] = std::nanf("");
    const std::vector<float> reference = ReferenceStep(r, 30, 2, 0.5f, 1.8f, 0.0001f);
    StepOnce(r, 30, 2, 0.5f, 1.8f, 0.0001f);
    ExpectNear(r.map.coords, reference, 2e-4f);
}

// Thirty items on a spiral whose map exists exactly, after fixed steps of
// 0.5 that leave it jittering: settling lowers the stress the step
// minimises, and the settled map stays where it is under further steps of
// the last length (an unsettled one would drift by a length each step).
TEST(MapSettling, LowersTheStressAndLeavesAMapAtRest) {
    constexpr int n = 30, b = 4;
    Map r = RandomMap(n, 2, 4);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double ai = 0.5 * i, aj = 0.5 * j, ri = 1 + 0.25 * i, rj = 1 + 0.25 * j;
            r.d.Row(i)[j] =
                static_cast<float>(std::sqrt(b) * std::hypot(ri * std::cos(ai) - rj * std::cos(aj),
                                                             ri * std::sin(ai) - rj * std::sin(aj)));
        }
    MdsPlan plan;
    plan.Prepare(r.d, b, 1e6f, 0.0001f);  // every pair within the radius: the stress of Stress()
    for (int i = 0; i < 2000; ++i) plan.Step(r.map, 2, 0.5f);
    const double jittering = Stress(r, 2, b);
    const Settling settling = SettlingAfter(0.5f);
    EXPECT_EQ(Settle(plan, r.map, 2, settling, [](int) { return true; }), settling.steps);
    const double settled = Stress(r, 2, b);
    EXPECT_LT(settled, jittering / 100) << jittering;

    const std::vector<float> rest = r.map.coords;
    for (int i = 0; i < 10; ++i) plan.Step(r.map, 2, settling.lastLength);
    ExpectNear(r.map.coords, rest, settling.lastLength);
}

// Two items far apart for their distance close in by the length of each
// step at each end: the gap says how long every settling step was. The
// lengths shrink by one factor from the run's step down to a thousandth of
// it, the last step's.
TEST(MapSettling, StepsShrinkGeometricallyToAThousandthOfTheRunsStep) {
    constexpr float step = 0.04f;
    Map r(2, 1);
    r.d.largest = 1;
    r.d.Row(1)[2] = r.d.Row(2)[1] = 0.1f;
    r.map.Point(1)[1] = 0.5f;
    r.map.Point(2)[1] = 19.5f;
    MdsPlan plan;
    plan.Prepare(r.d, 1, 1.8f, 0.0001f);
    std::vector<double> lengths;  // of the steps made, from the gap each closed
    double gap = 19;
    const Settling settling = SettlingAfter(step);
    Settle(plan, r.map, 1, settling, [&](int) {
        const double now = r.map.Point(2)[1] - r.map.Point(1)[1];
        lengths.push_back((gap - now) / 2);
        gap = now;
        return true;
    });
    ASSERT_GT(gap, 0.1);  // never at the distance, where the items would turn
    ASSERT_EQ(lengths.size(), static_cast<std::size_t>(settling.steps));
    const std::size_t last = lengths.size() - 1;
    EXPECT_NEAR(lengths[last], step / 1000, step / 1000 * 0.02);
    EXPECT_NEAR(lengths[last / 2], step / std::sqrt(1000.0), step / std::sqrt(1000.0) * 0.02);
    EXPECT_NEAR(lengths[0], step, step * 0.01);
}

}  // namespace

// The "map enlarge." named for a map cut by its box is the one that puts
// the farthest item on the box's wall: the corners of a square of side 1
// lie 1 / sqrt 2 from its centre, which at "map enlarge." 1 on a box of
// 20 allows 10 sqrt 2, 14 in two digits; twice the distances, half of it.
TEST(MapBorder, NamesTheEnlargementThatPutsTheFarthestItemOnTheWall) {
    MapLayout box;
    box.axisSize[1] = 20;
    for (const float side : {1.0f, 2.0f}) {
        DistanceMatrix d;
        d.Resize(4);
        const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (int i = 1; i <= 4; ++i)
            for (int j = 1; j <= 4; ++j)
                d.Row(i)[j] = side * std::hypot(corners[i - 1][0] - corners[j - 1][0], corners[i - 1][1] - corners[j - 1][1]);
        EXPECT_DOUBLE_EQ(FittingEnlargement(d, box, 1, 1), side == 1 ? 14 : 7);
        EXPECT_DOUBLE_EQ(FittingEnlargement(d, box, 3, 1), side == 1 ? 42 : 21);
    }
}
