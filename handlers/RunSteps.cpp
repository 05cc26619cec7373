#include "handlers/RunSteps.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "handlers/MapPanel.h"
#include "handlers/MapRecord.h"
#include "handlers/Picking.h"
#include "handlers/RunStatus.h"
#include "distances/Distances.h"
#include "table/Capacities.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "text/Numbers.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

std::optional<std::string> ChooseRunFile(Form& form, FileRun run) {
    form.MemoClear();
    const std::string list = form.ChooseFiles();
    std::string first = list.substr(0, list.find('\n'));
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (!first.empty()) return first;
    if (run == FileRun::MrpMds) ListResultPaths(form, first);
    form.MemoAppend(first);
    form.MemoAppend("invalid filename");
    form.StatusOutcome(Outcome::Cancelled, "no file chosen");
    return std::nullopt;
}

ResultPaths ListResultPaths(Form& form, const std::string& input) {
    const ResultPaths paths = ResultPathsIn(ResultFolder(input, form.Choices().results));
    for (const std::string* p : {&paths.soc, &paths.weights, &paths.clusters, &paths.distances})
        form.MemoAppend(*p);
    return paths;
}

void StartRun(Form& form, Session& session, int socMode) {
    session.SocMode = socMode;
    session.view.colourByClass = false;
    session.facts = PrototypeFacts{};
    session.landmarks = Landmarks{};
    session.basis = MapBasis{};
    session.VectorDim = 65;
    session.tree.Clear(0);
    form.StatusClear();
    ForgetShownMap(session);
    DrawEmptyPanel(form.PanelCanvas());
}

void FollowFile(Form& form, const std::string& path, FileRun run) {
    const bool map = run == FileRun::MrpMds;
    // With all rows "Input size" does not apply.
    const bool size = form.FieldFollowsFile(Edit12) && !form.Choices().allRows, dim = form.FieldFollowsFile(Edit13);
    if (!size && !dim) return;
    ReadReport report;
    const FileShape shape = InspectFile(path.c_str(), form.Choices().reading, map ? kMaxMapItems : kMaxSocVectors, report);
    if (shape.items <= 0) return;
    // The fields that change say so.
    std::string said;
    const auto follow = [&](EditId field, const char* label, int value) {
        const std::string text = std::to_string(value);
        if (form.EditText(field) == text) return;
        form.SetEditText(field, text);
        said += (said.empty() ? "" : ", ") + Format("%s %d", label, value);
    };
    if (size) follow(Edit12, "Input size", shape.items);
    if (dim) follow(Edit13, "Vect. dim", map && shape.matrix ? 0 : shape.values);
    if (!said.empty()) form.StatusNote(said + " from " + std::string(BaseName(path)));
}

int RowsToRead(const RunChoices& choices, int inputSize) {
    return choices.allRows ? kMostAllRows + 1 : inputSize;
}

Table ReadRunVectors(const RunChoices& choices, const char* name, int rows, ReadReport& report) {
    if (const TableRead* ahead = choices.readAhead.get(); ahead && ahead->Answers(name, rows, choices.reading)) {
        report = ahead->report;
        return ahead->table;
    }
    return ReadVectors(name, rows, choices.reading, report);
}

bool AllRowsFit(Form& form, Session& session, const RunChoices& choices, const ReadReport& report, const char* file) {
    if (!choices.allRows) return true;
    if (form.FieldGiven(Edit12))
        form.StatusNote(Format("warning: \"Input size\" %s does not apply with all rows: every row of %s is taken",
                               form.EditText(Edit12).c_str(), std::string(BaseName(file)).c_str()));
    if (report.rowsRead <= kMostAllRows) return true;
    Refuse(form, session, "",
           Format("max size: %d rows with all rows; %s has more", kMostAllRows, std::string(BaseName(file)).c_str()));
    return false;
}

