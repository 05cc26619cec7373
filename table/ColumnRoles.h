// What each column of a table is: a feature, the items' names, their class,
// or left out. A column more of whose values (those present) are text than
// numbers is no feature, and its numbers are texts as written: a class when
// its values repeat (at most 20 of them, fewer than half the rows), names
// otherwise. When no text gives the class, a column of numbers whose whole
// values repeat in the same way is the class if its header calls it one
// ("target", "class", "species", ...), as scikit-learn tables and R's
// factor codes have it (the last of several; the others stay features); a
// first or last feature of such values, and a column so named of more
// values than a class has, stay features but are pointed out. A header one field short of the rows, or starting
// with an empty field, says that column 1 names the rows. A column that
// counts the rows 1..N (or 0..N-1) names them too. Of several names
// columns the first is taken, of several text class columns the last; the
// others are left out, as are row names and counting columns when the
// names come from elsewhere, and columns without any value. What the user
// names overrides the choice of names and class, when it can be used: a
// column the table has, for one role, a class of at most 20 values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/ReadOptions.h"
#include "table/TextTable.h"

enum class ColumnRole : std::uint8_t { Feature, Names, Class, LeftOut };

struct ColumnPlan {
    int columns = 0;                  // the fields most rows hold
    std::vector<ColumnRole> role;     // by column, from 1
    std::vector<std::string> header;  // each column's name in the header, from 1; "" without
    std::vector<std::string> firstValues;  // each column's first few values as written, for the user to see
    std::vector<bool> text;                // the column holds text alone: no feature
    int namesColumn = 0, classColumn = 0;
    bool indexNames = false;  // the names column counts the rows from indexFirst
    int indexFirst = 0;
    int rows = 0;  // the rows of the table
    struct LeftOut {
        int column;
        std::string why;  // "holds text", "as asked", ...
        bool asked;       // the user named it
    };
    std::vector<LeftOut> leftOut;
    std::vector<int> features;  // the feature columns, in order
    // A column of a few whole values that may be the class: taken as it
    // for its header, or a feature whose values look like one. `undo` is
    // what ReadOptions::classes would hold to choose otherwise: "0", or the
    // column's name (its number when the name would not reach it).
    struct ClassGuess {
        int column = 0;
        int values = 0;  // its distinct whole values
        bool taken = false;
        std::string undo;
    };
    ClassGuess classGuess;
    // A column of whole numbers whose header calls it the class, but of more
    // values than a class has: it stays a feature.
    int manyValuedClass = 0;
    std::string problem;  // why a column the user named cannot be used: then nothing is planned

    // "column 6 \"Species\"" or "column 6".
    std::string ColumnWords(int column) const;
    // Leaves a column out, no feature, for the reason given.
    void LeaveOut(int column, std::string why, bool asked);
    // ColumnWords of the column that feature k (from 1) is read from.
    std::string FeatureWords(int k) const;
};

// Whether a value is a whole number (1.0 is, 1.5 is not).
bool IsWhole(float value);

// The class a field names: a whole number by its value (1.0 and 1 are one
// class), anything else as written; in a column of text (`asWritten`)
// every value as written.
std::string ClassText(const TableCell& cell, const FieldView& field, bool asWritten);

// The roles of a scanned table's columns: of a table of vectors, and of a
// distance matrix, which has no class and no counting column, only names.
ColumnPlan PlanVectorColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options);
ColumnPlan PlanMatrixColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options);
