#include "form/Status.h"

#include "text/Numbers.h"

std::string ProgressText(const RunProgress& p) {
    std::string text = Format("%s step %s of %s, %.1f s", p.run, GroupedCount(p.step).c_str(),
                              GroupedCount(p.steps).c_str(), p.seconds);
    if (!p.detail.empty()) text += " \u00b7 " + p.detail;
    return text;
}

std::string OutcomeText(Outcome outcome, std::string_view text) {
    switch (outcome) {
        case Outcome::Refused:
            return "refused: " + std::string(text);
        case Outcome::Busy:
            return "busy: " + std::string(text);
        case Outcome::Cancelled:
            return "cancelled: " + std::string(text);
        case Outcome::Failed:
            return "failed: " + std::string(text);
        case Outcome::Finished:
        case Outcome::Stopped:
            break;
    }
    return std::string(text);
}

std::string OutcomeLine(Outcome outcome, std::string_view text, std::string_view figures) {
    std::string line = OutcomeText(outcome, text);
    if (!figures.empty()) line += "; " + std::string(figures);
    return line;
}

std::string OutsideText(int marks) {
    if (marks <= 0) return {};
    return Format("%d mark%s outside the panel: F fits them", marks, marks == 1 ? "" : "s");
}

