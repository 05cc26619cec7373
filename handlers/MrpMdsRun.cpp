#include "handlers/MrpMdsRun.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "distances/DistanceUnit.h"
#include "distances/Distances.h"
#include "handlers/MapRecord.h"
#include "handlers/MemoLines.h"
#include "handlers/RunControl.h"
#include "handlers/RowPlacement.h"
#include "handlers/RunRecord.h"
#include "handlers/RunSteps.h"
#include "mds/MapBorder.h"
#include "mds/MapFit.h"
#include "mrp/Clustering.h"
#include "soc/TrainingScale.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kMaxClusters = 30;
constexpr int kMinMembers = 1;  // for a cluster to be written to clusters.dat
constexpr float kStepLength = 0.05f * 10;
constexpr float kRadiusFactor = 1.8f;
constexpr float kFarWeight = 0.0001f;
constexpr int kRedrawPeriod = 10;
constexpr int kSteps = 20000;  // after the first: 20,001 in all
// The drawing grid and the box of the map, in map units.
constexpr int kMapSize = 20;

// What the run reads before it places the map: the items, their distances,
// the raw distances' text for distances.dat (of vectors), their mean.
struct ItemsRead {
    std::string path;
    ResultPaths results;
    int items = 0, dim = 0;  // dim 0: a distance matrix
    float mean = 0;
    std::string dump;
    AllRows all;  // with all rows beyond 400: the rows and the landmarks the run maps
    RecordLine run;  // the record's line of the run's files, once it writes them
    const AllRows* Rows() const { return all.landmarks.empty() ? nullptr : &all; }
};

// The run's own start state, once a file is chosen.
void ClearForRun(Form& form) {
    StartRun(form, 0);
    ws.table = Table{};
    ws.map.size[1] = kMapSize;
    ws.map.size[2] = kMapSize;
    ws.map.size[3] = 1;
    ws.map.size[4] = 1;
    ws.map.axisSize[1] = ws.map.size[1];
    ws.map.axisSize[2] = ws.map.size[2];
}

// Every item uniformly in [0, AxisSize) on each used axis, on a grid of 0.005.
void PlaceAtRandom(MapLayout& map, Random& random, int items, int m) {
    for (int a = 1; a <= 9; ++a) map.axisSize[a] = 1;
    for (int a = 1; a <= m; ++a) map.axisSize[a] = map.size[1];
    map.Resize(items);
    for (int i = 1; i <= items; ++i)
        for (int a = 1; a <= m; ++a)
            map.Point(i)[a] = static_cast<float>(random.Below(map.axisSize[a] * 100) * 0.005);
}

// Whether the map, run quickly (the run's seed and start, no animation, no
// settling) from the distances d normalised at "map enlarge." e scaled to
// `value`, ends with no more than 2% of the items at the box's wall: with
// all rows, of every row, the others placed on the map of the landmarks.
// Nothing when STOP ended the run.
std::optional<bool> FitsInQuickRun(Form& form, const DistanceMatrix& d, double e, double value, int b, int m,
                                   unsigned seed, const AllRows* rows) {
    DistanceMatrix scaled = d;
    for (float& v : scaled.values) v = static_cast<float>(v * (value / e));
    scaled.largest = 1.0f;  // as the run's
    MapLayout map = ws.map;
    Random random;
    random.SeedWith(seed);
    PlaceAtRandom(map, random, MapRows(d.n), m);
    const auto plan = std::make_unique<MdsPlan>();
    plan->Prepare(scaled, b, kRadiusFactor, kFarWeight);
    for (int l = 0; l <= kSteps; ++l) {
        plan->Step(map, m, kStepLength);
        if (l % 1000 != 0) continue;
        form.ProcessEvents();
        if (ws.StopRequested) return std::nullopt;
    }
    const int pressed = plan->PressedItems(kRedrawPeriod);
    if (rows == nullptr) return !MapCutByBox(pressed, map.n);
    const PlacementRule rule{b, m, scaled.largest * kRadiusFactor, kFarWeight, static_cast<float>(map.axisSize[1])};
    const std::optional<int> atWall =
        RowsAtWall(form, *rows, map, rule, static_cast<float>(d.scale * (value / e)));
    if (!atWall) return std::nullopt;
    return !MapCutByBox(pressed + *atWall, rows->table.rows);
}

