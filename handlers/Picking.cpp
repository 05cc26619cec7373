#include "handlers/Picking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "handlers/MapRecord.h"
#include "soc/SocSteps.h"
#include "table/Capacities.h"
#include "text/Numbers.h"
#include "text/Words.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

int PanelRow(const Session& session) {
    return MapRows(session.PanelItem);
}

// Component k of a row `width` long, 0 past it: the panel draws as many
// components as the run uses, up to 65.
float Component(const float* row, int width, int k) {
    return row && k <= width ? row[k] : 0.0f;
}

// The feature-vector panel's geometry.
struct PanelScale {
    int mid;
    double xs, ys;
    int X(int k) const { return TruncPixel(k * xs + 0.5); }
    int Y(double v) const { return mid - TruncPixel((v - 7) * ys + 0.5); }
};

// Item i by its name and its row in the file, "(placed)" when it was placed
// against a map's landmarks.
std::string ItemWords(const Session& session, int i) {
    const std::string name = OneLine(session.table.Name(i));
    const int row = session.landmarks.FileRow(i);
    const char* placed = session.landmarks.Placed(i) ? ", placed" : "";
    if (!name.empty()) return Format("%s (item %d%s)", name.c_str(), row, placed);
    return Format("item %d%s", row, placed);
}

// "Species setosa", or "class setosa" when the column has no name.
std::string ClassWords(const Session& session, int k) {
    const std::string& header = session.table.classHeader;
    return Format("%s %s", !header.empty() ? header.c_str() : "class", session.table.ClassName(k).c_str());
}

// The prototype fact of point i (its class, share or score), 0 when none.
template <class T>
T FactOf(const std::vector<T>& facts, int i) {
    return i >= 0 && i < static_cast<int>(facts.size()) ? facts[static_cast<std::size_t>(i)] : T{};
}

// The components' names along the panel's foot, each cut to the room it
// has, centred under its component where the panel's edges allow; with
// little room only every second, third... is named.
void ComponentNames(const Session& session, Canvas& canvas, const PanelScale& s, int dim, int foot) {
    dim = std::min(dim, kMaxDim);  // a run sets 65 before it reads its vectors
    bool any = false;
    for (int k = 1; k <= dim; ++k) any = any || !session.table.FeatureName(k).empty();
    if (!any) return;
    int every = 1;
    while (every * s.xs < 14) ++every;
    const int half = (static_cast<int>(every * s.xs) - 2) / 2;
    for (int k = 1; k <= dim; k += every) {
        const int left = std::clamp(s.X(k) - 1, 0, half);
        const int right = std::clamp(canvas.Width() - 2 - s.X(k), 0, half);
        std::string name(session.table.FeatureName(k));
        while (!name.empty() && canvas.TextWidth(name) > left + right) {
            name.pop_back();
            while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
        }
        canvas.TextOut(s.X(k) - left + (left + right - canvas.TextWidth(name)) / 2, foot, name);
    }
}

// A missing component leaves a gap in the line.
void Polyline(Canvas& canvas, const PanelScale& s, int dim, const float* values, int width) {
    bool gap = false;
    for (int k = 1; k <= dim; ++k) {
        const float v = Component(values, width, k);
        if (std::isnan(v)) {
            gap = true;
            continue;
        }
        gap ? canvas.MoveTo(s.X(k), s.Y(v)) : canvas.LineTo(s.X(k), s.Y(v));
        gap = false;
    }
}

}  // namespace

float ItemPrototypeDistance(const Session& session, int v, int u) {
    if (u < 1 || u > session.prototypes.k || v < 1 || v > session.table.rows) return std::numeric_limits<float>::quiet_NaN();
    const int dim = std::clamp(session.VectorDim, 0, session.prototypes.width);
    return MatchingError(ItemError(session.prototypes, u, session.table, v, dim), session.table.distanceUnit);
}

void PickPrototype(Form& form, Session& session, int x, int y) {
    if (!session.PickEnabled) return;
    std::fill(session.ItemMark.begin(), session.ItemMark.end(), 0);
    session.SimilarityDist = static_cast<float>(EditReal(form, Edit16, 299));
    Canvas& map = form.MapCanvas();
    map.SetCrossCursor();
    form.MemoSetText(" ");

    // No limit: a click anywhere picks; with no point the panel keeps its own.
    constexpr float kAnywhere = 10000.0f;  // pixels
    if (const int nearest = NearestMark(session, map, x, y, kAnywhere); nearest != 0) session.PanelItem = nearest;
    session.PickedItem = PanelRow(session);
    form.SetEditText(Edit1, std::to_string(session.PickedItem));
    const int vectors = session.table.rows;
    session.MakeRoom(vectors);
    // "simil. dist" is in the units of distances.dat, the distances at the
    // training's size; a vector in no prototype has no distance to one.
    const float similar = session.SimilarityDist * session.table.scale;
    for (int q = 1; q <= vectors; ++q) {
        session.ItemMark[static_cast<std::size_t>(q)] = 0;
        session.ItemScore[static_cast<std::size_t>(q)] = 0;
        if (ItemPrototypeDistance(session, q, session.PickedItem) < similar) {
            session.ItemMark[static_cast<std::size_t>(q)] = 1;
            session.ItemScore[static_cast<std::size_t>(q)] = 2;
            form.MemoAppend(std::to_string(q));
        }
    }
    form.MemoAppend(std::to_string(PanelRow(session)));
    DrawFeaturePanel(form, session);
}

void DrawEmptyPanel(Canvas& canvas) {
    const DrawingScope drawing(canvas);
    canvas.Clear();
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, canvas.Width() - 1, canvas.Height() - 1);
}

