#include "mrp/MdsKernel.h"

#include <cstring>

// Built for the machine's vector unit where it has one, chosen at run time;
// the plain build works everywhere.
#define MDS_TARGETS __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))

namespace {

template <int M>
[[gnu::always_inline]] inline void Symmetric(int n, int stride, const float* __restrict a, const float* __restrict b, const float* __restrict x,
               float* __restrict g) {
    std::memset(g, 0, sizeof(float) * static_cast<std::size_t>(M * stride));
    for (int q = 0; q < n; ++q) {
        const float* aq = a + q * stride;
        const float* bq = b + q * stride;
        float xq[M];
        for (int s = 0; s < M; ++s) xq[s] = x[s * stride + q];
        float acc0 = 0, acc1 = 0, acc2 = 0, acc3 = 0;
#pragma omp simd reduction(+ : acc0, acc1, acc2, acc3)
        for (int l = q + 1; l < n; ++l) {
            float d[M];
            float dist = 0;
            for (int s = 0; s < M; ++s) {
                d[s] = xq[s] - x[s * stride + l];
                dist += d[s] * d[s];
            }
            const float c = aq[l] * dist - bq[l];
            acc0 += c * d[0];
            g[l] -= c * d[0];
            if constexpr (M > 1) {
                acc1 += c * d[1];
                g[stride + l] -= c * d[1];
            }
            if constexpr (M > 2) {
                acc2 += c * d[2];
                g[2 * stride + l] -= c * d[2];
            }
            if constexpr (M > 3) {
                acc3 += c * d[3];
                g[3 * stride + l] -= c * d[3];
            }
        }
        const float acc[4] = {acc0, acc1, acc2, acc3};
        for (int s = 0; s < M; ++s) g[s * stride + q] += acc[s];
    }
}

template <int M>
[[gnu::always_inline]] inline void General(int n, int stride, const float* __restrict a, const float* __restrict b, const float* __restrict x,
             float* __restrict g) {
    for (int q = 0; q < n; ++q) {
        const float* aq = a + q * stride;
        const float* bq = b + q * stride;
        float xq[M];
        for (int s = 0; s < M; ++s) xq[s] = x[s * stride + q];
        float acc0 = 0, acc1 = 0, acc2 = 0, acc3 = 0;
#pragma omp simd reduction(+ : acc0, acc1, acc2, acc3)
        for (int l = 0; l < n; ++l) {
            float d[M];
            float dist = 0;
            for (int s = 0; s < M; ++s) {
                d[s] = xq[s] - x[s * stride + l];
                dist += d[s] * d[s];
            }
            const float c = aq[l] * dist - bq[l];
            acc0 += c * d[0];
            if constexpr (M > 1) acc1 += c * d[1];
            if constexpr (M > 2) acc2 += c * d[2];
            if constexpr (M > 3) acc3 += c * d[3];
        }
        const float acc[4] = {acc0, acc1, acc2, acc3};
        for (int s = 0; s < M; ++s) g[s * stride + q] = acc[s];
    }
}

}  // namespace

MDS_TARGETS
void MdsGradientsSymmetric(int n, int m, int stride, const float* a, const float* b, const float* x, float* g) {
    switch (m) {
        case 1: return Symmetric<1>(n, stride, a, b, x, g);
        case 2: return Symmetric<2>(n, stride, a, b, x, g);
        case 3: return Symmetric<3>(n, stride, a, b, x, g);
        default: return Symmetric<4>(n, stride, a, b, x, g);
    }
}

MDS_TARGETS
void MdsGradientsGeneral(int n, int m, int stride, const float* a, const float* b, const float* x, float* g) {
    switch (m) {
        case 1: return General<1>(n, stride, a, b, x, g);
        case 2: return General<2>(n, stride, a, b, x, g);
        case 3: return General<3>(n, stride, a, b, x, g);
        default: return General<4>(n, stride, a, b, x, g);
    }
}
