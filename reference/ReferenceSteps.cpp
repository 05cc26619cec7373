#include "reference/ReferenceSteps.h"

#include <cmath>

#include "table/Capacities.h"
#include "text/Numbers.h"

void ReferenceMdsStep(const DistanceMatrix& d, MapLayout& map, int b, int m, float stepLength,
                      float radiusFactor, float farWeight) {
    static float W[kMaxMapItems + 1], S[kMaxMapItems + 1], G[kMaxMapItems + 1][11], shift[10];
    const int n = map.n;
    const auto X = [&map](int p) { return map.Point(p); };
    const auto D = [&d](int p, int q) { return d.At(p, q); };
    for (int q = 1; q <= n; ++q) {
        for (int p = 1; p <= n; ++p) W[p] = D(q, p) <= d.largest * radiusFactor ? 1.0f : farWeight;
        for (int p = 1; p <= n; ++p) {
            S[p] = 0;
            for (int k = 1; k <= m; ++k) S[p] += (X(p)[k] - X(q)[k]) * (X(p)[k] - X(q)[k]);
        }
        for (int s = 1; s <= m; ++s) {
            float sum = 0;
            for (int l = 1; l <= n; ++l)
                sum += (2 * S[l] - D(l, q) * D(l, q) / b - D(q, l) * D(q, l) / b) * (X(q)[s] - X(l)[s]) * W[l];
            G[q][s] = 2 * sum;
        }
    }
    for (int q = 1; q <= n; ++q) {
        float g = 0;
        for (int s = 1; s <= m; ++s) g += G[q][s] * G[q][s];
        g = std::sqrt(g);
        if (g > 0) {
            const float h = (1 / g) * stepLength;
            for (int s = 1; s <= m; ++s) {
                const float x = X(q)[s] - h * G[q][s];
                if (x > 0 && x < map.axisSize[1]) X(q)[s] = x;
            }
        }
        for (int s = 1; s <= m; ++s) {
            float sum = 0;
            for (int p = 1; p <= n; ++p) sum += X(p)[s];
            shift[s] = sum / n - map.axisSize[s] * 0.5f;
            for (int p = 1; p <= n; ++p) X(p)[s] -= shift[s];
        }
    }
}

namespace {
float working[kMaxMapItems + 1][kMaxMapItems + 1];
int linkI, linkJ;

float ShortestFreeLink(int n, float limit) {
    float best = 1000.0f;
    linkI = linkJ = 0;
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b < a; ++b) {
            const float w = working[a][b];
            if (w < best && w <= limit) {
                best = w;
                linkI = a;
                linkJ = b;
            }
        }
    return best;
}
}  // namespace

std::vector<std::string> ReferenceMinimumTree(const DistanceMatrix& d, int n, float limit, TreeLinks& tree) {
    std::vector<std::string> lines;
    tree.Clear(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) working[i][j] = d.At(i, j);
    int eligible = 0;
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b < a; ++b) {
            if (working[a][b] > limit)
                working[a][b] = working[b][a] = 1000.0f;
            else
                ++eligible;
        }
    static int label[2000];
    for (int k = 1; k <= n; ++k) label[k] = k;
    for (int e = 0; e < eligible; ++e) {
        const float w = ShortestFreeLink(n, limit);
        const int i = linkI, j = linkJ;
        if (i == 0) continue;
        if (label[i] != label[j]) {
            tree.Link(i, j);
            const int keep = label[i] < label[j] ? label[i] : label[j];
            const int drop = label[i] < label[j] ? label[j] : label[i];
            lines.push_back(Format("%d %d %.3f   %d", label[i], label[j], static_cast<double>(w), keep));
            for (int k = 1; k <= n; ++k)
                if (label[k] == drop) label[k] = keep;
        }
        working[i][j] = 1000.0f;
    }
    return lines;
}
