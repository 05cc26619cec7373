#include "workspace/Form.h"

#include "workspace/Numbers.h"

namespace {
std::string Leading(Form& form, EditId edit, int maxChars) {
    std::string text = form.EditText(edit);
    if (maxChars >= 0 && text.size() > static_cast<std::size_t>(maxChars))
        text.resize(static_cast<std::size_t>(maxChars));
    return text;
}
}  // namespace

double EditReal(Form& form, EditId edit, int maxChars) {
    return ParseReal(Leading(form, edit, maxChars));
}

int EditInt(Form& form, EditId edit, int maxChars) {
    return ParseInt(Leading(form, edit, maxChars));
}
