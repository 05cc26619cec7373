// What a computation says while it runs, to whoever runs it: the lines of
// the message list it writes from inside its steps.
#pragma once

#include <string_view>

class RunReport {
public:
    virtual ~RunReport() = default;
    virtual void Line(std::string_view line) = 0;
};
