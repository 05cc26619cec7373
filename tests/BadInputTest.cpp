// Hostile files and fields through whole runs: each ends with a clear line
// or a sound result, never a crash, a hang or a success message for a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>

#include "handlers/MapPanel.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Picking.h"
#include "handlers/Reload.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "handlers/TreeButton.h"
#include "handlers/ViewButtons.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "session/Session.h"

namespace {

enum class Run { MrpMds, Soc, Reload };

struct BadCase {
    const char* name;
    Run run;
    std::function<std::string()> file;  // the input's content
    std::map<int, std::string> edits;
    std::string lastLine;  // what Memo1 ends with; "*" when the run may end either way
    std::string why = {};  // what the status line says caused a refusal, when it matters
};

std::string Lines(int n, int values, const char* value = "0.5") {
    std::string s;
    for (int i = 0; i < n; ++i) {
        for (int v = 0; v < values; ++v) s += Format(v ? "\t%s%d" : "%s%d", value, (i * 7 + v) % 10);
        s += "\n";
    }
    return s;
}

std::string Binary() {
    std::string s;
    for (int r = 0; r < 40; ++r)
        for (int b = 0; b < 256; ++b) s += static_cast<char>((b * 37 + r) & 0xFF);
    return s;
}

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class BadInput : public ::testing::TestWithParam<BadCase> {
protected:
    Session session;
    void SetUp() override { session = Session{}; }
};

TEST_P(BadInput, EndsWithAClearLineOrASoundResult) {
    const BadCase& c = GetParam();
    TempDir dir;
    dir.Write("input.txt", c.file());
    FakeForm form;
    form.Choose(dir.File("input.txt"));
    form.edits[Edit12] = "20";
    form.edits[Edit13] = "4";
    for (const auto& [edit, text] : c.edits) form.edits[edit] = text;
    form.onEvents = [&] { StopRun(session); };
    switch (c.run) {
        case Run::MrpMds:
            RunMrpMds(form, session);
            break;
        case Run::Soc:
            RunSoc(form, session, 2000);
            break;
        case Run::Reload:
            ReloadSocResults(form, session);
            break;
    }
    ASSERT_FALSE(form.memo.empty());
    if (c.lastLine != "*") {
        EXPECT_EQ(form.memo.back(), c.lastLine);
    }
    if (!c.why.empty()) {
        ASSERT_FALSE(form.status.empty());
        EXPECT_NE(form.status.back().find(c.why), std::string::npos) << form.status.back();
    }
    // Whatever the run left, the map, the panel, picking and the tree take it as it is.
    RedrawMap(form, session);
    DrawFeaturePanel(form, session);
    PickPrototype(form, session, 320, 316);
    DrawMinimumTree(form, session);
    SizeUp(form, session);
    RotateAxes23(form, session);
}

const auto kValid = [] { return Lines(20, 4); };

INSTANTIATE_TEST_SUITE_P(
    Table, BadInput,
    ::testing::Values(
        BadCase{"emptyFile", Run::MrpMds, [] { return std::string(); }, {}, "invalid input data."},
        BadCase{"binaryFile", Run::MrpMds, Binary, {}, "*"},
        BadCase{"binaryMatrix", Run::MrpMds, Binary, {{Edit13, "0"}}, "invalid dist. matr."},
        BadCase{"binarySoc", Run::Soc, Binary, {}, "*"},
        BadCase{"onlyTabs", Run::MrpMds, [] { return std::string(5000, '\t'); }, {}, "invalid input data."},
        BadCase{"enormousLine", Run::MrpMds, [] { return Lines(1, 99000); }, {}, "max dim: 64"},
        BadCase{"enormousLineSoc", Run::Soc, [] { return Lines(1, 99000); }, {{Edit12, "1"}}, "*"},
        BadCase{"1001LinesTaken1000", Run::Soc, [] { return Lines(1001, 4); }, {{Edit12, "1000"}}, "*"},
        BadCase{"400ValuesMatrix",
                Run::MrpMds,
                [] { return Lines(20, 400); },
                {{Edit13, "0"}},
                "invalid dist. matr."},
        BadCase{"65ValuesSoc", Run::Soc, [] { return Lines(20, 65); }, {}, "*"},
        BadCase{"missingValues",
                Run::MrpMds,
                [] { return "NA\tNA\t3\t4\n1\t2\tNA\tNA\n" + Lines(18, 4); },
                {},
                "*"},
        BadCase{"missingValuesSoc",
                Run::Soc,
                [] { return "NA\tNA\t3\t4\n1\t2\tNA\tNA\n" + Lines(18, 4); },
                {{Edit14, "0"}, {Edit8, "0.4"}},
                "*"},
        BadCase{"infinite",
                Run::Soc,
                [] { return Lines(5, 4) + "1\t2\tinf\t4\n" + Lines(14, 4); },
                {},
                "invalid input data.",
                "line 6 of input.txt holds \"inf\""},
        BadCase{"tooLargeForAFloat",
                Run::MrpMds,
                [] { return Lines(3, 4) + "1e39\t2\t3\t4\n" + Lines(16, 4); },
                {},
                "invalid input data.",
                "line 4 of input.txt holds \"1e39\""},
        BadCase{"infiniteMatrix",
                Run::MrpMds,
                [] { return "0\t1\n-inf\t0\n"; },
                {{Edit12, "2"}, {Edit13, "0"}},
                "invalid dist. matr.",
                "line 2 of input.txt holds \"-inf\""},
        BadCase{"hugeValues",
                Run::MrpMds,
                [] {
                    std::string s;
                    for (int i = 0; i < 20; ++i) s += Format("%d.5e37\t1\t2\t%d\n", i % 9, i);
                    return s;
                },
                {},
                "invalid input data."},
        BadCase{"negativeSize", Run::MrpMds, kValid, {{Edit12, "-5"}}, "invalid input data."},
        BadCase{"hugeSize", Run::MrpMds, kValid, {{Edit12, "99999999999"}}, "max size: 400"},
        BadCase{"negativeSizeSoc", Run::Soc, kValid, {{Edit12, "-5"}}, "invalid input data."},
        BadCase{"negativeDim", Run::MrpMds, kValid, {{Edit13, "-1"}}, "no input data"},
        BadCase{"hugeDim", Run::Soc, kValid, {{Edit13, "2147483647"}}, "max dim: 64"},
        BadCase{"negativePrototypes", Run::Soc, kValid, {{Edit14, "-2147483648"}}, "invalid input data."},
        BadCase{"hugePrototypes", Run::Soc, kValid, {{Edit14, "1e9"}}, "*"},
        BadCase{"textSize", Run::MrpMds, kValid, {{Edit12, "abc"}}, "invalid input data."},
        BadCase{"textCharDistance", Run::MrpMds, kValid, {{Edit8, "abc"}}, "critical dist > 0!"},
        BadCase{"nanCharDistance", Run::MrpMds, kValid, {{Edit8, "nan"}}, "critical dist > 0!"},
        BadCase{"infiniteCharDistance", Run::MrpMds, kValid, {{Edit8, "inf"}}, "critical dist > 0!"},
        BadCase{"hexadecimalCharDistance", Run::MrpMds, kValid, {{Edit8, "0x0.8p0"}}, "critical dist > 0!"},
        BadCase{"textMapDim", Run::MrpMds, kValid, {{Edit11, "two"}}, "MDS dim must be 1-3!"},
        BadCase{"textEnlargement", Run::MrpMds, kValid, {{Edit4, "big"}}, "invalid input data."},
        BadCase{"infiniteEnlargement", Run::MrpMds, kValid, {{Edit4, "inf"}}, "invalid input data."},
        BadCase{"textRate", Run::Soc, kValid, {{Edit15, "fast"}}, "*"},
        BadCase{"textSimilarity", Run::Reload, kValid, {{Edit16, "near"}}, "0"},
        BadCase{"reloadHugeSize", Run::Reload, kValid, {{Edit12, "1e12"}}, "*"},
        BadCase{"reloadNegativeDim", Run::Reload, kValid, {{Edit13, "-4"}}, "max dim: 64"}),
    [](const auto& info) { return std::string(info.param.name); });

class BadFiles : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        dir.Write("input.txt", Lines(20, 4));
        form.Choose(dir.File("input.txt"));
        form.edits[Edit12] = "20";
        form.edits[Edit13] = "4";
        form.edits[Edit14] = "5";
        form.onEvents = [&] { StopRun(session); };
    }
    TempDir dir;
    FakeForm form;
};

