// The drawing surface that the map and the feature-vector panel draw on.
//
// Coordinates are pixels of the panel, (0, 0) at the top left. Colours are
// 24-bit RGB packed as 0x00BBGGRR (red in the low byte). Rectangles and
// ellipses take two opposite corners in either order and cover the pixels
// from the smaller to one short of the larger coordinate; they are filled
// with the brush and outlined with the pen. A line from the pen position to
// a point leaves that end point undrawn and moves the pen there. Text is
// written with its top-left corner at the point, on a cell filled with the
// brush.
#pragma once

#include <cstdint>
#include <string_view>

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // False for a canvas nobody sees (a run on the command line): drawings
    // on it are skipped, their effects on the Session are not.
    virtual bool Shown() const { return true; }

    // A drawing runs between these two calls; the picture is shown once it ends.
    virtual void BeginDraw() {}
    virtual void EndDraw() {}

    virtual void SetCrossCursor() {}
    // The whole panel in its background colour, edges included.
    virtual void Clear() = 0;
    virtual void SetPenColor(std::uint32_t bgr) = 0;
    virtual void SetPenWidth(int width) = 0;
    virtual void SetBrushColor(std::uint32_t bgr) = 0;
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void TextOut(int x, int y, std::string_view text) = 0;

    // The height in pixels of the texts that follow (a drawing starts with
    // the panel's font, 7 pixels), and a text's width in it. A canvas that
    // measures nothing takes every character as wide as 0.6 of the height.
    virtual void SetTextSize(int pixels) { textSize_ = pixels; }
    virtual int TextWidth(std::string_view text) const {
        int characters = 0;
        for (unsigned char c : text) characters += (c & 0xC0) != 0x80;  // UTF-8: one per character
        return characters * textSize_ * 6 / 10;
    }
    int TextSize() const { return textSize_; }

private:
    int textSize_ = 7;
};

// A canvas that draws nothing: one that nobody sees (a run on the command
// line), or one that only takes the drawing's calls (timing, fuzzing).
class BlankCanvas : public Canvas {
public:
    BlankCanvas(int width, int height, bool shown) : width_(width), height_(height), shown_(shown) {}
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Shown() const override { return shown_; }
    void Clear() override {}
    void SetPenColor(std::uint32_t) override {}
    void SetPenWidth(int) override {}
    void SetBrushColor(std::uint32_t) override {}
    void Rectangle(int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void TextOut(int, int, std::string_view) override {}

private:
    int width_, height_;
    bool shown_;
};

// Brackets one drawing, so the picture is shown even when it ends early.
class DrawingScope {
public:
    explicit DrawingScope(Canvas& canvas) : canvas_(canvas) { canvas_.BeginDraw(); }
    ~DrawingScope() { canvas_.EndDraw(); }
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;

private:
    Canvas& canvas_;
};

inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kGrey = 0x808080;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kDarkGreen = 0x008000;
inline constexpr int kPanelTextSize = 7;  // the map panel's font, in pixels
