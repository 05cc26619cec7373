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
#include "session/Random.h"
#include "session/Session.h"

namespace {

constexpr int kRedrawPeriod = 1000;
constexpr int kMapRedrawPeriod = 10;  // map steps: two every 200 counted steps, a redraw every 1000
constexpr int kPanelForcedUntil = 300000;
constexpr int kMaxMrpClusters = 40;
constexpr double kRadius = 0.5;  // outer and inner: only the winner moves
// The map's grid and box while the items' distances are taken, then the
// prototypes' map's.
constexpr int kItemMapSize = 20;
constexpr int kPrototypeMapSize = 25;

void SetMapSizes(MapLayout& map, int size) {
    map.size[1] = size;
    map.size[2] = size;
    map.size[3] = 1;
    map.size[4] = 1;
}

void ClearForRun(Form& form, Session& session) {
    StartRun(form, session, 1);
    session.view.showEdges = true;
    session.StopRequested = false;
    session.clusters.Clear(0);  // marks of an earlier MRP-MDS run mean nothing here
    session.view.markScale = 1.0f;
    session.table = Table{};
    SetMapSizes(session.map, kItemMapSize);
    session.map.axisSize[1] = session.map.size[1];
    session.map.axisSize[2] = session.map.size[2];
}

// The fields SOC checks before it reads its file; false when the run must end.
bool FieldsUsable(Form& form, Session& session, const SocOptions& o) {
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
            Refuse(form, session, c.line, FieldWords(c.field, c.label) + c.why);
            return false;
        }
    return true;
}

// The prototypes' map: all 400 points at random in [0, 12] on a grid of 0.5
// (the first K of them are the prototypes').
void PlacePrototypeMap(MapLayout& map, Random& random) {
    SetMapSizes(map, kPrototypeMapSize);
    for (int a = 1; a <= 9; ++a) map.axisSize[a] = 1;
    map.axisSize[1] = map.axisSize[2] = map.size[1];
    map.Resize(kMaxMapItems);
    for (int i = 1; i <= kMaxMapItems; ++i)
        for (int a = 1; a <= 2; ++a)
            map.Point(i)[a] = static_cast<float>(random.Below(map.axisSize[a]) * 0.5);
}

// K prototypes drawn from the items, every item equally likely.
void DrawPrototypes(Prototypes& prototypes, const Table& items, int k, int dim, Random& random) {
    prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p) {
        const int r = 1 + random.Below(items.rows);
        std::copy(items.Row(r) + 1, items.Row(r) + dim + 1, prototypes.Vector(p) + 1);
    }
}

// The MRP clusters' centres as the prototypes ("0: MRP init"), from the
// items' distances; false when the run must end.
bool PrototypesFromClusters(Form& form, Session& session, const SocOptions& options, const DistanceMatrix& itemDistances, int n,
                            int dim) {
    if (n > kMaxMapItems) {
        Refuse(form, session, "max size: 400",
               Format("the MRP initialisation (\"No. of feature vect.\" 0) clusters at most 400 items, "
                      "%d were read",
                      n));
        return false;
    }
    // The item distances are at a tenth of the training's size: the file's
    // units when it trains at ten times them.
    const double toFile = kTenfold / session.table.scale;
    const double mean = MeanDistance(itemDistances) / itemDistances.scale * toFile;
    MrpFields mrp = options.mrp;
    const CharDistanceSearch search{itemDistances, mean, toFile, kMaxMrpClusters};
    ResolveCharDistance(form, mrp, search);
    if (!CharDistanceUsable(form, session, mrp, search)) return false;
    MemoLines memo(form);
    const Clusters clusters =
        ClusterPrototypes(itemDistances, kMaxMrpClusters, static_cast<float>(mrp.charDistance.value / toFile),
                          mrp.noiseLimit.value, mrp.neighbourLimit.value, memo);
    int members = 0;
    ClustersFileText(clusters, members);
    form.MemoAppend(std::to_string(members));
    form.MemoAppend(" ");
    if (clusters.count == 0) {
        Refuse(form, session, "",
               Format("no MRP cluster, so no prototypes to train: none found with \"char. distance\" %g; %s",
                      static_cast<double>(mrp.charDistance.value), CharDistanceHint(form, mrp, search).c_str()));
        return false;
    }
    session.prototypes.Resize(clusters.count, dim);
    for (int c = 1; c <= clusters.count; ++c) {
        const float* centre = session.table.Row(clusters.centres[static_cast<std::size_t>(c)]);
        std::copy(centre + 1, centre + dim + 1, session.prototypes.Vector(c) + 1);
    }
    return true;
}

