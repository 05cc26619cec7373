#include "view/MapDrawing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "view/MapLegend.h"
#include "view/MarkColours.h"
#include "view/ViewFit.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

// The largest DistMatrix entry of items 1..n, from -1000; not-a-number
// entries never count (a comparison with one is false). Eight running
// maxima in two 4-lane vectors keep the scan short.
float LargestDistance(int n) {
    typedef float Lanes __attribute__((vector_size(16)));
    Lanes low = {-1000.0f, -1000.0f, -1000.0f, -1000.0f}, high = low;
    float tail = -1000.0f;
    for (int i = 1; i <= n; ++i) {
        const float* row = ws.DistMatrix[i] + 1;
        int j = 0;
        for (; j + 8 <= n; j += 8) {
            Lanes a, b;
            std::memcpy(&a, row + j, sizeof a);
            std::memcpy(&b, row + j + 4, sizeof b);
            low = a > low ? a : low;
            high = b > high ? b : high;
        }
        for (; j < n; ++j) tail = row[j] > tail ? row[j] : tail;
    }
    for (int k = 0; k < 4; ++k) {
        tail = low[k] > tail ? low[k] : tail;
        tail = high[k] > tail ? high[k] : tail;
    }
    return tail;
}

void DrawEdges(Canvas& canvas, const PixelScale& scale, int n, float limit);

}  // namespace

void PaintBox1Click(Form& form) {
    const int n = ws.MapItems();
    for (int i = 1; i <= n; ++i) {
        ws.ItemNumber[i] = i;
        ws.ItemFlag[i] = 0;
    }
    ws.EdgeFactor = static_cast<float>(EditReal(form, Edit5, 19));
    Canvas& canvas = form.MapCanvas();
    if (canvas.Shown()) DrawMap(canvas, ws.ShowLegend == 1);
    form.StatusOutside(MarksOutside(canvas.Width(), canvas.Height()));
}

float EdgeLimit() {
    return ws.EdgeFactor * LargestDistance(ws.MapItems());
}

std::string MapName(int i) {
    if (i < 1 || i > kInputRows || ws.ItemName[i][0] == '\0') return std::to_string(i);
    const std::string name(ws.ItemName[i]);
    // The byte after the first `chars` characters (a first byte and the
    // continuation bytes after it each).
    const auto after = [&name](int chars) {
        std::size_t end = 0;
        for (int c = 0; end < name.size() && c < chars; ++c) do
                ++end;
            while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80);
        return end;
    };
    if (after(kNameChars) == name.size()) return name;
    return name.substr(0, after(kNameChars - 1)) + "\u2026";  // a longer name says it is cut
}

bool MapHasNames() {
    return ws.SocMode == 0 && ws.HasNames();
}

void DrawMap(Canvas& canvas, bool legend) {
    const DrawingScope drawing(canvas);
    canvas.SetTextSize(kPanelTextSize);
    const PixelScale scale = MapPixelScale(canvas.Width(), canvas.Height());
    const int h1 = scale.h1;
    canvas.SetCrossCursor();
    canvas.Clear();  // marks beyond the frame must not stay from an earlier map
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, canvas.Width() - 1, h1);

    const int n = ws.MapItems();
    for (int i = 1; i <= n; ++i) {
        const MapPixel at = PixelOf(scale, ws.ProjCoords[i][1], ws.ProjCoords[i][2]);
        const int h = TruncPixel(static_cast<double>(ws.ProtoProb[i]) * 10.0);
        const int barTop = at.yUp + TruncPixel(h * static_cast<double>(ws.MarkScale) + 0.5);
        const MarkLook look = LookOf(i);
        const int r = look.radius;
        canvas.SetBrushColor(look.fill);
        canvas.SetPenColor(look.outline);
        const int y = h1 - at.yUp;
        if (ws.ViewMode == kViewBars) canvas.Rectangle(at.x - 2, y, at.x + 2, h1 - barTop);
        canvas.Ellipse(at.x + r, y - r, at.x - r, y + r);
        canvas.SetBrushColor(kWhite);
        if (ws.ViewMode == kViewNumbers) canvas.TextOut(at.x - 2, y + 4, std::to_string(ws.ItemNumber[i]));
        if (ws.ViewMode == kViewNames) canvas.TextOut(at.x - 2, y + 4, MapName(ws.ItemNumber[i]));
        canvas.SetPenColor(kBlack);
    }

    const float limit = EdgeLimit();
    if (ws.ShowEdges == 1) DrawEdges(canvas, scale, n, limit);
    if (legend && n > 0) DrawLegendBox(canvas, scale);
}

namespace {

void DrawEdges(Canvas& canvas, const PixelScale& scale, int n, float limit) {
    const int h1 = scale.h1;
    canvas.SetPenColor(kGrey);
    MapPixel ends[kMaxMapItems + 1];
    for (int i = 1; i <= n; ++i)
        ends[i] =
            PixelOf(scale, static_cast<float>(ws.ProjCoords[i][1]), static_cast<float>(ws.ProjCoords[i][2]));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            if (!(ws.DistMatrix[i][j] < limit)) continue;  // the row first: most pairs end here
            if (!(ws.DistMatrix[j][i] < limit)) continue;
            const bool tree = ws.TreeLinks[i][j] == 1;
            canvas.SetPenWidth(tree ? 2 : 1);
            canvas.SetPenColor(tree ? kBlack : kGrey);
            canvas.MoveTo(ends[i].x, h1 - ends[i].yUp);
            canvas.LineTo(ends[j].x, h1 - ends[j].yUp);
        }
    canvas.SetPenColor(kBlack);
}

}  // namespace
