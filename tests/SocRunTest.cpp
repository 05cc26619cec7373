#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "handlers/MrpMdsRun.h"
#include "handlers/Picking.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "mds/MapSettling.h"
#include "soc/SocFit.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

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
    void SetUp() override {
        FreshWorkspace();
        dir.Write("items.txt", Items(30, 6));
        form.Choose(dir.File("items.txt"));
        form.edits[Edit12] = "30";
        form.edits[Edit13] = "6";
        form.edits[Edit14] = "5";
    }
    bool ResultsWritten() const {
        return !dir.Read("soc.dat").empty() || !dir.Read("weights.dat").empty() ||
               !dir.Read("clusters.dat").empty();
    }

    TempDir dir;
    FakeForm form;
};

// During training a redraw comes before the fit of the same step, so the
// view that the last redraw projected is the map before its last fit. The
// settling's last redraw comes after its last step: soc.dat keeps the
// settled map, the one the panel shows.
TEST_F(SocRun, TheLastRedrawShowsTheSettledMapOrTheOneBeforeTheLastFit) {
    for (const bool settle : {true, false}) {
        SetSettlingSkipped(!settle);
        Button10Click(form, kSteps);
        SetSettlingSkipped(false);
        EXPECT_EQ(form.status.back().rfind(settle ? "SOC finished: 5,000 steps, map settled in 1,000, "
                                                  : "SOC finished: 5,000 steps in ",
                                           0),
                  0u)
            << form.status.back();
        const int k = ws.ItemCount;
        ASSERT_EQ(k, 5);
        double shown[6][3];
        for (int i = 1; i <= k; ++i)
            for (int a = 1; a <= 2; ++a) shown[i][a] = ws.ProjCoords[i][a];
        MapCentre(k, 2);
        ws.ViewZoom = 1.0f;
        ws.ZoomStep = 1.0;
        TransformView(5);
        int moved = 0;
        for (int i = 1; i <= k; ++i)
            for (int a = 1; a <= 2; ++a) moved += ws.ProjCoords[i][a] != shown[i][a];
        EXPECT_EQ(moved > 0, !settle);
    }
}

TEST_F(SocRun, TrainsAndWritesFilesTheReaderTakesBack) {
    Button10Click(form, kSteps);
    ASSERT_GE(form.memo.size(), 9u);
    EXPECT_EQ(Lines(form.memo.begin(), form.memo.begin() + 6),
              (Lines{dir.File("items.txt"), dir.File("soc.dat"), dir.File("weights.dat"),
                     dir.File("clusters.dat"), dir.File("distances.dat"), "6"}));
    EXPECT_GT(ParseReal(form.memo[6]), 0.0);
    EXPECT_EQ(form.memo[7], "init k\xC3\xA9sz");
    EXPECT_EQ(form.memo.size(), 8u + 5u);  // one progress line per 1000 steps
    EXPECT_EQ(form.memo[8].substr(form.memo[8].size() - 12), "0.500  0.500");
    EXPECT_EQ(form.eventPumps, 5 + 100);    // then a redraw every 10 of the map's 1,000 settling steps
    EXPECT_EQ(form.panel.drawings, 1 + 5);  // emptied as the run starts, then at each redraw
    EXPECT_EQ(ws.ItemCount, 5);
    EXPECT_EQ(ws.SocMode, 1);
    EXPECT_EQ(ws.PickEnabled, 1);
    EXPECT_EQ(ws.ViewMode, 4);

    // Item 1's components sum to more than 2: trained at the file scale.
    EXPECT_NEAR(ws.InputVectors[1][1], 0.8f, 1e-6);

    float trained[6][3][7];
    for (int k = 1; k <= 5; ++k)
        for (int p = 1; p <= 2; ++p)
            for (int q = 1; q <= 6; ++q) trained[k][p][q] = ws.Prototypes[k][p][q];
    EXPECT_EQ(ReadResultFile(form, ws.SocFileName, ws.FileBuffer, 6, 0, 1), 5);
    EXPECT_EQ(ReadResultFile(form, ws.WeightsFileName, ws.FileBuffer, 6, 0, 2), 5);
    for (int k = 1; k <= 5; ++k)
        for (int p = 1; p <= 2; ++p)
            for (int q = 1; q <= 6; ++q) EXPECT_NEAR(ws.Prototypes[k][p][q], trained[k][p][q], 0.0005);

    // Every item is in clusters.dat once.
    int listed = 0;
    for (char c : dir.Read("clusters.dat")) listed += c == '\r';
    EXPECT_GE(listed, 2);
    for (int i = 1; i <= 30; ++i) EXPECT_GE(ws.ItemMark[i], 1);
}

