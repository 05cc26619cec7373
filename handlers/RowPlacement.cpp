#include "handlers/RowPlacement.h"

#include <algorithm>
#include <atomic>
#include <functional>

#include "distances/DistanceUnit.h"
#include "distances/SetDistances.h"
#include "handlers/RunStatus.h"
#include "handlers/RunSteps.h"
#include "mrp/ClusterJoin.h"
#include "mrp/Clustering.h"
#include "parallel/Chunks.h"
#include "soc/TrainingScale.h"
#include "table/Capacities.h"
#include "text/Numbers.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kChunk = 256;  // rows a core places at a time

std::vector<int> OtherRows(const AllRows& rows) {
    std::vector<char> landmark(static_cast<std::size_t>(rows.table.rows) + 1, 0);
    for (const int r : rows.landmarks) landmark[static_cast<std::size_t>(r)] = 1;
    std::vector<int> others;
    others.reserve(static_cast<std::size_t>(rows.table.rows) - rows.landmarks.size());
    for (int r = 1; r <= rows.table.rows; ++r)
        if (!landmark[static_cast<std::size_t>(r)]) others.push_back(r);
    return others;
}

// Of each row placed (others[s]): its place on axes 1..3, whether that is
// at the box's wall, and its raw distances to the landmarks.
using PlacedRow = std::function<void(int s, const float* place, bool atWall, const float* raw)>;

// Every core places rows others[0..] on the landmarks' map `map` by the
// rule, their raw distances times `factor` the normalised ones, and hands
// each to `take`; STOP ends it between chunks. Progress goes to the status
// line under `progressLabel`, when there is one. Returns the rows placed:
// the first ones.
int PlaceRows(Form& form, const AllRows& rows, const std::vector<int>& others, const MapLayout& map,
              const PlacementRule& rule, float factor, const char* progressLabel, const PlacedRow& take) {
    const float unit = ChooseDistanceUnit(rows.table, rows.table.rows, rows.dim);
    const SetDistances toLandmarks(rows.table, rows.landmarks, rows.dim, unit);
    const int n = toLandmarks.Size(), count = static_cast<int>(others.size());
    // Each thread's own placer and distances, made once.
    struct Worker {
        Placer placer;
        std::vector<float> raw, normal;
    };
    std::vector<Worker> workers;
    for (int w = 0; w < ChunkWorkers(); ++w)
        workers.push_back(
            {Placer(map, rule), std::vector<float>(static_cast<std::size_t>(n) + 1), std::vector<float>(static_cast<std::size_t>(n) + 1)});
    std::atomic<int> progress{0};
    RunClock clock;
    return InChunks(
        count, kChunk,
        [&](int from, int to, int worker) {
            Worker& w = workers[static_cast<std::size_t>(worker)];
            float at[4] = {};
            for (int s = from; s < to; ++s) {
                const int r = others[static_cast<std::size_t>(s)];
                toLandmarks.From(rows.table.Row(r), rows.table.missing[static_cast<std::size_t>(r)] == 0, w.raw.data());
                for (int j = 1; j <= n; ++j)
                    w.normal[static_cast<std::size_t>(j)] = w.raw[static_cast<std::size_t>(j)] * factor;
                const bool atWall = w.placer.Place(w.normal.data(), at);
                take(s, at, atWall, w.raw.data());
            }
            progress += to - from;
        },
        [&] {
            form.ProcessEvents();
            if (progressLabel != nullptr && clock.ReportDue())
                form.StatusProgress({progressLabel, progress, count, clock.Seconds(), ""});
            return !ws.StopRequested;
        });
}

// What the placement gave: each other row's place, whether it is at the
// wall, and its cluster, in the order of `others`, for the first `done`.
struct Placed {
    std::vector<int> others;    // the rows that are no landmark, in the file's order
    std::vector<float> places;  // row s at [s x 3 .. s x 3 + 2]: axes 1..3
    std::vector<char> atWall;
    std::vector<int> centres;  // the landmark at the centre of its cluster, 0 for none
    int done = 0;
};

// The rows placed against the landmarks (their distances at the map's
// scale) and joined to a cluster (their raw distances).
void Place(Form& form, const AllRows& rows, const RowPlacementOptions& options, Placed& placed) {
    const MapLayout landmarkMap = ws.map;  // the panel may redraw ws.map meanwhile
    const Clusters clusters = ws.clusters;
    const ClusterJoin join(clusters, options.charDistance);
    const std::size_t count = placed.others.size();
    placed.places.assign(count * 3, 0.0f);
    placed.atWall.assign(count, 0);
    placed.centres.assign(count, 0);
    placed.done = PlaceRows(form, rows, placed.others, landmarkMap, options.rule, ws.distances.scale,
                            "MRP-MDS placing rows", [&](int s, const float* at, bool atWall, const float* raw) {
                                const auto i = static_cast<std::size_t>(s);
                                std::copy(at + 1, at + 4, placed.places.begin() + static_cast<std::ptrdiff_t>(i * 3));
                                placed.atWall[i] = atWall;
                                placed.centres[i] = join.CentreFor(raw);
                            });
}

