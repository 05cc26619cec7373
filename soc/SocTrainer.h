// The hot side of SOC training: matching (SocMatcher.h), updating and the
// prototype distances over copies of the prototypes laid out for vector
// loops (SocKernel.h). Gives exactly what NearestPrototype, UpdatePrototype
// and PrototypeDistances give.
#pragma once

#include <vector>

#include "distances/DistanceMatrix.h"
#include "mds/MdsStep.h"
#include "soc/Prototypes.h"
#include "soc/SocKernel.h"
#include "soc/SocMatcher.h"
#include "table/Table.h"

class SocTrainer {
public:
    // Trains the prototypes, as they stand, on components 1..dim of the
    // items; keeps their distances in `distances`, normalised to `size` (the
    // map's extent times "map enlarge.").
    void Start(Prototypes& prototypes, const Table& items, int dim, DistanceMatrix& distances, double size);

    // NearestPrototype (SocMatcher::Match).
    bool Match(int a, int& winner, float& error) { return matcher_.Match(a, winner, error); }
    // UpdatePrototype, keeping the copies in step.
    void Update(int w, int a, float eta);
    // Item a's values on their way into the cache, for a step to come: in a
    // table of many rows, each step's item is far from the last one's.
    void Prefetch(int a) const;
    // PrototypeDistances, computing again only the pairs with a prototype
    // that moved since the last call.
    void Distances();
    // The same, with the plan of the prototype map prepared as
    // PrepareSymmetric (distances, b, radiusFactor, farWeight) prepares it, a
    // block of rows at a time while the block's distances are in cache.
    // When only some prototypes moved, the plan takes their pairs straight
    // from the raw distances, and `distances` falls behind until
    // SyncDistances.
    void Distances(MdsPlan& plan, int b, float radiusFactor, float farWeight);
    // `distances` as the last call left the raw ones: for whoever reads
    // them between fits of the map (a redraw).
    void SyncDistances();

private:
    static constexpr int kStride = SocMatcher::kStride;

    void RawDistances();           // raw_ for every pair with a moved prototype
    void RawDistancesAndGroups();  // RawDistances, and the matcher's groups anew every few fits

    Prototypes* prototypes_ = nullptr;
    const Table* items_ = nullptr;
    DistanceMatrix* distances_ = nullptr;
    double size_ = 0;
    int k_ = 0;
    int dim_ = 0;
    float unit_ = 1.0f;  // the items' distance unit
    SocMatcher matcher_;
    // The values of prototype p (0-based) in lane p % 16 of block p / 16, in
    // the distance unit, as the distances last saw them.
    SocBlock values_[kStride / kSocLanes];
    int fitsSinceGrouping_ = 0;
    // The plan the distances were last prepared for, and from what: while
    // these stand, only the moved prototypes' pairs change.
    struct Planned {
        const MdsPlan* plan = nullptr;
        float factor = 0, largest = 0;
        int b = 0;
        float radiusFactor = 0, farWeight = 0;
        bool operator==(const Planned&) const = default;
    } planned_;
    static constexpr int kRawStride = kMaxMapItems + 1;
    float raw_[kRawStride][kRawStride];  // symmetric
    bool moved_[kMaxMapItems + 1];
    int movedList_[kMaxMapItems];                         // 0-based
    int movedCount_ = 0;
    alignas(64) float movedRows_[kMaxMapItems][kMaxDim];  // their components, a row each
    alignas(64) float movedDistances_[kMaxMapItems][kMaxMapItems];  // and their distances, normalised
    bool distancesBehind_ = false;                                  // `distances` lag the raw ones
    std::vector<float, LargeBlocks<float>> targets_;                          // the weight targets of every item, a row each
};

// The training loop without the window: the run's state and one counted
// step. The run adds the redraws, the event pumps and the messages.
class SocTraining {
public:
    // The prototypes trained on components 1..dim of the items, their
    // distances kept in `distances` (normalised to `size`) and their win
    // scores in `scores` (from 1); base rate rho, the mean start error M and
    // the number of steps T.
    void Begin(Prototypes& prototypes, const Table& items, int dim, DistanceMatrix& distances, double size,
               std::vector<float>& scores, float rho, float meanStartError, int steps);

    // The learning of one counted step with item r: match, update while the
    // gate is open (error below M in the first T/20 steps, below 100 M
    // afterwards), the running error, the win score and the rate; an item in
    // no prototype changes none of them. Returns the running error.
    float Learn(int t, int r);
    // Item r's values fetched ahead, for a later Learn.
    void Prefetch(int r) const { trainer_.Prefetch(r); }
    float LearnRate() const { return learnRate_; }
    // The end of a counted step, after any redraw: every 200 steps the
    // prototype distances and two steps of the prototype map.
    void FitMap(MapLayout& map);

    // The prototype distances as they stand (after training).
    void Distances() { trainer_.Distances(); }
    // The prototype distances of the last fit, for a redraw.
    void SyncDistances() { trainer_.SyncDistances(); }
    // The prototype map's step over the distances as they stand, for
    // settling the map after training.
    MdsPlan& MapStep();
    const MdsPlan& Map() const { return plan_; }
    static constexpr float kMapStepLength = 0.005f;

private:
    DistanceMatrix* distances_ = nullptr;
    std::vector<float>* scores_ = nullptr;
    int k_ = 0, dim_ = 0;
    float rho_ = 0, meanStartError_ = 0, smoothed_ = 0, learnRate_ = 0;
    int firstPhase_ = 0, mapCounter_ = 0;
    SocTrainer trainer_;
    MdsPlan plan_;
};
