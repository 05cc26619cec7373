#include <gtest/gtest.h>

#include <algorithm>

#include "handlers/Picking.h"
#include "handlers/Reload.h"
#include "handlers/SocRun.h"
#include "handlers/TreeButton.h"
#include "soc/SocFit.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

std::string Items(int n, int dim) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        for (int q = 0; q < dim; ++q)
            s += Format(q ? "\t%.3f" : "%.3f", ((i + q) % 4) * 0.25 + 0.01 * (i % 7));
        s += "\n";
    }
    return s;
}

std::string CrLf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class Reload : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        dir.Write("items.txt", Items(40, 5));
        form.Choose(dir.File("items.txt"));
        form.edits[Edit12] = "40";
        form.edits[Edit13] = "5";
        form.edits[Edit14] = "6";
        form.choices.seed = 1;  // runs that repeat each other
    }
    void TrainAndForget() {
        RunSoc(form, session, 2000);
        trained = session.prototypes;
        session = Session{};  // a new start of the program
        form.map = RecordingCanvas(641, 633);
        form.panel = RecordingCanvas(265, 217);
    }
    Lines Expected(int socRows, int weightRows) const {
        return {dir.File("items.txt"),    dir.File("soc.dat"),       dir.File("weights.dat"),
                dir.File("clusters.dat"), dir.File("distances.dat"), "5",
                std::to_string(socRows),  std::to_string(weightRows)};
    }

    TempDir dir;
    FakeForm form;
    Prototypes trained;
};

TEST_F(Reload, RestoresASocRunFromItsFiles) {
    TrainAndForget();
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo, Expected(6, 6));
    EXPECT_EQ(session.prototypes.k, 6);
    EXPECT_TRUE(session.PickEnabled);
    EXPECT_EQ(session.SocMode, 1);
    EXPECT_EQ(session.view.mode, kViewNumbers);
    const std::vector<Shape> texts = ShapesShown(form.map, "text");
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const Shape& t) { return t.text.find_first_not_of("0123456789") == std::string::npos; }),
              6);  // the prototypes' numbers
    // Each mark's size follows the vectors its prototype holds.
    std::vector<int> radius(7), members(7);
    for (int k = 1; k <= 6; ++k) {
        const auto [x, y] = WhereShown(session.view, session.map, k);
        for (const Shape& s : ShapesShown(form.map, "ellipse"))
            if (s.CentreX() == x && s.CentreY() == y) radius[static_cast<std::size_t>(k)] = s.Radius();
        members[static_cast<std::size_t>(k)] = AssignVectors(session.prototypes, session.table, 5).members[static_cast<std::size_t>(k)];
    }
    for (std::size_t a = 1; a <= 6; ++a)
        for (std::size_t b = 1; b <= 6; ++b)
            if (members[a] > members[b]) {
                EXPECT_GE(radius[a], radius[b]) << a << " holds more than " << b;
            }
    const auto most = std::max_element(members.begin() + 1, members.end());
    const auto fewest = std::min_element(members.begin() + 1, members.end());
    ASSERT_GT(*most, *fewest);
    EXPECT_GT(radius[static_cast<std::size_t>(most - members.begin())],
              radius[static_cast<std::size_t>(fewest - members.begin())]);
    for (int k = 1; k <= 6; ++k)
        for (int q = 1; q <= 5; ++q) EXPECT_NEAR(session.prototypes.Vector(k)[q], trained.Vector(k)[q], 0.0005);
    EXPECT_FLOAT_EQ(session.distances.largest, 22.0f);
    EXPECT_FLOAT_EQ(session.table.Row(2)[1], (0.25f + 0.01f) * 10);

    // Picking and the tree work on the prototypes.
    PickPrototype(form, session, 320, 316);
    ASSERT_GE(session.PanelItem, 1);
    const auto panelTexts = form.panel.Calls("text");
    EXPECT_TRUE(std::any_of(panelTexts.begin(), panelTexts.end(), [&](const CanvasCall& t) {
        return t.text.rfind("prototype " + std::to_string(session.PanelItem), 0) == 0;
    }));
    form.memo.clear();
    form.edits[Edit7] = "1000";
    DrawMinimumTree(form, session);
    EXPECT_EQ(form.memo.size(), 5u);  // six prototypes joined by five links, in their own units

    // Files of a run on another input are warned of, whichever run it was.
    dir.Write("other.txt", dir.Read("items.txt"));
    form.Choose(dir.File("other.txt"));
    ReloadSocResults(form, session);
    const std::string warning = "warning: soc.dat came from SOC on items.txt, not from a run on other.txt";
    EXPECT_NE(std::find(form.status.begin(), form.status.end(), warning), form.status.end());
}

// Prototypes and weights of different counts are not of one run: refused,
// whichever has fewer lines.
TEST_F(Reload, RefusesPrototypesAndWeightsOfDifferentCounts) {
    TrainAndForget();
    const std::string soc = dir.Read("soc.dat"), weights = dir.Read("weights.dat");
    for (const char* cut : {"weights.dat", "soc.dat"}) {
        dir.Write("soc.dat", soc);
        dir.Write("weights.dat", weights);
        ReloadSocResults(form, session);
        ASSERT_EQ(session.map.n, 6);
        dir.Write(cut, dir.Read(cut).substr(0, dir.Read(cut).find('\n') + 1));
        ReloadSocResults(form, session);
        const bool socCut = std::string(cut) == "soc.dat";
        EXPECT_EQ(form.memo, Expected(socCut ? 1 : 6, socCut ? 6 : 1));
        EXPECT_EQ(form.status.back(),
                  Format("refused: soc.dat holds %s, weights.dat %d: the two are not of one SOC run",
                         socCut ? "1 prototype" : "6 prototypes", socCut ? 6 : 1));
        EXPECT_EQ(session.map.n, 0) << "the map before is not left on show";
    }
}

// No prototypes: the counts, an empty map, and nothing left to pick from a
// run before.
TEST_F(Reload, StopsAfterTheCountsWhenThereAreNoPrototypes) {
    session.map.Resize(3);  // a map before
    session.PickEnabled = true;
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo, Expected(0, 0));
    EXPECT_EQ(session.map.n, 0);
    EXPECT_EQ(form.map.Calls("ellipse").size(), 0u);
    EXPECT_FALSE(session.PickEnabled);
    EXPECT_EQ(form.outcome, Outcome::Refused);
    dir.Write("weights.dat", "");
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo.back(), "0");
}

TEST_F(Reload, ReadsTheWholeInputSizeAndRefusesBadSizes) {
    dir.Write("items.txt", CrLf(Items(1000, 5)));
    form.edits[Edit12] = "1000";
    ReloadSocResults(form, session);
    EXPECT_EQ(session.table.rows, 1000);
    EXPECT_EQ(form.memo.back(), "0");

    form.edits[Edit12] = "1001";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo.back(), "max size: 1000");
    form.edits[Edit12] = "0";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo.back(), "max size: 1000");
    form.edits[Edit12] = "40";
    form.edits[Edit13] = "65";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo.back(), "max dim: 64");
    form.edits[Edit13] = "0";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo.back(), "max dim: 64");
}

// A cancelled choice changes nothing of the map on show.
TEST_F(Reload, ACancelledChoiceChangesNothing) {
    form.Choose("");
    form.edits[Edit16] = "2.75";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.memo, (Lines{"", "invalid filename"}));
    EXPECT_EQ(form.status.back(), "cancelled: no file chosen");
    EXPECT_EQ(session.SimilarityDist, 50.0f);
    EXPECT_EQ(session.SocMode, 0);
}

}  // namespace