// The map of the landmarks and the rows placed, made the one on show, and
// its fit: measured while `goOn` lets it, or not at all.
void ShowAllRows(const AllRows& rows, const Placed& placed, const RowPlacementOptions& options,
                 const std::function<bool()>* goOn) {
    const int k = static_cast<int>(rows.landmarks.size()), total = k + placed.done;
    std::vector<int> order(rows.landmarks);
    order.insert(order.end(), placed.others.begin(), placed.others.begin() + placed.done);

    MapLayout map = ws.map;
    map.Resize(total);
    for (int i = 1; i <= total; ++i)
        for (int a = 1; a <= 3; ++a)
            map.Point(i)[a] = i <= k ? ws.map.Point(i)[a]
                                     : placed.places[static_cast<std::size_t>(i - k - 1) * 3 + static_cast<std::size_t>(a - 1)];
    ws.map = std::move(map);
    ws.view.projected.resize(static_cast<std::size_t>(total + 1) * 3, 0.0);

    Clusters clusters = ws.clusters;
    clusters.marks.resize(static_cast<std::size_t>(total) + 1);
    clusters.probability.resize(static_cast<std::size_t>(total) + 1, 0.0f);
    for (int i = k + 1; i <= total; ++i) {
        const int centre = placed.centres[static_cast<std::size_t>(i - k - 1)];
        clusters.marks[static_cast<std::size_t>(i)] = centre > 0 ? ClusterMark::Member(centre) : ClusterMark{};
    }
    ws.clusters = std::move(clusters);

    ws.table = rows.table.Reordered(order);
    ws.table.MultiplyBy(kTenfold);
    ws.table.distanceUnit = ChooseDistanceUnit(ws.table, total, rows.dim);
    ws.MakeRoom(total);
    std::fill(ws.ItemScore.begin() + 1, ws.ItemScore.begin() + total + 1, 1.0f);
    ws.landmarks.count = k;
    ws.landmarks.fileRow.assign(1, 0);
    ws.landmarks.fileRow.insert(ws.landmarks.fileRow.end(), order.begin(), order.end());
    ws.landmarks.fit = goOn != nullptr ? MeasureRowsFit(ws.map, ws.table, rows.dim, ws.table.distanceUnit,
                                                        options.rule.m, options.seed, *goOn)
                                       : UnmeasuredFit();
}

}  // namespace

std::vector<int> DrawLandmarks(int n, unsigned seed) {
    ws.random.SeedWith(seed);
    return ws.random.Sample(n, kMaxMapItems);
}

RowsPlaced PlaceOtherRows(Form& form, const AllRows& rows, const RowPlacementOptions& options, bool stoppedBefore) {
    Placed placed;
    placed.others = OtherRows(rows);
    const RunClock clock;
    if (!stoppedBefore) Place(form, rows, options, placed);
    RowsPlaced out;
    out.placed = placed.done;
    out.others = static_cast<int>(placed.others.size());
    out.atWall = static_cast<int>(std::count(placed.atWall.begin(), placed.atWall.begin() + placed.done, 1));
    out.stoppedPlacing = !stoppedBefore && out.placed < out.others;
    // The landmarks alone are measured whole: it takes no time. Once the
    // rows are placed, STOP ends the measurement too.
    const std::function<bool()> whole = [] { return true; }, untilStopped = [&] {
        form.ProcessEvents();
        return !ws.StopRequested;
    };
    ShowAllRows(rows, placed, options, stoppedBefore ? &whole : out.stoppedPlacing ? nullptr : &untilStopped);
    out.stoppedMeasuring = ws.landmarks.fit.rowsCompared.second > 0;
    out.seconds = clock.Seconds();
    return out;
}

void ShowRowsPlaced(Form& form, const AllRows& rows, const RowsPlaced& placed, bool stoppedBefore) {
    const int k = static_cast<int>(rows.landmarks.size());
    const std::string all = GroupedCount(rows.table.rows);
    if (stoppedBefore)
        form.StatusNote(Format("no row placed: the map and clusters.dat hold the %d landmarks of the %s rows alone, "
                               "the coordinates the others with empty fields",
                               k, all.c_str()));
    else if (placed.stoppedPlacing)
        form.StatusNote(Format("%s of %s rows placed: the map and clusters.dat hold the %d landmarks and those rows, "
                               "the coordinates the other %s with empty fields",
                               GroupedCount(placed.placed).c_str(), GroupedCount(placed.others).c_str(), k,
                               GroupedCount(placed.others - placed.placed).c_str()));
    else
        form.StatusNote(Format("%d landmarks drawn from %s rows; %s rows placed on their map in %.1f s", k,
                               all.c_str(), GroupedCount(placed.others).c_str(), placed.seconds));
}

std::string StoppedWhile(const RowsPlaced& placed) {
    if (placed.stoppedPlacing)
        return Format("placing rows, %s of %s placed", GroupedCount(placed.placed).c_str(),
                      GroupedCount(placed.others).c_str());
    return placed.stoppedMeasuring ? "measuring the fit, every row placed" : "";
}

std::optional<int> RowsAtWall(Form& form, const AllRows& rows, const MapLayout& map, const PlacementRule& rule,
                              float factor) {
    const std::vector<int> others = OtherRows(rows);
    std::vector<char> atWall(others.size(), 0);
    const int done = PlaceRows(form, rows, others, map, rule, factor, nullptr,
                               [&](int s, const float*, bool wall, const float*) {
                                   atWall[static_cast<std::size_t>(s)] = wall;
                               });
    if (done < static_cast<int>(others.size())) return std::nullopt;
    return static_cast<int>(std::count(atWall.begin(), atWall.end(), 1));
}
