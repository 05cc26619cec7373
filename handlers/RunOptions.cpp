#include "handlers/RunOptions.h"

#include <ctime>

#include "text/Numbers.h"
#include "view/ViewTransform.h"

namespace {

constexpr int kWholeField = 1000;  // an integer field of MRP-MDS and reload, read whole
constexpr int kSocField = 999;     // SOC's fields
constexpr int kMrpField = 19;      // the MRP parameters'

FieldValue<float> Real(Form& form, EditId edit, int maxChars) {
    return {static_cast<float>(EditReal(form, edit, maxChars)), form.EditText(edit)};
}

FieldValue<int> Whole(Form& form, EditId edit, int maxChars) {
    return {EditInt(form, edit, maxChars), form.EditText(edit)};
}

MrpFields ReadMrpFields(Form& form) {
    return {Real(form, Edit8, kMrpField), Real(form, Edit9, kMrpField), Real(form, Edit10, kMrpField)};
}

}  // namespace

template <class T>
std::string FieldWords(const FieldValue<T>& field, const char* label) {
    if (field.text.find_first_not_of(" \t") == std::string::npos) return Format("\"%s\" is empty", label);
    return Format("\"%s\" holds \"%s\"", label, field.text.c_str());
}
template std::string FieldWords(const FieldValue<int>&, const char*);
template std::string FieldWords(const FieldValue<float>&, const char*);

template <class T>
bool FieldSays(const FieldValue<T>& field, const char* word) {
    const std::size_t from = field.text.find_first_not_of(" \t");
    const std::size_t to = field.text.find_last_not_of(" \t");
    return from != std::string::npos && EqualsIgnoringCase(field.text.substr(from, to - from + 1), word);
}
template bool FieldSays(const FieldValue<int>&, const char*);
template bool FieldSays(const FieldValue<float>&, const char*);

namespace {
// The run's choices with its seed: the one given, or the clock's.
RunChoices Seeded(Form& form) {
    RunChoices choices = form.Choices();
    choices.seedFromClock = !choices.seed;
    if (!choices.seed) choices.seed = static_cast<unsigned>(std::time(nullptr));
    return choices;
}
}  // namespace

MrpMdsOptions ReadMrpMdsOptions(Form& form) {
    return {Real(form, Edit4, 100),         Whole(form, Edit12, kWholeField), Whole(form, Edit13, kWholeField),
            ReadMrpFields(form),            Whole(form, Edit11, kWholeField), Seeded(form)};
}

SocOptions ReadSocOptions(Form& form) {
    return {Real(form, Edit4, kSocField + 1), Whole(form, Edit12, kSocField), Whole(form, Edit13, kSocField),
            Whole(form, Edit14, kSocField),  Real(form, Edit15, kSocField), ReadMrpFields(form),
            Seeded(form)};
}

// "simil. dist" through a text area of 4 characters (3 count), truncated to
// a whole number.
ReloadOptions ReadReloadOptions(Form& form) {
    return {{TruncPixel(EditReal(form, Edit16, 3)), form.EditText(Edit16)},
            Whole(form, Edit12, kWholeField),
            Whole(form, Edit13, kWholeField),
            form.Choices()};
}
