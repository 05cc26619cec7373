#include "handlers/MapFiles.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "files/OutputNames.h"
#include "files/TextFile.h"
#include "handlers/MapPanel.h"
#include "handlers/MapRecord.h"
#include "handlers/RowPlacement.h"
#include "handlers/RunControl.h"
#include "handlers/RunStatus.h"
#include "handlers/SavedMap.h"
#include "table/Capacities.h"
#include "table/ColumnScale.h"
#include "table/FileText.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "text/Numbers.h"
#include "view/ViewTransform.h"

bool SaveShownMap(Form& form, const Session& session, const std::string& path) {
    if (const std::string why = WhyNotSaved(session); !why.empty()) {
        form.StatusNote("map not saved: " + why);
        return false;
    }
    const std::string error = WriteTextFile(path, SavedMapText(session));
    form.StatusNote(error.empty() ? "map saved to " + path : error);
    return error.empty();
}

bool OpenSavedMap(Form& form, Session& session, const std::string& path) {
    FileBytes bytes;
    std::string why;
    if (LoadFile(path.c_str(), bytes, why))
        if (why = ShowSavedMap(std::string(bytes.begin(), bytes.end()), session); !why.empty())
            why = std::string(BaseName(path)) + ": " + why;
    if (!why.empty()) {
        form.StatusOutcome(Outcome::Refused, "map not opened: " + why);
        return false;
    }
    RedrawMap(form, session);
    form.StatusOutcome(Outcome::Finished,
                       Format("map of %s shown from %s", session.shown.file.c_str(), std::string(BaseName(path)).c_str()),
                       ShownMapFigures(session));
    return true;
}

namespace {

// Of each of the map's columns (q = 1..dim), the component of the table
// read that holds it: by its header name, or by its place when the map's
// file had no header. Why not, or "" with the columns left out in `notes`.
std::string MatchColumns(const MapBasis& basis, const Table& read, const ColumnPlan& plan, const std::string& file,
                         std::vector<int>& from, std::vector<std::string>& notes) {
    bool named = false;
    for (const MapColumn& c : basis.columns) named = named || !c.header.empty();
    from.assign(static_cast<std::size_t>(basis.Dim()) + 1, 0);
    std::vector<char> used(static_cast<std::size_t>(read.width) + 1, 0);
    for (int q = 1; q <= basis.Dim(); ++q) {
        const MapColumn& c = basis.columns[static_cast<std::size_t>(q - 1)];
        for (int j = 1; j <= read.width && from[static_cast<std::size_t>(q)] == 0; ++j)
            if (named ? read.FeatureName(j) == c.header : plan.features[static_cast<std::size_t>(j - 1)] == c.position)
                from[static_cast<std::size_t>(q)] = j;
        if (from[static_cast<std::size_t>(q)] == 0)
            return named ? Format("%s has no feature column \"%s\", which the map was made with", file.c_str(),
                                  c.header.c_str())
                         : Format("%s has no feature in column %d, which the map was made with", file.c_str(),
                                  c.position);
        used[static_cast<std::size_t>(from[static_cast<std::size_t>(q)])] = 1;
    }
    for (int j = 1; j <= read.width; ++j)
        if (!used[static_cast<std::size_t>(j)])
            notes.push_back(Format("warning: %s is none of the map's columns: left out", plan.FeatureWords(j).c_str()));
    return "";
}

// The rows read, in the map's columns at its column scale.
Table InMapColumns(const MapBasis& basis, const Table& read, const std::vector<int>& from) {
    Table rows;
    rows.Resize(read.rows, basis.Dim());
    for (int i = 1; i <= read.rows; ++i) {
        int missing = 0;
        for (int q = 1; q <= basis.Dim(); ++q) {
            const MapColumn& c = basis.columns[static_cast<std::size_t>(q - 1)];
            const float v = read.Row(i)[from[static_cast<std::size_t>(q)]];
            rows.Row(i)[q] = basis.scale == ColumnScale::None ? v : ScaledValue(v, c.offset, c.factor);
            missing += std::isnan(v);
        }
        rows.missing[static_cast<std::size_t>(i)] = missing;
    }
    rows.names = read.names;
    rows.classes = read.classes;
    rows.classNames = read.classNames;
    rows.dataRow = read.dataRow;
    rows.dataRows = read.dataRows;
    return rows;
}

// The class of the map's table named as class k of `rows` is, added when
// the map has none of that name.
int ClassInMap(Table& map, const Table& rows, int k) {
    if (k < 1 || k > rows.ClassCount()) return 0;
    const std::string& name = rows.ClassName(k);
    for (int c = 1; c <= map.ClassCount(); ++c)
        if (map.ClassName(c) == name) return c;
    if (map.classNames.empty()) map.classNames.assign(1, std::string());
    map.classNames.push_back(name);
    return map.ClassCount();
}

// The table's entries for points first.. (the rows placed), after its own.
void AppendRows(Table& table, const Table& rows, const RowsOnMap& placed, int first) {
    const int total = first - 1 + placed.done;
    const auto size = static_cast<std::size_t>(total) + 1;
    if (table.dataRow.empty())
        for (int i = 0; i < first; ++i) table.dataRow.push_back(i);
    table.values.resize(size * table.Stride(), std::numeric_limits<float>::quiet_NaN());
    table.missing.resize(size, table.width);
    table.dataRow.resize(size, 0);
    if (rows.HasNames()) table.names.resize(size);
    if (!table.names.empty()) table.names.resize(size);
    const bool classes = rows.HasClasses() || table.HasClasses();
    if (classes) table.classes.resize(size, 0);
    for (int s = 0; s < placed.done; ++s) {
        const int i = first + s, r = placed.rows[static_cast<std::size_t>(s)];
        const auto u = static_cast<std::size_t>(i);
        for (int q = 1; q <= std::min(rows.width, table.width); ++q) table.Row(i)[q] = rows.Row(r)[q] * table.scale;
        table.missing[u] = rows.missing[static_cast<std::size_t>(r)];
        table.dataRow[u] = rows.DataRow(r);
        if (rows.HasNames()) table.names[u] = rows.Name(r);
        if (classes) table.classes[u] = ClassInMap(table, rows, rows.ClassOf(r));
    }
    table.rows = total;
}

// The rows placed made the map's second layer, after its own points (a
// layer placed before goes).
void AddLayer(Session& session, const Table& rows, const RowsOnMap& placed, const std::string& file) {
    Landmarks& marks = session.landmarks;
    const int own = marks.layerFrom > 0 ? marks.layerFrom - 1 : session.map.n;
    session.table.KeepRows(own);
    if (marks.count == 0) {  // a map of items: each is its own landmark
        marks.count = own;
        marks.fileRow.resize(static_cast<std::size_t>(own) + 1);
        for (int i = 0; i <= own; ++i) marks.fileRow[static_cast<std::size_t>(i)] = i;
    }
    const int first = own + 1, total = own + placed.done;
    session.map.KeepPoints(total);
    session.clusters.marks.resize(static_cast<std::size_t>(total) + 1);
    session.clusters.probability.resize(static_cast<std::size_t>(first));
    session.clusters.probability.resize(static_cast<std::size_t>(total) + 1, 0.0f);
    marks.fileRow.resize(static_cast<std::size_t>(total) + 1);
    for (int s = 0; s < placed.done; ++s) {
        const int i = first + s, centre = placed.centres[static_cast<std::size_t>(s)];
        for (int a = 1; a <= 3; ++a) session.map.Point(i)[a] = placed.places[static_cast<std::size_t>(s) * 3 + static_cast<std::size_t>(a - 1)];
        session.map.Point(i)[4] = 0;
        session.clusters.marks[static_cast<std::size_t>(i)] = centre > 0 ? ClusterMark::Member(centre) : ClusterMark{};
        marks.fileRow[static_cast<std::size_t>(i)] = placed.rows[static_cast<std::size_t>(s)];
    }
    AppendRows(session.table, rows, placed, first);
    marks.layerFrom = first;
    marks.layerFile = file;
    marks.layerDataRows = rows.dataRows;
    session.view.projected.assign(static_cast<std::size_t>(total + 1) * 3, 0.0);
    session.MakeRoom(total);
    TransformView(session.view, session.map, 0);
}

}  // namespace

