#include "mds/NeighbourGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "distances/VectorTargets.h"
#include "mds/KeyedRandom.h"
#include "parallel/Chunks.h"
#include "table/Capacities.h"

namespace {

constexpr float kFar = std::numeric_limits<float>::infinity();
// Beyond this many multiply-adds (rows x rows x components) the trees and
// rounds find the graph sooner than comparing every pair.
constexpr double kPairsWork = 3e8;
constexpr int kTrees = 8;
constexpr int kLeafRows = 32;
constexpr int kRounds = 4;
// A round that changes fewer than one entry in this many ends the rounds.
constexpr int kSettledShare = 500;
constexpr int kChunkRows = 256;

// A squared distance that ranks as VectorDistance: over the components both
// rows have, scaled up to all of them; none in common is infinitely far.
[[gnu::always_inline]] inline float SquareBetween(const float* __restrict a, const float* __restrict b, int dim) {
    float sum = 0.0f;
    int present = 0;
#pragma omp simd reduction(+ : sum, present)
    for (int q = 0; q < dim; ++q) {
        const float d = a[q] - b[q];
        const bool both = d == d;
        sum += both ? d * d : 0.0f;
        present += both ? 1 : 0;
    }
    if (present == dim) return sum;
    return present == 0 ? kFar : sum * static_cast<float>(dim) / static_cast<float>(present);
}

// The k nearest offered so far: the smallest values, among equal values
// the lowest rows; each row offered once.
class Nearest {
public:
    explicit Nearest(int k) : k_(k) {}
    void Clear() { count_ = 0; }
    [[gnu::always_inline]] bool Offer(int row, float value) {
        if (count_ == k_ && !Before(value, row, k_ - 1)) return false;
        int at = count_ < k_ ? count_++ : k_ - 1;
        for (; at > 0 && Before(value, row, at - 1); --at) {
            value_[at] = value_[at - 1];
            row_[at] = row_[at - 1];
        }
        value_[at] = value;
        row_[at] = row;
        return true;
    }
    // Into a graph's list of k, -1 after the rows found; the squared values
    // as distances.
    void Write(int* rows, float* distances) const {
        for (int j = 0; j < k_; ++j) {
            rows[j] = j < count_ ? row_[j] : -1;
            distances[j] = j < count_ ? std::sqrt(value_[j]) : kFar;
        }
    }

private:
    bool Before(float value, int row, int at) const {
        return value < value_[at] || (value == value_[at] && row < row_[at]);
    }
    int k_, count_ = 0;
    float value_[kMostNeighbours];
    int row_[kMostNeighbours];
};

NeighbourGraph EmptyGraph(int n, int k) {
    NeighbourGraph g;
    g.n = n;
    g.k = k;
    g.rows.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(k), -1);
    g.distances.assign(g.rows.size(), kFar);
    return g;
}

VECTOR_TARGETS void ScanAll(const RowValues& rows, int i, Nearest& nearest) {
    const float* x = rows.Row(i);
    for (int j = 0; j < rows.n; ++j)
        if (j != i) nearest.Offer(j, SquareBetween(x, rows.Row(j), rows.dim));
}

// One tree: the rows in an order in which every leaf's rows stand together,
// and each row's leaf as the range [leafFrom, leafTo) of that order.
struct Tree {
    std::vector<int> order;
    std::vector<int> leafFrom, leafTo;  // of each row
};

// The plane halfway between two rows, across the line through them; a
// component either row misses does not count.
struct Plane {
    float normal[kMaxDim], middle[kMaxDim];
    int dim;
    Plane(const float* a, const float* b, int components) : dim(components) {
        for (int q = 0; q < dim; ++q) normal[q] = a[q] - b[q], middle[q] = 0.5f * (a[q] + b[q]);
    }
    bool Above(const float* x) const {
        float side = 0.0f;
#pragma omp simd reduction(+ : side)
        for (int q = 0; q < dim; ++q) {
            const float term = normal[q] * (x[q] - middle[q]);
            side += term == term ? term : 0.0f;
        }
        return side > 0.0f;
    }
};

