#include "handlers/SocRun.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "distances/DistanceUnit.h"
#include "distances/Distances.h"
#include "handlers/MapRecord.h"
#include "handlers/MemoLines.h"
#include "handlers/Picking.h"
#include "handlers/PrototypeFacts.h"
#include "handlers/RunControl.h"
#include "handlers/RunRecord.h"
#include "handlers/RunSteps.h"
#include "mds/MapBorder.h"
#include "mrp/Clustering.h"
#include "soc/SocFit.h"
#include "soc/SocMatcher.h"
#include "soc/SocResults.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "soc/TrainingScale.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kRedrawPeriod = 1000;
constexpr int kMapRedrawPeriod = 10;  // map steps: two every 200 counted steps, a redraw every 1000
constexpr int kPanelForcedUntil = 300000;
constexpr int kMaxMrpClusters = 40;
constexpr int kMinMembers = 1;
constexpr double kRadius = 0.5;  // outer and inner: only the winner moves
// The map's grid and box while the items' distances are taken, then the
// prototypes' map's.
constexpr int kItemMapSize = 20;
constexpr int kPrototypeMapSize = 25;

void SetMapSizes(int size) {
    ws.map.size[1] = size;
    ws.map.size[2] = size;
    ws.map.size[3] = 1;
    ws.map.size[4] = 1;
}

void ClearForRun(Form& form) {
    StartRun(form, 1);
    ws.view.showEdges = true;
    ws.StopRequested = false;
    ws.clusters.Clear(0);  // marks of an earlier MRP-MDS run mean nothing here
    ws.view.markScale = 1.0f;
    ws.table = Table{};
    SetMapSizes(kItemMapSize);
    ws.map.axisSize[1] = ws.map.size[1];
    ws.map.axisSize[2] = ws.map.size[2];
}

// The fields SOC checks before it reads its file; false when the run must end.
bool FieldsUsable(Form& form, const SocOptions& o) {
    const struct {
        bool refused;
        const char* line;
        const FieldValue<int>& field;
        const char* label;
        const char* why;
    } checks[] = {
        {o.vectors.value > kMaxSocVectors && !o.choices.allRows, "max size: 1000", o.vectors, "Input size",
         "; SOC takes at most 1000 vectors"},
        {o.dim.value > kMaxDim, "max dim: 64", o.dim, "Vect. dim", "; vectors have at most 64 components"},
        {o.vectors.value < 1 && !o.choices.allRows, "invalid input data.", o.vectors, "Input size",
         ": it must give the number of vectors"},
        {o.dim.value < 1, "invalid input data.", o.dim, "Vect. dim",
         ": SOC trains feature vectors of 1 to 64 components"},
        {o.prototypes.value > kMaxMapItems, "max size: 400", o.prototypes, "No. of feature vect.",
         "; SOC trains at most 400 prototypes"},
        {o.prototypes.value < 0, "invalid input data.", o.prototypes, "No. of feature vect.",
         ": it must give 1 to 400 prototypes, or 0 for the MRP init"},
    };
    for (const auto& c : checks)
        if (c.refused) {
            Refuse(form, c.line, FieldWords(c.field, c.label) + c.why);
            return false;
        }
    return true;
}

// The prototypes' map: all 400 points at random in [0, 12] on a grid of 0.5
// (the first K of them are the prototypes').
void PlacePrototypeMap() {
    SetMapSizes(kPrototypeMapSize);
    MapLayout& map = ws.map;
    for (int a = 1; a <= 9; ++a) map.axisSize[a] = 1;
    map.axisSize[1] = map.axisSize[2] = map.size[1];
    map.Resize(kMaxMapItems);
    for (int i = 1; i <= kMaxMapItems; ++i)
        for (int a = 1; a <= 2; ++a)
            map.Point(i)[a] = static_cast<float>(ws.random.Below(map.axisSize[a]) * 0.5);
}

// K prototypes drawn from the items, every item equally likely.
void DrawPrototypes(const SocOptions& options, int n, int dim) {
    const int k = options.prototypes.value;
    ws.random.Seed(options.choices.seed);
    ws.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p) {
        const int r = 1 + ws.random.Below(n);
        std::copy(ws.table.Row(r) + 1, ws.table.Row(r) + dim + 1, ws.prototypes.Vector(p) + 1);
    }
}

