#include "handlers/RunSteps.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "handlers/MapRecord.h"
#include "handlers/Picking.h"
#include "handlers/RunStatus.h"
#include "soc/SocSteps.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "distances/DistanceUnit.h"
#include "distances/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

bool ChooseRunFile(Form& form, bool pathsFirst) {
    form.MemoClear();
    ws.ChosenFileName = ChooseInputFile(form);
    if (ws.InputFileName[0] != '\0') return true;
    if (pathsFirst) DeriveOutputNames(form, ws.ChosenFileName);
    form.MemoAppend(ws.ChosenFileName);
    form.MemoAppend("invalid filename");
    form.StatusOutcome(Outcome::Cancelled, "no file chosen");
    return false;
}

void StartRun(Form& form, int socMode) {
    ws.SocMode = socMode;
    ws.ColourByClass = 0;
    ws.VectorDim = 65;
    ws.ClearTreeLinks();
    ws.FileBufferPtr = ws.FileBuffer;
    ws.FirstItem = 1;
    form.StatusClear();
    ForgetShownMap();
    DrawEmptyPanel(form.PanelCanvas());
}

void ShowMovedMap(Form& form, int axes) {
    MapCentre(ws.ItemCount, axes);
    ws.ViewZoom = 1.0f;
    ws.ZoomStep = 1.0;
    TransformView(5);
    PaintBox1Click(form);
}

namespace {

// Vectors 1..n none of whose components 1..dim is present: they are in no
// prototype.
int VectorsWithoutComponents(int n, int dim) {
    int without = 0;
    for (int i = 1; i <= n; ++i)
        without += std::all_of(ws.InputVectors[i] + 1, ws.InputVectors[i] + dim + 1,
                               [](float v) { return std::isnan(v); });
    return without;
}

}  // namespace

bool ReadTrainingVectors(Form& form, std::string_view refusalLine, bool needsVectors) {
    const char* name = ws.ChosenFileName;
    ReadReport report;
    ReadVectorFile(form, name, ws.FileBuffer, ws.VectorCount, 1, '\t', &report);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, refusalLine, why);
        return false;
    }
    ShowReadNotes(form, report, name, ws.VectorCount, true);
    ws.VectorDim = ComponentsToUse(form, report, ws.VectorDim, false);
    ws.VectorCount = std::min(ws.VectorCount, report.rowsRead);  // no rows past the file's end
    if (needsVectors && ws.VectorCount == 0) {
        Refuse(form, refusalLine, Format("%s holds no values", std::string(BaseName(name)).c_str()));
        return false;
    }
    // Every column used holds a value in some row taken (the reader leaves
    // out the others), so some vector has a component to compare.
    const int without = VectorsWithoutComponents(ws.VectorCount, ws.Components());
    const char* components = ws.VectorDim == 1 ? "component" : "components";
    if (without > 0)
        form.StatusNote(Format("warning: %d %s none of the %d %s used: %s in no prototype", without,
                               without == 1 ? "vector has" : "vectors have", ws.VectorDim, components,
                               without == 1 ? "it is" : "they are"));
    ScaleFeatures(form, report, ws.VectorCount, ws.VectorDim);
    return ValuesFitSinglePrecision(form, report, ws.VectorCount, ws.VectorDim, refusalLine);
}

void ScaleForTraining(Form& form, int n, int dim) {
    ws.SocScale = 10 * ScaleSocData(n, dim);
    BuildItemDistances(form, n, dim);
}

void TimesTen(int n, int dim) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= dim; ++j) ws.InputVectors[i][j] *= 10;
    ChooseDistanceUnit(n, dim);
}

void ReportRunEnd(Form& form, const RunEnding& end, const SettlingMade& settling, bool written,
                  double seconds, const std::string& figures) {
    if (!written) {
        form.StatusOutcome(Outcome::Failed,
                           Format("%s %s in %.1f s, but its result files could not be written", end.run,
                                  end.work.c_str(), seconds),
                           figures);
    } else if (settling.stoppedBefore || settling.stoppedDuring) {
        const bool before = settling.stoppedBefore;
        form.StatusOutcome(
            Outcome::Stopped,
            Format("%s stopped at %s%s %s of %s after %.1f s%s, %snot settled", end.run,
                   before ? "" : end.settles, before ? "step" : "settling step",
                   GroupedCount(before ? end.done : settling.made).c_str(),
                   GroupedCount(before ? end.of : settling.of).c_str(), seconds, end.files, end.settles),
            figures);
    } else if (settling.made > 0) {
        form.StatusOutcome(Outcome::Finished,
                           Format("%s finished: %s steps, %ssettled in %s, %.1f s in all", end.run,
                                  GroupedCount(end.finishedSteps).c_str(), end.settles,
                                  GroupedCount(settling.made).c_str(), seconds),
                           figures);
    } else {
        form.StatusOutcome(Outcome::Finished,
                           Format("%s finished: %s steps in %.1f s", end.run,
                                  GroupedCount(end.finishedSteps).c_str(), seconds),
                           figures);
    }
}
