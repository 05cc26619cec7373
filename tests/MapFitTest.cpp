// The figures a map is judged by, and the view that shows all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "handlers/RunControl.h"
#include "handlers/ViewButtons.h"
#include "mds/MapFit.h"
#include "mds/RowNeighbours.h"
#include "soc/SocFit.h"
#include "support/FakeForm.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

// Four items on the corners of a unit square; their distances are twice
// the map's but for the diagonals, 3 instead of 2 sqrt 2. By hand: the best
// scale is (8 + 6 sqrt 2) / 34, and Stress-1 = sqrt((8 - (8 + 6 sqrt 2)^2 /
// 34) / 8) = 0.0294245; every item's 3 nearest are the other three.
TEST(MapFitFigures, MatchAHandComputedMapOfFourItems) {
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    MapLayout map;
    map.Resize(4);
    DistanceMatrix d;
    d.Resize(4);
    for (int i = 1; i <= 4; ++i) {
        map.Point(i)[1] = corners[i - 1][0];
        map.Point(i)[2] = corners[i - 1][1];
        for (int j = 1; j <= 4; ++j) d.Row(i)[j] = i == j ? 0.0f : 2.0f;
    }
    d.Row(1)[4] = d.Row(4)[1] = 3.0f;
    d.Row(2)[3] = 2.0f;  // the two directions of a matrix input are averaged
    d.Row(3)[2] = 4.0f;
    const MapFit fit = MeasureMapFit(map, d, 2);
    EXPECT_NEAR(fit.stress1, 0.0294245, 1e-6);
    EXPECT_EQ(fit.neighbours, 3);
    EXPECT_DOUBLE_EQ(fit.neighboursKept, 1.0);
    EXPECT_EQ(MapFitText(fit), "Stress-1 0.029 (good), neighbours kept 100%");
    EXPECT_EQ(MapFitText({0.2004, 1, 5}), "Stress-1 0.200 (poor), neighbours kept 100%");  // as written
    for (const auto& [stress, band] :
         {std::pair{0.025, "excellent"}, {0.05, "good"}, {0.1, "fair"}, {0.2, "poor"}, {0.2001, "bad"}})
        EXPECT_STREQ(StressBand(stress), band) << stress;
}

// Two prototypes of 2 components with weights that matching ranks by; five
// vectors at the training's scale. Vectors (0, 0), (2, 0) and (1, 1) belong
// to prototype 1 at (1, 0), each at the distance 1, and (., 3) too, at
// sqrt(2 x 9) over the one component it has; (., .) belongs to none, and
// prototype 2 far away gets none. The error is in the units of the file.
// The neighbours kept: of each item's 5 nearest by distance, the share
// that are among its 5 nearest on the map, as sorting gives them.
TEST(MapFitFigures, KeepTheNeighboursThatSortingFinds) {
    constexpr int n = 40;
    MapLayout map;
    map.Resize(n);
    DistanceMatrix d;
    d.Resize(n);
    std::vector<std::array<double, 2>> input(n + 1);
    for (int i = 1; i <= n; ++i) {
        input[static_cast<std::size_t>(i)] = {std::fmod(i * 7.31, 13.7), std::fmod(i * 3.17, 9.1)};
        map.Point(i)[1] = static_cast<float>(std::fmod(i * 7.31, 13.7) + std::fmod(i * 1.93, 2.3));
        map.Point(i)[2] = static_cast<float>(std::fmod(i * 3.17, 9.1));
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            d.Row(i)[j] = static_cast<float>(std::hypot(input[static_cast<std::size_t>(i)][0] - input[static_cast<std::size_t>(j)][0],
                                                        input[static_cast<std::size_t>(i)][1] - input[static_cast<std::size_t>(j)][1]));
    const auto nearest = [&](int i, const auto& distance) {
        std::vector<int> others;
        for (int j = 1; j <= n; ++j)
            if (j != i) others.push_back(j);
        std::stable_sort(others.begin(), others.end(), [&](int a, int b) { return distance(a) < distance(b); });
        return std::vector<int>(others.begin(), others.begin() + 5);
    };
    int kept = 0;
    for (int i = 1; i <= n; ++i) {
        const auto byDistance = nearest(i, [&](int j) { return d.At(i, j); });
        const auto onMap = nearest(i, [&](int j) {
            return std::hypot(map.Point(i)[1] - map.Point(j)[1], map.Point(i)[2] - map.Point(j)[2]);
        });
        for (const int j : byDistance) kept += static_cast<int>(std::count(onMap.begin(), onMap.end(), j));
    }
    const MapFit fit = MeasureMapFit(map, d, 2);
    EXPECT_DOUBLE_EQ(fit.neighboursKept, kept / (5.0 * n));
    EXPECT_LT(fit.neighboursKept, 1.0);
}

TEST(SocFitFigures, MatchAHandComputedSet) {
    for (const float socScale : {1.0f, 10.0f}) {
        Prototypes prototypes;
        prototypes.Resize(2, 2);
        const float at[2][2] = {{1, 0}, {50, 50}}, weights[2] = {0.5f, 0.25f};
        for (int k = 1; k <= 2; ++k)
            for (int q = 1; q <= 2; ++q) {
                prototypes.Vector(k)[q] = at[k - 1][q - 1] * socScale;
                prototypes.Weights(k)[q] = weights[q - 1];
            }
        Table items = TableOf({{0, 0}, {2, 0}, {1, 1}, {NAN, 3}, {NAN, NAN}});
        items.MultiplyBy(socScale);
        const SocAssignment assigned = AssignVectors(prototypes, items, 2);
        const SocFit fit = MeasureSocFit(assigned, items);
        EXPECT_NEAR(fit.quantisationError, (3 + std::sqrt(18.0)) / 4, 1e-6) << socScale;
        EXPECT_EQ(assigned.members[1], 4);
        EXPECT_EQ(fit.emptyPrototypes, 1);
        EXPECT_EQ(SocFitText(fit), "quantisation error 1.811, empty prototypes 1");
    }
}

// A map of 60 items spread far beyond the panel, turned a little.
class FitTheMap : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        MapLayout& map = session.map;
        map.Resize(60);
        map.size[1] = map.size[2] = 20;
        session.view.zoom = 1.0f;
        session.view.angle = kRunViewAngle;
        for (int i = 1; i <= 60; ++i) {
            map.Point(i)[1] = static_cast<float>((i * 37) % 90) - 25;
            map.Point(i)[2] = static_cast<float>((i * 53) % 70) * 0.5f + 20;
        }
        ResetView(session.view, map);
        MapCentre(session.view, map, 2);
        TransformView(session.view, map, 5);
        RotateAxes12(form, session);
        coords = map.coords;
        std::memcpy(matrix, session.view.matrix, sizeof matrix);
    }
    // Every mark's centre at least margin pixels inside the panel.
    bool AllInside(int margin) const {
        const PixelScale scale = MapPixelScale(session.view, session.map, kMapPanelWidth, kMapPanelHeight);
        for (int i = 1; i <= 60; ++i) {
            const MapPixel at = PixelOf(scale, session.view.Projected(i)[1], session.view.Projected(i)[2]);
            const int y = scale.h1 - at.yUp;
            if (at.x < margin || at.x > kMapPanelWidth - 1 - margin || y < margin || y > scale.h1 - margin)
                return false;
        }
        return true;
    }
    FakeForm form;
    std::vector<float> coords;
    double matrix[5][5];
};

