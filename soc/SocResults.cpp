#include "soc/SocResults.h"

#include <algorithm>

#include "text/Numbers.h"
#include "view/ViewTransform.h"

namespace {

// A component in 10 characters: "%8.3f" and blanks up to 10. A longer number
// keeps all its digits and one blank, so it never runs into the next field.
void AppendComponent(std::string& line, float value) {
    char text[64];
    const int n = FormatInto(text, sizeof text, "%8.3f", static_cast<double>(value));
    line.append(text, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof text) - 1)));
    line.append(static_cast<std::size_t>(std::max(1, 10 - n)), ' ');
}

// The lines of one file, the components of each prototype given by `of`.
template <class Components>
std::string UnitsText(const Prototypes& prototypes, int dim, const std::vector<float>& scores, const View& view,
                      Components of) {
    std::string text;
    for (int p = 1; p <= prototypes.k; ++p) {
        const float score = scores[static_cast<std::size_t>(p)];
        if (!(score >= 0)) continue;
        const double* at = view.Projected(p);
        text += Format("%4d %7.3f %7.3f %7.3f %3d  ", p, at[1], at[2], 0.0, TruncPixel(static_cast<double>(score)));
        const float* values = of(p);
        for (int q = 1; q <= dim; ++q) AppendComponent(text, values[q]);
        text += Format("%5.1f 1000 \n", 0.0);
    }
    return text;
}

}  // namespace

std::string SocClustersText(const std::vector<int>& assigned, int k) {
    const int n = static_cast<int>(assigned.size()) - 1;
    std::string text;
    for (int c = 1; c <= k; ++c) {
        int count = 0;
        for (int i = 1; i <= n; ++i)
            if (assigned[static_cast<std::size_t>(i)] == c) {
                text += Format("%4d ", i);
                ++count;
            }
        if (count > 0) text += " \n \n";
    }
    return text;
}

std::string SocFileText(const Prototypes& prototypes, int dim, const std::vector<float>& scores,
                        const View& view) {
    return UnitsText(prototypes, dim, scores, view, [&](int p) { return prototypes.Vector(p); });
}

std::string WeightsFileText(const Prototypes& prototypes, int dim, const std::vector<float>& scores,
                            const View& view) {
    return UnitsText(prototypes, dim, scores, view, [&](int p) { return prototypes.Weights(p); });
}
