// What the status line says: a run's progress and how a run ended, as texts
// that the window shows and the command line writes to standard error.
#pragma once

#include <string>
#include <string_view>

#include "text/Words.h"

enum class Outcome { Finished, Stopped, Refused, Cancelled, Failed, Busy };

struct RunProgress {
    const char* run;     // "MRP-MDS", "SOC"
    long step, steps;    // counted steps so far, of how many
    double seconds;      // since the run's loop began
    std::string detail;  // fit figures and remarks, may be empty
};

// "MRP-MDS step 12,340 of 20,001, 0.6 s" and the detail after it.
std::string ProgressText(const RunProgress& progress);

// "refused: ", "cancelled: ", "failed: ", "busy: " before the text.
std::string OutcomeText(Outcome outcome, std::string_view text);
// The outcome and its figures on one line: "MRP-MDS finished: ...; Stress-1 ...".
std::string OutcomeLine(Outcome outcome, std::string_view text, std::string_view figures);

// "3 marks outside the panel: F fits them", or empty for none.
std::string OutsideText(int marks);

