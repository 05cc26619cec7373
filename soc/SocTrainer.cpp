#include "soc/SocTrainer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "soc/SocKernel.h"
#include "soc/SocSteps.h"

namespace {
constexpr int kMapPeriod = 200;  // counted steps between fits of the prototype map
constexpr float kMapRadiusFactor = 1.7f;
constexpr float kMapFarWeight = 0.01f;
}

void SocTrainer::Copy(int p) {
    float sum = 1.0f;
    for (int q = 0; q < dim_; ++q) {
        proto_[q][p - 1] = ws.Prototypes[p][1][q + 1];
        weight_[q][p - 1] = ws.Prototypes[p][2][q + 1];
        sum += ws.Prototypes[p][2][q + 1];
    }
    weightSum_[p - 1] = sum;
    inverseSquare_[p - 1] = 1.0f / (sum * sum);
    // The search below relies on a weight sum of at least 1, as trained
    // weights (never below 0.05) give.
    if (!(sum >= 1.0f) || !std::isfinite(sum)) plain_ = true;
    moved_[p] = true;
}

void SocTrainer::Start() {
    k_ = PrototypeCount();
    dim_ = ComponentCount();
    plain_ = false;
    for (int p = 1; p <= k_; ++p) Copy(p);
    items_ = std::clamp(ws.VectorCount, 0, kMaxSocVectors);
    for (int i = 1; i <= items_; ++i)
        for (int q = 1; q <= dim_; ++q) targets_[i][q] = WeightTarget(ws.InputVectors[i][q]);
}

// Ranks by S / W^2, which orders the prototypes as 0.1 sqrt(S) / W does,
// and computes the exact ranking value only for those within a hair of the
// best key: prototypes whose rounded values tie are all among them, so the
// lowest-numbered wins as in MatchItem.
float SocTrainer::Match(int a) {
    if (plain_ || ws.ItemMissing[std::clamp(a, 0, kInputRows)] != 0) return MatchItem(a);
    const float* x = ws.InputVectors[std::clamp(a, 0, kInputRows)] + 1;
    SocWeightedErrors(k_, dim_, kStride, &proto_[0][0], &weight_[0][0], x, error_);
    float bestKey = std::numeric_limits<float>::infinity();
#pragma omp simd reduction(min : bestKey)
    for (int p = 0; p < k_; ++p) {
        key_[p] = error_[p] * inverseSquare_[p];
        bestKey = std::min(bestKey, key_[p]);
    }
    const float near = bestKey * 1.0001f;
    float best = 10000.0f;
    int winner = 0;
    for (int p = 0; p < k_; ++p) {
        if (!(key_[p] <= near)) continue;
        const float d = RankingValue({error_[p], weightSum_[p]});
        if (d < best) {
            best = d;
            winner = p + 1;
        }
    }
    if (winner == 0) return MatchItem(a);  // no prototype ranks: the last winner stays
    ws.WinnerIndex = winner;
    return MatchingError({error_[winner - 1], weightSum_[winner - 1]});
}

void SocTrainer::Update(int w, int a, float eta) {
    if (w < 1 || w > k_) return;
    if (a >= 1 && a <= items_ && ws.ItemMissing[a] == 0)
        PullPrototype(w, ws.InputVectors[a], targets_[a], eta, dim_);
    else
        UpdatePrototype(w, a, eta);
    Copy(w);
}

void SocTrainer::Distances() {
    for (int a = 1; a <= k_; ++a) {
        if (!moved_[a]) continue;
        SocDistancesTo(a - 1, k_, dim_, kStride, &proto_[0][0], row_);
        for (int i = 1; i <= k_; ++i) raw_[a][i] = raw_[i][a] = row_[i - 1];
        raw_[a][a] = 0.0f;
        moved_[a] = false;
    }
    NormalisePrototypeDistances(k_, raw_);
}

void SocTraining::Begin(int k, int dim, float rho, float meanStartError, int steps) {
    k_ = k;
    dim_ = dim;
    rho_ = rho;
    meanStartError_ = meanStartError;
    smoothed_ = 0;
    firstPhase_ = steps / 20;
    mapCounter_ = 0;
    ws.LearnRate = rho;
    trainer_.Start();
    trainer_.Distances();
}

float SocTraining::Learn(int t, int r) {
    const float err = trainer_.Match(r);
    const int w = ws.WinnerIndex;
    const bool gateOpen = t <= firstPhase_
                              ? err < meanStartError_
                              : err < static_cast<float>(100.0 * static_cast<double>(meanStartError_));
    if (gateOpen) trainer_.Update(w, r, ws.LearnRate);
    smoothed_ = static_cast<float>(static_cast<double>(ws.AvgKeep) * smoothed_ +
                                   static_cast<double>(ws.AvgGain) * err);
    ws.ItemScore[w] = SocWinScore(ws.ItemScore[w]);
    ws.LearnRate = SocLearnRate(rho_, smoothed_);
    return smoothed_;
}

void SocTraining::FitMap() {
    if (++mapCounter_ != kMapPeriod) return;
    mapCounter_ = 0;
    trainer_.Distances();
    plan_.PrepareSymmetric(k_, dim_, kMapRadiusFactor, kMapFarWeight);  // prototype distances are symmetric
    plan_.Step(2, kMapStepLength);
    plan_.Step(2, kMapStepLength);
}

MdsPlan& SocTraining::MapStep() {
    plan_.PrepareSymmetric(k_, dim_, kMapRadiusFactor, kMapFarWeight);
    return plan_;
}
