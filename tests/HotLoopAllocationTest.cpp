// The hot loops work in storage that exists before they start: no step of
// the map layout or of SOC training, no map drawing, and no chunk of rows
// placed on the map or compared for its fit asks for memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "handlers/MapPanel.h"
#include "handlers/RowPlacement.h"
#include "mds/MapFit.h"
#include "mds/MdsStep.h"
#include "mds/NeighbourLayout.h"
#include "mrp/Clustering.h"
#include "parallel/Chunks.h"
#include "soc/SocMatcher.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "support/FakeForm.h"
#include "support/NullForm.h"
#include "session/Random.h"
#include "session/Session.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

// Counts the allocations made while it lives.
class AllocationCount {
public:
    AllocationCount() {
        allocations = 0;
        counting = true;
    }
    ~AllocationCount() { counting = false; }
    long operator()() const { return allocations; }
};

}  // namespace

// Every plain and array new of this test program passes here, and every
// matching delete frees with free (the aligned forms keep the library's own
// pair, which does not count).
namespace {

void* Allocate(std::size_t size) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
// The compiler pairs new with delete and warns on a free of what new gave;
// here new is malloc, so free is its match.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

// n items of dim components with some structure, K prototypes drawn from
// them with unit weights, and a map of K prototypes on 2 axes.
Session SocSession(int n, int dim, int k) {
    Session session;
    Random random;
    session.VectorDim = dim;
    session.table.Resize(n, dim);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q)
            session.table.Row(i)[q] = static_cast<float>(((i % 4) == (q % 4) ? 8 : 1) + (i * 7 + q) % 5);
    random.SeedWith(3);
    session.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p)
        for (int q = 1; q <= dim; ++q) {
            session.prototypes.Vector(p)[q] = session.table.Row(1 + random.Below(n))[q];
            session.prototypes.Weights(p)[q] = 1;
        }
    session.map.Resize(k);
    session.map.axisSize[1] = session.map.axisSize[2] = 25;
    for (int i = 1; i <= k; ++i)
        for (int a = 1; a <= 2; ++a) session.map.Point(i)[a] = static_cast<float>(1 + random.Below(24));
    session.MakeRoom(std::max(n, k));
    return session;
}

TEST(HotLoops, TheCountSeesAnAllocation) {
    volatile std::size_t size = 100;
    const AllocationCount count;
    std::vector<int> v(size);
    v[0] = 1;
    EXPECT_EQ(count(), 1);
}

TEST(HotLoops, MapLayoutStepsAskForNoMemory) {
    Session session = SocSession(60, 5, 60);
    DistanceMatrix& d = session.distances;
    d.Resize(60);
    for (int i = 1; i <= 60; ++i)
        for (int j = 1; j <= 60; ++j) d.Row(i)[j] = static_cast<float>((i * j) % 17 + (i == j ? 0 : 1));
    d.largest = 1;
    const auto plan = std::make_unique<MdsPlan>();
    plan->Prepare(d, 5, 1.8f, 0.0001f);
    const AllocationCount count;
    for (int i = 0; i < 200; ++i) plan->Step(session.map, 3, 0.5f);
    EXPECT_EQ(count(), 0);
}

// The assignment asks each item in no cluster for its best one, 20 rounds
// over, and the fit of the MRP values does so for every trial.
TEST(HotLoops, FindingAnItemsBestClusterAsksForNoMemory) {
    DistanceMatrix d;
    d.Resize(60);
    for (int i = 1; i <= 60; ++i)
        for (int j = 1; j <= 60; ++j) d.Row(i)[j] = i == j ? 0.0f : static_cast<float>(std::abs(i - j) % 20 + 1);
    d.scale = 1;
    const LinkedItems linked(d, 8);
    SilentReport silent;
    const Clusters clusters = ChooseLinkedCentres(linked, 30, 1.0f, 0.2f, silent);
    ASSERT_GE(clusters.count, 2);
    const std::vector<int> clusterOf = ClusterOfEachCentre(clusters);
    const AllocationCount count;
    for (int a = 1; a <= 60; ++a) BestCluster(clusters, linked.links, clusterOf, a);
    EXPECT_EQ(count(), 0);
}

