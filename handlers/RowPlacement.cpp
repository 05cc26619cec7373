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

// Of each row placed (the s-th of those asked for): its place on axes
// 1..3, whether that is at the box's wall, and its raw distances to the
// landmarks.
using PlacedRow = std::function<void(int s, const float* place, bool atWall, const float* raw)>;

// What rows are placed on and how: the landmarks' map and their distances
// from a row, the rule, and the factor that makes raw distances the map's.
struct PlacingOn {
    const MapLayout& map;
    const SetDistances& toLandmarks;
    const PlacementRule& rule;
    float factor;
};

// Every core places rows places[0..] of the table on the landmarks' map and
// hands each to `take`; STOP ends it between chunks. Progress goes to the
// status line under `progressLabel`, when there is a form to show it.
// Returns the rows placed: the first ones.
int PlaceRows(const Table& table, const std::vector<int>& rows, const PlacingOn& on, const StopCheck& stop,
              Form* progressForm, const char* progressLabel, const PlacedRow& take) {
    const int n = on.toLandmarks.Size(), count = static_cast<int>(rows.size());
    // Each thread's own placer and distances, made once.
    struct Worker {
        Placer placer;
        std::vector<float> raw, normal;
    };
    std::vector<Worker> workers;
    for (int w = 0; w < ChunkWorkers(); ++w)
        workers.push_back({Placer(on.map, on.rule), std::vector<float>(static_cast<std::size_t>(n) + 1),
                           std::vector<float>(static_cast<std::size_t>(n) + 1)});
    std::atomic<int> progress{0};
    RunClock clock;
    return InChunks(
        count, kChunk,
        [&](int from, int to, int worker) {
            Worker& w = workers[static_cast<std::size_t>(worker)];
            float at[4] = {};
            for (int s = from; s < to; ++s) {
                const int r = rows[static_cast<std::size_t>(s)];
                on.toLandmarks.From(table.Row(r), table.missing[static_cast<std::size_t>(r)] == 0, w.raw.data());
                for (int j = 1; j <= n; ++j)
                    w.normal[static_cast<std::size_t>(j)] = w.raw[static_cast<std::size_t>(j)] * on.factor;
                const bool atWall = w.placer.Place(w.normal.data(), at);
                take(s, at, atWall, w.raw.data());
            }
            progress += to - from;
        },
        [&] {
            const bool goOn = stop();
            if (progressForm != nullptr && clock.ReportDue())
                progressForm->StatusProgress({progressLabel, progress, count, clock.Seconds(), ""});
            return goOn;
        });
}

// Rows placed.rows of the table placed on the landmarks' map and joined to
// a cluster (by their raw distances), each in its place in `placed`; the
// progress under `label`.
void PlaceAndJoin(Form& form, const char* label, const Table& table, const PlacingOn& on, const ClusterJoin& join,
                  const StopCheck& stop, RowsOnMap& placed) {
    const std::size_t count = placed.rows.size();
    placed.places.assign(count * 3, 0.0f);
    placed.atWall.assign(count, 0);
    placed.centres.assign(count, 0);
    placed.done = PlaceRows(table, placed.rows, on, stop, &form, label,
                            [&](int s, const float* at, bool atWall, const float* raw) {
                                const auto i = static_cast<std::size_t>(s);
                                std::copy(at + 1, at + 4, placed.places.begin() + static_cast<std::ptrdiff_t>(i * 3));
                                placed.atWall[i] = atWall;
                                placed.centres[i] = join.CentreFor(raw);
                            });
}

// The rows placed against the landmarks (their distances at the map's
// scale) and joined to a cluster (their raw distances).
void Place(Form& form, const LandmarkMap& landmarks, const AllRows& rows, const RowPlacementOptions& options,
           const StopCheck& stop, RowsOnMap& placed) {
    const SetDistances toLandmarks(rows.table, rows.landmarks, rows.dim, rows.unit);
    PlaceAndJoin(form, "MRP-MDS placing rows", rows.table, {landmarks.map, toLandmarks, options.rule, landmarks.scale},
                 ClusterJoin(landmarks.clusters, options.charDistance), stop, placed);
}

// The map of the landmarks and the rows placed, and its fit: measured
// while `goOn` lets it, or not at all.
void MakeMapOfAllRows(const LandmarkMap& landmarks, const AllRows& rows, const RowsOnMap& placed,
                      const RowPlacementOptions& options, const std::function<bool()>* goOn, RowsPlaced& out) {
    const int k = static_cast<int>(rows.landmarks.size()), total = k + placed.done;
    std::vector<int> order(rows.landmarks);
    order.insert(order.end(), placed.rows.begin(), placed.rows.begin() + placed.done);

    out.map = landmarks.map;
    out.map.KeepPoints(total);  // the landmarks' places, room for the rows placed
    for (int i = k + 1; i <= total; ++i)
        for (int a = 1; a <= 3; ++a)
            out.map.Point(i)[a] = placed.places[static_cast<std::size_t>(i - k - 1) * 3 + static_cast<std::size_t>(a - 1)];

    out.clusters = landmarks.clusters;
    out.clusters.marks.resize(static_cast<std::size_t>(total) + 1);
    out.clusters.probability.resize(static_cast<std::size_t>(total) + 1, 0.0f);
    for (int i = k + 1; i <= total; ++i) {
        const int centre = placed.centres[static_cast<std::size_t>(i - k - 1)];
        out.clusters.marks[static_cast<std::size_t>(i)] = centre > 0 ? ClusterMark::Member(centre) : ClusterMark{};
    }

    out.table = rows.table.Reordered(order);
    out.table.MultiplyBy(kTenfold);
    out.table.distanceUnit = ChooseDistanceUnit(out.table, total, rows.dim);
    out.landmarks.count = k;
    out.landmarks.fileRow.assign(1, 0);
    out.landmarks.fileRow.insert(out.landmarks.fileRow.end(), order.begin(), order.end());
    out.landmarks.fit = goOn != nullptr ? MeasureRowsFit(out.map, out.table, rows.dim, out.table.distanceUnit,
                                                         options.rule.m, options.seed, *goOn)
                                        : UnmeasuredFit();
}

}  // namespace

