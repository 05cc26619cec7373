#include "soc/SocKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "distances/VectorTargets.h"

namespace {

constexpr int kMaxBlocks = 26;  // 400 prototypes

// The sixteen lanes of a block in vectors of W floats: one vector of
// sixteen where the unit is 512 bits wide, else two of eight, which the
// compilers turn into plain instructions for 128- and 256-bit units alike
// (sixteen lanes on a 256-bit unit go through memory). Every lane rounds
// as it does alone, whatever the width.
using Eight = float __attribute__((vector_size(8 * sizeof(float))));
using EightMask = int __attribute__((vector_size(8 * sizeof(int))));
using Sixteen = float __attribute__((vector_size(16 * sizeof(float))));
using SixteenMask = int __attribute__((vector_size(16 * sizeof(int))));

template <int W>
struct VectorOf;
template <>
struct VectorOf<8> {
    using Float = Eight;
    using Mask = EightMask;
    [[gnu::always_inline]] static Float Splat(float x) { return Float{x, x, x, x, x, x, x, x}; }
};
template <>
struct VectorOf<16> {
    using Float = Sixteen;
    using Mask = SixteenMask;
    [[gnu::always_inline]] static Float Splat(float x) {
        return Float{x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x};
    }
};

template <int W>
struct Lanes {
    using Vector = typename VectorOf<W>::Float;
    static constexpr int kParts = kSocLanes / W;
    Vector part[kParts];
};
template <int W>
struct Mask {
    typename VectorOf<W>::Mask part[kSocLanes / W];
};

template <int W>
[[gnu::always_inline]] inline Lanes<W> Load(const float* p) {
    Lanes<W> v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <int W>
[[gnu::always_inline]] inline void Store(float* p, Lanes<W> v) {
    std::memcpy(p, &v, sizeof v);
}

template <int W>
[[gnu::always_inline]] inline Lanes<W> Splat(float x) {
    Lanes<W> v;
    for (auto& part : v.part) part = VectorOf<W>::Splat(x);
    return v;
}

template <int W>
[[gnu::always_inline]] inline Lanes<W> operator-(Lanes<W> a, float b) {
    for (auto& part : a.part) part -= b;
    return a;
}
template <int W>
[[gnu::always_inline]] inline Lanes<W> operator*(Lanes<W> a, Lanes<W> b) {
    for (int i = 0; i < Lanes<W>::kParts; ++i) a.part[i] *= b.part[i];
    return a;
}
template <int W>
[[gnu::always_inline]] inline Lanes<W> operator+(Lanes<W> a, Lanes<W> b) {
    for (int i = 0; i < Lanes<W>::kParts; ++i) a.part[i] += b.part[i];
    return a;
}
template <int W>
[[gnu::always_inline]] inline Mask<W> operator<=(Lanes<W> a, float b) {
    Mask<W> m;
    for (int i = 0; i < Lanes<W>::kParts; ++i) m.part[i] = a.part[i] <= b;
    return m;
}

// a x b + c in one rounding, lane by lane.
template <int W>
[[gnu::always_inline]] inline Lanes<W> Fma(Lanes<W> a, Lanes<W> b, Lanes<W> c) {
    Lanes<W> r;
    for (int i = 0; i < Lanes<W>::kParts; ++i)
#pragma omp simd
        for (int l = 0; l < W; ++l) r.part[i][l] = std::fmaf(a.part[i][l], b.part[i][l], c.part[i][l]);
    return r;
}

// The sixteen lanes folded to eight by `fold` (lane l with lane l + 8).
template <int W, class V, class Fold>
[[gnu::always_inline]] inline auto ToEight(const V (&part)[kSocLanes / W], Fold fold) {
    if constexpr (W == 8) {
        return fold(part[0], part[1]);
    } else {
        return fold(__builtin_shufflevector(part[0], part[0], 0, 1, 2, 3, 4, 5, 6, 7),
                    __builtin_shufflevector(part[0], part[0], 8, 9, 10, 11, 12, 13, 14, 15));
    }
}

// Whether any lane is set, by halving.
template <int W>
[[gnu::always_inline]] inline bool Any(Mask<W> m) {
    EightMask v = ToEight<W>(m.part, [](auto a, auto b) { return a | b; });
    v |= __builtin_shufflevector(v, v, 4, 5, 6, 7, 0, 1, 2, 3);
    v |= __builtin_shufflevector(v, v, 2, 3, 0, 1, 6, 7, 4, 5);
    v |= __builtin_shufflevector(v, v, 1, 0, 3, 2, 5, 4, 7, 6);
    return v[0] != 0;
}

// The smallest lane, by halving; lanes that are not numbers count as +inf.
template <int W>
[[gnu::always_inline]] inline float Lowest(Lanes<W> v) {
    const Eight inf = Eight{} + std::numeric_limits<float>::infinity();
    Eight m = ToEight<W>(v.part, [&](auto a, auto b) {
        const Eight lo = a == a ? a : inf, hi = b == b ? b : inf;
        return hi < lo ? hi : lo;
    });
    Eight t = __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3);
    m = t < m ? t : m;
    t = __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5);
    m = t < m ? t : m;
    t = __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6);
    m = t < m ? t : m;
    return m[0];
}

