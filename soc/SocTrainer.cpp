#include "soc/SocTrainer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "soc/SocKernel.h"
#include "soc/SocSteps.h"

namespace {

constexpr int kMapPeriod = 200;  // counted steps between fits of the prototype map

constexpr float kMapRadiusFactor = 1.7f;
constexpr float kMapFarWeight = 0.01f;

// The keys that may rank beside the best key: within a hair of it.
constexpr float kNear = 1.0001f;

// Prototypes drift slowly: grouping them anew every ten fits (2000 steps)
// keeps the groups tight.
constexpr int kFitsPerGrouping = 10;

}  // namespace

const float* SocTrainer::InUnit(const float* v, float (&room)[kMaxDim]) const {
    if (inverseUnit_ == 1.0f) return v;
    for (int q = 0; q < dim_; ++q) room[q] = v[q] * inverseUnit_;
    return room;
}

void SocTrainer::Copy(int p) {
    float sum = 1.0f;
    bool negative = false;
    const int s = slot_[p - 1];
    SocBlock& block = grouped_[s / kSocLanes];
    float room[kMaxDim];
    const float* values = InUnit(prototypes_->Vector(p) + 1, room);
    const float* weights = prototypes_->Weights(p) + 1;
    for (int q = 0; q < dim_; ++q) {
        const float weight = weights[q];
        block.lanes[q][0][s % kSocLanes] = values[q];
        block.lanes[q][1][s % kSocLanes] = weight;
        sum += weight;
        negative |= !(weight >= 0.0f);
    }
    weightSum_[p - 1] = sum;
    inverseSquare_[p - 1] = groupedScale_[s] = 1.0f / (sum * sum);
    // The search below relies on a weight sum of at least 1 and on sums
    // that only grow, as trained weights (never below 0.05) give.
    if (!(sum >= 1.0f) || !std::isfinite(sum) || negative) plain_ = true;
    moved_[p] = true;
}

void SocTrainer::Group() {
    bool placed[kMaxMapItems] = {};
    std::pair<float, int> rest[kMaxMapItems];
    int s = 0;
    for (int seed = 0; seed < k_; ++seed) {
        if (placed[seed]) continue;
        placed[seed] = true;
        group_[s++] = seed;
        int n = 0;
        for (int p = 0; p < k_; ++p)
            if (!placed[p]) rest[n++] = {raw_[seed + 1][p + 1], p};
        const int nearest = std::min(kSocLanes - 1, n);
        std::nth_element(rest, rest + nearest, rest + n);
        for (int i = 0; i < nearest; ++i) {
            placed[rest[i].second] = true;
            group_[s++] = rest[i].second;
        }
    }
    for (s = 0; s < k_; ++s) slot_[group_[s]] = s;
    for (int p = 1; p <= k_; ++p) {
        Copy(p);
        moved_[p] = false;  // only placed anew
    }
}

void SocTrainer::Start(Prototypes& prototypes, const Table& items, int dim, DistanceMatrix& distances,
                       double size) {
    prototypes_ = &prototypes;
    items_ = &items;
    distances_ = &distances;
    size_ = size;
    k_ = MapRows(prototypes.k);
    dim_ = std::clamp(dim, 0, kMaxDim);
    plain_ = false;
    unit_ = items.distanceUnit;
    inverseUnit_ = 1.0f / unit_;
    for (int s = 0; s < kStride; ++s) group_[s] = s < k_ ? s : -1;
    for (int p = 0; p < k_; ++p) slot_[p] = p;
    for (int p = 1; p <= k_; ++p) Copy(p);
    // Values that equal nothing, so that the first distances take every prototype.
    for (SocBlock& block : values_)
        std::fill_n(&block.lanes[0][0][0], sizeof block.lanes / sizeof(float),
                    std::numeric_limits<float>::quiet_NaN());
    // Past the prototypes, scales that never rank.
    std::fill(groupedScale_ + k_, groupedScale_ + kStride, std::numeric_limits<float>::quiet_NaN());
    fitsSinceGrouping_ = 0;
    const std::size_t stride = static_cast<std::size_t>(dim_) + 1;
    targets_.assign(static_cast<std::size_t>(items.rows + 1) * stride, 0.0f);
    for (int i = 1; i <= items.rows; ++i)
        for (int q = 1; q <= dim_; ++q) targets_[static_cast<std::size_t>(i) * stride + q] = WeightTarget(items.Row(i)[q]);
    lastWinner_.assign(static_cast<std::size_t>(items.rows) + 1, 0);
}

namespace {

// NearestPrototype in the form of SocTrainer::Match.
bool MatchPlainly(const Prototypes& prototypes, const Table& items, int a, int dim, int& winner,
                  float& error) {
    const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, items, a, dim);
    if (!match) return false;
    winner = match->prototype;
    error = match->error;
    return true;
}

}  // namespace

// Ranks by S / W^2, which orders the prototypes as 0.1 sqrt(S) / W does,
// and computes the exact ranking value only for those within a hair of the
// best key: prototypes whose rounded values tie are all among them, and
// among equal values the lowest-numbered wins as in MatchItem. A block of
// prototypes whose partial keys all lie beyond a key already found,
// widened by the same hair, cannot hold one of them and is given up; the
// block of the item's last winner comes first, so that such a key is near
// the best from the start.
bool SocTrainer::Match(int a, int& winner, float& error) {
    const Table& items = *items_;
    if (plain_ || items.missing[static_cast<std::size_t>(a)] != 0)
        return MatchPlainly(*prototypes_, items, a, dim_, winner, error);
    const int last = lastWinner_[static_cast<std::size_t>(a)];
    float room[kMaxDim];
    const float* x = InUnit(items.Row(a) + 1, room);
    const float near =
        kNear * SocWeightedErrors({k_, dim_, grouped_, groupedScale_}, x, kNear,
                                  last > 0 ? slot_[last - 1] / kSocLanes : 0, {error_, key_, lowest_});
    float best = 0.0f;
    int winnerSlot = 0;
    winner = 0;
    for (int s0 = 0; s0 < k_; s0 += kSocLanes) {
        if (!(lowest_[s0 / kSocLanes] <= near)) continue;
        for (int s = s0; s < std::min(s0 + kSocLanes, k_); ++s) {
            if (!(key_[s] <= near)) continue;
            const int p = group_[s];
            const float d = RankingValue({error_[s], weightSum_[p]});
            if (winner == 0 || d < best || (d == best && p + 1 < winner)) {
                best = d;
                winner = p + 1;
                winnerSlot = s;
            }
        }
    }
    if (winner == 0)  // no key to rank by: the plain steps decide
        return MatchPlainly(*prototypes_, items, a, dim_, winner, error);
    lastWinner_[static_cast<std::size_t>(a)] = winner;
    error = MatchingError({error_[winnerSlot], weightSum_[winner - 1]}, unit_);
    return true;
}

void SocTrainer::Update(int w, int a, float eta) {
    if (w < 1 || w > k_) return;
    if (items_->missing[static_cast<std::size_t>(a)] == 0)
        PullPrototype(*prototypes_, w, items_->Row(a),
                      targets_.data() + static_cast<std::size_t>(a) * (static_cast<std::size_t>(dim_) + 1), eta,
                      dim_);
    else
        UpdatePrototype(*prototypes_, w, *items_, a, eta, dim_);
    Copy(w);
}

void SocTrainer::RawDistances() {
    int count = 0;
    for (int p = 0; p < k_; ++p) {
        if (!moved_[p + 1]) continue;
        moved_[p + 1] = false;
        float room[kMaxDim];
        const float* values = InUnit(prototypes_->Vector(p + 1) + 1, room);
        // A prototype that moved back to its values (or that an update left
        // as it was, since a small step rounds away) keeps its distances.
        SocBlock& block = values_[p / kSocLanes];
        bool same = true;
        for (int q = 0; q < dim_; ++q) same = same && block.lanes[q][0][p % kSocLanes] == values[q];
        if (same) continue;
        for (int q = 0; q < dim_; ++q) block.lanes[q][0][p % kSocLanes] = movedRows_[count][q] = values[q];
        movedList_[count++] = p;
    }
    SocDistancesAgainst(k_, dim_, values_, &movedRows_[0][0], kMaxDim, movedList_, count, &raw_[1][1],
                        kMaxMapItems + 1);
    for (int c = 0; c < count; ++c) raw_[movedList_[c] + 1][movedList_[c] + 1] = 0.0f;
}

void SocTrainer::RawDistancesAndGroups() {
    RawDistances();
    if (fitsSinceGrouping_ == 0) Group();
    fitsSinceGrouping_ = (fitsSinceGrouping_ + 1) % kFitsPerGrouping;
}

void SocTrainer::Distances() {
    RawDistancesAndGroups();
    DistanceMatrix& d = *distances_;
    d.Resize(k_);
    constexpr int kRawStride = kMaxMapItems + 1;
    const float f = PrototypeDistanceFactor(k_, &raw_[0][0], kRawStride, unit_, size_, d);
    ScalePrototypeDistanceRows(k_, &raw_[0][0], kRawStride, f, 1, k_, d);
}

void SocTrainer::Distances(MdsPlan& plan, int b, float radiusFactor, float farWeight) {
    constexpr int kRowBlock = 16;
    constexpr int kRawStride = kMaxMapItems + 1;
    RawDistancesAndGroups();
    DistanceMatrix& d = *distances_;
    if (d.n != k_) d.Resize(k_);
    const float f = PrototypeDistanceFactor(k_, &raw_[0][0], kRawStride, unit_, size_, d);
    for (int first = 1; first <= k_; first += kRowBlock) {
        const int last = std::min(first + kRowBlock - 1, k_);
        ScalePrototypeDistanceRows(k_, &raw_[0][0], kRawStride, f, first, last, d);
        plan.PrepareSymmetricRows(d, b, radiusFactor, farWeight, first - 1, last);
    }
}

void SocTraining::Begin(Prototypes& prototypes, const Table& items, int dim, DistanceMatrix& distances,
                        double size, std::vector<float>& scores, float rho, float meanStartError, int steps) {
    distances_ = &distances;
    scores_ = &scores;
    k_ = prototypes.k;
    dim_ = dim;
    rho_ = rho;
    meanStartError_ = meanStartError;
    smoothed_ = 0;
    firstPhase_ = steps / 20;
    mapCounter_ = 0;
    learnRate_ = rho;
    trainer_.Start(prototypes, items, dim, distances, size);
    trainer_.Distances();
}

float SocTraining::Learn(int t, int r) {
    float err = 0;
    int w = 0;
    if (!trainer_.Match(r, w, err)) return smoothed_;  // an item in no prototype moves nothing
    const bool gateOpen = t <= firstPhase_
                              ? err < meanStartError_
                              : err < static_cast<float>(100.0 * static_cast<double>(meanStartError_));
    if (gateOpen) trainer_.Update(w, r, learnRate_);
    smoothed_ = static_cast<float>(static_cast<double>(kAvgKeep) * smoothed_ +
                                   static_cast<double>(kAvgGain) * err);
    float& score = (*scores_)[static_cast<std::size_t>(w)];
    score = SocWinScore(score);
    learnRate_ = SocLearnRate(rho_, smoothed_);
    return smoothed_;
}

void SocTraining::FitMap(MapLayout& map) {
    if (++mapCounter_ != kMapPeriod) return;
    mapCounter_ = 0;
    trainer_.Distances(plan_, dim_, kMapRadiusFactor, kMapFarWeight);  // prototype distances are symmetric
    plan_.Step(map, 2, kMapStepLength);
    plan_.Step(map, 2, kMapStepLength);
}

MdsPlan& SocTraining::MapStep() {
    plan_.PrepareSymmetric(*distances_, dim_, kMapRadiusFactor, kMapFarWeight);
    return plan_;
}
