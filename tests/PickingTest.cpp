#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "handlers/Picking.h"
#include "soc/SocFit.h"
#include "support/FakeForm.h"
#include "workspace/Workspace.h"

namespace {

using Lines = std::vector<std::string>;

// Three prototypes of two components at pixels (32 p, 632 - 31.6 p) and four
// input vectors, as after a SOC run.
class Picking : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        ws.PickEnabled = 1;
        ws.SocMode = 1;
        ws.ItemCount = 3;
        ws.VectorCount = 4;
        ws.VectorDim = 2;
        ws.MapSize1 = ws.MapSize2 = 20;
        ws.ViewZoom = 1.0f;
        ws.ViewAngle = 1.5707964f;
        for (int p = 1; p <= 3; ++p) {
            ws.ProjCoords[p][1] = ws.ProjCoords[p][2] = p;
            ws.Prototypes[p][1][1] = static_cast<float>(p);
            ws.Prototypes[p][1][2] = 0;
            ws.Prototypes[p][2][1] = 1;
            ws.Prototypes[p][2][2] = 1;
            ws.ItemNumber[p] = p;
        }
        const float items[4][2] = {{2, 0}, {2.3f, 0}, {5, 0}, {2, 3}};
        for (int i = 0; i < 4; ++i) {
            ws.InputVectors[i + 1][1] = items[i][0];
            ws.InputVectors[i + 1][2] = items[i][1];
        }
    }
    FakeForm form;
};

TEST_F(Picking, ListsTheSimilarVectorsAndThenThePickedNumber) {
    form.edits[Edit16] = "0.5";
    std::fill(ws.ItemScore + 1, ws.ItemScore + 5, 7.0f);  // every vector's score is written
    PaintBox1MouseUp(form, 64, 570);                      // beside prototype 2 at (64, 569)
    EXPECT_EQ(ws.PanelItem, 2);
    EXPECT_EQ(ws.PickedItem, 2);
    EXPECT_EQ(form.edits[Edit1], "2");
    // Item 2 lies 0.3 / sqrt(3) from prototype 2.
    EXPECT_EQ(form.memo, (Lines{" ", "1", "2", "2"}));
    EXPECT_EQ(ws.ItemMark[1], 1);
    EXPECT_EQ(ws.ItemScore[2], 2.0f);
    EXPECT_EQ(ws.ItemMark[3], 0);
    EXPECT_EQ(ws.ItemScore[3], 0.0f);
    EXPECT_EQ(ws.ItemScore[4], 0.0f);
    EXPECT_EQ(form.panel.drawings, 1);
}

TEST_F(Picking, TheSimilarityTestIsStrict) {
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(2, 2), 0.3f / std::sqrt(3.0f));
    form.edits[Edit16] = "0";
    PaintBox1MouseUp(form, 64, 569);
    EXPECT_EQ(form.memo, (Lines{" ", "2"}));
    ws.Prototypes[2][1][1] = 2.3f;  // item 2 now at distance 0
    form.edits[Edit16] = "abc";
    PaintBox1MouseUp(form, 64, 569);
    EXPECT_EQ(form.memo, (Lines{" ", "2"}));
}

TEST_F(Picking, AnyPointInThePanelPicksTheNearestAndTiesGoToTheLowerNumber) {
    PaintBox1MouseUp(form, 600, 30);
    EXPECT_EQ(ws.PanelItem, 3);
    // Halfway between prototypes 1 and 2 in both directions: (48, 584.6).
    ws.ProjCoords[1][2] = ws.ProjCoords[2][2] = 1;
    PaintBox1MouseUp(form, 48, 600);
    EXPECT_EQ(ws.PanelItem, 1);
}

// The distance weighs each component and divides by one plus the weights;
// over the components a vector has, scaled up to all of them; a vector
// with none is never listed.
TEST_F(Picking, TheDistanceWeighsEachComponentAndDividesByOnePlusTheWeights) {
    ws.Prototypes[1][2][1] = 0.5f;
    ws.Prototypes[1][2][2] = 0.25f;
    // (2, 3) against (1, 0)
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(4, 1), std::sqrt((1 * 0.5f + 9 * 0.25f) / 1.75f));
    ws.InputVectors[4][1] = NAN;
    ws.ItemMissing[4] = 1;
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(4, 1), std::sqrt(2 * 9 * 0.25f / 1.75f));
    ws.InputVectors[4][2] = NAN;
    ws.ItemMissing[4] = 2;
    EXPECT_TRUE(std::isnan(ItemPrototypeDistance(4, 1)));
    form.edits[Edit16] = "1e9";
    PaintBox1MouseUp(form, 64, 569);
    EXPECT_EQ(form.memo, (Lines{" ", "1", "2", "3", "2"}));
}

