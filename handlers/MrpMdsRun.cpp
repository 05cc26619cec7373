#include "handlers/MrpMdsRun.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "handlers/MapRecord.h"
#include "handlers/RunControl.h"
#include "handlers/RunRecord.h"
#include "handlers/RunStatus.h"
#include "handlers/RunSteps.h"
#include "mds/MapFit.h"
#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "mrp/Clustering.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "distances/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Random.h"
#include "files/TextFile.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kWholeField = 1000;  // integer fields are read whole
constexpr int kMaxClusters = 30;
constexpr float kStepLength = 0.05f * 10;
constexpr float kRadiusFactor = 1.8f;
constexpr float kFarWeight = 0.0001f;
constexpr int kRedrawPeriod = 10;

// The run's own start state, once a file is chosen.
void ClearForRun(Form& form) {
    StartRun(form, 0);
    ws.MapEnlargement = static_cast<float>(EditReal(form, Edit4, 100));
    ws.ClearItems();
    ws.MapSize1 = 20;
    ws.MapSize2 = 20;
    ws.MapSize3 = 1;
    ws.MapSize4 = 1;
    ws.AxisSize[1] = ws.MapSize1;
    ws.AxisSize[2] = ws.MapSize2;
    std::memset(ws.FileBuffer, 0, sizeof ws.FileBuffer);
}

// Why normalisation gave no factor, in plain words.
std::string NoScaleWords(Form& form) {
    if (ws.MapEnlargement == 0.0f)
        return FieldWords(form, Edit4, "map enlarge.") + ": the map would have no size";
    return Format("every distance between the %d items is 0: they are all alike", ws.ItemCount);
}

// Whether "Input size" gives a number of items; refuses the run when not.
bool HasItems(Form& form, const char* refusalLine) {
    if (ws.ItemCount >= 1) return true;
    Refuse(form, refusalLine, FieldWords(form, Edit12, "Input size") + ": it must give the number of items");
    return false;
}

// Reads the items as vectors; false when the run must end.
bool ReadVectors(Form& form, float& mean, std::string& dump) {
    if (!HasItems(form, "invalid input data.")) return false;
    const char* name = ws.ChosenFileName;
    ReadReport report;
    const int asked = ws.VectorDim;
    ws.VectorDim = ReadVectorFile(form, name, ws.FileBufferPtr, ws.ItemCount, 1, '\t', &report);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, "invalid input data.", why);
        return false;
    }
    ShowReadNotes(form, report, name, ws.ItemCount, true);
    ws.ItemCount = std::min(ws.ItemCount, report.rowsRead);  // no rows past the file's end
    if (ws.VectorDim > kMaxDim) {
        std::string why = Format("the rows of %s hold %d values; vectors have at most 64 components",
                                 std::string(BaseName(name)).c_str(), ws.VectorDim);
        if (LooksLikeMatrix(report)) why += "; the file looks like a distance matrix: set \"Vect. dim\" to 0";
        Refuse(form, "max dim: 64", why);
        return false;
    }
    ComponentsToUse(form, report, asked, true);
    ScaleFeatures(form, report, ws.ItemCount, ws.VectorDim);
    if (!ValuesFitSinglePrecision(form, report, ws.ItemCount, ws.VectorDim, "invalid input data."))
        return false;
    ws.ViewMode = kViewBars;
    ws.PickEnabled = 0;
    ShowUnrelatedPairs(form, BuildDistanceMatrix(ws.ItemCount, ws.VectorDim));
    mean = MeanDistance(ws.ItemCount);
    form.MemoAppend(std::to_string(ws.VectorDim));
    dump = DistanceDumpText();  // written once the run goes on: a refused run leaves the file of before
    const float s = NormaliseDistances(form, ws.ItemCount);
    if (ws.VectorDim == 0 || s == 0) {
        Refuse(form, "invalid input data.",
               ws.VectorDim == 0 ? Format("%s holds no values", std::string(BaseName(name)).c_str())
                                 : NoScaleWords(form));
        return false;
    }
    TimesTen(ws.ItemCount, ws.VectorDim);
    return true;
}

