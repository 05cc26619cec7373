#include "mrp/Clustering.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "table/Capacities.h"
#include "text/Numbers.h"

namespace {

constexpr int kMaxDirectMembers = 91;
constexpr int kAssignmentRounds = 20;

}  // namespace

LinkProbabilities::LinkProbabilities(int n)
    : n_(n), p_(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1), 0.0f) {}

float PrototypeProbability(const DistanceMatrix& d, LinkProbabilities& links, int b, float x) {
    const int n = MapRows(d.n);
    const float* distances = d.Row(b);
    const LinkLaw law(x);
    float q = 1.0f;
    for (int p = 1; p <= n; ++p) {
        if (p == b) continue;
        const float v = distances[p] / d.scale;  // the raw distance
        if (!law.Links(v)) continue;
        const float link = law.Link(v);
        links.Set(b, p, link);
        q = q * (1.0f - link);
    }
    float r = 1.0f - q;
    if (!(r > 0.0f)) r = 0.000001f;
    if (r >= 1.0f) r = 0.9999f;
    return r;
}

std::vector<int> ClusterOfEachCentre(const Clusters& clusters) {
    std::vector<int> clusterOf(clusters.marks.size(), 0);
    for (int c = 1; c <= clusters.count; ++c) clusterOf[static_cast<std::size_t>(clusters.centres[c])] = c;
    return clusterOf;
}

ClusterChoice BestCluster(const Clusters& clusters, const LinkProbabilities& links, const std::vector<int>& clusterOf,
                          int a) {
    const int n = static_cast<int>(clusters.marks.size()) - 1;
    // One pass over the items multiplies each cluster's no-link product in
    // item order, as a pass per cluster would.
    NoLinkChances noLink(clusters.count);
    const float* row = links.Row(a);
    for (int j = 1; j <= n; ++j) {
        const int centre = clusters.marks[static_cast<std::size_t>(j)].CentreItem();
        if (j == a || centre == 0) continue;
        if (const int c = clusterOf[static_cast<std::size_t>(centre)]; c != 0) noLink.Add(c, row[j]);
    }
    return noLink.Best();
}

namespace {

// The centres, most probable first, each taking the items strongly linked
// to it; a candidate with none is set aside. Lists every candidate.
void ChooseCentres(const LinkProbabilities& links, Clusters& clusters, int maxClusters, float noiseFloor,
                   float linkLimit, RunReport& report) {
    const int n = static_cast<int>(clusters.marks.size()) - 1;
    std::vector<ClusterMark>& mark = clusters.marks;
    report.Line(" ");
    report.Line("centr.    prob.");
    const auto free = [&](int p) { return mark[static_cast<std::size_t>(p)].Is() == ClusterMark::Kind::None; };
    for (int round = 1; round <= maxClusters; ++round) {
        int candidate = 0;
        float maxP = 0.0f;
        for (int p = 1; p <= n; ++p)
            if (free(p) && clusters.probability[static_cast<std::size_t>(p)] > maxP) {
                candidate = p;
                maxP = clusters.probability[static_cast<std::size_t>(p)];
            }
        if (candidate == 0 || noiseFloor > maxP) break;

        const float* row = links.Row(candidate);
        int members = 0;
        for (int p = 1; p <= n; ++p)
            if (free(p) && row[p] >= linkLimit) ++members;
        if (members == 0) {
            mark[static_cast<std::size_t>(candidate)] = ClusterMark::SetAside();
        } else {
            int taken = 0;
            for (int p = 1; p <= n && taken < kMaxDirectMembers; ++p)
                if (free(p) && row[p] >= linkLimit) {
                    mark[static_cast<std::size_t>(p)] = ClusterMark::Member(candidate);
                    ++taken;
                }
            clusters.centres.push_back(candidate);
            ++clusters.count;
            mark[static_cast<std::size_t>(candidate)] = ClusterMark::Centre(candidate);
        }
        report.Line(Format("%d        %.3f", candidate, static_cast<double>(maxP)));
    }
    report.Line(Format("No. of clusters: %d", clusters.count));
}

// The rest join the cluster they are most likely linked to, under a
// threshold relaxed round by round.
void AssignTheRest(const LinkProbabilities& links, Clusters& clusters, float meanP) {
    const int n = static_cast<int>(clusters.marks.size()) - 1;
    float t = 2.0f * meanP;
    const float step = static_cast<float>(0.05 * static_cast<double>(t));
    const std::vector<int> clusterOf = ClusterOfEachCentre(clusters);
    for (int round = 1; round <= kAssignmentRounds; ++round) {
        t = t + step;
        for (int p = 1; p <= n; ++p) {
            ClusterMark& mark = clusters.marks[static_cast<std::size_t>(p)];
            if (mark.Is() == ClusterMark::Kind::SetAside) mark = ClusterMark{};
            if (mark.Is() != ClusterMark::Kind::None || clusters.count == 0) continue;
            const ClusterChoice choice = BestCluster(clusters, links, clusterOf, p);
            if (Joins(choice, t)) mark = ClusterMark::Member(clusters.centres[choice.cluster]);
        }
    }
    clusters.joinLimit = t;
}

}  // namespace

