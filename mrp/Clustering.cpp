#include "mrp/Clustering.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "text/Numbers.h"
#include "files/TextFile.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kSetAside = -10000;
constexpr int kMaxDirectMembers = 91;
constexpr int kAssignmentRounds = 20;

// Members of cluster k: items whose |ClusterOf| is the centre of k.
bool IsMemberOf(int item, int centre) {
    return std::abs(ws.ClusterOf[item]) == centre;
}

}  // namespace

float PrototypeProbability(int n, int b, float x) {
    n = MapRows(n);
    const float* distances = ws.DistMatrix[b];
    const float slope = static_cast<float>(std::log(0.01) / static_cast<double>(x));
    const double nearCut = 0.33 * static_cast<double>(x);
    float* links = ws.LinkProb[b];
    float q = 1.0f;
    for (int p = 1; p <= n; ++p) {
        if (p == b || ws.ItemFlag[p] != 1) continue;
        const float v = distances[p] / ws.DistScale;  // the raw distance
        if (!(static_cast<double>(v) > nearCut)) continue;
        const float link = static_cast<float>(std::exp(static_cast<double>(slope * v)));
        links[p] = link;
        ws.LinkProb[p][b] = link;
        q = q * (1.0f - link);
    }
    float r = 1.0f - q;
    if (!(r > 0.0f)) r = 0.000001f;
    if (r >= 1.0f) r = 0.9999f;
    return r;
}

ClusterChoice BestCluster(int n, int k, int a) {
    n = MapRows(n);
    k = MapRows(k);
    // One pass over the items multiplies each cluster's no-link product in
    // item order, as a pass per cluster would.
    int clusterOfCentre[kMaxMapItems + 1] = {};
    float noLink[kMaxMapItems + 1];
    for (int c = 1; c <= k; ++c) {
        const int centre = ws.ClusterCentres[c];
        if (centre >= 1 && centre <= kMaxMapItems) clusterOfCentre[centre] = c;
        noLink[c] = 1.0f;
    }
    const float* links = ws.LinkProb[a];
    for (int j = 1; j <= n; ++j) {
        const int mark = std::abs(ws.ClusterOf[j]);
        if (j == a || mark < 1 || mark > kMaxMapItems) continue;
        const int c = clusterOfCentre[mark];
        if (c != 0) noLink[c] = noLink[c] * (1.0f - links[j]);
    }
    ClusterChoice best{0, 2.0f};
    for (int c = 1; c <= k; ++c)
        if (noLink[c] < best.noLink) best = {c, noLink[c]};
    return best;
}

namespace {

// Every item's prototype probability from no links, as in a freshly started
// program; returns their mean.
float ProbabilitiesOf(int n, float charDistance) {
    for (int i = 1; i <= n; ++i) std::fill(ws.LinkProb[i] + 1, ws.LinkProb[i] + n + 1, 0.0f);
    for (int p = 1; p <= n; ++p) {
        ws.ItemFlag[p] = 1;
        ws.ClusterCentres[p] = 0;
    }
    float sum = 0.0f;
    for (int p = 1; p <= n; ++p) {
        ws.ClusterOf[p] = 0;
        ws.ProtoProb[p] = PrototypeProbability(n, p, charDistance);
        sum += ws.ProtoProb[p];
    }
    return n > 0 ? sum / static_cast<float>(n) : 0.0f;
}

// The centres, most probable first, each taking the items strongly linked
// to it; a candidate with none is set aside. Lists every candidate in Memo1
// and returns the number of clusters.
int ChooseCentres(Form& form, int n, int maxClusters, float noiseFloor, float neighbourLimit) {
    float maxLink = 0.0f;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j < i; ++j) maxLink = std::max(maxLink, ws.LinkProb[i][j]);
    const float linkLimit = neighbourLimit * maxLink;
    form.MemoAppend(" ");
    form.MemoAppend("centr.    prob.");
    int k = 0;
    for (int round = 1; round <= maxClusters; ++round) {
        int candidate = 0;
        float maxP = 0.0f;
        for (int p = 1; p <= n; ++p)
            if (ws.ClusterOf[p] == 0 && ws.ProtoProb[p] > maxP) {
                candidate = p;
                maxP = ws.ProtoProb[p];
            }
        if (candidate == 0 || noiseFloor > maxP) break;

        const float* links = ws.LinkProb[candidate];
        int members = 0;
        for (int p = 1; p <= n; ++p)
            if (ws.ClusterOf[p] == 0 && links[p] >= linkLimit) ++members;
        if (members == 0) {
            ws.ClusterOf[candidate] = kSetAside;
        } else {
            int taken = 0;
            for (int p = 1; p <= n && taken < kMaxDirectMembers; ++p)
                if (ws.ClusterOf[p] == 0 && links[p] >= linkLimit) {
                    ws.ClusterOf[p] = candidate;
                    ++taken;
                }
            ws.ClusterCentres[++k] = candidate;
            ws.ClusterOf[candidate] = -candidate;
        }
        form.MemoAppend(Format("%d        %.3f", candidate, static_cast<double>(maxP)));
    }
    form.MemoAppend(Format("No. of clusters: %d", k));
    return k;
}