// Reads the items' distance matrix; false when the run must end.
bool ReadMatrix(Form& form, float& mean) {
    if (!HasItems(form, "invalid dist. matr.")) return false;
    const char* name = ws.ChosenFileName;
    const std::string file(BaseName(name));
    ReadReport report;
    ws.VectorDim = ReadDistanceMatrixFile(form, name, ws.FileBufferPtr, ws.ItemCount, '\t', &report);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, "invalid dist. matr.", why);
        return false;
    }
    ShowReadNotes(form, report, name, ws.ItemCount, false);
    if (report.rowsRead < ws.ItemCount) {  // a matrix needs every row
        Refuse(form, "invalid dist. matr.",
               Format("%s has %d rows, fewer than \"Input size\" %d", file.c_str(), report.rowsRead,
                      ws.ItemCount));
        return false;
    }
    if (report.missing > 0) {
        Refuse(form, "invalid dist. matr.",
               Format("%s misses distances (line %d first): a distance matrix needs every one", file.c_str(),
                      report.firstMissingLine));
        return false;
    }
    mean = MeanDistance(ws.ItemCount);
    const float s = NormaliseDistances(form, ws.ItemCount);
    if (ws.VectorDim != ws.ItemCount || ws.VectorDim == 0 || s == 0) {
        std::string why = NoScaleWords(form);
        if (ws.VectorDim != ws.ItemCount) {
            why = Format("the last row read from %s holds %d values, \"Input size\" is %d", file.c_str(),
                         ws.VectorDim, ws.ItemCount);
            if (ws.VectorDim >= 1 && ws.VectorDim <= kMaxDim)
                why +=
                    Format("; for vectors of %d values set \"Vect. dim\" to %d", ws.VectorDim, ws.VectorDim);
        }
        Refuse(form, "invalid dist. matr.", why);
        return false;
    }
    ws.ViewMode = kViewBars;
    ws.PickEnabled = 0;
    form.MemoAppend(std::to_string(ws.VectorDim));
    return true;
}

// Every item uniformly in [0, AxisSize) on each used axis, on a grid of 0.005.
void PlaceAtRandom(int m) {
    for (int a = 1; a <= 9; ++a) ws.AxisSize[a] = 1;
    for (int a = 1; a <= m; ++a) ws.AxisSize[a] = ws.MapSize1;
    for (int i = 1; i <= ws.ItemCount; ++i) {
        std::fill(ws.MapCoords[i] + 1, ws.MapCoords[i] + 5, 0.0f);
        for (int a = 1; a <= m; ++a)
            ws.MapCoords[i][a] = static_cast<float>(RandomBelow(ws.AxisSize[a] * 100) * 0.005);
    }
}

// "Input size" and "Vect. dim", and the items as vectors or a matrix, with
// their mean distance; false when the run must end.
bool ReadItems(Form& form, float& mean, std::string& dump) {
    ws.ItemCount = EditInt(form, Edit12, kWholeField);
    ws.VectorDim = EditInt(form, Edit13, kWholeField);
    if (ws.ItemCount > kMaxMapItems) {
        Refuse(form, "max size: 400",
               FieldWords(form, Edit12, "Input size") + "; an MRP-MDS map takes at most 400 items");
        return false;
    }
    if (ws.VectorDim > kMaxDim) {
        Refuse(form, "max dim: 64",
               FieldWords(form, Edit13, "Vect. dim") +
                   "; vectors have at most 64 components, 0 reads a distance matrix");
        return false;
    }
    if (ws.VectorDim < 0) {
        Refuse(form, "no input data",
               FieldWords(form, Edit13, "Vect. dim") +
                   ": it must give the components per item, 0 for a distance matrix");
        return false;
    }
    if (!(ws.VectorDim > 0 ? ReadVectors(form, mean, dump) : ReadMatrix(form, mean))) return false;
    form.MemoAppend(Format("mean distance: %.3f", static_cast<double>(mean)));
    return true;
}

// The MRP parameters and the map's axes m; false when the run must end.
bool ReadMapFields(Form& form, float mean, int& m) {
    ws.MaxDist = 1.0f;
    ws.MarkScale = 5.0f;
    ws.ViewAngle = kRunViewAngle;
    if (!ReadMrpParameters(form, mean)) return false;
    m = EditInt(form, Edit11, kWholeField);
    if (m <= 0 || m > 3) {
        Refuse(form, "MDS dim must be 1-3!", FieldWords(form, Edit11, "map dim. (1-3)"));
        return false;
    }
    return true;
}

