// How a table is to be read, where the user says more than the file: which
// columns hold the items' names and class, which to leave out, and the
// scale its features are brought to before any distance.
#pragma once

#include <string>
#include <vector>

enum class ColumnScale {
    None,   // the values as they are
    Z,      // each column minus its mean, divided by its standard deviation (n - 1)
    Range,  // each column mapped to 0..1 by its minimum and maximum
    Auto,   // z or none, as the columns' spreads ask (AutomaticScale)
};

struct ReadOptions {
    // A column by its number (from 1) or its header name; "0" for none;
    // empty to let the reader decide from the table.
    std::string names;
    std::string classes;
    std::vector<std::string> skip;  // columns that are no feature
    ColumnScale scale = ColumnScale::None;

    bool operator==(const ReadOptions&) const = default;
};

// "none", "z", "range", "auto"; the scale a word names, false for another word.
const char* ScaleName(ColumnScale scale);
bool ScaleNamed(const std::string& word, ColumnScale& scale);
