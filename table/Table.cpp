#include "table/Table.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const std::string kNone;
}  // namespace

void Table::Resize(int rowCount, int componentCount) {
    rows = rowCount;
    width = componentCount;
    values.assign(static_cast<std::size_t>(rows + 1) * Stride(), std::numeric_limits<float>::quiet_NaN());
    missing.assign(static_cast<std::size_t>(rows) + 1, 0);
    dataRow.clear();
    dataRows = rows;
    names.clear();
    classes.clear();
    classNames.clear();
    classHeader.clear();
    featureNames.assign(Stride(), std::string());
    offset.assign(Stride(), 0.0);
    factor.assign(Stride(), 1.0);
    columnScale = ColumnScale::None;
    scale = 1;
    distanceUnit = 1;
}

void Table::KeepRows(int n) {
    rows = n;
    values.resize(static_cast<std::size_t>(rows + 1) * Stride());
    missing.resize(static_cast<std::size_t>(rows) + 1);
    if (!dataRow.empty()) dataRow.resize(static_cast<std::size_t>(rows) + 1);
    if (!names.empty()) names.resize(static_cast<std::size_t>(rows) + 1);
    if (!classes.empty()) classes.resize(static_cast<std::size_t>(rows) + 1);
}

Table Table::Reordered(const std::vector<int>& order) const {
    Table out;
    out.width = width;
    out.classNames = classNames;
    out.classHeader = classHeader;
    out.featureNames = featureNames;
    out.offset = offset;
    out.factor = factor;
    out.columnScale = columnScale;
    out.scale = scale;
    out.distanceUnit = distanceUnit;
    out.rows = static_cast<int>(order.size());
    // Each value written once, in order: a table of a million rows is not
    // filled first only to be copied over.
    out.values.reserve(static_cast<std::size_t>(out.rows + 1) * Stride());
    out.values.assign(Stride(), std::numeric_limits<float>::quiet_NaN());
    out.missing.assign(static_cast<std::size_t>(out.rows) + 1, 0);
    out.dataRow.assign(static_cast<std::size_t>(out.rows) + 1, 0);
    out.dataRows = dataRows;
    if (!names.empty()) out.names.assign(static_cast<std::size_t>(out.rows) + 1, std::string());
    if (!classes.empty()) out.classes.assign(static_cast<std::size_t>(out.rows) + 1, 0);
    for (int k = 1; k <= out.rows; ++k) {
        const int from = order[static_cast<std::size_t>(k - 1)];
        out.values.insert(out.values.end(), Row(from), Row(from) + Stride());
        out.missing[static_cast<std::size_t>(k)] = missing[static_cast<std::size_t>(from)];
        out.dataRow[static_cast<std::size_t>(k)] = DataRow(from);
        if (!names.empty()) out.names[static_cast<std::size_t>(k)] = names[static_cast<std::size_t>(from)];
        if (!classes.empty()) out.classes[static_cast<std::size_t>(k)] = classes[static_cast<std::size_t>(from)];
    }
    return out;
}

const std::string& Table::Name(int i) const {
    return i >= 1 && i < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(i)] : kNone;
}

int Table::ClassOf(int i) const {
    return i >= 1 && i < static_cast<int>(classes.size()) ? classes[static_cast<std::size_t>(i)] : 0;
}

const std::string& Table::ClassName(int k) const {
    return k >= 1 && k <= ClassCount() ? classNames[static_cast<std::size_t>(k)] : kNone;
}

int Table::DataRow(int i) const {
    return i >= 1 && i < static_cast<int>(dataRow.size()) ? dataRow[static_cast<std::size_t>(i)] : i;
}

const std::string& Table::FeatureName(int q) const {
    return q >= 1 && q <= width ? featureNames[static_cast<std::size_t>(q)] : kNone;
}

float Table::InFileUnits(int q, float v) const {
    const bool column = q >= 1 && q <= width;
    const float f = column ? static_cast<float>(factor[static_cast<std::size_t>(q)]) : 1.0f;
    const float o = column ? static_cast<float>(offset[static_cast<std::size_t>(q)]) : 0.0f;
    const float read = v / scale;
    return f != 0 ? read / f + o : o;
}

void Table::MultiplyBy(float f) {
    for (int i = 1; i <= rows; ++i) {
        float* row = Row(i);
        for (int q = 1; q <= width; ++q) row[q] *= f;
    }
    scale *= f;
}