// The MRP clusters' centres as the prototypes ("0: MRP init"), from the
// items' distances; false when the run must end.
bool PrototypesFromClusters(Form& form, const SocOptions& options, const DistanceMatrix& itemDistances, int n,
                            int dim) {
    if (n > kMaxMapItems) {
        Refuse(form, "max size: 400",
               Format("the MRP initialisation (\"No. of feature vect.\" 0) clusters at most 400 items, "
                      "%d were read",
                      n));
        return false;
    }
    // The item distances are at a tenth of the training's size: the file's
    // units when it trains at ten times them.
    const double toFile = kTenfold / ws.table.scale;
    const double mean = MeanDistance(itemDistances) / itemDistances.scale * toFile;
    MrpFields mrp = options.mrp;
    const CharDistanceSearch search{itemDistances, mean, toFile, kMaxMrpClusters};
    ResolveCharDistance(form, mrp, search);
    if (!CharDistanceUsable(form, mrp, search)) return false;
    MemoLines memo(form);
    const Clusters clusters =
        ClusterPrototypes(itemDistances, kMaxMrpClusters, static_cast<float>(mrp.charDistance.value / toFile),
                          mrp.noiseLimit.value, mrp.neighbourLimit.value, memo);
    int members = 0;
    ClustersFileText(clusters, kMinMembers, members);
    form.MemoAppend(std::to_string(members));
    form.MemoAppend(" ");
    if (clusters.count == 0) {
        Refuse(form, "",
               Format("no MRP cluster, so no prototypes to train: none found with \"char. distance\" %g; %s",
                      static_cast<double>(mrp.charDistance.value), CharDistanceHint(form, mrp, search).c_str()));
        return false;
    }
    ws.prototypes.Resize(clusters.count, dim);
    for (int c = 1; c <= clusters.count; ++c) {
        const float* centre = ws.table.Row(clusters.centres[static_cast<std::size_t>(c)]);
        std::copy(centre + 1, centre + dim + 1, ws.prototypes.Vector(c) + 1);
    }
    return true;
}

// The vectors at the training's size, their distances, the map placed and
// the prototypes set up; false when the run must end.
bool PrepareTraining(Form& form, const SocOptions& options, const std::string& path, int& dim) {
    dim = options.dim.value;
    std::optional<Table> items =
        ReadTrainingVectors(form, path, options.vectors.value, dim, "invalid input data.", true);
    if (!items) return false;
    const int n = items->rows;
    ws.VectorDim = dim;
    ws.view.markScale = 1.0f;
    ws.view.mode = kViewNumbers;
    ws.view.angle = kRunViewAngle;
    form.MemoAppend(std::to_string(dim));
    ShrinkLargeData(*items, dim);
    const DistanceMatrix itemDistances = ItemDistances(
        form, *items, n, dim, static_cast<double>(ws.map.axisSize[1]) * static_cast<double>(options.enlargement.value));
    items->MultiplyBy(kTenfold);
    items->distanceUnit = ChooseDistanceUnit(*items, n, dim);
    ws.table = std::move(*items);
    ws.PickEnabled = true;
    ws.random.Seed(options.choices.seed);
    PlacePrototypeMap();
    if (options.prototypes.value > 0)
        DrawPrototypes(options, n, dim);
    else if (!PrototypesFromClusters(form, options, itemDistances, n, dim))
        return false;
    ws.map.KeepPoints(ws.prototypes.k);
    ws.clusters.Clear(ws.prototypes.k);  // the points are prototypes, drawn as themselves
    FillMissingComponents(ws.prototypes, ws.table, n, dim);
    for (int k = 1; k <= ws.prototypes.k; ++k)
        std::fill(ws.prototypes.Weights(k) + 1, ws.prototypes.Weights(k) + dim + 1, 1.0f);
    ws.MakeRoom(std::max(n, ws.prototypes.k));
    return true;
}

// The mean start error M, the prototype distances and the view; the
// training starts.
void StartTraining(Form& form, SocTraining& training, const SocOptions& options, int dim, int steps) {
    const float meanStartError = MeanStartError(ws.prototypes, ws.table, ws.table.rows, dim);
    form.MemoAppend(FormatGeneral(meanStartError));
    ws.view.showEdges = true;
    const double size =
        static_cast<double>(ws.map.axisSize[1]) * static_cast<double>(options.enlargement.value);
    training.Begin(ws.prototypes, ws.table, dim, ws.distances, size, ws.ItemScore, options.rate.value,
                   meanStartError, steps);
    ResetView(ws.view, ws.map);
    form.MemoAppend("init k\xC3\xA9sz");
}

// The map redrawn; the prototypes' scores kept as training left them, since
// a pick while events run rewrites them.
void RedrawTrainedMap(Form& form) {
    KeepScores();
    ShowMovedMap(form, 2);
}

// Every step draws an item from 1..N; the map, progress, STOP and the panel
// every 1000 counted steps. A smoothed error above 500 adds the drawn
// item's number to Memo1 for the first 100 such steps; the others are only
// counted, so that they cost no time.
struct Trained {
    long done;        // the steps made
    long moreAlarms;  // steps above 500 after the first 100
};
Trained Train(Form& form, SocTraining& training, const SocOptions& options, int steps, RunClock& clock) {
    constexpr long kAlarmLines = 100;
    ws.random.Seed(options.choices.seed);
    const int n = ws.table.rows;
    Trained trained{0, 0};
    long alarms = 0;
    int redraw = 0;
    // Each step's item is drawn a step ahead, in the same order, so that its
    // values are on their way while the step before is made.
    int next = steps > 0 ? 1 + ws.random.Below(n) : 0;
    for (int t = 1; t <= steps; ++t) {
        trained.done = t;
        const int r = next;
        if (t < steps) {
            next = 1 + ws.random.Below(n);
            training.Prefetch(next);
        }
        const float smoothed = training.Learn(t, r);
        if (smoothed > 500 && ++alarms <= kAlarmLines) form.MemoAppend(std::to_string(r));
        if (t < kPanelForcedUntil) ws.PanelItem = 1;
        if (++redraw == kRedrawPeriod) {
            training.SyncDistances();  // the drawing's edges and the handlers of the events read them
            RedrawTrainedMap(form);
            if (clock.ReportDue())
                form.StatusProgress({"SOC", t, steps, clock.Seconds(),
                                     Format("smoothed error %.3f", static_cast<double>(smoothed))});
            form.ProcessEvents();
            if (ws.StopRequested) t = steps;
            form.MemoAppend(Format("%.3f %.6f %.3f  %.3f", static_cast<double>(smoothed),
                                   static_cast<double>(training.LearnRate()), kRadius, kRadius));
            redraw = 0;
            DrawFeaturePanel(form);
        }
        training.FitMap(ws.map);  // after the redraw: the map shows the fit of 200 steps ago
    }
    trained.moreAlarms = std::max(alarms - kAlarmLines, 0L);
    return trained;
}

