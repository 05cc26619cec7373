#include "handlers/SocRun.h"

#include <algorithm>
#include <vector>

#include "handlers/MapRecord.h"
#include "handlers/Picking.h"
#include "handlers/RunControl.h"
#include "handlers/RunRecord.h"
#include "handlers/RunStatus.h"
#include "handlers/RunSteps.h"
#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "mrp/Clustering.h"
#include "soc/SocFit.h"
#include "soc/SocResults.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "distances/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Random.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kFieldChars = 999;
constexpr int kRedrawPeriod = 1000;
constexpr int kMapRedrawPeriod = 10;  // map steps: two every 200 counted steps, a redraw every 1000
constexpr int kPanelForcedUntil = 300000;
constexpr int kMaxMrpClusters = 40;
constexpr double kRadius = 0.5;  // outer and inner: only the winner moves

void ClearForRun(Form& form) {
    StartRun(form, 1);
    ws.ShowEdges = 1;
    ws.StopRequested = 0;
    ws.ClearClusterMarks();  // marks of an earlier MRP-MDS run mean nothing here
    ws.MarkScale = 1.0f;
    ws.AvgKeep = 0.999f;
    ws.AvgGain = 0.001f;
    ws.ClearItems();
}

void SetMapSizes(int size1, int size2) {
    ws.MapSize1 = size1;
    ws.MapSize2 = size2;
    ws.MapSize3 = 1;
    ws.MapSize4 = 1;
}

// The prototypes' map: every point at random in [0, 12] on a grid of 0.5.
void PlacePrototypeMap() {
    SetMapSizes(25, 25);
    for (int a = 1; a <= 9; ++a) ws.AxisSize[a] = 1;
    ws.AxisSize[1] = ws.AxisSize[2] = ws.MapSize1;
    for (int i = 1; i <= kMaxMapItems; ++i) {
        std::fill(ws.MapCoords[i] + 1, ws.MapCoords[i] + 5, 0.0f);
        for (int a = 1; a <= 2; ++a)
            ws.MapCoords[i][a] = static_cast<float>(RandomBelow(ws.AxisSize[a]) * 0.5);
    }
}

// Sets up the K prototypes; false when the run must end.
bool SetUpPrototypes(Form& form, int n) {
    if (ws.ItemCount > 0) {
        SeedRandom();
        for (int k = 1; k <= ws.ItemCount; ++k) {
            const int r = 1 + RandomBelow(n);  // every item equally likely
            std::copy(ws.InputVectors[r] + 1, ws.InputVectors[r] + ws.VectorDim + 1, ws.Prototypes[k][1] + 1);
        }
    } else {
        if (n > kMaxMapItems) {
            Refuse(form, "max size: 400",
                   Format("the MRP initialisation (\"No. of feature vect.\" 0) clusters at most 400 items, "
                          "%d were read",
                          n));
            return false;
        }
        // The item distances are at a tenth of the training's scale: the
        // file's units when it trains at ten times them.
        const double toFile = 10.0 / ws.SocScale;
        const double mean = MeanDistance(n) / ws.DistScale * toFile;
        if (!ReadMrpParameters(form, mean)) return false;
        // Without a cluster the run stops before any file is touched.
        const int c =
            ClusterPrototypes(form, n, kMaxMrpClusters, 1, static_cast<float>(ws.CharDistance / toFile),
                              ws.NoiseLimit, ws.NeighbourLimit, /*writeWhenEmpty=*/false);
        ws.ClusterCount = c;
        ws.ItemCount = c;
        form.MemoAppend(" ");
        if (c == 0) {
            Refuse(
                form, "",
                Format("no MRP cluster, so no prototypes to train: none found with \"char. distance\" %g; %s",
                       static_cast<double>(ws.CharDistance), CharDistanceHint(mean).c_str()));
            return false;
        }
        // The clusters' marks belong to the items; the map's points are
        // prototypes, drawn as themselves, as when they are drawn from items.
        ws.ClearClusterMarks();
    }
    FillMissingComponents(ws.ItemCount, n, ws.VectorDim);
    for (int k = 1; k <= ws.ItemCount; ++k)
        std::fill(ws.Prototypes[k][2] + 1, ws.Prototypes[k][2] + ws.VectorDim + 1, 1.0f);
    return true;
}

