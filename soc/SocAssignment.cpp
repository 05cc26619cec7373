#include "soc/SocAssignment.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "distances/Distances.h"
#include "soc/SocMatcher.h"

SocAssignment AssignVectors(const Prototypes& prototypes, const Table& vectors, int dim) {
    const std::size_t rows = static_cast<std::size_t>(std::max(vectors.rows, 0)) + 1;
    SocAssignment assigned;
    assigned.prototypeOf.assign(rows, 0);
    assigned.distance.assign(rows, 0.0);
    assigned.members.assign(static_cast<std::size_t>(std::max(prototypes.k, 0)) + 1, 0);
    MatchEveryItem(prototypes, vectors, vectors.rows, dim, [&](int i, int p, float) {
        const auto at = static_cast<std::size_t>(i);
        assigned.prototypeOf[at] = p;
        // The distance distances.dat measures between vectors, from the training's size.
        assigned.distance[at] = VectorDistance(vectors.Row(i), prototypes.Vector(p), dim, vectors.distanceUnit) / vectors.scale;
    });
    for (std::size_t i = 1; i < rows; ++i)
        if (const int p = assigned.prototypeOf[i]; p > 0) ++assigned.members[static_cast<std::size_t>(p)];
    return assigned;
}

namespace {

// Whether the two hold the same bits: a value that is not a number equals
// itself here.
template <class T, class A, class B>
bool SameBits(const std::vector<T, A>& a, const std::vector<T, B>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

}  // namespace

bool KeptSocAssignment::MadeOf(const Prototypes& prototypes, const Table& vectors, int dim) const {
    return made_ && dim == dim_ && prototypes.k == prototypes_.k && prototypes.width == prototypes_.width &&
           SameBits(prototypes.values, prototypes_.values) &&
           SameBits(prototypes.weights, prototypes_.weights) && vectors.rows == vectors_.rows &&
           vectors.width == vectors_.width && SameBits(vectors.values, vectors_.values) &&
           SameBits(vectors.missing, vectors_.missing) &&
           std::memcmp(&vectors.scale, &vectors_.scale, sizeof vectors.scale) == 0 &&
           std::memcmp(&vectors.distanceUnit, &vectors_.distanceUnit, sizeof vectors.distanceUnit) == 0;
}

const SocAssignment& KeptSocAssignment::Of(const Prototypes& prototypes, const Table& vectors, int dim) {
    if (MadeOf(prototypes, vectors, dim)) return assignment_;
    assignment_ = AssignVectors(prototypes, vectors, dim);
    made_ = true;
    dim_ = dim;
    prototypes_ = prototypes;
    vectors_ = Table{};
    vectors_.rows = vectors.rows;
    vectors_.width = vectors.width;
    vectors_.values = vectors.values;
    vectors_.missing = vectors.missing;
    vectors_.scale = vectors.scale;
    vectors_.distanceUnit = vectors.distanceUnit;
    return assignment_;
}
