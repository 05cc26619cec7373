#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "handlers/MapPanel.h"
#include "session/Session.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "view/MapDrawing.h"
#include "view/MapLegend.h"
#include "view/MarkColours.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"

namespace {

// A map of its own values, drawn on a panel of the map's size.
class MapDrawing : public ::testing::Test {
protected:
    Session session;
    // n points, point i projected at (i, i) on a 20 x 20 grid, at the zoom
    // and angle of a run; no cluster, no legend.
    void Points(int n) {
        map.Resize(n);
        map.size[1] = map.size[2] = 20;
        view.zoom = 1.0f;
        view.angle = kRunViewAngle;
        view.markScale = 5.0f;
        view.showLegend = false;
        view.projected.assign(static_cast<std::size_t>(n + 1) * 3, 0.0);
        for (int i = 1; i <= n; ++i) view.Projected(i)[1] = view.Projected(i)[2] = i;
        distances.Resize(n);
        clusters.Clear(n);
        tree.Clear(n);
    }
    // One more cluster, of `centre` and `members`.
    void Cluster(int centre, std::initializer_list<int> members) {
        clusters.centres.push_back(centre);
        ++clusters.count;
        clusters.marks[static_cast<std::size_t>(centre)] = ClusterMark::Centre(centre);
        for (int i : members) clusters.marks[static_cast<std::size_t>(i)] = ClusterMark::Member(centre);
    }
    MapScene Scene() const {
        return {map, view, distances, clusters, tree, table, prototypeClasses, prototypeMembers, prototypes};
    }

    std::vector<Shape> Drawn(const std::string& op) {
        canvas = RecordingCanvas(kMapPanelWidth, kMapPanelHeight);
        DrawMap(canvas, Scene());
        return ShapesShown(canvas, op);
    }
    // Where point i shows on the panel.
    std::pair<int, int> At(int i) const { return WhereShown(view, map, i); }
    // The point whose mark is at the panel pixel (x, y), 0 for none.
    int PointAt(int x, int y) const {
        for (int i = 1; i <= map.n; ++i)
            if (At(i) == std::make_pair(x, y)) return i;
        return 0;
    }
    // The legend's entries, as texts.
    std::vector<std::string> LegendTexts() const {
        Legend legend;
        LegendEntries(Scene(), legend);
        std::vector<std::string> texts;
        for (const LegendEntry& e : legend) texts.emplace_back(e.text);
        return texts;
    }

    MapLayout map;
    View view;
    DistanceMatrix distances;
    Clusters clusters;
    TreeLinks tree;
    Table table;
    std::vector<int> prototypeClasses, prototypeMembers;
    bool prototypes = false;
    RecordingCanvas canvas{kMapPanelWidth, kMapPanelHeight};
};

// A bar stands on its mark, as tall as its probability and the mark scale ask.
TEST_F(MapDrawing, BarsGrowWithTheProbabilityAndTheMarkScale) {
    const auto bar = [&](float probability, float markScale) {
        Points(1);
        clusters.probability[1] = probability;
        view.markScale = markScale;
        const auto rects = Drawn("rect");  // the background, then the bar
        EXPECT_EQ(rects.size(), 2u);
        const auto [x, y] = At(1);
        EXPECT_EQ(rects.back().CentreX(), x);
        EXPECT_EQ(std::max(rects.back().y1, rects.back().y2), y) << probability;
        return rects.back().Height();
    };
    EXPECT_EQ(bar(0.05f, 5), 0);
    int last = 0;
    for (const float p : {0.15f, 0.3f, 0.5f, 0.7f, 0.9f, 1.0f}) {
        const int height = bar(p, 5);
        EXPECT_GT(height, last) << p;
        last = height;
    }
    EXPECT_EQ(bar(1.0f, 10), 2 * bar(1.0f, 5));
}

// Each of a run's clusters (at most 30) and the items in none have colours of
// their own, outlined to show on white; a centre is larger than its members.
TEST_F(MapDrawing, MarksTellTheirClusterAndTheirCentres) {
    std::set<std::uint32_t> colours;
    for (int k = 0; k <= 30; ++k) colours.insert(ClusterColour(k));
    EXPECT_EQ(colours.size(), 31u);
    Points(12);
    for (int k = 1; k <= 7; ++k) Cluster(k, {});
    Cluster(8, {9});
    clusters.marks[10] = ClusterMark::Member(7);
    const int clusterOf[13] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 7, 0, 0};
    std::map<int, int> radius;
    for (const Shape& mark : Drawn("ellipse")) {
        const int point = PointAt(mark.CentreX(), mark.CentreY());
        EXPECT_EQ(mark.fill, ClusterColour(clusterOf[point])) << point;
        EXPECT_NE(mark.outline, kWhite) << point;
        radius[point] = mark.Radius();
    }
    ASSERT_EQ(radius.size(), 12u);
    EXPECT_GT(radius[8], radius[9]);
}

