#include "soc/SocKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "distances/VectorTargets.h"

namespace {

constexpr int kMaxBlocks = 26;  // 400 prototypes

// Two kernels of the same steps. Where the unit is 512 bits wide, the
// sixteen lanes of a block are one vector and four blocks are summed side by
// side (WideErrors). Elsewhere they are two halves of eight, which the
// compilers turn into plain instructions for 128- and 256-bit units alike,
// and two blocks go side by side: more would not stay in registers
// (narrow::Errors). Every lane rounds as it does alone, whatever the width.
// Everything a kernel calls is inlined into it: a call out of a function
// compiled for a vector unit runs without its instructions (a fused
// multiply-add becomes a library call).
using Eight = float __attribute__((vector_size(8 * sizeof(float))));
using EightMask = int __attribute__((vector_size(8 * sizeof(int))));
using Sixteen = float __attribute__((vector_size(16 * sizeof(float))));
using SixteenMask = int __attribute__((vector_size(16 * sizeof(int))));

// Whether any of eight lanes is set, by halving.
[[gnu::always_inline]] inline bool AnyOfEight(EightMask v) {
    v |= __builtin_shufflevector(v, v, 4, 5, 6, 7, 0, 1, 2, 3);
    v |= __builtin_shufflevector(v, v, 2, 3, 0, 1, 6, 7, 4, 5);
    v |= __builtin_shufflevector(v, v, 1, 0, 3, 2, 5, 4, 7, 6);
    return v[0] != 0;
}

// The smallest of eight lanes that are all numbers, by halving.
[[gnu::always_inline]] inline float LowestOfEight(Eight m) {
    Eight t = __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3);
    m = t < m ? t : m;
    t = __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5);
    m = t < m ? t : m;
    t = __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6);
    m = t < m ? t : m;
    return m[0];
}

