// The record the runs keep beside their result files (kRecordFileName): for
// each of soc.dat, weights.dat, clusters.dat and distances.dat, the run that
// wrote it, the input file it ran on, the settings that matter, the run's id
// and the file's checksum. Every input in a folder shares one set of result
// files; the record lets a run and a reload tell whose results they hold, and
// whether a file is still the one its line tells of. Only the tool writes it,
// by temporary file and rename as the result files, under the lock that the
// runs hold while they put their files in place (ResultCommit.h); a record
// that cannot be read or written is a warning, never a failed run.
#pragma once

#include <string>
#include <string_view>
#include <vector>


struct RecordLine {
    std::string file;                   // "clusters.dat"
    std::string run;                    // "MRP-MDS" or "SOC"
    std::string input;                  // the input file's name, without its folder
    std::vector<std::string> settings;  // "Input size=150", "column scale=none", ...
    // The run's id, alike for every file one run writes, and the file's
    // FileChecksum: empty in the lines of a record written before the tool
    // kept them, which tell of a run and a file that cannot be known.
    std::string runId, checksum;

    // The value of a setting, or empty when the line has none of that name.
    std::string Setting(std::string_view name) const;
    // Whether two lines tell of one run: their run ids alike; for lines
    // without one, everything but the file alike.
    bool SameRun(const RecordLine& other) const;
    bool operator==(const RecordLine&) const = default;
};

// The record's text: a comment line that says what it is, then a line per
// file, its fields separated by tabs, the run id and checksum last as
// "run id=..." and "checksum=...".
std::string RecordText(const std::vector<RecordLine>& lines);
// The lines of a record's text; false when the text is no record of this tool.
bool ParseRecord(std::string_view text, std::vector<RecordLine>& lines);

// The lines with `written` in place of those of the same files, in the
// order of the result files.
std::vector<RecordLine> Replaced(std::vector<RecordLine> lines, const std::vector<RecordLine>& written);

// The line of `file` among lines, or null.
const RecordLine* LineOf(const std::vector<RecordLine>& lines, std::string_view file);

// The record in `folder` (empty, or ending in its separator): none when
// there is none; none, with `warning` saying why, when it cannot be read or
// is no record.
std::vector<RecordLine> ReadRecord(std::string_view folder, std::string& warning);
// Puts the record in `folder`; why it cannot, or empty.
std::string WriteRecord(std::string_view folder, const std::vector<RecordLine>& lines);