TEST_F(BadFiles, AFolderInsteadOfAFileIsNamed) {
    form.Choose(dir.path());
    RunMrpMds(form, session);
    EXPECT_EQ(form.status.back(), "refused: invalid input data. \u2014 " + dir.path() + " is not a file");
    RunSoc(form, session, 2000);
    EXPECT_EQ(form.status.back(), "refused: invalid input data. \u2014 " + dir.path() + " is not a file");
}

// An output path that cannot be written (here: a folder of that name, which
// even the superuser cannot replace by a file) is named, and none of the
// run's set of files is written; the run goes on.
TEST_F(BadFiles, AnOutputThatCannotBeWrittenIsNamedAndNoneOfItsSetIsWritten) {
    for (const char* name : {"distances.dat", "soc.dat"}) std::filesystem::create_directory(dir.File(name));
    RunMrpMds(form, session);
    const auto has = [&](const std::string& name) {
        const std::string line = "error: cannot write " + dir.File(name) + ": Is a directory";
        return std::find(form.status.begin(), form.status.end(), line) != form.status.end();
    };
    EXPECT_TRUE(has("distances.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("clusters.dat")));
    EXPECT_EQ(form.outcome, Outcome::Failed);  // the map still ran, its files not written
    EXPECT_EQ(session.shown.kind, MapKind::MrpMds);
    EXPECT_EQ(session.map.n, 20);

    RunSoc(form, session, 2000);
    EXPECT_TRUE(has("soc.dat"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.is_directory() || entry.path().filename() == "input.txt" ||
                    entry.path().filename() == "itemmap-record.lock")
            << "nothing of the set, nor a temporary file, is left: " << entry.path();
}

// "Vect. dim" beyond the vectors' values takes what they have; results of
// another length are refused.
TEST_F(BadFiles, ResultsOfAnotherDimensionAreRefused) {
    RunSoc(form, session, 2000);
    form.edits[Edit13] = "64";
    ReloadSocResults(form, session);
    EXPECT_EQ(form.outcome, Outcome::Finished);
    EXPECT_EQ(session.VectorDim, 4);
    form.edits[Edit13] = "1";
    ReloadSocResults(form, session);
    EXPECT_EQ(
        form.status.back(),
        "refused: soc.dat holds prototypes of 4 components, the vectors of input.txt have 1: it belongs to "
        "another file, or to another \"Vect. dim\"");
    EXPECT_EQ(session.map.n, 0);
    PickPrototype(form, session, 320, 316);
}

TEST_F(BadFiles, ANotANumberInSocDatRefusesTheReload) {
    RunSoc(form, session, 2000);
    std::string soc = dir.Read("soc.dat");
    soc.replace(5, 7, "    nan");  // the first line's x
    dir.Write("soc.dat", soc);
    ReloadSocResults(form, session);
    EXPECT_EQ(form.status.back(), "refused: line 1 of soc.dat holds \"nan\", which is not a finite number");
    EXPECT_EQ(session.map.n, 0);
}

// Every button pressed while a run lets events through: nothing nests,
// nothing breaks, and a stopped SOC run still writes its files.
TEST_F(BadFiles, RapidClicksDuringRuns) {
    for (const bool soc : {false, true}) {
        int pumps = 0;
        form.onEvents = [&] {
            ++pumps;
            RunMrpMds(form, session);
            RunSoc(form, session, 2000);
            ReloadSocResults(form, session);
            SizeUp(form, session);
            SizeDown(form, session);
            RotateAxes23(form, session);
            RotateAxes12(form, session);
            RotateAxes13(form, session);
            SwitchLabels(form, session);
            ShowEdges(form, session);
            DrawMinimumTree(form, session);
            RedrawMap(form, session);
            PickPrototype(form, session, 100 + pumps, 100);
            DrawFeaturePanel(form, session);
            if (pumps == 3) StopRun(session);
        };
        if (soc)
            RunSoc(form, session, 2000);
        else
            RunMrpMds(form, session);
        // The SOC run of 2000 steps lets events through twice, then settling its map.
        EXPECT_EQ(form.outcome, Outcome::Stopped);
        EXPECT_FALSE(RunInProgress(session));
    }
    EXPECT_FALSE(dir.Read("soc.dat").empty());
    EXPECT_FALSE(dir.Read("weights.dat").empty());
}

}  // namespace
