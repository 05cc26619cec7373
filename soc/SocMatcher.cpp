#include "soc/SocMatcher.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "parallel/Chunks.h"
#include "soc/SocSteps.h"

namespace {

// The keys that may rank beside the best key: within a hair of it.
constexpr float kNear = 1.0001f;

// NearestPrototype in the form of SocMatcher::Match.
bool MatchPlainly(const Prototypes& prototypes, const Table& items, int a, int dim, int& winner,
                  float& error) {
    const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, items, a, dim);
    if (!match) return false;
    winner = match->prototype;
    error = match->error;
    return true;
}

}  // namespace

const float* SocMatcher::InUnit(const float* v, float (&room)[kMaxDim]) const {
    if (inverseUnit_ == 1.0f) return v;
    for (int q = 0; q < dim_; ++q) room[q] = v[q] * inverseUnit_;
    return room;
}

void SocMatcher::Start(const Prototypes& prototypes, const Table& items, int dim) {
    prototypes_ = &prototypes;
    items_ = &items;
    k_ = MapRows(prototypes.k);
    dim_ = std::clamp(dim, 0, kMaxDim);
    plain_ = prototypes.k > kMaxMapItems;  // more than the copy holds
    unit_ = items.distanceUnit;
    inverseUnit_ = 1.0f / unit_;
    for (int s = 0; s < kStride; ++s) group_[s] = s < k_ ? s : -1;
    for (int p = 0; p < k_; ++p) slot_[p] = p;
    for (int p = 1; p <= k_; ++p) Copy(p);
    // Past the prototypes, scales that never rank.
    std::fill(groupedScale_ + k_, groupedScale_ + kStride, std::numeric_limits<float>::quiet_NaN());
    lastWinner_.assign(static_cast<std::size_t>(std::max(items.rows, 0)) + 1, 0);
    ChooseComponents();
}

// What the items' components are like, over the items without missing
// components among up to kMaxSocVectors of them spread over the table: their
// means, variances and mean weight targets.
namespace {

struct ComponentSpread {
    double mean[kMaxDim] = {}, spread[kMaxDim] = {}, weight[kMaxDim] = {};
};

ComponentSpread SpreadOf(const Table& items, int dim) {
    ComponentSpread c;
    const int every = std::max(1, items.rows / kMaxSocVectors);
    int whole = 0;
    for (int i = 1; i <= items.rows; i += every) {
        if (items.missing[static_cast<std::size_t>(i)] != 0) continue;
        const float* row = items.Row(i) + 1;
        ++whole;
        for (int q = 0; q < dim; ++q) {
            c.mean[q] += row[q];
            c.spread[q] += static_cast<double>(row[q]) * row[q];
            c.weight[q] += WeightTarget(row[q]);
        }
    }
    const double n = std::max(whole, 1);
    for (int q = 0; q < dim; ++q) {
        c.mean[q] /= n;
        c.spread[q] = c.spread[q] / n - c.mean[q] * c.mean[q];
        c.weight[q] /= n;
    }
    return c;
}

}  // namespace

// The components 0 in every item and prototype, and how far an item lies
// from a prototype in each of the others in the mean: the items' variance
// plus the item's squared distance from their mean, times the weight the
// prototypes tend to (the mean weight target).
void SocMatcher::ChooseComponents() {
    const Table& items = *items_;
    bool zero[kMaxDim];
    std::fill_n(zero, dim_, true);
    for (int i = 1; i <= items.rows; ++i)
        for (int q = 0; q < dim_; ++q) zero[q] = zero[q] && items.Row(i)[q + 1] * inverseUnit_ == 0.0f;
    for (int p = 1; p <= k_; ++p)
        for (int q = 0; q < dim_; ++q) zero[q] = zero[q] && prototypes_->Vector(p)[q + 1] * inverseUnit_ == 0.0f;
    used_ = 0;
    for (int q = 0; q < dim_; ++q)
        if (!zero[q]) components_[used_++] = q;
    const ComponentSpread c = SpreadOf(items, dim_);
    const double *weights = c.weight, *spread = c.spread, *mean = c.mean;
    std::copy(components_, components_ + used_, general_);
    std::stable_sort(general_, general_ + used_,
                     [&](int a, int b) { return weights[a] * spread[a] > weights[b] * spread[b]; });
    // An order of its own pays for an item matched many times, as in a run
    // on up to kMaxSocVectors; a run on every row of a long table matches
    // each a few times.
    farthest_.clear();
    if (items.rows > kMaxSocVectors) return;
    farthest_.resize(static_cast<std::size_t>(items.rows + 1) * used_);
    for (int i = 1; i <= items.rows; ++i) {
        double expected[kMaxDim];
        const float* row = items.Row(i) + 1;
        for (int q = 0; q < dim_; ++q)
            expected[q] = weights[q] * (spread[q] + (row[q] - mean[q]) * (row[q] - mean[q]));
        Farthest(expected, general_, farthest_.data() + static_cast<std::size_t>(i) * used_);
    }
}

