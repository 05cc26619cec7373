#include "ui/qt/PaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <utility>

namespace {
QColor FromBgr(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// The pixels from the smaller to one short of the larger coordinate, as a
// Qt rectangle whose outline covers exactly those pixels; empty when either
// extent is 0.
std::optional<QRect> Cells(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1) return std::nullopt;
    return QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}
}  // namespace

PaintBox::PaintBox(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPainter& PaintBox::Painter() {
    if (!painter_) {
        painter_.emplace(&image_);
        painter_->setFont(font());
    }
    return *painter_;
}

void PaintBox::BeginDraw() { Painter(); }

void PaintBox::EndDraw() {
    FlushLines();
    painter_.reset();
    update();
}

void PaintBox::SetCrossCursor() { setCursor(Qt::CrossCursor); }

QPen PaintBox::Pen() const {
    QPen pen(penColor_, penWidth_);
    if (penWidth_ > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

void PaintBox::SetPenColor(std::uint32_t bgr) {
    const QColor c = FromBgr(bgr);
    if (c == penColor_) return;
    FlushLines();
    penColor_ = c;
}

void PaintBox::SetPenWidth(int width) {
    width = std::max(width, 1);
    if (width == penWidth_) return;
    FlushLines();
    penWidth_ = width;
}

void PaintBox::SetBrushColor(std::uint32_t bgr) { brushColor_ = FromBgr(bgr); }

void PaintBox::Rectangle(int x1, int y1, int x2, int y2) {
    const auto cells = Cells(x1, y1, x2, y2);
    if (!cells) return;
    FlushLines();
    QPainter& p = Painter();
    p.setPen(Pen());
    p.setBrush(brushColor_);
    p.drawRect(*cells);
}

void PaintBox::Ellipse(int x1, int y1, int x2, int y2) {
    const auto cells = Cells(x1, y1, x2, y2);
    if (!cells) return;
    FlushLines();
    QPainter& p = Painter();
    p.setPen(Pen());
    p.setBrush(brushColor_);
    p.drawEllipse(*cells);
}

void PaintBox::MoveTo(int x, int y) { penPos_ = QPoint(x, y); }

void PaintBox::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (to != penPos_) pendingLines_.emplace_back(penPos_, to);
    penPos_ = to;
}

void PaintBox::FlushLines() {
    if (pendingLines_.empty()) return;
    QPainter& p = Painter();
    p.setPen(Pen());
    p.drawLines(pendingLines_.data(), static_cast<int>(pendingLines_.size()));
    pendingLines_.clear();
}

void PaintBox::TextOut(int x, int y, std::string_view text) {
    FlushLines();
    QPainter& p = Painter();
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(p.font());
    const QRect cell(x, y, metrics.horizontalAdvance(s), metrics.height());
    p.fillRect(cell, brushColor_);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(cell, Qt::AlignLeft | Qt::AlignTop, s);
}

void PaintBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), image_, event->rect());
}

void PaintBox::resizeEvent(QResizeEvent*) {
    if (image_.size() == size()) return;
    QImage grown(size(), QImage::Format_RGB32);
    grown.fill(palette().color(QPalette::Window));
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, image_);
    }
    painter_.reset();
    image_ = std::move(grown);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(at)) emit Clicked();
    emit MouseUp(event->button(), at.x(), at.y());
}

void PaintBox::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }
