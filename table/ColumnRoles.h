// What each column of a table is: a feature, the items' names, their class,
// or left out. A column whose values (those present) are all text is no
// feature: a class when its values repeat (at most 20 of them, fewer than
// half the rows), names otherwise. A header one field short of the rows, or
// starting with an empty field, says that column 1 names the rows. A column
// that counts the rows 1..N (or 0..N-1) names them too. Of several names
// columns the first is taken, of several class columns the last; the others
// are left out, as are row names and counting columns when the names come
// from elsewhere, and columns without any value. What the user names
// overrides the choice of names and class, when it can be used: a column
// the table has, for one role, a class of at most 20 values.
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
    std::string problem;        // why a column the user named cannot be used: then nothing is planned

    // "column 6 \"Species\"" or "column 6".
    std::string ColumnWords(int column) const;
    // Leaves a column out, no feature, for the reason given.
    void LeaveOut(int column, std::string why, bool asked);
    // ColumnWords of the column that feature k (from 1) is read from.
    std::string FeatureWords(int k) const;
};

// The roles of a scanned table's columns. A distance matrix has no class
// and no counting column: only its names.
ColumnPlan PlanColumns(const TextTable& table, const std::uint8_t* data, const ReadOptions& options,
                       bool matrix);
