#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "handlers/Picking.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

// Three prototypes of two components, prototype p shown at (p, p) on a
// 20 x 20 grid, and four input vectors, as after a SOC run.
class Picking : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        session.PickEnabled = true;
        session.SocMode = 1;
        session.map.Resize(3);
        session.map.size[1] = session.map.size[2] = 20;
        session.view.zoom = 1.0f;
        session.view.angle = kRunViewAngle;
        session.view.projected.assign(4 * 3, 0.0);
        session.prototypes.Resize(3, 2);
        for (int p = 1; p <= 3; ++p) {
            session.view.Projected(p)[1] = session.view.Projected(p)[2] = p;
            session.prototypes.Vector(p)[1] = static_cast<float>(p);
            session.prototypes.Weights(p)[1] = session.prototypes.Weights(p)[2] = 1;
        }
        session.table = TableOf({{2, 0}, {2.3f, 0}, {5, 0}, {2, 3}});
        session.VectorDim = 2;
    }
    // Where prototype p shows on the map panel.
    std::pair<int, int> At(int p) const { return WhereShown(session.view, session.map, p); }
    void PickAt(int p) { PickPrototype(form, session, At(p).first, At(p).second); }
    // The title of the feature-vector panel, empty when none is shown.
    std::string PanelTitle() const {
        const auto texts = ShapesShown(form.panel, "text");
        const auto title = std::find_if(texts.begin(), texts.end(), [](const Shape& t) { return t.y1 < 10; });
        return title == texts.end() ? "" : title->text;
    }

    FakeForm form;
};

// A pick lists the vectors similar to the prototype nearest the click and
// then its number, and shows it and them on the panel; it writes the scores
// of the table's vectors, and no entry past them.
TEST_F(Picking, ListsTheSimilarVectorsAndThenThePickedNumber) {
    form.edits[Edit16] = "0.5";
    session.MakeRoom(5);
    std::fill(session.ItemScore.begin() + 1, session.ItemScore.end(), 7.0f);
    PickPrototype(form, session, At(2).first, At(2).second + 1);  // beside prototype 2
    EXPECT_EQ(session.PanelItem, 2);
    EXPECT_EQ(session.PickedItem, 2);
    EXPECT_EQ(form.edits[Edit1], "2");
    // Item 2 lies 0.3 / sqrt(3) from prototype 2.
    EXPECT_EQ(form.memo, (Lines{" ", "1", "2", "2"}));
    EXPECT_EQ(session.ItemMark[1], 1);
    EXPECT_EQ(session.ItemScore[2], 2.0f);
    EXPECT_EQ(session.ItemMark[3], 0);
    EXPECT_EQ(session.ItemScore[3], 0.0f);
    EXPECT_EQ(session.ItemScore[4], 0.0f);
    EXPECT_EQ(session.ItemScore[5], 7.0f);
    EXPECT_EQ(PanelTitle(), "prototype 2");
}

TEST_F(Picking, TheSimilarityTestIsStrict) {
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(session, 2, 2), 0.3f / std::sqrt(3.0f));
    form.edits[Edit16] = "0";
    PickAt(2);
    EXPECT_EQ(form.memo, (Lines{" ", "2"}));
    session.prototypes.Vector(2)[1] = 2.3f;  // item 2 now at distance 0
    form.edits[Edit16] = "abc";
    PickAt(2);
    EXPECT_EQ(form.memo, (Lines{" ", "2"}));
}

TEST_F(Picking, AnyPointInThePanelPicksTheNearestAndTiesGoToTheLowerNumber) {
    PickPrototype(form, session, 600, 30);
    EXPECT_EQ(session.PanelItem, 3);
    session.view.Projected(1)[2] = session.view.Projected(2)[2] = 1;
    const int x1 = At(1).first, x2 = At(2).first;
    ASSERT_EQ((x1 + x2) % 2, 0);
    PickPrototype(form, session, (x1 + x2) / 2, At(1).second);  // halfway between prototypes 1 and 2
    EXPECT_EQ(session.PanelItem, 1);
}

// The distance weighs each component and divides by one plus the weights;
// over the components a vector has, scaled up to all of them; a vector
// with none is never listed.
TEST_F(Picking, TheDistanceWeighsEachComponentAndDividesByOnePlusTheWeights) {
    session.prototypes.Weights(1)[1] = 0.5f;
    session.prototypes.Weights(1)[2] = 0.25f;
    // (2, 3) against (1, 0)
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(session, 4, 1), std::sqrt((1 * 0.5f + 9 * 0.25f) / 1.75f));
    session.table.Row(4)[1] = NAN;
    session.table.missing[4] = 1;
    EXPECT_FLOAT_EQ(ItemPrototypeDistance(session, 4, 1), std::sqrt(2 * 9 * 0.25f / 1.75f));
    session.table.Row(4)[2] = NAN;
    session.table.missing[4] = 2;
    EXPECT_TRUE(std::isnan(ItemPrototypeDistance(session, 4, 1)));
    form.edits[Edit16] = "1e9";
    PickAt(2);
    EXPECT_EQ(form.memo, (Lines{" ", "1", "2", "3", "2"}));
}

