// What a reader's report means to the user: the texts of the status line.
#include <string>
#include <vector>

#include "workspace/InputFiles.h"
#include "workspace/Numbers.h"
#include "workspace/Status.h"

namespace {

const char* SeparatorName(char separator) {
    switch (separator) {
        case ';':
            return "semicolons";
        case ',':
            return "commas";
        case ' ':
            return "spaces";
        default:
            return "tabs";
    }
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string Unusable(const ReadReport& report, const char* name) {
    if (!report.loaded) return report.failure;
    if (report.nonFiniteLine != 0)
        return Format("line %d of %s holds \"%s\", which is not a finite number", report.nonFiniteLine,
                      std::string(BaseName(name)).c_str(), report.nonFiniteToken.c_str());
    return {};
}

bool LooksLikeMatrix(const ReadReport& r) {
    return r.rowsRead >= 2 && r.firstRowValues == r.rowsRead + r.rowsLeft && r.unevenRows == 0 &&
           r.zeroDiagonal;
}

std::vector<std::string> ReadNotes(const ReadReport& r, const char* name, int requested, bool vectors) {
    std::vector<std::string> notes;
    const std::string file(BaseName(name));
    notes.push_back(Format(
        "read %s of %s from %s", Plural(r.rowsRead, "row", "rows").c_str(),
        Plural(r.firstRowValues, vectors ? "value" : "distance", vectors ? "values" : "distances").c_str(),
        file.c_str()));
    if (r.headerLine != 0)
        notes.push_back(Format("warning: line %d holds no number: skipped as a header", r.headerLine));
    if (r.separatorDetected)
        notes.push_back(Format("warning: line %d has no tab: values separated by %s", r.firstDataLine,
                               SeparatorName(r.separator)));
    if (r.decimalComma)
        notes.push_back(
            Format("warning: from line %d on, commas in numbers and no decimal point: "
                   "commas read as decimal points",
                   r.firstDataLine));
    if (r.blankLines != 0)
        notes.push_back(Format("warning: line %d is blank: skipped (%s in all)", r.firstBlankLine,
                               Plural(r.blankLines, "blank line", "blank lines").c_str()));
    if (r.notNumbers != 0)
        notes.push_back(Format("warning: line %d: \"%s\" is not a number, read as 0 (%s in all)",
                               r.firstNotNumberLine, r.firstNotNumber.c_str(),
                               Plural(r.notNumbers, "such value", "such values").c_str()));
    if (r.unevenRows != 0)
        notes.push_back(Format("warning: line %d holds %s, the first row %d (%s in all)", r.firstUnevenLine,
                               Plural(r.firstUnevenValues, "value", "values").c_str(), r.firstRowValues,
                               Plural(r.unevenRows, "such row", "such rows").c_str()));
    if (r.dropped != 0)
        notes.push_back(Format("warning: line %d: the value 1000 is reserved and skipped (%s in all)",
                               r.firstDroppedLine, Plural(r.dropped, "value", "values").c_str()));
    if (r.rowsRead < requested && vectors)
        notes.push_back(
            Format("warning: the file ends at line %d with %d rows, fewer than \"Input size\" %d: "
                   "%d used",
                   r.lastDataLine, r.rowsRead, requested, r.rowsRead));
    if (r.rowsLeft > 0)
        notes.push_back(Format("warning: %s after line %d not read: only the first %d (\"Input size\") used",
                               Plural(r.rowsLeft, "more row", "more rows").c_str(), r.lastDataLine,
                               requested));
    const int rowsInFile = r.rowsRead + r.rowsLeft;
    if (vectors && LooksLikeMatrix(r))
        notes.push_back(
            Format("warning: from line %d on the file looks like a %d x %d distance matrix "
                   "(0 on the diagonal): \"Vect. dim\" 0 reads it as one",
                   r.firstDataLine, rowsInFile, rowsInFile));
    if (!vectors && r.rowsRead >= 1 && !LooksLikeMatrix(r))
        notes.push_back(
            Format("warning: from line %d on the file looks like %d vectors of %s, not a distance "
                   "matrix: \"Vect. dim\" %d reads them",
                   r.firstDataLine, rowsInFile, Plural(r.firstRowValues, "value", "values").c_str(),
                   r.firstRowValues));
    return notes;
}
