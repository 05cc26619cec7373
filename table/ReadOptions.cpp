#include "table/ReadOptions.h"

const char* ScaleName(ColumnScale scale) {
    switch (scale) {
        case ColumnScale::Z:
            return "z";
        case ColumnScale::Range:
            return "range";
        case ColumnScale::Auto:
            return "auto";
        case ColumnScale::None:
            break;
    }
    return "none";
}

bool ScaleNamed(const std::string& word, ColumnScale& scale) {
    for (ColumnScale s : {ColumnScale::None, ColumnScale::Z, ColumnScale::Range, ColumnScale::Auto})
        if (word == ScaleName(s)) {
            scale = s;
            return true;
        }
    return false;
}
