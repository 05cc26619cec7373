#include "soc/SocTrainer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "parallel/Chunks.h"
#include "soc/SocKernel.h"
#include "soc/SocSteps.h"

namespace {

constexpr int kMapPeriod = 200;  // counted steps between fits of the prototype map

constexpr float kMapRadiusFactor = 1.7f;
constexpr float kMapFarWeight = 0.01f;

// Prototypes drift slowly: grouping them anew every ten fits (2000 steps)
// keeps the groups tight.
constexpr int kFitsPerGrouping = 10;

}  // namespace

void SocTrainer::Start(Prototypes& prototypes, const Table& items, int dim, DistanceMatrix& distances,
                       double size) {
    prototypes_ = &prototypes;
    items_ = &items;
    distances_ = &distances;
    size_ = size;
    k_ = MapRows(prototypes.k);
    dim_ = std::clamp(dim, 0, kMaxDim);
    unit_ = items.distanceUnit;
    matcher_.Start(prototypes, items, dim_);
    std::fill(moved_ + 1, moved_ + k_ + 1, true);
    // Values that equal nothing, so that the first distances take every prototype.
    for (SocBlock& block : values_)
        std::fill_n(&block.lanes[0][0][0], sizeof block.lanes / sizeof(float),
                    std::numeric_limits<float>::quiet_NaN());
    fitsSinceGrouping_ = 0;
    planned_ = {};
    const std::size_t stride = static_cast<std::size_t>(dim_) + 1;
    targets_.assign(static_cast<std::size_t>(items.rows + 1) * stride, 0.0f);
    // Every item's own on every core: a million rows hold 64 million.
    constexpr int kItemsAChunk = 4096;
    InChunks(
        items.rows, kItemsAChunk,
        [&](int from, int to, int) {
            for (int i = from + 1; i <= to; ++i)
                for (int q = 1; q <= dim_; ++q)
                    targets_[static_cast<std::size_t>(i) * stride + q] = WeightTarget(items.Row(i)[q]);
        },
        [] { return true; });
}

void SocTrainer::Prefetch(int a) const {
    const std::size_t stride = static_cast<std::size_t>(dim_) + 1;
    const float* row = items_->Row(a);
    const float* targets = targets_.data() + static_cast<std::size_t>(a) * stride;
    for (std::size_t q = 0; q < stride; q += 16) {  // a cache line of 64 bytes at a time
        __builtin_prefetch(row + q);
        __builtin_prefetch(targets + q);
    }
}

void SocTrainer::Update(int w, int a, float eta) {
    if (w < 1 || w > k_) return;
    if (items_->missing[static_cast<std::size_t>(a)] == 0)
        PullPrototype(*prototypes_, w, items_->Row(a),
                      targets_.data() + static_cast<std::size_t>(a) * (static_cast<std::size_t>(dim_) + 1), eta,
                      dim_);
    else
        UpdatePrototype(*prototypes_, w, *items_, a, eta, dim_);
    matcher_.Copy(w);
    moved_[w] = true;
}

void SocTrainer::RawDistances() {
    int& count = movedCount_;
    count = 0;
    for (int p = 0; p < k_; ++p) {
        if (!moved_[p + 1]) continue;
        moved_[p + 1] = false;
        float room[kMaxDim];
        const float* values = matcher_.InUnit(prototypes_->Vector(p + 1) + 1, room);
        // A prototype that moved back to its values (or that an update left
        // as it was, since a small step rounds away) keeps its distances.
        SocBlock& block = values_[p / kSocLanes];
        bool same = true;
        for (int q = 0; q < dim_; ++q) same = same && block.lanes[q][0][p % kSocLanes] == values[q];
        if (same) continue;
        for (int q = 0; q < dim_; ++q) block.lanes[q][0][p % kSocLanes] = movedRows_[count][q] = values[q];
        movedList_[count++] = p;
    }
    SocDistancesAgainst(k_, matcher_.Components(), matcher_.Used(), values_, &movedRows_[0][0], kMaxDim,
                        movedList_, count, &raw_[1][1], kRawStride);
    for (int c = 0; c < count; ++c) raw_[movedList_[c] + 1][movedList_[c] + 1] = 0.0f;
}

void SocTrainer::RawDistancesAndGroups() {
    RawDistances();
    if (fitsSinceGrouping_ == 0) matcher_.Group(&raw_[0][0], kRawStride);
    fitsSinceGrouping_ = (fitsSinceGrouping_ + 1) % kFitsPerGrouping;
}

void SocTrainer::Distances() {
    RawDistancesAndGroups();
    planned_ = {};  // the plan does not follow these
    DistanceMatrix& d = *distances_;
    d.Resize(k_);
    const float f = PrototypeDistanceFactor(k_, &raw_[0][0], kRawStride, unit_, size_, d);
    ScalePrototypeDistanceRows(k_, &raw_[0][0], kRawStride, f, 1, k_, d);
    distancesBehind_ = false;
}

void SocTrainer::SyncDistances() {
    if (!distancesBehind_) return;
    ScalePrototypeDistanceRows(k_, &raw_[0][0], kRawStride, planned_.factor, 1, k_, *distances_);
    distancesBehind_ = false;
}

void SocTrainer::Distances(MdsPlan& plan, int b, float radiusFactor, float farWeight) {
    constexpr int kRowBlock = 16;
    RawDistancesAndGroups();
    DistanceMatrix& d = *distances_;
    const bool resized = d.n != k_;
    if (resized) d.Resize(k_);
    const float f = PrototypeDistanceFactor(k_, &raw_[0][0], kRawStride, unit_, size_, d);
    const Planned now{&plan, f, d.largest, b, radiusFactor, farWeight};
    if (!resized && now == planned_) {
        // As before but for the moved prototypes' pairs in the plan, from
        // their rows as the distances would hold them.
        for (int c = 0; c < movedCount_; ++c)
            ScaleRawRow(k_, raw_[movedList_[c] + 1] + 1, f, movedDistances_[c]);
        plan.PrepareSymmetricPairsOf(&movedDistances_[0][0], kMaxMapItems, d.largest, b, radiusFactor,
                                     farWeight, movedList_, movedCount_);
        distancesBehind_ |= movedCount_ > 0;
    } else {
        for (int first = 1; first <= k_; first += kRowBlock) {
            const int last = std::min(first + kRowBlock - 1, k_);
            ScalePrototypeDistanceRows(k_, &raw_[0][0], kRawStride, f, first, last, d);
            plan.PrepareSymmetricRows(d, b, radiusFactor, farWeight, first - 1, last);
        }
        distancesBehind_ = false;
    }
    planned_ = now;
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
