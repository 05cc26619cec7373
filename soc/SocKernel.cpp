#include "soc/SocKernel.h"

#include <cmath>

#include "workspace/VectorTargets.h"

// Sixteen prototypes at a time, their sums kept in registers over all
// components.
VECTOR_TARGETS
void SocWeightedErrors(int count, int dim, int stride, const float* __restrict proto,
                       const float* __restrict weight, const float* __restrict x, float* __restrict s) {
    constexpr int kBlock = 16;
    for (int p0 = 0; p0 < count; p0 += kBlock) {
        float acc[kBlock] = {};
        for (int q = 0; q < dim; ++q) {
            const float xq = x[q];
            const float* pq = proto + q * stride + p0;
            const float* wq = weight + q * stride + p0;
#pragma omp simd
            for (int j = 0; j < kBlock; ++j) {
                const float diff = pq[j] - xq;
                const float sq = diff * diff;
                acc[j] = std::fmaf(sq, wq[j], acc[j]);
            }
        }
        for (int j = 0; j < kBlock; ++j) s[p0 + j] = acc[j];
    }
}

VECTOR_TARGETS
void SocDistancesTo(int a, int count, int dim, int stride, const float* __restrict proto,
                    float* __restrict out) {
    for (int i = 0; i < count; ++i) out[i] = 0.0f;
    for (int q = 0; q < dim; ++q) {
        const float* pq = proto + q * stride;
        const float pa = pq[a];
#pragma omp simd
        for (int i = 0; i < count; ++i) {
            const float d = pq[i] - pa;
            const float sq = d * d;
            out[i] += sq;
        }
    }
#pragma omp simd
    for (int i = 0; i < count; ++i) out[i] = std::sqrt(out[i]);
}
