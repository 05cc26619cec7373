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
#include "handlers/NeighbourMap.h"
#include "handlers/RunControl.h"
#include "handlers/RowPlacement.h"
#include "handlers/RunRecord.h"
#include "handlers/RunSteps.h"
#include "mds/MapBorder.h"
#include "mds/MapFit.h"
#include "mrp/Clustering.h"
#include "mrp/MrpFit.h"
#include "soc/TrainingScale.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

constexpr int kMaxClusters = 30;
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
    MapBasis basis;  // of vectors: what placing a row on the map will take, as far as the read gives it
    RecordLine run;  // the record's line of the run's files, once it writes them
    const AllRows* Rows() const { return all.landmarks.empty() ? nullptr : &all; }
};

// The columns the features were read from, with their scale.
std::vector<MapColumn> ColumnsOf(const ColumnPlan& plan, const Table& items, int dim) {
    std::vector<MapColumn> columns;
    for (int q = 1; q <= dim && q <= static_cast<int>(plan.features.size()); ++q) {
        const int c = plan.features[static_cast<std::size_t>(q - 1)];
        columns.push_back({c, plan.header[static_cast<std::size_t>(c)], items.offset[static_cast<std::size_t>(q)],
                           items.factor[static_cast<std::size_t>(q)]});
    }
    return columns;
}

// The rule that places a row on the map of the run's distances, as the
// map step places its items.
PlacementRule RowRule(const Session& session, int m, int b) {
    return {b, m, session.distances.largest * kRadiusFactor, kFarWeight, static_cast<float>(session.map.axisSize[1]),
            LargestDistance(session.distances, session.distances.n)};
}