// At the zoom of a run the map's box fills the panel: the marks of points
// at its corners are centred at the panel's corners.
TEST_F(MapDrawing, TheMapsBoxFillsThePanel) {
    Points(4);
    const double corners[4][2] = {{0, 0}, {20, 0}, {0, 20}, {20, 20}};
    for (int i = 1; i <= 4; ++i) {
        view.Projected(i)[1] = corners[i - 1][0];
        view.Projected(i)[2] = corners[i - 1][1];
    }
    std::set<std::pair<int, int>> shown;
    for (const Shape& mark : Drawn("ellipse")) {
        const int x = mark.CentreX(), y = mark.CentreY();
        EXPECT_TRUE(x >= 0 && x <= kMapPanelWidth && y >= 0 && y <= kMapPanelHeight) << x << " " << y;
        shown.emplace(x < kMapPanelWidth / 2 ? 0 : 1, y < kMapPanelHeight / 2 ? 0 : 1);
        EXPECT_TRUE(std::min(x, kMapPanelWidth - x) <= 2 && std::min(y, kMapPanelHeight - y) <= 2)
            << x << " " << y;
    }
    EXPECT_EQ(shown.size(), 4u);
}

// What "View" and "C" make of two named items with classes: the label
// below each mark, the colour it is filled with, and whether it has a bar.
TEST_F(MapDrawing, MarksFollowTheLabelsAndColoursAskedFor) {
    const struct {
        int mode;
        bool byClass;
        std::vector<std::string> labels;
        std::uint32_t fills[2];
        std::size_t bars;
    } cases[] = {
        {kViewBars, false, {}, {ClusterColour(1), ClusterColour(1)}, 2},
        {kViewNumbers, false, {"1", "2"}, {ClusterColour(1), ClusterColour(1)}, 0},
        {kViewNames, false, {"a-name-longer-t\u2026", "b\u00e9"}, {ClusterColour(1), ClusterColour(1)}, 0},
        {kViewNames, true, {"a-name-longer-t\u2026", "b\u00e9"}, {ClassColour(2), ClassColour(1)}, 0},
    };
    for (const auto& c : cases) {
        Points(2);
        table = TableOf({{0}, {0}});
        table.names = {"", "a-name-longer-than-sixteen", "b\u00e9"};
        table.classNames = {"", "x", "y"};
        table.classes = {0, 2, 1};
        Cluster(1, {2});
        view.mode = c.mode;
        view.colourByClass = c.byClass;
        std::vector<std::string> labels;
        for (const Shape& t : Drawn("text")) {
            labels.push_back(t.text);
            const auto [x, y] = At(static_cast<int>(labels.size()));  // just below its mark
            EXPECT_GT(t.y1, y) << t.text;
            EXPECT_TRUE(t.x1 <= x && x - t.x1 <= kMarkRadius) << t.text;  // starting under its left half
        }
        EXPECT_EQ(labels, c.labels);
        const auto ellipses = ShapesShown(canvas, "ellipse");
        ASSERT_EQ(ellipses.size(), 2u);
        EXPECT_EQ(ellipses[0].fill, c.fills[0]) << c.mode << c.byClass;
        EXPECT_EQ(ellipses[1].fill, c.fills[1]) << c.mode << c.byClass;
        EXPECT_EQ(ShapesShown(canvas, "rect").size(), 1 + c.bars);
    }
}

