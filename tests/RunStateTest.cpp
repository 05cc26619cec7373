// What one run leaves must not change what the next one shows, and a run
// works on the rows its file has: no invented rows, no stale marks, colours
// or centres.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "handlers/MapPanel.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Reload.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "support/DrawnShapes.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "session/Session.h"

namespace {

std::string Sample(const char* name) {
    std::ifstream in(std::string(ITEMMAP_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// SOC with 2000 steps.
void ShortSoc(Form& form, Session& session) {
    RunSoc(form, session, 2000);
}

class RunState : public ::testing::Test {
protected:
    Session session;
    void SetUp() override {
        session = Session{};
        dir.Write("iris.txt", Sample("iris-150x4.txt"));
        dir.Write("cancer.txt", Sample("cancer-89x26.txt"));
    }

    // A run on a sample, stopped at its first redraw.
    void Run(void (*button)(Form&, Session&), const char* file, std::map<int, std::string> edits) {
        form = FakeForm();
        form.Choose(dir.File(file));
        for (const auto& [edit, text] : edits) form.edits[edit] = text;
        form.onEvents = [&] { StopRun(session); };
        button(form, session);
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
    Run(RunMrpMds, "iris.txt", kIris);
    EXPECT_NE(std::find(form.memo.begin(), form.memo.end(), "data No: 150,  dim: 4"), form.memo.end());
    EXPECT_EQ(session.map.n, 150);
    EXPECT_EQ(LargestClustered(), 150);

    Run(ShortSoc, "iris.txt", kIris);
    EXPECT_EQ(session.table.rows, 150);
    EXPECT_EQ(LargestClustered(), 150);

    Run(ReloadSocResults, "iris.txt", kIris);
    EXPECT_EQ(session.table.rows, 150);
}

// The reload shows the vectors at the scale the SOC run trained them at, so
// picking finds what it found after the run.
TEST_F(RunState, ReloadTakesTheVectorsAtTheTrainingScale) {
    Run(ShortSoc, "cancer.txt", {});
    const std::vector<float> trained(session.table.Row(89) + 1, session.table.Row(89) + 27);
    session = Session{};
    Run(ReloadSocResults, "cancer.txt", {});
    EXPECT_EQ(std::vector<float>(session.table.Row(89) + 1, session.table.Row(89) + 27), trained);
}

// Prototypes carry no colour or bar from the clusters of an earlier MRP-MDS
// run: with the bars shown, every mark is black and every bar flat.
TEST_F(RunState, SocAndReloadDrawNoClustersOfAnEarlierMap) {
    for (void (*button)(Form&, Session&) : {ShortSoc, ReloadSocResults}) {
        Run(RunMrpMds, "iris.txt", kIris);
        ASSERT_GT(session.clusters.count, 0);
        Run(button, "cancer.txt", {});
        ASSERT_EQ(session.map.n, 20);
        session.view.mode = kViewBars;
        session.view.showLegend = false;
        RedrawMap(form, session);
        const auto marks = ShapesShown(form.map, "ellipse");
        EXPECT_EQ(marks.size(), 20u);
        for (const Shape& mark : marks) EXPECT_EQ(mark.fill, kBlack);
        const auto rects = ShapesShown(form.map, "rect");
        EXPECT_EQ(rects.size(), 21u);  // the background and a bar for each
        for (std::size_t k = 1; k < rects.size(); ++k) EXPECT_EQ(rects[k].Height(), 0) << k;
    }
}

// A 1-axis map after a 2-axis one lies on the panel's middle row, as it
// would after a fresh start, not on its bottom edge.
TEST_F(RunState, AMapIsCentredOnlyOnItsOwnAxes) {
    Run(RunMrpMds, "iris.txt", kIris);
    auto oneAxis = kIris;
    oneAxis[Edit11] = "1";
    Run(RunMrpMds, "iris.txt", oneAxis);
    for (int i = 1; i <= 150; ++i) ASSERT_EQ(session.view.Projected(i)[2], 10.0) << i;
}

}  // namespace
