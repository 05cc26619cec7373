// Every row on the map: the landmarks drawn, a row placed on their map,
// joining their clusters, and the fit measured over all rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "distances/Distances.h"
#include "handlers/MapFiles.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/SavedMap.h"
#include "mds/MapFit.h"
#include "mds/Placement.h"
#include "mrp/ClusterJoin.h"
#include "support/FakeForm.h"
#include "support/TwoClusters.h"

namespace {

// Landmarks on a grid of the box, and the rule of a map step over vectors
// of b components, every landmark near.
MapLayout Grid(int m) {
    MapLayout map;
    map.Resize(m == 1 ? 10 : 25);
    for (int i = 1; i <= map.n; ++i) {
        map.Point(i)[1] = 2.0f + 4.0f * static_cast<float>((i - 1) % 5) + 0.3f * static_cast<float>(i % 3);
        if (m >= 2) map.Point(i)[2] = 2.0f + 4.0f * static_cast<float>((i - 1) / 5);
        if (m >= 3) map.Point(i)[3] = static_cast<float>(i % 7) + 5.0f;
    }
    return map;
}

// A point whose distances to the landmarks a map of `m` axes can show
// exactly lands where they put it; one at distance 0 from a landmark lands
// on it; one beyond the box stays inside it.
TEST(Placement, PutsARowWhereItsDistancesToTheLandmarksPlaceIt) {
    constexpr int b = 4;  // the map shows distance / sqrt(b)
    for (const int m : {1, 2, 3}) {
        const MapLayout landmarks = Grid(m);
        Placer placer(landmarks, {b, m, 1e9f, 0.0001f, 20, 40});
        const auto distancesFrom = [&](const float* at) {
            std::vector<float> d(static_cast<std::size_t>(landmarks.n) + 1);
            for (int j = 1; j <= landmarks.n; ++j) {
                double s = 0;
                for (int a = 1; a <= m; ++a) s += (at[a] - landmarks.Point(j)[a]) * (at[a] - landmarks.Point(j)[a]);
                d[static_cast<std::size_t>(j)] = static_cast<float>(std::sqrt(s * b));
            }
            return d;
        };
        const float inside[4] = {0, 7.3f, 11.9f, 8.2f}, beyond[4] = {0, 27, 11.9f, 8.2f};
        float placed[4] = {};
        EXPECT_FALSE(placer.Place(distancesFrom(inside).data(), placed)) << m << " axes: not at the wall";
        for (int a = 1; a <= m; ++a) EXPECT_NEAR(placed[a], inside[a], 0.002) << m << " axes, axis " << a;
        placer.Place(distancesFrom(landmarks.Point(7)).data(), placed);
        for (int a = 1; a <= m; ++a) EXPECT_EQ(placed[a], landmarks.Point(7)[a]) << m;
        EXPECT_TRUE(placer.Place(distancesFrom(beyond).data(), placed)) << m << " axes: at the wall";
        EXPECT_GT(placed[1], 19.9f) << m;
        EXPECT_LT(placed[1], 20.0f) << m;
    }
}

// A row without a distance to some landmarks takes their largest there, as
// the landmarks' own pairs without one did, and is not drawn towards them.
TEST(Placement, TakesAMissingDistanceAsTheLargest) {
    const MapLayout landmarks = Grid(2);
    Placer placer(landmarks, {4, 2, 12, 0.01f, 20, 40});
    std::vector<float> missing(26, NAN), largest(26, 40);
    for (int j = 1; j <= 15; ++j)  // the three rows of landmarks at the bottom
        missing[j] = largest[j] = 2 * std::hypot(7 - landmarks.Point(j)[1], 8 - landmarks.Point(j)[2]);
    float withMissing[4] = {}, withLargest[4] = {};
    placer.Place(missing.data(), withMissing);
    placer.Place(largest.data(), withLargest);
    EXPECT_EQ(std::vector(withMissing, withMissing + 3), std::vector(withLargest, withLargest + 3));
}

// The stress of a place against landmarks whose map distances should be
// sqrt(target), each near one weighed fully, far ones (target above 9) by
// 0.01, as the run weighs them.
double StressOf(const MapLayout& landmarks, const std::vector<float>& target, double x, double y) {
    double sum = 0;
    for (int j = 1; j <= landmarks.n; ++j) {
        const double dx = x - landmarks.Point(j)[1], dy = y - landmarks.Point(j)[2];
        const double r = dx * dx + dy * dy - target[static_cast<std::size_t>(j)];
        sum += (target[static_cast<std::size_t>(j)] <= 9 ? 1.0 : 0.01) * r * r;
    }
    return sum;
}

// The least stress found from (x, y) by axis moves from 0.05 down, in [0, box]^2.
template <class Stress>
double Refined(const Stress& stress, double& x, double& y, double box) {
    double best = stress(x, y);
    for (double h = 0.05; h > 1e-7; h /= 2)
        for (bool moved = true; moved;) {
            moved = false;
            for (const auto& [dx, dy] : {std::pair{h, 0.0}, {-h, 0.0}, {0.0, h}, {0.0, -h}}) {
                const double nx = std::clamp(x + dx, 0.0, box), ny = std::clamp(y + dy, 0.0, box);
                if (const double v = stress(nx, ny); v < best) {
                    std::tie(best, x, y) = std::make_tuple(v, nx, ny);
                    moved = true;
                }
            }
        }
    return best;
}

// A row ends at its least stress inside the box (within 0.2%): where the
// map's centring left its nearest landmark outside the box, where the least
// stress lies along a wall, and where it lies in another valley than the
// one the nearest landmark is in. The best place is looked for on a fine
// grid, then refined.
TEST(Placement, EndsAtTheLeastStressInsideTheBox) {
    MapLayout landmarks = Grid(2);
    landmarks.Point(11)[1] = -1.5f;  // at (-1.5, 10): outside the box (0, 20)
    landmarks.Point(11)[2] = 10.0f;
    constexpr int b = 4;
    Placer placer(landmarks, {b, 2, 3 * std::sqrt(static_cast<float>(b)), 0.01f, 20, 40});
    const struct {
        double x, y;  // where its distances put it: the map shows distance / sqrt(b)
        double spread;  // how far the distances miss that place (a map cannot show them all)
    } rows[] = {{-2.5, 10.2, 0}, {-1.2, 10.4, 0.3}, {-4, 3, 0}, {24, 21, 1.5}, {9, 9, 2.5}, {15, 5, 3}};
    std::mt19937 gen(3);
    for (const auto& row : rows) {
        std::uniform_real_distribution<double> miss(-row.spread, row.spread);
        std::vector<float> distances(static_cast<std::size_t>(landmarks.n) + 1), target(distances.size());
        for (int j = 1; j <= landmarks.n; ++j) {
            const double dx = row.x - landmarks.Point(j)[1], dy = row.y - landmarks.Point(j)[2];
            const double d = std::max(std::sqrt(dx * dx + dy * dy) + miss(gen), 0.1);
            distances[static_cast<std::size_t>(j)] = static_cast<float>(d * std::sqrt(b));
            target[static_cast<std::size_t>(j)] = static_cast<float>(d * d);
        }
        float placed[4] = {};
        placer.Place(distances.data(), placed);
        double bestX = 0, bestY = 0, best = std::numeric_limits<double>::infinity();
        for (double x = 0; x <= 20; x += 0.05)
            for (double y = 0; y <= 20; y += 0.05)
                if (const double s = StressOf(landmarks, target, x, y); s < best) std::tie(best, bestX, bestY) = std::make_tuple(s, x, y);
        best =
            Refined([&](double x, double y) { return StressOf(landmarks, target, x, y); }, bestX, bestY, 20);
        EXPECT_GT(placed[1], 0.0f) << row.x << " " << row.y;
        EXPECT_LE(StressOf(landmarks, target, placed[1], placed[2]), best * 1.002 + 1e-9)
            << row.x << " " << row.y << ": at " << placed[1] << " " << placed[2] << ", best " << bestX << " " << bestY;
    }
}

// An all-rows run over 1,200 rows: the cancer sample's 400 and two copies
// of them a little off (a digit more on every value), as measurements
// taken three times; seeded, at "map enlarge." `enlarge`.
std::string CancerRows() {
    std::ifstream in(std::string(ITEMMAP_SAMPLES_DIR) + "/cancer-400x30.txt");
    const std::string sample(std::istreambuf_iterator<char>(in), {});
    std::string rows = sample;
    for (const char digit : {'3', '8'})
        for (const char ch : sample)
            rows += ch == '\t' || ch == '\n' ? std::string{digit, ch} : std::string(1, ch);
    return rows;
}

Session AllRowsOfCancer(const char* enlarge) {
    TempDir dir;
    dir.Write("cancer.txt", CancerRows());
    FakeForm form;
    form.Choose(dir.File("cancer.txt"));
    form.edits[Edit4] = enlarge;
    form.edits[Edit8] = "0.4";
    form.map.shown = false;
    form.choices.allRows = true;
    form.choices.seed = 4;
    Session session;
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Finished);
    return session;
}

class AllRowsRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() { run = std::make_unique<Session>(AllRowsOfCancer("3")); }
    static inline std::unique_ptr<Session> run;
};

// The landmarks come from every part of the file, about a third of each.
TEST_F(AllRowsRun, DrawsTheLandmarksFromEveryPartOfTheFile) {
    const Landmarks& landmarks = run->landmarks;
    ASSERT_EQ(landmarks.count, 400);
    int inPart[6] = {};
    for (int i = 1; i <= landmarks.count; ++i) ++inPart[(landmarks.FileRow(i) - 1) / 200];
    for (int part = 0; part < 6; ++part)
        EXPECT_TRUE(inPart[part] > 40 && inPart[part] < 95)
            << inPart[part] << " in rows " << part * 200 + 1 << "..";
}

// A SOC run after it starts every row's prototype from the score 1, as
// after a run over as many items.
TEST_F(AllRowsRun, LeavesEveryRowTheScoreOfAnItemMapped) {
    ASSERT_EQ(run->ItemScore.size(), 1201u);
    EXPECT_EQ(std::count(run->ItemScore.begin() + 1, run->ItemScore.end(), 1.0f), 1200);
}

// Every row placed rests at its least stress against the landmarks (their
// squared distances / the components, those beyond 1.8 times the largest
// hardly weighed): a finer search finds none lower by a millionth.
TEST_F(AllRowsRun, RestsEveryRowPlacedAtItsLeastStress) {
    const Session& s = *run;
    const int k = s.landmarks.count, n = s.map.n, dim = s.VectorDim;
    ASSERT_EQ(n, 1200);
    const auto euclid = [&](int i, int j) {
        double sum = 0;
        for (int q = 1; q <= dim; ++q) sum += std::pow(s.table.Row(i)[q] - s.table.Row(j)[q], 2);
        return std::sqrt(sum);
    };
    const double f = s.distances.At(1, 2) / euclid(1, 2);  // the landmarks' scale
    const double box = s.map.axisSize[1];
    std::vector<double> target(static_cast<std::size_t>(k) + 1), weight(target.size());
    const auto stress = [&](double x, double y) {
        double sum = 0;
        for (int j = 1; j <= k; ++j) {
            const double dx = x - s.map.Point(j)[1], dy = y - s.map.Point(j)[2];
            const double r = dx * dx + dy * dy - target[static_cast<std::size_t>(j)];
            sum += weight[static_cast<std::size_t>(j)] * r * r;
        }
        return sum;
    };
    for (int i = k + 1; i <= n; ++i) {
        for (int j = 1; j <= k; ++j) {
            const double d = f * euclid(i, j);
            target[static_cast<std::size_t>(j)] = d * d / dim;
            weight[static_cast<std::size_t>(j)] = d <= 1.8 * s.distances.largest ? 1 : 1e-4;
        }
        const double x0 = s.map.Point(i)[1], y0 = s.map.Point(i)[2], at = stress(x0, y0);
        double x = x0, y = y0;
        const double best = Refined(stress, x, y, box);
        ASSERT_LE(at, best * (1 + 1e-6)) << "row " << s.landmarks.FileRow(i) << " at " << x0 << " " << y0
                                         << ", its least near " << x << " " << y;
    }
}