TEST_F(Picking, NothingHappensWhilePickingIsOff) {
    ws.PickEnabled = 0;
    PaintBox1MouseUp(form, 64, 569);
    EXPECT_EQ(form.memo, Lines{"Memo1"});
    EXPECT_EQ(form.panel.drawings, 0);
}

TEST_F(Picking, APickOverAThousandVectorsStaysInsideItsArrays) {
    ws.VectorCount = 1000;
    ws.ItemScore[1001] = 7;
    PaintBox1MouseUp(form, 64, 569);
    EXPECT_EQ(ws.ItemScore[1000], 0.0f);
    EXPECT_EQ(ws.ItemScore[1001], 7.0f);
}

TEST_F(Picking, ThePanelDrawsAxisLevelsVectorsZeroLineAndWeights) {
    ws.PanelItem = 2;
    ws.ItemMark[1] = 1;
    ws.Prototypes[2][2][2] = 0.5f;
    PaintBox2Click(form);
    const RecordingCanvas& c = form.panel;
    // mid = 108, xs = 132, ys = 5.4: x(1) = 132, x(2) = 264, y(v) = 108 - trunc((v - 7) 5.4 + .5)
    const auto y = [](double v) { return 108 - static_cast<int>((v - 7) * 5.4 + 0.5); };
    ASSERT_GE(c.calls.size(), 10u);
    EXPECT_EQ(c.Calls("rect")[0].c, 264);
    EXPECT_EQ(c.Calls("rect")[0].d, 216);
    const auto lines = c.Calls("line");
    const auto moves = c.Calls("move");
    EXPECT_EQ(moves[0].b, 108);
    EXPECT_EQ(lines[0].a, 264);
    const int levels[] = {4, -3, 7, -7, 10, -10};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(moves[static_cast<std::size_t>(i + 1)].b, 108 - static_cast<int>(levels[i] * 5.4 + 0.5));
    // The thick black prototype, from the level of 0.
    EXPECT_EQ(moves[7].b, y(0));
    EXPECT_EQ(lines[7].a, 132);
    EXPECT_EQ(lines[7].b, y(2));
    EXPECT_EQ(lines[8].b, y(0));
    EXPECT_EQ(c.Calls("width")[0].a, 4);
    // The green marked vector, the red zero line, the red weight bars.
    EXPECT_EQ(lines[9].b, y(2));
    EXPECT_EQ(lines[11].b, y(0));
    const int t1 = static_cast<int>(1.0 * 5.4 * 10.1 + 0.5), t2 = static_cast<int>(0.5 * 5.4 * 10.1 + 0.5);
    EXPECT_EQ(moves.back().b, 108 + t2);
    EXPECT_EQ(lines.back().b, 108 - t2);
    EXPECT_EQ(lines[lines.size() - 2].b, 108 - t1);
    const auto pens = c.Calls("pen");
    EXPECT_EQ(pens[pens.size() - 4].a, 0x008000);
    EXPECT_EQ(pens.back().a, 0);
}

TEST_F(Picking, ThePanelShowsAnInputItemAfterAnMrpMdsRun) {
    ws.SocMode = 0;
    ws.PanelItem = 3;
    ws.ItemNumber[3] = 4;
    PaintBox2Click(form);
    const auto lines = form.panel.Calls("line");
    EXPECT_EQ(lines[7].b, 108 - static_cast<int>((2 - 7) * 5.4 + 0.5));
    EXPECT_EQ(lines[8].b, 108 - static_cast<int>((3 - 7) * 5.4 + 0.5));
    EXPECT_FALSE(form.panel.Calls("width").empty());
}

TEST(PanelBeforeAnyRun, DrawsAnEmptyFrame) {
    FreshWorkspace();
    FakeForm form;
    PaintBox2Click(form);
    EXPECT_EQ(form.panel.calls.size(), 3u);  // clear, brush and frame
}

}  // namespace
