#include "handlers/NeighbourMap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <optional>

#include "handlers/RunStatus.h"
#include "handlers/RunSteps.h"
#include "mds/MapFit.h"
#include "mds/NeighbourGraph.h"
#include "mds/NeighbourLayout.h"
#include "parallel/Chunks.h"
#include "text/Numbers.h"

namespace {

constexpr int kNeighbours = 15;

// The map's points as the rows the search and the layout take: of each
// point 1..n its row (0-based; equal points share one), and of each row
// its first point.
struct Distinct {
    std::vector<int> of;
    std::vector<int> first;
};

// Rows of the table equal on components 1..dim, a missing one as missing:
// sorted by their bits, each run of equal rows led by its lowest.
Distinct DistinctRows(const Table& t, int n, int dim) {
    const auto bits = [&](int r, int q) { return std::bit_cast<std::uint32_t>(t.Row(r)[q]); };
    const auto less = [&](int a, int b) {
        for (int q = 1; q <= dim; ++q)
            if (bits(a, q) != bits(b, q)) return bits(a, q) < bits(b, q);
        return false;
    };
    std::vector<int> sorted(static_cast<std::size_t>(n)), leader(static_cast<std::size_t>(n) + 1, 0);
    std::iota(sorted.begin(), sorted.end(), 1);
    std::stable_sort(sorted.begin(), sorted.end(), less);
    for (std::size_t s = 0; s < sorted.size(); ++s) {
        const int p = sorted[s];
        const bool asBefore = s > 0 && !less(sorted[s - 1], p);
        leader[static_cast<std::size_t>(p)] = asBefore ? leader[static_cast<std::size_t>(sorted[s - 1])] : p;
    }
    Distinct d;
    d.of.assign(static_cast<std::size_t>(n) + 1, -1);
    for (int p = 1; p <= n; ++p) {
        const int l = leader[static_cast<std::size_t>(p)];
        if (l == p) d.first.push_back(p);
        d.of[static_cast<std::size_t>(p)] = l == p ? static_cast<int>(d.first.size()) - 1 : d.of[static_cast<std::size_t>(l)];
    }
    return d;
}

// Items at distance 0 from an earlier one, both ways, as that one.
Distinct DistinctItems(const DistanceMatrix& d, int n) {
    Distinct out;
    out.of.assign(static_cast<std::size_t>(n) + 1, -1);
    for (int i = 1; i <= n; ++i) {
        for (const int first : out.first)
            if (d.At(i, first) == 0 && d.At(first, i) == 0) {
                out.of[static_cast<std::size_t>(i)] = out.of[static_cast<std::size_t>(first)];
                break;
            }
        if (out.of[static_cast<std::size_t>(i)] >= 0) continue;
        out.of[static_cast<std::size_t>(i)] = static_cast<int>(out.first.size());
        out.first.push_back(i);
    }
    return out;
}

// The distinct rows' components in the distance unit.
RowValues ValuesOf(const Table& t, const Distinct& rows, int dim) {
    RowValues v;
    v.n = static_cast<int>(rows.first.size());
    v.dim = dim;
    v.values.resize(static_cast<std::size_t>(v.n) * static_cast<std::size_t>(dim));
    const float inverse = 1.0f / t.distanceUnit;
    for (int i = 0; i < v.n; ++i)
        for (int q = 0; q < dim; ++q)
            v.values[static_cast<std::size_t>(i) * static_cast<std::size_t>(dim) + static_cast<std::size_t>(q)] =
                t.Row(rows.first[static_cast<std::size_t>(i)])[q + 1] * inverse;
    return v;
}

// Where the map on show has each distinct row: its arrangement to start from.
std::vector<float> StartOf(const MapLayout& map, const Distinct& rows, int m) {
    std::vector<float> start(rows.first.size() * static_cast<std::size_t>(m));
    for (std::size_t i = 0; i < rows.first.size(); ++i)
        for (int a = 0; a < m; ++a) start[i * static_cast<std::size_t>(m) + static_cast<std::size_t>(a)] = map.Point(rows.first[i])[a + 1];
    return start;
}

bool AllRowsMap(const Session& session) {
    return session.landmarks.count > 0;
}

// The rows and their graph: with all rows from the table, else from the
// items' distances. Nothing when STOP ended the search.
std::optional<NeighbourGraph> GraphOf(const Session& session, const Distinct& rows, unsigned seed, const StopCheck& stop) {
    if (!AllRowsMap(session)) return NearestItems(session.distances, rows.first, kNeighbours);
    return NearestRows(ValuesOf(session.table, rows, session.VectorDim), {kNeighbours, seed, ChunkWorkers()}, stop.GoOn());
}

// The epochs, STOP's chance after each, the map redrawn at the rate of
// the progress reports.
void RunEpochs(Form& form, Session& session, NeighbourLayout& layout, const Distinct& rows, int m,
               const StopCheck& stop, NeighboursArranged& out) {
    RunClock clock;
    const std::function<bool()> goOn = stop.GoOn();
    out.of = layout.Epochs();
    for (int t = 0; t < out.of && layout.Epoch(t, goOn); ++t) {
        out.epochs = t + 1;
        if (clock.ReportDue()) {
            PlaceInBox(layout.Positions(), m, rows.of, session.map);
            ShowMovedMap(form, session, m);
            const std::string figures =
                AllRowsMap(session) ? "" : MapFitText(MeasureMapFit(session.map, session.distances, m));
            form.StatusProgress({"MRP-MDS neighbours map epoch", out.epochs, out.of, clock.Seconds(), figures});
        }
        if (!stop()) break;
    }
    PlaceInBox(layout.Positions(), m, rows.of, session.map);
    ShowMovedMap(form, session, m);
}

}  // namespace