// The clusters are the data's: the rows placed join the same ones on a map
// enlarged otherwise.
TEST_F(AllRowsRun, JoinsTheRowsToClustersByTheirDataAlone) {
    const Session other = AllRowsOfCancer("1.5");
    ASSERT_EQ(other.map.n, run->map.n);
    int joined = 0;
    for (int i = run->landmarks.count + 1; i <= run->map.n; ++i) {
        ASSERT_EQ(other.landmarks.FileRow(i), run->landmarks.FileRow(i));
        const int centre = run->clusters.marks[static_cast<std::size_t>(i)].CentreItem();
        EXPECT_EQ(other.clusters.marks[static_cast<std::size_t>(i)].CentreItem(), centre)
            << "row " << run->landmarks.FileRow(i);
        joined += centre != 0;
    }
    EXPECT_GT(joined, 100);
}

// `lines` of the run's file (from 1) placed on the map on show by the
// window's action: the session's second layer.
void PlaceLines(Session& shown, const std::vector<int>& lines) {
    std::vector<std::string> rows;
    const std::string all = CancerRows();
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = all.find('\n', at) + 1;
        rows.push_back(all.substr(at, end - at));
        at = end;
    }
    std::string text;
    for (const int line : lines) text += rows[static_cast<std::size_t>(line - 1)];
    TempDir dir;
    dir.Write("new.txt", text);
    FakeForm form;
    form.map.shown = false;
    PlaceRowsOnShownMap(form, shown, dir.File("new.txt"));
    EXPECT_EQ(form.outcome, Outcome::Finished) << form.status.back();
}

