#include "handlers/Reload.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "distances/DistanceUnit.h"
#include "distances/Distances.h"
#include "files/ResultFiles.h"
#include "handlers/MapRecord.h"
#include "handlers/PrototypeFacts.h"
#include "handlers/RunControl.h"
#include "handlers/RunRecord.h"
#include "handlers/RunSteps.h"
#include "soc/SocSteps.h"
#include "soc/TrainingScale.h"
#include "table/ColumnScale.h"
#include "table/ReadNotes.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

constexpr int kMapSize = 22;  // the reloaded map's grid and box

// The reload's own start state, once a file is chosen.
void Prepare(Session& session, const ReloadOptions& options) {
    session.SimilarityDist = static_cast<float>(options.simil.value);
    session.view.showEdges = true;
    session.clusters.Clear(0);  // marks of an earlier MRP-MDS run mean nothing here
    session.PickEnabled = false;  // until prototypes are found
}

// "Input size" and "Vect. dim"; false when the run must end.
bool FieldsUsable(Form& form, Session& session, const ReloadOptions& options) {
    if ((options.vectors.value < 1 || options.vectors.value > kMaxSocVectors) && !options.choices.allRows) {
        Refuse(form, session, "max size: 1000",
               FieldWords(options.vectors, "Input size") + "; reload takes 1 to 1000 vectors (3 digits count)");
        return false;
    }
    if (options.dim.value < 1 || options.dim.value > kMaxDim) {
        Refuse(form, session, "max dim: 64",
               FieldWords(options.dim, "Vect. dim") + "; reload takes vectors of 1 to 64 components");
        return false;
    }
    return true;
}

// The input vectors at the size the SOC run trained them at. The item
// distances last only for their "gaz" line when the items are all alike:
// the prototypes' distances replace them.
bool ReadVectors(Form& form, Session& session, const ReloadOptions& options, const std::string& path, int& dim) {
    dim = options.dim.value;
    std::optional<Table> items = ReadTrainingVectors(form, session, path, options.vectors.value, dim, "", false);
    if (!items) return false;
    const int n = items->rows;
    ShrinkLargeData(*items, dim);
    ItemDistances(form, *items, n, dim,
                  static_cast<double>(session.map.axisSize[1]) * static_cast<double>(session.SimilarityDist));
    session.view.markScale = 1.0f;
    session.view.mode = kViewNumbers;
    session.view.angle = kRunViewAngle;
    form.MemoAppend(std::to_string(dim));
    items->MultiplyBy(kTenfold);
    items->distanceUnit = ChooseDistanceUnit(*items, n, dim);
    session.table = std::move(*items);
    session.VectorDim = dim;
    session.MakeRoom(n);
    return true;
}

// soc.dat or weights.dat (read from `path`) taken in; nothing when the run
// must end.
std::optional<ResultRows> ReadUnits(Form& form, Session& session, const StoredFile& stored, const std::string& path,
                                    const std::string& input, int dim) {
    ReadReport report;
    const std::string file(BaseName(path));
    ResultRows rows = ReadResultFile(stored, dim, 0, report);
    if (report.loaded && report.nonFiniteLine != 0) {
        Refuse(form, session, "", Unusable(report, path.c_str()));  // nothing of the half-read prototypes is used
        return std::nullopt;
    }
    form.MemoAppend(std::to_string(rows.count));
    if (rows.count > 0 && report.values != dim) {  // prototypes of another length mean nothing here
        Refuse(form, session, "",
               Format("%s holds prototypes of %d components, the vectors of %s have %d: it belongs to another "
                      "file, or to another \"Vect. dim\"",
                      file.c_str(), report.values, input.c_str(), dim));
        return std::nullopt;
    }
    if (!report.loaded)
        form.StatusNote(Format("warning: %s not found: no prototypes from it (a SOC run writes it)", file.c_str()));
    return rows;
}

// A file's map positions and scores, in the order the files are read.
void TakePositions(Session& session, const ResultRows& rows) {
    for (int p = 1; p <= rows.count; ++p) {
        for (int a = 0; a < 3; ++a) session.map.Point(p)[a + 1] = rows.position[static_cast<std::size_t>(p) * 3 + a];
        session.ItemScore[static_cast<std::size_t>(p)] = rows.classes[static_cast<std::size_t>(p)];
    }
}

