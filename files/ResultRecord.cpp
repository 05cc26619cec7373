#include "files/ResultRecord.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "text/TsvFields.h"
#include "files/ResultPaths.h"
#include "files/TextFile.h"

namespace {

constexpr std::string_view kComment =
    "# itemmap's record of the run that wrote each result file in this folder: file, run, input file, "
    "settings; tab-separated, written by itemmap alone";
constexpr std::size_t kMostBytes = 65536;  // a record holds a few short lines
constexpr std::string_view kRunId = "run id=", kChecksum = "checksum=";

// The place of a result file in the order Memo1 lists them; past them for another name.
std::size_t Rank(std::string_view file) {
    return static_cast<std::size_t>(
        std::find(std::begin(kResultFileNames), std::end(kResultFileNames), file) -
        std::begin(kResultFileNames));
}

}  // namespace

std::string RecordLine::Setting(std::string_view name) const {
    for (const std::string& s : settings)
        if (s.size() > name.size() && s.compare(0, name.size(), name) == 0 && s[name.size()] == '=')
            return s.substr(name.size() + 1);
    return {};
}

bool RecordLine::SameRun(const RecordLine& other) const {
    if (!runId.empty() && !other.runId.empty()) return runId == other.runId;
    return run == other.run && input == other.input && settings == other.settings;
}

std::string RecordText(const std::vector<RecordLine>& lines) {
    std::string text(kComment);
    text += '\n';
    for (const RecordLine& line : lines) {
        text += TsvField(line.file) + '\t' + TsvField(line.run) + '\t' + TsvField(line.input);
        for (const std::string& s : line.settings) text += '\t' + TsvField(s);
        for (const auto& [name, value] :
             {std::pair{kRunId, &line.runId}, std::pair{kChecksum, &line.checksum}})
            if (!value->empty()) text.append("\t").append(name).append(*value);
        text += '\n';
    }
    return text;
}

bool ParseRecord(std::string_view text, std::vector<RecordLine>& lines) {
    lines.clear();
    if (text.substr(0, text.find_first_of("\r\n")) != kComment) return false;
    const std::vector<std::vector<std::string>> rows = TsvRows(text);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const std::vector<std::string>& f = rows[r];
        if (f.size() < 3 || Rank(f[0]) == std::size(kResultFileNames)) return false;
        RecordLine line{f[0], f[1], f[2], {}, {}, {}};
        for (auto s = f.begin() + 3; s != f.end(); ++s) {
            if (s->starts_with(kRunId))
                line.runId = s->substr(kRunId.size());
            else if (s->starts_with(kChecksum))
                line.checksum = s->substr(kChecksum.size());
            else
                line.settings.push_back(*s);
        }
        lines.push_back(std::move(line));
    }
    return true;
}

std::vector<RecordLine> Replaced(std::vector<RecordLine> lines, const std::vector<RecordLine>& written) {
    std::erase_if(lines, [&](const RecordLine& old) { return LineOf(written, old.file) != nullptr; });
    lines.insert(lines.end(), written.begin(), written.end());
    std::stable_sort(lines.begin(), lines.end(),
                     [](const RecordLine& a, const RecordLine& b) { return Rank(a.file) < Rank(b.file); });
    return lines;
}

const RecordLine* LineOf(const std::vector<RecordLine>& lines, std::string_view file) {
    const auto at =
        std::find_if(lines.begin(), lines.end(), [&](const RecordLine& l) { return l.file == file; });
    return at == lines.end() ? nullptr : &*at;
}

std::vector<RecordLine> ReadRecord(std::string_view folder, std::string& warning) {
    const std::string path = std::string(folder) + kRecordFileName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // a link is not the tool's
    if (fd < 0 && errno == ENOENT) return {};  // no run has written here yet, or it was deleted
    std::string text;
    ssize_t got = -1;
    char block[4096];
    while (fd >= 0 && text.size() <= kMostBytes && (got = ::read(fd, block, sizeof block)) > 0)
        text.append(block, static_cast<std::size_t>(got));
    const int error = errno;
    if (fd >= 0) ::close(fd);
    std::vector<RecordLine> lines;
    if (got < 0) {
        warning = "warning: cannot read " + path + ": " + std::strerror(error);
    } else if (text.size() > kMostBytes || !ParseRecord(text, lines)) {
        warning = "warning: " + path + " is no record of this tool's: what it says is not used";
        lines.clear();
    }
    return lines;
}

std::string WriteRecord(std::string_view folder, const std::vector<RecordLine>& lines) {
    return WriteTextFile(std::string(folder) + kRecordFileName, RecordText(lines));
}
