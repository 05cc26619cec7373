#include "painting/PainterCanvas.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

QColor FromBgr(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace

std::optional<QRect> PainterCanvas::Cells(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1) return std::nullopt;
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

QFont PanelFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(7);
    return f;
}

QPen PainterCanvas::Pen() const {
    QPen pen(penColor_, penWidth_);
    if (penWidth_ > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

void PainterCanvas::Clear() {
    pendingLines_.clear();
    Painter().fillRect(QRect(0, 0, Width(), Height()), background_);
}

void PainterCanvas::SetPenColor(std::uint32_t bgr) {
    const QColor c = FromBgr(bgr);
    if (c == penColor_) return;
    FlushLines();
    penColor_ = c;
}

void PainterCanvas::SetPenWidth(int width) {
    width = std::max(width, 1);
    if (width == penWidth_) return;
    FlushLines();
    penWidth_ = width;
}

void PainterCanvas::SetBrushColor(std::uint32_t bgr) {
    brushColor_ = FromBgr(bgr);
}

void PainterCanvas::Shape(int x1, int y1, int x2, int y2, void (QPainter::*draw)(const QRect&)) {
    const auto cells = Cells(x1, y1, x2, y2);
    if (!cells) return;
    FlushLines();
    QPainter& p = Painter();
    p.setPen(Pen());
    p.setBrush(brushColor_);
    (p.*draw)(cells->adjusted(0, 0, -1, -1));  // the painter's outline lies one pixel further out
}

void PainterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Shape(x1, y1, x2, y2, &QPainter::drawRect);
}

void PainterCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Shape(x1, y1, x2, y2, &QPainter::drawEllipse);
}

void PainterCanvas::MoveTo(int x, int y) {
    penPos_ = QPoint(x, y);
}

void PainterCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (to != penPos_) pendingLines_.emplace_back(penPos_, to);
    penPos_ = to;
}

void PainterCanvas::FlushLines() {
    if (pendingLines_.empty()) return;
    DrawLines(pendingLines_);
    pendingLines_.clear();
}

void PainterCanvas::DrawLines(const std::vector<QLine>& lines) {
    QPainter& p = Painter();
    p.setPen(Pen());
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
}

QFont PainterCanvas::TextFont() const {
    QFont f = PanelFont();
    f.setPixelSize(TextSize());
    return f;
}

void PainterCanvas::SetTextSize(int pixels) {
    Canvas::SetTextSize(pixels);
    Painter().setFont(TextFont());
}

int PainterCanvas::TextWidth(std::string_view text) const {
    return QFontMetrics(TextFont())
        .horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void PainterCanvas::TextOut(int x, int y, std::string_view text) {
    FlushLines();
    QPainter& p = Painter();
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(p.font());
    const QRect cell(x, y, metrics.horizontalAdvance(s), metrics.height());
    p.fillRect(cell, brushColor_);
    p.setPen(text_);
    p.drawText(cell, Qt::AlignLeft | Qt::AlignTop, s);
}