// Splits order[from, to) between two of its rows drawn, or in halves when
// the plane leaves one side empty; returns where the second part starts.
int Split(const RowValues& rows, std::vector<int>& order, int from, int to, KeyedRandom& random) {
    const int size = to - from;
    const int a = order[static_cast<std::size_t>(from + random.Below(size))];
    int b = order[static_cast<std::size_t>(from + random.Below(size - 1))];
    if (b == a) b = order[static_cast<std::size_t>(to - 1)];
    const Plane plane(rows.Row(a), rows.Row(b), rows.dim);
    const auto first = order.begin() + from, last = order.begin() + to;
    const int middle =
        static_cast<int>(std::partition(first, last, [&](int r) { return plane.Above(rows.Row(r)); }) - order.begin());
    return middle == from || middle == to ? from + size / 2 : middle;
}

Tree GrowTree(const RowValues& rows, std::uint64_t key) {
    Tree tree;
    tree.order.resize(static_cast<std::size_t>(rows.n));
    std::iota(tree.order.begin(), tree.order.end(), 0);
    tree.leafFrom.resize(static_cast<std::size_t>(rows.n));
    tree.leafTo.resize(static_cast<std::size_t>(rows.n));
    KeyedRandom random(key);
    std::vector<std::pair<int, int>> open = {{0, rows.n}};
    while (!open.empty()) {
        const auto [from, to] = open.back();
        open.pop_back();
        if (to - from > kLeafRows) {
            const int middle = Split(rows, tree.order, from, to, random);
            open.push_back({middle, to});
            open.push_back({from, middle});
            continue;
        }
        for (int s = from; s < to; ++s) {
            const auto r = static_cast<std::size_t>(tree.order[static_cast<std::size_t>(s)]);
            tree.leafFrom[r] = from;
            tree.leafTo[r] = to;
        }
    }
    return tree;
}

// Each thread's own: the search's list, and which rows the visit it makes
// has seen (seen[j] == visit).
struct Searcher {
    Nearest nearest;
    std::vector<int> seen;
    int visit = 0;
    // A new visit: a row, its list empty, no row seen yet but `self`.
    int Start(int self) {
        nearest.Clear();
        seen[static_cast<std::size_t>(self)] = ++visit;
        return visit;
    }
    // Whether row j is seen for the first time on this visit.
    bool FirstSight(int j) {
        if (seen[static_cast<std::size_t>(j)] == visit) return false;
        seen[static_cast<std::size_t>(j)] = visit;
        return true;
    }
};

std::vector<Searcher> Searchers(int workers, int n, int k) {
    return std::vector<Searcher>(static_cast<std::size_t>(workers), {Nearest(k), std::vector<int>(static_cast<std::size_t>(n), -1)});
}

// Row i's first neighbours: the other rows of its leaves.
VECTOR_TARGETS void FromLeaves(const RowValues& rows, const std::vector<Tree>& forest, int i, Searcher& s) {
    s.Start(i);
    const float* x = rows.Row(i);
    for (const Tree& tree : forest)
        for (int p = tree.leafFrom[static_cast<std::size_t>(i)]; p < tree.leafTo[static_cast<std::size_t>(i)]; ++p) {
            const int j = tree.order[static_cast<std::size_t>(p)];
            if (s.FirstSight(j)) s.nearest.Offer(j, SquareBetween(x, rows.Row(j), rows.dim));
        }
}

// A graph being improved: its lists, and of each entry whether it came in
// the round before (only pairs with a newcomer are worth comparing again).
struct Round {
    NeighbourGraph graph;
    std::vector<char> fresh;
};

// Of each row, up to k rows that list it, in row order.
void ListReverse(const NeighbourGraph& g, std::vector<int>& reverse, std::vector<int>& count) {
    reverse.assign(g.rows.size(), -1);
    count.assign(static_cast<std::size_t>(g.n), 0);
    for (int i = 0; i < g.n; ++i)
        for (int e = 0; e < g.k; ++e) {
            const int j = g.RowsOf(i)[e];
            if (j < 0) continue;
            int& c = count[static_cast<std::size_t>(j)];
            if (c < g.k) reverse[static_cast<std::size_t>(j) * static_cast<std::size_t>(g.k) + static_cast<std::size_t>(c++)] = i;
        }
}

