#include "mrp/MdsStep.h"

#include <algorithm>
#include <cmath>

#include "mrp/MdsKernel.h"

void MdsPlan::Prepare(int n, int b, float radiusFactor, float farWeight) {
    n_ = std::clamp(n, 0, kMaxMapItems);
    const float divisor = static_cast<float>(std::max(b, 1));
    const float radius = ws.MaxDist * radiusFactor;
    for (int q = 0; q < n_; ++q) {
        for (int l = 0; l < n_; ++l) {
            const float dql = ws.DistMatrix[q + 1][l + 1];
            const float dlq = ws.DistMatrix[l + 1][q + 1];
            const float w = dql <= radius ? 1.0f : farWeight;  // not-a-number is far
            const float target = dlq * dlq / divisor + dql * dql / divisor;
            twiceWeight_[q][l] = 2.0f * w;
            weightedTarget_[q][l] = w * target;
        }
        std::fill(twiceWeight_[q] + n_, twiceWeight_[q] + kStride, 0.0f);
        std::fill(weightedTarget_[q] + n_, weightedTarget_[q] + kStride, 0.0f);
    }
    symmetric_ = true;
    for (int q = 0; q < n_ && symmetric_; ++q)
        for (int l = 0; l < q; ++l)
            if (twiceWeight_[q][l] != twiceWeight_[l][q]) {
                symmetric_ = false;
                break;
            }
}

void MdsPlan::Gradients(int m) {
    if (symmetric_)
        MdsGradientsSymmetric(n_, m, kStride, &twiceWeight_[0][0], &weightedTarget_[0][0], &x_[0][0], &g_[0][0]);
    else
        MdsGradientsGeneral(n_, m, kStride, &twiceWeight_[0][0], &weightedTarget_[0][0], &x_[0][0], &g_[0][0]);
}

void MdsPlan::Step(int m, float stepLength) {
    m = std::clamp(m, 1, 4);
    const int n = n_;
    if (n == 0) return;
    for (int s = 0; s < m; ++s)
        for (int q = 0; q < n; ++q) x_[s][q] = ws.MapCoords[q + 1][s + 1];
    Gradients(m);

    // Moves in item order. Re-centring after every move shifts every item by
    // the same amount, so the shift is kept as one running offset (true
    // coordinate = stored - offset) and applied once at the end.
    const float box = static_cast<float>(ws.AxisSize[1]);
    double offset[4] = {};
    double sum[4] = {};
    for (int s = 0; s < m; ++s)
        for (int q = 0; q < n; ++q) sum[s] += x_[s][q];
    for (int q = 0; q < n; ++q) {
        float length2 = 0;
        for (int s = 0; s < m; ++s) length2 += g_[s][q] * g_[s][q];
        const float length = std::sqrt(length2);
        if (length > 0) {
            const float h = 1.0f / length * stepLength;
            for (int s = 0; s < m; ++s) {
                const double current = x_[s][q] - offset[s];
                const double proposed = current - static_cast<double>(h * g_[s][q]);
                if (proposed > 0 && proposed < box) {
                    x_[s][q] = static_cast<float>(proposed + offset[s]);
                    sum[s] += proposed - current;
                }
            }
        }
        for (int s = 0; s < m; ++s) {
            const double shift = sum[s] / n - ws.AxisSize[s + 1] * 0.5;
            offset[s] += shift;
            sum[s] -= shift * n;
        }
    }
    for (int s = 0; s < m; ++s)
        for (int q = 0; q < n; ++q) ws.MapCoords[q + 1][s + 1] = static_cast<float>(x_[s][q] - offset[s]);
}

void MdsStep(int n, int b, int m, float stepLength, float radiusFactor, float farWeight) {
    static MdsPlan plan;
    plan.Prepare(n, b, radiusFactor, farWeight);
    plan.Step(m, stepLength);
}
