#include "handlers/MapRecord.h"

#include <utility>
#include <vector>

#include "mds/MapFit.h"
#include "mrp/ClassAgreement.h"
#include "soc/SocFit.h"
#include "text/Numbers.h"
#include "workspace/Workspace.h"

void ForgetShownMap() {
    if (ws.shown.kind != MapKind::None) ws.earlier = ws.shown;
    ws.shown = {};
}

MapRecord TakeEarlierMap() {
    return std::exchange(ws.earlier, MapRecord{});
}

namespace {

const char* const kDot = " \u00b7 ";

std::vector<std::string> FigureParts() {
    const MapRecord& map = ws.shown;
    if (map.kind == MapKind::None) return {};
    if (map.kind != MapKind::MrpMds)
        return {SocFitText(MeasureSocFit(ws.Assignment(), ws.table), ws.table.HasClasses())};
    const MapFit fit = ws.landmarks.count > 0 ? ws.landmarks.fit : MeasureMapFit(ws.map, ws.distances, map.axes);
    std::vector<std::string> parts = {MapFitText(fit)};
    if (std::string agreement = ClusterAgreementText(ws.clusters, ws.table); !agreement.empty())
        parts.push_back(std::move(agreement));
    return parts;
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
    return text;
}

}  // namespace

std::string ShownMapFigures() {
    return Joined(FigureParts(), "; ");
}

std::string ShownMapCaption() {
    const MapRecord& map = ws.shown;
    if (map.kind == MapKind::None) return {};
    std::string method;
    switch (map.kind) {
        case MapKind::MrpMds:
            method = Format("MRP-MDS, %d %s", map.axes, map.axes == 1 ? "axis" : "axes");
            break;
        case MapKind::Soc:
            method = Format("SOC, %d prototypes", ws.map.n);
            break;
        default:
            method = Format("SOC reloaded, %d prototypes", ws.map.n);
            break;
    }
    std::vector<std::string> parts = {map.file, method};
    for (std::string& figures : FigureParts()) parts.push_back(std::move(figures));
    return Joined(parts, kDot);
}
