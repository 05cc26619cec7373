#include "table/ReadNotes.h"

#include "text/Words.h"
#include "table/Capacities.h"
#include "text/Numbers.h"

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

}  // namespace

std::string Unusable(const ReadReport& report, const char* name) {
    const std::string file(BaseName(name));
    if (!report.loaded) return report.failure;
    if (!report.notText.empty()) return file + " " + report.notText;
    if (!report.problem.empty()) return report.problem;
    if (report.nonFiniteLine != 0)
        return Format("line %d of %s holds \"%s\", which is not a finite number", report.nonFiniteLine,
                      file.c_str(), report.nonFiniteToken.c_str());
    if (report.numbers == 0) {
        std::string why = Format("%s holds no number in any row", file.c_str());
        if (!report.firstText.empty())
            why += Format(" (\"%s\" is none: numbers need a decimal point and no thousands separators)",
                          report.firstText.c_str());
        return why;
    }
    return {};
}

bool LooksLikeMatrix(const ReadReport& r) {
    return r.rowsRead >= 2 && !r.restUnread && r.values == r.rowsRead + r.rowsLeft && r.shortRows == 0 &&
           r.longRows == 0 && r.zeroDiagonal;
}

namespace {

std::string HeaderNote(const ReadReport& r) {
    switch (r.headerKind) {
        case HeaderKind::NoNumber:
            return Format("line %d is a header: it holds no number", r.headerLine);
        case HeaderKind::Counting:
            return Format(
                "warning: line %d counts up in whole numbers and the next line does not: "
                "taken as a header",
                r.headerLine);
        case HeaderKind::Quoted:
            return Format("warning: line %d holds only quoted fields: taken as a header", r.headerLine);
        case HeaderKind::None:
            break;
    }
    return {};
}

// "; names from column 1; class from column 6 \"Species\" (3 values)"
std::string RolesText(const ReadReport& r) {
    const ColumnPlan& c = r.columns;
    std::string text;
    if (c.namesColumn > 0) text += "; names from " + c.ColumnWords(c.namesColumn);
    if (c.classColumn > 0)
        text += Format("; class from %s (%s)", c.ColumnWords(c.classColumn).c_str(),
                       Plural(r.classValues, "value", "values").c_str());
    return text;
}

std::string Parenthesised(const ColumnPlan& c, int column) {
    const std::string& name = c.header[static_cast<std::size_t>(column)];
    return name.empty() ? Format("column %d", column) : Format("column %d (\"%s\")", column, name.c_str());
}

// How the user chooses the class column otherwise: the one place that
// words it, as the command line's option or the face's control.
std::string ClassChoice(const std::string& column, const std::string& control) {
    return control.empty() ? "--class " + column : control;
}

// A numeric class taken by its header, or a feature that may be one.
std::string ClassGuessNote(const ColumnPlan& c, const std::string& control) {
    const ColumnPlan::ClassGuess& g = c.classGuess;
    const std::string values = Plural(g.values, "whole value", "whole values");
    return g.taken ? Format("warning: %s (%s) taken as the class; %s keeps it a feature",
                            c.ColumnWords(g.column).c_str(), values.c_str(), ClassChoice(g.undo, control).c_str())
                   : Format("warning: %s holds %s: a class? %s takes it as one",
                            c.ColumnWords(g.column).c_str(), values.c_str(), ClassChoice(g.undo, control).c_str());
}

void ColumnNotes(const ReadReport& r, const std::string& control, std::vector<std::string>& notes) {
    const ColumnPlan& c = r.columns;
    if (c.indexNames)
        notes.push_back(Format("warning: %s counts the rows %d..%d: taken as item names, not a feature",
                               Parenthesised(c, c.namesColumn).c_str(), c.indexFirst,
                               c.indexFirst + c.rows - 1));
    if (c.classGuess.column > 0) notes.push_back(ClassGuessNote(c, control));
    if (c.manyValuedClass > 0)
        notes.push_back(Format("warning: %s holds more than %d whole values, more than a class has: read as a "
                               "feature",
                               c.ColumnWords(c.manyValuedClass).c_str(), kMaxClasses));
    for (const ColumnPlan::LeftOut& out : c.leftOut)
        notes.push_back(out.asked ? c.ColumnWords(out.column) + " left out, as asked"
                                  : Format("warning: %s %s: left out", c.ColumnWords(out.column).c_str(),
                                           out.why.c_str()));
}

// How the file is laid out: its header, separator, decimal commas and
// blank lines.
void LayoutNotes(const ReadReport& r, std::vector<std::string>& notes) {
    if (r.headerLine != 0) notes.push_back(HeaderNote(r));
    if (r.outvotingLines != 0)
        notes.push_back(
            Format("warning: values separated by %s, as on most of the first %d lines: the tab "
                   "in line %d is read as part of a value",
                   SeparatorName(r.separator), r.outvotingLines, r.firstDataLine));
    else if (r.separatorDetected)
        notes.push_back(Format("values separated by %s: line %d has no tab", SeparatorName(r.separator),
                               r.firstDataLine));
    if (r.singleTabs)
        notes.push_back(
            "warning: the rows line up only when every tab ends one value: two tabs in a row hold "
            "a missing value");
    if (r.decimalComma)
        notes.push_back(
            Format("warning: from line %d on, commas in numbers and no decimal point: "
                   "commas read as decimal points%s",
                   r.firstDataLine,
                   r.thousandsDots ? ", dots between groups of three digits as thousands separators" : ""));
    if (r.blankLines != 0)
        notes.push_back(Format("warning: line %d is blank: skipped (%s in all)", r.firstBlankLine,
                               Plural(r.blankLines, "blank line", "blank lines").c_str()));
}

// Which reader made the report: a vector file's or a distance matrix's.
enum class Reader { Vectors, Matrix };

// What rows held that was not a value where one belongs.
void RowNotes(const ReadReport& r, Reader reader, std::vector<std::string>& notes) {
    const bool vectors = reader == Reader::Vectors;
    if (r.longNames != 0)
        notes.push_back(Format("warning: %s longer than %s bytes cut there (line %d first)",
                               Plural(r.longNames, "name", "names").c_str(),
                               GroupedCount(kLongestName).c_str(), r.firstLongNameLine));
    if (vectors && r.shortRows != 0)
        notes.push_back(
            Format("warning: line %d holds %s, most rows %d: its last components are missing (%s "
                   "in all)",
                   r.firstShortLine, Plural(r.firstShortValues, "value", "values").c_str(), r.values,
                   Plural(r.shortRows, "such row", "such rows").c_str()));
    if (!vectors && r.shortRows != 0)
        notes.push_back(Format("warning: line %d holds %s, the first row %d (%s in all)", r.firstShortLine,
                               Plural(r.firstShortValues, "value", "values").c_str(), r.firstRowValues,
                               Plural(r.shortRows, "such row", "such rows").c_str()));
    if (r.longRows != 0)
        notes.push_back(
            Format("warning: line %d holds %s, most rows %d: the extra values are not used (%s in "
                   "all)",
                   r.firstLongLine, Plural(r.firstLongValues, "value", "values").c_str(), r.values,
                   Plural(r.longRows, "such row", "such rows").c_str()));
    if (r.notNumbers != 0)
        notes.push_back(Format("warning: line %d: \"%s\" is not a number, read as missing (%s in all)",
                               r.firstNotNumberLine, r.firstNotNumber.c_str(),
                               Plural(r.notNumbers, "such value", "such values").c_str()));
    if (r.missing != 0)
        notes.push_back(Format(vectors ? "warning: %s missing in %s (line %d first): distances use the "
                                         "components both items have"
                                       : "warning: %s missing in %s (line %d first)",
                               Plural(r.missing, "value", "values").c_str(),
                               Plural(r.missingRows, "row", "rows").c_str(), r.firstMissingLine));
    if (r.emptyRows != 0)
        notes.push_back(Format("warning: line %d holds no value: not an item (%s in all)", r.firstEmptyLine,
                               Plural(r.emptyRows, "such row", "such rows").c_str()));
    if (r.dropped != 0)
        notes.push_back(Format("warning: line %d: the value 1000 is reserved and skipped (%s in all)%s",
                               r.firstDroppedLine, Plural(r.dropped, "value", "values").c_str(),
                               r.shiftedRows == 0
                                   ? ""
                                   : Format("; the values after it moved one column left in %s",
                                            Plural(r.shiftedRows, "row", "rows").c_str())
                                         .c_str()));
}

// How many rows were read of those asked for, and what the file looks like
// it holds when it is not what the run reads.
void SizeNotes(const ReadReport& r, int requested, Reader reader, std::vector<std::string>& notes) {
    const bool vectors = reader == Reader::Vectors;
    if (r.rowsRead < requested && vectors)
        notes.push_back(
            Format("warning: the file ends at line %d with %d rows, fewer than \"Input size\" %d: "
                   "%d used",
                   r.lastDataLine, r.rowsRead, requested, r.rowsRead));
    if (r.rowsLeft > 0)
        notes.push_back(Format("warning: %s after line %d not read: only the first %d (\"Input size\") used",
                               r.restUnread ? "more rows" : Plural(r.rowsLeft, "more row", "more rows").c_str(),
                               r.lastDataLine, requested));
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
}

// The notes of both readers.
std::vector<std::string> ReadNotes(const ReadReport& r, const char* name, int requested, Reader reader,
                                   const std::string& control) {
    const bool vectors = reader == Reader::Vectors;
    std::vector<std::string> notes;
    const std::string file(BaseName(name));
    notes.push_back(Format("read %s of %s from %s%s", Plural(r.rowsRead, "row", "rows").c_str(),
                           Plural(vectors ? r.values : r.firstRowValues, vectors ? "value" : "distance",
                                  vectors ? "values" : "distances")
                               .c_str(),
                           file.c_str(), RolesText(r).c_str()));
    LayoutNotes(r, notes);
    ColumnNotes(r, control, notes);
    RowNotes(r, reader, notes);
    SizeNotes(r, requested, reader, notes);
    return notes;
}

}  // namespace

std::vector<std::string> VectorReadNotes(const ReadReport& report, const char* name, int requested,
                                         const std::string& control) {
    return ReadNotes(report, name, requested, Reader::Vectors, control);
}

std::vector<std::string> MatrixReadNotes(const ReadReport& report, const char* name, int requested,
                                         const std::string& control) {
    return ReadNotes(report, name, requested, Reader::Matrix, control);
}