// An edge joins every pair closer than the limit both ways, drawn once
// from each end.
TEST_F(MapDrawing, EdgesJoinPairsCloserThanTheLimitBothWays) {
    Points(3);
    view.showEdges = true;
    view.edgeFactor = 0.2f;
    distances.Row(1)[2] = distances.Row(2)[1] = 0.1f;
    distances.Row(1)[3] = 0.1f;  // only one direction is short
    distances.Row(3)[1] = 1.0f;
    distances.Row(2)[3] = 0.2f;  // one way on the limit, not below it: no edge
    distances.Row(3)[2] = 0.1f;
    std::set<std::pair<int, int>> edges;
    for (const Shape& line : Drawn("line")) {
        edges.emplace(PointAt(line.x1, line.y1), PointAt(line.x2, line.y2));
        EXPECT_EQ(line.outline, kGrey);
    }
    EXPECT_EQ(edges, (std::set<std::pair<int, int>>{{1, 2}, {2, 1}}));
}

// A tree link is drawn black and two wide over its edge, and not at all
// where the edge is too long.
TEST_F(MapDrawing, TreeLinksAreBlackAndTwoWideWhereTheyPassTheLimit) {
    Points(3);
    view.showEdges = true;
    view.edgeFactor = 0.5f;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) distances.Row(i)[j] = i == j ? 0.0f : 1.0f;
    distances.Row(2)[1] = distances.Row(1)[2] = 0.1f;
    tree.Link(2, 1);
    tree.Link(3, 1);  // too long for the limit
    std::vector<std::tuple<int, int, std::uint32_t, int>> lines;
    for (const Shape& l : Drawn("line"))
        lines.emplace_back(PointAt(l.x1, l.y1), PointAt(l.x2, l.y2), l.outline, l.width);
    EXPECT_EQ(lines, (std::vector<std::tuple<int, int, std::uint32_t, int>>{{1, 2, kGrey, 1}, {2, 1, kBlack, 2}}));
}

// The edge limit is the factor times the largest distance between the
// map's points, whatever the matrix holds past them; a distance that is
// not a number never counts.
TEST_F(MapDrawing, TheEdgeLimitTakesTheLargestDistanceOfTheMapsPoints) {
    const std::pair<int, int> largest[] = {{1, 1}, {1, 4}, {1, 8}, {2, 5}, {3, 9}, {9, 1}, {9, 9}};
    for (const auto& [i, j] : largest) {
        Points(9);
        view.edgeFactor = 0.5f;
        distances.Resize(12);
        for (int a = 1; a <= 12; ++a)
            for (int b = 1; b <= 12; ++b) distances.Row(a)[b] = a > 9 || b > 9 ? 100.0f : 0.5f;
        distances.Row(2)[2] = NAN;
        distances.Row(i)[j] = 2.0f;
        EXPECT_FLOAT_EQ(EdgeLimit(Scene()), 1.0f) << i << " " << j;
    }
}

TEST_F(MapDrawing, EveryDrawingShowsItsOwnMapAlone) {
    Points(3);
    view.showEdges = true;
    view.edgeFactor = 2;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) distances.Row(i)[j] = 1;
    DrawMap(canvas, Scene());
    Points(1);
    DrawMap(canvas, Scene());
    EXPECT_EQ(ShapesShown(canvas, "ellipse").size(), 1u);
    EXPECT_TRUE(ShapesShown(canvas, "line").empty());
}

