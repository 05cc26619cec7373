#include "handlers/RunRecord.h"

#include <ctime>

#include "files/ResultPaths.h"
#include "text/Numbers.h"
#include "workspace/Workspace.h"

namespace {

// When the run wrote its files, in UTC: two runs of the same settings on
// the same input are told apart by it.
std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    char text[32] = "";
    if (gmtime_r(&now, &utc)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

std::string Setting(const char* name, double value) {
    return Format("%s=%g", name, value);
}

RecordLine RunLine(const char* run, const std::string& input, int inputSize, int vectorDim,
                   const std::vector<std::string>& own) {
    RecordLine line{"", run, std::string(BaseName(input)), {}};
    line.settings = {Setting("Input size", inputSize), Setting("Vect. dim", vectorDim),
                     std::string("column scale=") + ScaleName(ws.table.columnScale)};
    line.settings.insert(line.settings.end(), own.begin(), own.end());
    line.settings.push_back("written=" + Now());
    return line;
}

namespace {

// The record beside the input, as the result files lie: what it holds, and
// a warning on the status line when it cannot be read.
std::vector<RecordLine> RecordBeside(Form& form, const std::string& input) {
    std::string warning;
    std::vector<RecordLine> lines = ReadRecord(FolderOf(input), warning);
    if (!warning.empty()) form.StatusNote(warning);
    return lines;
}

}  // namespace

void RecordWrittenFiles(Form& form, const std::string& input, const RecordLine& run,
                        const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    const std::vector<RecordLine> before = RecordBeside(form, input);
    std::vector<RecordLine> written;
    for (const std::string& path : paths) {
        RecordLine line = run;
        line.file = BaseName(path);
        if (const RecordLine* old = LineOf(before, line.file); old && old->input != run.input)
            form.StatusNote(Format("warning: %s held the results of %s on %s; it now holds this run's",
                                   line.file.c_str(), old->run.c_str(), old->input.c_str()));
        written.push_back(std::move(line));
    }
    if (const std::string error = WriteRecord(FolderOf(input), Replaced(before, written)); !error.empty())
        form.StatusNote("warning: " + error);
}

bool WarnOfOtherResults(Form& form, const std::string& path) {
    const std::string input(BaseName(path));
    const std::vector<RecordLine> lines = RecordBeside(form, path);
    const RecordLine* soc = LineOf(lines, "soc.dat");
    for (const char* file : {"soc.dat", "weights.dat", "clusters.dat"}) {
        const RecordLine* line = LineOf(lines, file);
        if (!line) continue;
        if (line->input != input)
            form.StatusNote(Format("warning: %s came from %s on %s, not from a run on %s", file,
                                   line->run.c_str(), line->input.c_str(), input.c_str()));
        else if (soc && line != soc && !line->SameRun(*soc))
            form.StatusNote(Format("warning: %s came from another run than soc.dat: %s on %s, written %s",
                                   file, line->run.c_str(), line->input.c_str(),
                                   line->Setting("written").c_str()));
    }
    if (!soc || soc->input != input) return false;
    const std::string trained = soc->Setting("column scale");
    const char* now = ScaleName(ws.table.columnScale);
    if (trained.empty() || trained == now) return false;
    form.StatusNote(
        Format("warning: soc.dat was trained at the column scale %s, this reload reads at %s: "
               "reload at %s",
               trained.c_str(), now, trained.c_str()));
    return true;
}