LinkedItems::LinkedItems(const DistanceMatrix& d, float charDistance) : links(MapRows(d.n)) {
    const int n = MapRows(d.n);
    probability.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    float sum = 0.0f;
    for (int p = 1; p <= n; ++p) {
        probability[static_cast<std::size_t>(p)] = PrototypeProbability(d, links, p, charDistance);
        sum += probability[static_cast<std::size_t>(p)];
    }
    meanProbability = n > 0 ? sum / static_cast<float>(n) : 0.0f;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j < i; ++j) largestLink = std::max(largestLink, links.At(i, j));
}

Clusters ChooseLinkedCentres(const LinkedItems& linked, int maxClusters, float noiseLimit, float neighbourLimit,
                             RunReport& report) {
    Clusters clusters;
    clusters.Clear(static_cast<int>(linked.probability.size()) - 1);
    clusters.probability = linked.probability;
    ChooseCentres(linked.links, clusters, maxClusters, linked.meanProbability * noiseLimit,
                  neighbourLimit * linked.largestLink, report);
    return clusters;
}

void AssignLinkedRest(const LinkedItems& linked, Clusters& clusters) {
    AssignTheRest(linked.links, clusters, linked.meanProbability);
}

Clusters ClusterLinked(const LinkedItems& linked, int maxClusters, float noiseLimit, float neighbourLimit,
                       RunReport& report) {
    Clusters clusters = ChooseLinkedCentres(linked, maxClusters, noiseLimit, neighbourLimit, report);
    AssignLinkedRest(linked, clusters);
    return clusters;
}

Clusters ClusterPrototypes(const DistanceMatrix& d, int maxClusters, float charDistance, float noiseLimit,
                           float neighbourLimit, RunReport& report) {
    return ClusterLinked(LinkedItems(d, charDistance), maxClusters, noiseLimit, neighbourLimit, report);
}

std::optional<float> AutomaticCharDistance(const DistanceMatrix& d, float meanDistance, int maxClusters,
                                           float noiseLimit, float neighbourLimit) {
    constexpr int kMostSteps = 8;  // sqrt 2 ^ 8 = 16
    const float fifth = meanDistance / 5;
    SilentReport quiet;
    for (int step = 0; step <= kMostSteps; ++step)
        for (const int sign : {-1, 1}) {
            if (step == 0 && sign > 0) continue;
            const float dc = static_cast<float>(fifth * std::pow(2.0, sign * step / 2.0));
            if (dc > 0 && ClusterPrototypes(d, maxClusters, dc, noiseLimit, neighbourLimit, quiet).count > 0)
                return dc;
        }
    return std::nullopt;
}

std::string ClustersFileText(const Clusters& clusters, int& written, const std::vector<int>& numbers) {
    const int n = static_cast<int>(clusters.marks.size()) - 1;
    const auto number = [&](int p) { return numbers.empty() ? p : numbers[static_cast<std::size_t>(p)]; };
    // The items in the order of their numbers.
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    if (!numbers.empty()) std::sort(order.begin(), order.end(), [&](int a, int b) { return number(a) < number(b); });
    std::string text;
    written = 0;
    for (int c = 1; c <= clusters.count; ++c) {
        const int centre = clusters.centres[static_cast<std::size_t>(c)];
        text += Format("  %d   ", number(centre));
        const auto member = [&](int p) { return clusters.marks[static_cast<std::size_t>(p)].CentreItem() == centre; };
        for (const int p : order) {
            if (!member(p)) continue;
            text += Format("%4d ", number(p));
            ++written;
        }
        text += " \n \n";
    }
    return text;
}
