#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numeric>
#include <ostream>
#include <sstream>

#include "files/ResultFiles.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Picking.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

// n items of dim components in three groups, values in 0..1.
std::string Items(int n, int dim, double scale = 1) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        for (int q = 0; q < dim; ++q) {
            const double v = ((i % 3) == (q % 3) ? 0.8 : 0.1) + 0.01 * ((i * 7 + q * 3) % 10);
            s += Format(q ? "\t%.3f" : "%.3f", v * scale);
        }
        s += "\n";
    }
    return s;
}

constexpr int kSteps = 5000;  // a short training

class SocRun : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        dir.Write("items.txt", Items(30, 6));
        form.Choose(dir.File("items.txt"));
        form.edits[Edit12] = "30";
        form.edits[Edit13] = "6";
        form.edits[Edit14] = "5";
        form.choices.seed = 1;  // runs that repeat each other
    }
    bool ResultsWritten() const {
        return !dir.Read("soc.dat").empty() || !dir.Read("weights.dat").empty() ||
               !dir.Read("clusters.dat").empty();
    }

    TempDir dir;
    FakeForm form;
};

// Where point p's mark lies on the map panel, for a click on it.
struct PanelPoint {
    int x, y;
};
PanelPoint MarkPixel(const Session& session, int p) {
    const PixelScale pixels = MapPixelScale(session.view, session.map, kMapPanelWidth, kMapPanelHeight);
    const MapPixel at = PixelOf(pixels, session.view.Projected(p)[1], session.view.Projected(p)[2]);
    return {at.x, pixels.h1 - at.yUp};
}

// During training a redraw comes before the fit of the same step, so the
// view that the last redraw projected is the map before its last fit. The
// settling's last redraw comes after its last step: soc.dat keeps the
// settled map, the one the panel shows.
TEST_F(SocRun, TheLastRedrawShowsTheSettledMapOrTheOneBeforeTheLastFit) {
    for (const bool settle : {true, false}) {
        form.choices.settle = settle;
        RunSoc(form, session, kSteps);
        EXPECT_EQ(form.status.back().rfind(settle ? "SOC finished: 5,000 steps, map settled in 1,000, "
                                                  : "SOC finished: 5,000 steps in ",
                                           0),
                  0u)
            << form.status.back();
        ASSERT_EQ(session.map.n, 5);
        const std::vector<double> shown = session.view.projected;
        MapCentre(session.view, session.map, 2);
        session.view.zoom = 1.0f;
        session.view.zoomStep = 1.0;
        TransformView(session.view, session.map, 5);
        EXPECT_EQ(session.view.projected != shown, !settle);
    }
}

// The message list names the input and the result files, which the run
// then holds, before "init kész"; after it, a line per 1000 steps of
// training tells its smoothed error and rate. The files hold the
// prototypes as trained and every item once.
TEST_F(SocRun, TrainsAndWritesFilesTheReaderTakesBack) {
    RunSoc(form, session, kSteps);
    const auto init = std::find(form.memo.begin(), form.memo.end(), "init k\xC3\xA9sz");
    ASSERT_NE(init, form.memo.end());
    for (const char* name : {"items.txt", "soc.dat", "weights.dat", "clusters.dat"}) {
        EXPECT_NE(std::find(form.memo.begin(), init, dir.File(name)), init) << name;
        EXPECT_FALSE(dir.Read(name).empty()) << name;
    }
    ASSERT_EQ(form.memo.end() - init - 1, kSteps / 1000);
    for (auto line = init + 1; line != form.memo.end(); ++line) {
        double smoothed = -1, rate = -1;
        EXPECT_EQ(std::sscanf(line->c_str(), "%lf %lf", &smoothed, &rate), 2) << *line;
        EXPECT_GE(smoothed, 0) << *line;
        EXPECT_GT(rate, 0) << *line;
    }
    EXPECT_EQ(session.prototypes.k, 5);
    EXPECT_EQ(session.SocMode, 1);
    EXPECT_TRUE(session.PickEnabled);
    EXPECT_EQ(session.view.mode, kViewNumbers);

    ReadReport report;
    const ResultRows vectors = ReadResultFile(LoadStoredFile(dir.File("soc.dat")), 6, 0, report);
    const ResultRows weights = ReadResultFile(LoadStoredFile(dir.File("weights.dat")), 6, 0, report);
    ASSERT_EQ(vectors.count, 5);
    ASSERT_EQ(weights.count, 5);
    for (int k = 1; k <= 5; ++k)
        for (int q = 1; q <= 6; ++q) {
            EXPECT_NEAR(vectors.Vector(k)[q], session.prototypes.Vector(k)[q], 0.0005);
            EXPECT_NEAR(weights.Vector(k)[q], session.prototypes.Weights(k)[q], 0.0005);
        }

    std::istringstream clusters(dir.Read("clusters.dat"));
    std::vector<int> listed;
    for (int item = 0; clusters >> item;) listed.push_back(item);
    std::sort(listed.begin(), listed.end());
    std::vector<int> every(30);
    std::iota(every.begin(), every.end(), 1);
    EXPECT_EQ(listed, every);
}

