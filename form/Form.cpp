#include "form/Form.h"

#include "text/Numbers.h"

namespace {
std::string Leading(Form& form, EditId edit, int maxChars) {
    std::string text = form.EditText(edit);
    if (maxChars >= 0 && text.size() > static_cast<std::size_t>(maxChars))
        text.resize(static_cast<std::size_t>(maxChars));
    return text;
}
}  // namespace

const char* DefaultEditText(EditId edit) {
    static const char* const texts[] = {"",     "0",   "0", "1",  "3",  ".0", "Edit6", "30.35", "0.32",
                                        "1.22", "0.2", "2", "89", "26", "20", "0.05",  ".5"};
    return edit >= Edit1 && edit <= Edit16 ? texts[edit] : "";
}

// A decimal comma ("3,5") reads as a decimal point when the text has none.
double EditReal(Form& form, EditId edit, int maxChars) {
    std::string text = Leading(form, edit, maxChars);
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos && text.find('.') == std::string::npos) text[comma] = '.';
    return ParseReal(text);
}

int EditInt(Form& form, EditId edit, int maxChars) {
    return ParseInt(Leading(form, edit, maxChars));
}
