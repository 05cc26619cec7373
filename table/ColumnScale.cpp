#include "table/ColumnScale.h"

#include <algorithm>
#include <cmath>

#include "text/Numbers.h"

ColumnSpread SpreadOf(const Table& items, int n, int k) {
    ColumnSpread s;
    double sum = 0;
    for (int i = 1; i <= n; ++i) {
        const double v = items.Row(i)[k];
        if (std::isnan(v)) continue;
        s.low = s.present == 0 ? v : std::min(s.low, v);
        s.high = s.present == 0 ? v : std::max(s.high, v);
        sum += v;
        ++s.present;
    }
    if (s.present == 0) return s;
    s.mean = sum / s.present;
    double squares = 0;
    for (int i = 1; i <= n; ++i) {
        const double v = items.Row(i)[k];
        if (!std::isnan(v)) squares += (v - s.mean) * (v - s.mean);
    }
    s.deviation = s.present > 1 ? std::sqrt(squares / (s.present - 1)) : 0.0;
    return s;
}

namespace {

// Without a scale: the column that varies most, when it varies ten times
// as much as the one that varies least (but varies).
std::vector<std::string> SpreadWarning(const std::vector<ColumnSpread>& spreads, const ColumnPlan& columns) {
    int most = 0, least = 0;
    for (int k = 1; k < static_cast<int>(spreads.size()); ++k) {
        const double d = spreads[static_cast<std::size_t>(k)].deviation;
        if (!(d > 0)) continue;
        if (most == 0 || d > spreads[static_cast<std::size_t>(most)].deviation) most = k;
        if (least == 0 || d < spreads[static_cast<std::size_t>(least)].deviation) least = k;
    }
    if (most == 0) return {};
    const double ratio = spreads[static_cast<std::size_t>(most)].deviation /
                         spreads[static_cast<std::size_t>(least)].deviation;
    if (ratio < 10) return {};
    return {
        Format("warning: %s varies %.0fx more than %s: it decides the distances; scale z gives every "
               "column the same weight",
               columns.FeatureWords(most).c_str(), ratio, columns.FeatureWords(least).c_str())};
}

}  // namespace

std::vector<std::string> ScaleColumns(Table& items, int n, int dim, ColumnScale scale,
                                      const ColumnPlan& columns) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, items.width);
    std::vector<ColumnSpread> spreads(static_cast<std::size_t>(dim) + 1);
    for (int k = 1; k <= dim; ++k) spreads[static_cast<std::size_t>(k)] = SpreadOf(items, n, k);
    if (scale == ColumnScale::None) return SpreadWarning(spreads, columns);

    std::vector<std::string> notes;
    std::string constant;
    int constants = 0;
    for (int k = 1; k <= dim; ++k) {
        const ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        const double width = scale == ColumnScale::Z ? s.deviation : s.high - s.low;
        const double offset = scale == ColumnScale::Z ? s.mean : s.low;
        const double factor = width > 0 ? 1.0 / width : 0.0;  // a constant column becomes 0
        if (!(width > 0) && constants++ == 0) constant = columns.FeatureWords(k);
        items.offset[static_cast<std::size_t>(k)] = static_cast<float>(offset);
        items.factor[static_cast<std::size_t>(k)] = static_cast<float>(factor);
        for (int i = 1; i <= n; ++i) {
            float& v = items.Row(i)[k];
            if (!std::isnan(v)) v = static_cast<float>((v - offset) * factor);
        }
    }
    if (constants > 0)
        notes.push_back(Format("warning: %s is constant: scale %s makes it 0%s", constant.c_str(),
                               ScaleName(scale),
                               constants > 1 ? Format(" (%d such columns)", constants).c_str() : ""));
    return notes;
}