TEST_F(SocRun, StopStillWritesTheThreeFiles) {
    form.onEvents = [&] { StopRun(session); };
    RunSoc(form, session, kSteps);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    EXPECT_FALSE(dir.Read("weights.dat").empty());
    EXPECT_FALSE(dir.Read("clusters.dat").empty());
    EXPECT_EQ(form.status.back().rfind("SOC stopped at step 1,000 of 5,000 after ", 0), 0u)
        << form.status.back();
    EXPECT_NE(form.status.back().find(" s, its files written, map not settled; "), std::string::npos);
}

TEST_F(SocRun, MrpInitialisationStartsFromTheClusterCentres) {
    form.edits[Edit14] = "0";
    form.edits[Edit8] = "0.1";
    form.edits[Edit9] = "1";
    RunSoc(form, session, kSteps);
    // The listing, then " " before the mean start error.
    const auto listing = std::find(form.memo.begin(), form.memo.end(), "centr.    prob.");
    const auto init = std::find(listing, form.memo.end(), "init k\xC3\xA9sz");
    ASSERT_NE(init, form.memo.end());
    EXPECT_EQ(*(init - 2), " ");
    const auto clusters = std::find_if(listing, init, [](const std::string& line) {
        return line.rfind("No. of clusters: ", 0) == 0;
    });
    ASSERT_NE(clusters, init);
    EXPECT_EQ(ParseInt(clusters->substr(17)), session.prototypes.k);
    EXPECT_GT(session.prototypes.k, 0);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    // The prototypes are drawn as themselves: no item's cluster mark or bar.
    for (int k = 1; k <= session.prototypes.k; ++k) {
        EXPECT_EQ(session.clusters.marks[static_cast<std::size_t>(k)], ClusterMark()) << k;
        EXPECT_EQ(session.clusters.probability[static_cast<std::size_t>(k)], 0.0f) << k;
    }
}

// Data whose first item sums to 2 or less trains at ten times its scale;
// what the user reads and types stays in the file's units. The quantisation
// error is the mean Euclidean distance of the vectors to the prototypes
// clusters.dat gives them, and "simil. dist" just above the largest
// distance in the file's units marks every vector.
TEST_F(SocRun, ItsNumbersAreInTheFilesUnitsWhateverTheTrainingScale) {
    for (const double scale : {1.0, 0.5}) {
        dir.Write("items.txt", Items(30, 6, scale));
        RunSoc(form, session, kSteps);
        ASSERT_EQ(form.outcome, Outcome::Finished);
        EXPECT_EQ(session.table.scale, scale == 1.0 ? 1.0f : 10.0f);
        double sum = 0;
        for (int i = 1; i <= 30; ++i) {
            double squares = 0;
            for (int q = 1; q <= 6; ++q) {
                const double d = static_cast<double>(session.table.Row(i)[q]) -
                                 session.prototypes.Vector(session.ItemMark[static_cast<std::size_t>(i)])[q];
                squares += d * d;
            }
            sum += std::sqrt(squares) / session.table.scale;
        }
        const std::string& text = form.status.back();
        EXPECT_NEAR(ParseReal(text.substr(text.find("quantisation error ") + 19)), sum / 30, 0.0005) << text;
    }

    float largest = 0;
    for (int q = 1; q <= 30; ++q) largest = std::max(largest, ItemPrototypeDistance(session, q, 1) / session.table.scale);
    form.edits[Edit16] = Format("%.6f", static_cast<double>(largest) * 1.01);
    const PanelPoint at = MarkPixel(session, 1);
    PickPrototype(form, session, at.x, at.y);
    ASSERT_EQ(session.PickedItem, 1);
    EXPECT_EQ(form.memo.size(), 1u + 30u + 1u);  // the blank line, every vector, the prototype
}

// Trained prototypes on a table with a class show its colours at the end;
// the marks of a table without one, and those in training, stay as they were.
TEST_F(SocRun, EndsColouredByClassOnATableWithOne) {
    RunSoc(form, session, kSteps);
    EXPECT_FALSE(session.view.colourByClass);
    std::string classed = "a\tb\tc\td\te\tf\tkind\n";
    std::istringstream rows(Items(30, 6));
    int i = 0;
    for (std::string row; std::getline(rows, row); ++i) classed += row + (i % 3 ? "\tx\n" : "\ty\n");
    dir.Write("items.txt", classed);
    RunSoc(form, session, kSteps);
    EXPECT_TRUE(session.view.colourByClass);
    EXPECT_EQ(static_cast<int>(session.facts.members.size()), session.prototypes.k + 1);
    form.edits[Edit12] = "0";  // refused: nothing of the last run's prototypes stays
    RunSoc(form, session, kSteps);
    EXPECT_TRUE(session.facts.members.empty());
}

