#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "mrp/ClassAgreement.h"
#include "mrp/Clustering.h"
#include "support/FakeForm.h"
#include "text/Numbers.h"
#include "workspace/Workspace.h"

namespace {

class Clustering : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        form.memo.clear();
        std::snprintf(ws.ClustersFileName, sizeof ws.ClustersFileName, "%s",
                      dir.File("clusters.dat").c_str());
        ws.DistScale = 1;
        for (int i = 1; i <= kInputRows; ++i) ws.ItemNumber[i] = i;
    }
    // Items on a line at the given raw positions.
    void Line(std::initializer_list<float> positions) {
        n = 0;
        for (float x : positions) ws.InputVectors[++n][1] = x;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                ws.DistMatrix[i][j] = std::abs(ws.InputVectors[i][1] - ws.InputVectors[j][1]);
        ws.ItemCount = n;
        ws.VectorDim = 1;
    }
    int Cluster(float dc, float noise, float neigh, int maxClusters = 30) {
        form.memo.clear();
        return ClusterPrototypes(form, n, maxClusters, 1, dc, noise, neigh);
    }

    FakeForm form;
    TempDir dir;
    int n = 0;
};

using Lines = std::vector<std::string>;

TEST_F(Clustering, ThreeItemsOnALineFormOneClusterAroundTheMiddle) {
    Line({0, 1, 2});
    EXPECT_EQ(Cluster(2, 1, 0.5f), 1);
    EXPECT_EQ(form.memo, (Lines{" ", "centr.    prob.", "2        0.190", "No. of clusters: 1", "3"}));
    EXPECT_EQ(dir.Read("clusters.dat"), "  2      1    2    3  \r\n \r\n");
    EXPECT_EQ(ws.ClusterOf[2], -2);
    EXPECT_EQ(ws.ClusterOf[1], 2);
    EXPECT_EQ(ws.ClusterCentres[1], 2);
    EXPECT_FLOAT_EQ(ws.ProtoProb[1], 1 - 0.9f * 0.99f);
    EXPECT_EQ(ws.Prototypes[1][1][1], 1.0f);  // the centre's vector
    EXPECT_EQ(ws.Prototypes[1][2][1], 1.0f);
    EXPECT_EQ(ws.ItemFlag[1] + ws.ItemFlag[2] + ws.ItemFlag[3], 3);  // the last cluster's members
}

TEST_F(Clustering, AllPairsNearGiveNoLinkAndNoCluster) {
    Line({0, 0.1f, 0.2f});
    EXPECT_EQ(Cluster(1, 1.22f, 0.2f), 0);
    EXPECT_EQ(form.memo, (Lines{" ", "centr.    prob.", "No. of clusters: 0", "0"}));
    EXPECT_FLOAT_EQ(ws.ProtoProb[2], 0.000001f);
    EXPECT_EQ(dir.Read("clusters.dat"), "");
    EXPECT_EQ(ws.ClusterOf[1], 0);
}

TEST_F(Clustering, AHugeNoiseLimitStopsBeforeTheFirstCandidate) {
    Line({0, 1, 2});
    EXPECT_EQ(Cluster(2, 1000, 0.5f), 0);
    EXPECT_EQ(form.memo[2], "No. of clusters: 0");
}

TEST_F(Clustering, ACandidateWithoutStrongLinksIsListedAndSetAside) {
    Line({0, 1, 2});
    EXPECT_EQ(Cluster(2, 1, 2), 0);
    EXPECT_EQ(form.memo, (Lines{" ", "centr.    prob.", "2        0.190", "No. of clusters: 0", "0"}));
    EXPECT_EQ(ws.ClusterOf[2], 0);  // no longer set aside after the assignment rounds
}

TEST_F(Clustering, ANoiseLimitOfZeroStopsWhenEveryItemIsTaken) {
    Line({0, 1, 2});
    EXPECT_EQ(Cluster(2, 0, 2), 0);
    EXPECT_EQ(form.memo, (Lines{" ", "centr.    prob.", "2        0.190", "1        0.109", "3        0.109",
                                "No. of clusters: 0", "0"}));
}

TEST_F(Clustering, ACentreTakesAtMost91DirectMembersAndFarItemsStayOut) {
    n = 96;
    ws.ItemCount = n;
    ws.VectorDim = 1;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) ws.DistMatrix[i][j] = i == j ? 0.0f : (i == 1 || j == 1) ? 1.0f : 0.1f;
    EXPECT_EQ(Cluster(1, 1.22f, 0.2f), 1);
    EXPECT_EQ(form.memo[2], "1        0.615");
    EXPECT_EQ(form.memo[4], "92");
    std::string expected = "  1   ";
    for (int i = 1; i <= 92; ++i) expected += Format("%4d ", i);
    EXPECT_EQ(dir.Read("clusters.dat"), expected + " \r\n \r\n");
    for (int i = 93; i <= 96; ++i) EXPECT_EQ(ws.ClusterOf[i], 0) << i;
}