Session PlacedOnSavedMap(const std::string& mapText, const std::vector<int>& lines) {
    Session shown;
    EXPECT_EQ(ShowSavedMap(mapText, shown), "");
    PlaceLines(shown, lines);
    return shown;
}

// Where the layer put row r of its file: the place and the cluster's
// centre, by the run's numbers.
std::tuple<float, float, int> LayerRow(const Session& s, int r) {
    const int i = s.landmarks.layerFrom + r - 1;
    const int centre = s.clusters.marks[static_cast<std::size_t>(i)].CentreItem();
    return {s.map.Point(i)[1], s.map.Point(i)[2], centre > 0 ? s.landmarks.FileRow(centre) : 0};
}

// A map saved and read back is the map on show, and saves as the same
// text, its colours too; the run's own rows placed on it land where the
// run put them, alone or among others, in any chunks; rows placed again
// replace the layer before.
TEST_F(AllRowsRun, SavedAndReadBackIsTheMapOnShowAndTakesItsRowsBack) {
    const std::string text = SavedMapText(*run);
    Session shown;
    ASSERT_EQ(ShowSavedMap(text, shown), "");
    EXPECT_EQ(SavedMapText(shown), text);
    ASSERT_EQ(shown.map.n, run->map.n);
    EXPECT_EQ(std::memcmp(shown.map.coords.data(), run->map.coords.data(), run->map.coords.size() * sizeof(float)), 0);
    EXPECT_EQ(shown.clusters.marks, run->clusters.marks);
    EXPECT_EQ(shown.distances.values, run->distances.values);

    std::vector<int> every(1200), some = {777, 3, 1200}, second(700);
    for (int r = 1; r <= 1200; ++r) every[static_cast<std::size_t>(r - 1)] = r;
    for (int r = 501; r <= 1200; ++r) second[static_cast<std::size_t>(r - 501)] = r;
    const Session whole = PlacedOnSavedMap(text, every), few = PlacedOnSavedMap(text, some),
                  chunk = PlacedOnSavedMap(text, second);
    for (int i = 1; i <= run->map.n; ++i) {
        const int r = run->landmarks.FileRow(i), centre = run->clusters.marks[static_cast<std::size_t>(i)].CentreItem();
        ASSERT_EQ(LayerRow(whole, r), std::make_tuple(run->map.Point(i)[1], run->map.Point(i)[2],
                                                     centre > 0 ? run->landmarks.FileRow(centre) : 0))
            << "row " << r << (run->landmarks.Placed(i) ? "" : ", a landmark");
    }
    for (std::size_t k = 0; k < some.size(); ++k)
        EXPECT_EQ(LayerRow(few, static_cast<int>(k) + 1), LayerRow(whole, some[k])) << some[k];
    for (int r = 501; r <= 1200; ++r) ASSERT_EQ(LayerRow(chunk, r - 500), LayerRow(whole, r)) << r;

    Session again = chunk;
    PlaceLines(again, some);
    ASSERT_EQ(again.map.n, few.map.n);
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(LayerRow(again, r), LayerRow(few, r)) << r;

    Session coloured = *run;  // colours by class, as the window's button leaves them
    coloured.view.colourByClass = true;
    ASSERT_EQ(ShowSavedMap(SavedMapText(coloured), shown), "");
    EXPECT_TRUE(shown.view.colourByClass);
}