// The edges follow "edge lim": none until they are switched on, and none
// with its default ".0".
TEST(MapPanel, NoEdgesUntilTheyAreSwitchedOnAndTheDefaultLimitDrawsNone) {
    Session session;
    session = Session{};
    FakeForm form;
    session.map.Resize(2);
    session.map.Point(2)[1] = 5;
    ResetView(session.view, session.map);
    session.distances.Resize(2);
    session.distances.Row(2)[1] = session.distances.Row(1)[2] = 0.1f;
    const struct {
        bool shown;
        const char* limit;
        std::size_t lines;
    } cases[] = {{false, "2", 0}, {true, ".0", 0}, {true, "2", 2}};
    for (const auto& c : cases) {
        session.view.showEdges = c.shown;
        form.edits[Edit5] = c.limit;
        RedrawMap(form, session);
        EXPECT_EQ(ShapesShown(form.map, "line").size(), c.lines) << c.limit;
    }
}

// The legend shows a name of 63 bytes whole and cuts a longer one where a
// character starts, ending in "…", before the cluster's count.
TEST_F(MapDrawing, TheLegendCutsALongNameWhereACharacterStarts) {
    std::string accents;
    for (int k = 0; k < 70; ++k) accents += "\u00e9";
    const struct {
        std::string name, entry;
    } cases[] = {{std::string(63, 'x'), std::string(63, 'x') + ": 2"},
                 {accents, accents.substr(0, 60) + "\u2026: 2"}};
    for (const auto& c : cases) {
        Points(2);
        Cluster(1, {2});
        table = TableOf({{0}, {0}});
        table.names = {"", c.name, "b"};
        EXPECT_EQ(LegendTexts()[1], c.entry);
    }
}

// The count after an entry: what follows its last ": ".
int CountOf(const std::string& entry) {
    return std::stoi(entry.substr(entry.rfind(": ") + 2));
}

// The legend of the clusters has an entry for every cluster, counting its
// centre with its members, and "other" for the rest: together the map's
// points.
TEST_F(MapDrawing, TheClustersLegendCountsEveryPointOnce) {
    const struct {
        const char* name;
        int points;
        std::vector<std::pair<int, std::vector<int>>> clusters;  // centre, members
        std::vector<std::string> entries;
    } cases[] = {
        {"none", 3, {}, {"other: 3"}},
        {"centreAlone", 3, {{2, {}}}, {"item 2: 1", "other: 2"}},
        {"two", 6, {{4, {1, 2}}, {6, {5}}}, {"item 4: 3", "item 6: 2", "other: 1"}},
        {"everyPoint", 4, {{1, {2}}, {3, {4}}}, {"item 1: 2", "item 3: 2", "other: 0"}},
    };
    for (const auto& c : cases) {
        Points(c.points);
        for (const auto& [centre, members] : c.clusters) {
            Cluster(centre, {});
            for (int i : members) clusters.marks[static_cast<std::size_t>(i)] = ClusterMark::Member(centre);
        }
        const auto texts = LegendTexts();
        ASSERT_GE(texts.size(), c.entries.size() + 2) << c.name;
        const std::vector<std::string> entries(texts.begin() + 1, texts.begin() + 1 + static_cast<long>(c.entries.size()));
        EXPECT_EQ(entries, c.entries) << c.name;
        int counted = 0;
        for (const std::string& e : entries) counted += CountOf(e);
        EXPECT_EQ(counted, c.points) << c.name;
    }
}

