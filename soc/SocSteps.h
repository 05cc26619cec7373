// The steps the SOC training repeats: matching an item to its nearest
// prototype, pulling the winner and its component weights toward the item,
// and the prototype-to-prototype distances the prototype map is fitted to.
// Single precision throughout: every difference, square and sum is stored as
// a float, while a product that feeds one sum is formed exactly (a fused
// multiply-add). The sums run over the values in the table's distance unit
// (DistanceUnit.h); errors and distances are multiplied back.
#pragma once

#include <optional>

#include "distances/DistanceMatrix.h"
#include "soc/Prototypes.h"
#include "table/Table.h"

// The running averages of the training: the old value's weight and the new one's.
inline constexpr float kAvgKeep = 0.999f;
inline constexpr float kAvgGain = 0.001f;

// The prototype that item a of the table matches best over components
// 1..dim (the lowest-numbered among equals), and the item's weighted
// matching error against it. There is none when there is no prototype, or
// when the item has none of the components compared: such an item is in no
// prototype.
struct PrototypeMatch {
    int prototype;
    float error;
};
std::optional<PrototypeMatch> NearestPrototype(const Prototypes& prototypes, const Table& items, int a,
                                               int dim);

// Moves prototype w toward item a at rate eta, and its weights toward 1
// where the item's component is far from zero and toward 0.05 where it is
// near; an item with missing components pulls only the components it has.
void UpdatePrototype(Prototypes& prototypes, int w, const Table& items, int a, float eta, int dim);

// Prototype components 1..dim that are missing (taken from an item that
// misses them) become the mean of the items 1..n that have them.
void FillMissingComponents(Prototypes& prototypes, const Table& items, int n, int dim);

// All K x K prototype distances over components 1..dim, normalised so that
// the largest equals `size` (the map's extent times "map enlarge."), into d,
// with its scale (so that a distance / scale is raw) and largest.
void PrototypeDistances(const Prototypes& prototypes, int dim, float unit, double size, DistanceMatrix& d);

// Its two halves over raw distances in the distance unit, rows `stride`
// long: the factor f (the matrix's scale and largest set by it; returned as
// f x unit), and rows first..last of the matrix = raw x f.
float PrototypeDistanceFactor(int k, const float* raw, int stride, float unit, double size, DistanceMatrix& d);
void ScalePrototypeDistanceRows(int k, const float* raw, int stride, float f, int first, int last,
                                DistanceMatrix& d);
// One row of it: d[j] = raw[j] x f for j < k.
void ScaleRawRow(int k, const float* raw, float f, float* d);

// The adaptive rate for a smoothed error: from 0.0001 toward 0.1 x rho as
// the error rises through 2.5.
float SocLearnRate(float rho, float smoothedError);
// A prototype's win score after one more win (a running average toward 10).
float SocWinScore(float score);

// The pieces the fast training loop shares with the steps above.
// The weight a component moves toward: 1 - exp(-3.5 x^2), with the square,
// the exponential and the difference each stored as a float.
float WeightTarget(float x);
// The pull of prototype w toward x (1-based) with the weight targets given.
void PullPrototype(Prototypes& prototypes, int w, const float* x, const float* targets, float eta, int dim);
// The weighted sum of squares in the unit, and 1 + the weights.
struct WeightedSum {
    float s, weightSum;
};
WeightedSum WeightedError(const Prototypes& prototypes, int p, const float* x, int dim, float unit);
// Item a's error against prototype p: over the components the item has,
// scaled up to all of them when it misses some; not a number when it has
// none of them.
WeightedSum ItemError(const Prototypes& prototypes, int p, const Table& items, int a, int dim);
float RankingValue(const WeightedSum& e);
float MatchingError(const WeightedSum& e, float unit);  // multiplied back by the unit