// Row i's list after it met the neighbours of its neighbours (those it
// lists and those that list it), into `next`; returns the entries that
// changed.
VECTOR_TARGETS int Meet(const RowValues& rows, const Round& now, const std::vector<int>& reverse,
                        const std::vector<int>& reverseCount, int i, Searcher& s, Round& next) {
    const NeighbourGraph& g = now.graph;
    const std::size_t k = static_cast<std::size_t>(g.k), at = static_cast<std::size_t>(i) * k;
    s.Start(i);
    for (std::size_t e = 0; e < k; ++e) {
        const int j = g.rows[at + e];
        if (j >= 0 && s.FirstSight(j)) s.nearest.Offer(j, g.distances[at + e] * g.distances[at + e]);
    }
    const float* x = rows.Row(i);
    const auto meet = [&](int j, bool jFresh) {
        const std::size_t from = static_cast<std::size_t>(j) * k;
        for (std::size_t e = 0; e < k; ++e) {
            const int l = g.rows[from + e];
            if (l >= 0 && (jFresh || now.fresh[from + e]) && s.FirstSight(l))
                s.nearest.Offer(l, SquareBetween(x, rows.Row(l), rows.dim));
        }
    };
    for (std::size_t e = 0; e < k; ++e)
        if (g.rows[at + e] >= 0) meet(g.rows[at + e], now.fresh[at + e] != 0);
    for (int e = 0; e < reverseCount[static_cast<std::size_t>(i)]; ++e) meet(reverse[at + static_cast<std::size_t>(e)], true);
    s.nearest.Write(&next.graph.rows[at], &next.graph.distances[at]);
    int changed = 0;
    for (std::size_t e = 0; e < k; ++e) {
        const int j = next.graph.rows[at + e];
        const bool known = std::find(g.rows.begin() + static_cast<std::ptrdiff_t>(at),
                                     g.rows.begin() + static_cast<std::ptrdiff_t>(at + k), j) !=
                           g.rows.begin() + static_cast<std::ptrdiff_t>(at + k);
        next.fresh[at + e] = !known;
        changed += known ? 0 : 1;
    }
    return changed;
}

// The rounds after the leaves; false when goOn said no.
bool MeetNeighbours(const RowValues& rows, const NeighbourSearch& search, std::vector<Searcher>& searchers,
                    const std::function<bool()>& goOn, Round& now) {
    Round next = now;
    std::vector<int> reverse, reverseCount;
    const int chunks = (rows.n + kChunkRows - 1) / kChunkRows;
    std::vector<int> changed(static_cast<std::size_t>(chunks));
    for (int round = 0; round < kRounds; ++round) {
        ListReverse(now.graph, reverse, reverseCount);
        const int done = InChunks(
            rows.n, kChunkRows, search.workers,
            [&](int from, int to, int worker) {
                int c = 0;
                for (int i = from; i < to; ++i)
                    c += Meet(rows, now, reverse, reverseCount, i, searchers[static_cast<std::size_t>(worker)], next);
                changed[static_cast<std::size_t>(from / kChunkRows)] = c;
            },
            goOn);
        if (done < rows.n) return false;
        std::swap(now, next);
        const long total = std::accumulate(changed.begin(), changed.end(), 0L);
        if (total * kSettledShare < static_cast<long>(rows.n) * search.k) break;
    }
    return true;
}

std::optional<NeighbourGraph> SearchByTrees(const RowValues& rows, const NeighbourSearch& search,
                                            const std::function<bool()>& goOn) {
    std::vector<Tree> forest(kTrees);
    if (InChunks(
            kTrees, 1, search.workers,
            [&](int from, int, int) {
                forest[static_cast<std::size_t>(from)] =
                    GrowTree(rows, KeyedRandom(search.seed, 0, static_cast<std::uint64_t>(from)).Next());
            },
            goOn) < kTrees)
        return std::nullopt;
    std::vector<Searcher> searchers = Searchers(search.workers, rows.n, search.k);
    Round round{EmptyGraph(rows.n, search.k), std::vector<char>(static_cast<std::size_t>(rows.n) * static_cast<std::size_t>(search.k), 1)};
    const int done = InChunks(
        rows.n, kChunkRows, search.workers,
        [&](int from, int to, int worker) {
            Searcher& s = searchers[static_cast<std::size_t>(worker)];
            for (int i = from; i < to; ++i) {
                FromLeaves(rows, forest, i, s);
                s.nearest.Write(&round.graph.rows[static_cast<std::size_t>(i) * static_cast<std::size_t>(search.k)],
                                &round.graph.distances[static_cast<std::size_t>(i) * static_cast<std::size_t>(search.k)]);
            }
        },
        goOn);
    if (done < rows.n || !MeetNeighbours(rows, search, searchers, goOn, round)) return std::nullopt;
    return std::move(round.graph);
}