// The vectors at the training's size, their distances, the map placed and
// the prototypes set up; false when the run must end.
bool PrepareTraining(Form& form, Session& session, const SocOptions& options, const std::string& path, Random& random,
                     int& dim) {
    dim = options.dim.value;
    std::optional<Table> items =
        ReadTrainingVectors(form, session, path, options.vectors.value, dim, "invalid input data.", true);
    if (!items) return false;
    const int n = items->rows;
    session.VectorDim = dim;
    session.view.markScale = 1.0f;
    session.view.mode = kViewNumbers;
    session.view.angle = kRunViewAngle;
    form.MemoAppend(std::to_string(dim));
    ShrinkLargeData(*items, dim);
    const DistanceMatrix itemDistances = ItemDistances(
        form, *items, n, dim, static_cast<double>(session.map.axisSize[1]) * static_cast<double>(options.enlargement.value));
    items->MultiplyBy(kTenfold);
    items->distanceUnit = ChooseDistanceUnit(*items, n, dim);
    session.table = std::move(*items);
    session.PickEnabled = true;
    random.Seed(options.choices.seed);
    PlacePrototypeMap(session.map, random);
    if (options.prototypes.value > 0) {
        random.Seed(options.choices.seed);
        DrawPrototypes(session.prototypes, session.table, options.prototypes.value, dim, random);
    } else if (!PrototypesFromClusters(form, session, options, itemDistances, n, dim))
        return false;
    session.map.KeepPoints(session.prototypes.k);
    session.clusters.Clear(session.prototypes.k);  // the points are prototypes, drawn as themselves
    FillMissingComponents(session.prototypes, session.table, n, dim);
    for (int k = 1; k <= session.prototypes.k; ++k)
        std::fill(session.prototypes.Weights(k) + 1, session.prototypes.Weights(k) + dim + 1, 1.0f);
    session.MakeRoom(std::max(n, session.prototypes.k));
    return true;
}

// The mean start error M, the prototype distances and the view; the
// training starts.
void StartTraining(Form& form, Session& session, SocTraining& training, const SocOptions& options, int dim, int steps) {
    const float meanStartError = MeanStartError(session.prototypes, session.table, session.table.rows, dim);
    form.MemoAppend(FormatGeneral(meanStartError));
    session.view.showEdges = true;
    const double size =
        static_cast<double>(session.map.axisSize[1]) * static_cast<double>(options.enlargement.value);
    training.Begin(session.prototypes, session.table, dim, session.distances, size, session.ItemScore, options.rate.value,
                   meanStartError, steps);
    ResetView(session.view, session.map);
    form.MemoAppend("init k\xC3\xA9sz");
}

// The map redrawn; the prototypes' scores kept as training left them, since
// a pick while events run rewrites them.
void RedrawTrainedMap(Form& form, Session& session) {
    KeepScores(session);
    ShowMovedMap(form, session, 2);
}

// Every step draws an item from 1..N; the map, progress, STOP and the panel
// every 1000 counted steps. A smoothed error above 500 adds the drawn
// item's number to Memo1 for the first 100 such steps; the others are only
// counted, so that they cost no time.
struct Trained {
    long done;        // the steps made
    long moreAlarms;  // steps above 500 after the first 100
};
Trained Train(Form& form, Session& session, SocTraining& training, int steps, Random& random, RunClock& clock,
              const StopCheck& stop) {
    constexpr long kAlarmLines = 100;
    const int n = session.table.rows;
    Trained trained{0, 0};
    long alarms = 0;
    int redraw = 0;
    // Each step's item is drawn a step ahead, in the same order, so that its
    // values are on their way while the step before is made.
    int next = steps > 0 ? 1 + random.Below(n) : 0;
    for (int t = 1; t <= steps; ++t) {
        trained.done = t;
        const int r = next;
        if (t < steps) {
            next = 1 + random.Below(n);
            training.Prefetch(next);
        }
        const float smoothed = training.Learn(t, r);
        if (smoothed > 500 && ++alarms <= kAlarmLines) form.MemoAppend(std::to_string(r));
        if (t < kPanelForcedUntil) session.PanelItem = 1;
        if (++redraw == kRedrawPeriod) {
            training.SyncDistances();  // the drawing's edges and the handlers of the events read them
            RedrawTrainedMap(form, session);
            if (clock.ReportDue())
                form.StatusProgress({"SOC", t, steps, clock.Seconds(),
                                     Format("smoothed error %.3f", static_cast<double>(smoothed))});
            if (!stop()) t = steps;
            form.MemoAppend(Format("%.3f %.6f %.3f  %.3f", static_cast<double>(smoothed),
                                   static_cast<double>(training.LearnRate()), kRadius, kRadius));
            redraw = 0;
            DrawFeaturePanel(form, session);
        }
        training.FitMap(session.map);  // after the redraw: the map shows the fit of 200 steps ago
    }
    trained.moreAlarms = std::max(alarms - kAlarmLines, 0L);
    return trained;
}

