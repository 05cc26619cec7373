// What a computation says while it runs, to whoever runs it: the lines of
// the message list it writes from inside its steps.
#pragma once

#include <string_view>

class RunReport {
public:
    virtual ~RunReport() = default;
    virtual void Line(std::string_view line) = 0;
};

// For the trial runs of a computation whose lines nobody is to see.
class SilentReport : public RunReport {
public:
    void Line(std::string_view) override {}
};