TEST_F(FitTheMap, BringsEveryMarkInsideAndChangesNothingElse) {
    ASSERT_GT(form.outside, 20);
    const std::vector<std::string> memo = form.memo;
    FitMap(form, session);
    EXPECT_TRUE(AllInside(10));
    EXPECT_EQ(form.outside, 0);
    EXPECT_EQ(session.map.coords, coords);
    EXPECT_EQ(std::memcmp(matrix, session.view.matrix, sizeof matrix), 0);  // the rotation is kept
    EXPECT_EQ(form.memo, memo);
}

// During a run the map is centred on its centroid at every redraw: the fit
// takes that centre, so the next redraw still shows every mark.
TEST_F(FitTheMap, DuringARunKeepsTheCentreTheRunSets) {
    const RunGuard running(form, session, "MRP-MDS");
    FitMap(form, session);
    MapCentre(session.view, session.map, 2);
    session.view.zoomStep = 1.0;
    TransformView(session.view, session.map, 5);
    EXPECT_TRUE(AllInside(10));
}

}  // namespace

// The nearest rows of a large table come from a search that passes by
// whole groups of rows; it must find what sorting every row finds: rows
// spread evenly over a cube of whole numbers (so that many are equal and
// ties go to the lower row, and nearest rows often lie in another group),
// beside a group far from them.
TEST(RowNeighbourSearch, FindsWhatSortingEveryRowFinds) {
    constexpr int n = 700, dim = 8, k = kMaxRowNeighbours;
    Table rows;
    rows.Resize(n, dim);
    unsigned state = 1;
    for (int i = 1; i <= n; ++i) {
        rows.missing[static_cast<std::size_t>(i)] = 0;
        for (int q = 1; q <= dim; ++q) {
            state = state * 1103515245u + 12345u;
            rows.Row(i)[q] = static_cast<float>((state >> 16) % 10 + (i > 600 ? 1000 : 0));
        }
    }
    MapLayout map;
    map.Resize(n);
    const float unit = 0.5f;
    const RowNeighbours search(rows, n, dim, unit, map, 2, [] { return true; });
    for (int i = 1; i <= n; i += 3) {
        std::vector<std::pair<double, int>> all;
        for (int j = 1; j <= n; ++j) {
            if (j == i) continue;
            float s = 0;
            for (int q = 1; q <= dim; ++q) {
                const float d = rows.Row(i)[q] / unit - rows.Row(j)[q] / unit;
                s += d * d;
            }
            all.emplace_back(std::sqrt(s) * unit, j);
        }
        std::sort(all.begin(), all.end());
        int found[k];
        search.ByData(i, k, found);
        for (int a = 0; a < k; ++a) ASSERT_EQ(found[a], all[static_cast<std::size_t>(a)].second) << "row " << i;
    }
}