// An item's components, farthest first: the first sixteen chosen for it
// (the eight farthest, then the next eight, each eight in no particular
// order: the search tests its sums eight components at a time), the others
// in the general order.
void SocMatcher::Farthest(const double* expected, const int* general, std::uint8_t* order) const {
    constexpr int kChosen = 16, kFirst = 8;
    const auto farther = [&](int a, int b) { return expected[a] > expected[b] || (expected[a] == expected[b] && a < b); };
    int chosen[kMaxDim];
    std::copy(general, general + used_, chosen);
    const int head = std::min(kChosen, used_);
    std::nth_element(chosen, chosen + head, chosen + used_, farther);
    std::nth_element(chosen, chosen + std::min(kFirst, head), chosen + head, farther);
    bool taken[kMaxDim] = {};
    for (int j = 0; j < head; ++j) {
        order[j] = static_cast<std::uint8_t>(chosen[j]);
        taken[chosen[j]] = true;
    }
    int j = head;
    for (int g = 0; g < used_; ++g)
        if (!taken[general[g]]) order[j++] = static_cast<std::uint8_t>(general[g]);
}

void SocMatcher::Copy(int p) {
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
    groupedScale_[s] = 1.0f / (sum * sum);
    // The search below relies on a weight sum of at least 1 and on sums
    // that only grow, as trained weights (never below 0.05) give.
    if (!(sum >= 1.0f) || !std::isfinite(sum) || negative) plain_ = true;
}

void SocMatcher::Group(const float* raw, int stride) {
    bool placed[kMaxMapItems] = {};
    std::pair<float, int> rest[kMaxMapItems];
    int s = 0;
    for (int seed = 0; seed < k_; ++seed) {
        if (placed[seed]) continue;
        placed[seed] = true;
        group_[s++] = seed;
        const float* distances = raw + static_cast<std::size_t>(seed + 1) * stride;
        int n = 0;
        for (int p = 0; p < k_; ++p)
            if (!placed[p]) rest[n++] = {distances[p + 1], p};
        const int nearest = std::min(kSocLanes - 1, n);
        std::nth_element(rest, rest + nearest, rest + n);
        for (int i = 0; i < nearest; ++i) {
            placed[rest[i].second] = true;
            group_[s++] = rest[i].second;
        }
    }
    for (s = 0; s < k_; ++s) slot_[group_[s]] = s;
    for (int p = 1; p <= k_; ++p) Copy(p);
}

// Ranks by S / W^2, which orders the prototypes as 0.1 sqrt(S) / W does,
// and computes the exact ranking value only for those within a hair of the
// best key: prototypes whose rounded values tie are all among them, and
// among equal values the lowest-numbered wins as in MatchItem. A block of
// prototypes whose partial keys all lie beyond a key already found,
// widened by the same hair, cannot hold one of them and is given up; the
// block of the item's last winner comes first, so that such a key is near
// the best from the start.
bool SocMatcher::Match(int a, int& winner, float& error) {
    const Table& items = *items_;
    if (plain_ || items.missing[static_cast<std::size_t>(a)] != 0)
        return MatchPlainly(*prototypes_, items, a, dim_, winner, error);
    const int last = lastWinner_[static_cast<std::size_t>(a)];
    float room[kMaxDim];
    const float* x = InUnit(items.Row(a) + 1, room);
    int own[kMaxDim];
    const int* farthest = farthest_.empty() ? general_ : own;
    const std::uint8_t* order = farthest_.data() + static_cast<std::size_t>(a) * used_;
    for (int q = 0; q < used_ && !farthest_.empty(); ++q) own[q] = order[q];
    const float near =
        kNear * SocWeightedErrors({k_, dim_, grouped_, groupedScale_, components_, farthest, used_}, x, kNear,
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

// Summed in the distance unit, as the errors were; every item matched as
// training matches, by the blocked search over a table of any length.
void MatchEveryItem(const Prototypes& prototypes, const Table& items, int n, int dim,
                    const std::function<void(int item, int winner, float error)>& matched) {
    std::vector<std::unique_ptr<SocMatcher>> matchers;
    matchers.push_back(std::make_unique<SocMatcher>());
    matchers[0]->Start(prototypes, items, dim);
    while (static_cast<int>(matchers.size()) < ChunkWorkers())
        matchers.push_back(std::make_unique<SocMatcher>(*matchers[0]));
    constexpr int kItemsAChunk = 1024;
    InChunks(
        std::clamp(n, 0, items.rows), kItemsAChunk,
        [&](int from, int to, int worker) {
            SocMatcher& matcher = *matchers[static_cast<std::size_t>(worker)];
            for (int i = from + 1; i <= to; ++i) {
                int winner = 0;
                float error = 0.0f;
                if (matcher.Match(i, winner, error)) matched(i, winner, error);
            }
        },
        [] { return true; });
}

float MeanStartError(const Prototypes& prototypes, const Table& items, int n, int dim) {
    const float unit = items.distanceUnit, inverse = 1.0f / unit;
    // Matched on every core, summed in the items' order.
    std::vector<float> errors(static_cast<std::size_t>(std::clamp(n, 0, items.rows)) + 1,
                              std::numeric_limits<float>::quiet_NaN());
    MatchEveryItem(prototypes, items, n, dim,
                   [&](int i, int, float error) { errors[static_cast<std::size_t>(i)] = error * inverse; });
    float sum = 0.0f;
    int matched = 0;
    for (std::size_t i = 1; i < errors.size(); ++i) {
        if (std::isnan(errors[i])) continue;
        sum += errors[i];
        ++matched;
    }
    return matched > 0 ? sum / static_cast<float>(matched) * unit : 0.0f;
}