// A damaged or foreign map file is refused with its line, and the map on
// show stays.
TEST_F(AllRowsRun, ADamagedMapFileIsRefusedWithItsLine) {
    const std::string text = SavedMapText(*run);
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        return t.replace(t.find(from), from.size(), to);
    };
    const std::size_t point = text.find("\npoint\t600\t");
    const struct {
        std::string text, refusal;
    } cases[] = {
        {text.substr(0, point + 1), "line 643: the file ends where a \"point\" line should stand"},
        {replaced("itemmap map\t1", "itemmap map\t2"), "line 1: a map file of version 2; this itemmap reads version 1"},
        {replaced("\ncolumn\t2\t", "\ncolumn\t"), "line 7: \"column\" takes 4 fields, the line holds 3"},
        {replaced("\ncolumns\t30", "\ncolumns\t29"), "line 35: a \"distances\" line should stand here"},
        {replaced("\npoints\t1200", "\npoints\tmany"), "line 43: field 1, \"many\", is no number"},
        {replaced("\nrule\t30\t", "\nrule\t0\t"), "line 37: field 1, 0, should lie between 1 and 1048576"},
        {"x,y\n1,2\n", "line 1: a \"itemmap map\" line should stand here"},
    };
    for (const auto& c : cases) {
        Session shown = *run;
        EXPECT_EQ(ShowSavedMap(c.text, shown), c.refusal);
        EXPECT_EQ(shown.map.n, run->map.n);
    }
}

// A new item joins the cluster it is linked into as the last round of
// assignment lets items join, that of an item it equals, or none.
TEST(ClusterJoin, FollowsTheLastRoundOfAssignment) {
    Clusters clusters = TwoClusters(5);
    clusters.marks[2] = ClusterMark::Member(1);
    clusters.marks[4] = ClusterMark::Member(3);
    clusters.joinLimit = 0.8f;
    const ClusterJoin join(clusters, 1.0f);  // a link falls to 0.01 at distance 1
    const struct {
        float distances[6];  // to items 1..5
        int centre;
    } cases[] = {
        {{0, 0.4f, 0.4f, 3, 3, 3}, 1},  // two links of 0.16: no link 0.71, below the limit
        {{0, 3, 3, 0.4f, 0.4f, 3}, 3},
        {{0, 3, 3, 3, 3, 3}, 0},        // too far from every cluster
        {{0, 0.3f, 0.3f, 3, 3, 3}, 0},  // within a third of "char. distance" no link is taken
        {{0, 0.4f, 3, 3, 3, 3}, 0},     // one link: no link 0.84, above the limit
        {{0, 3, 0, 3, 3, 3}, 1},        // equal to a member
        {{0, 3, 3, 3, 3, 0}, 0},        // equal to an item in none
    };
    for (const auto& c : cases) EXPECT_EQ(join.CentreFor(c.distances), c.centre) << c.distances[1];
}