// The "map enlarge." that fits the distances d normalised at e: the value
// found from the distances alone, halved until a quick run at it fits (three
// runs at most, which STOP ends); the next half, not checked, when none does.
FittingValue CheckedFitting(Form& form, const DistanceMatrix& d, double e, int b, int m, unsigned seed,
                            const AllRows* rows) {
    constexpr int kQuickRuns = 3;
    double value = FittingEnlargement(d, ws.map, e, b);
    if (!(value > 0) || m < 1 || m > 3) return {value, false};
    for (int run = 1; run <= kQuickRuns; ++run, value = value / 2) {
        form.StatusProgress({"checking \"map enlarge.\"", run, kQuickRuns, 0, FormatGeneral(value)});
        const std::optional<bool> fits = FitsInQuickRun(form, d, e, value, b, m, seed, rows);
        if (!fits) return {value, false};
        if (*fits) return {value, true};
    }
    return {value, false};
}

// "map enlarge." "fit": the checked value for the distances d (not yet
// normalised), stated on the status line.
void ResolveEnlargement(Form& form, MrpMdsOptions& options, const DistanceMatrix& d, int b, const AllRows* rows) {
    if (!FieldSays(options.enlargement, "fit")) return;
    DistanceMatrix unit = d;
    float value = 1;
    if (NormaliseDistances(unit, ws.map.size[1])) {
        const FittingValue fits =
            CheckedFitting(form, unit, 1, b, options.mapDim.value, *options.choices.seed, rows);
        if (fits.value > 0) value = static_cast<float>(fits.value);
        form.StatusNote(Format("\"map enlarge.\" fit: %g%s", static_cast<double>(value),
                               fits.checked ? ", at which a quick run of the map fits its box"
                                            : " (not checked)"));
    }
    options.enlargement.value = value;
}

// The distances normalised to the map's box at "map enlarge." (first found
// when it says "fit"): the factor, or nothing with "gaz" in Memo1.
std::optional<float> Normalise(Form& form, MrpMdsOptions& options, DistanceMatrix& d, int b, const AllRows* rows) {
    ResolveEnlargement(form, options, d, b, rows);
    const std::optional<float> f = NormaliseDistances(
        d, static_cast<double>(ws.map.axisSize[1]) * static_cast<double>(options.enlargement.value));
    if (!f) form.MemoAppend("gaz");
    return f;
}

// Why normalisation gave no factor, in plain words.
std::string NoScaleWords(const MrpMdsOptions& options, int items) {
    if (options.enlargement.value == 0.0f)
        return FieldWords(options.enlargement, "map enlarge.") + ": the map would have no size";
    return Format("every distance between the %d items is 0: they are all alike", items);
}

// Whether "Input size" gives a number of items; refuses the run when not.
bool HasItems(Form& form, const MrpMdsOptions& options, const char* refusalLine) {
    if (options.items.value >= 1) return true;
    Refuse(form, refusalLine, FieldWords(options.items, "Input size") + ": it must give the number of items");
    return false;
}

// Reads the items as vectors; false when the run must end.
bool ReadVectors(Form& form, MrpMdsOptions& options, ItemsRead& read) {
    const bool allRows = options.choices.allRows;
    if (!allRows && !HasItems(form, options, "invalid input data.")) return false;
    const char* name = read.path.c_str();
    ReadReport report;
    Table items = ReadRunVectors(options.choices, name, RowsToRead(options.choices, options.items.value), report);
    // With all rows, the rows asked for are those the file has.
    const int asked = allRows ? report.rowsRead : options.items.value;
    ShowDataLine(form, report, asked);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, "invalid input data.", why);
        return false;
    }
    if (!AllRowsFit(form, options.choices, report, name)) return false;
    ShowVectorReadNotes(form, report, name, asked);
    read.items = std::min(asked, report.rowsRead);  // no rows past the file's end
    read.dim = report.values;
    if (read.dim > kMaxDim) {
        std::string why = Format("the rows of %s hold %d values; vectors have at most 64 components",
                                 std::string(BaseName(name)).c_str(), read.dim);
        if (LooksLikeMatrix(report)) why += "; the file looks like a distance matrix: set \"Vect. dim\" to 0";
        Refuse(form, "max dim: 64", why);
        return false;
    }
    ComponentsTheyHave(form, report, options.dim.value);
    ScaleFeatures(form, report, items, read.dim);
    if (!ValuesFitSinglePrecision(form, report, items, read.dim, "invalid input data.")) return false;
    if (read.items > kMaxMapItems) {  // all rows: the run maps its landmarks
        read.all = {std::move(items), DrawLandmarks(read.items, *options.choices.seed), read.dim};
        items = read.all.table.Reordered(read.all.landmarks);
        read.items = items.rows;
    }
    ws.view.mode = kViewBars;
    ws.PickEnabled = false;
    ShowUnrelatedPairs(form, BuildDistanceMatrix(items, read.items, read.dim, ws.distances));
    read.mean = MeanDistance(ws.distances);
    form.MemoAppend(std::to_string(read.dim));
    read.dump = DistanceDumpText(ws.distances);  // written once the run goes on
    const std::optional<float> s = Normalise(form, options, ws.distances, read.dim, read.Rows());
    if (read.dim == 0 || !s || *s == 0) {
        Refuse(form, "invalid input data.",
               read.dim == 0 ? Format("%s holds no values", std::string(BaseName(name)).c_str())
                             : NoScaleWords(options, read.items));
        return false;
    }
    items.MultiplyBy(kTenfold);
    items.distanceUnit = ChooseDistanceUnit(items, read.items, read.dim);
    ws.table = std::move(items);
    ws.VectorDim = read.dim;
    return true;
}

