// What the runs tell the status line: what was read, why a run was refused,
// its progress and how it ended.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "distances/DistanceMatrix.h"
#include "form/Form.h"
#include "handlers/RunOptions.h"
#include "mds/MapBorder.h"
#include "table/ReadReport.h"
#include "table/Table.h"
#include "session/Session.h"

// Ends a run as refused: its line in Memo1 (none when memoLine is empty),
// and on the status line "refused:" with that line and, in plain words,
// what caused it. The run leaves no map: the panels are cleared, since they
// would show an earlier file's map as this file's, and the status line says
// so.
void Refuse(Form& form, Session& session, std::string_view memoLine, std::string_view why);

// The notes of a read of vectors, or of a distance matrix, on the status
// line.
void ShowVectorReadNotes(Form& form, const ReadReport& report, const char* name, int requested);
void ShowMatrixReadNotes(Form& form, const ReadReport& report, const char* name, int requested);

// The components a run takes from the items read: "Vect. dim" as asked
// when the items have that many, else what they have; MRP-MDS takes what
// they have in any case. The status line says where the two differ.
int ComponentsAsAsked(Form& form, const ReadReport& report, int asked);
int ComponentsTheyHave(Form& form, const ReadReport& report, int asked);

// The features brought to the scale the user chose, with what the scaling
// has to say; the pairs of items without a component in common, if any.
void ScaleFeatures(Form& form, const ReadReport& report, Table& items, int dim);
void ShowUnrelatedPairs(Form& form, int pairs);

// Refuses a run whose values (components 1..dim of the items), at the size
// the runs keep them, are too large for single-precision distances, with
// `refusalLine` in Memo1 (none when empty) and the column named. False when
// refused.
bool ValuesFitSinglePrecision(Form& form, Session& session, const ReadReport& report, const Table& items, int dim,
                              std::string_view refusalLine);

// The warning when, at the end of a run, `pressed` of the map's n points are
// pressed against its box's wall: "map enlarge." is too large, and one that
// fits (found when it is called: only for a map cut by its box).
void ShowBorderWarning(Form& form, int pressed, int n, double enlargement,
                       const std::function<FittingValue()>& fits);

// Where a "char. distance" is looked for: the items' distances d, their
// mean in the file's units (those of distances.dat and of the field), what
// turns d's raw distances into those units, and the clusters the run takes.
struct CharDistanceSearch {
    const DistanceMatrix& d;
    double meanDistance;
    double toFile;
    int maxClusters;
};

// "try 0.45: the items form clusters there (mean distance 2.545)", or,
// when no value near a fifth of the mean does, "try about 0.509, a fifth
// of the mean distance 2.545": for a refusal or a warning, which the face
// may let the user apply.
std::string CharDistanceHint(Form& form, const MrpFields& mrp, const CharDistanceSearch& search);

// A "char. distance" that is not above 0 refuses the run, with the hint.
// False when refused.
bool CharDistanceUsable(Form& form, Session& session, const MrpFields& mrp, const CharDistanceSearch& search);

// "char. distance" "auto": the value at which the items form a cluster
// (see AutomaticCharDistance), stated on the status line.
void ResolveCharDistance(Form& form, MrpFields& mrp, const CharDistanceSearch& search);

// The time of a run's loop and how often it reports: progress goes to the
// status line at most ten times a second (and at the end).
class RunClock {
public:
    RunClock() : start_(std::chrono::steady_clock::now()), last_(start_) {}
    double Seconds() const;
    // True when a progress report is due.
    bool ReportDue();

private:
    std::chrono::steady_clock::time_point start_, last_;
};
