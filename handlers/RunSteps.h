// The steps the file-driven runs (MRP-MDS, SOC, reload) share.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "files/ResultPaths.h"
#include "form/Form.h"
#include "handlers/RunStatus.h"
#include "mds/MapSettling.h"
#include "mds/MdsStep.h"
#include "table/Table.h"
#include "handlers/RunControl.h"
#include "session/Session.h"

// The runs that start from a file: MRP-MDS maps up to 400 items of vectors
// or of a distance matrix; SOC and reload take up to 1000 vectors.
enum class FileRun { MrpMds, Soc, Reload };

// Clears Memo1 and shows the file dialog, before anything else changes, so
// that a cancelled choice leaves the map on show, its record, colours and
// figures as they were. Returns the first name chosen. On a cancelled
// choice Memo1 gets its lines (MRP-MDS's output paths first, the empty
// name, "invalid filename"), the status line "cancelled: no file chosen",
// and the run ends: returns nothing.
std::optional<std::string> ChooseRunFile(Form& form, FileRun run);

// The paths of the result files, listed in Memo1: beside the input, or in
// the folder the face names for them (RunChoices::results).
ResultPaths ListResultPaths(Form& form, const std::string& input);

// What every run sets first, once its file is chosen: the kind of map it
// makes (socMode 1: prototypes), clusters' colours, no minimum tree, and
// the panels: the status line and the map's record start afresh (the
// record kept for a refusal to name), and the feature-vector panel shows
// nothing of an earlier run.
void StartRun(Form& form, Session& session, int socMode);

// "Input size" and "Vect. dim", where they follow the file (see
// Form::FieldFollowsFile), set from the file at path: its rows up to the
// run's limit, its features, or 0 for a square matrix when the run reads
// matrices (MRP-MDS); the status line says which changed. A file that
// cannot be read is left to the run to refuse.
void FollowFile(Form& form, const std::string& path, FileRun run);

// The rows a run asks the reader for: "Input size", or with all rows every
// row of the file up to kMostAllRows, and one more to know of a longer file.
int RowsToRead(const RunChoices& choices, int inputSize);
// ReadVectors with the choices' reading, or the read made ahead when it
// answers.
Table ReadRunVectors(const RunChoices& choices, const char* name, int rows, ReadReport& report);
// With all rows: a "Input size" the user gave is warned of, and a file of
// more rows than kMostAllRows refused (false).
bool AllRowsFit(Form& form, Session& session, const RunChoices& choices, const ReadReport& report, const char* file);

// The items' distances (of the first 400) normalised to `size`, and "gaz"
// in Memo1 when the items are all alike. Beyond the 1000 vectors a SOC run
// takes (all rows), the distances of every pair would take too long: the
// items are then alike when each equals the first.
DistanceMatrix ItemDistances(Form& form, const Table& items, int n, int dim, double size);

// The map after its points moved: centred on axes 1..axes, at zoom 1,
// projected and drawn.
void ShowMovedMap(Form& form, Session& session, int axes);

// The reader's line when the data end before the rows asked for: "data
// No: %d,  dim: %d", the items read and the values of the first.
void ShowDataLine(Form& form, const ReadReport& report, int rows);

// The vectors of a SOC run or a reload: up to `rows`, "Vect. dim" (`dim`,
// set to what the run uses) of them as far as the items have them, scaled
// as the user chose. A file that cannot be used refuses the run with
// `refusalLine` in Memo1 (none when empty); with `needsVectors`, so does a
// file without a vector. Nothing when the run must end.
std::optional<Table> ReadTrainingVectors(Form& form, Session& session, const std::string& path, int rows, int& dim,
                                         std::string_view refusalLine, bool needsVectors);

// How a run's settling went: the steps made of how many, and whether STOP
// came before it (then none is made) or during it.
struct SettlingMade {
    int made, of;
    bool stoppedBefore, stoppedDuring;
};

// After a run's steps, unless it was stopped: the settling of its map,
// with the run's own rhythm of redraws: every `every` steps redraw(i, of)
// (which shows the map and the progress), then STOP's chance.
template <class Redraw>
SettlingMade SettleMap(MdsPlan& plan, MapLayout& map, int m, float stepLength, int every, const StopCheck& stop,
                       Redraw redraw) {
    const Settling settling = SettlingAfter(stepLength);
    SettlingMade out{0, settling.steps, stop.Stopped(), false};
    if (out.stoppedBefore) return out;
    out.made = Settle(plan, map, m, settling, [&](int i) {
        if (i % every != 0) return true;
        redraw(i, settling.steps);
        return stop();
    });
    out.stoppedDuring = stop.Stopped();
    return out;
}

// The settling of a run asked not to settle: none of its steps made.
SettlingMade NotSettled(float stepLength, const StopCheck& stop);

// How a run that went ahead ended, on the status line with its figures:
// failed when its files could not be written, else stopped (before or
// during the settling, or in what came after it) or finished.
struct RunEnding {
    const char* run;      // "MRP-MDS", "SOC"
    const char* settles;  // what settles: "" (the map is the run's) or "map "
    const char* files;    // what a stop kept: "" or ", its files written"
    std::string work;     // what a failed run did: "mapped the items", "trained 2,000 steps"
    long done, of;        // the steps made, of how many
    long finishedSteps;   // the steps a finished run names
    bool written;         // whether its result files were written
    std::string stoppedWhile = {};  // what a stop after the settling ended, "" for none (StoppedWhile)
    const RunChoices* choices = nullptr;  // with a seed from the clock, the status line names it
};
void ReportRunEnd(Form& form, const RunEnding& end, const SettlingMade& settling, double seconds,
                  const std::string& figures);

