#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "handlers/MemoLines.h"
#include "handlers/TreeButton.h"
#include "reference/ReferenceSteps.h"
#include "support/FakeForm.h"
#include "view/MinimumTree.h"
#include "session/Session.h"

namespace {

using Lines = std::vector<std::string>;

// Distances of n points, all at `apart` but those set.
struct Points {
    explicit Points(int n, float apart = 0) {
        d.Resize(n);
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b < a; ++b) Symmetric(a, b, apart);
    }
    void Symmetric(int a, int b, float length) { d.Row(a)[b] = d.Row(b)[a] = length; }
    // The tree's lines, the links in `tree`.
    Lines Tree(float limit) {
        FakeForm form;
        form.memo.clear();
        MemoLines lines(form);
        MinimumTree(d, d.n, limit, tree, lines);
        return form.memo;
    }
    DistanceMatrix d;
    TreeLinks tree;
};

TEST(MinimumTree, SeparateGroupsStayAForestNamedByTheirSmallestItems) {
    // Groups {1, 4} and {2, 3, 5}, 50 apart.
    Points p(5, 50);
    p.Symmetric(4, 1, 1);
    p.Symmetric(3, 2, 2);
    p.Symmetric(5, 3, 1.5f);
    EXPECT_EQ(p.Tree(10), (Lines{"4 1 1.000   1", "5 3 1.500   3", "3 2 2.000   2"}));
}

TEST(MinimumTree, AThresholdBelowEveryDistanceGivesNoLink) {
    Points p(2, 1);
    p.tree.Clear(2);
    p.tree.Link(2, 1);
    EXPECT_TRUE(p.Tree(0.5f).empty());
    EXPECT_FALSE(p.tree.Linked(2, 1));
}

// The sorted list gives the rescanning search's links, lines and ties.
TEST(MinimumTree, MatchesTheRescanningSearchOnMatricesWithManyTies) {
    std::mt19937 gen(42);
    for (const int n : {2, 7, 40, 150, 400}) {
        std::uniform_int_distribution<int> level(0, 6);
        Points p(n);
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b < a; ++b) {
                const int l = level(gen);
                p.Symmetric(a, b, l == 6 ? 1000.0f : static_cast<float>(l) * 0.5f);
            }
        for (const float limit : {0.0f, 1.0f, 2.5f, 5000.0f}) {
            TreeLinks reference;
            const Lines lines = ReferenceMinimumTree(p.d, n, limit, reference);
            ASSERT_EQ(p.Tree(limit), lines) << n << " items, limit " << limit;
            ASSERT_EQ(p.tree.linked, reference.linked) << n << " items, limit " << limit;
        }
    }
}

// The links of the tree shown where the map draws an edge: one shorter than
// "edge lim" times the largest distance. Links of lengths up to 10 with the
// largest distance 10 (and all a sixteenth of that): the least factor in
// hundredths that shows them all is the one above the longest link's share,
// also when that share is a whole number of hundredths; one hundredth less
// leaves that link out.
TEST(MinimumTree, SaysTheLeastEdgeLimitThatShowsEveryLink) {
    for (const float scale : {1.0f, 0.0625f})
        for (const float longest : {3.0f, 3.05f, 2.999f, 10.0f}) {
            Points p(3, 10 * scale);
            p.Symmetric(2, 1, scale);
            p.Symmetric(3, 2, longest * scale);
            p.Tree(10 * scale);
            MapLayout map;
            map.Resize(3);
            View view;
            view.showEdges = true;
            const Clusters clusters;
            const Table table;
            const std::vector<int> classes;
            const MapScene scene{map, view, p.d, clusters, p.tree, table, classes, classes, false};
            const std::string hint = "Min. Tree: 2 links, 0 shown: edge lim ";
            const std::string summary = TreeSummary(scene);
            const std::string factor = summary.substr(hint.size(), 4);  // as the user would type it
            ASSERT_EQ(summary, hint + factor + " shows them all") << longest;
            view.edgeFactor = std::stof(factor);
            EXPECT_EQ(TreeSummary(scene), "Min. Tree: 2 links, all shown") << longest;
            view.edgeFactor = static_cast<float>((std::stod(factor) * 100 - 1) / 100);
            EXPECT_EQ(TreeSummary(scene),
                      "Min. Tree: 2 links, 1 shown: edge lim " + factor + " shows them all")
                << longest;
        }
}

// "Min. Tree" takes its threshold in the units of distances.dat, redraws
// the map and says on the status line what it drew; before any run there
// is nothing to build.
TEST(MinimumTree, TheButtonTakesRawUnitsRedrawsAndSaysWhatItDrew) {
    Session session;
    session = Session{};
    FakeForm form;
    form.memo.clear();
    DrawMinimumTree(form, session);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(form.map.drawings, 1);

    session.map.Resize(2);
    session.distances.Resize(2);
    session.distances.scale = 10;
    session.distances.Row(2)[1] = session.distances.Row(1)[2] = 25;  // raw 2.5
    form.edits[Edit7] = "2.4";
    DrawMinimumTree(form, session);
    EXPECT_TRUE(form.memo.empty());
    EXPECT_EQ(form.status.back(), "Min. Tree: no link within the threshold");
    form.edits[Edit7] = "2.5";
    DrawMinimumTree(form, session);
    EXPECT_EQ(form.memo, Lines{"2 1 25.000   1"});
    EXPECT_EQ(form.map.drawings, 3);
    EXPECT_EQ(form.status.back(), "Min. Tree: 1 link, 0 shown: edge lim 1.01 shows them all");
}

}  // namespace