// The matching sums of one item, block by block: the tests and the bound.
template <int W>
class Matching {
    using L = Lanes<W>;

public:
    [[gnu::always_inline]] Matching(int dim, const SocBlock* blocks, const float* x, const float* scale,
                                    float slack, float* s, float* key, float* lowest)
        : dim_(dim),
          blocks_(blocks),
          x_(x),
          scale_(scale),
          slack_(slack),
          s_(s),
          key_(key),
          lowest_(lowest) {}

    [[gnu::always_inline]] float Best() const { return best_; }

    // Block b in full: its keys tighten the bound.
    [[gnu::always_inline]] void Whole(int b) {
        L s[1] = {};
        Sums<1>(&b, 0, dim_, s);
        Finish(b, s[0]);
    }

    // The first components of blocks b[0..n-1], side by side so that their
    // additions need not wait for each other (slots from `real` on repeat
    // block b[0] and count for nothing). Each of the first `real` blocks is
    // then finished, given up, or, still open, kept in `open` with its sums
    // in s.
    template <int n>
    [[gnu::always_inline]] void Begin(const int* b, int real, int* open, int& opened) {
        const int q1 = std::min(kTestEvery, dim_);
        L s[n] = {};
        Sums<n>(b, 0, q1, s);
        for (int i = 0; i < n; ++i) {  // over all n, so that s stays in registers
            if (i >= real) {
                continue;
            } else if (q1 == dim_) {
                Finish(b[i], s[i]);
            } else if (Within(b[i], s[i])) {
                Store(s_ + b[i] * kSocLanes, s[i]);
                open[opened++] = b[i];
            } else {
                Close(b[i], s[i], false);
            }
        }
    }

    // Blocks that Begin left open, on from there side by side (slots as in
    // Begin), until each is given up or summed in full. A block given up
    // goes on beside the others, which saves waiting.
    template <int n>
    [[gnu::always_inline]] void Continue(const int* b, int real) {
        L s[n];
        for (int i = 0; i < n; ++i) s[i] = Load<W>(s_ + b[i] * kSocLanes);
        bool open[n];
        for (bool& o : open) o = true;
        bool any = true;
        int q0 = std::min(kTestEvery, dim_);
        while (q0 < dim_ && any) {
            const int q1 = std::min(q0 + kTestEvery, dim_);
            Sums<n>(b, q0, q1, s);
            q0 = q1;
            if (q0 == dim_) break;
            any = false;
            for (int i = 0; i < n; ++i) {
                open[i] = open[i] && i < real && Within(b[i], s[i]);
                any = any || open[i];
            }
        }
        for (int i = 0; i < n; ++i)
            if (i < real) Close(b[i], s[i], open[i] && q0 == dim_);
    }

private:
    static constexpr int kTestEvery = 8;

