// A run's result files put in place together with the record's lines of
// them, and a reload's files read together with the record, each under a
// lock on the folder's record (flock(2) on kRecordLockName beside it). Runs
// at the same time in one folder wait for each other there alone, while
// files they wrote in full take their names; none leaves one run's soc.dat
// beside another's weights.dat, nor a record line that tells of another run
// than its file holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/ResultFiles.h"
#include "files/ResultPaths.h"
#include "files/ResultRecord.h"

// A result file to write: its path and text.
struct ResultText {
    std::string path;
    std::string_view text;
};

// What a commit did.
struct Committed {
    std::vector<std::string> written;  // the files put in place
    std::string error;                 // why the others were not ("cannot write PATH: reason"), or empty
    int errorCode = 0;                 // its errno
    std::vector<std::string> notes;    // the record's warnings, in the order they arose
};

// Writes each file's text under its temporary name first, then under the
// lock reads the record, puts the files in place, and writes the record
// with `run`'s line for each (its checksum that of the file). When one
// cannot be written none is put in place. `folder` (empty, or ending in its
// separator) holds the files and the record, and is made when missing. A
// file that held another input's results is warned of: "warning:
// clusters.dat held the results of SOC on iris.csv; it now holds this run's".
Committed CommitResults(const std::string& folder, const RecordLine& run,
                        const std::vector<ResultText>& files);

// What a reload reads, as no commit leaves it half-done.
struct StoredResults {
    std::vector<RecordLine> record;
    std::vector<std::string> notes;  // warnings of the record and its lock
    StoredFile soc, weights, clusters;
};
StoredResults ReadStoredResults(const ResultPaths& paths);
