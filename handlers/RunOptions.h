// What the runs take from the form, read once when a run starts: each field
// as its text (for the words of a refusal) and its value, and what the face
// says besides (RunChoices).
#pragma once

#include <string>

#include "form/Form.h"

template <class T>
struct FieldValue {
    T value{};
    std::string text;
};

// What a field holds, for a refusal: "\"Input size\" is empty",
// "\"Input size\" holds \"abc\"".
template <class T>
std::string FieldWords(const FieldValue<T>& field, const char* label);

// Whether a field holds a word ("fit", "auto") instead of a number, in any
// case and blanks around it.
template <class T>
bool FieldSays(const FieldValue<T>& field, const char* word);

// The MRP parameters: "char. distance", "noise limit", "neigbbour limit".
struct MrpFields {
    FieldValue<float> charDistance, noiseLimit, neighbourLimit;
};

// A run's options carry the seed it runs with: the one given, or the clock's
// when it starts, so that every draw of the run and the checks of its
// suggestions start alike.
struct MrpMdsOptions {
    FieldValue<float> enlargement;  // "map enlarge."
    FieldValue<int> items, dim;     // "Input size", "Vect. dim"
    MrpFields mrp;
    FieldValue<int> mapDim;  // "map dim. (1-3)"
    RunChoices choices;
};
MrpMdsOptions ReadMrpMdsOptions(Form& form);

struct SocOptions {
    FieldValue<float> enlargement;
    FieldValue<int> vectors, dim, prototypes;  // "Input size", "Vect. dim", "No. of feature vect."
    FieldValue<float> rate;                    // "convergence. rate"
    MrpFields mrp;                             // for "0: MRP init"
    RunChoices choices;
};
SocOptions ReadSocOptions(Form& form);

struct ReloadOptions {
    FieldValue<int> simil;  // "simil. dist", truncated
    FieldValue<int> vectors, dim;
    RunChoices choices;
};
ReloadOptions ReadReloadOptions(Form& form);