// Over few rows the sampled figures are the map's own: every pair, every row.
TEST(RowsFit, IsTheMapsFitWhereThereAreFewRows) {
    std::vector<std::vector<float>> rows;
    MapLayout map;
    map.Resize(60);
    for (int i = 1; i <= 60; ++i) {
        const float x = static_cast<float>((i * 37) % 61), y = static_cast<float>((i * 17) % 29);
        rows.push_back({x, y, static_cast<float>((i * 7) % 13)});
        map.Point(i)[1] = x * 0.3f + static_cast<float>(i % 5) * 0.1f;
        map.Point(i)[2] = y * 0.3f;
    }
    const Table table = TableOf(rows);
    DistanceMatrix d;
    BuildDistanceMatrix(table, 60, 3, d);
    const MapFit whole = MeasureMapFit(map, d, 2), sampled = MeasureRowsFit(map, table, 3, 1, 2, 5, [] { return true; });
    EXPECT_NEAR(sampled.stress1, whole.stress1, 1e-6);
    EXPECT_DOUBLE_EQ(sampled.neighboursKept, whole.neighboursKept);
    EXPECT_EQ(sampled.neighbours, whole.neighbours);
}

// The fit's rows are drawn from the whole file: where only the first fifth
// keeps its neighbours on the map, their share is about a fifth; a row far
// off weighs in Stress-1 alike, first or last.
TEST(RowsFit, DrawsItsRowsFromTheWholeFile) {
    constexpr int n = 5000, kept = 1000;
    std::mt19937 gen(9);
    std::uniform_real_distribution<float> value(0, 100);
    std::vector<std::vector<float>> rows;
    for (int i = 1; i <= n; ++i) rows.push_back({value(gen) + (i > kept ? 1000.0f : 0.0f), value(gen)});
    MapLayout map;
    map.Resize(n);
    for (int i = 1; i <= n; ++i) {  // the others where another of them should be
        const auto& at =
            rows[static_cast<std::size_t>(i <= kept ? i - 1 : kept + (i - kept) * 7 % (n - kept))];
        map.Point(i)[1] = at[0] * 0.01f;
        map.Point(i)[2] = at[1] * 0.01f;
    }
    const MapFit fit = MeasureRowsFit(map, TableOf(rows), 2, 1, 2, 5, [] { return true; });
    EXPECT_TRUE(fit.neighboursKept > 0.15 && fit.neighboursKept < 0.25) << fit.neighboursKept;
    rows[599] = rows[0];  // the first and last alike
    const Table some = TableOf({rows.begin(), rows.begin() + 600});
    double stress[2];
    for (const int off : {1, 600}) {
        map.Resize(600);
        for (int i = 1; i <= 600; ++i)
            for (int a = 1; a <= 2; ++a)  // row `off` mirrored
                map.Point(i)[a] = std::abs((i == off) - rows[static_cast<std::size_t>(i - 1)][a - 1] * 0.01f);
        stress[off == 600] = MeasureRowsFit(map, some, 2, 1, 2, 5, [] { return true; }).stress1;
    }
    EXPECT_NEAR(stress[0] / stress[1], 1, 0.12);
}

// STOP while the neighbours of 1,000 rows drawn are compared against
// 100,000 rows: the measurement ends within 0.3 s, with the figures of the
// rows compared so far, which say so.
TEST(RowsFit, StopsWithinAThirdOfASecond) {
    constexpr int n = 100000, dim = 32;
    Table table;
    table.Resize(n, dim);
    MapLayout map;
    map.Resize(n);
    std::mt19937 gen(2);
    std::uniform_real_distribution<float> value(0, 10);
    for (int i = 1; i <= n; ++i) {
        for (int q = 1; q <= dim; ++q) table.Row(i)[q] = value(gen);
        map.Point(i)[1] = table.Row(i)[1];
        map.Point(i)[2] = table.Row(i)[2];
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point stopped{};
    const MapFit fit = MeasureRowsFit(map, table, dim, 1, 2, 5, [&] {
        if (stopped == Clock::time_point{} && Clock::now() - start > std::chrono::milliseconds(100))
            stopped = Clock::now();
        return stopped == Clock::time_point{};
    });
    ASSERT_NE(stopped, Clock::time_point{});
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - stopped).count(), 0.3);
    EXPECT_LT(fit.rowsCompared.first, 1000);
    EXPECT_EQ(fit.rowsCompared.second, 1000);
    EXPECT_NE(MapFitText(fit).find(": stopped"), std::string::npos) << MapFitText(fit);
}

}  // namespace
