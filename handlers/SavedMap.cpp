#include "handlers/SavedMap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "distances/Distances.h"
#include "text/Numbers.h"
#include "text/TsvFields.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"

namespace {

// Numbers as the C locale writes them, at the precision that reads them
// back to the same value: 9 digits for a float, 17 for a double.
std::string Exact(float v) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 9).ptr};
}
std::string Exact(double v) {
    char text[40];
    return {text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 17).ptr};
}
std::string Exact(int v) {
    return std::to_string(v);
}

// A line: its word, then its fields.
class Line {
public:
    explicit Line(const char* word) : text_(word) {}
    template <class T>
    Line& operator<<(const T& v) {
        text_ += '\t';
        text_ += Exact(v);
        return *this;
    }
    Line& operator<<(const std::string& field) {
        text_ += '\t';
        text_ += TsvField(field);
        return *this;
    }
    std::string Text() const { return text_ + '\n'; }

private:
    std::string text_;
};

char MarkLetter(const ClusterMark& mark) {
    switch (mark.Is()) {
        case ClusterMark::Kind::Centre: return 'C';
        case ClusterMark::Kind::Member: return 'M';
        case ClusterMark::Kind::SetAside: return 'S';
        case ClusterMark::Kind::None: break;
    }
    return 'N';
}

void WriteBasis(const Session& shown, std::string& text) {
    const MapBasis& basis = shown.basis;
    text += (Line("scale") << std::string(ScaleName(basis.scale))).Text();
    text += (Line("columns") << basis.Dim()).Text();
    for (const MapColumn& c : basis.columns) text += (Line("column") << c.position << c.header << c.offset << c.factor).Text();
    text += (Line("distances") << basis.distanceFactor << basis.unit).Text();
    const PlacementRule& r = basis.rule;
    text += (Line("rule") << r.b << r.radius << r.farWeight << r.box << r.largest).Text();
    text += (Line("charDistance") << basis.charDistance).Text();
}

void WriteView(const View& v, std::string& text) {
    Line line("view");
    for (int r = 1; r <= 4; ++r) line << v.matrix[r][1] << v.matrix[r][2];
    for (int a = 1; a <= 5; ++a) line << v.centre[a];
    line << v.zoom << v.angle << v.mode << static_cast<int>(v.showEdges) << v.edgeFactor << v.markScale
         << static_cast<int>(v.colourByClass) << static_cast<int>(v.showLegend);
    text += line.Text();
}

void WritePoints(const Session& shown, std::string& text) {
    const Table& t = shown.table;
    const MapBasis& basis = shown.basis;
    // The map's own points: a second layer is no part of it.
    const int n = shown.landmarks.layerFrom > 0 ? shown.landmarks.layerFrom - 1 : shown.map.n;
    const int k = basis.landmarks.rows;
    text += (Line("classes") << t.ClassCount() << t.classHeader).Text();
    for (int c = 1; c <= t.ClassCount(); ++c) text += (Line("class") << c << t.ClassName(c)).Text();
    const Clusters& cl = shown.clusters;
    Line clusters("clusters");
    clusters << cl.count << cl.joinLimit;
    for (int c = 1; c <= cl.count; ++c) clusters << cl.centres[static_cast<std::size_t>(c)];
    text += clusters.Text();
    const MapFit& fit = shown.landmarks.fit;
    text += (Line("fit") << fit.stress1 << fit.neighboursKept << fit.neighbours << fit.rowsCompared.first
                         << fit.rowsCompared.second)
                .Text();
    text += (Line("points") << n << k << t.dataRows).Text();
    for (int i = 1; i <= n; ++i) {
        const ClusterMark mark = cl.marks[static_cast<std::size_t>(i)];
        Line point("point");
        point << i << shown.landmarks.FileRow(i) << t.DataRow(i) << std::string(1, MarkLetter(mark))
              << mark.CentreItem() << cl.probability[static_cast<std::size_t>(i)];
        for (int a = 1; a <= 4; ++a) point << shown.map.Point(i)[a];
        point << t.ClassOf(i) << t.Name(i);
        if (i <= k)
            for (int q = 1; q <= basis.Dim(); ++q) point << basis.landmarks.Row(i)[q];
        text += point.Text();
    }
}

}  // namespace