// The run goes on: the distances of vectors into distances.dat (`dump`,
// empty for a distance matrix), the clusters into clusters.dat, and the
// record of both.
void ClusterAndWrite(Form& form, float mean, const std::string& dump, int m) {
    std::vector<const char*> written;
    if (!dump.empty() && WriteDistanceDump(form, ws.DistancesFileName, dump))
        written.push_back(ws.DistancesFileName);
    const long failedWrites = TextFileWriter::Failures();
    ws.ClusterCount = ClusterPrototypes(form, ws.ItemCount, kMaxClusters, 1, ws.CharDistance, ws.NoiseLimit,
                                        ws.NeighbourLimit);
    if (TextFileWriter::Failures() == failedWrites) written.push_back(ws.ClustersFileName);
    if (ws.ClusterCount == 0)
        form.StatusNote(Format("warning: no cluster found with \"char. distance\" %g; %s",
                               static_cast<double>(ws.CharDistance), CharDistanceHint(mean).c_str()));
    RecordWrittenFiles(
        form,
        RunLine(form, "MRP-MDS", ws.ItemCount, dump.empty() ? 0 : ws.VectorDim,
                {Setting("char. distance", ws.CharDistance), Setting("noise limit", ws.NoiseLimit),
                 Setting("neigbbour limit", ws.NeighbourLimit), Setting("map dim. (1-3)", m),
                 Setting("map enlarge.", ws.MapEnlargement)}),
        written);
}

// The 20,001 steps of the layout, redrawn every tenth; STOP ends them at a
// redraw. Returns the steps made.
long Animate(Form& form, MdsPlan& plan, int m, RunClock& clock) {
    ws.IterationLimit = 20000;
    ws.StopRequested = 0;
    plan.Prepare(ws.ItemCount, ws.VectorDim, kRadiusFactor, kFarWeight);  // the distances stay for the run
    plan.Step(m, kStepLength);
    long done = 1;
    int k = 0;
    for (int l = 1; l <= ws.IterationLimit; ++l, ++k) {
        plan.Step(m, kStepLength);
        ++done;
        if (k != kRedrawPeriod) continue;
        ShowMovedMap(form, m);
        // The fit figures cost a pass over all pairs: at the rate of the
        // progress reports, ten a second, not at every redraw.
        if (clock.ReportDue())
            form.StatusProgress({"MRP-MDS", done, ws.IterationLimit + 1L, clock.Seconds(),
                                 MapFitText(MeasureMapFit(ws.ItemCount, m))});
        k = 0;
        form.ProcessEvents();
        if (ws.StopRequested == 1) l = ws.IterationLimit;
    }
    return done;
}

// How the run ended, with the map's figures.
void ReportEnd(Form& form, const MdsPlan& plan, long done, const SettlingMade& settling, bool written,
               const RunClock& clock) {
    ShowBorderWarning(form, plan.PressedItems(kRedrawPeriod), ws.ItemCount, ws.VectorDim);
    const long all = ws.IterationLimit + 1L;
    ReportRunEnd(form, {"MRP-MDS", "", "", "mapped the items", done, all, all}, settling, written,
                 clock.Seconds(), ShownMapFigures());
}

// The run's working storage: too large for the stack.
MdsPlan runPlan;
[[maybe_unused]] const bool kReset = (ResetWithWorkspace([] { runPlan.Forget(); }), true);

}  // namespace

void Button2Click(Form& form) {
    const RunGuard guard(form, "MRP-MDS");
    if (!guard.Acquired() || !ChooseRunFile(form, true)) return;
    ClearForRun(form);
    DeriveOutputNames(form, ws.ChosenFileName);
    form.MemoAppend(ws.ChosenFileName);
    const long failedWrites = TextFileWriter::Failures();
    float mean = 0;
    std::string dump;  // distances.dat, of vectors
    int m = 0;
    if (!ReadItems(form, mean, dump) || !ReadMapFields(form, mean, m)) return;

    ClusterAndWrite(form, mean, dump, m);
    ws.ShowEdges = 1;
    for (int i = 1; i <= ws.ItemCount; ++i) ws.ItemScore[i] = 1.0f;
    SeedRandom();
    PlaceAtRandom(m);
    ResetView();
    ShownMap() = {MapKind::MrpMds, m, std::string(BaseName(ws.InputFileName)), ws.InputFileName};

    RunClock clock;
    const long done = Animate(form, runPlan, m, clock);
    const SettlingMade settled = SettleMap(form, runPlan, m, kStepLength, kRedrawPeriod, [&](int i, int of) {
        ShowMovedMap(form, m);
        if (clock.ReportDue())
            form.StatusProgress(
                {"MRP-MDS settling", i, of, clock.Seconds(), MapFitText(MeasureMapFit(ws.ItemCount, m))});
    });
    ReportEnd(form, runPlan, done, settled, TextFileWriter::Failures() == failedWrites, clock);
}
