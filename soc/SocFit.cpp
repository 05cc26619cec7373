#include "soc/SocFit.h"

#include <algorithm>

#include "table/Capacities.h"
#include "text/Numbers.h"

SocFit MeasureSocFit(const SocAssignment& assigned, const Table& vectors) {
    const std::size_t size = assigned.members.size();
    SocFit fit;
    fit.classed = vectors.HasClasses();
    fit.majority.assign(size, 0);
    fit.share.assign(size, 0.0f);
    std::vector<int> classes(size * (kMaxClasses + 1), 0);  // of each prototype, its members of each class
    double sum = 0;
    int inPrototypes = 0;
    for (int q = 1; q <= vectors.rows; ++q) {
        const auto p = static_cast<std::size_t>(assigned.prototypeOf[static_cast<std::size_t>(q)]);
        if (p == 0) continue;  // in no prototype
        ++classes[p * (kMaxClasses + 1) +
                  static_cast<std::size_t>(std::clamp(vectors.ClassOf(q), 0, kMaxClasses))];
        sum += assigned.distance[static_cast<std::size_t>(q)];
        ++inPrototypes;
    }
    fit.quantisationError = inPrototypes > 0 ? sum / inPrototypes : 0.0;
    fit.emptyPrototypes =
        static_cast<int>(std::count(assigned.members.begin() + 1, assigned.members.end(), 0));
    int classed = 0, agreeing = 0;
    for (std::size_t p = 1; p < size; ++p) {
        const int* tally = classes.data() + p * (kMaxClasses + 1);
        const int* most = std::max_element(tally + 1, tally + kMaxClasses + 1);  // the first of equals
        const int withClass = assigned.members[p] - tally[0];
        if (!vectors.HasClasses() || *most == 0) continue;
        fit.majority[p] = static_cast<int>(most - tally);
        fit.share[p] = static_cast<float>(*most) / static_cast<float>(withClass);
        classed += withClass;
        agreeing += *most;
    }
    fit.purity = classed > 0 ? static_cast<double>(agreeing) / classed : 0.0;
    return fit;
}

std::string SocFitText(const SocFit& fit) {
    std::string text =
        Format("quantisation error %.3f, empty prototypes %d", fit.quantisationError, fit.emptyPrototypes);
    if (fit.classed) text += Format("; class purity %.0f%%", 100 * fit.purity);
    return text;
}
