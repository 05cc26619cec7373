// The neighbours map: worked cases whose answer is known (two far groups,
// a ring, rows equal to each other or to a landmark), the same map on any
// number of cores, and STOP in the middle of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "handlers/MrpMdsRun.h"
#include "mds/NeighbourGraph.h"
#include "mds/NeighbourLayout.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"

namespace {

// The k nearest of row i among points[0..n-1] of `dim` values each.
std::vector<int> Nearest(const std::vector<float>& points, int dim, int i, int k) {
    const int n = static_cast<int>(points.size()) / dim;
    std::vector<std::pair<float, int>> by;
    for (int j = 0; j < n; ++j) {
        if (j == i) continue;
        float s = 0;
        for (int q = 0; q < dim; ++q) s += std::pow(points[static_cast<std::size_t>(i * dim + q)] - points[static_cast<std::size_t>(j * dim + q)], 2.0f);
        by.push_back({s, j});
    }
    std::partial_sort(by.begin(), by.begin() + k, by.end());
    std::vector<int> rows;
    for (int e = 0; e < k; ++e) rows.push_back(by[static_cast<std::size_t>(e)].second);
    return rows;
}

// The share of each row's k nearest in the data that are among its k
// nearest on the map.
double Kept(const RowValues& rows, const std::vector<float>& map, int axes, int k) {
    int kept = 0;
    for (int i = 0; i < rows.n; ++i) {
        const std::vector<int> byData = Nearest(rows.values, rows.dim, i, k), onMap = Nearest(map, axes, i, k);
        for (const int j : byData) kept += static_cast<int>(std::count(onMap.begin(), onMap.end(), j));
    }
    return static_cast<double>(kept) / (static_cast<double>(rows.n) * k);
}

// The map of rows from `start`: their graph, every epoch.
std::vector<float> Layout(const RowValues& rows, const std::vector<float>& start, int workers, int epochs) {
    const auto goOn = [] { return true; };
    const NeighbourGraph graph = *NearestRows(rows, {15, 7, workers}, goOn);
    NeighbourLayout layout(graph, start, {2, epochs, 7, workers}, goOn);
    for (int t = 0; t < layout.Epochs(); ++t) EXPECT_TRUE(layout.Epoch(t, goOn));
    return layout.Positions();
}

RowValues Gaussian(int n, int dim, std::mt19937& random, float spread, float apart) {
    std::normal_distribution<float> noise(0, spread);
    RowValues rows{n, dim, std::vector<float>(static_cast<std::size_t>(n * dim))};
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < dim; ++q) rows.values[static_cast<std::size_t>(i * dim + q)] = noise(random) + (i % 2) * apart;
    return rows;
}

std::vector<float> AtRandom(int n, std::mt19937& random) {
    std::uniform_real_distribution<float> box(0, 20);
    std::vector<float> start(static_cast<std::size_t>(2 * n));
    for (float& v : start) v = box(random);
    return start;
}

// Two groups far apart, mixed on the map they start from: each row's
// nearest on the map are all of its own group, and its nearest within the
// group mostly stay among them.
TEST(NeighbourMap, SeparatesTwoFarGroupsAndKeepsTheirNeighbours) {
    std::mt19937 random(3);
    const RowValues rows = Gaussian(600, 4, random, 1, 50);
    const std::vector<float> map = Layout(rows, AtRandom(rows.n, random), 2, 300);
    int strangers = 0;
    for (int i = 0; i < rows.n; ++i)
        for (const int j : Nearest(map, 2, i, 10)) strangers += (i % 2) != (j % 2);
    EXPECT_EQ(strangers, 0);
    // Edges pulled in a share of the epochs as large as their weight keep
    // about half; pulled at any other rate, fewer (10 of 300 by chance: 0.03).
    EXPECT_GT(Kept(rows, map, 2, 10), 0.47);
}

// Points along a ring in three dimensions, from a squashed ring in a
// shuffled order: on the map each point's ten nearest lie within ten
// steps of it along the ring, neither torn nor folded.
TEST(NeighbourMap, KeepsARingARing) {
    constexpr int n = 400;
    std::mt19937 random(5);
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), random);
    RowValues rows{n, 3, std::vector<float>(3 * n)};
    std::vector<float> start(2 * n);
    for (int i = 0; i < n; ++i) {
        const float a = 6.2831853f * static_cast<float>(order[static_cast<std::size_t>(i)]) / n;
        rows.values[static_cast<std::size_t>(3 * i)] = 10 * std::cos(a);
        rows.values[static_cast<std::size_t>(3 * i + 1)] = 10 * std::sin(a);
        rows.values[static_cast<std::size_t>(3 * i + 2)] = 4 * std::sin(a);
        start[static_cast<std::size_t>(2 * i)] = 10 * std::cos(a);
        start[static_cast<std::size_t>(2 * i + 1)] = std::sin(a);
    }
    const std::vector<float> map = Layout(rows, start, 2, 300);
    int along = 0;
    for (int i = 0; i < n; ++i)
        for (const int j : Nearest(map, 2, i, 10)) {
            const int step = std::abs(order[static_cast<std::size_t>(i)] - order[static_cast<std::size_t>(j)]);
            along += std::min(step, n - step) <= 10;
        }
    EXPECT_GE(along, 10 * n * 98 / 100);
}

