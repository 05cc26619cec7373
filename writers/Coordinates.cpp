#include "writers/Coordinates.h"

#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <vector>

#include "soc/SocFit.h"
#include "text/Numbers.h"
#include "text/TsvFields.h"
#include "session/Session.h"

namespace {

// "%.9g" as the C locale writes it, without a locale to switch: a file of
// every row holds a million numbers.
std::string Number(double v) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 9).ptr};
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

// The header's first columns: row, item, and name and class when the table has them.
std::string ItemHeader(const Table& items) {
    std::string text = "row\titem";
    if (items.HasNames()) text += "\tname";
    if (items.HasClasses()) text += "\tclass";
    return text;
}

// The points of one file's rows, first..last, and the data rows the read
// of that file covered.
struct FileRows {
    int first, last, dataRows;
};

// Of each data row the read covered (1..): the item among the file's
// points on it, 0 for a row without one (no value, or one a stopped
// placement did not reach).
std::vector<int> ItemsByDataRow(const Table& items, const FileRows& of) {
    int rows = of.dataRows;
    for (int i = of.first; i <= of.last; ++i) rows = std::max(rows, items.DataRow(i));
    std::vector<int> item(static_cast<std::size_t>(rows) + 1, 0);
    for (int i = of.first; i <= of.last; ++i) item[static_cast<std::size_t>(items.DataRow(i))] = i;
    return item;
}

// A line per data row in the file's order, each as the header (which ends
// with a line end) is long: `line(text, i)` adds item i's fields after its
// row, a row without an item has empty ones.
template <class Line>
std::string EveryDataRow(const std::string& header, const Table& items, const FileRows& of, Line line) {
    const std::string empty(static_cast<std::size_t>(std::count(header.begin(), header.end(), '\t')), '\t');
    std::string text = header;
    const std::vector<int> item = ItemsByDataRow(items, of);
    for (std::size_t r = 1; r < item.size(); ++r) {
        text += std::to_string(r);
        if (item[r] > 0)
            line(text, item[r]);
        else
            text += empty;
        text += '\n';
    }
    return text;
}

// Item i's first fields after its row, as ItemHeader names them: its
// number, then its name and class.
void AddItem(std::string& text, const Table& items, int i, int number) {
    Add(text, std::to_string(number));
    if (items.HasNames()) Add(text, TsvField(items.Name(i)));
    if (items.HasClasses()) Add(text, ClassField(items, items.ClassOf(i)));
}

// The header of a map's coordinates: a map of all rows says which rows
// were landmarks, one with a second layer which rows were placed on it.
std::string MrpMdsHeader(const Table& items, const Landmarks& landmarks, int axes) {
    std::string header = ItemHeader(items) + "\tcluster\tprobability";
    for (int a = 1; a <= axes; ++a) header += Format("\taxis%d", a);
    header += "\tview_x\tview_y";
    if (landmarks.count > 0) header += "\tlandmark";
    if (landmarks.layerFrom > 0) header += "\tlayer";
    return header + '\n';
}

// The lines of one file's points.
std::string MrpMdsLines(const Session& shown, const std::string& header, const FileRows& of, int axes) {
    const Table& items = shown.table;
    const Landmarks& landmarks = shown.landmarks;
    return EveryDataRow(header, items, of, [&](std::string& text, int i) {
        AddItem(text, items, i, landmarks.FileRow(i));
        const int centre = shown.clusters.marks[static_cast<std::size_t>(i)].CentreItem();
        Add(text, std::to_string(centre > 0 ? landmarks.FileRow(centre) : 0));
        Add(text, Number(shown.clusters.probability[static_cast<std::size_t>(i)]));
        for (int a = 1; a <= axes; ++a) Add(text, Number(shown.map.Point(i)[a]));
        for (int a = 1; a <= 2; ++a) Add(text, Number(shown.view.Projected(i)[a]));
        if (landmarks.count > 0) Add(text, landmarks.Placed(i) ? "0" : "1");
        if (landmarks.layerFrom > 0) Add(text, landmarks.OnLayer(i) ? "1" : "0");
    });
}

// The map's own rows, then those of its second layer, if any.
std::string MrpMdsText(const Session& shown, int n, int axes) {
    const Landmarks& landmarks = shown.landmarks;
    const std::string header = MrpMdsHeader(shown.table, landmarks, axes);
    if (landmarks.layerFrom == 0) return MrpMdsLines(shown, header, {1, n, shown.table.dataRows}, axes);
    return MrpMdsLines(shown, header, {1, landmarks.layerFrom - 1, shown.table.dataRows}, axes) +
           MrpMdsLines(shown, header, {landmarks.layerFrom, n, landmarks.layerDataRows}, axes).substr(header.size());
}

std::string PrototypesText(const Session& shown, int n) {
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

std::string CoordinatesText(const Session& shown) {
    const int n = shown.Scene().Points();
    return shown.shown.kind == MapKind::MrpMds ? MrpMdsText(shown, n, shown.shown.axes) : PrototypesText(shown, n);
}

std::string LayerCoordinatesText(const Session& shown) {
    const Landmarks& landmarks = shown.landmarks;
    if (landmarks.layerFrom == 0) return {};
    return MrpMdsLines(shown, MrpMdsHeader(shown.table, landmarks, shown.shown.axes),
                       {landmarks.layerFrom, shown.Scene().Points(), landmarks.layerDataRows}, shown.shown.axes);
}

std::string SocItemsText(const Session& shown) {
    const Table& vectors = shown.table;
    const SocAssignment& assigned = shown.Assignment();
    return EveryDataRow(ItemHeader(vectors) + "\tprototype\tdistance\n", vectors, {1, vectors.rows, vectors.dataRows},
                        [&](std::string& text, int i) {
                            const auto at = static_cast<std::size_t>(i);
                            AddItem(text, vectors, i, i);
                            const bool in = assigned.prototypeOf[at] > 0;
                            Add(text, in ? std::to_string(assigned.prototypeOf[at]) : std::string());
                            Add(text, in ? Number(assigned.distance[at]) : std::string());
                        });
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

Written WriteCoordinates(const Session& shown, const std::string& path) {
    return WriteText(path, CoordinatesText(shown));
}

Written WriteLayerCoordinates(const Session& shown, const std::string& path) {
    return WriteText(path, LayerCoordinatesText(shown));
}

Written WriteSocItems(const Session& shown, const std::string& path) {
    return WriteText(path, SocItemsText(shown));
}
