#include "handlers/Reload.h"

#include <algorithm>
#include <string>

#include "handlers/MapRecord.h"
#include "handlers/RunControl.h"
#include "handlers/RunStart.h"
#include "handlers/RunStatus.h"
#include "soc/SocFit.h"
#include "soc/SocSteps.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

namespace {
constexpr int kWholeField = 1000;
}

void Button9Click(Form& form) {
    const RunGuard guard(form, "reload");
    if (!guard.Acquired()) return;
    if (!ChooseRunFile(form, false)) return;
    ws.SocMode = 1;
    TakePanels(form);
    ws.VectorDim = 65;
    ws.FirstItem = 1;
    ws.FileBufferPtr = ws.FileBuffer;
    for (int i = 1; i <= kInputRows - 1; ++i) ws.ItemNumber[i] = i;
    const float s = static_cast<float>(TruncPixel(EditReal(form, Edit16, 3)));
    ws.SimilarityDist = s;
    ws.ShowEdges = 1;
    ws.ClearTreeLinks();
    ws.ClearClusterMarks();  // marks of an earlier MRP-MDS run mean nothing here
    ws.ColourByClass = 0;
    ws.PickEnabled = 0;      // until prototypes are found
    form.MemoAppend(ws.ChosenFileName);
    ws.VectorCount = EditInt(form, Edit12, kWholeField);
    ws.VectorDim = EditInt(form, Edit13, kWholeField);
    DeriveOutputNames(form, ws.ChosenFileName);
    if (ws.VectorCount < 1 || ws.VectorCount > kMaxSocVectors)
        return Refuse(
            form, "max size: 1000",
            FieldWords(form, Edit12, "Input size") + "; reload takes 1 to 1000 vectors (3 digits count)");
    if (ws.VectorDim < 1 || ws.VectorDim > kMaxDim)
        return Refuse(form, "max dim: 64",
                      FieldWords(form, Edit13, "Vect. dim") + "; reload takes vectors of 1 to 64 components");

    ws.MapEnlargement = s;
    const char* name = ws.ChosenFileName;
    ReadReport report;
    ReadVectorFile(form, name, ws.FileBuffer, ws.VectorCount, 1, '\t', &report);
    if (const std::string why = Unusable(report, name); !why.empty()) return Refuse(form, "", why);
    ShowReadNotes(form, report, name, ws.VectorCount, true);
    ws.VectorDim = ComponentsToUse(form, report, ws.VectorDim, false);
    ws.VectorCount = std::min(ws.VectorCount, report.rowsRead);  // no rows past the file's end
    ScaleFeatures(form, report, ws.VectorCount, ws.VectorDim);
    // The vectors at the scale the SOC run trained them at.
    ws.SocScale = 10 * ScaleSocData(ws.VectorCount, ws.VectorDim);
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
        if (report.loaded && report.nonFiniteLine != 0) {
            ws.ItemCount = 0;  // nothing of the half-read prototypes is used
            return Refuse(form, "", Unusable(report, ws.ChosenFileName));
        }
        form.MemoAppend(std::to_string(ws.ItemCount));
        if (ws.ItemCount > 0 && report.values != ws.VectorDim) {
            ws.ItemCount = 0;  // prototypes of another length mean nothing here
            return Refuse(form, "",
                          Format("%s holds prototypes of %d components, the vectors of %s have %d: it belongs "
                                 "to another file, or to another \"Vect. dim\"",
                                 std::string(BaseName(ws.ChosenFileName)).c_str(), report.values,
                                 std::string(BaseName(name)).c_str(), ws.VectorDim));
        }
        if (!report.loaded)
            form.StatusNote(Format("warning: %s not found: no prototypes from it (a SOC run writes it)",
                                   std::string(BaseName(ws.ChosenFileName)).c_str()));
    }
    if (ws.ItemCount == 0) {
        // No prototypes: an empty map, and nothing to pick.
        PaintBox1Click(form);
        return Refuse(form, "", "no prototypes to reload beside " + std::string(BaseName(name)));
    }

    ws.PickEnabled = 1;
    ShownMap() = {MapKind::Reload, 2, std::string(BaseName(name))};
    PrototypeDistances();
    ResetView();
    MapCentre(ws.ItemCount, 3);
    ws.ViewZoom = 1.0f;
    ws.ZoomStep = 1.0;
    TransformView(5);
    PaintBox1Click(form);
    std::copy(ws.ItemScore, ws.ItemScore + kMaxMapItems + 1, ws.PrototypeScore);
    const SocFit fit = MeasureSocFit();
    KeepPrototypeClasses(fit);
    form.StatusOutcome(Outcome::Finished,
                       Format("reload finished: %d prototypes of %d components, %d vectors", ws.ItemCount,
                              ws.VectorDim, ws.VectorCount),
                       SocFitText(fit));
}