// The run's own start state, once a file is chosen.
void ClearForRun(Form& form, Session& session) {
    StartRun(form, session, 0);
    session.table = Table{};
    session.map.size[1] = kMapSize;
    session.map.size[2] = kMapSize;
    session.map.size[3] = 1;
    session.map.size[4] = 1;
    session.map.axisSize[1] = session.map.size[1];
    session.map.axisSize[2] = session.map.size[2];
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

// What a quick run of the map takes beside its distances: the map's box,
// the divisor of the squared distances, the axes, the run's seed, with all
// rows the rows, and the run's stop check.
struct QuickRuns {
    const MapLayout& box;
    int b, m;
    unsigned seed;
    const AllRows* rows;
    const StopCheck& stop;
};

// Whether the map, run quickly (the run's seed and start, no animation, no
// settling) from the distances d normalised at "map enlarge." e scaled to
// `value`, ends with no more than 2% of the items at the box's wall: with
// all rows, of every row, the others placed on the map of the landmarks.
// Nothing when STOP ended the run.
std::optional<bool> FitsInQuickRun(const QuickRuns& q, const DistanceMatrix& d, double e, double value) {
    DistanceMatrix scaled = d;
    for (float& v : scaled.values) v = static_cast<float>(v * (value / e));
    scaled.largest = 1.0f;  // as the run's
    MapLayout map = q.box;
    Random random;
    random.SeedWith(q.seed);
    PlaceAtRandom(map, random, MapRows(d.n), q.m);
    const auto plan = std::make_unique<MdsPlan>();
    plan->Prepare(scaled, q.b, kRadiusFactor, kFarWeight);
    for (int l = 0; l <= kSteps; ++l) {
        plan->Step(map, q.m, kStepLength);
        if (l % 1000 == 0 && !q.stop()) return std::nullopt;
    }
    const int pressed = plan->PressedItems(kRedrawPeriod);
    if (q.rows == nullptr) return !MapCutByBox(pressed, map.n);
    const PlacementRule rule{q.b, q.m, scaled.largest * kRadiusFactor, kFarWeight, static_cast<float>(map.axisSize[1]),
                             LargestDistance(scaled, scaled.n)};
    const std::optional<int> atWall =
        RowsAtWall(*q.rows, map, rule, static_cast<float>(d.scale * (value / e)), q.stop);
    if (!atWall) return std::nullopt;
    return !MapCutByBox(pressed + *atWall, q.rows->table.rows);
}

// The "map enlarge." that fits the distances d normalised at e: the value
// found from the distances alone, halved until a quick run at it fits (three
// runs at most, which STOP ends); the next half, not checked, when none does.
FittingValue CheckedFitting(Form& form, const QuickRuns& q, const DistanceMatrix& d, double e) {
    constexpr int kQuickRuns = 3;
    double value = FittingEnlargement(d, q.box, e, q.b);
    if (!(value > 0) || q.m < 1 || q.m > 3) return {value, false};
    for (int run = 1; run <= kQuickRuns; ++run, value = value / 2) {
        form.StatusProgress({"checking \"map enlarge.\"", run, kQuickRuns, 0, FormatGeneral(value)});
        const std::optional<bool> fits = FitsInQuickRun(q, d, e, value);
        if (!fits) return {value, false};
        if (*fits) return {value, true};
    }
    return {value, false};
}

// "map enlarge." "fit": the checked value for the distances d (not yet
// normalised), stated on the status line.
void ResolveEnlargement(Form& form, const QuickRuns& q, MrpMdsOptions& options, const DistanceMatrix& d) {
    if (!FieldSays(options.enlargement, "fit")) return;
    DistanceMatrix unit = d;
    float value = 1;
    if (NormaliseDistances(unit, q.box.size[1])) {
        const FittingValue fits = CheckedFitting(form, q, unit, 1);
        if (fits.value > 0) value = static_cast<float>(fits.value);
        form.StatusNote(Format("\"map enlarge.\" fit: %g%s", static_cast<double>(value),
                               fits.checked ? ", at which a quick run of the map fits its box"
                                            : " (not checked)"));
    }
    options.enlargement.value = value;
}

// The distances normalised to the map's box at "map enlarge." (first found
// when it says "fit"): the factor, or nothing with "gaz" in Memo1.
std::optional<float> Normalise(Form& form, Session& session, MrpMdsOptions& options, DistanceMatrix& d, int b,
                               const AllRows* rows, const StopCheck& stop) {
    ResolveEnlargement(form, {session.map, b, options.mapDim.value, *options.choices.seed, rows, stop}, options, d);
    const std::optional<float> f = NormaliseDistances(
        d, static_cast<double>(session.map.axisSize[1]) * static_cast<double>(options.enlargement.value));
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
bool HasItems(Form& form, Session& session, const MrpMdsOptions& options, const char* refusalLine) {
    if (options.items.value >= 1) return true;
    Refuse(form, session, refusalLine, FieldWords(options.items, "Input size") + ": it must give the number of items");
    return false;
}

// Reads the items as vectors; false when the run must end.
bool ReadVectors(Form& form, Session& session, MrpMdsOptions& options, Random& random, const StopCheck& stop,
                 ItemsRead& read) {
    const bool allRows = options.choices.allRows;
    if (!allRows && !HasItems(form, session, options, "invalid input data.")) return false;
    const char* name = read.path.c_str();
    ReadReport report;
    Table items = ReadRunVectors(options.choices, name, RowsToRead(options.choices, options.items.value), report);
    // With all rows, the rows asked for are those the file has.
    const int asked = allRows ? report.rowsRead : options.items.value;
    ShowDataLine(form, report, asked);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, session, "invalid input data.", why);
        return false;
    }
    if (!AllRowsFit(form, session, options.choices, report, name)) return false;
    ShowVectorReadNotes(form, report, name, asked);
    read.items = std::min(asked, report.rowsRead);  // no rows past the file's end
    read.dim = report.values;
    if (read.dim > kMaxDim) {
        std::string why = Format("the rows of %s hold %d values; vectors have at most 64 components",
                                 std::string(BaseName(name)).c_str(), read.dim);
        if (LooksLikeMatrix(report)) why += "; the file looks like a distance matrix: set \"Vect. dim\" to 0";
        Refuse(form, session, "max dim: 64", why);
        return false;
    }
    ComponentsTheyHave(form, report, options.dim.value);
    ScaleFeatures(form, report, items, read.dim);
    if (!ValuesFitSinglePrecision(form, session, report, items, read.dim, "invalid input data.")) return false;
    read.basis.columns = ColumnsOf(report.columns, items, read.dim);
    read.basis.scale = items.columnScale;
    read.basis.unit = ChooseDistanceUnit(items, items.rows, read.dim);
    if (read.items > kMaxMapItems) {  // all rows: the run maps its landmarks
        read.all = {std::move(items), DrawLandmarks(read.items, random), read.dim, read.basis.unit};
        items = read.all.table.Reordered(read.all.landmarks);
        read.items = items.rows;
    }
    read.basis.landmarks = items;
    session.view.mode = kViewBars;
    session.PickEnabled = false;
    ShowUnrelatedPairs(form, BuildDistanceMatrix(items, read.items, read.dim, session.distances));
    read.mean = MeanDistance(session.distances);
    form.MemoAppend(std::to_string(read.dim));
    read.dump = DistanceDumpText(session.distances);  // written once the run goes on
    const std::optional<float> s = Normalise(form, session, options, session.distances, read.dim, read.Rows(), stop);
    if (read.dim == 0 || !s || *s == 0) {
        Refuse(form, session, "invalid input data.",
               read.dim == 0 ? Format("%s holds no values", std::string(BaseName(name)).c_str())
                             : NoScaleWords(options, read.items));
        return false;
    }
    read.basis.distanceFactor = *s;
    items.MultiplyBy(kTenfold);
    items.distanceUnit = ChooseDistanceUnit(items, read.items, read.dim);
    session.table = std::move(items);
    session.VectorDim = read.dim;
    return true;
}