std::string WhyNotSaved(const Session& shown) {
    if (shown.shown.kind != MapKind::MrpMds) return "only an MRP-MDS map can be saved";
    if (shown.shown.method == MapMethod::Neighbours)
        return "a neighbours map cannot be saved: a new row could not be placed as its rows were";
    if (!shown.basis.CanPlace()) return "a map of a distance matrix cannot be saved: no row can be placed on it";
    return "";
}

std::string SavedMapText(const Session& shown) {
    std::string text = (Line("itemmap map") << kSavedMapVersion).Text();
    text += (Line("input") << shown.shown.file).Text();
    Line box("box");
    box << shown.shown.axes;
    for (int a = 1; a <= 4; ++a) box << shown.map.size[a] << shown.map.axisSize[a];
    text += box.Text();
    WriteBasis(shown, text);
    WriteView(shown.view, text);
    WritePoints(shown, text);
    text += "end\n";
    return text;
}

namespace {

// Reads a map file's lines in order, each checked as it is taken; the
// first fault ends the read with its line.
class MapReader {
public:
    explicit MapReader(const std::string& text) : rows_(TsvRows(text)) {}

    // The next line, which must begin with `word` and hold `fields` fields
    // after it (at least, with `atLeast`).
    bool Next(const char* word, std::size_t fields, bool atLeast = false) {
        if (!fault_.empty()) return false;
        if (at_ > 0) line_ += 1 + LineEnds(rows_[at_ - 1]);
        if (at_ >= rows_.size()) return Fault(Format("the file ends where a \"%s\" line should stand", word));
        const std::vector<std::string>& row = rows_[at_++];
        if (row.empty() || row[0] != word) return Fault(Format("a \"%s\" line should stand here", word));
        if (row.size() - 1 < fields || (!atLeast && row.size() - 1 != fields))
            return Fault(Format("\"%s\" takes %s%zu fields, the line holds %zu", word, atLeast ? "at least " : "",
                                fields, row.size() - 1));
        fields_ = &row;
        return true;
    }
    std::size_t Fields() const { return fields_->size() - 1; }
    const std::string& Text(std::size_t f) const { return (*fields_)[f]; }

    template <class T>
    T Number(std::size_t f) {
        T v{};
        const std::string& s = (*fields_)[f];
        const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || error != std::errc() || end != s.data() + s.size())
            Fault(Format("field %zu, \"%s\", is no number", f, s.c_str()));
        return v;
    }
    // A number of at least `low` and at most `high`.
    int Count(std::size_t f, int low, int high) {
        const int v = Number<int>(f);
        if (fault_.empty() && (v < low || v > high))
            Fault(Format("field %zu, %d, should lie between %d and %d", f, v, low, high));
        return v;
    }
    bool Fault(const std::string& why) {
        if (fault_.empty()) fault_ = Format("line %d: %s", line_, why.c_str());
        return false;
    }
    const std::string& Failure() const { return fault_; }

private:
    static int LineEnds(const std::vector<std::string>& row) {
        int ends = 0;
        for (const std::string& f : row) ends += static_cast<int>(std::count(f.begin(), f.end(), '\n'));
        return ends;
    }
    std::vector<std::vector<std::string>> rows_;
    std::size_t at_ = 0;
    int line_ = 1;
    const std::vector<std::string>* fields_ = nullptr;
    std::string fault_;
};

// What a map file holds, read into its own session first.
bool ReadHead(MapReader& in, Session& s) {
    if (!in.Next("itemmap map", 1)) return false;
    if (in.Text(1) != std::to_string(kSavedMapVersion))
        return in.Fault(Format("a map file of version %s; this itemmap reads version %d", in.Text(1).c_str(),
                               kSavedMapVersion));
    if (!in.Next("input", 1)) return false;
    s.shown = {MapKind::MrpMds, 0, in.Text(1), in.Text(1)};
    if (!in.Next("box", 9)) return false;
    s.shown.axes = in.Count(1, 1, 3);
    for (int a = 1; a <= 4; ++a) {
        s.map.size[a] = in.Count(static_cast<std::size_t>(2 * a), 1, 1000000);
        s.map.axisSize[a] = in.Count(static_cast<std::size_t>(2 * a + 1), 1, 1000000);
    }
    return in.Failure().empty();
}

