// The items of a table as the reader took them: each row's feature vector
// (a missing component is not a number), what the table says of its items
// besides (their names and classes) and of its columns (their names, and
// the column scale the values were brought to). Rows, components and
// classes count from 1; index 0 holds nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "table/ReadBuffer.h"
#include "table/ReadOptions.h"

struct Table {
    int rows = 0;   // items 1..rows
    int width = 0;  // components 1..width of each
    // Row i's component q at values[i x (width + 1) + q].
    std::vector<float, LargeBlocks<float>> values;
    std::vector<int> missing;                // of each row: its components that are not numbers
    // Of each row: its row among the file's data rows (as R and pandas count
    // them: not the header nor blank lines, but rows without a value), from
    // 1; empty when item i is data row i. `dataRows`: the data rows the read
    // went over, up to the first one it left (rows without a value included).
    std::vector<int> dataRow;
    int dataRows = 0;
    std::vector<std::string> names;          // of each row, "" for none; empty when no row has one
    std::vector<int> classes;                // of each row: 1..ClassCount(), 0 for none; empty without
    std::vector<std::string> classNames;     // of classes 1..ClassCount()
    std::string classHeader;                 // the class column's name, "" without a header
    std::vector<std::string> featureNames;   // of components 1..width, "" without a header
    // Of components 1..width: read as (value - offset) x factor, as the
    // column scale applied them.
    std::vector<double> offset, factor;
    ColumnScale columnScale = ColumnScale::None;  // the scale they were brought to
    // What the values are against the file's (at the column scale): a run
    // may take them at ten times their size.
    float scale = 1;
    // The power of two that distances divide the values by before squaring
    // them (DistanceUnit.h); 1 where the squares fit a float as they are.
    float distanceUnit = 1;

    // Rows of `width` components, every one missing; no names, no classes,
    // the column scale none.
    void Resize(int rows, int width);
    // The first n rows alone (n at most rows).
    void KeepRows(int n);
    // A table of rows order[0], order[1], ... of this one (each 1..rows),
    // with their names and classes; the columns as they are.
    Table Reordered(const std::vector<int>& order) const;

    float* Row(int i) { return values.data() + static_cast<std::size_t>(i) * Stride(); }
    const float* Row(int i) const { return values.data() + static_cast<std::size_t>(i) * Stride(); }
    std::size_t Stride() const { return static_cast<std::size_t>(width) + 1; }

    bool HasNames() const { return !names.empty(); }
    bool HasClasses() const { return ClassCount() > 0; }
    int ClassCount() const { return classNames.empty() ? 0 : static_cast<int>(classNames.size()) - 1; }
    // Item i's name, "" without one; its class, 0 for none; the name of class k.
    const std::string& Name(int i) const;
    int ClassOf(int i) const;
    const std::string& ClassName(int k) const;
    const std::string& FeatureName(int q) const;
    // Item i's row among the file's data rows.
    int DataRow(int i) const;

    // Component q of a vector at this table's size, in the file's units:
    // the size and the column scale undone.
    float InFileUnits(int q, float v) const;
    // Every component of every row times f, and the size with them.
    void MultiplyBy(float f);
};