DistanceMatrix ItemDistances(Form& form, const Table& items, int n, int dim, double size) {
    DistanceMatrix d;
    bool alike = false;
    if (n <= kMaxSocVectors) {
        alike = !BuildItemDistances(items, n, dim, size, d);
    } else {
        const float* first = items.Row(1);
        alike = true;
        for (int i = 2; i <= n && alike; ++i)
            for (int q = 1; q <= dim && alike; ++q) alike = !(items.Row(i)[q] != first[q]);  // missing is alike
    }
    if (alike) form.MemoAppend("gaz");
    return d;
}

void ShowMovedMap(Form& form, Session& session, int axes) {
    MapCentre(session.view, session.map, axes);
    session.view.zoom = 1.0f;
    session.view.zoomStep = 1.0;
    TransformView(session.view, session.map, 5);
    RedrawMap(form, session);
}

namespace {

// The vectors that have none of components 1..dim.
int VectorsWithoutComponents(const Table& items, int dim) {
    int without = 0;
    for (int i = 1; i <= items.rows; ++i)
        without += std::all_of(items.Row(i) + 1, items.Row(i) + dim + 1, [](float v) { return std::isnan(v); });
    return without;
}

}  // namespace

std::optional<Table> ReadTrainingVectors(Form& form, Session& session, const std::string& path, int rows, int& dim,
                                         std::string_view refusalLine, bool needsVectors) {
    const char* name = path.c_str();
    const RunChoices choices = form.Choices();
    ReadReport report;
    Table items = ReadRunVectors(choices, name, RowsToRead(choices, rows), report);
    if (choices.allRows) rows = report.rowsRead;  // the rows asked for are those the file has
    ShowDataLine(form, report, rows);
    if (const std::string why = Unusable(report, name); !why.empty()) {
        Refuse(form, session, refusalLine, why);
        return std::nullopt;
    }
    if (!AllRowsFit(form, session, choices, report, name)) return std::nullopt;
    ShowVectorReadNotes(form, report, name, rows);
    dim = std::min(ComponentsAsAsked(form, report, dim), items.width);
    if (needsVectors && items.rows == 0) {
        Refuse(form, session, refusalLine, Format("%s holds no values", std::string(BaseName(name)).c_str()));
        return std::nullopt;
    }
    // Every column used holds a value in some row taken (the reader leaves
    // out the others), so some vector has a component to compare.
    const int without = VectorsWithoutComponents(items, dim);
    const char* components = dim == 1 ? "component" : "components";
    if (without > 0)
        form.StatusNote(Format("warning: %d %s none of the %d %s used: %s in no prototype", without,
                               without == 1 ? "vector has" : "vectors have", dim, components,
                               without == 1 ? "it is" : "they are"));
    ScaleFeatures(form, report, items, dim);
    if (!ValuesFitSinglePrecision(form, session, report, items, dim, refusalLine)) return std::nullopt;
    return items;
}

void ReportRunEnd(Form& form, const RunEnding& end, const SettlingMade& settling, double seconds,
                  const std::string& figures) {
    // So that a run of the clock's seed can be repeated.
    if (end.choices != nullptr && end.choices->seedFromClock)
        form.StatusNote(Format("seed %u, the clock's: given as the seed (\"seed\", --seed) it repeats this run",
                               *end.choices->seed));
    if (!end.written) {
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
    } else if (!end.stoppedWhile.empty()) {
        form.StatusOutcome(Outcome::Stopped,
                           Format("%s stopped while %s, after %.1f s", end.run, end.stoppedWhile.c_str(), seconds),
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

void ShowDataLine(Form& form, const ReadReport& report, int rows) {
    const bool parsed = report.loaded && report.notText.empty() && report.problem.empty();
    if (parsed && report.rowsRead < rows)
        form.MemoAppend(Format("data No: %d,  dim: %d", report.rowsRead, report.firstRowValues));
}

SettlingMade NotSettled(float stepLength, const StopCheck& stop) {
    return {0, SettlingAfter(stepLength).steps, stop.Stopped(), false};
}
