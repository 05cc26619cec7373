#include "mrp/MdsKernel.h"

#include "workspace/VectorTargets.h"

#include <algorithm>
#include <cstring>


namespace {

// Rows are taken two at a time, so that every load and store of a partner's
// coordinates and gradient serves two pairs.
template <int M>
[[gnu::always_inline]] inline void Symmetric(int n, int stride, const float* __restrict a, const float* __restrict b,
                                             const float* __restrict x, float* __restrict g) {
    std::memset(g, 0, sizeof(float) * static_cast<std::size_t>(M * stride));
    // Partners run on to a whole number of vectors: the padding has zero
    // tables and coordinates, so its terms are 0.
    const int end = std::min((n + 15) / 16 * 16, stride);
    int q = 0;
    for (; q + 1 < n; q += 2) {
        const float* a0 = a + q * stride;
        const float* b0 = b + q * stride;
        const float* a1 = a0 + stride;
        const float* b1 = b0 + stride;
        float x0[4] = {}, x1[4] = {};
        for (int s = 0; s < M; ++s) {
            x0[s] = x[s * stride + q];
            x1[s] = x[s * stride + q + 1];
        }
        // The pair of the two rows themselves.
        float d01[4] = {};
        float dist01 = 0;
        for (int s = 0; s < M; ++s) {
            d01[s] = x0[s] - x1[s];
            dist01 += d01[s] * d01[s];
        }
        const float c01 = a0[q + 1] * dist01 - b0[q + 1];
        float p0 = c01 * d01[0], p1 = c01 * d01[1], p2 = c01 * d01[2], p3 = c01 * d01[3];
        float r0 = -p0, r1 = -p1, r2 = -p2, r3 = -p3;
#pragma omp simd reduction(+ : p0, p1, p2, p3, r0, r1, r2, r3)
        for (int l = q + 2; l < end; ++l) {
            float d0[4], d1[4];
            float dist0 = 0, dist1 = 0;
            for (int s = 0; s < M; ++s) {
                const float xl = x[s * stride + l];
                d0[s] = x0[s] - xl;
                d1[s] = x1[s] - xl;
                dist0 += d0[s] * d0[s];
                dist1 += d1[s] * d1[s];
            }
            const float c0 = a0[l] * dist0 - b0[l];
            const float c1 = a1[l] * dist1 - b1[l];
            p0 += c0 * d0[0];
            r0 += c1 * d1[0];
            g[l] -= c0 * d0[0] + c1 * d1[0];
            if constexpr (M > 1) {
                p1 += c0 * d0[1];
                r1 += c1 * d1[1];
                g[stride + l] -= c0 * d0[1] + c1 * d1[1];
            }
            if constexpr (M > 2) {
                p2 += c0 * d0[2];
                r2 += c1 * d1[2];
                g[2 * stride + l] -= c0 * d0[2] + c1 * d1[2];
            }
            if constexpr (M > 3) {
                p3 += c0 * d0[3];
                r3 += c1 * d1[3];
                g[3 * stride + l] -= c0 * d0[3] + c1 * d1[3];
            }
        }
        const float own0[4] = {p0, p1, p2, p3}, own1[4] = {r0, r1, r2, r3};
        for (int s = 0; s < M; ++s) {
            g[s * stride + q] += own0[s];
            g[s * stride + q + 1] += own1[s];
        }
    }
    // An odd last row has met every partner already.
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

VECTOR_TARGETS
void MdsGradientsSymmetric(int n, int m, int stride, const float* a, const float* b, const float* x, float* g) {
    switch (m) {
        case 1: return Symmetric<1>(n, stride, a, b, x, g);
        case 2: return Symmetric<2>(n, stride, a, b, x, g);
        case 3: return Symmetric<3>(n, stride, a, b, x, g);
        default: return Symmetric<4>(n, stride, a, b, x, g);
    }
}

VECTOR_TARGETS
void MdsGradientsGeneral(int n, int m, int stride, const float* a, const float* b, const float* x, float* g) {
    switch (m) {
        case 1: return General<1>(n, stride, a, b, x, g);
        case 2: return General<2>(n, stride, a, b, x, g);
        case 3: return General<3>(n, stride, a, b, x, g);
        default: return General<4>(n, stride, a, b, x, g);
    }
}