TEST_F(SocRun, StopStillWritesTheThreeFiles) {
    form.onEvents = [] { Button3Click(); };
    Button10Click(form, kSteps);
    EXPECT_EQ(form.eventPumps, 1);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    EXPECT_FALSE(dir.Read("weights.dat").empty());
    EXPECT_FALSE(dir.Read("clusters.dat").empty());
    EXPECT_EQ(form.status.back().rfind("SOC stopped at step 1,000 of 5,000 after ", 0), 0u)
        << form.status.back();
    EXPECT_NE(form.status.back().find(" s, its files written, map not settled; "), std::string::npos);
}

TEST_F(SocRun, EveryItemKeepsTrainingSoTheLoopAlwaysRedraws) {
    // Two items and one prototype: all items still take part after a redraw.
    dir.Write("two.txt", "0.9\t0.1\n0.1\t0.9\n");
    form.Choose(dir.File("two.txt"));
    form.edits[Edit12] = "2";
    form.edits[Edit13] = "2";
    form.edits[Edit14] = "1";
    form.onEvents = [this] {
        if (form.eventPumps == 3) Button3Click();
    };
    Button10Click(form, kSteps);
    EXPECT_EQ(form.eventPumps, 3);
}

TEST_F(SocRun, MrpInitialisationStartsFromTheClusterCentres) {
    form.edits[Edit14] = "0";
    form.edits[Edit8] = "0.1";
    form.edits[Edit9] = "1";
    Button10Click(form, kSteps);
    EXPECT_EQ(form.memo[6], " ");
    EXPECT_EQ(form.memo[7], "centr.    prob.");
    EXPECT_GT(ws.ItemCount, 0);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    // The prototypes are drawn as themselves: no item's cluster mark or bar.
    for (int k = 1; k <= ws.ItemCount; ++k) {
        EXPECT_EQ(ws.ClusterOf[k], 0) << k;
        EXPECT_EQ(ws.ProtoProb[k], 0.0f) << k;
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
        Button10Click(form, kSteps);
        ASSERT_EQ(form.outcome, Outcome::Finished);
        EXPECT_EQ(ws.SocScale, scale == 1.0 ? 1.0f : 10.0f);
        double sum = 0;
        for (int i = 1; i <= 30; ++i) {
            double squares = 0;
            for (int q = 1; q <= 6; ++q) {
                const double d =
                    static_cast<double>(ws.InputVectors[i][q]) - ws.Prototypes[ws.ItemMark[i]][1][q];
                squares += d * d;
            }
            sum += std::sqrt(squares) / ws.SocScale;
        }
        const std::string& text = form.status.back();
        EXPECT_NEAR(ParseReal(text.substr(text.find("quantisation error ") + 19)), sum / 30, 0.0005) << text;
    }

    float largest = 0;
    for (int q = 1; q <= 30; ++q) largest = std::max(largest, ItemPrototypeDistance(q, 1) / ws.SocScale);
    form.edits[Edit16] = Format("%.6f", static_cast<double>(largest) * 1.01);
    const PixelScale pixels = MapPixelScale(641, 633);
    const MapPixel at = PixelOf(pixels, ws.ProjCoords[1][1], ws.ProjCoords[1][2]);
    PaintBox1MouseUp(form, at.x, pixels.h1 - at.yUp);
    ASSERT_EQ(ws.PickedItem, 1);
    EXPECT_EQ(form.memo.size(), 1u + 30u + 1u);  // the blank line, every vector, the prototype
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
    const std::string hint = "try about 0.509, a fifth of the mean distance 2.545";
    Button2Click(form);
    EXPECT_NE(form.status.back().find(hint), std::string::npos) << form.status.back();
    Button10Click(form, kSteps);
    EXPECT_NE(form.status.back().find(hint), std::string::npos) << form.status.back();
}

// A pick rewrites the vectors' scores (ItemScore), which share their
// entries with the prototypes': what the tool shows of a prototype stays,
// and a click while the map settles after the training changes no file.
TEST_F(SocRun, APickLeavesThePrototypesOwnScores) {
    Button10Click(form, kSteps);
    const std::string unpicked = dir.Read("soc.dat");
    std::fill(std::begin(ws.ItemScore), std::end(ws.ItemScore), 0.0f);  // a run starts from them
    int redraws = 0;
    form.onEvents = [&] {
        if (++redraws > kSteps / 1000) PaintBox1MouseUp(form, 320, 316);  // settling
    };
    Button10Click(form, kSteps);
    form.onEvents = nullptr;
    ASSERT_GT(redraws, kSteps / 1000);
    EXPECT_EQ(dir.Read("soc.dat"), unpicked);

    const PixelScale pixels = MapPixelScale(641, 633);
    const MapPixel at = PixelOf(pixels, ws.ProjCoords[1][1], ws.ProjCoords[1][2]);
    const std::string before = MarkDescription(form, at.x, pixels.h1 - at.yUp);
    ASSERT_EQ(before.rfind("prototype 1: ", 0), 0u) << before;
    PaintBox1MouseUp(form, at.x, pixels.h1 - at.yUp);
    EXPECT_EQ(MarkDescription(form, at.x, pixels.h1 - at.yUp), before);
}