    // The sums of blocks b[0..n-1] continued over components q0..q1 - 1.
    template <int n>
    [[gnu::always_inline]] void Sums(const int* b, int q0, int q1, L* s) const {
        for (int q = q0; q < q1; ++q)
            for (int i = 0; i < n; ++i) {
                const L d = Load<W>(blocks_[b[i]].lanes[q][0]) - x_[q];
                s[i] = Fma(d * d, Load<W>(blocks_[b[i]].lanes[q][1]), s[i]);
            }
    }

    [[gnu::always_inline]] bool Within(int b, L sum) const {
        return Any(sum * Load<W>(scale_ + b * kSocLanes) <= bound_);
    }

    [[gnu::always_inline]] void Close(int b, L sum, bool whole) {
        if (whole) return Finish(b, sum);
        const L inf = Splat<W>(std::numeric_limits<float>::infinity());
        Store(s_ + b * kSocLanes, inf);
        Store(key_ + b * kSocLanes, inf);
        lowest_[b] = std::numeric_limits<float>::infinity();
    }

    [[gnu::always_inline]] void Finish(int b, L sum) {
        const L key = sum * Load<W>(scale_ + b * kSocLanes);
        Store(s_ + b * kSocLanes, sum);
        Store(key_ + b * kSocLanes, key);
        lowest_[b] = Lowest(key);
        best_ = std::min(best_, lowest_[b]);
        bound_ = best_ * slack_;
    }

    int dim_;
    const SocBlock* blocks_;
    const float* x_;
    const float* scale_;
    float slack_;
    float* s_;
    float* key_;
    float* lowest_;
    float best_ = std::numeric_limits<float>::infinity(), bound_ = std::numeric_limits<float>::infinity();
};

// Block first, then the others a few side by side: first the first
// components of all, then the rest of those still open.
template <int W>
[[gnu::always_inline]] inline float WeightedErrors(const SocBlocks& prototypes, const float* x, float slack,
                                                   int first, const SocErrors& out) {
    const int used = std::min((prototypes.count + kSocLanes - 1) / kSocLanes, kMaxBlocks);
    if (used == 0) return std::numeric_limits<float>::infinity();
    first = std::clamp(first, 0, used - 1);
    Matching<W> matching(prototypes.dim, prototypes.blocks, x, prototypes.scale, slack, out.s, out.key,
                         out.lowest);
    matching.Whole(first);
    // Four running sums keep the multiply-add unit busy: four blocks of one
    // vector, or two of two.
    constexpr int kSide = 4 * W / kSocLanes;
    int open[kMaxBlocks], opened = 0;
    const auto inGroups = [&](const int* list, int count, auto run) {
        for (int i = 0; i < count; i += kSide) {
            int group[kSide];
            const int real = std::min(kSide, count - i);
            for (int j = 0; j < kSide; ++j) group[j] = list[i + (j < real ? j : 0)];
            run(group, real);
        }
    };
    int others[kMaxBlocks], count = 0;
    for (int b = 0; b < used; ++b)
        if (b != first) others[count++] = b;
    inGroups(others, count,
             [&](const int* group, int real) { matching.template Begin<kSide>(group, real, open, opened); });
    inGroups(open, opened,
             [&](const int* group, int real) { matching.template Continue<kSide>(group, real); });
    return matching.Best();
}

