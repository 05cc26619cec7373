#include "handlers/RunRecord.h"

#include <cerrno>
#include <ctime>

#include "files/TextFile.h"
#include "handlers/RunStatus.h"
#include "text/Numbers.h"
#include "session/Session.h"

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

const char* const kReloaded[] = {"soc.dat", "weights.dat", "clusters.dat"};

}  // namespace

std::string Setting(const char* name, double value) {
    return Format("%s=%g", name, value);
}

RecordLine RunLine(const char* run, const std::string& input, int inputSize, int vectorDim, ColumnScale scale,
                   const std::vector<std::string>& own) {
    RecordLine line{"", run, std::string(BaseName(input)), {}, RandomTag(), ""};
    line.settings = {Setting("Input size", inputSize), Setting("Vect. dim", vectorDim),
                     std::string("column scale=") + ScaleName(scale)};
    line.settings.insert(line.settings.end(), own.begin(), own.end());
    line.settings.push_back("written=" + Now());
    return line;
}

bool CommitRunFiles(Form& form, const std::string& folder, const RecordLine& run,
                    const std::vector<ResultText>& files) {
    const Committed committed = CommitResults(folder, run, files);
    if (!committed.error.empty()) {
        std::string error = "error: " + committed.error;
        const int code = committed.errorCode;
        const std::string control = form.ResultsControl();
        if ((code == EACCES || code == EPERM || code == EROFS) && !control.empty() &&
            form.Choices().results.empty())
            error += "; " + control + " writes the result files elsewhere";
        form.StatusNote(error);
    }
    for (const std::string& note : committed.notes) form.StatusNote(note);
    return committed.written.size() == files.size();
}

std::vector<RecordLine> LinesOfFilesRead(Form& form, const StoredResults& stored) {
    for (const std::string& note : stored.notes) form.StatusNote(note);
    std::vector<RecordLine> lines = stored.record;
    const StoredFile* files[] = {&stored.soc, &stored.weights, &stored.clusters};
    for (int f = 0; f < 3; ++f) {
        const RecordLine* line = LineOf(lines, kReloaded[f]);
        if (!line || line->checksum.empty() || line->checksum == files[f]->checksum) continue;
        if (files[f]->loaded)
            form.StatusNote(Format("warning: %s is not the file the record tells of (its checksum differs): "
                                   "what the record says of it is not used",
                                   kReloaded[f]));
        std::erase_if(lines, [&](const RecordLine& l) { return l.file == kReloaded[f]; });
    }
    return lines;
}

bool OfOneRun(Form& form, Session& session, const std::vector<RecordLine>& lines) {
    const RecordLine* soc = LineOf(lines, "soc.dat");
    const RecordLine* weights = LineOf(lines, "weights.dat");
    if (!soc || !weights || soc->runId.empty() || weights->runId.empty() || soc->runId == weights->runId)
        return true;
    Refuse(form, session, "",
           Format("soc.dat and weights.dat are of two runs, says the record: soc.dat of %s on %s (run %s, "
                  "written %s), weights.dat of %s on %s (run %s, written %s)",
                  soc->run.c_str(), soc->input.c_str(), soc->runId.c_str(), soc->Setting("written").c_str(),
                  weights->run.c_str(), weights->input.c_str(), weights->runId.c_str(),
                  weights->Setting("written").c_str()));
    return false;
}

bool WarnOfOtherResults(Form& form, Session& session, const std::vector<RecordLine>& lines, const std::string& path) {
    const std::string input(BaseName(path));
    const RecordLine* soc = LineOf(lines, "soc.dat");
    for (const char* file : kReloaded) {
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
    const char* now = ScaleName(session.table.columnScale);
    if (trained.empty() || trained == now) return false;
    form.StatusNote(
        Format("warning: soc.dat was trained at the column scale %s, this reload reads at %s: "
               "reload at %s",
               trained.c_str(), now, trained.c_str()));
    return true;
}
