// The hot loops work in storage that exists before they start: no step of
// the map layout or of SOC training, and no map drawing, asks for memory.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "mds/MdsStep.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "support/FakeForm.h"
#include "support/NullForm.h"
#include "view/MapDrawing.h"
#include "workspace/Random.h"
#include "workspace/Workspace.h"

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
void SocWorkspace(int n, int dim, int k) {
    FreshWorkspace();
    ws.VectorCount = n;
    ws.VectorDim = dim;
    ws.ItemCount = k;
    ws.AxisSize[1] = ws.AxisSize[2] = 25;
    ws.MapEnlargement = 3;
    ws.AvgKeep = 0.999f;
    ws.AvgGain = 0.001f;
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q)
            ws.InputVectors[i][q] = static_cast<float>(((i % 4) == (q % 4) ? 8 : 1) + (i * 7 + q) % 5);
    SeedRandomWith(3);
    for (int p = 1; p <= k; ++p)
        for (int q = 1; q <= dim; ++q) {
            ws.Prototypes[p][1][q] = ws.InputVectors[1 + RandomBelow(n)][q];
            ws.Prototypes[p][2][q] = 1;
        }
    for (int i = 1; i <= k; ++i)
        for (int a = 1; a <= 2; ++a) ws.MapCoords[i][a] = static_cast<float>(1 + RandomBelow(24));
}

TEST(HotLoops, TheCountSeesAnAllocation) {
    volatile std::size_t size = 100;
    const AllocationCount count;
    std::vector<int> v(size);
    v[0] = 1;
    EXPECT_EQ(count(), 1);
}

TEST(HotLoops, MapLayoutStepsAskForNoMemory) {
    SocWorkspace(60, 5, 60);
    for (int i = 1; i <= 60; ++i)
        for (int j = 1; j <= 60; ++j)
            ws.DistMatrix[i][j] = static_cast<float>((i * j) % 17 + (i == j ? 0 : 1));
    ws.MaxDist = 1;
    static MdsPlan plan;
    plan.Prepare(60, 5, 1.8f, 0.0001f);
    const AllocationCount count;
    for (int i = 0; i < 200; ++i) plan.Step(3, 0.5f);
    EXPECT_EQ(count(), 0);
}

TEST(HotLoops, SocTrainingStepsAskForNoMemory) {
    SocWorkspace(89, 26, 20);
    static SocTraining training;
    training.Begin(20, 26, 0.05f, MeanStartError(89), 20000);
    SeedRandomWith(5);
    const AllocationCount count;
    // Past several prototype-distance passes (the blocked pass over the
    // pairs of the prototypes that moved, the map's pair tables with it) and
    // prototype-map updates.
    for (int t = 1; t <= 2000; ++t) {
        training.Learn(t, 1 + RandomBelow(89));
        training.FitMap();
    }
    training.Distances();
    EXPECT_EQ(count(), 0);
}

TEST(HotLoops, DrawingAMapOfFourHundredItemsAsksForNoMemory) {
    SocWorkspace(400, 3, 400);
    for (int i = 1; i <= 400; ++i) {
        ws.ProjCoords[i][1] = ws.MapCoords[i][1];
        ws.ProjCoords[i][2] = ws.MapCoords[i][2];
        ws.ProtoProb[i] = 0.5f;
        ws.ClusterOf[i] = 1 + i % 30;
    }
    ws.ViewZoom = 1;
    ws.MapSize1 = ws.MapSize2 = 25;
    NullForm form;
    for (int mode : {0, 4}) {
        ws.ViewMode = mode;
        const AllocationCount count;
        PaintBox1Click(form);
        EXPECT_EQ(count(), 0) << "view mode " << mode;
    }
}

}  // namespace
