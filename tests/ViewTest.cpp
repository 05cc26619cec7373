#include <gtest/gtest.h>

#include <cmath>

#include "handlers/MapPanel.h"
#include "handlers/ViewButtons.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "view/ViewPlane.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

class ViewState : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        session.map.Resize(3);
        session.map.size[1] = session.map.size[2] = 20;
        const float coords[3][3] = {{2, 4, 6}, {8, 10, 1}, {5, 1, 2}};
        for (int i = 0; i < 3; ++i)
            for (int a = 0; a < 3; ++a) session.map.Point(i + 1)[a + 1] = coords[i][a];
        ResetView(session.view, session.map);
        MapCentre(session.view, session.map, 3);
    }
    FakeForm form;
};

// One press turns the view by two steps, each in its own plane and way:
// screen axes 1 and 2 (columns) over map axes 1 to 3 (rows).
TEST_F(ViewState, EachRotationTurnsItsOwnPlaneItsOwnWay) {
    const double c = 0.9999 * 0.9999 - (1 - 0.9999 * 0.9999);  // cos and sin of two steps
    const double s = 2 * 0.9999 * std::sqrt(1 - 0.9999 * 0.9999);
    const struct {
        void (*press)(Form&, Session&);
        double view[3][2];
    } presses[] = {
        {RotateAxes23, {{1, 0}, {0, c}, {0, s}}},   // Rot1: axes 2 and 3
        {RotateAxes12, {{c, s}, {-s, c}, {0, 0}}},  // Rot2: axes 1 and 2
        {RotateAxes13, {{c, 0}, {0, 1}, {-s, 0}}},  // Rot3: axes 1 and 3
    };
    for (const auto& p : presses) {
        ResetView(session.view, session.map);
        p.press(form, session);
        for (int r = 1; r <= 3; ++r)
            for (int q = 1; q <= 2; ++q)
                EXPECT_NEAR(session.view.matrix[r][q], p.view[r - 1][q - 1], 1e-12) << r << q;
    }
    EXPECT_EQ(form.map.drawings, 3);
}

// A reset shows the map as laid out; "Size up" spreads the marks on the
// panel by a tenth, "Size down" takes that back.
TEST_F(ViewState, SizeUpAndDownSpreadTheMarksByATenth) {
    for (int i = 1; i <= 3; ++i)
        for (int a = 1; a <= 2; ++a) EXPECT_EQ(session.view.Projected(i)[a], session.map.Point(i)[a]) << i;
    const auto spread = [&] {
        const auto [x1, y1] = WhereShown(session.view, session.map, 1);
        const auto [x2, y2] = WhereShown(session.view, session.map, 2);
        return std::hypot(x1 - x2, y1 - y2);
    };
    const double before = spread();
    SizeUp(form, session);
    EXPECT_NEAR(spread() / before, 1.1, 0.01);
    SizeDown(form, session);
    EXPECT_NEAR(spread(), before, 1.5);
}

// A placed row of a map of all rows is drawn without its name: a long one
// takes no room from the fitted map.
TEST_F(ViewState, FitLeavesNoRoomForThePlacedRowsNames) {
    session.table = TableOf({{0}, {0}, {0}});
    session.view.mode = kViewNames;
    session.landmarks.count = 2;
    session.landmarks.fileRow = {0, 1, 2, 3};
    for (int i = 1; i <= 3; ++i)
        session.map.Point(i)[1] = 9.0f * static_cast<float>(i);  // wide: the labels' side decides
    double scale[2];
    for (const int placedName : {0, 1}) {
        session.table.names = {"", "a", "b", placedName ? std::string(60, 'x') : "c"};
        FitMap(form, session);
        scale[placedName] = session.view.centre[5];
    }
    EXPECT_EQ(scale[1], scale[0]);
}

