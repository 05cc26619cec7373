// The steps the file-driven runs (MRP-MDS, SOC, reload) share.
#pragma once

#include <string_view>

#include "form/Form.h"
#include "handlers/RunStatus.h"
#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "workspace/Workspace.h"

// Clears Memo1 and shows the file dialog, before anything else changes, so
// that a cancelled choice leaves the map on show, its record, colours and
// figures as they were. On a cancelled choice Memo1 gets its lines (the
// output paths first when `pathsFirst`, the empty name, "invalid filename"),
// the status line "cancelled: no file chosen", and the run ends: returns
// false.
bool ChooseRunFile(Form& form, bool pathsFirst);

// What every run sets first, once its file is chosen: the kind of map it
// makes (socMode 1: prototypes), clusters' colours, no minimum tree, the
// file buffer at its start, and the panels: the status line and the map's
// record start afresh (the record kept for a refusal to name), and the
// feature-vector panel shows nothing of an earlier run.
void StartRun(Form& form, int socMode);

// The map after its points moved: centred on axes 1..axes, at zoom 1,
// projected and drawn.
void ShowMovedMap(Form& form, int axes);

// The vectors of a SOC run or a reload, "Vect. dim" of them as far as the
// items have them, scaled as the user chose. A file that cannot be used
// refuses the run with `refusalLine` in Memo1 (none when empty); with
// `needsVectors`, so does a file without a vector. VectorCount becomes the
// rows read when the file has fewer. A vector without any of the
// components used is in no prototype: the status line counts such vectors,
// and with `needsVectors` a file of nothing else refuses the run. False
// when the run must end.
bool ReadTrainingVectors(Form& form, std::string_view refusalLine, bool needsVectors);

// The items at the scale a SOC run trains them at, which SocScale records
// against the file's, and their distances (a "gaz" line when they are all
// alike); then, after the caller's message lines, each component times 10,
// with the DistanceUnit of the values so.
void ScaleForTraining(Form& form, int n, int dim);
void TimesTen(int n, int dim);

// How a run's settling went: the steps made of how many, and whether STOP
// came before it (then none is made) or during it.
struct SettlingMade {
    int made, of;
    bool stoppedBefore, stoppedDuring;
};

// After a run's steps, unless it was stopped or asked not to: the settling
// of its map, with the run's own rhythm of redraws: every `every` steps
// redraw(i, of) (which shows the map and the progress), then STOP's chance.
template <class Redraw>
SettlingMade SettleMap(Form& form, MdsPlan& plan, int m, float stepLength, int every, Redraw redraw) {
    const Settling settling = SettlingAfter(stepLength);
    SettlingMade out{0, settling.steps, ws.StopRequested == 1, false};
    if (out.stoppedBefore || SettlingSkipped()) return out;
    out.made = Settle(plan, m, settling, [&](int i) {
        if (i % every != 0) return true;
        redraw(i, settling.steps);
        form.ProcessEvents();
        return ws.StopRequested != 1;
    });
    out.stoppedDuring = ws.StopRequested == 1;
    return out;
}

// How a run that went ahead ended, on the status line with its figures:
// failed when its files could not be written, else stopped (before or
// during the settling) or finished.
struct RunEnding {
    const char* run;      // "MRP-MDS", "SOC"
    const char* settles;  // what settles: "" (the map is the run's) or "map "
    const char* files;    // what a stop kept: "" or ", its files written"
    std::string work;     // what a failed run did: "mapped the items", "trained 2,000 steps"
    long done, of;        // the steps made, of how many
    long finishedSteps;   // the steps a finished run names
};
void ReportRunEnd(Form& form, const RunEnding& end, const SettlingMade& settling, bool written,
                  double seconds, const std::string& figures);
