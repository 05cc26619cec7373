#include "mds/MdsKernel.h"

#include <algorithm>
#include <cstring>

#include "distances/VectorTargets.h"

namespace {

// Sixteen lanes, whatever the machine: the compiler splits them into what
// its vector unit holds.
using Lanes = float __attribute__((vector_size(64)));
constexpr int kLanes = 16;

[[gnu::always_inline]] inline Lanes Load(const float* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void Store(float* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
}

// The lanes summed by halving: four vector additions instead of fifteen
// scalar ones.
[[gnu::always_inline]] inline float Sum(Lanes v) {
    v += __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
    v += __builtin_shufflevector(v, v, 4, 5, 6, 7, 0, 1, 2, 3, 12, 13, 14, 15, 8, 9, 10, 11);
    v += __builtin_shufflevector(v, v, 2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13);
    v += __builtin_shufflevector(v, v, 1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
    return v[0];
}

// Rows are taken two at a time, so that every load and store of a partner's
// coordinates and gradient serves two pairs. The tables are zero on and
// below the diagonal, so a row's partners can start at the vector that holds
// the row itself: the pairs there that are not above the diagonal add 0.
template <int M>
[[gnu::always_inline]] inline void Symmetric(int n, int stride, const float* __restrict a,
                                             const float* __restrict b, const float* __restrict x,
                                             float* __restrict g) {
    std::memset(g, 0, sizeof(float) * static_cast<std::size_t>(M * stride));
    // Partners run on to a whole number of vectors: the padding has zero
    // tables and coordinates, so its terms are 0.
    const int end = (n + kLanes - 1) / kLanes * kLanes;
    // An odd last row has met every partner already.
    for (int q = 0; q + 1 < n; q += 2) {
        const float* a0 = a + q * stride;
        const float* b0 = b + q * stride;
        const float* a1 = a0 + stride;
        const float* b1 = b0 + stride;
        float x0[M], x1[M];
        for (int s = 0; s < M; ++s) {
            x0[s] = x[s * stride + q];
            x1[s] = x[s * stride + q + 1];
        }
        Lanes p[M], r[M];
        for (int s = 0; s < M; ++s) p[s] = r[s] = Lanes{};
        for (int l = q / kLanes * kLanes; l < end; l += kLanes) {
            Lanes d0[M], d1[M];
            Lanes dist0 = {}, dist1 = {};
            for (int s = 0; s < M; ++s) {
                const Lanes xl = Load(x + s * stride + l);
                d0[s] = x0[s] - xl;
                d1[s] = x1[s] - xl;
                dist0 += d0[s] * d0[s];
                dist1 += d1[s] * d1[s];
            }
            const Lanes c0 = Load(a0 + l) * dist0 - Load(b0 + l);
            const Lanes c1 = Load(a1 + l) * dist1 - Load(b1 + l);
            for (int s = 0; s < M; ++s) {
                p[s] += c0 * d0[s];
                r[s] += c1 * d1[s];
                float* gl = g + s * stride + l;
                Store(gl, Load(gl) - (c0 * d0[s] + c1 * d1[s]));
            }
        }
        for (int s = 0; s < M; ++s) {
            g[s * stride + q] += Sum(p[s]);
            g[s * stride + q + 1] += Sum(r[s]);
        }
    }
}

template <int M>
[[gnu::always_inline]] inline void General(int n, int stride, const float* __restrict a,
                                           const float* __restrict b, const float* __restrict x,
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
void MdsGradientsSymmetric(int n, int m, int stride, const float* a, const float* b, const float* x,
                           float* g) {
    switch (m) {
        case 1:
            return Symmetric<1>(n, stride, a, b, x, g);
        case 2:
            return Symmetric<2>(n, stride, a, b, x, g);
        case 3:
            return Symmetric<3>(n, stride, a, b, x, g);
        default:
            return Symmetric<4>(n, stride, a, b, x, g);
    }
}

VECTOR_TARGETS
void MdsGradientsGeneral(int n, int m, int stride, const float* a, const float* b, const float* x, float* g) {
    switch (m) {
        case 1:
            return General<1>(n, stride, a, b, x, g);
        case 2:
            return General<2>(n, stride, a, b, x, g);
        case 3:
            return General<3>(n, stride, a, b, x, g);
        default:
            return General<4>(n, stride, a, b, x, g);
    }
}