TEST_F(Clustering, ASetAsideCandidateJoinsTheClusterItIsMostLikelyLinkedTo) {
    // Item 1 is linked to 2 and 3 at distance 1 (0.215), item 4 to all
    // three at 1.05 (0.200); 2 and 3 are near each other.
    n = 4;
    ws.ItemCount = n;
    ws.VectorDim = 1;
    const float d[4][4] = {
        {0, 1, 1, 1.05f}, {1, 0, 0.1f, 1.05f}, {1, 0.1f, 0, 1.05f}, {1.05f, 1.05f, 1.05f, 0}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ws.DistMatrix[i + 1][j + 1] = d[i][j];
    EXPECT_EQ(Cluster(3, 1, 1), 1);
    EXPECT_EQ(form.memo,
              (Lines{" ", "centr.    prob.", "1        0.507", "4        0.487", "No. of clusters: 1", "4"}));
    EXPECT_EQ(ws.ClusterOf[4], 1);
    EXPECT_EQ(dir.Read("clusters.dat"), "  1      1    2    3    4  \r\n \r\n");
}

TEST_F(Clustering, EveryRunStartsFromNoLinks) {
    Line({0, 1, 2, 3, 4});
    Cluster(4, 1, 0.5f);
    Line({0, 0.5f, 1, 1.5f, 2});
    Cluster(2, 1, 0.5f);
    const Lines second = form.memo;
    const std::string secondFile = dir.Read("clusters.dat");

    FreshWorkspace();
    SetUp();
    Line({0, 0.5f, 1, 1.5f, 2});
    Cluster(2, 1, 0.5f);
    EXPECT_EQ(form.memo, second);
    EXPECT_EQ(dir.Read("clusters.dat"), secondFile);
}

TEST_F(Clustering, MatrixInputCopiesAtMost64ComponentsPerCentre) {
    Line({0, 1, 2});
    ws.VectorDim = 300;  // a matrix row length
    ws.Prototypes[1][2][65] = 5;
    Cluster(2, 1, 0.5f);
    EXPECT_EQ(ws.Prototypes[1][2][64], 1.0f);
    EXPECT_EQ(ws.Prototypes[1][2][65], 5.0f);
    EXPECT_EQ(ws.Prototypes[2][0][0], 0.0f);
}

TEST_F(Clustering, AClustersFileThatCannotBeCreatedIsNamedAndTheRunGoesOn) {
    Line({0, 1, 2});
    std::snprintf(ws.ClustersFileName, sizeof ws.ClustersFileName, "/nonexistent-folder/clusters.dat");
    EXPECT_EQ(Cluster(2, 1, 0.5f), 1);
    EXPECT_EQ(form.status,
              std::vector<std::string>{
                  "error: cannot write /nonexistent-folder/clusters.dat: No such file or directory"});
    EXPECT_EQ(form.memo.back(), "3");
}

TEST_F(Clustering, BestClusterPrefersTheFirstOfEqualClusters) {
    Line({0, 1, 2});
    ws.ClusterCount = 2;
    ws.ClusterCentres[1] = 1;
    ws.ClusterCentres[2] = 3;
    ws.ClusterOf[1] = -1;
    ws.ClusterOf[3] = -3;
    ws.ClusterOf[2] = 0;
    ws.LinkProb[2][1] = ws.LinkProb[2][3] = 0.25f;
    const ClusterChoice c = BestCluster(3, 2, 2);
    EXPECT_EQ(c.cluster, 1);
    EXPECT_EQ(c.noLink, 0.75f);
}

// Items without a class take no part in the agreement, items in no cluster
// (0, or set aside) are one group and are counted; with no cluster or one
// class there is nothing to agree on, and an index just below 0 shows 0.00.
TEST(ClassAgreement, SaysHowTheClustersMatchTheClasses) {
    const struct {
        std::vector<int> clusters, classes;
        std::string text;
    } cases[] = {
        {{3, 3, 5, 5, 3, 5}, {1, 1, 2, 2, 0, 0}, "clusters vs class: ARI 1.00"},
        {{3, 3, 0, 5, 5, -10000},
         {1, 1, 1, 2, 2, 2},
         "clusters vs class: ARI 0.24 (2 of 6 items in no cluster; ARI 1.00 over the 4 in clusters)"},
        {{0, 0, -10000, 0}, {1, 2, 1, 2}, ""},
        {{3, 3, 5, 5}, {1, 1, 1, 1}, ""},
        {{3, 3, 3, 1, 3, 1, 2, 1, 3, 2}, {2, 2, 2, 2, 2, 2, 2, 2, 1, 1}, "clusters vs class: ARI 0.00"},
    };
    for (const auto& c : cases) {
        FreshWorkspace();
        ws.ClassCount = 2;
        const int n = static_cast<int>(c.clusters.size());
        for (int i = 1; i <= n; ++i) {
            ws.ClusterOf[i] = c.clusters[static_cast<std::size_t>(i - 1)];
            ws.ItemClass[i] = c.classes[static_cast<std::size_t>(i - 1)];
        }
        EXPECT_EQ(ClusterAgreementText(n), c.text);
    }
}

}  // namespace
