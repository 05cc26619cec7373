#include "handlers/MapRecord.h"

#include <utility>
#include <vector>

#include "mds/MapFit.h"
#include "mrp/ClassAgreement.h"
#include "soc/SocFit.h"
#include "text/Numbers.h"
#include "session/Session.h"

void ForgetShownMap(Session& session) {
    if (session.shown.kind != MapKind::None) session.earlier = session.shown;
    session.shown = {};
}

MapRecord TakeEarlierMap(Session& session) {
    return std::exchange(session.earlier, MapRecord{});
}

namespace {

const char* const kDot = " \u00b7 ";

std::vector<std::string> FigureParts(const Session& session) {
    const MapRecord& map = session.shown;
    if (map.kind == MapKind::None) return {};
    if (map.kind != MapKind::MrpMds)
        return {SocFitText(MeasureSocFit(session.Assignment(), session.table))};
    const MapFit fit = session.landmarks.count > 0 ? session.landmarks.fit : MeasureMapFit(session.map, session.distances, map.axes);
    std::vector<std::string> parts = {MapFitText(fit)};
    if (std::string agreement = ClusterAgreementText(session.clusters, session.table); !agreement.empty())
        parts.push_back(std::move(agreement));
    return parts;
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
    return text;
}

}  // namespace

std::string ShownMapFigures(const Session& session) {
    return Joined(FigureParts(session), "; ");
}

std::string ShownMapCaption(const Session& session) {
    const MapRecord& map = session.shown;
    if (map.kind == MapKind::None) return {};
    std::string method;
    switch (map.kind) {
        case MapKind::MrpMds:
            method = Format("MRP-MDS, %d %s%s", map.axes, map.axes == 1 ? "axis" : "axes",
                            map.method == MapMethod::Neighbours ? ", neighbours map" : "");
            break;
        case MapKind::Soc:
            method = Format("SOC, %d prototypes", session.map.n);
            break;
        default:
            method = Format("SOC reloaded, %d prototypes", session.map.n);
            break;
    }
    std::vector<std::string> parts = {map.file, method};
    for (std::string& figures : FigureParts(session)) parts.push_back(std::move(figures));
    return Joined(parts, kDot);
}
