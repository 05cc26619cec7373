// The vector loops of SOC training, over prototypes laid out in blocks of
// sixteen, so that the loops read a block's components in one run.
#pragma once

inline constexpr int kSocLanes = 16;

// Sixteen prototypes: for each component q, their values, then their
// weights.
struct SocBlock {
    alignas(64) float lanes[64][2][kSocLanes];
};

// The prototypes a match runs over: `count` of them in blocks of `dim`
// components, and the factor of each one's key (count rounded up to 16 long).
// Only components[0..used - 1] (in order) count: those left out are 0 in the
// item and every prototype. bySpread holds the same, in the order that
// gives up a block the soonest: where prototypes lie farthest from the item.
struct SocBlocks {
    int count, dim;
    const SocBlock* blocks;
    const float* scale;
    const int* components;
    const int* bySpread;
    int used;
};
// Where a match writes each prototype's sum and key (as long as scale), and
// each block's lowest key.
struct SocErrors {
    float* s;
    float* key;
    float* lowest;
};

// s[p] = sum over q of (value[q][p] - x[q])^2 * weight[q][p], accumulated in
// component order with fused multiply-adds, and its key s[p] x scale[p],
// for p < count rounded up to 16, and the smallest key of each block in
// lowest[b] (not-a-number passed over, +infinity when there is none);
// returns the smallest key of all. Block first is summed first. Every block
// that holds a key within slack of the smallest is summed in full; others
// may be given up, their s, keys and lowest set to +infinity, once partial
// sums show that none of their keys can come within it. With weights that
// are not negative the sums only grow, so partial sums bound the whole.
float SocWeightedErrors(const SocBlocks& prototypes, const float* x, float slack, int first, const SocErrors& out);

// The Euclidean distance of prototypes i < count and moved[c], for every
// c < movedCount, into raw[moved[c]][i] and raw[i][moved[c]] (raw rows
// rawStride long): each pair's squares summed over components[0..used - 1]
// in order, once for both triangles. Row c of rows (rowStride long) holds
// the components of prototype moved[c].
void SocDistancesAgainst(int count, const int* components, int used, const SocBlock* blocks, const float* rows,
                         int rowStride, const int* moved, int movedCount, float* raw, int rawStride);
