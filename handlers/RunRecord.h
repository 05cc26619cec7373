// What the runs tell the record beside their result files, and what the
// record tells them: a run that replaces the results of another input says
// so, and a reload says when the files it brings back came from another run
// or another input than its own.
#pragma once

#include <string>
#include <vector>

#include "form/Form.h"
#include "files/ResultRecord.h"

// This run's line in the record: the run, the input file's name, "Input
// size", "Vect. dim" (0 for a distance matrix), the column scale, the run's
// own fields and when it wrote its files.
RecordLine RunLine(const char* run, const std::string& input, int inputSize, int vectorDim,
                   const std::vector<std::string>& own);

// "name=value", the value as a field would hold it.
std::string Setting(const char* name, double value);

// After a run wrote result files (their paths): for each that held the
// results of another input, "warning: clusters.dat held the results of SOC
// on iris.csv; it now holds this run's"; then the record takes the run's
// line for each of them.
void RecordWrittenFiles(Form& form, const std::string& input, const RecordLine& run,
                        const std::vector<std::string>& paths);

// A reload on the input at `path`: a warning for each of soc.dat, weights.dat and
// clusters.dat that the record says came from another input, or from
// another run than soc.dat; and for a column scale other than the one
// soc.dat was trained at. True when the record told that soc.dat was
// trained at another scale.
bool WarnOfOtherResults(Form& form, const std::string& path);
