#include "soc/SocTrainer.h"

#include <algorithm>
#include <cmath>

#include "soc/SocSteps.h"

namespace {
constexpr int kMapPeriod = 200;  // counted steps between fits of the prototype map
}

void SocTrainer::Start() {
    k_ = PrototypeCount();
    dim_ = ComponentCount();
    std::fill(moved_, moved_ + kMaxMapItems + 1, true);
}

float SocTrainer::Match(int a) { return MatchItem(a); }

void SocTrainer::Update(int w, int a, float eta) {
    UpdatePrototype(w, a, eta);
    if (w >= 1 && w <= kMaxMapItems) moved_[w] = true;
}

void SocTrainer::Distances() {
    for (int a = 1; a <= k_; ++a) {
        if (!moved_[a]) continue;
        for (int i = 1; i <= k_; ++i)
            if (i != a) raw_[a][i] = raw_[i][a] = RawPrototypeDistance(i, a, dim_);
        raw_[a][a] = 0.0f;
        moved_[a] = false;
    }
    for (int i = 1; i <= k_; ++i) std::copy(raw_[i] + 1, raw_[i] + k_ + 1, ws.DistMatrix[i] + 1);
    NormalisePrototypeDistances(k_);
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

float SocTraining::Step(int t, int r) {
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
    if (++mapCounter_ == kMapPeriod) {
        mapCounter_ = 0;
        trainer_.Distances();
        plan_.Prepare(k_, dim_, 1.7f, 0.01f);
        plan_.Step(2, 0.005f);
        plan_.Step(2, 0.005f);
    }
    return smoothed_;
}
