// Matching items to their nearest prototypes over a copy of the prototypes
// laid out for the blocked search (SocKernel.h): gives exactly what
// NearestPrototype gives. The training keeps the copy in step with the
// prototypes it moves; the assignment at a run's end matches every vector
// once.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "soc/Prototypes.h"
#include "soc/SocKernel.h"
#include "table/Capacities.h"
#include "table/Table.h"

static_assert(kMaxDim <= 64, "a SocBlock holds 64 components");

class SocMatcher {
public:
    // The prototypes as they stand, matched over components 1..dim of the
    // items.
    void Start(const Prototypes& prototypes, const Table& items, int dim);
    // Prototype p (1-based) copied again, after it changed.
    void Copy(int p);
    // The prototypes grouped by their distances raw[i][j] (1-based, rows
    // `stride` long) into the slots of the copy: each block takes the first
    // prototype not yet placed and the fifteen nearest to it that are not
    // either, so that a block far from an item is given up early as a whole.
    void Group(const float* raw, int stride);

    // NearestPrototype: whether item a has a winner, and then the winner and
    // its matching error. (Not an optional: returned from here, its parts
    // meet in memory and stall every step.)
    bool Match(int a, int& winner, float& error);

    // Components v[0..dim - 1] in the items' distance unit: v itself when
    // that is 1, else a copy in room.
    const float* InUnit(const float* v, float (&room)[kMaxDim]) const;

    // The components that tell prototypes apart: all but those 0 in every
    // item and prototype, which stay 0 through training and add nothing to
    // any sum. In order, Used() of them.
    const int* Components() const { return components_; }
    int Used() const { return used_; }

    static constexpr int kStride = 416;  // prototypes rounded up for whole vector loads

private:
    void ChooseComponents();
    void Farthest(const double* expected, const int* general, std::uint8_t* order) const;

    const Prototypes* prototypes_ = nullptr;
    const Table* items_ = nullptr;
    int k_ = 0;
    int dim_ = 0;
    bool plain_ = false;        // prototypes the fast search cannot rank: match with the plain steps
    float unit_ = 1.0f;         // the items' distance unit
    float inverseUnit_ = 1.0f;  // the copy holds the values in it
    alignas(64) float weightSum_[kStride];  // of prototype p (0-based): 1 + the sum of its weights
    // Slot s holds prototype group_[s] (0-based; -1 past K), prototype p
    // lies in slot slot_[p]: in lane s % 16 of block s / 16.
    SocBlock grouped_[kStride / kSocLanes];
    alignas(64) float groupedScale_[kStride];  // 1 / weightSum^2 by slot, not a number past K
    int group_[kStride];
    int slot_[kMaxMapItems];
    // By slot: the weighted squared error of each prototype, its key (error
    // x scale, ranked as MatchItem ranks) and each block's smallest.
    alignas(64) float error_[kStride];
    alignas(64) float key_[kStride];
    float lowest_[kStride / kSocLanes];
    std::vector<int> lastWinner_;  // of every item, 0 before its first match
    int components_[kMaxDim];      // Components(), 0-based
    // The same by how far a prototype may be expected to lie from an item,
    // farthest first: in general, and of item a from [a x used_] (when it
    // holds any).
    int general_[kMaxDim];
    std::vector<std::uint8_t> farthest_;
    int used_ = 0;
};

// Every item 1..n matched on every core, each with a copy of one matcher
// started on the prototypes: matched(item, winner, error) for each item
// that has a winner, from the cores' threads, never twice for one item.
void MatchEveryItem(const Prototypes& prototypes, const Table& items, int n, int dim,
                    const std::function<void(int item, int winner, float error)>& matched);

// The mean start error M of a SOC run: the mean matching error of the
// items 1..n that match a prototype, summed in single precision.
float MeanStartError(const Prototypes& prototypes, const Table& items, int n, int dim);
