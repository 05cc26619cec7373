#include "writers/Coordinates.h"

#include <QSaveFile>
#include <algorithm>
#include <numeric>
#include <vector>
#include <cstdlib>

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

std::string ClassField(const Table& items, int k) {
    return k >= 1 && k <= items.ClassCount() ? TsvField(items.ClassName(k)) : std::string();
}

// The header's name of feature q, or cq; each name once.
std::string FeatureColumn(const Table& items, int q) {
    const std::string& name = items.FeatureName(q);
    if (name.empty()) return Format("c%d", q);
    for (int k = 1; k < q; ++k)
        if (name == items.FeatureName(k)) return TsvField(Format("%s_%d", name.c_str(), q));
    return TsvField(name);
}

// The header's first columns: item, and name and class when the table has them.
std::string ItemHeader(const Table& items) {
    std::string text = "item";
    if (items.HasNames()) text += "\tname";
    if (items.HasClasses()) text += "\tclass";
    return text;
}

// Item i's first fields, as ItemHeader names them: its number, then its
// name and class.
void AddItem(std::string& text, const Table& items, int i, int number) {
    text += std::to_string(number);
    if (items.HasNames()) Add(text, TsvField(items.Name(i)));
    if (items.HasClasses()) Add(text, ClassField(items, items.ClassOf(i)));
}

// A map of all rows has a line per row in the file's order, and says which
// rows were landmarks.
std::string MrpMdsText(const Workspace& shown, int n, int axes) {
    const Table& items = shown.table;
    const Landmarks& landmarks = shown.landmarks;
    std::string text = ItemHeader(items) + "\tcluster\tprobability";
    for (int a = 1; a <= axes; ++a) text += Format("\taxis%d", a);
    text += landmarks.count > 0 ? "\tview_x\tview_y\tlandmark\n" : "\tview_x\tview_y\n";
    std::vector<int> inFileOrder(static_cast<std::size_t>(n));
    std::iota(inFileOrder.begin(), inFileOrder.end(), 1);
    std::sort(inFileOrder.begin(), inFileOrder.end(),
              [&](int a, int b) { return landmarks.FileRow(a) < landmarks.FileRow(b); });
    for (const int i : inFileOrder) {
        AddItem(text, items, i, landmarks.FileRow(i));
        const int centre = shown.clusters.marks[static_cast<std::size_t>(i)].CentreItem();
        Add(text, std::to_string(centre > 0 ? landmarks.FileRow(centre) : 0));
        Add(text, Number(shown.clusters.probability[static_cast<std::size_t>(i)]));
        for (int a = 1; a <= axes; ++a) Add(text, Number(shown.map.Point(i)[a]));
        for (int a = 1; a <= 2; ++a) Add(text, Number(shown.view.Projected(i)[a]));
        if (landmarks.count > 0) Add(text, landmarks.Placed(i) ? "0" : "1");
        text += '\n';
    }
    return text;
}

std::string PrototypesText(const Workspace& shown, int n) {
    const Table& vectors = shown.table;
    const int dim = std::clamp(shown.VectorDim, 0, shown.prototypes.width);
    const bool classes = vectors.HasClasses();
    const SocAssignment& assigned = shown.Assignment();
    const SocFit fit = MeasureSocFit(assigned, vectors);
    std::string text = "prototype\tmembers";
    if (classes) text += "\tclass\tshare";
    text += "\tscore\tview_x\tview_y";
    for (int q = 1; q <= dim; ++q) Add(text, FeatureColumn(vectors, q));
    text += '\n';
    for (int k = 1; k <= n; ++k) {
        const auto p = static_cast<std::size_t>(k);
        text += Format("%d\t%d", k, assigned.members[p]);
        if (classes) {
            Add(text, ClassField(vectors, fit.majority[p]));
            Add(text, Number(fit.share[p]));
        }
        const double score = p < shown.facts.scores.size() ? shown.facts.scores[p] : 0.0;
        for (const double v : {score, shown.view.Projected(k)[1], shown.view.Projected(k)[2]}) Add(text, Number(v));
        for (int q = 1; q <= dim; ++q) Add(text, Number(vectors.InFileUnits(q, shown.prototypes.Vector(k)[q])));
        text += '\n';
    }
    return text;
}

}  // namespace

std::string CoordinatesText(const Workspace& shown) {
    const int n = shown.Scene().Points();
    return shown.shown.kind == MapKind::MrpMds ? MrpMdsText(shown, n, shown.shown.axes) : PrototypesText(shown, n);
}

std::string SocItemsText(const Workspace& shown) {
    const Table& vectors = shown.table;
    const SocAssignment& assigned = shown.Assignment();
    std::string text = ItemHeader(vectors) + "\tprototype\tdistance\n";
    for (int i = 1; i <= vectors.rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        AddItem(text, vectors, i, i);
        const bool in = assigned.prototypeOf[at] > 0;
        Add(text, in ? std::to_string(assigned.prototypeOf[at]) : std::string());
        Add(text, in ? Number(assigned.distance[at]) : std::string());
        text += '\n';
    }
    return text;
}

namespace {

Written WriteText(const std::string& path, const std::string& text) {
    QSaveFile file;
    if (const auto error = OpenSaved(file, path)) return {path, *error};
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return {path, CannotWrite(file, path)};
    }
    return {path, CommitSaved(file, path)};
}

}  // namespace

Written WriteCoordinates(const Workspace& shown, const std::string& path) {
    return WriteText(path, CoordinatesText(shown));
}

Written WriteSocItems(const Workspace& shown, const std::string& path) {
    return WriteText(path, SocItemsText(shown));
}