// "View" goes from bars to numbers, from numbers to names when the items
// have them and back to bars otherwise; "edge lim" adds a blank line.
TEST_F(ViewState, ViewCyclesTheLabelsAndEdgeLimAddsABlankLine) {
    const struct {
        int from;
        bool named;
        int to;
    } presses[] = {{kViewBars, false, kViewNumbers},
                   {kViewNumbers, false, kViewBars},
                   {kViewBars, true, kViewNumbers},
                   {kViewNumbers, true, kViewNames},
                   {kViewNames, true, kViewBars}};
    for (const auto& p : presses) {
        session.table = TableOf({{0}, {0}, {0}});
        if (p.named) session.table.names = {"", "a", "b", "c"};
        session.view.mode = p.from;
        SwitchLabels(form, session);
        EXPECT_EQ(session.view.mode, p.to) << p.from << " " << p.named;
    }
    form.memo.clear();
    ShowEdges(form, session);
    ShowEdges(form, session);
    EXPECT_TRUE(session.view.showEdges);
    EXPECT_EQ(form.memo, (std::vector<std::string>{" ", " "}));
}

TEST(PixelMapping, FarAndNotANumberCoordinatesStayFarOutside) {
    const PixelScale s = MapPixelScale(View{}, MapLayout{}, 641, 633);
    EXPECT_LT(PixelOf(s, std::nan(""), 0).x, -1000000);
    EXPECT_GT(PixelOf(s, 1e300, 0).x, 1000000);
}

// Before any run every button that redraws, and a click on the panel, show
// the white panel alone.
TEST(BeforeAnyRun, ViewButtonsDrawOnlyTheBackground) {
    Session session;
    session = Session{};
    FakeForm form;
    int presses = 0;
    for (auto* button : {SizeUp, SizeDown, RotateAxes23, RotateAxes12, RotateAxes13, SwitchLabels, ShowEdges,
                         SwitchLegend, RedrawMap}) {
        button(form, session);
        EXPECT_EQ(form.map.drawings, ++presses);
        const auto shown = ShapesShown(form.map);
        ASSERT_EQ(shown.size(), 1u) << presses;
        EXPECT_EQ(shown[0].op, "rect");
        EXPECT_EQ(shown[0].fill, kWhite);
        EXPECT_EQ(shown[0].x2, kMapPanelWidth - 1);
        EXPECT_EQ(shown[0].y2, kMapPanelHeight - 1);
    }
}

}  // namespace

// A map of three axes is seen in the plane of its two largest spreads:
// points spread widely along u = (2, 3, 6) / 7, less along v = (3, -6, 2) / 7
// and not at all across both give the screen u and -v (each turned so that
// its largest part is positive).
TEST(PrincipalPlane, IsThePlaneOfTheTwoLargestSpreads) {
    const double u[3] = {2 / 7.0, 3 / 7.0, 6 / 7.0}, v[3] = {3 / 7.0, -6 / 7.0, 2 / 7.0};
    MapLayout map;
    map.Resize(21 * 7);
    int i = 0;
    for (int t = -10; t <= 10; ++t)
        for (int s = -3; s <= 3; ++s) {
            ++i;
            for (int a = 0; a < 3; ++a) map.Point(i)[a + 1] = static_cast<float>(5 + t * u[a] + s * v[a]);
        }
    View view;
    ViewPrincipalPlane(view, map, 3);
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(view.matrix[a + 1][1], u[a], 1e-6) << a;
        EXPECT_NEAR(view.matrix[a + 1][2], -v[a], 1e-6) << a;
    }
}

// Two points are enough: the screen's first axis runs from one to the other.
TEST(PrincipalPlane, OfTwoPointsRunsAlongTheirLine) {
    MapLayout map;
    map.Resize(2);
    map.Point(1)[1] = 1, map.Point(1)[2] = 1;
    map.Point(2)[1] = 4, map.Point(2)[2] = 5;
    View view;
    ViewPrincipalPlane(view, map, 2);
    EXPECT_NEAR(view.matrix[1][1], 0.6, 1e-6);
    EXPECT_NEAR(view.matrix[2][1], 0.8, 1e-6);
}
