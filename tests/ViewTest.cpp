#include <gtest/gtest.h>

#include <cmath>

#include "handlers/ViewButtons.h"
#include "support/FakeForm.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

class View : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        ws.ItemCount = 3;
        ws.MapSize1 = ws.MapSize2 = 20;
        const float coords[3][3] = {{2, 4, 6}, {8, 10, 1}, {5, 1, 2}};
        for (int i = 0; i < 3; ++i)
            for (int a = 0; a < 3; ++a) ws.MapCoords[i + 1][a + 1] = coords[i][a];
        ResetView();
        MapCentre(3, 3);
    }
    FakeForm form;
};

TEST_F(View, ResetGivesTheIdentityViewAndThePlainProjection) {
    EXPECT_EQ(ws.ViewMatrix[1][1], 1.0);
    EXPECT_EQ(ws.ViewMatrix[2][2], 1.0);
    EXPECT_EQ(ws.ViewMatrix[3][1], 0.0);
    EXPECT_EQ(ws.ViewCentre[5], 1.0);
    EXPECT_EQ(ws.ProjectedCount, 3);
    EXPECT_EQ(ws.ProjCoords[2][1], 8.0);
    EXPECT_EQ(ws.ProjCoords[2][2], 10.0);
    EXPECT_DOUBLE_EQ(ws.RotStep2[1][2], std::sqrt(1 - 0.9999 * 0.9999));
    EXPECT_DOUBLE_EQ(ws.RotStep1[2][3], -std::sqrt(1 - 0.9999 * 0.9999));
    EXPECT_EQ(ws.RotStep3[2][2], 1.0);
    EXPECT_DOUBLE_EQ(ws.ViewCentre[1], 5.0);
    EXPECT_DOUBLE_EQ(ws.ViewCentre[3], 3.0);
}

TEST_F(View, MapCentreKeepsTheAxesItDoesNotCompute) {
    MapCentre(3, 2);
    ws.MapCoords[1][3] = 100;
    MapCentre(3, 2);
    EXPECT_DOUBLE_EQ(ws.ViewCentre[3], 3.0);
}

TEST_F(View, TransformCentresTheCentroidOnHalfTheExtent) {
    ws.MapSize1 = 25;
    TransformView(5);
    double x = 0, y = 0;
    for (int i = 1; i <= 3; ++i) {
        x += ws.ProjCoords[i][1];
        y += ws.ProjCoords[i][2];
    }
    EXPECT_DOUBLE_EQ(x / 3, 12.0);  // 25 / 2 in integers
    EXPECT_DOUBLE_EQ(y / 3, 10.0);
    EXPECT_DOUBLE_EQ(ws.ProjCoords[1][1], 2 - 5 + 12);
}

TEST_F(View, RotStep2Applied444TimesTurnsAboutOnce) {
    double m[5][5] = {};
    m[1][1] = m[2][2] = 1;
    for (int n = 0; n < 444; ++n) {
        double t[5][5] = {};
        for (int q = 1; q <= 4; ++q)
            for (int p = 1; p <= 2; ++p)
                for (int r = 1; r <= 4; ++r) t[q][p] += ws.RotStep2[q][r] * m[r][p];
        std::copy(&t[0][0], &t[0][0] + 25, &m[0][0]);
    }
    const double step = std::acos(0.9999) * 180 / M_PI;  // about 0.8103 degrees
    const double turned = std::atan2(m[2][1], m[1][1]) * 180 / M_PI;
    EXPECT_NEAR(std::abs(turned), 360 - 444 * step, 1e-6);
    EXPECT_LT(std::abs(turned), 0.3);
}

