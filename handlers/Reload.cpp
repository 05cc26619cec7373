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
#include "workspace/Workspace.h"

namespace {

constexpr int kMapSize = 22;  // the reloaded map's grid and box

// The reload's own start state, once a file is chosen.
void Prepare(const ReloadOptions& options) {
    ws.SimilarityDist = static_cast<float>(options.simil.value);
    ws.view.showEdges = true;
    ws.clusters.Clear(0);  // marks of an earlier MRP-MDS run mean nothing here
    ws.PickEnabled = false;  // until prototypes are found
}

// "Input size" and "Vect. dim"; false when the run must end.
bool FieldsUsable(Form& form, const ReloadOptions& options) {
    if ((options.vectors.value < 1 || options.vectors.value > kMaxSocVectors) && !options.choices.allRows) {
        Refuse(form, "max size: 1000",
               FieldWords(options.vectors, "Input size") + "; reload takes 1 to 1000 vectors (3 digits count)");
        return false;
    }
    if (options.dim.value < 1 || options.dim.value > kMaxDim) {
        Refuse(form, "max dim: 64",
               FieldWords(options.dim, "Vect. dim") + "; reload takes vectors of 1 to 64 components");
        return false;
    }
    return true;
}

// The input vectors at the size the SOC run trained them at. The item
// distances last only for their "gaz" line when the items are all alike:
// the prototypes' distances replace them.
bool ReadVectors(Form& form, const ReloadOptions& options, const std::string& path, int& dim) {
    dim = options.dim.value;
    std::optional<Table> items = ReadTrainingVectors(form, path, options.vectors.value, dim, "", false);
    if (!items) return false;
    const int n = items->rows;
    ShrinkLargeData(*items, dim);
    ItemDistances(form, *items, n, dim,
                  static_cast<double>(ws.map.axisSize[1]) * static_cast<double>(ws.SimilarityDist));
    ws.view.markScale = 1.0f;
    ws.view.mode = kViewNumbers;
    ws.view.angle = kRunViewAngle;
    form.MemoAppend(std::to_string(dim));
    items->MultiplyBy(kTenfold);
    items->distanceUnit = ChooseDistanceUnit(*items, n, dim);
    ws.table = std::move(*items);
    ws.VectorDim = dim;
    ws.MakeRoom(n);
    return true;
}

// soc.dat or weights.dat (read from `path`) taken in; nothing when the run
// must end.
std::optional<ResultRows> ReadUnits(Form& form, const StoredFile& stored, const std::string& path,
                                    const std::string& input, int dim) {
    ReadReport report;
    const std::string file(BaseName(path));
    ResultRows rows = ReadResultFile(stored, dim, 0, report);
    if (report.loaded && report.nonFiniteLine != 0) {
        Refuse(form, "", Unusable(report, path.c_str()));  // nothing of the half-read prototypes is used
        return std::nullopt;
    }
    form.MemoAppend(std::to_string(rows.count));
    if (rows.count > 0 && report.values != dim) {  // prototypes of another length mean nothing here
        Refuse(form, "",
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
void TakePositions(const ResultRows& rows) {
    for (int p = 1; p <= rows.count; ++p) {
        for (int a = 0; a < 3; ++a) ws.map.Point(p)[a + 1] = rows.position[static_cast<std::size_t>(p) * 3 + a];
        ws.ItemScore[static_cast<std::size_t>(p)] = rows.classes[static_cast<std::size_t>(p)];
    }
}

// soc.dat, then weights.dat, into the prototypes' vectors and weights,
// unless the record's lines give them to two runs; false when the run must
// end.
bool ReadPrototypes(Form& form, const StoredResults& stored, const std::vector<RecordLine>& lines,
                    const ResultPaths& paths, const std::string& input, int dim) {
    ws.map.size[1] = kMapSize;
    ws.map.size[2] = kMapSize;
    ws.map.size[3] = 1;
    ws.map.axisSize[1] = kMapSize;
    ws.map.axisSize[2] = kMapSize;
    const std::optional<ResultRows> soc = ReadUnits(form, stored.soc, paths.soc, input, dim);
    if (!soc) return false;
    const std::optional<ResultRows> weights = ReadUnits(form, stored.weights, paths.weights, input, dim);
    if (!weights || !OfOneRun(form, lines)) return false;
    if (weights->count != soc->count) {
        // Weights without their prototypes, or the other way round, mean nothing.
        Refuse(form, "",
               Format("soc.dat holds %d prototype%s, weights.dat %d: the two are not of one SOC run", soc->count,
                      soc->count == 1 ? "" : "s", weights->count));
        return false;
    }
    const int k = soc->count;
    if (k == 0) {
        Refuse(form, "", "no prototypes to reload beside " + input);
        return false;
    }
    ws.map.Resize(k);
    ws.MakeRoom(k);
    ws.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p) {
        std::copy(soc->Vector(p) + 1, soc->Vector(p) + dim + 1, ws.prototypes.Vector(p) + 1);
        std::copy(weights->Vector(p) + 1, weights->Vector(p) + dim + 1, ws.prototypes.Weights(p) + 1);
    }
    TakePositions(*soc);
    TakePositions(*weights);
    return true;
}

// soc.dat does not say at which column scale it was trained, nor does the
// record when it was deleted: prototypes that mostly lie outside the range
// of the vectors read now were trained on other data or at another scale,
// and the user is told so.
void WarnOfForeignPrototypes(Form& form, int dim) {
    const Table& vectors = ws.table;
    int inside = 0;
    for (int q = 1; q <= dim; ++q) {
        const ColumnSpread spread = SpreadOf(vectors, vectors.rows, q);
        const float low = static_cast<float>(spread.low), high = static_cast<float>(spread.high);
        const float margin = (high - low) / 10;
        for (int k = 1; k <= ws.prototypes.k; ++k) {
            const float p = ws.prototypes.Vector(k)[q];
            inside += spread.present > 0 && p >= low - margin && p <= high + margin;
        }
    }
    const int all = dim * ws.prototypes.k;
    if (all == 0 || 2 * inside >= all) return;
    form.StatusNote(
        Format("warning: %d%% of the prototypes' components lie outside the values of these "
               "vectors: soc.dat was trained on other data, or at another column scale than "
               "this reload's (%s)",
               100 - 100 * inside / all, ScaleName(ws.table.columnScale)));
}

}  // namespace

void ReloadSocResults(Form& form) {
    const RunGuard guard(form, "reload");
    if (!guard.Acquired()) return;
    const std::optional<std::string> path = ChooseRunFile(form, false);
    if (!path) return;
    const std::string input(BaseName(*path));
    StartRun(form, 1);
    FollowFile(form, *path, kMaxSocVectors, false);
    const ReloadOptions options = ReadReloadOptions(form);
    Prepare(options);
    form.MemoAppend(*path);
    const ResultPaths paths = ListResultPaths(form, *path);
    int dim = 0;
    if (!FieldsUsable(form, options) || !ReadVectors(form, options, *path, dim)) return;
    const StoredResults stored = ReadStoredResults(paths);
    const std::vector<RecordLine> lines = LinesOfFilesRead(form, stored);
    if (!ReadPrototypes(form, stored, lines, paths, input, dim)) return;
    if (!WarnOfOtherResults(form, lines, *path)) WarnOfForeignPrototypes(form, dim);

    ws.PickEnabled = true;
    ws.shown = {MapKind::Reload, 2, input, *path};
    PrototypeDistances(ws.prototypes, dim, ws.table.distanceUnit, static_cast<double>(ws.map.axisSize[1]) * 1.0,
                       ws.distances);
    ws.clusters.Clear(ws.prototypes.k);
    ResetView(ws.view, ws.map);
    ShowMovedMap(form, 3);
    const SocFit fit = ShowTrainedPrototypes(form);
    form.StatusOutcome(Outcome::Finished,
                       Format("reload finished: %d prototypes of %d components, %d vectors", ws.prototypes.k,
                              dim, ws.table.rows),
                       SocFitText(fit, ws.table.HasClasses()));
}
