#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>

#include "handlers/MrpMdsRun.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

class MrpMdsRun : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        // Twelve items in three loose groups of four, in 2 components.
        std::string content;
        for (int g = 0; g < 3; ++g)
            for (int i = 0; i < 4; ++i)
                content += Format("%.2f\t%.2f\n", g * 2.0 + i * 0.3, g * 1.5 - i * 0.2);
        dir.Write("items.txt", content);
        form.Choose(dir.File("items.txt"));
        form.edits[Edit12] = "12";
        form.edits[Edit13] = "2";
        form.edits[Edit8] = "1";
        form.edits[Edit9] = "1";
    }

    TempDir dir;
    FakeForm form;
};

// The run writes its files, leaves its vectors at ten times the file's
// scale, and settles its map around the middle of its box, on show with a
// mark and a bar for every item and the edges switched on.
TEST_F(MrpMdsRun, ASuccessfulRunWritesItsFilesAndShowsItsMap) {
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Finished);
    std::istringstream clustered(dir.Read("clusters.dat"));
    std::set<int> items;
    for (int item; clustered >> item;) items.insert(item);
    EXPECT_EQ(items.size(), 12u);  // every item written into clusters.dat
    EXPECT_EQ(*items.rbegin(), 12);
    EXPECT_FALSE(dir.Read("distances.dat").empty());
    EXPECT_EQ(session.table.scale, 10.0f);
    EXPECT_EQ(session.table.Row(12)[1], 49.0f);
    double mean = 0;
    for (int i = 1; i <= 12; ++i) mean += session.map.Point(i)[1];
    EXPECT_NEAR(mean / 12, 10.0, 1e-3);

    const auto marks = ShapesShown(form.map, "ellipse");
    for (int i = 1; i <= 12; ++i)
        EXPECT_TRUE(std::any_of(marks.begin(), marks.end(), [&, i](const Shape& m) {
            return std::make_pair(m.CentreX(), m.CentreY()) == WhereShown(session.view, session.map, i);
        })) << i;
    EXPECT_TRUE(session.view.showEdges);
    EXPECT_EQ(session.view.mode, kViewBars);
    EXPECT_EQ(session.view.markScale, 5.0f);
}

// A STOP before the run has no lasting effect: the quick runs that check
// "map enlarge." fit go on, and so does the run, to the STOP pressed during it.
TEST_F(MrpMdsRun, AStopPressedBeforeTheRunHasNoLastingEffect) {
    form.edits[Edit4] = "fit";
    StopRun(session);
    const auto fitLine = [this] {
        return std::find_if(form.status.begin(), form.status.end(),
                            [](const std::string& s) { return s.rfind("\"map enlarge.\" fit: ", 0) == 0; });
    };
    // A STOP the map's own steps see, once the quick runs that check the
    // enlargement have had their say, however many they took.
    int pumpsAfterCheck = 0;
    form.onEvents = [&] {
        if (fitLine() != form.status.end() && ++pumpsAfterCheck == 5) StopRun(session);
    };
    RunMrpMds(form, session);
    EXPECT_GE(pumpsAfterCheck, 5) << "the map's steps let events through";
    EXPECT_EQ(form.outcome, Outcome::Stopped);
    ASSERT_NE(fitLine(), form.status.end());
    EXPECT_EQ(fitLine()->find("not checked"), std::string::npos) << *fitLine();
}

// No run starts inside another: the running one goes on with its lines,
// and the status line says what is running.
TEST_F(MrpMdsRun, ARunButtonPressedDuringARunIsIgnored) {
    for (void (*button)(Form&, Session&) : {RunMrpMds, +[](Form& f, Session& s) { RunSoc(f, s); }}) {
        form.status.clear();
        form.onEvents = [this, button] {
            button(form, session);
            StopRun(session);
        };
        RunMrpMds(form, session);
        EXPECT_EQ(form.memo.back(), "12");
        EXPECT_NE(std::find(form.status.begin(), form.status.end(), "busy: MRP-MDS is running; STOP ends it"),
                  form.status.end());
        EXPECT_EQ(form.outcome, Outcome::Stopped);
    }
}

TEST_F(MrpMdsRun, FourHundredItemsAreAcceptedAndFourHundredAndOneRefused) {
    std::string content;
    for (int i = 0; i < 401; ++i) content += Format("%d\t%d\n", i % 20, i / 20);
    dir.Write("grid.txt", content);
    form.Choose(dir.File("grid.txt"));
    form.edits[Edit12] = "401";
    RunMrpMds(form, session);
    EXPECT_EQ(form.memo.back(), "max size: 400");
    EXPECT_EQ(form.outcome, Outcome::Refused);

    form.edits[Edit12] = "400";
    form.edits[Edit8] = "3";
    form.onEvents = [&] { StopRun(session); };
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Stopped);
    EXPECT_EQ(session.map.n, 400);

    // With all rows, 400 landmarks and the one row left placed on their map
    // (the sanitized build sees the placement's buffers).
    form.onEvents = nullptr;
    form.map.shown = false;
    form.choices.allRows = true;
    form.choices.seed = 1;
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Finished);
    EXPECT_EQ(session.landmarks.count, 400);
    EXPECT_EQ(session.Scene().Points(), 401);
    // Its files not written before the placement, clusters.dat is not
    // written after it alone either.
    std::filesystem::remove(dir.File("distances.dat"));
    std::filesystem::remove(dir.File("clusters.dat"));
    std::filesystem::create_directory(dir.File("distances.dat"));
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("clusters.dat")));
}

