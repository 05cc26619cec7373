// One iteration of the map layout: every item moves a fixed distance against
// the gradient of a weighted squared-distance stress (squared map distances
// toward the squared input distances / b; near pairs weighted fully, far
// pairs almost ignored), stays inside the map box, and the map is re-centred
// after each move.
#pragma once

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"
#include "table/Capacities.h"

// Working storage of the step over one distance matrix, owned by the caller.
// Prepare takes the pair targets and weights from the distances (the
// neighbour radius in units of their largest); call it again whenever they
// change. Step then moves the map's points.
class MdsPlan {
public:
    void Prepare(const DistanceMatrix& d, int b, float radiusFactor, float farWeight);
    // The same for distances known to be symmetric.
    void PrepareSymmetric(const DistanceMatrix& d, int b, float radiusFactor, float farWeight);
    // PrepareSymmetric for rows first..last - 1 (0-based) only, so that a
    // caller writing the distances a block of rows at a time can prepare
    // each block while it is in cache. The plan is whole once every row is.
    void PrepareSymmetricRows(const DistanceMatrix& d, int b, float radiusFactor, float farWeight, int first,
                              int last);
    // PrepareSymmetric for the pairs of items[0..count - 1] (0-based) alone,
    // where only their distances changed since the plan was last prepared
    // (and with them neither the largest nor the number of items): the
    // other pairs stand. Row c of `rows` (rowStride long) holds the
    // distances of items[c] to items 0..n - 1, as the distances' row holds
    // them.
    void PrepareSymmetricPairsOf(const float* rows, int rowStride, float largest, int b, float radiusFactor,
                                 float farWeight, const int* items, int count);
    void Step(MapLayout& map, int m, float stepLength);

    // The items pressed against the box's wall: those whose move the box
    // refused on some axis in one of the last `steps` steps since Prepare.
    int PressedItems(int steps) const;

    // Row length of the pair tables: items rounded up for whole vector loads.
    static constexpr int kStride = 416;
    static_assert(kStride % 16 == 0 && kStride >= (kMaxMapItems + 15) / 16 * 16);

private:
    void Gradients(int m);
    template <int M>
    void Moves(MapLayout& map, int n, float stepLength);
    void ForgetRefusals();

    int n_ = 0;
    long steps_ = 0;               // steps since Prepare
    long lastRefused_[kStride]{};  // the step of each item's last refused move, 0 for none
    bool symmetric_ = true;
    // Rows 0..zeroed_ - 1 hold the zeros of a symmetric plan of zeroedFor_
    // items (on and below the diagonal, past the items): preparing them
    // again for as many items need not write those again.
    int zeroed_ = 0, zeroedFor_ = -1;
    // Per pair (q, l), 0-based: 2 w and w (D[l][q]^2 + D[q][l]^2) / b, so that
    // w (2 S - target) = twiceWeight S - weightedTarget.
    alignas(64) float twiceWeight_[kMaxMapItems][kStride];
    alignas(64) float weightedTarget_[kMaxMapItems][kStride];
    alignas(64) float x_[4][kStride];      // coordinates by axis
    alignas(64) float g_[4][kStride];      // gradients by axis
    alignas(64) double move_[4][kStride];  // each item's move by axis
};
