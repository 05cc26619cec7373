#include "handlers/Reload.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "handlers/MapRecord.h"
#include "handlers/RunControl.h"
#include "handlers/RunRecord.h"
#include "handlers/RunStatus.h"
#include "handlers/RunSteps.h"
#include "soc/SocFit.h"
#include "soc/SocSteps.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kWholeField = 1000;

// The reload's own start state, once a file is chosen.
void Prepare(Form& form) {
    StartRun(form, 1);
    for (int i = 1; i <= kInputRows - 1; ++i) ws.ItemNumber[i] = i;
    ws.SimilarityDist = static_cast<float>(TruncPixel(EditReal(form, Edit16, 3)));
    ws.ShowEdges = 1;
    ws.ClearClusterMarks();  // marks of an earlier MRP-MDS run mean nothing here
    ws.PickEnabled = 0;      // until prototypes are found
}

// "Input size" and "Vect. dim"; false when the run must end.
bool ReadFields(Form& form) {
    ws.VectorCount = EditInt(form, Edit12, kWholeField);
    ws.VectorDim = EditInt(form, Edit13, kWholeField);
    DeriveOutputNames(form, ws.ChosenFileName);
    if (ws.VectorCount < 1 || ws.VectorCount > kMaxSocVectors) {
        Refuse(form, "max size: 1000",
               FieldWords(form, Edit12, "Input size") + "; reload takes 1 to 1000 vectors (3 digits count)");
        return false;
    }
    if (ws.VectorDim < 1 || ws.VectorDim > kMaxDim) {
        Refuse(form, "max dim: 64",
               FieldWords(form, Edit13, "Vect. dim") + "; reload takes vectors of 1 to 64 components");
        return false;
    }
    return true;
}

// The input vectors at the scale the SOC run trained them at. The item
// distances last only for their "gaz" line when the items are all alike:
// the prototypes' distances replace them.
bool ReadVectors(Form& form) {
    ws.MapEnlargement = ws.SimilarityDist;
    if (!ReadTrainingVectors(form, "", false)) return false;
    ScaleForTraining(form, ws.VectorCount, ws.VectorDim);
    ws.MarkScale = 1.0f;
    ws.ViewMode = kViewNumbers;
    ws.ViewAngle = kRunViewAngle;
    form.MemoAppend(std::to_string(ws.VectorDim));
    TimesTen(ws.VectorCount, ws.VectorDim);
    return true;
}

// soc.dat, then weights.dat, into planes 1 and 2 of Prototypes; false when
// the run must end.
bool ReadPrototypes(Form& form) {
    const std::string input(BaseName(ws.ChosenFileName));
    ws.MapEnlargement = 1.0f;
    ws.MapSize1 = 22;
    ws.MapSize2 = 22;
    ws.MapSize3 = 1;
    ws.AxisSize[1] = 22;
    ws.AxisSize[2] = 22;
    int socRows = 0;
    for (const int plane : {1, 2}) {
        ReadReport report;
        ws.ChosenFileName = plane == 1 ? ws.SocFileName : ws.WeightsFileName;
        const std::string file(BaseName(ws.ChosenFileName));
        ws.ItemCount =
            ReadResultFile(form, ws.ChosenFileName, ws.FileBufferPtr, ws.VectorDim, 0, plane, &report);
        if (report.loaded && report.nonFiniteLine != 0) {
            ws.ItemCount = 0;  // nothing of the half-read prototypes is used
            Refuse(form, "", Unusable(report, ws.ChosenFileName));
            return false;
        }
        form.MemoAppend(std::to_string(ws.ItemCount));
        if (ws.ItemCount > 0 && report.values != ws.VectorDim) {
            ws.ItemCount = 0;  // prototypes of another length mean nothing here
            Refuse(
                form, "",
                Format(
                    "%s holds prototypes of %d components, the vectors of %s have %d: it belongs to another "
                    "file, or to another \"Vect. dim\"",
                    file.c_str(), report.values, input.c_str(), ws.VectorDim));
            return false;
        }
        if (!report.loaded)
            form.StatusNote(
                Format("warning: %s not found: no prototypes from it (a SOC run writes it)", file.c_str()));
        if (plane == 1) socRows = ws.ItemCount;
    }
    if (ws.ItemCount != socRows) {
        // Weights without their prototypes, or the other way round, mean nothing.
        Refuse(form, "",
               Format("soc.dat holds %d prototype%s, weights.dat %d: the two are not of one SOC run", socRows,
                      socRows == 1 ? "" : "s", ws.ItemCount));
        return false;
    }
    if (ws.ItemCount > 0) return true;
    Refuse(form, "", "no prototypes to reload beside " + input);
    return false;
}

// soc.dat does not say at which column scale it was trained, nor does the
// record when it was deleted: prototypes that mostly lie outside the range
// of the vectors read now were trained on other data or at another scale,
// and the user is told so.
void WarnOfForeignPrototypes(Form& form) {
    const int n = std::min(ws.VectorCount, kInputRows), dim = ws.Components();
    int inside = 0;
    for (int q = 1; q <= dim; ++q) {
        float low = 0, high = 0;
        bool any = false;
        for (int i = 1; i <= n; ++i) {
            const float v = ws.InputVectors[i][q];
            if (std::isnan(v)) continue;
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
        const float margin = (high - low) / 10;
        for (int k = 1; k <= ws.MapItems(); ++k) {
            const float p = ws.Prototypes[k][1][q];
            inside += any && p >= low - margin && p <= high + margin;
        }
    }
    const int all = dim * ws.MapItems();
    if (all == 0 || 2 * inside >= all) return;
    form.StatusNote(
        Format("warning: %d%% of the prototypes' components lie outside the values of these "
               "vectors: soc.dat was trained on other data, or at another column scale than "
               "this reload's (%s)",
               100 - 100 * inside / all, ScaleName(form.TableReading().scale)));
}

}  // namespace

void Button9Click(Form& form) {
    const RunGuard guard(form, "reload");
    if (!guard.Acquired() || !ChooseRunFile(form, false)) return;
    const std::string input(BaseName(ws.ChosenFileName));
    Prepare(form);
    form.MemoAppend(ws.ChosenFileName);
    if (!ReadFields(form) || !ReadVectors(form) || !ReadPrototypes(form)) return;
    if (!WarnOfOtherResults(form, input)) WarnOfForeignPrototypes(form);

    ws.PickEnabled = 1;
    ShownMap() = {MapKind::Reload, 2, input, ws.InputFileName};
    PrototypeDistances();
    ResetView();
    ShowMovedMap(form, 3);
    const SocFit fit = KeepPrototypeFacts();
    form.StatusOutcome(Outcome::Finished,
                       Format("reload finished: %d prototypes of %d components, %d vectors", ws.ItemCount,
                              ws.VectorDim, ws.VectorCount),
                       SocFitText(fit));
}