void DrawFeaturePanel(Form& form, Session& session) {
    Canvas& canvas = form.PanelCanvas();
    if (!canvas.Shown()) return;  // as on the command line: its loop over every vector would cost alone
    const DrawingScope drawing(canvas);
    const int w = canvas.Width() - 1;
    const int h = canvas.Height() - 1;
    canvas.Clear();
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, w, h);
    const int dim = std::clamp(session.VectorDim, 0, kMaxDim + 1);
    if (dim == 0) return;  // nothing read yet: the empty frame

    const PanelScale s{h / 2, static_cast<double>(w) / dim, 0.025 * h};
    const int right = s.X(dim);
    canvas.MoveTo(0, s.mid);
    canvas.LineTo(right, s.mid);
    for (const int level : {4, -3, 7, -7, 10, -10}) {
        const int y = s.mid - TruncPixel(level * s.ys + 0.5);
        canvas.MoveTo(0, y);
        canvas.LineTo(right, y);
    }

    const int panel = PanelRow(session);
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(0, s.Y(0));
    canvas.SetPenWidth(4);
    const Prototypes& prototypes = session.prototypes;
    const Table& vectors = session.table;
    const bool prototype = session.SocMode == 1;
    const float* shown = prototype ? (panel <= prototypes.k ? prototypes.Vector(panel) : nullptr)
                                   : (panel >= 1 && panel <= vectors.rows ? vectors.Row(panel) : nullptr);
    Polyline(canvas, s, dim, shown, prototype ? prototypes.width : vectors.width);
    canvas.SetPenWidth(1);

    canvas.SetPenColor(kDarkGreen);
    for (int q = 1; q <= std::min(vectors.rows, static_cast<int>(session.ItemMark.size()) - 1); ++q) {
        if (session.ItemMark[static_cast<std::size_t>(q)] != 1) continue;
        canvas.MoveTo(0, s.mid);
        Polyline(canvas, s, dim, vectors.Row(q), vectors.width);
    }

    canvas.SetPenColor(kRed);
    for (int k = 1; k <= dim; ++k) canvas.LineTo(s.X(k), s.Y(0));
    canvas.SetPenColor(kRed);
    canvas.MoveTo(0, s.mid);
    for (int k = 1; k <= dim; ++k) {
        const float* weights = panel <= prototypes.k ? prototypes.Weights(panel) : nullptr;
        const int t = TruncPixel(static_cast<double>(Component(weights, prototypes.width, k)) * s.ys * 10.1 + 0.5);
        canvas.MoveTo(s.X(k), s.mid + t);
        canvas.LineTo(s.X(k), s.mid - t);
    }
    canvas.SetPenColor(kBlack);

    // What is shown, above it, and the components' names below.
    constexpr int kPanelLabels = 8;
    canvas.SetTextSize(kPanelLabels);
    canvas.SetBrushColor(kWhite);
    std::string title = prototype ? Format("prototype %d", panel) : ItemWords(session, panel);
    if (const int cls = FactOf(session.facts.classes, panel); prototype && cls > 0)
        title += Format(": %s", ClassWords(session, cls).c_str());
    canvas.TextOut(2, 2, title);
    ComponentNames(session, canvas, s, dim, h - kPanelLabels - 3);
}

int NearestMark(const Session& session, const Canvas& map, int x, int y, float reach) {
    const PixelScale scale = MapPixelScale(session.view, session.map, map.Width(), map.Height());
    float best = reach;
    int nearest = 0;
    const int points = session.Scene().Points();
    for (int q = 1; q <= points; ++q) {
        const MapPixel at = PixelOf(scale, session.view.Projected(q)[1], session.view.Projected(q)[2]);
        const double dx = static_cast<double>(at.x) - x;
        const double dy = static_cast<double>(scale.h1 - at.yUp) - y;
        const float distance = static_cast<float>(std::sqrt(dx * dx + dy * dy));
        if (distance < best) {  // strictly: of equals the lowest number
            best = distance;
            nearest = q;
        }
    }
    return nearest;
}

std::string MarkDescription(Form& form, Session& session, int x, int y) {
    constexpr float kReach = 6;  // pixels
    const MapKind kind = session.shown.kind;
    if (kind == MapKind::None) return {};
    const int nearest = NearestMark(session, form.MapCanvas(), x, y, kReach);
    if (nearest == 0) return {};
    if (kind == MapKind::MrpMds) {
        const ClusterMark mark = session.clusters.marks[static_cast<std::size_t>(nearest)];
        const std::string cluster =
            mark.InCluster() ? Format("cluster of item %d", session.landmarks.FileRow(mark.CentreItem())) : "no cluster";
        const int itemClass = session.table.ClassOf(nearest);
        const std::string cls = itemClass > 0 ? ClassWords(session, itemClass) + "; " : "";
        return Format("%s: %s%s%s, probability %.3f", ItemWords(session, nearest).c_str(), cls.c_str(), cluster.c_str(),
                      mark.IsCentre() ? " (its centre)" : "",
                      static_cast<double>(session.clusters.probability[static_cast<std::size_t>(nearest)]));
    }
    const int members = FactOf(session.Assignment().members, nearest);
    std::string text = Format("prototype %d: %d member%s, score %.3f", nearest, members, members == 1 ? "" : "s",
                              static_cast<double>(FactOf(session.facts.scores, nearest)));
    if (const int cls = FactOf(session.facts.classes, nearest); cls > 0)
        text += Format("; %s, %.0f%% of its members", ClassWords(session, cls).c_str(),
                       100.0 * FactOf(session.facts.shares, nearest));
    return text;
}
