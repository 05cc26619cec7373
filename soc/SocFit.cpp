#include "soc/SocFit.h"

#include <algorithm>

#include "soc/SocSteps.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

SocFit MeasureSocFit() {
    const int k = PrototypeCount();
    const int n = std::clamp(ws.VectorCount, 0, kInputRows);
    bool taken[kMaxMapItems + 1] = {};
    double sum = 0;
    for (int q = 1; q <= n; ++q) {
        const PrototypeMatch match = NearestPrototype(q);
        taken[match.prototype] = true;
        sum += match.error;
    }
    const int used = static_cast<int>(std::count(taken + 1, taken + k + 1, true));
    return {n > 0 ? sum / n : 0.0, k - used};
}

std::string SocFitText(const SocFit& fit) {
    return Format("quantisation error %.3f, empty prototypes %d", fit.quantisationError, fit.emptyPrototypes);
}
