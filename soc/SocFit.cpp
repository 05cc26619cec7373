#include "soc/SocFit.h"

#include <algorithm>

#include "soc/SocSteps.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

SocFit MeasureSocFit() {
    const int k = PrototypeCount();
    const int n = std::clamp(ws.VectorCount, 0, kInputRows);
    SocFit fit{};
    double sum = 0;
    for (int q = 1; q <= n; ++q) {
        const PrototypeMatch match = NearestPrototype(q);
        ++fit.members[match.prototype];
        sum += match.error;
    }
    fit.quantisationError = n > 0 ? sum / n : 0.0;
    fit.emptyPrototypes = static_cast<int>(std::count(fit.members + 1, fit.members + k + 1, 0));
    return fit;
}

std::string SocFitText(const SocFit& fit) {
    return Format("quantisation error %.3f, empty prototypes %d", fit.quantisationError, fit.emptyPrototypes);
}