bool ReadBasis(MapReader& in, MapBasis& basis) {
    if (!in.Next("scale", 1)) return false;
    if (!ScaleNamed(in.Text(1), basis.scale)) return in.Fault("\"" + in.Text(1) + "\" is no column scale");
    if (!in.Next("columns", 1)) return false;
    const int dim = in.Count(1, 1, 64);
    for (int q = 1; q <= dim && in.Next("column", 4); ++q)
        basis.columns.push_back({in.Count(1, 1, 1 << 20), in.Text(2), in.Number<double>(3), in.Number<double>(4)});
    if (!in.Next("distances", 2)) return false;
    basis.distanceFactor = in.Number<float>(1);
    basis.unit = in.Number<float>(2);
    if (!in.Next("rule", 5)) return false;
    basis.rule = {in.Count(1, 1, 1 << 20), 0, in.Number<float>(2), in.Number<float>(3), in.Number<float>(4),
                  in.Number<float>(5)};
    if (!in.Next("charDistance", 1)) return false;
    basis.charDistance = in.Number<float>(1);
    return in.Failure().empty();
}

bool ReadView(MapReader& in, View& v) {
    if (!in.Next("view", 21)) return false;
    std::size_t f = 1;
    for (int r = 1; r <= 4; ++r) {
        v.matrix[r][1] = in.Number<double>(f++);
        v.matrix[r][2] = in.Number<double>(f++);
    }
    for (int a = 1; a <= 5; ++a) v.centre[a] = in.Number<double>(f++);
    v.zoom = in.Number<float>(f++);
    v.angle = in.Number<float>(f++);
    v.mode = in.Number<int>(f++);
    v.showEdges = in.Count(f++, 0, 1) == 1;
    v.edgeFactor = in.Number<float>(f++);
    v.markScale = in.Number<float>(f++);
    v.colourByClass = in.Count(f++, 0, 1) == 1;
    v.showLegend = in.Count(f, 0, 1) == 1;
    return in.Failure().empty();
}

bool ReadClasses(MapReader& in, Table& t) {
    if (!in.Next("classes", 2)) return false;
    const int count = in.Count(1, 0, 1 << 20);
    t.classHeader = in.Text(2);
    if (count > 0) t.classNames.assign(1, std::string());
    for (int c = 1; c <= count && in.Next("class", 2); ++c) t.classNames.push_back(in.Text(2));
    return in.Failure().empty();
}

bool ReadClusters(MapReader& in, Clusters& c, MapFit& fit) {
    if (!in.Next("clusters", 2, true)) return false;
    c.count = in.Count(1, 0, 1 << 20);
    if (in.Fields() != static_cast<std::size_t>(c.count) + 2)
        return in.Fault(Format("%d clusters need %d centres, the line holds %zu", c.count, c.count, in.Fields() - 2));
    c.joinLimit = in.Number<float>(2);
    c.centres.assign(1, 0);
    for (int k = 1; k <= c.count; ++k) c.centres.push_back(in.Number<int>(static_cast<std::size_t>(k) + 2));
    if (!in.Next("fit", 5)) return false;
    fit = {in.Number<double>(1), in.Number<double>(2), in.Number<int>(3), {in.Number<int>(4), in.Number<int>(5)}};
    return in.Failure().empty();
}

ClusterMark MarkOf(MapReader& in, const std::string& letter, int centre) {
    if (letter == "C") return ClusterMark::Centre(centre);
    if (letter == "M") return ClusterMark::Member(centre);
    if (letter == "S") return ClusterMark::SetAside();
    if (letter != "N") in.Fault("\"" + letter + "\" is no cluster mark (C, M, S or N)");
    return {};
}