// clusters.dat, soc.dat and weights.dat, and the record of them; false
// when they could not be written.
bool WriteFiles(Form& form, Session& session, const SocOptions& options, const std::string& path, const ResultPaths& paths,
                int dim) {
    const int n = session.table.rows;
    const std::vector<int>& assigned = session.Assignment().prototypeOf;
    std::copy(assigned.begin() + 1, assigned.end(), session.ItemMark.begin() + 1);
    const std::string clusters = SocClustersText(assigned, session.prototypes.k);
    const std::string soc = SocFileText(session.prototypes, dim, session.ItemScore, session.view);
    const std::string weights = WeightsFileText(session.prototypes, dim, session.ItemScore, session.view);
    return CommitRunFiles(form, paths.folder,
                          RunLine("SOC", path, n, dim, session.table.columnScale,
                                  {Setting("No. of feature vect.", session.prototypes.k),
                                   Setting("convergence. rate", options.rate.value),
                                   Setting("map enlarge.", options.enlargement.value)}),
                          {{paths.clusters, clusters}, {paths.soc, soc}, {paths.weights, weights}});
}

// How the run ended, with the prototypes' figures.
void ReportEnd(Form& form, Session& session, long done, int steps, const SettlingMade& settling, bool written,
               const RunClock& clock, const RunChoices& choices) {
    const SocFit fit = ShowTrainedPrototypes(form, session);
    ReportRunEnd(form,
                 {"SOC", "map ", ", its files written", "trained " + GroupedCount(done) + " steps", done, steps,
                  done, written, "", &choices},
                 settling, clock.Seconds(), SocFitText(fit));
}

}  // namespace

void RunSoc(Form& form, Session& session, int steps) {
    const RunGuard guard(form, session, "SOC");
    if (!guard.Acquired()) return;
    const std::optional<std::string> path = ChooseRunFile(form, FileRun::Soc);
    if (!path) return;
    ClearForRun(form, session);
    FollowFile(form, *path, FileRun::Soc);
    const SocOptions options = ReadSocOptions(form);
    form.MemoAppend(*path);
    const ResultPaths paths = ListResultPaths(form, *path);
    int dim = 0;
    Random random;
    if (!FieldsUsable(form, session, options) || !PrepareTraining(form, session, options, *path, random, dim)) return;
    session.shown = {MapKind::Soc, 2, std::string(BaseName(*path)), *path};

    const auto training = std::make_unique<SocTraining>();
    StartTraining(form, session, *training, options, dim, steps);
    RunClock clock;
    const StopCheck stop(form, session);
    random.Seed(options.choices.seed);
    const Trained trained = Train(form, session, *training, steps, random, clock, stop);
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
    session.PickEnabled = false;
    const SettlingMade settled =
        !options.choices.settle
            ? NotSettled(SocTraining::kMapStepLength, stop)
            : SettleMap(training->MapStep(), session.map, 2, SocTraining::kMapStepLength, kMapRedrawPeriod, stop,
                        [&](int i, int of) {
                            RedrawTrainedMap(form, session);
                            if (clock.ReportDue())
                                form.StatusProgress({"SOC map settling", i, of, clock.Seconds(), ""});
                        });
    session.PickEnabled = true;
    const bool written = WriteFiles(form, session, options, *path, paths, dim);
    const int pressed = settled.made > 0 ? training->Map().PressedItems(kMapRedrawPeriod) : pressedInTraining;
    const double enlargement = options.enlargement.value;
    // A SOC map is the training's: what fits is found from the distances alone.
    ShowBorderWarning(form, pressed, session.map.n, enlargement, [&] {
        return FittingValue{FittingEnlargement(session.distances, session.map, enlargement, dim), false};
    });
    ReportEnd(form, session, trained.done, steps, settled, written, clock, options.choices);
}
