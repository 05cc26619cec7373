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
#include "table/Capacities.h"
#include "table/ColumnScale.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
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

// A result file's prototypes at dim components; nothing when a value in it
// is no finite number: then nothing of the half-read prototypes is used,
// and the run is refused.
std::optional<ResultRows> ReadResultRows(Form& form, Session& session, const StoredFile& stored,
                                         const std::string& path, int dim, ReadReport& report) {
    ResultRows rows = ReadResultFile(stored, dim, 0, report);
    if (report.loaded && report.nonFiniteLine != 0) {
        Refuse(form, session, "", Unusable(report, path.c_str()));
        return std::nullopt;
    }
    return rows;
}

// soc.dat or weights.dat (read from `path`) taken in; nothing when the run
// must end.
std::optional<ResultRows> ReadUnits(Form& form, Session& session, const StoredFile& stored, const std::string& path,
                                    const std::string& input, int dim) {
    ReadReport report;
    const std::string file(BaseName(path));
    std::optional<ResultRows> rows = ReadResultRows(form, session, stored, path, dim, report);
    if (!rows) return std::nullopt;
    form.MemoAppend(std::to_string(rows->count));
    if (rows->count > 0 && report.values != dim) {  // prototypes of another length mean nothing here
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

// The reloaded map's grid and box.
void UseReloadedMapSize(MapLayout& map) {
    map.size[1] = kMapSize;
    map.size[2] = kMapSize;
    map.size[3] = 1;
    map.axisSize[1] = kMapSize;
    map.axisSize[2] = kMapSize;
}

// Whether the vectors and the weights read are as many: weights without
// their prototypes, or the other way round, mean nothing; refused if not.
bool AsManyWeights(Form& form, Session& session, const ResultRows& soc, const ResultRows& weights,
                   const std::string& socPath, const std::string& weightsPath) {
    if (weights.count == soc.count) return true;
    Refuse(form, session, "",
           Format("%s holds %d prototype%s, %s %d: the two are not of one SOC run", std::string(BaseName(socPath)).c_str(),
                  soc.count, soc.count == 1 ? "" : "s", std::string(BaseName(weightsPath)).c_str(), weights.count));
    return false;
}

// The prototypes' vectors and weights, components 1..dim, and their map
// positions and scores, in the order the files are read.
void TakePrototypes(Session& session, const ResultRows& soc, const ResultRows& weights, int dim) {
    const int k = soc.count;
    session.map.Resize(k);
    session.MakeRoom(k);
    session.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p) {
        std::copy(soc.Vector(p) + 1, soc.Vector(p) + dim + 1, session.prototypes.Vector(p) + 1);
        std::copy(weights.Vector(p) + 1, weights.Vector(p) + dim + 1, session.prototypes.Weights(p) + 1);
    }
    TakePositions(session, soc);
    TakePositions(session, weights);
}

// soc.dat, then weights.dat, into the prototypes' vectors and weights,
// unless the record's lines give them to two runs; false when the run must
// end.
bool ReadPrototypes(Form& form, Session& session, const StoredResults& stored, const std::vector<RecordLine>& lines,
                    const ResultPaths& paths, const std::string& input, int dim) {
    UseReloadedMapSize(session.map);
    const std::optional<ResultRows> soc = ReadUnits(form, session, stored.soc, paths.soc, input, dim);
    if (!soc) return false;
    const std::optional<ResultRows> weights = ReadUnits(form, session, stored.weights, paths.weights, input, dim);
    if (!weights || !OfOneRun(form, session, lines) ||
        !AsManyWeights(form, session, *soc, *weights, paths.soc, paths.weights))
        return false;
    if (soc->count == 0) {
        Refuse(form, session, "", "no prototypes to reload beside " + input);
        return false;
    }
    TakePrototypes(session, *soc, *weights, dim);
    return true;
}

// soc.dat does not say at which column scale it was trained, nor does the
// record when it was deleted: prototypes that mostly lie outside the range
// of the vectors read now were trained on other data or at another scale,
// and the user is told so.
void WarnOfForeignPrototypes(Form& form, Session& session, int dim) {
    const Table& vectors = session.table;
    int inside = 0;
    const std::vector<ColumnSpread> spreads = SpreadsOf(vectors, vectors.rows, dim);
    for (int q = 1; q <= dim; ++q) {
        const ColumnSpread& spread = spreads[static_cast<std::size_t>(q)];
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

// The map of the prototypes taken in, with the vectors of `path` assigned
// to them; returns the fit.
SocFit ShowReloadedPrototypes(Form& form, Session& session, const std::string& path, int dim) {
    session.PickEnabled = true;
    session.shown = {MapKind::Reload, 2, std::string(BaseName(path)), path};
    PrototypeDistances(session.prototypes, dim, session.table.distanceUnit, static_cast<double>(session.map.axisSize[1]) * 1.0,
                       session.distances);
    session.clusters.Clear(session.prototypes.k);
    ResetView(session.view, session.map);
    ShowMovedMap(form, session, 3);
    return ShowTrainedPrototypes(form, session);
}

// The rows of the table in `path` to assign, every one up to the most a run
// of all rows takes, in the features the table gives (no column scale: the
// prototypes were trained at theirs), at the size the SOC run trained at, as
// the reload takes its vectors. Nothing when the run must end.
std::optional<Table> RowsAtTrainingSize(Form& form, Session& session, const std::string& path) {
    const std::string file(BaseName(path));
    ReadOptions options = form.Choices().reading;
    options.scale = ColumnScale::None;
    ReadReport report;
    Table rows = ::ReadVectors(path.c_str(), kMostAllRows, options, report);
    std::string why = Unusable(report, path.c_str());
    if (why.empty() && (report.rowsLeft > 0 || report.restUnread))
        why = Format("%s has more than %s rows", file.c_str(), GroupedCount(kMostAllRows).c_str());
    if (!why.empty()) {
        Refuse(form, session, "", why);
        return std::nullopt;
    }
    ShowVectorReadNotes(form, report, path.c_str(), report.rowsRead);  // all it has
    const int dim = rows.width;
    if (!ValuesFitSinglePrecision(form, session, report, rows, dim, "")) return std::nullopt;
    const int otherwise = RowsSizedOtherwise(rows, dim);
    const bool fileSize = ShrinkLargeData(rows, dim) < 1;
    if (otherwise > 0)
        form.StatusNote(Format("warning: as in a SOC run, the first row of %s chose the size its rows are matched at "
                               "(its components sum to %s); %s other rows would have chosen the other, so a piece "
                               "of %s that starts with one of them is matched at another size",
                               file.c_str(), fileSize ? "more than 2" : "2 or less", GroupedCount(otherwise).c_str(),
                               file.c_str()));
    rows.MultiplyBy(kTenfold);
    rows.distanceUnit = ChooseDistanceUnit(rows, rows.rows, dim);
    return rows;
}

// The prototypes (or weights) of the file at `path`, which must have one
// component per feature of `table`; nothing when the run must end.
std::optional<ResultRows> ReadGivenUnits(Form& form, Session& session, const std::string& path,
                                         const std::string& table, int dim) {
    ReadReport report;
    std::optional<ResultRows> rows = ReadResultRows(form, session, LoadStoredFile(path), path, dim, report);
    if (!rows) return std::nullopt;
    const std::string file(BaseName(path));
    std::string why = report.loaded ? "" : report.failure;
    if (why.empty() && rows->count == 0) why = Format("%s holds no prototype", file.c_str());
    if (why.empty() && report.values != dim)
        why = Format("%s has %d feature%s, the prototypes of %s %d components: the features, in order, are "
                     "matched with the components (--names, --class and --skip take columns out)",
                     table.c_str(), dim, dim == 1 ? "" : "s", file.c_str(), report.values);
    if (why.empty()) return rows;
    Refuse(form, session, "", why);
    return std::nullopt;
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

    const SocFit fit = ShowReloadedPrototypes(form, session, *path, dim);
    form.StatusOutcome(Outcome::Finished,
                       Format("reload finished: %d prototypes of %d components, %d vectors", session.prototypes.k,
                              dim, session.table.rows),
                       SocFitText(fit));
}

void AssignToSocPrototypes(Form& form, Session& session, const SocFiles& files) {
    const RunGuard guard(form, session, "assign");
    if (!guard.Acquired()) return;
    StartRun(form, session, 1);
    Prepare(session, ReadReloadOptions(form));
    std::optional<Table> rows = RowsAtTrainingSize(form, session, files.table);
    if (!rows) return;
    const int dim = rows->width;
    const std::string table(BaseName(files.table));
    UseReloadedMapSize(session.map);
    const std::optional<ResultRows> soc = ReadGivenUnits(form, session, files.soc, table, dim);
    if (!soc) return;
    const std::optional<ResultRows> weights = ReadGivenUnits(form, session, files.weights, table, dim);
    if (!weights || !AsManyWeights(form, session, *soc, *weights, files.soc, files.weights)) return;
    session.table = std::move(*rows);
    session.VectorDim = dim;
    session.MakeRoom(session.table.rows);
    TakePrototypes(session, *soc, *weights, dim);
    WarnOfForeignPrototypes(form, session, dim);

    const SocFit fit = ShowReloadedPrototypes(form, session, files.table, dim);
    form.StatusOutcome(Outcome::Finished,
                       Format("assign finished: %s rows of %s given their prototypes of %s (%d of %d components)",
                              GroupedCount(session.table.rows).c_str(), table.c_str(),
                              std::string(BaseName(files.soc)).c_str(), session.prototypes.k, dim),
                       SocFitText(fit));
}