void PlaceRowsOnShownMap(Form& form, Session& session, const std::string& path) {
    const RunGuard guard(form, session, "placing rows");
    if (!guard.Acquired()) return;
    session.StopRequested = false;
    const std::string file(BaseName(path));
    const auto refuse = [&](const std::string& why) { form.StatusOutcome(Outcome::Refused, "no row placed: " + why); };
    if (const std::string why = WhyNotSaved(session); !why.empty())
        return refuse(session.shown.kind == MapKind::None ? "no map on show" : why);
    ReadOptions options = form.Choices().reading;
    options.scale = ColumnScale::None;  // the map's scale applies
    ReadReport report;
    const Table read = ReadVectors(path.c_str(), kMostAllRows, options, report);
    if (const std::string why = Unusable(report, path.c_str()); !why.empty()) return refuse(why);
    if (report.rowsLeft > 0 || report.restUnread)
        return refuse(Format("%s has more than %s rows", file.c_str(), GroupedCount(kMostAllRows).c_str()));
    std::vector<int> from;
    std::vector<std::string> notes;
    if (const std::string why = MatchColumns(session.basis, read, report.columns, file, from, notes); !why.empty())
        return refuse(why);
    for (const std::string& note : notes) form.StatusNote(note);
    const Table rows = InMapColumns(session.basis, read, from);
    const StopCheck stop(form, session);
    const RunClock clock;
    const RowsOnMap placed = PlaceOnSavedMap(form, session.basis, rows, stop);
    AddLayer(session, rows, placed, file);
    RedrawMap(form, session);
    const int atWall = static_cast<int>(std::count(placed.atWall.begin(), placed.atWall.begin() + placed.done, 1));
    const std::string done = Format("%s of %s rows of %s placed on the map of %s in %.1f s",
                                    GroupedCount(placed.done).c_str(), GroupedCount(rows.rows).c_str(), file.c_str(),
                                    session.shown.file.c_str(), clock.Seconds());
    if (atWall > 0) form.StatusNote(Format("%s of them lie at the box's wall", GroupedCount(atWall).c_str()));
    form.StatusOutcome(placed.done < rows.rows ? Outcome::Stopped : Outcome::Finished, done);
}