// The run redraws every ten steps, settling included, and STOP ends it at
// the next redraw: the status line says where (a stopped run before what
// it kept, a finished one last).
TEST_F(MrpMdsRun, TheStatusLineSaysHowTheRunEnded) {
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Finished);
    EXPECT_EQ(form.status.back().rfind("MRP-MDS finished: 20,001 steps, settled in 1,000, ", 0), 0u)
        << form.status.back();

    const auto ended = [&] {
        return *std::find_if(form.status.begin(), form.status.end(),
                             [](const std::string& s) { return s.rfind("MRP-MDS ", 0) == 0; });
    };
    form.onEvents = [&] { StopRun(session); };
    RunMrpMds(form, session);
    EXPECT_EQ(form.outcome, Outcome::Stopped);
    EXPECT_EQ(ended().rfind("MRP-MDS stopped at step 12 of 20,001 after ", 0), 0u) << ended();
    EXPECT_NE(ended().find(", not settled; Stress-1 "), std::string::npos) << ended();

    int pumps = 0;
    form.onEvents = [&] {
        if (++pumps == 1999 + 6) StopRun(session);
    };
    RunMrpMds(form, session);
    EXPECT_EQ(ended().rfind("MRP-MDS stopped at settling step 60 of 1,000 after ", 0), 0u) << ended();
}

// Iris at "map enlarge." 10 does not fit the map's box: the warning names a
// value that fits, and with it the warning is gone.
TEST_F(MrpMdsRun, AMapCutByItsBoxIsWarnedOfWithAValueThatFits) {
    std::ifstream in(std::string(ITEMMAP_SAMPLES_DIR) + "/iris-150x4.txt", std::ios::binary);
    dir.Write("iris.txt", std::string(std::istreambuf_iterator<char>(in), {}));
    form.Choose(dir.File("iris.txt"));
    form.edits[Edit12] = "150";
    form.edits[Edit13] = "4";
    form.edits[Edit4] = "10";
    form.choices.seed = 1;
    RunMrpMds(form, session);
    const auto warning = [this] {
        for (const std::string& s : form.status)
            if (s.rfind("warning: ", 0) == 0 &&
                s.find("pressed against the map's border") != std::string::npos)
                return s;
        return std::string();
    };
    const std::string text = warning();
    const std::size_t from = text.rfind("; ") + 2, to = text.find(" or less fits");
    ASSERT_NE(to, std::string::npos) << text;
    EXPECT_NE(text.find("\"map enlarge.\" 10 is too large for these data"), std::string::npos) << text;
    form.edits[Edit4] = text.substr(from, to - from);
    RunMrpMds(form, session);
    EXPECT_EQ(warning(), "") << form.edits[Edit4];
}