// Reads the items' distance matrix; false when the run must end.
bool ReadMatrix(Form& form, Session& session, MrpMdsOptions& options, const StopCheck& stop, ItemsRead& read) {
    const bool allRows = options.choices.allRows;
    if (!allRows && !HasItems(form, session, options, "invalid dist. matr.")) return false;
    const char* name = read.path.c_str();
    const std::string file(BaseName(name));
    ReadReport report;
    const Table matrix =
        ReadMatrix(name, RowsToRead(options.choices, options.items.value), options.choices.reading, report);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, session, "invalid dist. matr.", why);
        return false;
    }
    if (!AllRowsFit(form, session, options.choices, report, name)) return false;
    // With all rows, as many items as the matrix has rows; a matrix maps at most 400.
    const int asked = allRows ? report.rowsRead : options.items.value;
    if (asked > kMaxMapItems) {
        Refuse(form, session, "max size: 400",
               Format("%s is a matrix of %d rows; an MRP-MDS map of a distance matrix takes at most 400 items",
                      file.c_str(), asked));
        return false;
    }
    ShowMatrixReadNotes(form, report, name, asked);
    if (report.rowsRead < asked) {  // a matrix needs every row
        Refuse(form, session, "invalid dist. matr.",
               Format("%s has %d rows, fewer than \"Input size\" %d", file.c_str(), report.rowsRead, asked));
        return false;
    }
    if (report.missing > 0) {
        Refuse(form, session, "invalid dist. matr.",
               Format("%s misses distances (line %d first): a distance matrix needs every one", file.c_str(),
                      report.firstMissingLine));
        return false;
    }
    // The matrix as read, as far as the items go (a short row's missing end
    // taken as 0); its names are the items'.
    DistanceMatrix& d = session.distances;
    d.Resize(asked);
    for (int i = 1; i <= asked; ++i)
        for (int j = 1; j <= std::min(asked, matrix.width); ++j)
            d.Row(i)[j] = std::isnan(matrix.Row(i)[j]) ? 0.0f : matrix.Row(i)[j];
    read.items = asked;
    read.dim = report.lastRowValues;
    read.mean = MeanDistance(d);
    const std::optional<float> s = Normalise(form, session, options, d, read.dim, nullptr, stop);
    if (read.dim != asked || read.dim == 0 || !s || *s == 0) {
        std::string why = NoScaleWords(options, asked);
        if (read.dim != asked) {
            why = Format("the last row read from %s holds %d values, \"Input size\" is %d", file.c_str(),
                         read.dim, asked);
            if (read.dim >= 1 && read.dim <= kMaxDim)
                why += Format("; for vectors of %d values set \"Vect. dim\" to %d", read.dim, read.dim);
        }
        Refuse(form, session, "invalid dist. matr.", why);
        return false;
    }
    session.view.mode = kViewBars;
    session.PickEnabled = false;
    form.MemoAppend(std::to_string(read.dim));
    // The items of a matrix have names, no vector.
    session.table.Resize(asked, 0);
    session.table.names = matrix.names;
    session.VectorDim = read.dim;
    read.dim = 0;
    return true;
}

