// The steps the SOC training repeats: matching an item to its nearest
// prototype, pulling the winner and its component weights toward the item,
// and the prototype-to-prototype distances the prototype map is fitted to.
// Single precision throughout: every difference, square and sum is stored as
// a float, while a product that feeds one sum is formed exactly (a fused
// multiply-add). The sums run over the values in DistanceUnit
// (DistanceUnit.h); errors and distances are multiplied back.
#pragma once

#include <optional>

#include "workspace/Workspace.h"

// The prototype that item a matches best (the lowest-numbered among
// equals), and the item's weighted matching error against it. There is
// none when there is no prototype, or when the item has none of the
// components compared: such an item is in no prototype.
struct PrototypeMatch {
    int prototype;
    float error;
};
std::optional<PrototypeMatch> NearestPrototype(int a);

// NearestPrototype's error, with WinnerIndex set to the winner; without a
// winner WinnerIndex stays as it was.
std::optional<float> MatchItem(int a);

// The mean start error M of a SOC run: the mean matching error of the
// items 1..n that match a prototype, summed in single precision.
float MeanStartError(int n);

// Moves prototype w toward item a at rate eta, and its weights toward 1 where
// the item's component is far from zero and toward 0.05 where it is near.
void UpdatePrototype(int w, int a, float eta);

// An item with missing components pulls only the components it has, and
// their weights.
void PullPresentComponents(int w, const float* x, float eta, int dim);

// Prototype components 1..dim of prototypes 1..k that are missing (taken
// from an item that misses them) become the mean of the items 1..n that
// have them.
void FillMissingComponents(int k, int n, int dim);

// DistMatrix[a][i] and [i][a] for i = 1..a-1 (raw, in DistanceUnit),
// DistMatrix[a][a] = 0.
void PrototypeDistanceRow(int a);

// All K x K prototype distances, normalised so that the largest equals
// AxisSize[1] x MapEnlargement; sets MaxDist and DistScale (the factor, so
// that DistMatrix / DistScale gives raw distances).
void PrototypeDistances();

// DistMatrix[1..k][1..k] = the raw distances (in DistanceUnit) normalised
// as PrototypeDistances says (raw may be DistMatrix itself); sets MaxDist
// and DistScale.
void NormalisePrototypeDistances(int k, const float (*raw)[kMaxMapItems + 1]);
// Its two halves: the factor f for the raw distances (MaxDist and DistScale
// set by it; returned as f x DistanceUnit, for raw in DistanceUnit), and
// DistMatrix rows first..last of the K x K block = raw x f.
float PrototypeDistanceFactor(int k, const float (*raw)[kMaxMapItems + 1]);
void ScalePrototypeDistanceRows(int k, const float (*raw)[kMaxMapItems + 1], float f, int first, int last);

// The data scale of a SOC run: when item 1's components (those it has) sum
// to more than 2.0, every component of items 1..n is multiplied by 0.1.
// Returns the factor applied, 0.1 or 1.
float ScaleSocData(int n, int dim);

// The adaptive rate for a smoothed error: from 0.0001 toward 0.1 x rho as
// the error rises through 2.5.
float SocLearnRate(float rho, float smoothedError);
// A prototype's win score after one more win (a running average with
// AvgKeep and AvgGain toward 10).
float SocWinScore(float score);

// The pieces the fast training loop shares with the steps above.
// The weight a component moves toward: 1 - exp(-3.5 x^2), with the square,
// the exponential and the difference each stored as a float.
float WeightTarget(float x);
// UpdatePrototype with the weight targets of the item given (1-based).
void PullPrototype(int w, const float* x, const float* targets, float eta, int dim);
// The weighted sum of squares in DistanceUnit, and 1 + the weights.
struct WeightedSum {
    float s, weightSum;
};
WeightedSum WeightedError(int p, const float* x, int dim);
// Item a's error against prototype p: over the components the item has,
// scaled up to all of them when it misses some; not a number when it has
// none of them.
WeightedSum ItemError(int p, int a, int dim);
float RankingValue(const WeightedSum& e);
float MatchingError(const WeightedSum& e);          // multiplied back by DistanceUnit
float RawPrototypeDistance(int i, int a, int dim);  // in DistanceUnit