// Reads the items' distance matrix; false when the run must end.
bool ReadMatrix(Form& form, MrpMdsOptions& options, ItemsRead& read) {
    const bool allRows = options.choices.allRows;
    if (!allRows && !HasItems(form, options, "invalid dist. matr.")) return false;
    const char* name = read.path.c_str();
    const std::string file(BaseName(name));
    ReadReport report;
    const Table matrix =
        ReadMatrix(name, RowsToRead(options.choices, options.items.value), options.choices.reading, report);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, "invalid dist. matr.", why);
        return false;
    }
    if (!AllRowsFit(form, options.choices, report, name)) return false;
    // With all rows, as many items as the matrix has rows; a matrix maps at most 400.
    const int asked = allRows ? report.rowsRead : options.items.value;
    if (asked > kMaxMapItems) {
        Refuse(form, "max size: 400",
               Format("%s is a matrix of %d rows; an MRP-MDS map of a distance matrix takes at most 400 items",
                      file.c_str(), asked));
        return false;
    }
    ShowMatrixReadNotes(form, report, name, asked);
    if (report.rowsRead < asked) {  // a matrix needs every row
        Refuse(form, "invalid dist. matr.",
               Format("%s has %d rows, fewer than \"Input size\" %d", file.c_str(), report.rowsRead, asked));
        return false;
    }
    if (report.missing > 0) {
        Refuse(form, "invalid dist. matr.",
               Format("%s misses distances (line %d first): a distance matrix needs every one", file.c_str(),
                      report.firstMissingLine));
        return false;
    }
    // The matrix as read, as far as the items go (a short row's missing end
    // taken as 0); its names are the items'.
    DistanceMatrix& d = ws.distances;
    d.Resize(asked);
    for (int i = 1; i <= asked; ++i)
        for (int j = 1; j <= std::min(asked, matrix.width); ++j)
            d.Row(i)[j] = std::isnan(matrix.Row(i)[j]) ? 0.0f : matrix.Row(i)[j];
    read.items = asked;
    read.dim = report.lastRowValues;
    read.mean = MeanDistance(d);
    const std::optional<float> s = Normalise(form, options, d, read.dim, nullptr);
    if (read.dim != asked || read.dim == 0 || !s || *s == 0) {
        std::string why = NoScaleWords(options, asked);
        if (read.dim != asked) {
            why = Format("the last row read from %s holds %d values, \"Input size\" is %d", file.c_str(),
                         read.dim, asked);
            if (read.dim >= 1 && read.dim <= kMaxDim)
                why += Format("; for vectors of %d values set \"Vect. dim\" to %d", read.dim, read.dim);
        }
        Refuse(form, "invalid dist. matr.", why);
        return false;
    }
    ws.view.mode = kViewBars;
    ws.PickEnabled = false;
    form.MemoAppend(std::to_string(read.dim));
    // The items of a matrix have names, no vector.
    ws.table.Resize(asked, 0);
    ws.table.names = matrix.names;
    ws.VectorDim = read.dim;
    read.dim = 0;
    return true;
}

