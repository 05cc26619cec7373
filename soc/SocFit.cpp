#include "soc/SocFit.h"

#include <algorithm>

#include "distances/Distances.h"
#include "soc/SocSteps.h"
#include "table/Capacities.h"
#include "text/Numbers.h"

SocFit MeasureSocFit(const Prototypes& prototypes, const Table& vectors, int dim) {
    const int k = prototypes.k;
    const std::size_t size = static_cast<std::size_t>(k) + 1;
    SocFit fit;
    fit.members.assign(size, 0);
    fit.majority.assign(size, 0);
    fit.share.assign(size, 0.0f);
    std::vector<int> classes(size * (kMaxClasses + 1), 0);  // of each prototype, its members of each class
    const std::size_t rows = static_cast<std::size_t>(std::max(vectors.rows, 0)) + 1;
    fit.prototypeOf.assign(rows, 0);
    fit.distance.assign(rows, 0.0);
    double sum = 0;
    int assigned = 0;
    for (int q = 1; q <= vectors.rows; ++q) {
        const std::optional<PrototypeMatch> match = NearestPrototype(prototypes, vectors, q, dim);
        if (!match) continue;  // in no prototype
        const auto p = static_cast<std::size_t>(match->prototype);
        ++fit.members[p];
        ++classes[p * (kMaxClasses + 1) + static_cast<std::size_t>(std::clamp(vectors.ClassOf(q), 0, kMaxClasses))];
        // The distance distances.dat measures between vectors, from the training's size.
        const double distance =
            VectorDistance(vectors.Row(q), prototypes.Vector(match->prototype), dim, vectors.distanceUnit) /
            vectors.scale;
        fit.prototypeOf[static_cast<std::size_t>(q)] = match->prototype;
        fit.distance[static_cast<std::size_t>(q)] = distance;
        sum += distance;
        ++assigned;
    }
    fit.quantisationError = assigned > 0 ? sum / assigned : 0.0;
    fit.emptyPrototypes = static_cast<int>(std::count(fit.members.begin() + 1, fit.members.end(), 0));
    int classed = 0, agreeing = 0;
    for (std::size_t p = 1; p < size; ++p) {
        const int* tally = classes.data() + p * (kMaxClasses + 1);
        const int* most = std::max_element(tally + 1, tally + kMaxClasses + 1);  // the first of equals
        const int withClass = fit.members[p] - tally[0];
        if (!vectors.HasClasses() || *most == 0) continue;
        fit.majority[p] = static_cast<int>(most - tally);
        fit.share[p] = static_cast<float>(*most) / static_cast<float>(withClass);
        classed += withClass;
        agreeing += *most;
    }
    fit.purity = classed > 0 ? static_cast<double>(agreeing) / classed : 0.0;
    return fit;
}

std::string SocFitText(const SocFit& fit, bool classes) {
    std::string text =
        Format("quantisation error %.3f, empty prototypes %d", fit.quantisationError, fit.emptyPrototypes);
    if (classes) text += Format("; class purity %.0f%%", 100 * fit.purity);
    return text;
}