// The search over the rows in the order of a tree's leaves, so that rows
// near each other lie near in memory while the rounds read them; the graph
// in the rows' own numbers.
std::optional<NeighbourGraph> ByTrees(const RowValues& rows, const NeighbourSearch& search,
                                      const std::function<bool()>& goOn) {
    const Tree tree = GrowTree(rows, KeyedRandom(search.seed, 1, 0).Next());
    const auto dim = static_cast<std::size_t>(rows.dim);
    RowValues near{rows.n, rows.dim, std::vector<float>(rows.values.size())};
    for (std::size_t p = 0; p < tree.order.size(); ++p)
        std::copy_n(rows.Row(tree.order[p]), dim, near.values.begin() + static_cast<std::ptrdiff_t>(p * dim));
    const std::optional<NeighbourGraph> found = SearchByTrees(near, search, goOn);
    if (!found) return std::nullopt;
    NeighbourGraph g = EmptyGraph(rows.n, search.k);
    for (int p = 0; p < rows.n; ++p) {
        const std::size_t at = static_cast<std::size_t>(tree.order[static_cast<std::size_t>(p)]) * static_cast<std::size_t>(g.k);
        for (int e = 0; e < g.k; ++e) {
            const int j = found->RowsOf(p)[e];
            g.rows[at + static_cast<std::size_t>(e)] = j < 0 ? -1 : tree.order[static_cast<std::size_t>(j)];
            g.distances[at + static_cast<std::size_t>(e)] = found->DistancesOf(p)[e];
        }
    }
    return g;
}

}  // namespace

std::optional<NeighbourGraph> NearestRows(const RowValues& rows, const NeighbourSearch& search,
                                          const std::function<bool()>& goOn) {
    const int k = std::clamp(search.k, 1, kMostNeighbours);
    const NeighbourSearch s{k, search.seed, std::max(search.workers, 1)};
    if (static_cast<double>(rows.n) * rows.n * std::max(rows.dim, 1) > kPairsWork) return ByTrees(rows, s, goOn);
    NeighbourGraph g = EmptyGraph(rows.n, k);
    std::vector<Nearest> nearest(static_cast<std::size_t>(s.workers), Nearest(k));
    const int done = InChunks(
        rows.n, kChunkRows, s.workers,
        [&](int from, int to, int worker) {
            Nearest& found = nearest[static_cast<std::size_t>(worker)];
            for (int i = from; i < to; ++i) {
                found.Clear();
                ScanAll(rows, i, found);
                const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(k);
                found.Write(&g.rows[at], &g.distances[at]);
            }
        },
        goOn);
    if (done < rows.n) return std::nullopt;
    return g;
}

NeighbourGraph NearestItems(const DistanceMatrix& d, const std::vector<int>& items, int k) {
    const int n = static_cast<int>(items.size());
    k = std::clamp(k, 1, kMostNeighbours);
    NeighbourGraph g = EmptyGraph(n, k);
    Nearest found(k);
    for (int i = 0; i < n; ++i) {
        found.Clear();
        for (int j = 0; j < n; ++j) {
            const float v = d.At(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
            if (j != i && !std::isnan(v)) found.Offer(j, v * v);
        }
        found.Write(&g.rows[static_cast<std::size_t>(i) * static_cast<std::size_t>(k)],
                    &g.distances[static_cast<std::size_t>(i) * static_cast<std::size_t>(k)]);
    }
    return g;
}