// The legend of the classes has an entry for every class and "none" for
// the points without one, when there are: together the map's points. A
// prototype counts in the class most of its members hold.
TEST_F(MapDrawing, TheClassesLegendCountsEveryPointOnce) {
    const struct {
        const char* name;
        std::vector<int> classes;  // of points 1..n
        bool prototypes;
        std::vector<std::string> entries;
    } cases[] = {
        {"items", {1, 2, 2}, false, {"x: 1", "y: 2"}},
        {"itemsWithout", {0, 2, 0, 2}, false, {"x: 0", "y: 2", "none: 2"}},
        {"prototypes", {2, 0, 1, 1}, true, {"x: 2", "y: 1", "none: 1"}},
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.classes.size());
        Points(n);
        view.colourByClass = true;
        prototypes = c.prototypes;
        table = TableOf(std::vector<std::vector<float>>(4, {0}));
        table.classNames = {"", "x", "y"};
        table.classes = {0, 1, 1, 1, 1};
        std::vector<int>& holder = c.prototypes ? prototypeClasses : table.classes;
        holder.assign(1, 0);
        holder.insert(holder.end(), c.classes.begin(), c.classes.end());
        auto texts = LegendTexts();
        texts.erase(texts.begin());  // the title
        EXPECT_EQ(texts, c.entries) << c.name;
        int counted = 0;
        for (const std::string& e : texts) counted += CountOf(e);
        EXPECT_EQ(counted, n) << c.name;
    }
}

// A light fill gets a dark edge, to stay visible on white; a dark one keeps
// its colour.
TEST(MarkColours, LightFillsGetADarkEdge) {
    EXPECT_NE(OutlineFor(kWhite), kWhite);
    EXPECT_NE(OutlineFor(ClassColour(4)), ClassColour(4));  // yellow
    EXPECT_EQ(OutlineFor(ClassColour(5)), ClassColour(5));  // blue
    EXPECT_EQ(OutlineFor(kBlack), kBlack);
}

}  // namespace

namespace {

// The legend's box, and what is drawn in it after it.
struct LegendDrawn {
    Shape box;
    std::vector<Shape> inside;
};

LegendDrawn LegendOf(const std::vector<Shape>& shapes) {
    LegendDrawn legend{};
    bool found = false;
    for (const Shape& s : shapes) {
        if (found) legend.inside.push_back(s);
        if (s.op == "rect" && s.outline == 0xB4B4B4) legend.box = s, found = true;
    }
    return legend;
}

}  // namespace

// The legend stands in the corner with fewest marks under it, inside the
// panel, and holds its entries whole: each text within its box, each sample
// mark beside its text's middle.
TEST_F(MapDrawing, TheLegendHoldsItsEntriesInTheEmptiestCorner) {
    Points(19);
    for (int i = 1; i <= 19; ++i) view.Projected(i)[1] = 20 - i % 3, view.Projected(i)[2] = 20 - i % 2;  // top right
    Cluster(1, {2, 3, 4});
    Cluster(5, {6});
    view.showLegend = true;
    const LegendDrawn legend = LegendOf(Drawn(""));
    const Shape& box = legend.box;
    ASSERT_FALSE(legend.inside.empty());
    EXPECT_TRUE(box.x1 >= 0 && box.y1 >= 0 && box.x2 < kMapPanelWidth && box.y2 < kMapPanelHeight);
    for (int i = 1; i <= 19; ++i) {
        const auto [x, y] = At(i);
        EXPECT_FALSE(x >= box.x1 && x <= box.x2 && y >= box.y1 && y <= box.y2) << i;
    }
    canvas.SetTextSize(kLegendTextSize);
    int marks = 0;
    for (std::size_t k = 0; k < legend.inside.size(); ++k) {
        const Shape& s = legend.inside[k];
        if (s.op == "text") {
            EXPECT_TRUE(s.x1 > box.x1 && s.x1 + canvas.TextWidth(s.text) < box.x2) << s.text;
            EXPECT_TRUE(s.y1 > box.y1 && s.y1 + kLegendTextSize < box.y2) << s.text;
        }
        if (s.op != "ellipse") continue;
        ++marks;
        ASSERT_LT(k + 1, legend.inside.size());
        const Shape& text = legend.inside[k + 1];
        EXPECT_TRUE(s.x1 > box.x1 && std::max(s.x1, s.x2) < text.x1) << text.text;
        EXPECT_NEAR(s.CentreY(), text.y1 + kLegendTextSize / 2.0, 1) << text.text;
    }
    EXPECT_EQ(marks, 3);  // two clusters and the items in none
}
