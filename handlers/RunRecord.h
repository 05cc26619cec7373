// What the runs tell the record beside their result files, and what the
// record tells them: a run that replaces the results of another input says
// so, and a reload says when the files it brings back came from another run
// or another input than its own, or are no longer the files the record
// tells of.
#pragma once

#include <string>
#include <vector>

#include "form/Form.h"
#include "files/ResultCommit.h"
#include "session/Session.h"

// This run's line in the record: the run, the input file's name, "Input
// size", "Vect. dim" (0 for a distance matrix), the column scale, the run's
// own fields, when it wrote its files, and a new run id that every file of
// the run is recorded with.
RecordLine RunLine(const char* run, const std::string& input, int inputSize, int vectorDim, ColumnScale scale,
                   const std::vector<std::string>& own);

// "name=value", the value as a field would hold it.
std::string Setting(const char* name, double value);

// Puts a run's result files in `folder` with the record's line of each
// (CommitResults), or none of them: an error on the status line says why,
// and names the control that writes them elsewhere when the folder beside
// the input may not be written; the record's warnings follow. False when
// they were not written.
bool CommitRunFiles(Form& form, const std::string& folder, const RecordLine& run,
                    const std::vector<ResultText>& files);

// The record's lines of the files a reload read. A line whose checksum is
// not that of its file tells of another file: it is left out, and the
// status line says so.
std::vector<RecordLine> LinesOfFilesRead(Form& form, const StoredResults& stored);

// Whether the record gives soc.dat and weights.dat to one run, or tells of
// no run for one of them; refuses the reload when it gives them to two.
bool OfOneRun(Form& form, Session& session, const std::vector<RecordLine>& lines);

// A reload on the input at `path`: a warning for each of soc.dat,
// weights.dat and clusters.dat that the record's lines say came from
// another input, or from another run than soc.dat; and for a column scale
// other than the one soc.dat was trained at. True when the record told
// that soc.dat was trained at another scale.
bool WarnOfOtherResults(Form& form, Session& session, const std::vector<RecordLine>& lines, const std::string& path);