// A table large enough for the trees: the graph finds nearly every nearest
// row, and graph and map are the same bits on one, two or three threads.
TEST(NeighbourMap, IsTheSameOnAnyNumberOfThreads) {
    std::mt19937 random(11);
    const RowValues rows = Gaussian(12000, 20, random, 1, 3);  // pairs beyond what is compared in full
    const auto goOn = [] { return true; };
    const NeighbourGraph one = *NearestRows(rows, {15, 2, 1}, goOn);
    int found = 0;
    for (int i = 0; i < rows.n; i += 60) {
        const std::vector<int> exact = Nearest(rows.values, rows.dim, i, 15);
        for (int e = 0; e < 15; ++e) found += static_cast<int>(std::count(exact.begin(), exact.end(), one.RowsOf(i)[e]));
    }
    EXPECT_GT(found, 200 * 15 * 9 / 10);
    const std::vector<float> start = AtRandom(rows.n, random);
    std::vector<float> maps[3];
    for (const int workers : {1, 2, 3}) {
        const NeighbourGraph graph = *NearestRows(rows, {15, 2, workers}, goOn);
        EXPECT_EQ(graph.rows, one.rows) << workers;
        EXPECT_EQ(graph.distances, one.distances) << workers;
        NeighbourLayout layout(graph, start, {2, 20, 2, workers}, goOn);
        for (int t = 0; t < layout.Epochs(); ++t) layout.Epoch(t, goOn);
        maps[workers - 1] = layout.Positions();
    }
    EXPECT_EQ(maps[1], maps[0]);
    EXPECT_EQ(maps[2], maps[0]);
}

// The graph of a map's items from their distances: neither the item itself
// nor one at a missing distance is a neighbour; the list ends early instead.
TEST(NeighbourMap, TakesItemsNeighboursFromTheirKnownDistances) {
    DistanceMatrix d;
    d.Resize(3);
    const float at[] = {0, 1, 5};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) d.Row(i)[j] = std::fabs(at[i - 1] - at[j - 1]);
    d.Row(1)[3] = d.Row(3)[1] = std::nanf("");
    EXPECT_EQ(NearestItems(d, {3, 1, 2}, 2).rows, (std::vector<int>{2, -1, 2, -1, 1, 0}));
}

// An all-rows run over 600 rows, three copies of 200, in `dir`, with the
// map asked for; with `press`, STOP once the neighbours map begins.
enum class Press { Nothing, StopOnceItBegins };
struct NeighboursRun {
    FakeForm form;
    Session session;
    NeighboursRun(const TempDir& dir, MapMethod method, Press press = Press::Nothing) {
        std::string rows;
        for (int i = 0; i < 600; ++i) {
            const int r = i % 200;
            rows += Format("%d.%d\t%d.%d\t%d\n", r % 3 * 10 + r % 7, r % 10, r % 3 * 5 + r % 5, r % 9, r % 11);
        }
        dir.Write("t.txt", rows);
        form.Choose(dir.File("t.txt"));
        form.map.shown = false;
        form.choices.allRows = true;
        form.choices.seed = 2;
        form.choices.map = method;
        if (press == Press::StopOnceItBegins)
            form.onEvents = [this] {
                for (const RunProgress& p : form.progress)
                    if (std::string(p.run).find("neighbours") != std::string::npos) session.StopRequested = true;
            };
        RunMrpMds(form, session);
    }
    // Whether points i and j (by their rows in the file) lie in one place.
    bool Together(int rowA, int rowB) const {
        int a = 0, b = 0;
        for (int i = 1; i <= session.map.n; ++i) {
            if (session.landmarks.FileRow(i) == rowA) a = i;
            if (session.landmarks.FileRow(i) == rowB) b = i;
        }
        return std::equal(session.map.Point(a) + 1, session.map.Point(a) + 4, session.map.Point(b) + 1);
    }
};

// Rows equal to each other, landmarks among them, land in one place, and
// the 200 different rows in 200 places, each in its own: the map fits the
// rows' distances not far worse than the map of the distances (rows in
// each other's places fit them several times worse). The message list is
// that map's.
TEST(NeighbourMapRun, LandsEqualRowsTogether) {
    const TempDir dir;
    const NeighboursRun run(dir, MapMethod::Neighbours), distances(dir, MapMethod::Distances);
    ASSERT_EQ(run.form.outcome, Outcome::Finished);
    ASSERT_EQ(run.session.map.n, 600);
    for (int row = 1; row <= 200; ++row)
        EXPECT_TRUE(run.Together(row, row + 200) && run.Together(row, row + 400)) << row;
    std::set<std::vector<float>> places;
    for (int i = 1; i <= 600; ++i) places.insert({run.session.map.Point(i) + 1, run.session.map.Point(i) + 4});
    EXPECT_EQ(places.size(), 200u);
    EXPECT_LT(run.session.landmarks.fit.stress1, 2 * distances.session.landmarks.fit.stress1);
    EXPECT_EQ(run.form.memo, distances.form.memo);
}

// STOP during the epochs leaves the map of the last whole one, inside the
// box, equal rows together, its fit unmeasured.
TEST(NeighbourMapRun, StopsWithAWholeMap) {
    const TempDir dir;
    const NeighboursRun run(dir, MapMethod::Neighbours, Press::StopOnceItBegins);
    ASSERT_EQ(run.form.outcome, Outcome::Stopped);
    EXPECT_TRUE(std::any_of(run.form.status.begin(), run.form.status.end(), [](const std::string& line) {
        return line.find("stopped while making the neighbours map, epoch 1 of 300") != std::string::npos;
    }));
    for (int i = 1; i <= run.session.map.n; ++i)
        for (int a = 1; a <= 2; ++a) {
            const float v = run.session.map.Point(i)[a];
            ASSERT_TRUE(v > 0 && v < 20) << i;
        }
    for (int row = 1; row <= 200; ++row) EXPECT_TRUE(run.Together(row, row + 400)) << row;
    EXPECT_TRUE(std::isnan(run.session.landmarks.fit.stress1));
}

}  // namespace
