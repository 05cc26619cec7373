#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>

#include "distances/Distances.h"
#include "handlers/MemoLines.h"
#include "mrp/ClassAgreement.h"
#include "mrp/Clustering.h"
#include "support/FakeForm.h"
#include "support/TwoClusters.h"
#include "text/Numbers.h"

static void PrintTo(const ClusterMark& m, std::ostream* os) {
    static const char* const kinds[] = {"none", "centre", "member of", "set aside"};
    *os << kinds[static_cast<int>(m.Is())] << " " << m.CentreItem();
}

namespace {

using Lines = std::vector<std::string>;

// Items on a line at the given raw positions.
DistanceMatrix Line(const std::vector<float>& positions) {
    std::vector<std::vector<float>> rows;
    for (const float a : positions) {
        rows.emplace_back();
        for (const float b : positions) rows.back().push_back(std::abs(a - b));
    }
    return DistancesOf(rows);
}

// The clusters, with the listing the clustering gives.
struct Clustered {
    Clusters clusters;
    Lines listing;
};
Clustered Cluster(const DistanceMatrix& d, float dc, float noise, float neighbour) {
    FakeForm form;
    form.memo.clear();
    MemoLines listing(form);
    Clusters clusters = ClusterPrototypes(d, 30, dc, noise, neighbour, listing);
    return {std::move(clusters), form.memo};
}

std::string FileText(const Clusters& clusters, int expectedEntries) {
    int written = -1;
    std::string text = ClustersFileText(clusters, written);
    EXPECT_EQ(written, expectedEntries);
    return text;
}

constexpr ClusterMark kNone{};

// Three items at 0, 1 and 2: the middle one is linked to both others
// (0.1 each at distance 1, with the distance 2 for 0.01), the outer ones
// less, to the middle one and to each other (0.01).
TEST(Clustering, ThreeItemsOnALineFormOneClusterAroundTheMiddle) {
    const Clustered out = Cluster(Line({0, 1, 2}), 2, 1, 0.5f);
    EXPECT_EQ(out.listing, (Lines{" ", "centr.    prob.", "2        0.190", "No. of clusters: 1"}));
    EXPECT_EQ(out.clusters.count, 1);
    EXPECT_EQ(out.clusters.centres[1], 2);
    EXPECT_EQ(out.clusters.marks[1], ClusterMark::Member(2));
    EXPECT_EQ(out.clusters.marks[2], ClusterMark::Centre(2));
    EXPECT_FLOAT_EQ(out.clusters.probability[1], 1 - 0.9f * 0.99f);
    EXPECT_EQ(FileText(out.clusters, 3), "  2      1    2    3  \n \n");
}

// No cluster: the candidates examined are listed (a candidate without a
// strong link is set aside, and is free again for the assignment, with no
// cluster to join; with no noise limit every item is examined once); no
// item is in a cluster and clusters.dat is empty.
TEST(Clustering, NoCandidateBecomesACentreOutsideTheLimits) {
    const struct {
        const char* what;
        std::vector<float> positions;
        float dc, noise, neighbour;
        float middle;      // the middle item's prototype probability
        Lines candidates;  // listed between the header and the count
    } cases[] = {
        {"pairs all nearer than a third of dc have no link", {0, 0.1f, 0.2f}, 1, 1.22f, 0.2f, 0.000001f, {}},
        {"a noise limit above every probability", {0, 1, 2}, 2, 1000, 0.5f, 0.19f, {}},
        {"a candidate without a strong link", {0, 1, 2}, 2, 1, 2, 0.19f, {"2        0.190"}},
        {"no noise limit", {0, 1, 2}, 2, 0, 2, 0.19f, {"2        0.190", "1        0.109", "3        0.109"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Clustered out = Cluster(Line(c.positions), c.dc, c.noise, c.neighbour);
        Lines listing{" ", "centr.    prob."};
        listing.insert(listing.end(), c.candidates.begin(), c.candidates.end());
        listing.push_back("No. of clusters: 0");
        EXPECT_EQ(out.listing, listing);
        EXPECT_EQ(out.clusters.count, 0);
        EXPECT_EQ(out.clusters.marks, std::vector<ClusterMark>(4));
        EXPECT_FLOAT_EQ(out.clusters.probability[2], c.middle);
        EXPECT_EQ(FileText(out.clusters, 0), "");
    }
}

TEST(Clustering, ACentreTakesAtMost91DirectMembersAndFarItemsStayOut) {
    std::vector<std::vector<float>> rows(96, std::vector<float>(96));
    for (int i = 1; i <= 96; ++i)
        for (int j = 1; j <= 96; ++j) rows[i - 1][j - 1] = i == j ? 0.0f : (i == 1 || j == 1) ? 1.0f : 0.1f;
    const Clusters clusters = Cluster(DistancesOf(rows), 1, 1.22f, 0.2f).clusters;
    EXPECT_EQ(clusters.count, 1);
    std::string expected = "  1   ";
    for (int i = 1; i <= 92; ++i) expected += Format("%4d ", i);
    EXPECT_EQ(FileText(clusters, 92), expected + " \n \n");
    for (int i = 93; i <= 96; ++i) EXPECT_EQ(clusters.marks[i], kNone) << i;
}

TEST(Clustering, ASetAsideCandidateJoinsTheClusterItIsMostLikelyLinkedTo) {
    // Item 1 is linked to 2 and 3 at distance 1 (0.215), item 4 to all
    // three at 1.05 (0.200); 2 and 3 are near each other.
    const Clustered out = Cluster(
        DistancesOf({{0, 1, 1, 1.05f}, {1, 0, 0.1f, 1.05f}, {1, 0.1f, 0, 1.05f}, {1.05f, 1.05f, 1.05f, 0}}),
        3, 1, 1);
    EXPECT_EQ(out.listing,
              (Lines{" ", "centr.    prob.", "1        0.507", "4        0.487", "No. of clusters: 1"}));
    EXPECT_EQ(out.clusters.marks[4], ClusterMark::Member(1));
    EXPECT_EQ(FileText(out.clusters, 4), "  1      1    2    3    4  \n \n");
}

// Item 4 lies at v from the three items of a cluster, which are 0.5 apart
// (a link of 0.1 each, with dc 1): its no-link product into the cluster,
// (1 - 0.01^v)^3, is 3.97 times the mean prototype probability at v = 0.635
// and 4.02 times at v = 0.64. The threshold of the assignment rises from
// 2.1 to 4 times that mean over its rounds: the first item joins in the
// last round, the second never does.
TEST(Clustering, TheRestJoinBelowFourTimesTheMeanProbability) {
    for (const auto& [v, joins] : {std::pair{0.635f, true}, {0.64f, false}}) {
        const Clusters clusters =
            Cluster(DistancesOf({{0, 0.5f, 0.5f, v}, {0.5f, 0, 0.5f, v}, {0.5f, 0.5f, 0, v}, {v, v, v, 0}}),
                    1, 1, 1)
                .clusters;
        ASSERT_EQ(clusters.count, 1) << v;
        EXPECT_EQ(clusters.marks[3], ClusterMark::Member(1)) << v;
        EXPECT_EQ(clusters.marks[4], joins ? ClusterMark::Member(1) : kNone) << v;
    }
}

TEST(Clustering, EachRunStartsFromNoLinks) {
    const DistanceMatrix second = Line({0, 0.5f, 1, 1.5f, 2});
    const Clustered alone = Cluster(second, 2, 1, 0.5f);
    Cluster(Line({0, 1, 2, 3, 4}), 4, 1, 0.5f);
    const Clustered after = Cluster(second, 2, 1, 0.5f);
    EXPECT_EQ(after.listing, alone.listing);
    EXPECT_EQ(after.clusters.marks, alone.clusters.marks);
}

TEST(Clustering, BestClusterPrefersTheFirstOfEqualClusters) {
    const Clusters clusters = TwoClusters(3);
    LinkProbabilities links(3);
    links.Set(2, 1, 0.25f);
    links.Set(2, 3, 0.25f);
    const ClusterChoice c = BestCluster(clusters, links, ClusterOfEachCentre(clusters), 2);
    EXPECT_EQ(c.cluster, 1);
    EXPECT_EQ(c.noLink, 0.75f);
}

// Items without a class take no part in the agreement, items in no cluster
// (0, or set aside) are one group and are counted; with no cluster or one
// class there is nothing to agree on, and an index just below 0 shows 0.00.
TEST(ClassAgreement, SaysHowTheClustersMatchTheClasses) {
    const struct {
        std::vector<int> clusters, classes;  // of the items: the centre (-1 set aside), the class
        std::string text;
    } cases[] = {
        {{3, 3, 5, 5, 3, 5}, {1, 1, 2, 2, 0, 0}, "clusters vs class: ARI 1.00"},
        {{3, 3, 0, 5, 5, -1},
         {1, 1, 1, 2, 2, 2},
         "clusters vs class: ARI 0.24 (2 of 6 items in no cluster; ARI 1.00 over the 4 in clusters)"},
        {{0, 0, -1, 0}, {1, 2, 1, 2}, ""},
        {{3, 3, 5, 5}, {1, 1, 1, 1}, ""},
        {{3, 3, 3, 1, 3, 1, 2, 1, 3, 2}, {2, 2, 2, 2, 2, 2, 2, 2, 1, 1}, "clusters vs class: ARI 0.00"},
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.clusters.size());
        Clusters clusters;
        clusters.Clear(n);
        Table items;
        items.Resize(n, 0);
        items.classNames = {"", "a", "b"};
        items.classes.assign(1, 0);
        for (int i = 1; i <= n; ++i) {
            const int centre = c.clusters[static_cast<std::size_t>(i - 1)];
            clusters.marks[static_cast<std::size_t>(i)] = centre > 0   ? ClusterMark::Member(centre)
                                                          : centre < 0 ? ClusterMark::SetAside()
                                                                       : kNone;
            items.classes.push_back(c.classes[static_cast<std::size_t>(i - 1)]);
        }
        EXPECT_EQ(ClusterAgreementText(clusters, items), c.text);
    }
}

// "auto": a fifth of the mean distance, else the nearest value in steps of
// sqrt 2 that forms clusters: for items evenly on a line, 5 steps up.
TEST(Clustering, AutomaticCharDistanceIsTheNearestThatFormsClusters) {
    const DistanceMatrix d = Line({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const float fifth = MeanDistance(d) / 5;
    const std::optional<float> dc = AutomaticCharDistance(d, 5 * fifth, 30, 1.22f, 0.2f);
    ASSERT_TRUE(dc);
    EXPECT_NEAR(2 * std::log2(*dc / fifth), 5, 1e-4);
    for (int j = -5; j < 5; ++j)
        EXPECT_EQ(Cluster(d, static_cast<float>(fifth * std::pow(2.0, j / 2.0)), 1.22f, 0.2f).clusters.count,
                  0)
            << j;
}

}  // namespace