TEST_F(Picking, NothingHappensWhilePickingIsOff) {
    session.PickEnabled = false;
    PickAt(2);
    EXPECT_EQ(form.memo, Lines{"Memo1"});
    EXPECT_EQ(PanelTitle(), "");
}

// The lines of one colour and width on the feature-vector panel.
std::vector<Shape> PanelLines(const FakeForm& form, std::uint32_t colour, int width = 1) {
    std::vector<Shape> lines;
    for (const Shape& l : ShapesShown(form.panel, "line"))
        if (l.outline == colour && l.width == width) lines.push_back(l);
    return lines;
}

// The prototype shown is a thick black line over its components, across
// the panel; a marked vector of the same values a green line on it; a red
// bar for each component's weight, as long as the weight, about one row.
TEST_F(Picking, ThePanelDrawsThePrototypeTheMarkedVectorsAndTheWeights) {
    session.PanelItem = 2;  // (2, 0)
    session.MakeRoom(4);
    session.ItemMark[1] = 1;  // (2, 0)
    session.prototypes.Weights(2)[2] = 0.5f;
    DrawFeaturePanel(form, session);
    const auto prototype = PanelLines(form, kBlack, 4), marked = PanelLines(form, kDarkGreen);
    ASSERT_EQ(prototype.size(), 2u);
    EXPECT_EQ(prototype[1].x2, form.panel.Width() - 1);
    EXPECT_LT(prototype[0].y2, prototype[1].y2);  // 2 above 0
    const auto levels = PanelLines(form, kBlack);  // 0 on one of the level lines across the panel
    EXPECT_TRUE(std::any_of(levels.begin(), levels.end(), [&](const Shape& l) {
        return l.x1 == 0 && l.y1 == l.y2 && l.y1 == prototype[1].y2;
    }));
    ASSERT_EQ(marked.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k)
        EXPECT_EQ(std::pair(marked[k].x2, marked[k].y2), std::pair(prototype[k].x2, prototype[k].y2));
    std::vector<Shape> bars, zero;  // and a red line along 0
    for (const Shape& l : PanelLines(form, kRed)) (l.x1 == l.x2 ? bars : zero).push_back(l);
    EXPECT_TRUE(!zero.empty() && zero[0].y1 == prototype[1].y2 && zero.back().y2 == prototype[1].y2);
    ASSERT_EQ(bars.size(), 2u);  // weights 1 and 0.5
    EXPECT_EQ(bars[0].x1, prototype[0].x2);
    EXPECT_EQ(bars[0].y1 + bars[0].y2, bars[1].y1 + bars[1].y2);
    EXPECT_NEAR(bars[0].Height(), 2 * bars[1].Height(), 2);
}

// The components' names along the panel's foot stay inside the panel and
// apart, cut to the room they have: the last component stands at the right
// edge, so its name lies left of it.
TEST_F(Picking, TheComponentNamesStayInsideThePanelAndApart) {
    session.table.featureNames = {"", "a rather long first name", "a rather long second name"};
    session.PanelItem = 2;
    DrawFeaturePanel(form, session);
    std::vector<Shape> names;
    for (const Shape& t : ShapesShown(form.panel, "text"))
        if (t.text.rfind("a rather", 0) == 0) names.push_back(t);
    ASSERT_EQ(names.size(), 2u);
    int end = 0;
    for (const Shape& name : names) {
        EXPECT_GE(name.x1, end) << name.text;
        end = name.x1 + form.panel.TextWidth(name.text);
        EXPECT_LE(end, form.panel.Width() - 1) << name.text;
    }
}

// After an MRP-MDS run the panel shows the item picked, its own vector.
TEST_F(Picking, ThePanelShowsAnInputItemAfterAnMrpMdsRun) {
    session.SocMode = 0;
    session.PanelItem = 4;  // (2, 3)
    session.MakeRoom(4);
    session.ItemMark[1] = 1;  // (2, 0)
    DrawFeaturePanel(form, session);
    const auto item = PanelLines(form, kBlack, 4), marked = PanelLines(form, kDarkGreen);
    ASSERT_EQ(item.size(), 2u);
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(item[0].y2, marked[0].y2);
    EXPECT_LT(item[1].y2, marked[1].y2);  // 3 above 0
}

// Before any run, and as a run begins, the panel is an empty frame along
// its edges: no title, no line.
TEST(PanelBeforeAnyRun, DrawsAnEmptyFrame) {
    Session session;
    session = Session{};
    FakeForm form;
    DrawFeaturePanel(form, session);
    RecordingCanvas begun(form.panel.Width(), form.panel.Height());
    DrawEmptyPanel(begun);
    for (const RecordingCanvas* panel : {&form.panel, &begun}) {
        EXPECT_TRUE(ShapesShown(*panel, "line").empty());
        EXPECT_TRUE(ShapesShown(*panel, "text").empty());
        const auto frame = ShapesShown(*panel, "rect");
        ASSERT_FALSE(frame.empty());
        EXPECT_EQ(std::tie(frame[0].x1, frame[0].y1, frame[0].x2, frame[0].y2),
                  std::make_tuple(0, 0, panel->Width() - 1, panel->Height() - 1));
    }
}

}  // namespace