// soc.dat, then weights.dat, into the prototypes' vectors and weights,
// unless the record's lines give them to two runs; false when the run must
// end.
bool ReadPrototypes(Form& form, Session& session, const StoredResults& stored, const std::vector<RecordLine>& lines,
                    const ResultPaths& paths, const std::string& input, int dim) {
    session.map.size[1] = kMapSize;
    session.map.size[2] = kMapSize;
    session.map.size[3] = 1;
    session.map.axisSize[1] = kMapSize;
    session.map.axisSize[2] = kMapSize;
    const std::optional<ResultRows> soc = ReadUnits(form, session, stored.soc, paths.soc, input, dim);
    if (!soc) return false;
    const std::optional<ResultRows> weights = ReadUnits(form, session, stored.weights, paths.weights, input, dim);
    if (!weights || !OfOneRun(form, session, lines)) return false;
    if (weights->count != soc->count) {
        // Weights without their prototypes, or the other way round, mean nothing.
        Refuse(form, session, "",
               Format("soc.dat holds %d prototype%s, weights.dat %d: the two are not of one SOC run", soc->count,
                      soc->count == 1 ? "" : "s", weights->count));
        return false;
    }
    const int k = soc->count;
    if (k == 0) {
        Refuse(form, session, "", "no prototypes to reload beside " + input);
        return false;
    }
    session.map.Resize(k);
    session.MakeRoom(k);
    session.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p) {
        std::copy(soc->Vector(p) + 1, soc->Vector(p) + dim + 1, session.prototypes.Vector(p) + 1);
        std::copy(weights->Vector(p) + 1, weights->Vector(p) + dim + 1, session.prototypes.Weights(p) + 1);
    }
    TakePositions(session, *soc);
    TakePositions(session, *weights);
    return true;
}

// soc.dat does not say at which column scale it was trained, nor does the
// record when it was deleted: prototypes that mostly lie outside the range
// of the vectors read now were trained on other data or at another scale,
// and the user is told so.
void WarnOfForeignPrototypes(Form& form, Session& session, int dim) {
    const Table& vectors = session.table;
    int inside = 0;
    for (int q = 1; q <= dim; ++q) {
        const ColumnSpread spread = SpreadOf(vectors, vectors.rows, q);
        const float low = static_cast<float>(spread.low), high = static_cast<float>(spread.high);
        const float margin = (high - low) / 10;
        for (int k = 1; k <= session.prototypes.k; ++k) {
            const float p = session.prototypes.Vector(k)[q];
            inside += spread.present > 0 && p >= low - margin && p <= high + margin;
        }
    }
    const int all = dim * session.prototypes.k;
    if (all == 0 || 2 * inside >= all) return;
    form.StatusNote(
        Format("warning: %d%% of the prototypes' components lie outside the values of these "
               "vectors: soc.dat was trained on other data, or at another column scale than "
               "this reload's (%s)",
               100 - 100 * inside / all, ScaleName(session.table.columnScale)));
}

}  // namespace

void ReloadSocResults(Form& form, Session& session) {
    const RunGuard guard(form, session, "reload");
    if (!guard.Acquired()) return;
    const std::optional<std::string> path = ChooseRunFile(form, FileRun::Reload);
    if (!path) return;
    const std::string input(BaseName(*path));
    StartRun(form, session, 1);
    FollowFile(form, *path, FileRun::Reload);
    const ReloadOptions options = ReadReloadOptions(form);
    Prepare(session, options);
    form.MemoAppend(*path);
    const ResultPaths paths = ListResultPaths(form, *path);
    int dim = 0;
    if (!FieldsUsable(form, session, options) || !ReadVectors(form, session, options, *path, dim)) return;
    const StoredResults stored = ReadStoredResults(paths);
    const std::vector<RecordLine> lines = LinesOfFilesRead(form, stored);
    if (!ReadPrototypes(form, session, stored, lines, paths, input, dim)) return;
    if (!WarnOfOtherResults(form, session, lines, *path)) WarnOfForeignPrototypes(form, session, dim);

    session.PickEnabled = true;
    session.shown = {MapKind::Reload, 2, input, *path};
    PrototypeDistances(session.prototypes, dim, session.table.distanceUnit, static_cast<double>(session.map.axisSize[1]) * 1.0,
                       session.distances);
    session.clusters.Clear(session.prototypes.k);
    ResetView(session.view, session.map);
    ShowMovedMap(form, session, 3);
    const SocFit fit = ShowTrainedPrototypes(form, session);
    form.StatusOutcome(Outcome::Finished,
                       Format("reload finished: %d prototypes of %d components, %d vectors", session.prototypes.k,
                              dim, session.table.rows),
                       SocFitText(fit));
}
