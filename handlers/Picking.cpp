#include "handlers/Picking.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "handlers/MapRecord.h"
#include "soc/SocFit.h"
#include "soc/SocSteps.h"
#include "text/Numbers.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

int PanelRow() {
    return MapRows(ws.PanelItem);
}

// The feature-vector panel's geometry.
struct PanelScale {
    int mid;
    double xs, ys;
    int X(int k) const { return TruncPixel(k * xs + 0.5); }
    int Y(double v) const { return mid - TruncPixel((v - 7) * ys + 0.5); }
};

// "setosa-12 (item 12)", or "item 12" without a name.
std::string ItemWords(int i) {
    if (i >= 1 && i <= kInputRows && ws.ItemName[i][0] != '\0')
        return Format("%s (item %d)", ws.ItemName[i], i);
    return Format("item %d", i);
}

// "Species setosa", or "class setosa" when the column has no name.
std::string ClassWords(int k) {
    return Format("%s %s", ws.ClassHeader[0] != '\0' ? ws.ClassHeader : "class",
                  ws.ClassName[std::clamp(k, 0, kMaxClasses)]);
}

// The components' names along the panel's foot, each cut to the room it
// has, centred under its component where the panel's edges allow; with
// little room only every second, third... is named.
void ComponentNames(Canvas& canvas, const PanelScale& s, int dim, int foot) {
    dim = std::min(dim, kMaxDim);  // a run sets 65 before it reads its vectors
    bool any = false;
    for (int k = 1; k <= dim; ++k) any = any || ws.FeatureName[k][0] != '\0';
    if (!any) return;
    int every = 1;
    while (every * s.xs < 14) ++every;
    const int half = (static_cast<int>(every * s.xs) - 2) / 2;
    for (int k = 1; k <= dim; k += every) {
        const int left = std::clamp(s.X(k) - 1, 0, half);
        const int right = std::clamp(canvas.Width() - 2 - s.X(k), 0, half);
        std::string name(ws.FeatureName[k]);
        while (!name.empty() && canvas.TextWidth(name) > left + right) {
            name.pop_back();
            while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
        }
        canvas.TextOut(s.X(k) - left + (left + right - canvas.TextWidth(name)) / 2, foot, name);
    }
}

// A missing component leaves a gap in the line.
void Polyline(Canvas& canvas, const PanelScale& s, int dim, const float* values) {
    bool gap = false;
    for (int k = 1; k <= dim; ++k) {
        if (std::isnan(values[k])) {
            gap = true;
            continue;
        }
        gap ? canvas.MoveTo(s.X(k), s.Y(values[k])) : canvas.LineTo(s.X(k), s.Y(values[k]));
        gap = false;
    }
}

}  // namespace

float ItemPrototypeDistance(int v, int u) {
    return MatchingError(ItemError(MapRows(u), v, ws.Components()));
}

void PaintBox1MouseUp(Form& form, int x, int y) {
    if (ws.PickEnabled == 0) return;
    for (int i = 1; i <= kInputRows - 1; ++i) ws.ItemMark[i] = 0;
    ws.SimilarityDist = static_cast<float>(EditReal(form, Edit16, 299));
    Canvas& map = form.MapCanvas();
    map.SetCrossCursor();
    form.MemoSetText(" ");

    // No limit: a click anywhere picks; with no point the panel keeps its own.
    if (const int nearest = NearestMark(map, x, y, 10000.0f); nearest != 0) ws.PanelItem = nearest;
    ws.PickedItem = ws.ItemNumber[PanelRow()];
    form.SetEditText(Edit1, std::to_string(ws.PickedItem));
    const int vectors = std::clamp(ws.VectorCount, 0, kInputRows);
    // "simil. dist" is in the units of distances.dat, the distances at the
    // training's scale; a vector in no prototype has no distance to one.
    const float similar = ws.SimilarityDist * ws.SocScale;
    for (int q = 1; q <= vectors; ++q) {
        ws.ItemNumber[q] = q;
        ws.ItemMark[q] = 0;
        ws.ItemScore[q] = 0;
        if (ItemPrototypeDistance(q, ws.PickedItem) < similar) {
            ws.ItemMark[q] = 1;
            ws.ItemScore[q] = 2;
            form.MemoAppend(std::to_string(q));
        }
    }
    form.MemoAppend(std::to_string(ws.ItemNumber[PanelRow()]));
    PaintBox2Click(form);
}

