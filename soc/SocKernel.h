// The vector loops of SOC training, over prototypes laid out by component
// (row q holds component q of every prototype, rows stride long).
#pragma once

// s[p] = sum over q of (proto[q][p] - x[q])^2 * weight[q][p], accumulated in
// component order with fused multiply-adds, for p < count rounded up to 16
// (rows must be that long).
void SocWeightedErrors(int count, int dim, int stride, const float* proto, const float* weight,
                       const float* x, float* s);

// out[i] = the Euclidean distance of prototypes i and a, for i < count.
void SocDistancesTo(int a, int count, int dim, int stride, const float* proto, float* out);
