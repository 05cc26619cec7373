// The gradient loops of the MDS step, over coordinates laid out by axis.
// g[s][q] = sum over l of (A[q][l] S(q,l) - B[q][l]) (x[s][q] - x[s][l]),
// where S is the squared map distance of q and l.
#pragma once

// For pair tables with A and B symmetric, given above the diagonal and zero
// on and below it: each pair is visited once and its term added to both
// ends. Rows are stride long (a multiple of 16 floats, at least n rounded up
// to 16) and zero past n, and so are the coordinates.
void MdsGradientsSymmetric(int n, int m, int stride, const float* a, const float* b, const float* x,
                           float* g);
// For any pair tables: every ordered pair.
void MdsGradientsGeneral(int n, int m, int stride, const float* a, const float* b, const float* x, float* g);
