#include "soc/SocFit.h"

#include <algorithm>

#include "soc/SocSteps.h"
#include "text/Numbers.h"
#include "distances/Distances.h"
#include "workspace/Workspace.h"

SocFit MeasureSocFit() {
    const int k = MapRows(ws.ItemCount);
    const int n = std::clamp(ws.VectorCount, 0, kInputRows);
    SocFit fit{};
    int classes[kMaxMapItems + 1][kMaxClasses + 1] = {};
    double sum = 0;
    int assigned = 0;
    for (int q = 1; q <= n; ++q) {
        const std::optional<PrototypeMatch> match = NearestPrototype(q);
        if (!match) continue;  // in no prototype
        ++fit.members[match->prototype];
        ++classes[match->prototype][std::clamp(ws.ItemClass[q], 0, kMaxClasses)];
        // The distance distances.dat measures between vectors, at the training's scale.
        sum += VectorDistance(ws.InputVectors[q], ws.Prototypes[match->prototype][1], ws.Components());
        ++assigned;
    }
    fit.quantisationError = assigned > 0 ? sum / assigned / ws.SocScale : 0.0;
    fit.emptyPrototypes = static_cast<int>(std::count(fit.members + 1, fit.members + k + 1, 0));
    int classed = 0, agreeing = 0;
    for (int p = 1; p <= k; ++p) {
        const int* tally = classes[p];
        const int* most = std::max_element(tally + 1, tally + kMaxClasses + 1);  // the first of equals
        const int withClass = fit.members[p] - tally[0];
        if (ws.ClassCount == 0 || *most == 0) continue;
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
    if (ws.ClassCount > 0) text += Format("; class purity %.0f%%", 100 * fit.purity);
    return text;
}

SocFit KeepPrototypeFacts() {
    std::copy(ws.ItemScore, ws.ItemScore + kMaxMapItems + 1, ws.PrototypeScore);
    const SocFit fit = MeasureSocFit();
    std::copy(fit.majority, fit.majority + kMaxMapItems + 1, ws.PrototypeClass);
    std::copy(fit.share, fit.share + kMaxMapItems + 1, ws.PrototypeShare);
    return fit;
}
