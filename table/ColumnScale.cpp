#include "table/ColumnScale.h"

#include <algorithm>
#include <cmath>

#include "text/Numbers.h"

// Row by row, each row's values in turn, as the table lies in memory; each
// column's sums still run over its rows in order.
std::vector<ColumnSpread> SpreadsOf(const Table& items, int n, int dim) {
    std::vector<ColumnSpread> spreads(static_cast<std::size_t>(dim) + 1);
    std::vector<double> sums(spreads.size()), squares(spreads.size());
    for (int i = 1; i <= n; ++i) {
        const float* row = items.Row(i);
        for (int k = 1; k <= dim; ++k) {
            const double v = row[k];
            if (std::isnan(v)) continue;
            ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
            s.low = s.present == 0 ? v : std::min(s.low, v);
            s.high = s.present == 0 ? v : std::max(s.high, v);
            sums[static_cast<std::size_t>(k)] += v;
            ++s.present;
        }
    }
    for (int k = 1; k <= dim; ++k) {
        ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        if (s.present > 0) s.mean = sums[static_cast<std::size_t>(k)] / s.present;
    }
    for (int i = 1; i <= n; ++i) {
        const float* row = items.Row(i);
        for (int k = 1; k <= dim; ++k) {
            const double v = row[k], mean = spreads[static_cast<std::size_t>(k)].mean;
            if (!std::isnan(v)) squares[static_cast<std::size_t>(k)] += (v - mean) * (v - mean);
        }
    }
    for (int k = 1; k <= dim; ++k) {
        ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        s.deviation = s.present > 1 ? std::sqrt(squares[static_cast<std::size_t>(k)] / (s.present - 1)) : 0.0;
    }
    return spreads;
}

namespace {

// A spread so unequal that one column decides the distances; and, with
// values missing, one unequal enough that an item missing the wide
// columns looks close to everything.
constexpr double kDecidingSpread = 10;
constexpr double kMissingSpread = 3;

// The columns that vary most and least (but vary), 0 when none varies.
struct Extremes {
    int most = 0, least = 0;
    double Ratio(const std::vector<ColumnSpread>& spreads) const {
        return most == 0 ? 1.0
                         : spreads[static_cast<std::size_t>(most)].deviation /
                               spreads[static_cast<std::size_t>(least)].deviation;
    }
};
Extremes ExtremesOf(const std::vector<ColumnSpread>& spreads) {
    Extremes e;
    for (int k = 1; k < static_cast<int>(spreads.size()); ++k) {
        const double d = spreads[static_cast<std::size_t>(k)].deviation;
        if (!(d > 0)) continue;
        if (e.most == 0 || d > spreads[static_cast<std::size_t>(e.most)].deviation) e.most = k;
        if (e.least == 0 || d < spreads[static_cast<std::size_t>(e.least)].deviation) e.least = k;
    }
    return e;
}


// The share of the cells of items 1..n, components 1..dim, that are missing.
double MissingShare(const std::vector<ColumnSpread>& spreads, int n) {
    const int dim = static_cast<int>(spreads.size()) - 1;
    if (n <= 0 || dim <= 0) return 0;
    long present = 0;
    for (int k = 1; k <= dim; ++k) present += spreads[static_cast<std::size_t>(k)].present;
    return 1.0 - static_cast<double>(present) / (static_cast<double>(n) * dim);
}

// Without a scale: the column that varies most, when it varies ten times
// as much as the one that varies least (but varies); and, when values are
// missing, columns whose spreads differ threefold.
std::vector<std::string> SpreadWarnings(const std::vector<ColumnSpread>& spreads, int n,
                                        const ColumnPlan& columns) {
    std::vector<std::string> notes;
    const Extremes e = ExtremesOf(spreads);
    const double ratio = e.Ratio(spreads);
    if (ratio >= kDecidingSpread)
        notes.push_back(
            Format("warning: %s varies %.0fx more than %s: it decides the distances; scale z gives every "
                   "column the same weight",
                   columns.FeatureWords(e.most).c_str(), ratio, columns.FeatureWords(e.least).c_str()));
    if (const double missing = MissingShare(spreads, n); missing > 0 && ratio >= kMissingSpread)
        notes.push_back(Format("warning: %.0f%% of the cells are missing and the columns' spreads differ %.0fx: "
                               "scale z keeps an item with missing values from looking close to everything",
                               std::max(1.0, std::round(100 * missing)), ratio));
    return notes;
}

// Z when one of SpreadWarnings' warnings fires, else none.
ColumnScale ScaleFor(const std::vector<ColumnSpread>& spreads, int n) {
    const double ratio = ExtremesOf(spreads).Ratio(spreads);
    const bool unequal = ratio >= kDecidingSpread || (MissingShare(spreads, n) > 0 && ratio >= kMissingSpread);
    return unequal ? ColumnScale::Z : ColumnScale::None;
}

}  // namespace

ColumnScale AutomaticScale(const Table& items, int n, int dim) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, items.width);
    return ScaleFor(SpreadsOf(items, n, dim), n);
}

float ScaledValue(float v, double offset, double factor) {
    return std::isnan(v) ? v : static_cast<float>((v - offset) * factor);
}

std::vector<std::string> ScaleColumns(Table& items, int n, int dim, ColumnScale scale,
                                      const ColumnPlan& columns) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, items.width);
    const std::vector<ColumnSpread> spreads = SpreadsOf(items, n, dim);
    std::vector<std::string> notes;
    if (scale == ColumnScale::Auto) {
        scale = ScaleFor(spreads, n);
        notes.push_back(Format("column scale auto: %s", ScaleName(scale)));
    }
    items.columnScale = scale;
    if (scale == ColumnScale::None) {
        for (std::string& note : SpreadWarnings(spreads, n, columns)) notes.push_back(std::move(note));
        return notes;
    }

    std::string constant;
    int constants = 0;
    for (int k = 1; k <= dim; ++k) {
        const ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        const double width = scale == ColumnScale::Z ? s.deviation : s.high - s.low;
        const double offset = scale == ColumnScale::Z ? s.mean : s.low;
        const double factor = width > 0 ? 1.0 / width : 0.0;  // a constant column becomes 0
        if (!(width > 0) && constants++ == 0) constant = columns.FeatureWords(k);
        items.offset[static_cast<std::size_t>(k)] = offset;
        items.factor[static_cast<std::size_t>(k)] = factor;
    }
    for (int i = 1; i <= n; ++i) {
        float* row = items.Row(i);
        for (int k = 1; k <= dim; ++k)
            row[k] = ScaledValue(row[k], items.offset[static_cast<std::size_t>(k)], items.factor[static_cast<std::size_t>(k)]);
    }
    if (constants > 0)
        notes.push_back(Format("warning: %s is constant: scale %s makes it 0%s", constant.c_str(),
                               ScaleName(scale),
                               constants > 1 ? Format(" (%d such columns)", constants).c_str() : ""));
    return notes;
}