// clusters.dat, soc.dat and weights.dat, and the record of them; false
// when they could not be written.
bool WriteFiles(Form& form, const SocOptions& options, const std::string& path, const ResultPaths& paths,
                int dim) {
    const int n = ws.table.rows;
    const std::vector<int>& assigned = ws.Assignment().prototypeOf;
    std::copy(assigned.begin() + 1, assigned.end(), ws.ItemMark.begin() + 1);
    const std::string clusters = SocClustersText(assigned, ws.prototypes.k);
    const std::string soc = SocFileText(ws.prototypes, dim, ws.ItemScore, ws.view);
    const std::string weights = WeightsFileText(ws.prototypes, dim, ws.ItemScore, ws.view);
    return CommitRunFiles(form, paths.folder,
                          RunLine("SOC", path, n, dim,
                                  {Setting("No. of feature vect.", ws.prototypes.k),
                                   Setting("convergence. rate", options.rate.value),
                                   Setting("map enlarge.", options.enlargement.value)}),
                          {{paths.clusters, clusters}, {paths.soc, soc}, {paths.weights, weights}});
}

// How the run ended, with the prototypes' figures.
void ReportEnd(Form& form, long done, int steps, const SettlingMade& settling, bool written,
               const RunClock& clock) {
    const SocFit fit = ShowTrainedPrototypes(form);
    ReportRunEnd(form,
                 {"SOC", "map ", ", its files written", "trained " + GroupedCount(done) + " steps", done, steps,
                  done},
                 settling, written, clock.Seconds(), SocFitText(fit, ws.table.HasClasses()));
}

}  // namespace

void RunSoc(Form& form, int steps) {
    const RunGuard guard(form, "SOC");
    if (!guard.Acquired()) return;
    const std::optional<std::string> path = ChooseRunFile(form, false);
    if (!path) return;
    ClearForRun(form);
    FollowFile(form, *path, kMaxSocVectors, false);
    const SocOptions options = ReadSocOptions(form);
    form.MemoAppend(*path);
    const ResultPaths paths = ListResultPaths(form, *path);
    int dim = 0;
    if (!FieldsUsable(form, options) || !PrepareTraining(form, options, *path, dim)) return;
    ws.shown = {MapKind::Soc, 2, std::string(BaseName(*path)), *path};

    const auto training = std::make_unique<SocTraining>();
    StartTraining(form, *training, options, dim, steps);
    RunClock clock;
    const Trained trained = Train(form, *training, options, steps, clock);
    if (trained.moreAlarms > 0)
        form.StatusNote(Format("warning: %s more steps had a smoothed error above 500",
                               GroupedCount(trained.moreAlarms).c_str()));
    training->Distances();
    // Settled before the files are written: soc.dat keeps the map's screen
    // positions as the last redraw left them, and reload brings back the
    // settled map the panel shows. The training is over: a pick now would
    // rewrite the scores soc.dat keeps. Preparing the settling forgets the
    // training's refused moves, so they are counted first.
    const int pressedInTraining = training->Map().PressedItems(kMapRedrawPeriod);
    ws.PickEnabled = false;
    const SettlingMade settled =
        SettleMap(form, training->MapStep(), 2, SocTraining::kMapStepLength, kMapRedrawPeriod,
                  options.choices.settle, [&](int i, int of) {
                      RedrawTrainedMap(form);
                      if (clock.ReportDue()) form.StatusProgress({"SOC map settling", i, of, clock.Seconds(), ""});
                  });
    ws.PickEnabled = true;
    const bool written = WriteFiles(form, options, *path, paths, dim);
    const int pressed = settled.made > 0 ? training->Map().PressedItems(kMapRedrawPeriod) : pressedInTraining;
    const double enlargement = options.enlargement.value;
    // A SOC map is the training's: what fits is found from the distances alone.
    ShowBorderWarning(form, pressed, ws.map.n, enlargement, [&] {
        return FittingValue{FittingEnlargement(ws.distances, ws.map, enlargement, dim), false};
    });
    ReportEnd(form, trained.done, steps, settled, written, clock);
}