// The "char. distance" an MRP initialisation suggests is the one MRP-MDS
// suggests for the same file.
TEST_F(SocRun, SuggestsTheCharDistanceOfMrpMds) {
    std::ifstream iris(std::string(ITEMMAP_SAMPLES_DIR) + "/iris-150x4.txt");
    dir.Write("items.txt", std::string(std::istreambuf_iterator<char>(iris), {}));
    form.edits[Edit12] = "150";
    form.edits[Edit13] = "4";
    form.edits[Edit8] = "0";
    form.edits[Edit14] = "0";
    const std::string hint = "try 0.509: the items form clusters there (mean distance 2.545)";
    RunMrpMds(form, session);
    EXPECT_NE(form.status.back().find(hint), std::string::npos) << form.status.back();
    RunSoc(form, session, kSteps);
    EXPECT_NE(form.status.back().find(hint), std::string::npos) << form.status.back();
}

// A pick rewrites the vectors' scores (ItemScore), which share their
// entries with the prototypes': what the tool shows of a prototype stays,
// and a click while the map settles after the training changes no file.
TEST_F(SocRun, APickLeavesThePrototypesOwnScores) {
    RunSoc(form, session, kSteps);
    const std::string unpicked = dir.Read("soc.dat");
    std::fill(session.ItemScore.begin(), session.ItemScore.end(), 0.0f);  // a run starts from them
    int redraws = 0;
    form.onEvents = [&] {
        if (++redraws > kSteps / 1000) PickPrototype(form, session, 320, 316);  // settling
    };
    RunSoc(form, session, kSteps);
    form.onEvents = nullptr;
    ASSERT_GT(redraws, kSteps / 1000);
    EXPECT_EQ(dir.Read("soc.dat"), unpicked);

    const PanelPoint at = MarkPixel(session, 1);
    const std::string before = MarkDescription(form, session, at.x, at.y);
    ASSERT_EQ(before.rfind("prototype 1: ", 0), 0u) << before;
    PickPrototype(form, session, at.x, at.y);
    EXPECT_EQ(MarkDescription(form, session, at.x, at.y), before);
}

// Early in a run the feature-vector panel shows prototype 1, whatever an
// earlier pick left.
TEST_F(SocRun, ThePanelShowsPrototypeOneEarlyInTheRun) {
    session.PanelItem = 3;
    RunSoc(form, session, kSteps);
    int titles = 0;
    for (const CanvasCall& t : form.panel.Calls("text"))
        if (t.text.rfind("prototype ", 0) == 0) {
            EXPECT_EQ(t.text, "prototype 1");
            ++titles;
        }
    EXPECT_GT(titles, 0);
}

// Incomes train as any other values do: prototypes win matches, and every
// vector is in one.
TEST_F(SocRun, ValuesAroundAMillionTrainAsAnyOthers) {
    dir.Write("incomes.txt", Items(40, 3, 1e6));
    form.Choose(dir.File("incomes.txt"));
    form.edits[Edit12] = "40";
    form.edits[Edit13] = "3";
    form.edits[Edit14] = "4";
    RunSoc(form, session, kSteps);
    ASSERT_EQ(form.outcome, Outcome::Finished);
    const std::string& text = form.status.back();
    EXPECT_GT(ParseReal(text.substr(text.find("quantisation error ") + 19)), 0.0) << text;
    EXPECT_LE(ParseInt(text.substr(text.find("empty prototypes ") + 17)), 1) << text;
    for (int i = 1; i <= 40; ++i) EXPECT_GE(session.ItemMark[static_cast<std::size_t>(i)], 1) << i;
}

// A vector none of whose components used is present is in no prototype:
// the status line counts such vectors, clusters.dat and "simil. dist" leave
// them out, and a file of nothing else is refused.
TEST_F(SocRun, AVectorWithoutAComponentUsedIsInNoPrototype) {
    std::string items = Items(27, 6);
    for (int i = 0; i < 3; ++i) items += "NA\tNA\t0.5\t0.5\t0.5\t0.5\n";
    dir.Write("items.txt", items);
    form.edits[Edit13] = "2";
    RunSoc(form, session, kSteps);
    ASSERT_EQ(form.outcome, Outcome::Finished);
    EXPECT_NE(std::find(form.status.begin(), form.status.end(),
                        "warning: 3 vectors have none of the 2 components used: they are in no prototype"),
              form.status.end());
    std::istringstream clusters(dir.Read("clusters.dat"));
    int listed = 0;
    for (int item = 0; clusters >> item;) ++listed;
    EXPECT_EQ(listed, 27);
    form.edits[Edit16] = "1000";
    PickPrototype(form, session, 320, 316);
    EXPECT_EQ(form.memo.size(), 1u + 27u + 1u);  // the blank line, the vectors in a prototype, the pick
}

