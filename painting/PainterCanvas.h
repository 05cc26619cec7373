// The map's canvas over a Qt painter: the panel on screen and the map's
// pictures (PNG, SVG, the clipboard) draw through the same code.
//
// Shapes cover the cells from the smaller to one short of the larger
// coordinate, outlined with the pen; lines in one pen are gathered and drawn
// together, their end points left out.
#pragma once

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPainter>
#include <optional>
#include <vector>

#include "form/Canvas.h"

// The font of the map panel: a sans face 7 pixels high.
QFont PanelFont();

class PainterCanvas : public Canvas {
public:
    PainterCanvas(QColor text, QColor background) : text_(text), background_(background) {}

    void Clear() override;
    void SetPenColor(std::uint32_t bgr) override;
    void SetPenWidth(int width) override;
    void SetBrushColor(std::uint32_t bgr) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view text) override;
    void SetTextSize(int pixels) override;
    int TextWidth(std::string_view text) const override;

protected:
    // The cells from the smaller to one short of the larger coordinate;
    // none when either extent is 0.
    static std::optional<QRect> Cells(int x1, int y1, int x2, int y2);
    // The painter of the surface, set up with the panel font.
    virtual QPainter& Painter() = 0;
    // The font of the texts: the panel font at the text size.
    QFont TextFont() const;
    // Draws lines of the current pen; the plain way goes through the painter.
    virtual void DrawLines(const std::vector<QLine>& lines);
    // Draws what is gathered; a drawing ends with it.
    void FlushLines();
    QPen Pen() const;
    const QColor& PenColor() const { return penColor_; }
    const QColor& BrushColor() const { return brushColor_; }
    int PenWidth() const { return penWidth_; }
    const QColor& Background() const { return background_; }
    const QColor& TextColor() const { return text_; }

private:
    void Shape(int x1, int y1, int x2, int y2, void (QPainter::*draw)(const QRect&));

    QColor text_, background_;
    QColor penColor_{Qt::black};
    int penWidth_ = 1;
    QColor brushColor_{Qt::white};
    QPoint penPos_;
    std::vector<QLine> pendingLines_;
};
