#include "handlers/RunStatus.h"

#include <algorithm>

#include "distances/DistanceUnit.h"
#include "handlers/MapPanel.h"
#include "handlers/MapRecord.h"
#include "handlers/Picking.h"
#include "mds/MapBorder.h"
#include "mrp/Clustering.h"
#include "table/ColumnScale.h"
#include "table/ReadNotes.h"
#include "text/Numbers.h"
#include "session/Session.h"

void Refuse(Form& form, Session& session, std::string_view memoLine, std::string_view why) {
    if (!memoLine.empty()) form.MemoAppend(memoLine);
    std::string text(memoLine);
    if (!why.empty()) text += (text.empty() ? "" : " \u2014 ") + std::string(why);
    session.ClearMap();  // nothing to redraw, pick, count or save, and no vector for the panel
    RedrawMap(form, session);
    DrawEmptyPanel(form.PanelCanvas());
    if (const MapRecord earlier = TakeEarlierMap(session); earlier.kind != MapKind::None)
        form.StatusNote("the map of " + earlier.file + " is cleared: it was another run's");
    form.StatusOutcome(Outcome::Refused, text);
}

void ShowVectorReadNotes(Form& form, const ReadReport& report, const char* name, int requested) {
    for (const std::string& note : VectorReadNotes(report, name, requested, form.ColumnsControl()))
        form.StatusNote(note);
}

void ShowMatrixReadNotes(Form& form, const ReadReport& report, const char* name, int requested) {
    for (const std::string& note : MatrixReadNotes(report, name, requested, form.ColumnsControl()))
        form.StatusNote(note);
}

namespace {
// Says which of the items' values a run uses when "Vect. dim" asks for
// another number of them.
int NoteComponentsUsed(Form& form, const ReadReport& report, int asked, int used) {
    const int found = report.values;
    if (report.rowsRead == 0 || asked == found) return asked;
    form.StatusNote(Format("warning: \"Vect. dim\" is %d, the items have %d values: %s %d used", asked, found,
                           used < found ? "the first" : "all", used));
    return used;
}
}  // namespace

int ComponentsAsAsked(Form& form, const ReadReport& report, int asked) {
    return NoteComponentsUsed(form, report, asked, std::min(asked, report.values));
}

int ComponentsTheyHave(Form& form, const ReadReport& report, int asked) {
    return NoteComponentsUsed(form, report, asked, report.values);
}

void ScaleFeatures(Form& form, const ReadReport& report, Table& items, int dim) {
    const ColumnScale scale = form.Choices().reading.scale;
    const std::vector<std::string> notes = ScaleColumns(items, items.rows, dim, scale, report.columns);
    const auto warning = [](const std::string& note) { return note.rfind("warning:", 0) == 0; };
    // Unscaled columns whose spreads ask for z (the values as read: no scale
    // changed them): the warnings about them say so. Measured only when
    // there is a warning, as it passes over every row.
    const bool askZ = scale == ColumnScale::None && std::any_of(notes.begin(), notes.end(), warning) &&
                      AutomaticScale(items, items.rows, dim) == ColumnScale::Z;
    for (const std::string& note : notes)
        form.StatusNote(askZ && warning(note) ? note + form.Suggest({Suggestion::ScaleZ, "z"}) : note);
}

void ShowUnrelatedPairs(Form& form, int pairs) {
    if (pairs > 0)
        form.StatusNote(
            Format("warning: %d %s no component in common: each takes the largest distance of "
                   "the others",
                   pairs, pairs == 1 ? "pair of items has" : "pairs of items have"));
}

namespace {

// "3e38", "-1.5e20", "0.25": three digits, the exponent without its sign
// and leading zeros.
std::string ShortNumber(double v) {
    std::string text = Format("%.3g", v);
    if (const std::size_t e = text.find("e+"); e != std::string::npos) text.erase(e + 1, 1);
    if (const std::size_t e = text.find('e'); e != std::string::npos) {
        const std::size_t digits = text[e + 1] == '-' ? e + 2 : e + 1;
        while (text.size() > digits + 1 && text[digits] == '0') text.erase(digits, 1);
    }
    return text;
}

}  // namespace

bool ValuesFitSinglePrecision(Form& form, Session& session, const ReadReport& report, const Table& items, int dim,
                              std::string_view refusalLine) {
    const OversizedValues values = FindOversizedValues(items, items.rows, dim);
    if (values.component == 0) return true;
    Refuse(form, session, refusalLine,
           Format("values from %s to %s in %s are too large for single-precision distances",
                  ShortNumber(values.low).c_str(), ShortNumber(values.high).c_str(),
                  report.columns.FeatureWords(values.component).c_str()));
    return false;
}

void ShowBorderWarning(Form& form, int pressed, int n, double enlargement,
                       const std::function<FittingValue()>& fits) {
    if (!MapCutByBox(pressed, n)) return;
    const FittingValue fitting = fits();
    const std::string text = BorderWarningText(pressed, enlargement, fitting);
    form.StatusNote(fitting.value > 0 ? text + form.Suggest({Suggestion::Enlargement, Format("%g", fitting.value)})
                                      : text);
}

namespace {
// The value "auto" takes, as stated (three digits), and whether the items
// form clusters at it.
struct FoundCharDistance {
    std::string value;
    bool forms;
};
FoundCharDistance FindCharDistance(const MrpFields& mrp, const CharDistanceSearch& s) {
    const std::optional<float> found =
        AutomaticCharDistance(s.d, static_cast<float>(s.meanDistance / s.toFile), s.maxClusters,
                              mrp.noiseLimit.value, mrp.neighbourLimit.value);
    return {Format("%.3g", found ? *found * s.toFile : s.meanDistance / 5), found.has_value()};
}
}  // namespace

std::string CharDistanceHint(Form& form, const MrpFields& mrp, const CharDistanceSearch& search) {
    const FoundCharDistance found = FindCharDistance(mrp, search);
    const std::string hint =
        found.forms ? Format("try %s: the items form clusters there (mean distance %.3f)", found.value.c_str(),
                             search.meanDistance)
                    : Format("try about %s, a fifth of the mean distance %.3f", found.value.c_str(),
                             search.meanDistance);
    return hint + form.Suggest({Suggestion::CharDistance, found.value});
}

bool CharDistanceUsable(Form& form, Session& session, const MrpFields& mrp, const CharDistanceSearch& search) {
    if (mrp.charDistance.value > 0) return true;
    Refuse(form, session, "critical dist > 0!",
           FieldWords(mrp.charDistance, "char. distance") + ": it must be a distance above 0; " +
               CharDistanceHint(form, mrp, search));
    return false;
}

void ResolveCharDistance(Form& form, MrpFields& mrp, const CharDistanceSearch& search) {
    if (!FieldSays(mrp.charDistance, "auto")) return;
    const FoundCharDistance found = FindCharDistance(mrp, search);
    // Three digits, as stated: typing the value stated repeats the run.
    mrp.charDistance.value = static_cast<float>(ParseReal(found.value));
    form.StatusNote(found.forms
                        ? Format("\"char. distance\" auto: %s, at which the items form clusters", found.value.c_str())
                        : Format("\"char. distance\" auto: %s, a fifth of the mean distance; no value from a "
                                 "sixteenth of it to 16 times it forms a cluster",
                                 found.value.c_str()));
}

double RunClock::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

bool RunClock::ReportDue() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return false;
    last_ = now;
    return true;
}
