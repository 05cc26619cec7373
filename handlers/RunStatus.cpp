#include "handlers/RunStatus.h"

#include "mrp/MapBorder.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

void Refuse(Form& form, std::string_view memoLine, std::string_view why) {
    if (!memoLine.empty()) form.MemoAppend(memoLine);
    std::string text(memoLine);
    if (!why.empty()) text += (text.empty() ? "" : " \u2014 ") + std::string(why);
    form.StatusOutcome(Outcome::Refused, text);
}

std::string FieldWords(Form& form, EditId edit, const char* label) {
    const std::string text = form.EditText(edit);
    if (text.find_first_not_of(" \t") == std::string::npos) return Format("\"%s\" is empty", label);
    return Format("\"%s\" holds \"%s\"", label, text.c_str());
}

void ShowReadNotes(Form& form, const ReadReport& report, const char* name, int requested, bool vectors) {
    for (const std::string& note : ReadNotes(report, name, requested, vectors)) form.StatusNote(note);
}

void ShowDimensionNote(Form& form, const ReadReport& report, int dim) {
    if (report.rowsRead == 0 || report.firstRowValues == dim) return;
    form.StatusNote(Format(
        report.firstRowValues < dim
            ? "warning: line %d holds %d values, \"Vect. dim\" is %d: the missing components are 0"
            : "warning: line %d holds %d values, \"Vect. dim\" is %d: the components beyond are not used",
        report.firstDataLine, report.firstRowValues, dim));
}

void ShowBorderWarning(Form& form, int pressed, int n, int b) {
    if (!MapCutByBox(pressed, n)) return;
    form.StatusNote(BorderWarningText(pressed, ws.MapEnlargement, FittingEnlargement(n, b)));
}

float SuggestedCharDistance(float meanDistance) {
    return meanDistance / 5.0f;
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