// The SOC fields; false when the run must end.
struct Fields {
    float enlargement, rho;
};
bool ReadFields(Form& form, Fields& f) {
    ws.VectorCount = EditInt(form, Edit12, kFieldChars);
    ws.VectorDim = EditInt(form, Edit13, kFieldChars);
    ws.ItemCount = EditInt(form, Edit14, kFieldChars);
    f.rho = static_cast<float>(EditReal(form, Edit15, kFieldChars));
    DeriveOutputNames(form, ws.ChosenFileName);
    const struct {
        bool refused;
        const char* line;
        EditId edit;
        const char* label;
        const char* why;
    } checks[] = {
        {ws.VectorCount > kMaxSocVectors, "max size: 1000", Edit12, "Input size",
         "; SOC takes at most 1000 vectors"},
        {ws.VectorDim > kMaxDim, "max dim: 64", Edit13, "Vect. dim", "; vectors have at most 64 components"},
        {ws.VectorCount < 1, "invalid input data.", Edit12, "Input size",
         ": it must give the number of vectors"},
        {ws.VectorDim < 1, "invalid input data.", Edit13, "Vect. dim",
         ": SOC trains feature vectors of 1 to 64 components"},
        {ws.ItemCount > kMaxMapItems, "max size: 400", Edit14, "No. of feature vect.",
         "; SOC trains at most 400 prototypes"},
        {ws.ItemCount < 0, "invalid input data.", Edit14, "No. of feature vect.",
         ": it must give 1 to 400 prototypes, or 0 for the MRP init"},
    };
    for (const auto& c : checks)
        if (c.refused) {
            Refuse(form, c.line, FieldWords(form, c.edit, c.label) + c.why);
            return false;
        }
    ws.MapEnlargement = f.enlargement;
    return true;
}

// The vectors at the training's scale, their distances, the map placed and
// the prototypes set up; false when the run must end.
bool PrepareTraining(Form& form, int steps) {
    ws.IterationLimit = steps;
    if (!ReadTrainingVectors(form, "invalid input data.", true)) return false;
    const int n = ws.VectorCount;
    ws.MarkScale = 1.0f;
    ws.ViewMode = kViewNumbers;
    ws.ViewAngle = kRunViewAngle;
    form.MemoAppend(std::to_string(ws.VectorDim));
    ScaleForTraining(form, n, ws.VectorDim);
    TimesTen(n, ws.VectorDim);
    ws.PickEnabled = 1;
    SeedRandom();
    PlacePrototypeMap();
    return SetUpPrototypes(form, n);
}

// The mean start error M, the prototype distances and the view; the
// training starts.
void StartTraining(Form& form, SocTraining& training, float rho) {
    const int n = ws.VectorCount;
    const float meanStartError = MeanStartError(n);
    form.MemoAppend(FormatGeneral(meanStartError));
    ws.ShowEdges = 1;
    for (int i = 1; i <= n; ++i) {
        ws.ItemFlag[i] = 1;
        ws.ItemNumber[i] = i;
    }
    training.Begin(ws.ItemCount, ws.VectorDim, rho, meanStartError, ws.IterationLimit);
    ResetView();
    form.MemoAppend("init k\xC3\xA9sz");
}