RowsOnMap PlaceOnSavedMap(Form& form, const MapBasis& basis, const Table& rows, const StopCheck& stop) {
    std::vector<int> members(static_cast<std::size_t>(basis.landmarks.rows));
    for (int j = 1; j <= basis.landmarks.rows; ++j) members[static_cast<std::size_t>(j - 1)] = j;
    const SetDistances toLandmarks(basis.landmarks, members, basis.Dim(), basis.unit);
    RowsOnMap placed;
    placed.rows.resize(static_cast<std::size_t>(rows.rows));
    for (int r = 1; r <= rows.rows; ++r) placed.rows[static_cast<std::size_t>(r - 1)] = r;
    PlaceAndJoin(form, "placing rows on the map", rows, {basis.map, toLandmarks, basis.rule, basis.distanceFactor},
                 ClusterJoin(basis.clusters, basis.charDistance), stop, placed);
    return placed;
}

std::vector<int> DrawLandmarks(int n, Random& random) {
    return random.Sample(n, kMaxMapItems);
}

RowsPlaced PlaceOtherRows(Form& form, const LandmarkMap& landmarks, const AllRows& rows,
                          const RowPlacementOptions& options, const StopCheck& stop) {
    RowsOnMap placed;
    placed.rows = OtherRows(rows);
    const RunClock clock;
    RowsPlaced out;
    const bool stoppedBefore = stop.Stopped();
    if (!stoppedBefore) Place(form, landmarks, rows, options, stop, placed);
    out.placed = placed.done;
    out.others = static_cast<int>(placed.rows.size());
    out.atWall = static_cast<int>(std::count(placed.atWall.begin(), placed.atWall.begin() + placed.done, 1));
    if (stoppedBefore)
        out.end = PlacingEnd::StoppedBefore;
    else if (out.placed < out.others)
        out.end = PlacingEnd::StoppedPlacing;
    // The landmarks alone are measured whole: it takes no time. Once the
    // rows are placed, STOP ends the measurement too.
    const std::function<bool()> whole = [] { return true; }, untilStopped = stop.GoOn();
    const bool unmeasured = out.end == PlacingEnd::StoppedPlacing || options.fit == RowsFit::LeftToNextMap;
    MakeMapOfAllRows(landmarks, rows, placed, options, stoppedBefore ? &whole : unmeasured ? nullptr : &untilStopped,
                     out);
    if (out.landmarks.fit.rowsCompared.second > 0) out.end = PlacingEnd::StoppedMeasuring;
    out.seconds = clock.Seconds();
    return out;
}

void ShowAllRows(Session& session, RowsPlaced& placed) {
    const int total = placed.map.n;
    session.map = std::move(placed.map);
    session.view.projected.resize(static_cast<std::size_t>(total + 1) * 3, 0.0);
    session.clusters = std::move(placed.clusters);
    session.table = std::move(placed.table);
    session.landmarks = std::move(placed.landmarks);
    session.MakeRoom(total);
    std::fill(session.ItemScore.begin() + 1, session.ItemScore.begin() + total + 1, 1.0f);
}

void ShowRowsPlaced(Form& form, const AllRows& rows, const RowsPlaced& placed) {
    const int k = static_cast<int>(rows.landmarks.size());
    const std::string all = GroupedCount(rows.table.rows);
    if (placed.end == PlacingEnd::StoppedBefore)
        form.StatusNote(Format("no row placed: the map and clusters.dat hold the %d landmarks of the %s rows alone, "
                               "the coordinates the others with empty fields",
                               k, all.c_str()));
    else if (placed.end == PlacingEnd::StoppedPlacing)
        form.StatusNote(Format("%s of %s rows placed: the map and clusters.dat hold the %d landmarks and those rows, "
                               "the coordinates the other %s with empty fields",
                               GroupedCount(placed.placed).c_str(), GroupedCount(placed.others).c_str(), k,
                               GroupedCount(placed.others - placed.placed).c_str()));
    else
        form.StatusNote(Format("%d landmarks drawn from %s rows; %s rows placed on their map in %.1f s", k,
                               all.c_str(), GroupedCount(placed.others).c_str(), placed.seconds));
}

std::string StoppedWhile(const RowsPlaced& placed) {
    if (placed.end == PlacingEnd::StoppedPlacing)
        return Format("placing rows, %s of %s placed", GroupedCount(placed.placed).c_str(),
                      GroupedCount(placed.others).c_str());
    return placed.end == PlacingEnd::StoppedMeasuring ? "measuring the fit, every row placed" : "";
}

std::optional<int> RowsAtWall(const AllRows& rows, const MapLayout& map, const PlacementRule& rule, float factor,
                              const StopCheck& stop) {
    const std::vector<int> others = OtherRows(rows);
    std::vector<char> atWall(others.size(), 0);
    const SetDistances toLandmarks(rows.table, rows.landmarks, rows.dim, rows.unit);
    const int done = PlaceRows(rows.table, others, {map, toLandmarks, rule, factor}, stop, nullptr, nullptr,
                               [&](int s, const float*, bool wall, const float*) {
                                   atWall[static_cast<std::size_t>(s)] = wall;
                               });
    if (done < static_cast<int>(others.size())) return std::nullopt;
    return static_cast<int>(std::count(atWall.begin(), atWall.end(), 1));
}
