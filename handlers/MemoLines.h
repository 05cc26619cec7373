// The lines a computation reports, as lines of Memo1.
#pragma once

#include "form/Form.h"
#include "form/RunReport.h"

class MemoLines : public RunReport {
public:
    explicit MemoLines(Form& form) : form_(form) {}
    void Line(std::string_view line) override { form_.MemoAppend(line); }

private:
    Form& form_;
};