// The squared distances of a tile's pairs, as distances, into both halves
// of the symmetric raw table: row j of each moved prototype j, and its
// column.
template <int kColumns>
[[gnu::always_inline]] inline void WriteDistances(float (&distance)[kColumns][kSocLanes], int b, int count,
                                                  const int* moved, int columns, float* raw, int rawStride) {
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

// What both kernels keep of one item's matching: each block's sums, keys
// (sums x scale) and smallest key, the best key so far and the bound it
// sets. `Ops` gives a kernel's lanes: its Lanes, and Load, Store, Splat,
// Any and Lowest over them.
template <class Ops>
class MatchingKeys {
public:
    using Lanes = typename Ops::Lanes;

    [[gnu::always_inline]] MatchingKeys(int dim, const SocBlock* blocks, const float* x, const float* scale,
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
    // A key found elsewhere, as if of a block summed in full.
    [[gnu::always_inline]] void Found(float key) {
        best_ = std::min(best_, key);
        bound_ = best_ * slack_;
    }

protected:
    // Whether a lane of block b may still rank.
    [[gnu::always_inline]] bool Within(int b, Lanes sum) const {
        return Ops::Any(sum * Ops::Load(scale_ + b * kSocLanes) <= bound_);
    }

    // Block b given up, or summed in full (whole).
    [[gnu::always_inline]] void Close(int b, Lanes sum, bool whole) {
        if (whole) return Finish(b, sum);
        const Lanes inf = Ops::Splat(std::numeric_limits<float>::infinity());
        Ops::Store(s_ + b * kSocLanes, inf);
        Ops::Store(key_ + b * kSocLanes, inf);
        lowest_[b] = std::numeric_limits<float>::infinity();
    }

    // Block b summed in full: its keys tighten the bound.
    [[gnu::always_inline]] void Finish(int b, Lanes sum) {
        const Lanes key = sum * Ops::Load(scale_ + b * kSocLanes);
        Ops::Store(s_ + b * kSocLanes, sum);
        Ops::Store(key_ + b * kSocLanes, key);
        lowest_[b] = Ops::Lowest(key);
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

#ifdef ITEMMAP_WIDE_VECTORS
// Sixteen lanes in one vector.
using Lanes = Sixteen;
using Mask = SixteenMask;

[[gnu::always_inline]] inline Lanes Load(const float* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void Store(float* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
}

[[gnu::always_inline]] inline Lanes Splat(float x) {
    return Lanes{x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x};
}

// a x b + c in one rounding, lane by lane.
[[gnu::always_inline]] inline Lanes Fma(Lanes a, Lanes b, Lanes c) {
    Lanes r;
#pragma omp simd
    for (int l = 0; l < kSocLanes; ++l) r[l] = std::fmaf(a[l], b[l], c[l]);
    return r;
}

// The sixteen lanes folded to eight by `fold` (lane l with lane l + 8).
template <class V, class Fold>
[[gnu::always_inline]] inline auto ToEight(V v, Fold fold) {
    return fold(__builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7),
                __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15));
}

// Whether any lane is set.
[[gnu::always_inline]] inline bool Any(Mask m) {
    return AnyOfEight(ToEight(m, [](auto a, auto b) __attribute__((always_inline)) { return a | b; }));
}

// The smallest lane; lanes that are not numbers count as +inf.
[[gnu::always_inline]] inline float Lowest(Lanes v) {
    const Eight inf = Eight{} + std::numeric_limits<float>::infinity();
    return LowestOfEight(ToEight(v, [&](auto a, auto b) __attribute__((always_inline)) {
        const Eight lo = a == a ? a : inf, hi = b == b ? b : inf;
        return hi < lo ? hi : lo;
    }));
}

struct WideOps {
    using Lanes = ::Lanes;
    [[gnu::always_inline]] static Lanes Load(const float* p) { return ::Load(p); }
    [[gnu::always_inline]] static void Store(float* p, Lanes v) { ::Store(p, v); }
    [[gnu::always_inline]] static Lanes Splat(float x) { return ::Splat(x); }
    [[gnu::always_inline]] static bool Any(Mask m) { return ::Any(m); }
    [[gnu::always_inline]] static float Lowest(Lanes v) { return ::Lowest(v); }
};

// Blocks list[i..] in the slots of a group, as many as there are (returned);
// the slots past them repeat list[i]. Inlined, as everything the matching
// calls: a call out of a vector-target function runs without its
// instructions (fused multiply-adds become library calls).
template <int kSide>
[[gnu::always_inline]] inline int GroupAt(const int* list, int count, int i, int (&group)[kSide]) {
    const int real = std::min(kSide, count - i);
    for (int j = 0; j < kSide; ++j) group[j] = list[i + (j < real ? j : 0)];
    return real;
}

// The matching sums of one item, block by block: the tests and the bound.
class Matching : public MatchingKeys<WideOps> {
    using L = Lanes;

public:
    // Over components order[0..used - 1], x[q] the item's component order[q].
    [[gnu::always_inline]] Matching(const SocBlocks& prototypes, const int* order, const float* x, float slack,
                                    const SocErrors& out)
        : MatchingKeys(prototypes.used, prototypes.blocks, x, prototypes.scale, slack, out.s, out.key,
                       out.lowest),
          order_(order) {}

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

    // The blocks that Begin left open, open[0..opened - 1], on from there a
    // few components at a time, up to four side by side (slots as in Begin),
    // until each is given up or summed in full: each round over those still
    // open alone.
    [[gnu::always_inline]] void Continue(int* open, int opened) {
        for (int q0 = std::min(kTestEvery, dim_); opened > 0; q0 += kTestEvery) {
            const int q1 = std::min(q0 + kTestEvery, dim_);
            int still = 0, i = 0;
            for (; opened - i >= 3; i += 4) Round<4>(open + i, std::min(4, opened - i), q0, q1, open, still);
            if (opened - i == 2) Round<2>(open + i, 2, q0, q1, open, still);
            if (opened - i == 1) Round<1>(open + i, 1, q0, q1, open, still);
            opened = still;
        }
    }

    // Blocks list[0..count - 1] in full, up to four side by side.
    [[gnu::always_inline]] void Summed(const int* list, int count) {
        int i = 0;
        for (; count - i >= 3; i += 4) InFull<4>(list + i, std::min(4, count - i));
        if (count - i == 2) InFull<2>(list + i, 2);
        if (count - i == 1) InFull<1>(list + i, 1);
    }

    // Blocks list[0..count - 1] given up.
    [[gnu::always_inline]] void GivenUp(const int* list, int count) {
        for (int i = 0; i < count; ++i) Close(list[i], L{}, false);
    }

private:
    static constexpr int kTestEvery = 8;

    // Blocks list[0..real - 1] over components q0..q1 - 1, side by side
    // (slots as in Begin): each then finished, given up or, still open,
    // kept in open[still++] (which trails list) with its sums in s.
    template <int n>
    [[gnu::always_inline]] void Round(const int* list, int real, int q0, int q1, int* open, int& still) {
        int b[n];
        L s[n];
        for (int j = 0; j < n; ++j) {
            b[j] = list[j < real ? j : 0];
            s[j] = Load(s_ + b[j] * kSocLanes);
        }
        Sums<n>(b, q0, q1, s);
        for (int j = 0; j < n; ++j) {
            if (j >= real) {
                continue;
            } else if (q1 == dim_) {
                Finish(b[j], s[j]);
            } else if (Within(b[j], s[j])) {
                Store(s_ + b[j] * kSocLanes, s[j]);
                open[still++] = b[j];
            } else {
                Close(b[j], s[j], false);
            }
        }
    }

    // Blocks b[0..real - 1] in full, side by side (slots as in Begin).
    template <int n>
    [[gnu::always_inline]] void InFull(const int* list, int real) {
        int b[n];
        for (int j = 0; j < n; ++j) b[j] = list[j < real ? j : 0];
        L s[n] = {};
        Sums<n>(b, 0, dim_, s);
        for (int j = 0; j < n; ++j)
            if (j < real) Finish(b[j], s[j]);
    }

    // The sums of blocks b[0..n-1] continued over components q0..q1 - 1.
    // (x_[q] is component order_[q] of the item.)
    template <int n>
    [[gnu::always_inline]] void Sums(const int* b, int q0, int q1, L* s) const {
        for (int q = q0; q < q1; ++q) {
            const int c = order_[q];
            for (int i = 0; i < n; ++i) {
                const L d = Load(blocks_[b[i]].lanes[c][0]) - x_[q];
                s[i] = Fma(d * d, Load(blocks_[b[i]].lanes[c][1]), s[i]);
            }
        }
    }

    const int* order_;
};

// Sums of the same terms in another order differ by less than 64 roundings
// of the larger, 4e-6 of it: a key summed by spread, widened by this factor
// either way, brackets the key summed in order.
constexpr float kOtherOrder = 1.00002f;

// The blocks other than first (whose smallest key is `found`), a few side by
// side: first the first components of all, then the rest of those still
// open; summed by spread. Returns the smallest key of all; leaves out.lowest
// as the sums give it (+inf for the blocks given up).
[[gnu::always_inline]] inline float Bounds(const SocBlocks& prototypes, const float* x, float slack, int first,
                                           float found, int used, const SocErrors& out) {
    float bySpread[64];
    for (int q = 0; q < prototypes.used; ++q) bySpread[q] = x[prototypes.bySpread[q]];
    Matching matching(prototypes, prototypes.bySpread, bySpread, slack, out);
    matching.Found(found);
    // Four running sums keep the multiply-add unit busy: four blocks of one
    // vector each.
    constexpr int kSide = 4;
    int open[kMaxBlocks], opened = 0;
    int others[kMaxBlocks], count = 0;
    for (int b = 0; b < used; ++b)
        if (b != first) others[count++] = b;
    int group[kSide];
    for (int i = 0; i < count; i += kSide) {
        const int real = GroupAt(others, count, i, group);
        matching.Begin<kSide>(group, real, open, opened);
    }
    matching.Continue(open, opened);
    return matching.Best();
}

// Block first in full, then the blocks whose keys may come within slack of
// the smallest: found by sums over the components by their spread, which
// give up far blocks soonest, and then summed again in component order, the
// sums kept; the others as given up. Should no key come out a number below
// +infinity, every block is summed, as then no block can be given up.
[[gnu::always_inline]] inline float WeightedErrors(const SocBlocks& prototypes, const float* x, float slack,
                                                   int first, const SocErrors& out) {
    const int used = std::min((prototypes.count + kSocLanes - 1) / kSocLanes, kMaxBlocks);
    if (used == 0) return std::numeric_limits<float>::infinity();
    first = std::clamp(first, 0, used - 1);
    float inOrder[64];
    for (int q = 0; q < prototypes.used; ++q) inOrder[q] = x[prototypes.components[q]];
    Matching matching(prototypes, prototypes.components, inOrder, slack, out);
    matching.Whole(first);
    const float widened = slack * kOtherOrder * kOtherOrder;
    const float reach = Bounds(prototypes, x, widened, first, matching.Best(), used, out) * widened;
    int near[kMaxBlocks], count = 0, far[kMaxBlocks], farCount = 0;
    for (int b = 0; b < used; ++b) {
        if (b == first) continue;
        if (out.lowest[b] <= reach)
            near[count++] = b;
        else
            far[farCount++] = b;
    }
    matching.Summed(near, count);
    if (matching.Best() < std::numeric_limits<float>::infinity())
        matching.GivenUp(far, farCount);
    else
        matching.Summed(far, farCount);
    return matching.Best();
}

// The sixteen prototypes of a block against the moved prototypes of the
// given rows, each pair's sum kept in a register over all components.
template <int kColumns>
[[gnu::always_inline]] inline void DistanceTile(int b, int count, const int* components, int used,
                                                const SocBlock* blocks, const float* rows, int rowStride,
                                                const int* moved, int columns, float* raw, int rawStride) {
    using L = Lanes;
    const float* row[kColumns];
    for (int c = 0; c < kColumns; ++c)
        row[c] = rows + (c < columns ? c : 0) * rowStride;  // a short tile repeats
    L sum[kColumns] = {};
    for (int i = 0; i < used; ++i) {
        const int q = components[i];
        const L value = Load(blocks[b].lanes[q][0]);
        for (int c = 0; c < kColumns; ++c) {
            const float y = row[c][q];
            const L d = value - y;
            const L square = d * d;
            sum[c] = sum[c] + square;
        }
    }
    float distance[kColumns][kSocLanes];
    for (int c = 0; c < kColumns; ++c) Store(distance[c], sum[c]);
    WriteDistances<kColumns>(distance, b, count, moved, columns, raw, rawStride);
}

// A block against eight moved prototypes at a time: each load of a
// component serves eight pairs, and the tile's sums stay in registers.
[[gnu::always_inline]] inline void DistancesAgainst(int count, const int* components, int used,
                                                    const SocBlock* __restrict blocks,
                                                    const float* __restrict rows, int rowStride,
                                                    const int* moved, int movedCount, float* __restrict raw,
                                                    int rawStride) {
    constexpr int kColumns = 8;
    for (int b = 0; b * kSocLanes < std::min(count, kMaxBlocks * kSocLanes); ++b)
        for (int c0 = 0; c0 < movedCount; c0 += kColumns)
            DistanceTile<kColumns>(b, count, components, used, blocks, rows + c0 * rowStride, rowStride,
                                   moved + c0, std::min(kColumns, movedCount - c0), raw, rawStride);
}

WIDE_VECTOR_TARGET float WideErrors(const SocBlocks& prototypes, const float* x, float slack, int first,
                                    const SocErrors& out) {
    return WeightedErrors(prototypes, x, slack, first, out);
}
WIDE_VECTOR_TARGET void WideDistances(int count, const int* components, int used, const SocBlock* blocks,
                                      const float* rows, int rowStride, const int* moved, int movedCount,
                                      float* raw, int rawStride) {
    DistancesAgainst(count, components, used, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
}
#endif

namespace narrow {

// Sixteen lanes as two halves of eight: the compilers turn every operation
// on a half into plain vector instructions for 128-, 256- and 512-bit units
// alike, where a sixteen-lane vector on a 256-bit unit goes through memory.
using Half = Eight;
using HalfMask = EightMask;

struct Lanes {
    Half lo, hi;
};
struct Mask {
    HalfMask lo, hi;
};

[[gnu::always_inline]] inline Half LoadHalf(const float* p) {
    Half v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
[[gnu::always_inline]] inline Lanes Load(const float* p) {
    return {LoadHalf(p), LoadHalf(p + kSocLanes / 2)};
}

[[gnu::always_inline]] inline void Store(float* p, Lanes v) {
    std::memcpy(p, &v.lo, sizeof v.lo);
    std::memcpy(p + kSocLanes / 2, &v.hi, sizeof v.hi);
}

[[gnu::always_inline]] inline Lanes Splat(float x) {
    const Half h = {x, x, x, x, x, x, x, x};
    return {h, h};
}

[[gnu::always_inline]] inline Lanes operator-(Lanes a, float b) {
    return {a.lo - b, a.hi - b};
}
[[gnu::always_inline]] inline Lanes operator*(Lanes a, Lanes b) {
    return {a.lo * b.lo, a.hi * b.hi};
}
[[gnu::always_inline]] inline Lanes operator+(Lanes a, Lanes b) {
    return {a.lo + b.lo, a.hi + b.hi};
}
[[gnu::always_inline]] inline Mask operator<=(Lanes a, float b) {
    return {a.lo <= b, a.hi <= b};
}

// a x b + c in one rounding, lane by lane.
[[gnu::always_inline]] inline Half Fma(Half a, Half b, Half c) {
    Half r;
#pragma omp simd
    for (int l = 0; l < kSocLanes / 2; ++l) r[l] = std::fmaf(a[l], b[l], c[l]);
    return r;
}
[[gnu::always_inline]] inline Lanes Fma(Lanes a, Lanes b, Lanes c) {
    return {Fma(a.lo, b.lo, c.lo), Fma(a.hi, b.hi, c.hi)};
}

// Whether any lane is set.
[[gnu::always_inline]] inline bool Any(Mask m) {
    return AnyOfEight(m.lo | m.hi);
}

// The smallest lane; lanes that are not numbers count as +inf.
[[gnu::always_inline]] inline float Lowest(Lanes v) {
    const Half inf = Half{} + std::numeric_limits<float>::infinity();
    const Half lo = v.lo == v.lo ? v.lo : inf, hi = v.hi == v.hi ? v.hi : inf;
    return LowestOfEight(hi < lo ? hi : lo);
}

// A block's sums continued over components q0..q1 - 1.
[[gnu::always_inline]] inline Lanes BlockSums(const SocBlock& block, const float* x, int q0, int q1,
                                              Lanes sum) {
    for (int q = q0; q < q1; ++q) {
        const Lanes d = Load(block.lanes[q][0]) - x[q];
        sum = Fma(d * d, Load(block.lanes[q][1]), sum);
    }
    return sum;
}

struct Ops {
    using Lanes = narrow::Lanes;
    [[gnu::always_inline]] static Lanes Load(const float* p) { return narrow::Load(p); }
    [[gnu::always_inline]] static void Store(float* p, Lanes v) { narrow::Store(p, v); }
    [[gnu::always_inline]] static Lanes Splat(float x) { return narrow::Splat(x); }
    [[gnu::always_inline]] static bool Any(Mask m) { return narrow::Any(m); }
    [[gnu::always_inline]] static float Lowest(Lanes v) { return narrow::Lowest(v); }
};

// The matching sums of one item, block by block: the tests and the bound.
class Matching : public MatchingKeys<Ops> {
public:
    using MatchingKeys::MatchingKeys;

    // Block b in full: its keys tighten the bound.
    [[gnu::always_inline]] void Whole(int b) { Finish(b, BlockSums(blocks_[b], x_, 0, dim_, Lanes{})); }

    // Blocks b0 and b1 side by side, so that their additions need not wait
    // for each other, until one of them is given up; the other goes on alone.
    [[gnu::always_inline]] void Pair(int b0, int b1) {
        Lanes s0 = {}, s1 = {};
        int q0 = 0;
        bool open0 = true, open1 = true;
        while (q0 < dim_ && open0 && open1) {
            const int q1 = std::min(q0 + kTestEvery, dim_);
            for (int q = q0; q < q1; ++q) {
                const Lanes d0 = Load(blocks_[b0].lanes[q][0]) - x_[q];
                const Lanes d1 = Load(blocks_[b1].lanes[q][0]) - x_[q];
                s0 = Fma(d0 * d0, Load(blocks_[b0].lanes[q][1]), s0);
                s1 = Fma(d1 * d1, Load(blocks_[b1].lanes[q][1]), s1);
            }
            q0 = q1;
            if (q0 < dim_) {
                open0 = Within(b0, s0);
                open1 = Within(b1, s1);
            }
        }
        if (open0) s0 = Rest(b0, q0, s0, open0);
        if (open1) s1 = Rest(b1, q0, s1, open1);
        Close(b0, s0, open0);
        Close(b1, s1, open1);
    }

    // A block alone.
    [[gnu::always_inline]] void Single(int b) {
        bool open = true;
        const Lanes s = Rest(b, 0, Lanes{}, open);
        Close(b, s, open);
    }

private:
    static constexpr int kTestEvery = 16;

    // Sums from component q0 on, tested every kTestEvery components.
    [[gnu::always_inline]] Lanes Rest(int b, int q0, Lanes sum, bool& open) const {
        while (q0 < dim_) {
            const int q1 = std::min(q0 + kTestEvery, dim_);
            sum = BlockSums(blocks_[b], x_, q0, q1, sum);
            q0 = q1;
            if (q0 < dim_ && !Within(b, sum)) {
                open = false;
                break;
            }
        }
        return sum;
    }
};

// Block first, then the others two at a time.
NARROW_VECTOR_TARGETS
float Errors(const SocBlocks& prototypes, const float* x, float slack, int first, const SocErrors& out) {
    const int used = std::min((prototypes.count + kSocLanes - 1) / kSocLanes, kMaxBlocks);
    if (used == 0) return std::numeric_limits<float>::infinity();
    first = std::clamp(first, 0, used - 1);
    Matching matching(prototypes.dim, prototypes.blocks, x, prototypes.scale, slack, out.s, out.key, out.lowest);
    matching.Whole(first);
    int pending = -1;
    for (int b = 0; b < used; ++b) {
        if (b == first) continue;
        if (pending < 0) {
            pending = b;
        } else {
            matching.Pair(pending, b);
            pending = -1;
        }
    }
    if (pending >= 0) matching.Single(pending);
    return matching.Best();
}

// The sixteen prototypes of a block against the moved prototypes of the
// given rows, each pair's sum kept in a register over all components. Half
// of the differences are formed by the multiply-add unit, -1 x y + x, which
// rounds as x - y does: the adder has the sums to do.
template <int kColumns>
[[gnu::always_inline]] inline void DistanceTile(int b, int count, const int* components, int used,
                                                const SocBlock* blocks, const float* rows, int rowStride,
                                                const int* moved, int columns, float* raw, int rawStride) {
    const float* row[kColumns];
    for (int c = 0; c < kColumns; ++c)
        row[c] = rows + (c < columns ? c : 0) * rowStride;  // a short tile repeats
    Lanes sum[kColumns] = {};
    for (int i = 0; i < used; ++i) {
        const int q = components[i];
        const Lanes value = Load(blocks[b].lanes[q][0]);
        for (int c = 0; c < kColumns; ++c) {
            const float y = row[c][q];
            const Lanes d = c % 2 ? Fma(Splat(-1.0f), Splat(y), value) : value - y;
            const Lanes square = d * d;
            sum[c] = sum[c] + square;
        }
    }
    float distance[kColumns][kSocLanes];
    for (int c = 0; c < kColumns; ++c) Store(distance[c], sum[c]);
    WriteDistances<kColumns>(distance, b, count, moved, columns, raw, rawStride);
}

// A block against eight moved prototypes at a time: each load of a
// component serves eight pairs, and the tile's sums stay in registers.
NARROW_VECTOR_TARGETS
void Distances(int count, const int* components, int used, const SocBlock* __restrict blocks,
               const float* __restrict rows, int rowStride, const int* moved, int movedCount,
               float* __restrict raw, int rawStride) {
    constexpr int kColumns = 8;
    for (int b = 0; b * kSocLanes < std::min(count, kMaxBlocks * kSocLanes); ++b)
        for (int c0 = 0; c0 < movedCount; c0 += kColumns)
            DistanceTile<kColumns>(b, count, components, used, blocks, rows + c0 * rowStride, rowStride,
                                   moved + c0, std::min(kColumns, movedCount - c0), raw, rawStride);
}

}  // namespace narrow

}  // namespace

float SocWeightedErrors(const SocBlocks& prototypes, const float* x, float slack, int first,
                        const SocErrors& out) {
#ifdef ITEMMAP_WIDE_VECTORS
    // Four blocks side by side pay off from about 250 prototypes on; with
    // fewer, two side by side in halves are as fast or faster.
    constexpr int kWideFrom = 256;
    if (prototypes.count > kWideFrom && WideVectorUnit()) return WideErrors(prototypes, x, slack, first, out);
#endif
    return narrow::Errors(prototypes, x, slack, first, out);
}

void SocDistancesAgainst(int count, const int* components, int used, const SocBlock* blocks, const float* rows,
                         int rowStride, const int* moved, int movedCount, float* raw, int rawStride) {
#ifdef ITEMMAP_WIDE_VECTORS
    if (WideVectorUnit())
        return WideDistances(count, components, used, blocks, rows, rowStride, moved, movedCount, raw,
                             rawStride);
#endif
    narrow::Distances(count, components, used, blocks, rows, rowStride, moved, movedCount, raw, rawStride);
}
