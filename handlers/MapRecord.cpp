#include "handlers/MapRecord.h"

#include "mrp/ClassAgreement.h"
#include "mrp/MapFit.h"
#include "soc/SocFit.h"
#include "workspace/Workspace.h"

MapRecord& ShownMap() {
    static MapRecord shown;
    return shown;
}

std::string ShownMapFigures() {
    const MapRecord& map = ShownMap();
    if (map.kind == MapKind::None) return {};
    if (map.kind != MapKind::MrpMds) return SocFitText(MeasureSocFit());
    std::string figures = MapFitText(MeasureMapFit(ws.MapItems(), map.axes));
    if (const std::string agreement = ClusterAgreementText(ws.MapItems()); !agreement.empty())
        figures += "; " + agreement;
    return figures;
}
