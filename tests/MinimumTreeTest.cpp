#include <gtest/gtest.h>

#include <random>

#include "handlers/MinimumTree.h"
#include "reference/ReferenceSteps.h"
#include "support/FakeForm.h"
#include "workspace/Workspace.h"

namespace {

using Lines = std::vector<std::string>;

class MinimumTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        form.memo.clear();
    }
    void Symmetric(int a, int b, float d) { ws.DistMatrix[a][b] = ws.DistMatrix[b][a] = d; }
    FakeForm form;
};

TEST_F(MinimumTreeTest, ThreeItemsTakeTheShortestLinksAndNameComponentsBySmallestItem) {
    Symmetric(2, 1, 1);
    Symmetric(3, 1, 2);
    Symmetric(3, 2, 2);
    MinimumTree(form, 3, 100);
    EXPECT_EQ(form.memo, (Lines{"2 1 1.000   1", "3 1 2.000   1"}));
    EXPECT_EQ(ws.TreeLinks[2][1], 1);
    EXPECT_EQ(ws.TreeLinks[3][1], 1);
    EXPECT_EQ(ws.TreeLinks[3][2], 0);
    EXPECT_EQ(ws.TreeLinks[1][2], 0);
}

TEST_F(MinimumTreeTest, SeparateGroupsStayAForestNamedByTheirSmallestItems) {
    // Groups {1, 4} and {2, 3, 5}, 50 apart.
    for (int a = 1; a <= 5; ++a)
        for (int b = 1; b < a; ++b) Symmetric(a, b, 50);
    Symmetric(4, 1, 1);
    Symmetric(3, 2, 2);
    Symmetric(5, 3, 1.5f);
    MinimumTree(form, 5, 10);
    EXPECT_EQ(form.memo, (Lines{"4 1 1.000   1", "5 3 1.500   3", "3 2 2.000   2"}));
}

TEST_F(MinimumTreeTest, AThresholdBelowEveryDistanceGivesNoLink) {
    Symmetric(2, 1, 1);
    ws.TreeLinks[2][1] = 1;
    MinimumTree(form, 2, 0.5f);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(ws.TreeLinks[2][1], 0);
}

TEST_F(MinimumTreeTest, TheThresholdIsInRawUnitsAndTheMapIsRedrawn) {
    ws.ItemCount = 2;
    ws.DistScale = 10;
    Symmetric(2, 1, 25);  // raw 2.5
    form.edits[Edit7] = "2.4";
    FaClick(form);
    EXPECT_TRUE(form.memo.empty());
    form.edits[Edit7] = "2.5";
    FaClick(form);
    EXPECT_EQ(form.memo, Lines{"2 1 25.000   1"});
    EXPECT_EQ(form.map.drawings, 2);
}

// A link shows only where an edge is drawn: the status line counts both and
// names the least "edge lim" that shows them all.
TEST_F(MinimumTreeTest, SaysWhatItDrew) {
    ws.ItemCount = 3;
    ws.DistScale = 1;
    ws.ShowEdges = 1;
    Symmetric(2, 1, 1);
    Symmetric(3, 2, 3);
    Symmetric(3, 1, 10);
    form.edits[Edit7] = "5";
    FaClick(form);
    EXPECT_EQ(form.status.back(), "Min. Tree: 2 links, 0 shown: edge lim 0.31 shows them all");
    form.edits[Edit5] = "0.31";
    FaClick(form);
    EXPECT_EQ(form.status.back(), "Min. Tree: 2 links, all shown");
    form.edits[Edit5] = "0.3";  // the longer link's length: not below it
    FaClick(form);
    EXPECT_EQ(form.status.back(), "Min. Tree: 2 links, 1 shown: edge lim 0.31 shows them all");
}

TEST_F(MinimumTreeTest, BeforeAnyRunNothingIsBuilt) {
    FaClick(form);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(form.map.drawings, 1);
}

// The sorted list gives the rescanning search's links, lines and ties.
TEST_F(MinimumTreeTest, MatchesTheRescanningSearchOnMatricesWithManyTies) {
    std::mt19937 gen(42);
    for (const int n : {2, 7, 40, 150, 400}) {
        std::uniform_int_distribution<int> level(0, 6);
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b < a; ++b) {
                const int l = level(gen);
                Symmetric(a, b, l == 6 ? 1000.0f : static_cast<float>(l) * 0.5f);
            }
        for (const float limit : {0.0f, 1.0f, 2.5f, 5000.0f}) {
            const Lines reference = ReferenceMinimumTree(n, limit);
            static int referenceLinks[kMaxMapItems + 1][kMaxMapItems + 1];
            std::copy(&ws.TreeLinks[0][0], &ws.TreeLinks[0][0] + sizeof referenceLinks / sizeof(int),
                      &referenceLinks[0][0]);
            form.memo.clear();
            MinimumTree(form, n, limit);
            ASSERT_EQ(form.memo, reference) << n << " items, limit " << limit;
            for (int a = 1; a <= n; ++a)
                for (int b = 1; b <= n; ++b) ASSERT_EQ(ws.TreeLinks[a][b], referenceLinks[a][b]);
        }
    }
}

}  // namespace