// "Input size" and "Vect. dim", and the items as vectors or a matrix, with
// their mean distance; false when the run must end.
bool ReadItems(Form& form, MrpMdsOptions& options, ItemsRead& read) {
    ws.VectorDim = options.dim.value;
    if (options.items.value > kMaxMapItems && !options.choices.allRows) {
        Refuse(form, "max size: 400",
               FieldWords(options.items, "Input size") + "; an MRP-MDS map takes at most 400 items");
        return false;
    }
    if (options.dim.value > kMaxDim) {
        Refuse(form, "max dim: 64",
               FieldWords(options.dim, "Vect. dim") + "; vectors have at most 64 components, 0 reads a distance matrix");
        return false;
    }
    if (options.dim.value < 0) {
        Refuse(form, "no input data",
               FieldWords(options.dim, "Vect. dim") +
                   ": it must give the components per item, 0 for a distance matrix");
        return false;
    }
    if (!(options.dim.value > 0 ? ReadVectors(form, options, read) : ReadMatrix(form, options, read)))
        return false;
    form.MemoAppend(Format("mean distance: %.3f", static_cast<double>(read.mean)));
    return true;
}

// The MRP parameters and the map's axes; false when the run must end.
bool MapFieldsUsable(Form& form, MrpMdsOptions& options, float mean) {
    ws.distances.largest = 1.0f;
    ws.view.markScale = 5.0f;
    ws.view.angle = kRunViewAngle;
    const CharDistanceSearch search{ws.distances, mean, 1, kMaxClusters};
    ResolveCharDistance(form, options.mrp, search);
    if (!CharDistanceUsable(form, options.mrp, search)) return false;
    const int m = options.mapDim.value;
    if (m <= 0 || m > 3) {
        Refuse(form, "MDS dim must be 1-3!", FieldWords(options.mapDim, "map dim. (1-3)"));
        return false;
    }
    return true;
}

// The run goes on: the clusters, then the distances of vectors into
// distances.dat, the clusters into clusters.dat, with the record of both.
// False when they could not be written.
bool ClusterAndWrite(Form& form, const MrpMdsOptions& options, ItemsRead& read) {
    MemoLines memo(form);
    const MrpFields& mrp = options.mrp;
    ws.clusters = ClusterPrototypes(ws.distances, kMaxClusters, mrp.charDistance.value, mrp.noiseLimit.value,
                                    mrp.neighbourLimit.value, memo);
    int members = 0;
    const std::string text = ClustersFileText(ws.clusters, kMinMembers, members);
    form.MemoAppend(std::to_string(members));
    if (ws.clusters.count == 0)
        form.StatusNote(Format("warning: no cluster found with \"char. distance\" %g; %s",
                               static_cast<double>(mrp.charDistance.value),
                               CharDistanceHint(form, mrp, {ws.distances, read.mean, 1, kMaxClusters}).c_str()));
    read.run =
        RunLine("MRP-MDS", read.path, read.all.landmarks.empty() ? read.items : read.all.table.rows, read.dim,
                {Setting("char. distance", mrp.charDistance.value), Setting("noise limit", mrp.noiseLimit.value),
                 Setting("neigbbour limit", mrp.neighbourLimit.value), Setting("map dim. (1-3)", options.mapDim.value),
                 Setting("map enlarge.", options.enlargement.value)});
    std::vector<ResultText> files;
    if (!read.dump.empty()) files.push_back({read.results.distances, read.dump});
    files.push_back({read.results.clusters, text});
    return CommitRunFiles(form, read.results.folder, read.run, files);
}

// The 20,001 steps of the layout, redrawn every tenth; STOP ends them at a
// redraw. Returns the steps made.
long Animate(Form& form, MdsPlan& plan, int b, int m, RunClock& clock) {
    ws.StopRequested = false;
    plan.Prepare(ws.distances, b, kRadiusFactor, kFarWeight);  // the distances stay for the run
    plan.Step(ws.map, m, kStepLength);
    long done = 1;
    int k = 0;
    for (int l = 1; l <= kSteps; ++l, ++k) {
        plan.Step(ws.map, m, kStepLength);
        ++done;
        if (k != kRedrawPeriod) continue;
        ShowMovedMap(form, m);
        // The fit figures cost a pass over all pairs: at the rate of the
        // progress reports, ten a second, not at every redraw.
        if (clock.ReportDue())
            form.StatusProgress({"MRP-MDS", done, kSteps + 1L, clock.Seconds(),
                                 MapFitText(MeasureMapFit(ws.map, ws.distances, m))});
        k = 0;
        form.ProcessEvents();
        if (ws.StopRequested) l = kSteps;
    }
    return done;
}

