// What a recorded drawing leaves on its panel: the shapes drawn since the
// panel was last cleared, each with the colours and pen width it was drawn
// in, so that a test can look at marks, bars, lines and labels instead of
// the calls that made them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeForm.h"
#include "view/ViewTransform.h"

struct Shape {
    std::string op;      // "rect", "ellipse", "line" or "text"
    int x1, y1, x2, y2;  // two corners; a line's two ends; a text's top-left corner twice
    std::uint32_t fill, outline;
    int width;  // of the pen
    std::string text;

    int CentreX() const { return (x1 + x2) / 2; }
    int CentreY() const { return (y1 + y2) / 2; }
    int Radius() const { return std::abs(x1 - x2) / 2; }
    int Height() const { return std::abs(y1 - y2); }
    // A line from a point to itself leaves no mark.
    bool Visible() const { return op != "line" || x1 != x2 || y1 != y2; }
};

// The visible shapes of one kind ("" for all) on the canvas, in the order
// drawn. The pen starts black and 1 wide, the brush white.
inline std::vector<Shape> ShapesShown(const RecordingCanvas& canvas, const std::string& op = {}) {
    std::vector<Shape> shapes;
    std::uint32_t fill = 0xFFFFFF, outline = 0;
    int width = 1, penX = 0, penY = 0;
    for (const CanvasCall& c : canvas.calls) {
        if (c.op == "clear") shapes.clear();
        if (c.op == "pen") outline = static_cast<std::uint32_t>(c.a);
        if (c.op == "brush") fill = static_cast<std::uint32_t>(c.a);
        if (c.op == "width") width = c.a;
        Shape s{c.op, c.a, c.b, c.c, c.d, fill, outline, width, c.text};
        if (c.op == "line") s = {c.op, penX, penY, c.a, c.b, fill, outline, width, {}};
        if (c.op == "text") s.x2 = c.a, s.y2 = c.b;
        if (c.op == "move" || c.op == "line") penX = c.a, penY = c.b;
        if ((c.op == "rect" || c.op == "ellipse" || c.op == "line" || c.op == "text") && s.Visible() &&
            (op.empty() || op == c.op))
            shapes.push_back(s);
    }
    return shapes;
}

// Where point i of the map shows on the map panel: its mark's centre.
inline std::pair<int, int> WhereShown(const View& view, const MapLayout& map, int i) {
    const PixelScale s = MapPixelScale(view, map, kMapPanelWidth, kMapPanelHeight);
    const MapPixel p = PixelOf(s, view.Projected(i)[1], view.Projected(i)[2]);
    return {p.x, s.h1 - p.yUp};
}