struct Refusal {
    const char* name;
    std::map<int, std::string> edits;
    std::string file;  // content of the input, "<keep>" for the good one, "<cancel>" for no choice
    std::string line;
    std::string why = {};  // what the status line says after "refused: " and the line
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class MrpMdsRefusals : public MrpMdsRun, public ::testing::WithParamInterface<Refusal> {};

TEST_P(MrpMdsRefusals, EndTheRunWithTheirLine) {
    const Refusal& r = GetParam();
    for (const auto& [edit, text] : r.edits) form.edits[edit] = text;
    if (r.file == "<cancel>") {
        form.Choose("");
    } else if (r.file == "<wine>") {
        std::ifstream in(std::string(ITEMMAP_SAMPLES_DIR) + "/wine-178-distances.txt", std::ios::binary);
        dir.Write("bad.txt", std::string(std::istreambuf_iterator<char>(in), {}));
        form.Choose(dir.File("bad.txt"));
    } else if (r.file != "<keep>") {
        dir.Write("bad.txt", r.file);
        form.Choose(dir.File("bad.txt"));
    }
    dir.Write("distances.dat", "of an earlier run");
    // The map of an earlier run on show.
    session.map.Resize(3);
    ResetView(session.view, session.map);
    RunMrpMds(form, session);
    EXPECT_EQ(dir.Read("distances.dat"), "of an earlier run");  // a refused run writes no file
    EXPECT_EQ(form.memo.back(), r.line);
    EXPECT_EQ(form.outcome, r.file == "<cancel>" ? Outcome::Cancelled : Outcome::Refused);
    if (!r.why.empty()) {
        EXPECT_EQ(form.status.back(), OutcomeText(*form.outcome, r.line + " \u2014 " + r.why));
    }
    // A refusal leaves the map cleared; a cancelled choice does not touch it.
    if (r.file == "<cancel>") {
        EXPECT_EQ(session.map.n, 3);
        EXPECT_EQ(form.map.drawings, 0);
    } else {
        EXPECT_EQ(session.map.n, 0);
        EXPECT_GE(form.map.drawings, 1);
        EXPECT_TRUE(ShapesShown(form.map, "ellipse").empty());
    }
}

std::string Row(int n, const char* value) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::string(i ? "\t" : "") + value;
    return s + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, MrpMdsRefusals,
    ::testing::Values(
        Refusal{"cancelled", {}, "<cancel>", "invalid filename"},
        Refusal{"tooMany",
                {{Edit12, "401"}, {Edit13, "65"}},
                "<keep>",
                "max size: 400",
                "\"Input size\" holds \"401\"; an MRP-MDS map takes at most 400 items"},
        Refusal{"emptySize",
                {{Edit12, ""}},
                "<keep>",
                "invalid input data.",
                "\"Input size\" is empty: it must give the number of items"},
        Refusal{"vectorsForAMatrix",
                {{Edit12, "3"}, {Edit13, "0"}},
                "1\t2\n3\t4\n5\t6\n",
                "invalid dist. matr.",
                "the last row read from bad.txt holds 2 values, \"Input size\" is 3; for vectors of 2 values "
                "set \"Vect. dim\" to 2"},
        Refusal{"tooWide", {{Edit13, "65"}}, "<keep>", "max dim: 64"},
        Refusal{"wideFirstLine", {{Edit12, "1"}}, Row(65, "1"), "max dim: 64"},
        Refusal{
            "matrixForVectors",
            {{Edit12, "178"}, {Edit13, "13"}},
            "<wine>",
            "max dim: 64",
            "the rows of bad.txt hold 178 values; vectors have at most 64 components; the file looks like a "
            "distance matrix: set \"Vect. dim\" to 0"},
        Refusal{"allEqual", {{Edit12, "3"}}, "1\t2\n1\t2\n1\t2\n", "invalid input data."},
        Refusal{"noItems", {{Edit12, "0"}}, "1\t2\n", "invalid input data."},
        Refusal{"matrixRowLength", {{Edit12, "2"}, {Edit13, "0"}}, "0\t1\n1\t0\t5\n", "invalid dist. matr."},
        Refusal{"matrixShort", {{Edit12, "3"}, {Edit13, "0"}}, "0\t1\t2\n1\t0\t3\n", "invalid dist. matr."},
        Refusal{"matrixZero", {{Edit12, "2"}, {Edit13, "0"}}, "0\t0\n0\t0\n", "invalid dist. matr."},
        Refusal{"matrixMissingOne",
                {{Edit12, "3"}, {Edit13, "0"}},
                "0\t1\t2\n1\t0\t3\n2\tNA\t0\n",
                "invalid dist. matr.",
                "bad.txt misses distances (line 3 first): a distance matrix needs every one"},
        Refusal{"matrixNoItems", {{Edit12, "-3"}, {Edit13, "0"}}, "0\n", "invalid dist. matr."},
        Refusal{"charDistance", {{Edit12, "2"}, {Edit8, "0"}}, "0\t1\n1\t0\n", "critical dist > 0!"},
        Refusal{"mapDim", {{Edit12, "2"}, {Edit11, "4"}}, "0\t1\n1\t0\n", "MDS dim must be 1-3!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MrpMdsRun, AMissingFileIsNamedOnTheStatusLine) {
    form.Choose(dir.File("absent.txt"));
    RunMrpMds(form, session);
    EXPECT_EQ(form.memo.back(), "invalid input data.");
    EXPECT_EQ(form.status.back(),
              "refused: invalid input data. \u2014 cannot open " + dir.File("absent.txt"));
}

TEST_F(MrpMdsRun, AMatrixFileIsMappedWithoutADump) {
    dir.Write("m.txt", "0\t1\t2\n1\t0\t1.5\n2\t1.5\t0\n");
    form.Choose(dir.File("m.txt"));
    form.edits[Edit12] = "3";
    form.edits[Edit13] = "0";
    form.onEvents = [&] { StopRun(session); };
    RunMrpMds(form, session);
    EXPECT_EQ(session.map.n, 3);
    EXPECT_NE(std::find(form.memo.begin(), form.memo.end(), "mean distance: 1.500"), form.memo.end());
    EXPECT_EQ(dir.Read("distances.dat"), "");
}

}  // namespace
