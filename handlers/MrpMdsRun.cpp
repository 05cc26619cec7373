#include "handlers/MrpMdsRun.h"

#include <cstring>

#include "mrp/Clustering.h"
#include "mrp/MdsStep.h"
#include "view/ViewReset.h"
#include "handlers/RunControl.h"
#include "view/MapDrawing.h"
#include "view/ViewTransform.h"
#include "workspace/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kWholeField = 1000;  // integer fields are read whole
constexpr int kMaxClusters = 30;
constexpr float kStepLength = 0.05f * 10;
constexpr float kRadiusFactor = 1.8f;
constexpr float kFarWeight = 0.0001f;
constexpr int kRedrawPeriod = 10;

// Steps 1 to 7: the run's own start state.
void ClearForRun(Form& form) {
    ws.SocMode = 0;
    form.MemoClear();
    ws.VectorDim = 65;
    ws.MapEnlargement = static_cast<float>(EditReal(form, Edit4, 100));
    ws.ClearItems();
    ws.MapSize1 = 20;
    ws.MapSize2 = 20;
    ws.MapSize3 = 1;
    ws.MapSize4 = 1;
    ws.AxisSize[1] = ws.MapSize1;
    ws.AxisSize[2] = ws.MapSize2;
    ws.ClearTreeLinks();
    std::memset(ws.FileBuffer, 0, sizeof ws.FileBuffer);
    ws.FileBufferPtr = ws.FileBuffer;
    ws.FirstItem = 1;
}

// Reads the items as vectors; false when the run must end.
bool ReadVectors(Form& form, float& mean) {
    if (ws.ItemCount < 1) {
        form.MemoAppend("invalid input data.");
        return false;
    }
    ReadReport report;
    ws.VectorDim = ReadVectorFile(form, ws.ChosenFileName, ws.FileBufferPtr, ws.ItemCount, 1, '\t', &report);
    if (!report.loaded || RefusedNonFinite(form, report, ws.ChosenFileName)) return false;
    if (report.widestRow > kMaxDim) {
        form.MemoAppend("max dim: 64");
        return false;
    }
    ws.ViewMode = 0;
    ws.PickEnabled = 0;
    BuildDistanceMatrix(ws.ItemCount, ws.VectorDim);
    mean = MeanDistance(ws.ItemCount);
    form.MemoAppend(std::to_string(ws.VectorDim));
    WriteDistanceDump(form, ws.DistancesFileName);
    const float s = NormaliseDistances(form, ws.ItemCount);
    if (ws.VectorDim == 0 || s == 0) {
        form.MemoAppend("invalid input data.");
        return false;
    }
    for (int i = 1; i <= ws.ItemCount; ++i)
        for (int j = 1; j <= ws.VectorDim; ++j) ws.InputVectors[i][j] *= 10;
    return true;
}

// Reads the items' distance matrix; false when the run must end.
bool ReadMatrix(Form& form, float& mean) {
    if (ws.ItemCount < 1) {
        form.MemoAppend("invalid dist. matr.");
        return false;
    }
    ReadReport report;
    ws.VectorDim =
        ReadDistanceMatrixFile(form, ws.ChosenFileName, ws.FileBufferPtr, ws.ItemCount, '\t', &report);
    if (!report.loaded || RefusedNonFinite(form, report, ws.ChosenFileName)) return false;
    mean = MeanDistance(ws.ItemCount);
    const float s = NormaliseDistances(form, ws.ItemCount);
    if (ws.VectorDim != ws.ItemCount || ws.VectorDim == 0 || s == 0) {
        form.MemoAppend("invalid dist. matr.");
        return false;
    }
    ws.ViewMode = 0;
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

void Redraw(Form& form, int m) {
    MapCentre(ws.ItemCount, m);
    ws.ViewZoom = 1.0f;
    ws.ZoomStep = 1.0;
    TransformView(5);
    PaintBox1Click(form);
}

}  // namespace

void Button2Click(Form& form) {
    const RunGuard guard;
    if (!guard.Acquired()) return;
    ClearForRun(form);
    ws.ChosenFileName = ChooseInputFile(form);
    DeriveOutputNames(form, ws.ChosenFileName);
    form.MemoAppend(ws.ChosenFileName);
    if (ws.InputFileName[0] == '\0') return form.MemoAppend("invalid filename");

    ws.ItemCount = EditInt(form, Edit12, kWholeField);
    ws.VectorDim = EditInt(form, Edit13, kWholeField);
    if (ws.ItemCount > kMaxMapItems) return form.MemoAppend("max size: 400");
    if (ws.VectorDim > kMaxDim) return form.MemoAppend("max dim: 64");

    float mean = 0;
    if (ws.VectorDim > 0) {
        if (!ReadVectors(form, mean)) return;
    } else if (ws.VectorDim == 0) {
        if (!ReadMatrix(form, mean)) return;
    } else {
        return form.MemoAppend("no input data");
    }
    form.MemoAppend(Format("mean distance: %.3f", static_cast<double>(mean)));

    ws.MaxDist = 1.0f;
    ws.MarkScale = 5.0f;
    ws.ViewAngle = 1.5707964f;
    ws.CharDistance = static_cast<float>(EditReal(form, Edit8, 19));
    ws.NoiseLimit = static_cast<float>(EditReal(form, Edit9, 19));
    ws.NeighbourLimit = static_cast<float>(EditReal(form, Edit10, 19));
    if (!(ws.CharDistance > 0)) return form.MemoAppend("critical dist > 0!");
    const int m = EditInt(form, Edit11, kWholeField);
    if (m <= 0 || m > 3) return form.MemoAppend("MDS dim must be 1-3!");

    ws.ClusterCount = ClusterPrototypes(form, ws.ItemCount, kMaxClusters, 1, ws.CharDistance, ws.NoiseLimit,
                                        ws.NeighbourLimit);
    ws.ShowEdges = 1;
    for (int i = 1; i <= ws.ItemCount; ++i) ws.ItemScore[i] = 1.0f;
    SeedRandom();
    PlaceAtRandom(m);
    ResetView();

    ws.IterationLimit = 20000;
    ws.StopRequested = 0;
    static MdsPlan plan;  // the distances stay as they are for the whole run
    plan.Prepare(ws.ItemCount, ws.VectorDim, kRadiusFactor, kFarWeight);
    plan.Step(m, kStepLength);
    int k = 0;
    for (int l = 1; l <= ws.IterationLimit; ++l, ++k) {
        plan.Step(m, kStepLength);
        if (k == kRedrawPeriod) {
            Redraw(form, m);
            k = 0;
            form.ProcessEvents();
            if (ws.StopRequested == 1) l = ws.IterationLimit;
        }
    }
}
