#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/FakeForm.h"
#include "view/MapDrawing.h"
#include "view/MapLegend.h"
#include "view/MarkColours.h"
#include "workspace/Workspace.h"

namespace {

class MapDrawing : public ::testing::Test {
protected:
    // n items, item i at ProjCoords (i, i); the panel maps 1 unit to 32 x 31.6 pixels.
    // No legend: these tests count the marks' calls.
    void Items(int n) {
        FreshWorkspace();
        ws.ShowLegend = 0;
        ws.ItemCount = n;
        ws.MapSize1 = ws.MapSize2 = 20;
        ws.ViewZoom = 1.0f;
        ws.ViewAngle = 1.5707964f;
        ws.MarkScale = 5.0f;
        for (int i = 1; i <= n; ++i) ws.ProjCoords[i][1] = ws.ProjCoords[i][2] = i;
    }
    static int X(int i) { return 32 * i; }
    static int Y(int i) { return 632 - static_cast<int>(31.6f * i + 0.5); }

    FakeForm form;
};

TEST_F(MapDrawing, BarHeightFollowsThePrototypeProbability) {
    Items(2);
    ws.ProtoProb[1] = 0.56f;
    ws.ProtoProb[2] = 0.09f;
    PaintBox1Click(form);
    const auto rects = form.map.Calls("rect");
    ASSERT_EQ(rects.size(), 3u);  // background and two bars
    EXPECT_EQ(rects[0].c, 640);
    EXPECT_EQ(rects[0].d, 632);
    EXPECT_EQ(rects[1].a, X(1) - 2);
    EXPECT_EQ(rects[1].c, X(1) + 2);
    EXPECT_EQ(rects[1].b - rects[1].d, 25);
    EXPECT_EQ(rects[2].b - rects[2].d, 0);
}

TEST_F(MapDrawing, AStoredPointSevenGivesSix) {
    Items(1);
    ws.ProtoProb[1] = 0.7f;
    ws.MarkScale = 1.0f;
    PaintBox1Click(form);
    EXPECT_EQ(form.map.Calls("rect")[1].b - form.map.Calls("rect")[1].d, 6);
}

TEST_F(MapDrawing, ClusterColoursAndMarkSizes) {
    Items(5);
    ws.ClusterCount = 36;
    for (int c = 1; c <= 36; ++c) ws.ClusterCentres[c] = 100 + c;
    ws.ClusterOf[1] = 107;     // cluster 7: white, black outline
    ws.ClusterOf[2] = -114;    // a centre of cluster 14: grey 204, radius 4
    ws.ClusterOf[3] = 136;     // cluster 36: black
    ws.ClusterOf[4] = 0;       // no cluster: black
    ws.ClusterOf[5] = -10000;  // set aside: black, radius 4
    EXPECT_EQ(ClusterColour(1), 0xFFFFFFu);
    EXPECT_EQ(ClusterColour(2), 0xCCCCCCu);
    EXPECT_EQ(ClusterColour(3), 0u);
    EXPECT_EQ(ClusterColour(4), 0u);
    EXPECT_EQ(ClusterColour(5), 0u);
    ws.ClusterOf[4] = 101;
    EXPECT_EQ(ClusterColour(4), 0x0000FFu);  // cluster 1: red in the low byte
    ws.ClusterOf[4] = 110;
    EXPECT_EQ(ClusterColour(4), 0x00CCCCu);  // cluster 10: darker yellow
    ws.ClusterOf[4] = 0;

    PaintBox1Click(form);
    const auto ellipses = form.map.Calls("ellipse");
    ASSERT_EQ(ellipses.size(), 5u);
    EXPECT_EQ(ellipses[0].a - ellipses[0].c, 6);
    EXPECT_EQ(ellipses[1].a - ellipses[1].c, 8);
    EXPECT_EQ(ellipses[4].a - ellipses[4].c, 8);
    // The pen before each mark: black for the white cluster 7, the colour otherwise.
    std::vector<int> outlines;
    for (std::size_t i = 0; i < form.map.calls.size(); ++i)
        if (form.map.calls[i].op == "ellipse") {
            std::size_t k = i;
            while (form.map.calls[k].op != "pen") --k;
            outlines.push_back(form.map.calls[k].a);
        }
    EXPECT_EQ(outlines, (std::vector<int>{0, 0xCCCCCC, 0, 0, 0}));
}

TEST_F(MapDrawing, NumbersInsteadOfBarsInViewModeFour) {
    Items(2);
    ws.ViewMode = 4;
    ws.ProtoProb[1] = 0.9f;
    PaintBox1Click(form);
    const auto texts = form.map.Calls("text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "2");
    EXPECT_EQ(texts[1].a, X(2) - 2);
    EXPECT_EQ(texts[1].b, Y(2) + 4);
    EXPECT_EQ(form.map.Calls("rect").size(), 1u);
}

// What "View" and "C" make of two named items with classes: the label
// beside each mark and the colour it is filled with.
struct LookCase {
    const char* name;
    int viewMode, byClass;
    std::vector<std::string> labels;
    std::vector<int> fills;  // as 0x00BBGGRR
};

void PrintTo(const LookCase& c, std::ostream* os) {
    *os << c.name;
}

class MapLooks : public MapDrawing, public ::testing::WithParamInterface<LookCase> {};

TEST_P(MapLooks, FollowTheLabelsAndColoursAskedFor) {
    Items(2);
    std::snprintf(ws.ItemName[1], kNameSize, "%s", "a-name-longer-than-sixteen");
    std::snprintf(ws.ItemName[2], kNameSize, "%s", "b\u00e9");
    ws.ClassCount = 2;
    ws.ItemClass[1] = 2;
    ws.ItemClass[2] = 1;
    ws.ClusterCount = 1;
    ws.ClusterCentres[1] = 1;
    ws.ClusterOf[1] = -1;
    ws.ClusterOf[2] = 1;  // both in cluster 1, red
    ws.ViewMode = GetParam().viewMode;
    ws.ColourByClass = GetParam().byClass;
    PaintBox1Click(form);
    std::vector<std::string> labels;
    for (const CanvasCall& t : form.map.Calls("text")) labels.push_back(t.text);
    EXPECT_EQ(labels, GetParam().labels);
    std::vector<int> fills;
    int brush = -1;
    for (const CanvasCall& c : form.map.calls) {
        if (c.op == "brush") brush = c.a;
        if (c.op == "ellipse") fills.push_back(brush);
    }
    EXPECT_EQ(fills, GetParam().fills);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MapLooks,
    ::testing::Values(
        LookCase{"barsByCluster", kViewBars, 0, {}, {0x0000FF, 0x0000FF}},
        LookCase{"numbersByCluster", kViewNumbers, 0, {"1", "2"}, {0x0000FF, 0x0000FF}},
        LookCase{"namesByCluster", kViewNames, 0, {"a-name-longer-t\u2026", "b\u00e9"}, {0x0000FF, 0x0000FF}},
        LookCase{"namesByClass", kViewNames, 1, {"a-name-longer-t\u2026", "b\u00e9"}, {0xE9B456, 0x009FE6}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MapDrawing, EdgesJoinPairsCloserThanTheLimitBothWays) {
    Items(3);
    ws.ShowEdges = 1;
    form.edits[Edit5] = "0.2";
    ws.DistMatrix[1][2] = ws.DistMatrix[2][1] = 0.1f;
    ws.DistMatrix[1][3] = 0.1f;  // only one direction is short
    ws.DistMatrix[3][1] = 1.0f;
    ws.DistMatrix[2][3] = 0.2f;  // one way on the limit, not below it: no edge
    ws.DistMatrix[3][2] = 0.1f;
    PaintBox1Click(form);
    EXPECT_FLOAT_EQ(ws.EdgeFactor, 0.2f);
    // Pairs (1,2) and (2,1), plus the three zero-length pairs i = j.
    const auto lines = form.map.Calls("line");
    ASSERT_EQ(lines.size(), 5u);
    const auto moves = form.map.Calls("move");
    EXPECT_EQ(moves[1].a, X(1));
    EXPECT_EQ(lines[1].a, X(2));
    EXPECT_EQ(lines[1].b, Y(2));
}

TEST_F(MapDrawing, TreeLinksAreBlackAndTwoWideWhereTheyPassTheLimit) {
    Items(3);
    ws.ShowEdges = 1;
    form.edits[Edit5] = "0.5";
    ws.DistMatrix[2][1] = ws.DistMatrix[1][2] = 0.1f;
    ws.DistMatrix[3][1] = ws.DistMatrix[1][3] = 1.0f;
    ws.DistMatrix[3][2] = ws.DistMatrix[2][3] = 1.0f;
    ws.TreeLinks[2][1] = 1;
    ws.TreeLinks[3][1] = 1;  // too long for the limit: not drawn at all
    PaintBox1Click(form);
    int wideBlack = 0;
    for (std::size_t i = 0; i + 3 < form.map.calls.size(); ++i) {
        const auto& c = form.map.calls;
        if (c[i].op == "width" && c[i].a == 2 && c[i + 1].op == "pen" && c[i + 1].a == 0 &&
            c[i + 3].op == "line")
            ++wideBlack;
    }
    EXPECT_EQ(wideBlack, 1);
    EXPECT_EQ(form.map.Calls("line").size(), 5u);
}

TEST_F(MapDrawing, NoEdgesUntilTheyAreSwitchedOnAndTheDefaultLimitDrawsNone) {
    Items(2);
    ws.DistMatrix[2][1] = ws.DistMatrix[1][2] = 0.1f;
    PaintBox1Click(form);
    EXPECT_TRUE(form.map.Calls("line").empty());
    ws.ShowEdges = 1;
    PaintBox1Click(form);  // ".0" gives the limit 0
    EXPECT_TRUE(form.map.Calls("line").empty());
}

TEST_F(MapDrawing, EveryDrawingResetsNumbersAndFlags) {
    Items(3);
    ws.ItemFlag[2] = 1;
    ws.ItemNumber[3] = 17;
    ws.ItemFlag[4] = 1;
    PaintBox1Click(form);
    EXPECT_EQ(ws.ItemFlag[2], 0);
    EXPECT_EQ(ws.ItemNumber[3], 3);
    EXPECT_EQ(ws.ItemFlag[4], 1);
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
        Items(2);
        ws.ClusterCount = 1;
        ws.ClusterCentres[1] = 1;
        ws.ClusterOf[1] = -1;
        ws.ClusterOf[2] = 1;
        std::snprintf(ws.ItemName[1], kNameSize, "%s", c.name.c_str());
        Legend legend;
        LegendEntries(legend);
        EXPECT_EQ(std::string(legend.entries[1].text), c.entry);
    }
}

TEST(MapDrawingBeforeAnyRun, DrawsTheBackgroundOnly) {
    FreshWorkspace();
    FakeForm form;
    ws.ItemFlag[5] = 1;
    PaintBox1Click(form);
    EXPECT_EQ(form.map.calls.size(), 4u);  // cursor, clear, brush, background
    EXPECT_EQ(ws.ItemFlag[5], 1);
}

}  // namespace