void DrawEmptyPanel(Canvas& canvas) {
    const DrawingScope drawing(canvas);
    canvas.Clear();
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, canvas.Width() - 1, canvas.Height() - 1);
}

void PaintBox2Click(Form& form) {
    Canvas& canvas = form.PanelCanvas();
    const DrawingScope drawing(canvas);
    const int w = canvas.Width() - 1;
    const int h = canvas.Height() - 1;
    canvas.Clear();
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, w, h);
    const int dim = std::clamp(ws.VectorDim, 0, kMaxDim + 1);
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

    const int panel = PanelRow();
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(0, s.Y(0));
    canvas.SetPenWidth(4);
    const float* shown = ws.SocMode == 1 ? ws.Prototypes[panel][1]
                                         : ws.InputVectors[std::clamp(ws.ItemNumber[panel], 0, kInputRows)];
    Polyline(canvas, s, dim, shown);
    canvas.SetPenWidth(1);

    canvas.SetPenColor(kDarkGreen);
    const int vectors = std::clamp(ws.VectorCount, 0, kInputRows);
    for (int q = 1; q <= vectors; ++q) {
        if (ws.ItemMark[q] != 1) continue;
        canvas.MoveTo(0, s.mid);
        Polyline(canvas, s, dim, ws.InputVectors[q]);
    }

    canvas.SetPenColor(kRed);
    for (int k = 1; k <= dim; ++k) canvas.LineTo(s.X(k), s.Y(0));
    canvas.SetPenColor(kRed);
    canvas.MoveTo(0, s.mid);
    for (int k = 1; k <= dim; ++k) {
        const int t = TruncPixel(static_cast<double>(ws.Prototypes[panel][2][k]) * s.ys * 10.1 + 0.5);
        canvas.MoveTo(s.X(k), s.mid + t);
        canvas.LineTo(s.X(k), s.mid - t);
    }
    canvas.SetPenColor(kBlack);

    // What is shown, above it, and the components' names below.
    constexpr int kPanelLabels = 8;
    canvas.SetTextSize(kPanelLabels);
    canvas.SetBrushColor(kWhite);
    std::string title = ws.SocMode == 1 ? Format("prototype %d", panel) : ItemWords(ws.ItemNumber[panel]);
    if (ws.SocMode == 1 && ws.PrototypeClass[panel] > 0)
        title += Format(": %s", ClassWords(ws.PrototypeClass[panel]).c_str());
    canvas.TextOut(2, 2, title);
    ComponentNames(canvas, s, dim, h - kPanelLabels - 3);
}

int NearestMark(const Canvas& map, int x, int y, float reach) {
    const PixelScale scale = MapPixelScale(map.Width(), map.Height());
    float best = reach;
    int nearest = 0;
    for (int q = 1; q <= ws.MapItems(); ++q) {
        const MapPixel at = PixelOf(scale, ws.ProjCoords[q][1], ws.ProjCoords[q][2]);
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

std::string MarkDescription(Form& form, int x, int y) {
    constexpr float kReach = 6;  // pixels
    const MapKind kind = ShownMap().kind;
    if (kind == MapKind::None) return {};
    const int nearest = NearestMark(form.MapCanvas(), x, y, kReach);
    if (nearest == 0) return {};
    if (kind == MapKind::MrpMds) {
        const int mark = ws.ClusterOf[nearest];
        const std::string cluster =
            mark == 0 || mark == -10000 ? "no cluster" : Format("cluster of item %d", std::abs(mark));
        const std::string cls = ws.ItemClass[nearest] > 0 ? ClassWords(ws.ItemClass[nearest]) + "; " : "";
        return Format("%s: %s%s%s, probability %.3f", ItemWords(nearest).c_str(), cls.c_str(),
                      cluster.c_str(), mark < 0 && mark != -10000 ? " (its centre)" : "",
                      static_cast<double>(ws.ProtoProb[nearest]));
    }
    const int members = MeasureSocFit().members[nearest];
    std::string text = Format("prototype %d: %d member%s, score %.3f", nearest, members,
                              members == 1 ? "" : "s", static_cast<double>(ws.PrototypeScore[nearest]));
    if (ws.PrototypeClass[nearest] > 0)
        text += Format("; %s, %.0f%% of its members", ClassWords(ws.PrototypeClass[nearest]).c_str(),
                       100.0 * ws.PrototypeShare[nearest]);
    return text;
}