// "Input size" and "Vect. dim", and the items as vectors or a matrix, with
// their mean distance; false when the run must end.
bool ReadItems(Form& form, Session& session, MrpMdsOptions& options, Random& random, const StopCheck& stop,
               ItemsRead& read) {
    session.VectorDim = options.dim.value;
    if (options.items.value > kMaxMapItems && !options.choices.allRows) {
        Refuse(form, session, "max size: 400",
               FieldWords(options.items, "Input size") + "; an MRP-MDS map takes at most 400 items");
        return false;
    }
    if (options.dim.value > kMaxDim) {
        Refuse(form, session, "max dim: 64",
               FieldWords(options.dim, "Vect. dim") + "; vectors have at most 64 components, 0 reads a distance matrix");
        return false;
    }
    if (options.dim.value < 0) {
        Refuse(form, session, "no input data",
               FieldWords(options.dim, "Vect. dim") +
                   ": it must give the components per item, 0 for a distance matrix");
        return false;
    }
    if (!(options.dim.value > 0 ? ReadVectors(form, session, options, random, stop, read)
                                : ReadMatrix(form, session, options, stop, read)))
        return false;
    form.MemoAppend(Format("mean distance: %.3f", static_cast<double>(read.mean)));
    return true;
}

// "--mrp auto": the three MRP values fitted to the items, stated with why,
// and written into their fields so that a following run repeats them. True
// when found; false leaves the fields' values (STOP or nothing that fits).
bool FitMrpFields(Form& form, MrpFields& mrp, const DistanceMatrix& d, float mean, const StopCheck& stop) {
    const std::optional<MrpFit> fit = FitMrpValues(d, mean, kMaxClusters, stop.GoOn());
    if (!fit) {
        form.StatusNote(stop.Stopped() ? "MRP auto: stopped; the fields' MRP values are used"
                                       : "MRP auto: no values give two clusters of a thirtieth of the items "
                                         "with at most a third in none; the fields' MRP values are used");
        return false;
    }
    const MrpValues& v = fit->chosen.values;
    const ClusterJudgement& j = fit->chosen.judged;
    const std::string texts[] = {Format("%.3g", static_cast<double>(v.charDistance)),
                                 Format("%g", static_cast<double>(v.noiseLimit)),
                                 Format("%g", static_cast<double>(v.neighbourLimit))};
    FieldValue<float>* const fields[] = {&mrp.charDistance, &mrp.noiseLimit, &mrp.neighbourLimit};
    for (int f = 0; f < 3; ++f) {
        fields[f]->text = texts[f];
        fields[f]->value = static_cast<float>(ParseReal(texts[f]));
        form.SetEditText(static_cast<EditId>(Edit8 + f), texts[f]);
    }
    form.StatusNote(Format(
        "MRP auto: \"char. distance\" %s, \"noise limit\" %s, \"neigbbour limit\" %s: %d clusters, %d of "
        "them of a thirtieth of the items or more, %d of %d items in none; separation %.2f (silhouette over "
        "those clusters), the most such clusters within a tenth of the best separation %.2f of %d trials",
        texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), j.clusters, j.largeClusters, j.itemsInNone, j.items,
        j.separation, fit->bestSeparation, fit->trials));
    return true;
}

// The MRP parameters and the map's axes; false when the run must end.
bool MapFieldsUsable(Form& form, Session& session, MrpMdsOptions& options, float mean, const StopCheck& stop) {
    session.distances.largest = 1.0f;
    session.view.markScale = 5.0f;
    session.view.angle = kRunViewAngle;
    const CharDistanceSearch search{session.distances, mean, 1, kMaxClusters};
    if (options.choices.mrp != MrpSource::FittedToTable ||
        !FitMrpFields(form, options.mrp, session.distances, mean, stop))
        ResolveCharDistance(form, options.mrp, search);
    if (!CharDistanceUsable(form, session, options.mrp, search)) return false;
    const int m = options.mapDim.value;
    if (m <= 0 || m > 3) {
        Refuse(form, session, "MDS dim must be 1-3!", FieldWords(options.mapDim, "map dim. (1-3)"));
        return false;
    }
    return true;
}

