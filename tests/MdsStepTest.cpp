#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>

#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "reference/ReferenceSteps.h"
#include "support/FakeForm.h"
#include "workspace/Workspace.h"

namespace {

// A random map of n items on m axes over random (optionally asymmetric)
// distances, normalised as a run normalises them.
void RandomMap(int n, int m, unsigned seed, bool symmetric = true) {
    FreshWorkspace();
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> coord(0.5f, 19.5f), dist(0.1f, 60.0f);
    for (int i = 1; i <= n; ++i) {
        for (int a = 1; a <= m; ++a) ws.MapCoords[i][a] = coord(gen);
        ws.DistMatrix[i][i] = 0;
        for (int j = 1; j < i; ++j) {
            ws.DistMatrix[i][j] = dist(gen);
            ws.DistMatrix[j][i] = symmetric ? ws.DistMatrix[i][j] : dist(gen);
        }
    }
    for (int a = 1; a <= 9; ++a) ws.AxisSize[a] = a <= m ? 20 : 1;
    ws.MaxDist = 20;
}

// One step of a plan prepared anew, as a run's first step.
void StepOnce(int n, int b, int m, float stepLength, float radiusFactor, float farWeight) {
    static MdsPlan plan;
    plan.Prepare(n, b, radiusFactor, farWeight);
    plan.Step(m, stepLength);
}

using Coords = std::vector<float>;
Coords Snapshot(int n) {
    Coords c;
    for (int i = 1; i <= n; ++i)
        for (int a = 1; a <= 4; ++a) c.push_back(ws.MapCoords[i][a]);
    return c;
}
void Restore(const Coords& c, int n) {
    for (int i = 1; i <= n; ++i)
        for (int a = 1; a <= 4; ++a) ws.MapCoords[i][a] = c[static_cast<std::size_t>((i - 1) * 4 + a - 1)];
}

double Stress(int n, int m, int b) {
    double s = 0;
    for (int q = 1; q <= n; ++q)
        for (int l = 1; l <= n; ++l) {
            double d2 = 0;
            for (int a = 1; a <= m; ++a) d2 += std::pow(ws.MapCoords[q][a] - ws.MapCoords[l][a], 2);
            s += std::pow(d2 - std::pow(ws.DistMatrix[q][l], 2) / b, 2);
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
    RandomMap(n, m, 11u + static_cast<unsigned>(n), symmetric);
    const Coords start = Snapshot(n);
    ReferenceMdsStep(n, 30, m, 0.5f, 0.3f, 0.0001f);
    const Coords reference = Snapshot(n);
    Restore(start, n);
    StepOnce(n, 30, m, 0.5f, 0.3f, 0.0001f);
    const Coords fast = Snapshot(n);
    for (std::size_t i = 0; i < fast.size(); ++i)
        ASSERT_NEAR(fast[i], reference[i], 2e-4) << "coordinate " << i;
}

TEST_P(FastAgainstReference, AHundredStepsReachTheSameStress) {
    const auto [n, m, symmetric] = GetParam();
    RandomMap(n, m, 5u, symmetric);
    const Coords start = Snapshot(n);
    for (int i = 0; i < 100; ++i) ReferenceMdsStep(n, 30, m, 0.5f, 1.8f, 0.0001f);
    const double reference = Stress(n, m, 30);
    Restore(start, n);
    MdsPlan plan;
    plan.Prepare(n, 30, 1.8f, 0.0001f);
    for (int i = 0; i < 100; ++i) plan.Step(m, 0.5f);
    EXPECT_NEAR(Stress(n, m, 30), reference, reference * 0.02);
}

// The symmetric step reads only the pairs above the diagonal, so what an
// earlier, asymmetric matrix left below it must not count.
TEST(MdsStep, ASymmetricMatrixAfterAnAsymmetricOneStepsAsTheReference) {
    static MdsPlan plan;
    RandomMap(45, 3, 8u, false);
    plan.Prepare(45, 30, 0.3f, 0.0001f);
    RandomMap(45, 3, 9u, true);
    const Coords start = Snapshot(45);
    ReferenceMdsStep(45, 30, 3, 0.5f, 0.3f, 0.0001f);
    const Coords reference = Snapshot(45);
    Restore(start, 45);
    plan.Prepare(45, 30, 0.3f, 0.0001f);
    plan.Step(3, 0.5f);
    const Coords fast = Snapshot(45);
    for (std::size_t i = 0; i < fast.size(); ++i)
        ASSERT_NEAR(fast[i], reference[i], 2e-4) << "coordinate " << i;
}

INSTANTIATE_TEST_SUITE_P(Shapes, FastAgainstReference,
                         ::testing::Values(Shape{7, 1, true}, Shape{50, 2, true}, Shape{150, 3, true},
                                           Shape{400, 3, true}, Shape{33, 4, true}, Shape{60, 2, false}));

TEST(MdsStep, ASingleItemDoesNotMoveButIsCentred) {
    FreshWorkspace();
    ws.AxisSize[1] = ws.AxisSize[2] = 20;
    ws.MapCoords[1][1] = 3;
    ws.MapCoords[1][2] = 4;
    StepOnce(1, 1, 2, 0.5f, 1.8f, 0.0001f);
    EXPECT_FLOAT_EQ(ws.MapCoords[1][1], 10);
    EXPECT_FLOAT_EQ(ws.MapCoords[1][2], 10);
    EXPECT_EQ(ws.MapCoords[1][3], 0.0f);
}

TEST(MdsStep, AMoveEndingOnTheBoxEdgeIsRefused) {
    for (const float start : {0.5f, 19.5f}) {
        FreshWorkspace();
        ws.AxisSize[1] = 20;
        ws.MaxDist = 100;
        // Two items 2 apart on one axis whose squared distance should be 68:
        // the bracket is -128, so the first item's move is exactly 0.5 and
        // ends on 0 or on 20.
        const float other = start == 0.5f ? 2.5f : 17.5f;
        ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 34;
        for (const bool reference : {true, false}) {
            ws.MapCoords[1][1] = start;
            ws.MapCoords[2][1] = other;
            if (reference)
                ReferenceMdsStep(2, 17, 1, 0.5f, 1.8f, 0.0001f);
            else
                StepOnce(2, 17, 1, 0.5f, 1.8f, 0.0001f);
            // The first item stayed; the second moved outward by 0.5; both
            // were centred on 10.
            EXPECT_FLOAT_EQ(std::abs(ws.MapCoords[2][1] - ws.MapCoords[1][1]), std::abs(other - start) + 0.5f)
                << reference;
            EXPECT_FLOAT_EQ(ws.MapCoords[2][1] + ws.MapCoords[1][1], 20.0f) << reference;
        }
    }
}

TEST(MdsStep, ItemsAtOnePlaceExertNoForceOnEachOther) {
    FreshWorkspace();
    ws.AxisSize[1] = ws.AxisSize[2] = 20;
    ws.MaxDist = 1;
    ws.MapCoords[1][1] = ws.MapCoords[2][1] = 10;
    ws.MapCoords[1][2] = ws.MapCoords[2][2] = 10;
    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 5;
    StepOnce(2, 1, 2, 0.5f, 1.8f, 0.0001f);
    EXPECT_EQ(ws.MapCoords[1][1], 10.0f);
    EXPECT_EQ(ws.MapCoords[2][2], 10.0f);
}

TEST(MdsStep, AllFarWeightsGiveTheDirectionOfEqualWeights) {
    RandomMap(40, 2, 3);
    const Coords start = Snapshot(40);
    StepOnce(40, 30, 2, 0.5f, 1e-6f, 0.0001f);  // every partner beyond the radius
    const Coords far = Snapshot(40);
    Restore(start, 40);
    StepOnce(40, 30, 2, 0.5f, 1e6f, 0.0001f);  // every partner within it
    const Coords near = Snapshot(40);
    for (std::size_t i = 0; i < far.size(); ++i) EXPECT_NEAR(far[i], near[i], 1e-4);
}

TEST(MdsStep, NotANumberDistancesStopTheirItemsButNotTheRest) {
    RandomMap(10, 2, 9);
    ws.DistMatrix[3][4] = ws.DistMatrix[4][3] = std::nanf("");
    const Coords start = Snapshot(10);
    ReferenceMdsStep(10, 30, 2, 0.5f, 1.8f, 0.0001f);
    const Coords reference = Snapshot(10);
    Restore(start, 10);
    StepOnce(10, 30, 2, 0.5f, 1.8f, 0.0001f);
    const Coords fast = Snapshot(10);
    for (std::size_t i = 0; i < fast.size(); ++i) EXPECT_NEAR(fast[i], reference[i], 2e-4) << i;
}

// Thirty items on a spiral whose map exists exactly, after fixed steps of
// 0.5 that leave it jittering: settling lowers the stress the step
// minimises, and the settled map stays where it is under further steps of
// the last length (an unsettled one would drift by a length each step).
TEST(MapSettling, LowersTheStressAndLeavesAMapAtRest) {
    constexpr int n = 30, b = 4;
    RandomMap(n, 2, 4);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double ai = 0.5 * i, aj = 0.5 * j, ri = 1 + 0.25 * i, rj = 1 + 0.25 * j;
            ws.DistMatrix[i][j] =
                static_cast<float>(std::sqrt(b) * std::hypot(ri * std::cos(ai) - rj * std::cos(aj),
                                                             ri * std::sin(ai) - rj * std::sin(aj)));
        }
    MdsPlan plan;
    plan.Prepare(n, b, 1e6f, 0.0001f);  // every pair within the radius: the stress of Stress()
    for (int i = 0; i < 2000; ++i) plan.Step(2, 0.5f);
    const double jittering = Stress(n, 2, b);
    const Settling settling = SettlingAfter(0.5f);
    EXPECT_EQ(Settle(plan, 2, settling, [](int) { return true; }), settling.steps);
    const double settled = Stress(n, 2, b);
    EXPECT_LT(settled, jittering / 100) << jittering;

    const Coords rest = Snapshot(n);
    for (int i = 0; i < 10; ++i) plan.Step(2, settling.lastLength);
    const Coords after = Snapshot(n);
    for (std::size_t i = 0; i < rest.size(); ++i)
        EXPECT_LE(std::abs(after[i] - rest[i]), settling.lastLength) << "coordinate " << i;
}

}  // namespace