// The warning of a map pressed against its box's wall (the landmarks the
// step pressed there and, with all rows, the rows placed at it), with a
// "map enlarge." that fits: checked, unless the run was stopped.
void ShowMapBorder(Form& form, const MrpMdsOptions& options, const MdsPlan& plan, int b, const ItemsRead& read,
                   int rowsAtWall) {
    const double enlargement = options.enlargement.value;
    ShowBorderWarning(form, plan.PressedItems(kRedrawPeriod) + rowsAtWall, ws.map.n, enlargement, [&] {
        if (ws.StopRequested) return FittingValue{FittingEnlargement(ws.distances, ws.map, enlargement, b), false};
        return CheckedFitting(form, ws.distances, enlargement, b, options.mapDim.value, *options.choices.seed,
                              read.Rows());
    });
}

// With all rows, the other rows placed on the landmarks' map, and
// clusters.dat written again with every row the map holds, as the same
// run's, when its files were `written` before: a set is written whole or
// not at all.
RowsPlaced PlaceAllRows(Form& form, const MrpMdsOptions& options, const ItemsRead& read, int b, bool written) {
    const int m = options.mapDim.value;
    const PlacementRule rule{b, m, ws.distances.largest * kRadiusFactor, kFarWeight,
                             static_cast<float>(ws.map.axisSize[1])};
    RowsPlaced placed =
        PlaceOtherRows(form, read.all, {rule, options.mrp.charDistance.value, *options.choices.seed}, ws.StopRequested);
    ShowMovedMap(form, m);
    placed.written = written;
    if (!written) return placed;
    int members = 0;
    const std::string text = ClustersFileText(ws.clusters, kMinMembers, members, ws.landmarks.fileRow);
    placed.written = CommitRunFiles(form, read.results.folder, read.run, {{read.results.clusters, text}});
    return placed;
}

}  // namespace

void RunMrpMds(Form& form) {
    const RunGuard guard(form, "MRP-MDS");
    if (!guard.Acquired()) return;
    const std::optional<std::string> path = ChooseRunFile(form, true);
    if (!path) return;
    ClearForRun(form);
    FollowFile(form, *path, kMaxMapItems, true);
    MrpMdsOptions options = ReadMrpMdsOptions(form);
    ItemsRead read;
    read.path = *path;
    read.results = ListResultPaths(form, *path);
    form.MemoAppend(*path);
    if (!ReadItems(form, options, read) || !MapFieldsUsable(form, options, read.mean)) return;

    const int m = options.mapDim.value;
    const bool written = ClusterAndWrite(form, options, read);
    ws.view.showEdges = true;
    ws.MakeRoom(read.items);
    for (int i = 1; i <= read.items; ++i) ws.ItemScore[static_cast<std::size_t>(i)] = 1.0f;
    ws.random.SeedWith(*options.choices.seed);
    PlaceAtRandom(ws.map, ws.random, read.items, m);
    ResetView(ws.view, ws.map);
    ws.shown = {MapKind::MrpMds, m, std::string(BaseName(*path)), *path};

    // The divisor of the squared distances: the components, or the matrix's row length.
    const int b = ws.VectorDim;
    RunClock clock;
    const auto plan = std::make_unique<MdsPlan>();
    const long done = Animate(form, *plan, b, m, clock);
    const SettlingMade settled =
        SettleMap(form, *plan, m, kStepLength, kRedrawPeriod, options.choices.settle, [&](int i, int of) {
            ShowMovedMap(form, m);
            if (clock.ReportDue())
                form.StatusProgress(
                    {"MRP-MDS settling", i, of, clock.Seconds(), MapFitText(MeasureMapFit(ws.map, ws.distances, m))});
        });
    const bool stoppedBefore = ws.StopRequested;
    const RowsPlaced placed = read.Rows() != nullptr ? PlaceAllRows(form, options, read, b, written) : RowsPlaced{};
    const long all = kSteps + 1L;
    const auto end = [&] {
        ReportRunEnd(form, {"MRP-MDS", "", "", "mapped the items", done, all, all, StoppedWhile(placed)}, settled,
                     written && placed.written, clock.Seconds(), ShownMapFigures());
    };
    // A stopped run says so before what it kept; a finished one ends with it.
    const bool stopped = stoppedBefore || placed.stoppedPlacing || placed.stoppedMeasuring;
    if (stopped) end();
    if (read.Rows() != nullptr) ShowRowsPlaced(form, read.all, placed, stoppedBefore);
    ShowMapBorder(form, options, *plan, b, read, placed.atWall);
    if (!stopped) end();
}