// The run goes on: the clusters, then the distances of vectors into
// distances.dat, the clusters into clusters.dat, with the record of both.
// False when they could not be written.
bool ClusterAndWrite(Form& form, Session& session, const MrpMdsOptions& options, ItemsRead& read) {
    MemoLines memo(form);
    const MrpFields& mrp = options.mrp;
    session.clusters = ClusterPrototypes(session.distances, kMaxClusters, mrp.charDistance.value, mrp.noiseLimit.value,
                                    mrp.neighbourLimit.value, memo);
    int members = 0;
    const std::string text = ClustersFileText(session.clusters, members);
    form.MemoAppend(std::to_string(members));
    if (session.clusters.count == 0)
        form.StatusNote(Format("warning: no cluster found with \"char. distance\" %g; %s",
                               static_cast<double>(mrp.charDistance.value),
                               CharDistanceHint(form, mrp, {session.distances, read.mean, 1, kMaxClusters}).c_str()));
    read.run =
        RunLine("MRP-MDS", read.path, read.all.landmarks.empty() ? read.items : read.all.table.rows, read.dim,
                session.table.columnScale,
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
long Animate(Form& form, Session& session, MdsPlan& plan, int b, int m, RunClock& clock, const StopCheck& stop) {
    session.StopRequested = false;
    plan.Prepare(session.distances, b, kRadiusFactor, kFarWeight);  // the distances stay for the run
    plan.Step(session.map, m, kStepLength);
    long done = 1;
    int k = 0;
    for (int l = 1; l <= kSteps; ++l, ++k) {
        plan.Step(session.map, m, kStepLength);
        ++done;
        if (k != kRedrawPeriod) continue;
        ShowMovedMap(form, session, m);
        // The fit figures cost a pass over all pairs: at the rate of the
        // progress reports, ten a second, not at every redraw.
        if (clock.ReportDue())
            form.StatusProgress({"MRP-MDS", done, kSteps + 1L, clock.Seconds(),
                                 MapFitText(MeasureMapFit(session.map, session.distances, m))});
        k = 0;
        if (!stop()) l = kSteps;
    }
    return done;
}

// The warning of a map pressed against its box's wall (the landmarks the
// step pressed there and, with all rows, the rows placed at it), with a
// "map enlarge." that fits: checked, unless the run was stopped.
void ShowMapBorder(Form& form, const Session& session, const MrpMdsOptions& options, const MdsPlan& plan, int b,
                   const ItemsRead& read, int rowsAtWall, const StopCheck& stop) {
    const double enlargement = options.enlargement.value;
    ShowBorderWarning(form, plan.PressedItems(kRedrawPeriod) + rowsAtWall, session.map.n, enlargement, [&] {
        if (stop.Stopped())
            return FittingValue{FittingEnlargement(session.distances, session.map, enlargement, b), false};
        return CheckedFitting(form, {session.map, b, options.mapDim.value, *options.choices.seed, read.Rows(), stop},
                              session.distances, enlargement);
    });
}

// With all rows, the other rows placed on the landmarks' map, and
// clusters.dat written again with every row the map holds, as the same
// run's, when its files were `written` before: a set is written whole or
// not at all.
RowsPlaced PlaceAllRows(Form& form, Session& session, const MrpMdsOptions& options, const ItemsRead& read,
                        bool written, const StopCheck& stop) {
    const MapBasis& basis = session.basis;  // the landmarks' map as it stands: a view button may turn the one on show meanwhile
    const int m = basis.rule.m;
    // A neighbours map made from this one measures its own fit.
    const RowsFit fit = options.choices.map == MapMethod::Neighbours ? RowsFit::LeftToNextMap : RowsFit::Measured;
    RowsPlaced placed = PlaceOtherRows(form, {basis.map, basis.clusters, basis.distanceFactor}, read.all,
                                       {basis.rule, basis.charDistance, *options.choices.seed, fit}, stop);
    ShowAllRows(session, placed);
    ShowMovedMap(form, session, m);
    placed.written = written;
    if (!written) return placed;
    int members = 0;
    const std::string text = ClustersFileText(session.clusters, members, session.landmarks.fileRow);
    placed.written = CommitRunFiles(form, read.results.folder, read.run, {{read.results.clusters, text}});
    return placed;
}

// The map of vectors, as it stands before any other row is placed on it,
// kept with what placing a row on it takes.
void KeepMapBasis(Session& session, const MrpMdsOptions& options, ItemsRead& read, int b) {
    read.basis.map = session.map;
    read.basis.clusters = session.clusters;
    read.basis.rule = RowRule(session, options.mapDim.value, b);
    read.basis.charDistance = options.mrp.charDistance.value;
    session.basis = std::move(read.basis);
}

// With `--map neighbours`, once the map of the distances stands (and every
// row is placed on it): the neighbours map made from it.
std::optional<NeighboursArranged> MakeNeighboursMap(Form& form, Session& session, const MrpMdsOptions& options,
                                                    const StopCheck& stop) {
    if (options.choices.map != MapMethod::Neighbours || stop.Stopped()) return std::nullopt;
    return ArrangeNeighbours(form, session, options.mapDim.value, *options.choices.seed, stop);
}

}  // namespace

void RunMrpMds(Form& form, Session& session) {
    const RunGuard guard(form, session, "MRP-MDS");
    if (!guard.Acquired()) return;
    session.StopRequested = false;  // a STOP pressed before this run ends none of its checks
    const StopCheck stop(form, session);
    const std::optional<std::string> path = ChooseRunFile(form, FileRun::MrpMds);
    if (!path) return;
    ClearForRun(form, session);
    FollowFile(form, *path, FileRun::MrpMds);
    MrpMdsOptions options = ReadMrpMdsOptions(form);
    ItemsRead read;
    read.path = *path;
    read.results = ListResultPaths(form, *path);
    form.MemoAppend(*path);
    Random random;
    random.SeedWith(*options.choices.seed);
    if (!ReadItems(form, session, options, random, stop, read) || !MapFieldsUsable(form, session, options, read.mean, stop)) return;

    const int m = options.mapDim.value;
    const bool written = ClusterAndWrite(form, session, options, read);
    session.view.showEdges = true;
    session.MakeRoom(read.items);
    for (int i = 1; i <= read.items; ++i) session.ItemScore[static_cast<std::size_t>(i)] = 1.0f;
    random.SeedWith(*options.choices.seed);
    PlaceAtRandom(session.map, random, read.items, m);
    ResetView(session.view, session.map);
    session.shown = {MapKind::MrpMds, m, std::string(BaseName(*path)), *path};

    // The divisor of the squared distances: the components, or the matrix's row length.
    const int b = session.VectorDim;
    RunClock clock;
    const auto plan = std::make_unique<MdsPlan>();
    const long done = Animate(form, session, *plan, b, m, clock, stop);
    const SettlingMade settled =
        !options.choices.settle
            ? NotSettled(kStepLength, stop)
            : SettleMap(*plan, session.map, m, kStepLength, kRedrawPeriod, stop, [&](int i, int of) {
                  ShowMovedMap(form, session, m);
                  if (clock.ReportDue())
                      form.StatusProgress({"MRP-MDS settling", i, of, clock.Seconds(),
                                           MapFitText(MeasureMapFit(session.map, session.distances, m))});
              });
    const bool stoppedBefore = stop.Stopped();
    if (read.dim > 0) KeepMapBasis(session, options, read, b);
    const RowsPlaced placed =
        read.Rows() != nullptr ? PlaceAllRows(form, session, options, read, written, stop) : RowsPlaced{};
    const std::optional<NeighboursArranged> arranged = MakeNeighboursMap(form, session, options, stop);
    std::string stoppedWhile = StoppedWhile(placed);
    if (stoppedWhile.empty() && arranged) stoppedWhile = arranged->stoppedWhile;
    const long all = kSteps + 1L;
    const auto end = [&] {
        ReportRunEnd(form,
                     {"MRP-MDS", "", "", "mapped the items", done, all, all, written && placed.written, stoppedWhile,
                      &options.choices},
                     settled, clock.Seconds(), ShownMapFigures(session));
    };
    // A stopped run says so before what it kept; a finished one ends with it.
    const bool stopped = stoppedBefore || placed.Stopped() || !stoppedWhile.empty();
    if (stopped) end();
    if (read.Rows() != nullptr) ShowRowsPlaced(form, read.all, placed);
    if (arranged) ShowNeighboursArranged(form, *arranged);
    // The neighbours map fills its box by its making: no wall to press on.
    if (session.shown.method == MapMethod::Distances)
        ShowMapBorder(form, session, options, *plan, b, read, placed.atWall, stop);
    if (!stopped) end();
}