// The sixteen prototypes of a block against the moved prototypes of the
// given rows, each pair's sum kept in a register over all components. In
// vectors of eight, half of the differences are formed by the multiply-add
// unit, -1 x y + x, which rounds as x - y does: the adder has the sums to
// do. (A multiply-add of sixteen copies of y compiles lane by lane.)
template <int W, int kColumns>
[[gnu::always_inline]] inline void DistanceTile(int b, int count, int dim, const SocBlock* blocks,
                                                const float* rows, int rowStride, const int* moved,
                                                int columns, float* raw, int rawStride) {
    using L = Lanes<W>;
    const float* row[kColumns];
    for (int c = 0; c < kColumns; ++c)
        row[c] = rows + (c < columns ? c : 0) * rowStride;  // a short tile repeats
    L sum[kColumns] = {};
    for (int q = 0; q < dim; ++q) {
        const L value = Load<W>(blocks[b].lanes[q][0]);
        for (int c = 0; c < kColumns; ++c) {
            const float y = row[c][q];
            const L d = W == 8 && c % 2 ? Fma(Splat<W>(-1.0f), Splat<W>(y), value) : value - y;
            const L square = d * d;
            sum[c] = sum[c] + square;
        }
    }
    float distance[kColumns][kSocLanes];
    for (int c = 0; c < kColumns; ++c) Store(distance[c], sum[c]);
#pragma omp simd
    for (int x = 0; x < kColumns * kSocLanes; ++x) (&distance[0][0])[x] = std::sqrt((&distance[0][0])[x]);
    const int i0 = b * kSocLanes, lanes = std::min(kSocLanes, count - i0);
    for (int c = 0; c < columns; ++c) {
        const int j = moved[c];
        float* out = raw + j * rawStride + i0;
        if (lanes == kSocLanes)
            std::memcpy(out, distance[c], sizeof distance[c]);  // whole vector stores
        else
            std::copy(distance[c], distance[c] + lanes, out);
        for (int l = 0; l < lanes; ++l) raw[(i0 + l) * rawStride + j] = distance[c][l];
    }
}

// A block against eight moved prototypes at a time: each load of a
// component serves eight pairs, and the tile's sums stay in registers.
template <int W>
[[gnu::always_inline]] inline void DistancesAgainst(int count, int dim, const SocBlock* __restrict blocks,
                                                    const float* __restrict rows, int rowStride,
                                                    const int* moved, int movedCount, float* __restrict raw,
                                                    int rawStride) {
    constexpr int kColumns = 8;
    for (int b = 0; b * kSocLanes < std::min(count, kMaxBlocks * kSocLanes); ++b)
        for (int c0 = 0; c0 < movedCount; c0 += kColumns)
            DistanceTile<W, kColumns>(b, count, dim, blocks, rows + c0 * rowStride, rowStride, moved + c0,
                                      std::min(kColumns, movedCount - c0), raw, rawStride);
}

#ifdef ITEMMAP_WIDE_VECTORS
WIDE_VECTOR_TARGET float WideErrors(const SocBlocks& prototypes, const float* x, float slack, int first,
                                    const SocErrors& out) {
    return WeightedErrors<16>(prototypes, x, slack, first, out);
}
WIDE_VECTOR_TARGET void WideDistances(int count, int dim, const SocBlock* blocks, const float* rows,
                                      int rowStride, const int* moved, int movedCount, float* raw,
                                      int rawStride) {
    DistancesAgainst<16>(count, dim, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
}
#endif

NARROW_VECTOR_TARGETS float NarrowErrors(const SocBlocks& prototypes, const float* x, float slack, int first,
                                         const SocErrors& out) {
    return WeightedErrors<8>(prototypes, x, slack, first, out);
}
NARROW_VECTOR_TARGETS void NarrowDistances(int count, int dim, const SocBlock* blocks, const float* rows,
                                           int rowStride, const int* moved, int movedCount, float* raw,
                                           int rawStride) {
    DistancesAgainst<8>(count, dim, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
}

}  // namespace

float SocWeightedErrors(const SocBlocks& prototypes, const float* x, float slack, int first,
                        const SocErrors& out) {
#ifdef ITEMMAP_WIDE_VECTORS
    if (WideVectorUnit()) return WideErrors(prototypes, x, slack, first, out);
#endif
    return NarrowErrors(prototypes, x, slack, first, out);
}

void SocDistancesAgainst(int count, int dim, const SocBlock* blocks, const float* rows, int rowStride,
                         const int* moved, int movedCount, float* raw, int rawStride) {
#ifdef ITEMMAP_WIDE_VECTORS
    if (WideVectorUnit())
        return WideDistances(count, dim, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
#endif
    NarrowDistances(count, dim, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
}
