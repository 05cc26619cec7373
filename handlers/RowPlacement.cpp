#include "handlers/RowPlacement.h"

#include <algorithm>
#include <atomic>

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

// What the placement gave: each other row's place and cluster, in the
// order of `others`, for the first `done` of them.
struct Placed {
    std::vector<int> others;  // the rows that are no landmark, in the file's order
    std::vector<float> places;  // row s at [s x 3 .. s x 3 + 2]: axes 1..3
    std::vector<int> centres;   // the landmark at the centre of its cluster, 0 for none
    int done = 0;
};

std::vector<int> OtherRows(const AllRows& rows) {
    std::vector<char> landmark(static_cast<std::size_t>(rows.table.rows) + 1, 0);
    for (const int r : rows.landmarks) landmark[static_cast<std::size_t>(r)] = 1;
    std::vector<int> others;
    others.reserve(static_cast<std::size_t>(rows.table.rows) - rows.landmarks.size());
    for (int r = 1; r <= rows.table.rows; ++r)
        if (!landmark[static_cast<std::size_t>(r)]) others.push_back(r);
    return others;
}

// Every core places rows against the landmarks (their distances at the
// map's scale) and joins them to a cluster (their raw distances); STOP
// ends it between chunks.
void Place(Form& form, const AllRows& rows, const RowPlacementOptions& options, Placed& placed) {
    const float unit = ChooseDistanceUnit(rows.table, rows.table.rows, rows.dim);
    const SetDistances toLandmarks(rows.table, rows.landmarks, rows.dim, unit);
    const float factor = ws.distances.scale;  // raw distances to the map's
    const MapLayout landmarkMap = ws.map;     // the panel may redraw ws.map meanwhile
    const Clusters clusters = ws.clusters;
    const ClusterJoin join(clusters, options.charDistance);
    const int n = toLandmarks.Size(), count = static_cast<int>(placed.others.size());
    placed.places.assign(static_cast<std::size_t>(count) * 3, 0.0f);
    placed.centres.assign(static_cast<std::size_t>(count), 0);
    std::atomic<int> progress{0};
    RunClock clock;
    placed.done = InChunks(
        count, kChunk,
        [&](int from, int to) {
            Placer placer(landmarkMap, options.rule);
            std::vector<float> raw(static_cast<std::size_t>(n) + 1), normal(static_cast<std::size_t>(n) + 1);
            float at[4] = {};
            for (int s = from; s < to; ++s) {
                const int r = placed.others[static_cast<std::size_t>(s)];
                toLandmarks.From(rows.table.Row(r), rows.table.missing[static_cast<std::size_t>(r)] == 0,
                                 raw.data());
                for (int j = 1; j <= n; ++j) normal[static_cast<std::size_t>(j)] = raw[static_cast<std::size_t>(j)] * factor;
                placer.Place(normal.data(), at);
                std::copy(at + 1, at + 4, placed.places.begin() + static_cast<std::ptrdiff_t>(s) * 3);
                placed.centres[static_cast<std::size_t>(s)] = join.CentreFor(raw.data());
            }
            progress += to - from;
        },
        [&] {
            form.ProcessEvents();
            if (clock.ReportDue())
                form.StatusProgress({"MRP-MDS placing rows", progress, count, clock.Seconds(), ""});
            return !ws.StopRequested;
        });
}

// The map of the landmarks and the rows placed, made the one on show.
void ShowAllRows(const AllRows& rows, const Placed& placed, const RowPlacementOptions& options) {
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
    ws.landmarks.fit = MeasureRowsFit(ws.map, ws.table, rows.dim, ws.table.distanceUnit, options.rule.m, options.seed);
}

}  // namespace

std::vector<int> DrawLandmarks(int n, unsigned seed) {
    ws.random.SeedWith(seed);
    return ws.random.Sample(n, kMaxMapItems);
}

void PlaceOtherRows(Form& form, const AllRows& rows, const RowPlacementOptions& options, bool stoppedBefore) {
    Placed placed;
    placed.others = OtherRows(rows);
    const RunClock clock;
    if (!stoppedBefore) Place(form, rows, options, placed);
    ShowAllRows(rows, placed, options);
    const int k = static_cast<int>(rows.landmarks.size()), others = static_cast<int>(placed.others.size());
    const std::string all = GroupedCount(rows.table.rows);
    if (stoppedBefore)
        form.StatusNote(Format("stopped before the placement: the map and clusters.dat hold the %d landmarks of "
                               "the %s rows alone",
                               k, all.c_str()));
    else if (placed.done < others)
        form.StatusNote(Format("stopped while placing: %s of %s rows placed; the map and clusters.dat hold the %d "
                               "landmarks and those rows",
                               GroupedCount(placed.done).c_str(), GroupedCount(others).c_str(), k));
    else
        form.StatusNote(Format("%d landmarks drawn from %s rows; %s rows placed on their map in %.1f s", k,
                               all.c_str(), GroupedCount(others).c_str(), clock.Seconds()));
}