// Early in a run the feature-vector panel shows prototype 1, whatever an
// earlier pick left.
TEST_F(SocRun, ThePanelShowsPrototypeOneEarlyInTheRun) {
    ws.PanelItem = 3;
    Button10Click(form, kSteps);
    int titles = 0;
    for (const CanvasCall& t : form.panel.Calls("text"))
        if (t.text.rfind("prototype ", 0) == 0) {
            EXPECT_EQ(t.text, "prototype 1");
            ++titles;
        }
    EXPECT_EQ(titles, 5);  // a redraw every 1000 of the 5000 steps
}

// Incomes train as any other values do: prototypes win matches, and every
// vector is in one.
TEST_F(SocRun, ValuesAroundAMillionTrainAsAnyOthers) {
    dir.Write("incomes.txt", Items(40, 3, 1e6));
    form.Choose(dir.File("incomes.txt"));
    form.edits[Edit12] = "40";
    form.edits[Edit13] = "3";
    form.edits[Edit14] = "4";
    Button10Click(form, kSteps);
    ASSERT_EQ(form.outcome, Outcome::Finished);
    const std::string& text = form.status.back();
    EXPECT_GT(ParseReal(text.substr(text.find("quantisation error ") + 19)), 0.0) << text;
    EXPECT_LE(ParseInt(text.substr(text.find("empty prototypes ") + 17)), 1) << text;
    for (int i = 1; i <= 40; ++i) EXPECT_GE(ws.ItemMark[i], 1) << i;
}

// A vector none of whose components used is present is in no prototype:
// the status line counts such vectors, clusters.dat and "simil. dist" leave
// them out, and a file of nothing else is refused.
TEST_F(SocRun, AVectorWithoutAComponentUsedIsInNoPrototype) {
    std::string items = Items(27, 6);
    for (int i = 0; i < 3; ++i) items += "NA\tNA\t0.5\t0.5\t0.5\t0.5\n";
    dir.Write("items.txt", items);
    form.edits[Edit13] = "2";
    Button10Click(form, kSteps);
    ASSERT_EQ(form.outcome, Outcome::Finished);
    EXPECT_NE(std::find(form.status.begin(), form.status.end(),
                        "warning: 3 vectors have none of the 2 components used: they are in no prototype"),
              form.status.end());
    std::istringstream clusters(dir.Read("clusters.dat"));
    int listed = 0;
    for (int item = 0; clusters >> item;) ++listed;
    EXPECT_EQ(listed, 27);
    form.edits[Edit16] = "1000";
    PaintBox1MouseUp(form, 320, 316);
    EXPECT_EQ(form.memo.size(), 1u + 27u + 1u);  // the blank line, the vectors in a prototype, the pick
}

// A smoothed error above 500 lists the drawn item for the first 100 such
// steps; the status line counts the others.
TEST_F(SocRun, LargeValuesListTheFirstHundredAlarmSteps) {
    dir.Write("big.txt", Items(30, 6, 50000));
    form.Choose(dir.File("big.txt"));
    Button10Click(form, 3000);
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
    Button10Click(form, kSteps);
    EXPECT_EQ(form.memo.back(), GetParam().line);
    EXPECT_EQ(form.outcome, Outcome::Refused);
    EXPECT_EQ(form.eventPumps, 0);
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
    Button10Click(form, kSteps);
    EXPECT_EQ(form.memo, (Lines{"", "invalid filename"}));

    dir.Write("many.txt", Items(401, 3));
    form.Choose(dir.File("many.txt"));
    form.edits[Edit12] = "401";
    form.edits[Edit13] = "3";
    form.edits[Edit14] = "0";
    Button10Click(form, kSteps);
    EXPECT_EQ(form.memo.back(), "max size: 400");
    EXPECT_FALSE(ResultsWritten());
}

TEST_F(SocRun, AThousandVectorsOfSixtyFourComponentsAreAccepted) {
    dir.Write("large.txt", Items(1000, 64));
    form.Choose(dir.File("large.txt"));
    form.edits[Edit12] = "1000";
    form.edits[Edit13] = "64";
    form.edits[Edit14] = "400";
    Button10Click(form, 1000);
    EXPECT_EQ(ws.VectorCount, 1000);
    EXPECT_EQ(ws.ItemCount, 400);
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    EXPECT_EQ(ws.ItemMark[1000] >= 1 && ws.ItemMark[1000] <= 400, true);
}

}  // namespace
