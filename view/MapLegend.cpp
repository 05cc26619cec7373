#include "view/MapLegend.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>

#include "text/Numbers.h"
#include "text/Utf8.h"
#include "text/Words.h"
#include "view/MapDrawing.h"
#include "view/MarkColours.h"

namespace {

constexpr int kMostLines = 14;  // a longer legend ends with how many more there are
constexpr int kPadding = 4;
constexpr int kLineHeight = kLegendTextSize + 3;
constexpr int kMarkRoom = 12;  // a sample mark and the gap after it

// An entry's text, formatted into its place; a full legend takes no more.
void AddEntry(Legend& legend, const LegendEntry& look, const char* format, va_list args) {
    if (legend.count == Legend::kCapacity) return;
    LegendEntry& e = legend.entries[legend.count++];
    e = look;
    FormatIntoV(e.text, sizeof e.text, format, args);
}

// An entry with a sample mark before its text.
void AddMark(Legend& legend, std::uint32_t fill, std::uint32_t outline, int radius, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void AddMark(Legend& legend, std::uint32_t fill, std::uint32_t outline, int radius, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AddEntry(legend, {true, fill, outline, radius, {}}, format, args);
    va_end(args);
}

// An entry of text alone.
void AddText(Legend& legend, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AddText(Legend& legend, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AddEntry(legend, {false, 0, 0, 0, {}}, format, args);
    va_end(args);
}

void Text(Legend& legend, const char* text) {
    AddText(legend, "%s", text);
}

// A name as an entry shows it ("%.*s%s": its bytes, the name, its ending).
struct EntryName {
    int bytes;
    const char* text;
    const char* ending;
};
EntryName Shown(const char* name) {
    const std::string_view text(name);
    if (text.size() <= static_cast<std::size_t>(kLegendNameBytes))
        return {static_cast<int>(text.size()), name, ""};
    return {static_cast<int>(CharacterStart(text, static_cast<std::size_t>(kLegendNameBytes) - 3)), name,
            "\u2026"};
}

// Trained prototypes: what their marks' sizes say.
void SizeEntry(const MapScene& scene, Legend& legend) {
    const std::vector<int>& members = scene.prototypeMembers;
    if (!scene.prototypes || members.size() < 2) return;
    const int most = *std::max_element(members.begin() + 1, members.end());
    AddMark(legend, kWhite, kBlack, kMarkRadius + 2, "size: vectors held, %d at most", most);
}

void ClusterEntries(const MapScene& scene, Legend& legend) {
    const int n = scene.Points();
    if (scene.prototypes) {
        Text(legend, "SOC prototypes");
        AddMark(legend, kBlack, kBlack, kMarkRadius, "prototype: %d", n);
        if (scene.view.mode == kViewNumbers) Text(legend, "label: its number");
        SizeEntry(scene, legend);
        return;
    }
    Text(legend, "MRP clusters");
    const Clusters& clusters = scene.clusters;
    int other = n;
    for (int k = 1; k <= clusters.count; ++k) {
        const int centre = clusters.centres[static_cast<std::size_t>(k)];
        int members = 0;
        for (int i = 1; i <= n; ++i) members += clusters.marks[static_cast<std::size_t>(i)].CentreItem() == centre;
        other -= members;
        const std::uint32_t fill = ClusterColour(k);
        const std::string centreName = OneLine(scene.table.Name(centre));
        if (!centreName.empty()) {
            const EntryName name = Shown(centreName.c_str());
            AddMark(legend, fill, fill == kWhite ? kBlack : fill, kCentreRadius, "%.*s%s: %d", name.bytes,
                name.text, name.ending, members);
        } else
            AddMark(legend, fill, fill == kWhite ? kBlack : fill, kCentreRadius, "item %d: %d",
                scene.Number(centre), members);
    }
    AddMark(legend, kBlack, kBlack, kMarkRadius, "other: %d", other);
    Text(legend, scene.view.mode == kViewBars ? "bar: prototype probability; large: centre"
                                              : "large mark: a cluster's centre");
}

void ClassEntries(const MapScene& scene, Legend& legend) {
    const int n = scene.Points();
    const std::string& header = scene.table.classHeader;
    const EntryName name = Shown(!header.empty() ? header.c_str() : "class");
    AddText(legend, "%.*s%s%s", name.bytes, name.text, name.ending,
        scene.prototypes ? " (most members)" : "");
    int counts[kMaxClasses + 1] = {};
    for (int i = 1; i <= n; ++i) ++counts[std::clamp(MarkClass(scene, i), 0, kMaxClasses)];
    for (int k = 1; k <= std::min(scene.table.ClassCount(), kMaxClasses); ++k) {
        const EntryName className = Shown(scene.table.ClassName(k).c_str());
        AddMark(legend, ClassColour(k), OutlineFor(ClassColour(k)), kMarkRadius, "%.*s%s: %d",
            className.bytes, className.text, className.ending, counts[k]);
    }
    if (counts[0] > 0)
        AddMark(legend, ClassColour(0), OutlineFor(ClassColour(0)), kMarkRadius, "none: %d", counts[0]);
    SizeEntry(scene, legend);
}

// A box shows so many entries at most; a longer legend says how many it
// leaves out.
void Shorten(Legend& legend) {
    if (legend.count <= kMostLines) return;
    const int left = legend.count - (kMostLines - 1);
    legend.count = kMostLines - 1;
    AddText(legend, "... and %d more", left);
}

void DrawEntry(Canvas& canvas, const LegendEntry& e, int x, int y) {
    int textX = x;
    if (e.mark) {
        const int cx = x + 4, cy = y + kLineHeight / 2;
        canvas.SetBrushColor(e.fill);
        canvas.SetPenColor(e.outline);
        canvas.Ellipse(cx + e.radius, cy - e.radius, cx - e.radius, cy + e.radius);
        textX += kMarkRoom;
    }
    canvas.SetBrushColor(kWhite);
    canvas.SetPenColor(kBlack);
    canvas.TextOut(textX, y + 1, e.text);
}

int EntryWidth(Canvas& canvas, const LegendEntry& e) {
    return (e.mark ? kMarkRoom : 0) + canvas.TextWidth(e.text);
}

}  // namespace

void LegendEntries(const MapScene& scene, Legend& legend) {
    legend.count = 0;
    if (MarksShowClasses(scene))
        ClassEntries(scene, legend);
    else
        ClusterEntries(scene, legend);
    if (const Landmarks* marks = scene.landmarks; marks && marks->layerFrom > 0) {
        const EntryName file = Shown(marks->layerFile.c_str());
        AddMark(legend, kWhite, kBlack, kMarkRadius, "ringed: %d rows of %.*s%s placed on it",
                scene.Points() - marks->layerFrom + 1, file.bytes, file.text, file.ending);
    }
}

LegendBox DrawLegendBox(Canvas& canvas, const MapScene& scene, const PixelScale& scale) {
    Legend legend;
    LegendEntries(scene, legend);
    Shorten(legend);
    canvas.SetTextSize(kLegendTextSize);
    int width = 0;
    for (const LegendEntry& e : legend) width = std::max(width, EntryWidth(canvas, e));
    width += 2 * kPadding;
    const int height = legend.count * kLineHeight + 2 * kPadding;

    // The corner with the fewest marks under it; of equals, the first of
    // top right, top left, bottom right, bottom left.
    const int right = canvas.Width() - width - kPadding, bottom = scale.h1 - height - kPadding;
    const LegendBox corners[] = {{right, kPadding, width, height},
                                 {kPadding, kPadding, width, height},
                                 {right, bottom, width, height},
                                 {kPadding, bottom, width, height}};
    const LegendBox* best = &corners[0];
    int fewest = -1;
    for (const LegendBox& box : corners) {
        int under = 0;
        for (int i = 1; i <= scene.Points(); ++i) {
            const double* p = scene.view.Projected(i);
            const MapPixel at = PixelOf(scale, p[1], p[2]);
            const int y = scale.h1 - at.yUp;
            under += at.x >= box.x - 4 && at.x <= box.x + box.width + 4 && y >= box.y - 4 &&
                     y <= box.y + box.height + 4;
        }
        if (fewest < 0 || under < fewest) {
            fewest = under;
            best = &box;
        }
    }
    constexpr std::uint32_t kFrame = 0xB4B4B4;  // lighter than the edges' grey
    canvas.SetPenColor(kFrame);
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(best->x, best->y, best->x + best->width, best->y + best->height);
    for (int k = 0; k < legend.count; ++k)
        DrawEntry(canvas, legend.entries[k], best->x + kPadding, best->y + kPadding + k * kLineHeight);
    canvas.SetPenColor(kBlack);
    canvas.SetTextSize(kPanelTextSize);
    return *best;
}

namespace {

// Lays the entries out in rows across `width` pixels from (x, y), handing
// each to `at` with its place; returns the height they take.
template <class AtPlace>
int LayOutRows(Canvas& canvas, const MapScene& scene, int x, int y, int width, AtPlace at) {
    Legend legend;
    LegendEntries(scene, legend);
    canvas.SetTextSize(kLegendTextSize);
    int atX = x, atY = y;
    for (const LegendEntry& e : legend) {
        const int w = EntryWidth(canvas, e) + 14;
        if (atX > x && atX + w > x + width) {
            atX = x;
            atY += kLineHeight;
        }
        at(e, atX, atY);
        atX += w;
    }
    canvas.SetTextSize(kPanelTextSize);
    return atY + kLineHeight - y;
}

}  // namespace

void DrawLegendRows(Canvas& canvas, const MapScene& scene, int x, int y, int width) {
    LayOutRows(canvas, scene, x, y, width,
               [&canvas](const LegendEntry& e, int atX, int atY) { DrawEntry(canvas, e, atX, atY); });
}

int LegendRowsHeight(Canvas& canvas, const MapScene& scene, int width) {
    return LayOutRows(canvas, scene, 0, 0, width, [](const LegendEntry&, int, int) {});
}