TEST(HotLoops, SocTrainingStepsAskForNoMemory) {
    Session session = SocSession(89, 26, 20);
    const auto training = std::make_unique<SocTraining>();
    training->Begin(session.prototypes, session.table, 26, session.distances, 25 * 3, session.ItemScore, 0.05f,
                    MeanStartError(session.prototypes, session.table, 89, 26), 20000);
    Random random;
    random.SeedWith(5);
    const AllocationCount count;
    // Past several prototype-distance passes (the blocked pass over the
    // pairs of the prototypes that moved, the map's pair tables with it) and
    // prototype-map updates.
    for (int t = 1; t <= 2000; ++t) {
        training->Learn(t, 1 + random.Below(89));
        training->FitMap(session.map);
    }
    training->Distances();
    EXPECT_EQ(count(), 0);
}

TEST(HotLoops, DrawingAMapOfFourHundredItemsAsksForNoMemory) {
    Session session = SocSession(400, 3, 400);
    // Thirty clusters, items 1..30 their centres.
    session.clusters.Clear(400);
    session.clusters.count = 30;
    session.clusters.centres.resize(31);
    session.view.projected.assign(401 * 3, 0.0);
    for (int i = 1; i <= 400; ++i) {
        session.view.Projected(i)[1] = session.map.Point(i)[1];
        session.view.Projected(i)[2] = session.map.Point(i)[2];
        session.clusters.probability[static_cast<std::size_t>(i)] = 0.5f;
        session.clusters.marks[static_cast<std::size_t>(i)] =
            i <= 30 ? ClusterMark::Centre(i) : ClusterMark::Member(1 + i % 30);
        if (i <= 30) session.clusters.centres[static_cast<std::size_t>(i)] = i;
    }
    session.distances.Resize(400);
    session.view.zoom = 1;
    session.map.size[1] = session.map.size[2] = 25;
    NullForm form;
    for (int mode : {kViewBars, kViewNumbers}) {
        session.view.mode = mode;
        const AllocationCount count;
        RedrawMap(form, session);
        EXPECT_EQ(count(), 0) << "view mode " << mode;
    }
}

// Placing rows on the map and measuring their fit ask for memory before
// the chunks start (the threads, each one's storage) alone: as much for
// four chunks of rows placed a core as for eight, and for 400 rows compared
// as for 800 (under the 1,000 the fit draws), complete or with a gap. The
// rows compared are the landmarks, laid out by their first two components.
TEST(HotLoops, ChunksOfRowsPlacedOrComparedAskForNoMemory) {
    Session session;
    NullForm form;
    const StopCheck stop(form, session);
    const std::function<bool()> goOn = [] { return true; };
    const auto allocations = [&](int chunksPerCore) {
        const int points = 100 * chunksPerCore;
        AllRows rows{{}, {}, 3};
        rows.table.Resize(points + chunksPerCore * ChunkWorkers() * 256, 3);
        std::fill(rows.table.missing.begin(), rows.table.missing.end(), 0);
        MapLayout map;
        map.Resize(points);
        map.axisSize[1] = map.axisSize[2] = 20;
        for (int r = 1; r <= rows.table.rows; ++r) {
            for (int q = 1; q <= 3; ++q) rows.table.Row(r)[q] = static_cast<float>(r * (q + 36) % 10007) * 0.002f;
            if (r > points) continue;
            rows.landmarks.push_back(r);
            std::copy_n(rows.table.Row(r) + 1, 2, map.Point(r) + 1);
        }
        Table gap = rows.table;
        gap.Row(1)[3] = NAN;
        gap.missing[1] = 1;
        const AllocationCount count;
        EXPECT_TRUE(RowsAtWall(rows, map, {2, 2, 1.8f, 0.0001f, 20, 14}, 1, stop));
        MeasureRowsFit(map, rows.table, 3, 1, 2, 5, goOn);
        MeasureRowsFit(map, gap, 3, 1, 2, 5, goOn);
        return count();
    };
    EXPECT_EQ(allocations(8), allocations(4));
}

// An epoch of the neighbours map asks for memory only to start its chunks:
// as much for 4,096 rows as for 2,048.
TEST(HotLoops, NeighbourMapEpochsAskForNoMemory) {
    const std::function<bool()> goOn = [] { return true; };
    const auto allocations = [&](int n) {
        RowValues rows{n, 2, std::vector<float>(static_cast<std::size_t>(2 * n))};
        for (int i = 0; i < 2 * n; ++i) rows.values[static_cast<std::size_t>(i)] = static_cast<float>(i * 37 % 1009);
        NeighbourLayout layout(*NearestRows(rows, {15, 1, 2}, goOn), rows.values, {2, 10, 1, 2}, goOn);
        const AllocationCount count;
        for (int t = 0; t < layout.Epochs(); ++t) layout.Epoch(t, goOn);
        return count();
    };
    EXPECT_EQ(allocations(4096), allocations(2048));
}

}  // namespace
