#include "view/MapLegend.h"

#include <algorithm>
#include <cstdlib>

#include "view/MapDrawing.h"
#include "view/MarkColours.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kMostLines = 14;  // a longer legend ends with how many more there are
constexpr int kPadding = 4;
constexpr int kLineHeight = kLegendTextSize + 3;
constexpr int kMarkRoom = 12;   // a sample mark and the gap after it

std::string ItemWords(int i) {
    return i >= 1 && i <= kInputRows && ws.ItemName[i][0] != '\0' ? std::string(ws.ItemName[i])
                                                                   : Format("item %d", i);
}

LegendEntry Text(std::string text) {
    return {false, 0, 0, 0, std::move(text)};
}
LegendEntry Mark(std::uint32_t fill, std::uint32_t outline, int radius, std::string text) {
    return {true, fill, outline, radius, std::move(text)};
}

void ClusterEntries(int n, std::vector<LegendEntry>& out) {
    if (ws.SocMode == 1) {
        out.push_back(Text("SOC prototypes"));
        out.push_back(Mark(kBlack, kBlack, 3, Format("prototype: %d", n)));
        if (ws.ViewMode == 4) out.push_back(Text("label: its number"));
        return;
    }
    out.push_back(Text("MRP clusters"));
    const int clusters = std::clamp(ws.ClusterCount, 0, kMaxMapItems);
    int other = n;
    for (int k = 1; k <= clusters; ++k) {
        const int centre = ws.ClusterCentres[k];
        int members = 0;
        for (int i = 1; i <= n; ++i) members += std::abs(ws.ClusterOf[i]) == centre;
        other -= members;
        const std::uint32_t fill = ClusterColour(std::clamp(centre, 1, kMaxMapItems));
        out.push_back(Mark(fill, fill == kWhite ? kBlack : fill, 4,
                           Format("%s: %d", ItemWords(centre).c_str(), members)));
    }
    out.push_back(Mark(kBlack, kBlack, 3, Format("other: %d", other)));
    out.push_back(Text(ws.ViewMode == 0 ? "bar: prototype probability; large: centre"
                                        : "large mark: a cluster's centre"));
}

void ClassEntries(int n, std::vector<LegendEntry>& out) {
    out.push_back(Text((ws.ClassHeader[0] != '\0' ? std::string(ws.ClassHeader) : std::string("class")) +
                       (ws.SocMode == 1 ? " (most members)" : "")));
    int counts[kMaxClasses + 1] = {};
    for (int i = 1; i <= n; ++i) ++counts[std::clamp(MarkClass(i), 0, kMaxClasses)];
    for (int k = 1; k <= ws.ClassCount; ++k) {
        const std::uint32_t fill = ClassColour(k);
        out.push_back(Mark(fill, OutlineFor(fill), 3, Format("%s: %d", ws.ClassName[k], counts[k])));
    }
    if (counts[0] > 0) out.push_back(Mark(ClassColour(0), OutlineFor(ClassColour(0)), 3, Format("none: %d", counts[0])));
}

// The entries that fit in a box: a long legend says how many it leaves out.
std::vector<LegendEntry> Shortened(std::vector<LegendEntry> entries) {
    if (static_cast<int>(entries.size()) <= kMostLines) return entries;
    const int left = static_cast<int>(entries.size()) - (kMostLines - 1);
    entries.resize(kMostLines - 1);
    entries.push_back(Text(Format("... and %d more", left)));
    return entries;
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

std::vector<LegendEntry> LegendEntries() {
    const int n = ws.MapItems();
    std::vector<LegendEntry> entries;
    if (MarksShowClasses())
        ClassEntries(n, entries);
    else
        ClusterEntries(n, entries);
    return entries;
}

LegendBox DrawLegendBox(Canvas& canvas, const PixelScale& scale) {
    const std::vector<LegendEntry> entries = Shortened(LegendEntries());
    canvas.SetTextSize(kLegendTextSize);
    int width = 0;
    for (const LegendEntry& e : entries) width = std::max(width, EntryWidth(canvas, e));
    width += 2 * kPadding;
    const int height = static_cast<int>(entries.size()) * kLineHeight + 2 * kPadding;

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
        for (int i = 1; i <= ws.MapItems(); ++i) {
            const MapPixel at = PixelOf(scale, ws.ProjCoords[i][1], ws.ProjCoords[i][2]);
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
    for (std::size_t k = 0; k < entries.size(); ++k)
        DrawEntry(canvas, entries[k], best->x + kPadding, best->y + kPadding + static_cast<int>(k) * kLineHeight);
    canvas.SetPenColor(kBlack);
    canvas.SetTextSize(kPanelTextSize);
    return *best;
}

int LegendRows(Canvas& canvas, int x, int y, int width, bool draw) {
    canvas.SetTextSize(kLegendTextSize);
    int atX = x, atY = y;
    for (const LegendEntry& e : LegendEntries()) {
        const int w = EntryWidth(canvas, e) + 14;
        if (atX > x && atX + w > x + width) {
            atX = x;
            atY += kLineHeight;
        }
        if (draw) DrawEntry(canvas, e, atX, atY);
        atX += w;
    }
    canvas.SetTextSize(kPanelTextSize);
    return atY + kLineHeight - y;
}
