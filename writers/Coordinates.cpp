#include "writers/Coordinates.h"

#include <QSaveFile>
#include <cstdlib>

#include "handlers/MapRecord.h"
#include "soc/SocFit.h"
#include "text/Numbers.h"
#include "text/TsvFields.h"
#include "workspace/Workspace.h"

namespace {

std::string Number(double v) {
    return Format("%.9g", v);
}

// One more field of a line.
void Add(std::string& line, const std::string& field) {
    line += '\t';
    line += field;
}

std::string ClassField(int k) {
    return k >= 1 && k <= ws.ClassCount ? TsvField(ws.ClassName[k]) : std::string();
}

// The header's name of feature q, or cq; each name once.
std::string FeatureColumn(int q) {
    const std::string name = ws.FeatureName[q];
    if (name.empty()) return Format("c%d", q);
    for (int k = 1; k < q; ++k)
        if (name == ws.FeatureName[k]) return TsvField(Format("%s_%d", name.c_str(), q));
    return TsvField(name);
}

std::string MrpMdsText(int n, int axes) {
    const bool names = ws.HasNames(), classes = ws.HasClasses();
    std::string text = "item";
    if (names) text += "\tname";
    if (classes) text += "\tclass";
    text += "\tcluster\tprobability";
    for (int a = 1; a <= axes; ++a) text += Format("\taxis%d", a);
    text += "\tview_x\tview_y\n";
    for (int i = 1; i <= n; ++i) {
        const int mark = ws.ClusterOf[i];
        text += std::to_string(i);
        if (names) Add(text, TsvField(ws.ItemName[i]));
        if (classes) Add(text, ClassField(ws.ItemClass[i]));
        Add(text, std::to_string(mark == -10000 ? 0 : std::abs(mark)));  // set aside: in no cluster
        Add(text, Number(ws.ProtoProb[i]));
        for (int a = 1; a <= axes; ++a) Add(text, Number(ws.MapCoords[i][a]));
        for (int a = 1; a <= 2; ++a) Add(text, Number(ws.ProjCoords[i][a]));
        text += '\n';
    }
    return text;
}

std::string PrototypesText(int n) {
    const int dim = ws.Components();
    const bool classes = ws.HasClasses();
    const SocFit fit = MeasureSocFit();
    std::string text = "prototype\tmembers";
    if (classes) text += "\tclass\tshare";
    text += "\tscore\tview_x\tview_y";
    for (int q = 1; q <= dim; ++q) Add(text, FeatureColumn(q));
    text += '\n';
    for (int k = 1; k <= n; ++k) {
        text += Format("%d\t%d", k, fit.members[k]);
        if (classes) {
            Add(text, ClassField(fit.majority[k]));
            Add(text, Number(fit.share[k]));
        }
        for (const double v :
             {static_cast<double>(ws.PrototypeScore[k]), ws.ProjCoords[k][1], ws.ProjCoords[k][2]})
            Add(text, Number(v));
        for (int q = 1; q <= dim; ++q) Add(text, Number(ws.InFileUnits(q, ws.Prototypes[k][1][q])));
        text += '\n';
    }
    return text;
}

}  // namespace

std::string CoordinatesText() {
    const MapRecord& map = ShownMap();
    return map.kind == MapKind::MrpMds ? MrpMdsText(ws.MapItems(), map.axes) : PrototypesText(ws.MapItems());
}

Written WriteCoordinates(const std::string& path) {
    QSaveFile file;
    if (const auto error = OpenSaved(file, path)) return {path, *error};
    const std::string text = CoordinatesText();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return {path, CannotWrite(file, path)};
    }
    return {path, CommitSaved(file, path)};
}