// One press turns the view by two steps, each in its own plane and way:
// screen axes 1 and 2 (columns) over map axes 1 to 3 (rows).
TEST_F(View, EachRotationTurnsItsOwnPlaneItsOwnWay) {
    const double c = 0.9999 * 0.9999 - (1 - 0.9999 * 0.9999);  // cos and sin of two steps
    const double s = 2 * 0.9999 * std::sqrt(1 - 0.9999 * 0.9999);
    const struct {
        void (*press)(Form&);
        double view[3][2];
    } presses[] = {
        {Button6Click, {{1, 0}, {0, c}, {0, s}}},   // Rot1: axes 2 and 3
        {Button7Click, {{c, s}, {-s, c}, {0, 0}}},  // Rot2: axes 1 and 2
        {Button8Click, {{c, 0}, {0, 1}, {-s, 0}}},  // Rot3: axes 1 and 3
    };
    for (const auto& p : presses) {
        ResetView();
        p.press(form);
        for (int r = 1; r <= 3; ++r)
            for (int q = 1; q <= 2; ++q)
                EXPECT_NEAR(ws.ViewMatrix[r][q], p.view[r - 1][q - 1], 1e-12) << r << q;
    }
    EXPECT_EQ(form.map.drawings, 3);
}

TEST_F(View, SizeUpAndDownMultiplyTheScaleOnceEach) {
    Button4Click(form);
    EXPECT_DOUBLE_EQ(ws.ViewCentre[5], 1.1);
    for (int i = 0; i < 2; ++i) Button4Click(form);
    for (int i = 0; i < 3; ++i) Button5Click(form);
    // Three steps up and three down do not come back exactly.
    EXPECT_EQ(ws.ViewCentre[5], 1.0000000000000002);
}

TEST_F(View, ViewTogglesBarsAndNumbersAndEdgeLimAddsABlankLine) {
    Button11Click(form);
    EXPECT_EQ(ws.ViewMode, 4);
    Button11Click(form);
    EXPECT_EQ(ws.ViewMode, 0);
    ws.ViewMode = 2;
    Button11Click(form);
    EXPECT_EQ(ws.ViewMode, 4);
    form.memo.clear();
    Button1Click(form);
    Button1Click(form);
    EXPECT_EQ(ws.ShowEdges, 1);
    EXPECT_EQ(form.memo, (std::vector<std::string>{" ", " "}));
}

TEST(PixelMapping, PutsTheCentreMidPanelAndTruncatesTowardZero) {
    FreshWorkspace();
    ws.MapSize1 = ws.MapSize2 = 20;
    ws.ViewZoom = 1.0f;
    ws.ViewAngle = 1.5707964f;
    const PixelScale s = MapPixelScale(641, 633);
    EXPECT_FLOAT_EQ(s.sx, 32.0f);
    EXPECT_FLOAT_EQ(s.sy, 31.6f);
    const MapPixel centre = PixelOf(s, 10, 10);
    EXPECT_EQ(centre.x, 320);
    EXPECT_EQ(s.h1 - centre.yUp, 316);
    EXPECT_EQ(PixelOf(s, -1.2 / 32, 0).x, 0);  // -0.7 before the + 0.5
    EXPECT_EQ(PixelOf(s, -1.6 / 32, 0).x, -1);
}

TEST(PixelMapping, TheStartAngleShiftsXByHalfOfP2) {
    FreshWorkspace();  // pi/3 and zoom 0.7, as before any run
    const PixelScale s = MapPixelScale(641, 633);
    EXPECT_EQ(PixelOf(s, 0, 40).x, 20);
}

TEST(PixelMapping, FarAndNotANumberCoordinatesStayFarOutside) {
    FreshWorkspace();
    const PixelScale s = MapPixelScale(641, 633);
    EXPECT_LT(PixelOf(s, std::nan(""), 0).x, -1000000);
    EXPECT_GT(PixelOf(s, 1e300, 0).x, 1000000);
}

TEST(BeforeAnyRun, ViewButtonsDrawOnlyTheBackground) {
    FreshWorkspace();
    FakeForm form;
    for (auto* button :
         {Button4Click, Button5Click, Button6Click, Button7Click, Button8Click, Button11Click, Button1Click})
        button(form);
    EXPECT_EQ(form.map.drawings, 7);
    EXPECT_TRUE(form.map.Calls("ellipse").empty());
    EXPECT_TRUE(form.map.Calls("line").empty());
    EXPECT_EQ(form.map.Calls("rect").size(), 7u);
}

}  // namespace
