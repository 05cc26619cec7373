#include "handlers/Reload.h"

#include <algorithm>
#include <string>

#include "view/ViewReset.h"
#include "soc/SocSteps.h"
#include "handlers/RunControl.h"
#include "view/MapDrawing.h"
#include "view/ViewTransform.h"
#include "workspace/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

namespace {
constexpr int kWholeField = 1000;
}

void Button9Click(Form& form) {
    const RunGuard guard;
    if (!guard.Acquired()) return;
    ws.SocMode = 1;
    form.MemoClear();
    ws.VectorDim = 65;
    ws.FirstItem = 1;
    ws.FileBufferPtr = ws.FileBuffer;
    for (int i = 1; i <= kInputRows - 1; ++i) ws.ItemNumber[i] = i;
    const float s = static_cast<float>(TruncPixel(EditReal(form, Edit16, 3)));
    ws.SimilarityDist = s;
    ws.ShowEdges = 1;
    ws.ClearTreeLinks();

    ws.ChosenFileName = ChooseInputFile(form);
    form.MemoAppend(ws.ChosenFileName);
    if (ws.InputFileName[0] == '\0') return form.MemoAppend("invalid filename");
    ws.VectorCount = EditInt(form, Edit12, kWholeField);
    ws.VectorDim = EditInt(form, Edit13, kWholeField);
    DeriveOutputNames(form, ws.ChosenFileName);
    if (ws.VectorCount < 1 || ws.VectorCount > kMaxSocVectors) return form.MemoAppend("max size: 1000");
    if (ws.VectorDim < 1 || ws.VectorDim > kMaxDim) return form.MemoAppend("max dim: 64");

    ws.MapEnlargement = s;
    ReadReport report;
    ReadVectorFile(form, ws.ChosenFileName, ws.FileBuffer, ws.VectorCount, 1, '\t', &report);
    if (!report.loaded || RefusedNonFinite(form, report, ws.ChosenFileName)) return;
    BuildItemDistances(form, ws.VectorCount, ws.VectorDim);
    ws.MarkScale = 1.0f;
    ws.ViewMode = 4;
    ws.ViewAngle = 1.5707964f;
    form.MemoAppend(std::to_string(ws.VectorDim));
    for (int i = 1; i <= ws.VectorCount; ++i)
        for (int k = 1; k <= ws.VectorDim; ++k) ws.InputVectors[i][k] *= 10.0f;

    ws.MapEnlargement = 1.0f;
    ws.MapSize1 = 22;
    ws.MapSize2 = 22;
    ws.MapSize3 = 1;
    ws.AxisSize[1] = 22;
    ws.AxisSize[2] = 22;
    for (const int plane : {1, 2}) {
        ws.ChosenFileName = plane == 1 ? ws.SocFileName : ws.WeightsFileName;
        ws.ItemCount =
            ReadResultFile(form, ws.ChosenFileName, ws.FileBufferPtr, ws.VectorDim, 0, plane, &report);
        if (RefusedNonFinite(form, report, ws.ChosenFileName)) {
            ws.ItemCount = 0;  // nothing of the half-read prototypes is used
            return;
        }
        form.MemoAppend(std::to_string(ws.ItemCount));
    }
    if (ws.ItemCount == 0) return;  // no prototypes: nothing to map

    ws.PickEnabled = 1;
    PrototypeDistances();
    ResetView();
    MapCentre(ws.ItemCount, 3);
    ws.ViewZoom = 1.0f;
    ws.ZoomStep = 1.0;
    TransformView(5);
    PaintBox1Click(form);
}