// The points: place, cluster, name and class of each, the landmarks'
// values besides.
bool ReadPoints(MapReader& in, Session& s) {
    if (!in.Next("points", 3)) return false;
    const int n = in.Count(1, 1, 10000000), k = in.Count(2, 1, n), dim = s.basis.Dim();
    if (!in.Failure().empty()) return false;
    Table& t = s.table;
    std::vector<std::string> classNames = std::move(t.classNames);
    std::string classHeader = std::move(t.classHeader);
    t.Resize(n, dim);
    t.classNames = std::move(classNames);
    t.classHeader = std::move(classHeader);
    t.dataRows = in.Count(3, 0, 1 << 30);
    t.dataRow.assign(static_cast<std::size_t>(n) + 1, 0);
    t.names.assign(static_cast<std::size_t>(n) + 1, std::string());
    if (!t.classNames.empty()) t.classes.assign(static_cast<std::size_t>(n) + 1, 0);
    s.basis.landmarks.Resize(k, dim);
    s.map.Resize(n);
    s.clusters.marks.assign(static_cast<std::size_t>(n) + 1, ClusterMark{});
    s.clusters.probability.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    s.landmarks.count = k < n ? k : 0;
    s.landmarks.fileRow.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        if (!in.Next("point", static_cast<std::size_t>(i <= k ? 12 + dim : 12))) return false;
        if (in.Number<int>(1) != i) return in.Fault(Format("point %d should stand here", i));
        const auto u = static_cast<std::size_t>(i);
        s.landmarks.fileRow[u] = in.Count(2, 1, 1 << 30);
        t.dataRow[u] = in.Count(3, 1, 1 << 30);
        s.clusters.marks[u] = MarkOf(in, in.Text(4), in.Count(5, 0, k));
        s.clusters.probability[u] = in.Number<float>(6);
        for (int a = 1; a <= 4; ++a) s.map.Point(i)[a] = in.Number<float>(static_cast<std::size_t>(6 + a));
        const int c = in.Count(11, 0, t.ClassCount());
        if (!t.classes.empty()) t.classes[u] = c;
        t.names[u] = in.Text(12);
        if (i <= k) s.basis.landmarks.missing[u] = 0;
        for (int q = 1; q <= dim && i <= k; ++q) {
            const float v = in.Number<float>(static_cast<std::size_t>(12 + q));
            s.basis.landmarks.Row(i)[q] = v;
            if (std::isnan(v)) ++s.basis.landmarks.missing[u];
        }
    }
    return in.Failure().empty();
}

// What the map file does not hold but gives: the landmarks' map, clusters
// and distances, the table's columns.
void Complete(Session& s) {
    MapBasis& b = s.basis;
    const int k = b.landmarks.rows;
    b.rule.m = s.shown.axes;
    b.map = s.map;
    b.map.KeepPoints(k);
    b.clusters = s.clusters;
    b.clusters.marks.resize(static_cast<std::size_t>(k) + 1);
    b.clusters.probability.resize(static_cast<std::size_t>(k) + 1);
    b.landmarks.featureNames.assign(1, std::string());
    for (const MapColumn& c : b.columns) b.landmarks.featureNames.push_back(c.header);
    b.landmarks.columnScale = b.scale;
    s.table.featureNames = b.landmarks.featureNames;
    s.table.columnScale = b.scale;
    bool named = false;
    for (const std::string& name : s.table.names) named = named || !name.empty();
    if (!named) s.table.names.clear();
    BuildDistanceMatrix(b.landmarks, k, b.Dim(), s.distances);
    MultiplyDistances(s.distances, b.distanceFactor);
    s.distances.scale = b.distanceFactor;
    s.distances.largest = 1.0f;
    s.VectorDim = b.Dim();
    s.view.projected.assign(static_cast<std::size_t>(s.map.n + 1) * 3, 0.0);
    s.MakeRoom(s.map.n);
}

}  // namespace

std::string ShowSavedMap(const std::string& text, Session& session) {
    MapReader in(text);
    Session read;
    if (!ReadHead(in, read)) return in.Failure();
    ResetView(read.view, read.map);  // the rotation steps
    if (!ReadBasis(in, read.basis) || !ReadView(in, read.view) || !ReadClasses(in, read.table) ||
        !ReadClusters(in, read.clusters, read.landmarks.fit) || !ReadPoints(in, read) || !in.Next("end", 0))
        return in.Failure();
    for (int c = 1; c <= read.clusters.count; ++c)
        if (const int centre = read.clusters.centres[static_cast<std::size_t>(c)];
            centre < 1 || centre > read.basis.landmarks.rows)
            return Format("the clusters' centre %d is no landmark", centre);
    Complete(read);
    TransformView(read.view, read.map, 5);
    session = std::move(read);
    return "";
}