// A smoothed error above 500 lists the drawn item for the first 100 such
// steps; the status line counts the others.
TEST_F(SocRun, LargeValuesListTheFirstHundredAlarmSteps) {
    dir.Write("big.txt", Items(30, 6, 50000));
    form.Choose(dir.File("big.txt"));
    RunSoc(form, session, 3000);
    const auto training = std::find(form.memo.begin(), form.memo.end(), "init k\xC3\xA9sz");
    EXPECT_EQ(std::count_if(training, form.memo.end(),
                            [](const std::string& line) { return line.find(' ') == std::string::npos; }),
              100);  // the progress lines hold blanks
    const auto more = std::find_if(form.status.begin(), form.status.end(), [](const std::string& s) {
        return s.rfind("warning: ", 0) == 0 && s.find(" more steps had a smoothed error above 500") != s.npos;
    });
    ASSERT_NE(more, form.status.end());
    std::string digits = more->substr(9, more->find(' ', 9) - 9);
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    const long count = ParseInt(digits);
    EXPECT_GT(count, 2000);
    EXPECT_LE(count, 3000 - 100);
}

struct SocRefusal {
    const char* name;
    std::map<int, std::string> edits;
    std::string line;
};

void PrintTo(const SocRefusal& r, std::ostream* os) {
    *os << r.name;
}

class SocRefusals : public SocRun, public ::testing::WithParamInterface<SocRefusal> {};

// A refused run touches no result file: those of an earlier run stay whole.
TEST_P(SocRefusals, EndTheRunBeforeTrainingWithoutFiles) {
    for (const char* name : {"soc.dat", "weights.dat", "clusters.dat"}) dir.Write(name, "earlier");
    for (const auto& [edit, text] : GetParam().edits) form.edits[edit] = text;
    RunSoc(form, session, kSteps);
    EXPECT_EQ(form.memo.back(), GetParam().line);
    EXPECT_EQ(form.outcome, Outcome::Refused);
    for (const char* name : {"soc.dat", "weights.dat", "clusters.dat"})
        EXPECT_EQ(dir.Read(name), "earlier") << name;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, SocRefusals,
    ::testing::Values(SocRefusal{"tooMany", {{Edit12, "1001"}, {Edit13, "65"}}, "max size: 1000"},
                      SocRefusal{"tooWide", {{Edit13, "65"}}, "max dim: 64"},
                      SocRefusal{"noItems", {{Edit12, "0"}}, "invalid input data."},
                      SocRefusal{"noComponents", {{Edit13, "0"}}, "invalid input data."},
                      SocRefusal{"negativePrototypes", {{Edit14, "-1"}}, "invalid input data."},
                      SocRefusal{"tooManyPrototypes", {{Edit14, "401"}}, "max size: 400"},
                      SocRefusal{"noClusters", {{Edit14, "0"}, {Edit9, "1000"}}, " "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SocRun, CancelledDialogAndMrpInitOverFourHundredItemsAreRefused) {
    form.Choose("");
    RunSoc(form, session, kSteps);
    EXPECT_EQ(form.memo, (Lines{"", "invalid filename"}));

    dir.Write("many.txt", Items(401, 3));
    form.Choose(dir.File("many.txt"));
    form.edits[Edit12] = "401";
    form.edits[Edit13] = "3";
    form.edits[Edit14] = "0";
    RunSoc(form, session, kSteps);
    EXPECT_EQ(form.memo.back(), "max size: 400");
    EXPECT_FALSE(ResultsWritten());
}

TEST_F(SocRun, AThousandVectorsOfSixtyFourComponentsAreAccepted) {
    dir.Write("large.txt", Items(1000, 64));
    form.Choose(dir.File("large.txt"));
    form.edits[Edit12] = "1000";
    form.edits[Edit13] = "64";
    form.edits[Edit14] = "400";
    RunSoc(form, session, 1000);
    EXPECT_EQ(session.table.rows, 1000);
    EXPECT_EQ(session.prototypes.k, 400);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    EXPECT_GE(session.ItemMark[1000], 1);
    EXPECT_LE(session.ItemMark[1000], 400);
}

}  // namespace