// The map redrawn; the prototypes' scores kept as training left them, since
// a pick while events run rewrites them.
void RedrawMap(Form& form) {
    std::copy(ws.ItemScore, ws.ItemScore + kMaxMapItems + 1, ws.PrototypeScore);
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
Trained Train(Form& form, SocTraining& training, RunClock& clock) {
    constexpr long kAlarmLines = 100;
    SeedRandom();
    const int n = ws.VectorCount;
    Trained trained{0, 0};
    long alarms = 0;
    int redraw = 0;
    for (int t = 1; t <= ws.IterationLimit; ++t) {
        trained.done = t;
        const int r = 1 + RandomBelow(n);
        const float smoothed = training.Learn(t, r);
        if (smoothed > 500 && ++alarms <= kAlarmLines) form.MemoAppend(std::to_string(r));
        if (t < kPanelForcedUntil) ws.PanelItem = 1;
        if (++redraw == kRedrawPeriod) {
            RedrawMap(form);
            if (clock.ReportDue())
                form.StatusProgress({"SOC", t, ws.IterationLimit, clock.Seconds(),
                                     Format("smoothed error %.3f", static_cast<double>(smoothed))});
            form.ProcessEvents();
            if (ws.StopRequested == 1) t = ws.IterationLimit;
            form.MemoAppend(Format("%.3f %.6f %.3f  %.3f", static_cast<double>(smoothed),
                                   static_cast<double>(ws.LearnRate), kRadius, kRadius));
            redraw = 0;
            PaintBox2Click(form);
        }
        training.FitMap();  // after the redraw: the map shows the fit of 200 steps ago
    }
    trained.moreAlarms = std::max(alarms - kAlarmLines, 0L);
    return trained;
}

// clusters.dat, soc.dat and weights.dat, and the record of them; false
// when one could not be written.
bool WriteFiles(Form& form, const Fields& f) {
    std::vector<const char*> written;
    if (WriteSocClusters(form, ws.VectorCount, ws.ItemCount)) written.push_back(ws.ClustersFileName);
    for (const char* path : WriteSocResults(form)) written.push_back(path);
    RecordWrittenFiles(form,
                       RunLine(form, "SOC", ws.VectorCount, ws.VectorDim,
                               {Setting("No. of feature vect.", ws.ItemCount),
                                Setting("convergence. rate", f.rho), Setting("map enlarge.", f.enlargement)}),
                       written);
    return written.size() == 3;
}

// How the run ended, with the prototypes' figures.
void ReportEnd(Form& form, long done, const SettlingMade& settling, bool written, const RunClock& clock) {
    const SocFit fit = KeepPrototypeFacts();
    ReportRunEnd(form,
                 {"SOC", "map ", ", its files written", "trained " + GroupedCount(done) + " steps", done,
                  ws.IterationLimit, done},
                 settling, written, clock.Seconds(), SocFitText(fit));
}

// The run's working storage: too large for the stack.
SocTraining runTraining;
[[maybe_unused]] const bool kReset = (ResetWithWorkspace([] { runTraining.Forget(); }), true);

}  // namespace

void Button10Click(Form& form, int steps) {
    const RunGuard guard(form, "SOC");
    if (!guard.Acquired() || !ChooseRunFile(form, false)) return;
    ClearForRun(form);
    Fields fields{static_cast<float>(EditReal(form, Edit4, 1000)), 0};
    SetMapSizes(20, 20);
    ws.AxisSize[1] = ws.MapSize1;
    ws.AxisSize[2] = ws.MapSize2;
    form.MemoAppend(ws.ChosenFileName);
    if (!ReadFields(form, fields) || !PrepareTraining(form, steps)) return;
    ShownMap() = {MapKind::Soc, 2, std::string(BaseName(ws.InputFileName)), ws.InputFileName};

    StartTraining(form, runTraining, fields.rho);
    RunClock clock;
    const Trained trained = Train(form, runTraining, clock);
    if (trained.moreAlarms > 0)
        form.StatusNote(Format("warning: %s more steps had a smoothed error above 500",
                               GroupedCount(trained.moreAlarms).c_str()));
    runTraining.Distances();
    // Settled before the files are written: soc.dat keeps the map's screen
    // positions as the last redraw left them, and reload brings back the
    // settled map the panel shows. The training is over: a pick now would
    // rewrite the scores soc.dat keeps. Preparing the settling forgets the
    // training's refused moves, so they are counted first.
    const int pressedInTraining = runTraining.Map().PressedItems(kMapRedrawPeriod);
    ws.PickEnabled = 0;
    const SettlingMade settled = SettleMap(
        form, runTraining.MapStep(), 2, SocTraining::kMapStepLength, kMapRedrawPeriod, [&](int i, int of) {
            RedrawMap(form);
            if (clock.ReportDue()) form.StatusProgress({"SOC map settling", i, of, clock.Seconds(), ""});
        });
    ws.PickEnabled = 1;
    const bool written = WriteFiles(form, fields);
    const int pressed =
        settled.made > 0 ? runTraining.Map().PressedItems(kMapRedrawPeriod) : pressedInTraining;
    ShowBorderWarning(form, pressed, ws.ItemCount, ws.VectorDim);
    ReportEnd(form, trained.done, settled, written, clock);
}
