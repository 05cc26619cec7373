// What one run leaves must not change what the next one shows, and a run
// works on the rows its file has: no invented rows, no stale marks, colours
// or centres.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "handlers/MrpMdsRun.h"
#include "handlers/Reload.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/MarkColours.h"
#include "workspace/Workspace.h"

namespace {

std::string Sample(const char* name) {
    std::ifstream in(std::string(ITEMMAP_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// SOC with 2000 steps.
void ShortSoc(Form& form) {
    Button10Click(form, 2000);
}

class RunState : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        dir.Write("iris.txt", Sample("iris-150x4.txt"));
        dir.Write("cancer.txt", Sample("cancer-89x26.txt"));
    }

    // A run on a sample, stopped at its first redraw.
    void Run(void (*button)(Form&), const char* file, std::map<int, std::string> edits) {
        form = FakeForm();
        form.Choose(dir.File(file));
        for (const auto& [edit, text] : edits) form.edits[edit] = text;
        form.onEvents = [] { Button3Click(); };
        button(form);
    }
    // The largest item number in clusters.dat.
    int LargestClustered() const {
        std::istringstream in(dir.Read("clusters.dat"));
        int largest = 0;
        for (int item; in >> item;) largest = std::max(largest, item);
        return largest;
    }

    TempDir dir;
    FakeForm form;
};

const std::map<int, std::string> kIris = {{Edit12, "200"}, {Edit13, "4"},   {Edit8, "0.51"},
                                          {Edit9, "2"},    {Edit10, "0.5"}, {Edit14, "8"}};

TEST_F(RunState, RunsGoOnWithTheRowsTheFileHas) {
    Run(Button2Click, "iris.txt", kIris);
    EXPECT_EQ(form.memo[5], "data No: 150,  dim: 4");
    EXPECT_EQ(ws.ItemCount, 150);
    EXPECT_EQ(LargestClustered(), 150);

    Run(ShortSoc, "iris.txt", kIris);
    EXPECT_EQ(ws.VectorCount, 150);
    EXPECT_EQ(LargestClustered(), 150);

    Run(Button9Click, "iris.txt", kIris);
    EXPECT_EQ(ws.VectorCount, 150);
}

// The reload shows the vectors at the scale the SOC run trained them at, so
// picking finds what it found after the run.
TEST_F(RunState, ReloadTakesTheVectorsAtTheTrainingScale) {
    Run(ShortSoc, "cancer.txt", {});
    std::vector<float> trained(ws.InputVectors[89] + 1, ws.InputVectors[89] + 27);
    FreshWorkspace();
    Run(Button9Click, "cancer.txt", {});
    EXPECT_EQ(std::vector<float>(ws.InputVectors[89] + 1, ws.InputVectors[89] + 27), trained);
}

// Prototypes carry no colour or bar from the clusters of an earlier MRP-MDS run.
TEST_F(RunState, SocAndReloadDrawNoClustersOfAnEarlierMap) {
    for (void (*button)(Form&) : {ShortSoc, Button9Click}) {
        Run(Button2Click, "iris.txt", kIris);
        ASSERT_GT(ws.ClusterCount, 0);
        Run(button, "cancer.txt", {});
        ASSERT_EQ(ws.ItemCount, 20);
        for (int k = 1; k <= 20; ++k) {
            EXPECT_EQ(ClusterColour(k), kBlack) << k;
            EXPECT_EQ(ws.ProtoProb[k], 0.0f) << k;
        }
    }
}

// A 1-axis map after a 2-axis one lies on the panel's middle row, as it
// would after a fresh start, not on its bottom edge.
TEST_F(RunState, AMapIsCentredOnlyOnItsOwnAxes) {
    Run(Button2Click, "iris.txt", kIris);
    auto oneAxis = kIris;
    oneAxis[Edit11] = "1";
    Run(Button2Click, "iris.txt", oneAxis);
    for (int i = 1; i <= 150; ++i) ASSERT_EQ(ws.ProjCoords[i][2], 10.0) << i;
}

// Every redraw starts from an empty panel, edges included.
TEST_F(RunState, EveryRedrawClearsThePanelFirst) {
    Run(Button2Click, "iris.txt", kIris);
    PaintBox1Click(form);
    ASSERT_GE(form.map.calls.size(), 2u);
    EXPECT_EQ(form.map.calls[1].op, "clear");
}

}  // namespace