NeighboursArranged ArrangeNeighbours(Form& form, Session& session, int m, unsigned seed, const StopCheck& stop) {
    const RunClock clock;
    NeighboursArranged out;
    const int n = session.map.n;
    const Distinct rows = AllRowsMap(session) ? DistinctRows(session.table, n, session.VectorDim)
                                              : DistinctItems(session.distances, n);
    out.rows = static_cast<int>(rows.first.size());
    form.StatusProgress({"MRP-MDS neighbours map: the nearest rows", 0, out.rows, clock.Seconds(), ""});
    const std::optional<NeighbourGraph> graph = GraphOf(session, rows, seed, stop);
    std::optional<NeighbourLayout> layout;
    if (graph)
        layout.emplace(*graph, StartOf(session.map, rows, m), LayoutRun{m, EpochsFor(out.rows), seed, ChunkWorkers()},
                       stop.GoOn());
    if (!graph || stop.Stopped()) {  // the map of the distances stays
        out.stoppedWhile = "finding each row's nearest rows for the neighbours map";
    } else {
        RunEpochs(form, session, *layout, rows, m, stop, out);
        if (out.epochs < out.of)
            out.stoppedWhile = Format("making the neighbours map, epoch %s of %s", GroupedCount(out.epochs).c_str(),
                                      GroupedCount(out.of).c_str());
        session.shown.method = MapMethod::Neighbours;
    }
    if (AllRowsMap(session))
        session.landmarks.fit = stop.Stopped() ? UnmeasuredFit()
                                               : MeasureRowsFit(session.map, session.table, session.VectorDim,
                                                                session.table.distanceUnit, m, seed, stop.GoOn());
    if (out.stoppedWhile.empty() && session.landmarks.fit.rowsCompared.second > 0)
        out.stoppedWhile = "measuring the fit of the neighbours map";
    out.seconds = clock.Seconds();
    return out;
}

void ShowNeighboursArranged(Form& form, const NeighboursArranged& arranged) {
    if (arranged.epochs == 0) return;
    form.StatusNote(Format("neighbours map of %s different rows, each one's %d nearest kept near: %s %s in %.1f s",
                           GroupedCount(arranged.rows).c_str(), kNeighbours, GroupedCount(arranged.epochs).c_str(),
                           arranged.epochs == 1 ? "epoch" : "epochs", arranged.seconds));
}