// The rest join the cluster they are most likely linked to, under a
// threshold relaxed round by round.
void AssignTheRest(int n, int k, float meanP) {
    float t = 2.0f * meanP;
    const float step = static_cast<float>(0.05 * static_cast<double>(t));
    for (int round = 1; round <= kAssignmentRounds; ++round) {
        t = t + step;
        for (int p = 1; p <= n; ++p) {
            if (ws.ClusterOf[p] == kSetAside) ws.ClusterOf[p] = 0;
            if (ws.ClusterOf[p] != 0 || k == 0) continue;
            const ClusterChoice choice = BestCluster(n, k, p);
            if (choice.noLink < t) ws.ClusterOf[p] = ws.ClusterCentres[choice.cluster];
        }
    }
}

// clusters.dat, a block per cluster; ItemFlag marks the members of the last.
// Returns the member entries written.
int WriteClusters(Form& form, int n, int k, int minMembers, float charDistance, bool writeWhenEmpty) {
    std::optional<TextFileWriter> out;
    if (k > 0 || writeWhenEmpty) out.emplace(form, ws.ClustersFileName);
    for (int p = 1; p <= std::clamp(ws.ItemCount, 0, kInputRows); ++p) ws.ItemFlag[p] = 0;
    int written = 0;
    for (int c = 1; c <= k; ++c) {
        const int centre = ws.ClusterCentres[c];
        out->Printf("  %d   ", centre);
        int members = 0;
        for (int p = 1; p <= n; ++p) {
            ws.ItemFlag[p] = IsMemberOf(p, centre) ? 1 : 0;
            members += ws.ItemFlag[p];
        }
        ws.ItemFlag[centre] = 1;
        if (members < minMembers) continue;
        for (int p = 1; p <= n; ++p) {
            if (!IsMemberOf(p, centre)) continue;
            // Rewrites the links of p towards the members of this cluster.
            PrototypeProbability(n, p, static_cast<float>(static_cast<double>(charDistance) * 0.5));
            out->Printf("%4d ", ws.ItemNumber[p]);
            ++written;
        }
        out->Write(" \n \n");
    }
    if (out) out->Commit();
    return written;
}

// The centres' vectors as the first prototypes, all weights 1.
void CentresAsPrototypes(int k) {
    const int components = ws.Components();
    for (int c = 1; c <= k; ++c) {
        const int centre = ws.ClusterCentres[c];
        for (int j = 1; j <= components; ++j) {
            ws.Prototypes[c][1][j] = ws.InputVectors[centre][j];
            ws.Prototypes[c][2][j] = 1.0f;
        }
    }
}

}  // namespace

int ClusterPrototypes(Form& form, int n, int maxClusters, int minMembers, float charDistance,
                      float noiseLimit, float neighbourLimit, bool writeWhenEmpty) {
    n = MapRows(n);
    const float meanP = ProbabilitiesOf(n, charDistance);
    const int k = ChooseCentres(form, n, maxClusters, meanP * noiseLimit, neighbourLimit);
    AssignTheRest(n, k, meanP);
    const int written = WriteClusters(form, n, k, minMembers, charDistance, writeWhenEmpty);
    CentresAsPrototypes(k);
    form.MemoAppend(std::to_string(written));
    return k;
}
