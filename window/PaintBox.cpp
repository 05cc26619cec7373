#include "window/PaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

PaintBox::PaintBox(QWidget* parent, const QString& name)
    : QWidget(parent),
      PainterCanvas(palette().color(QPalette::WindowText), palette().color(QPalette::Window)) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    showLater_.setSingleShot(true);
    connect(&showLater_, &QTimer::timeout, this, [this] { update(); });
    rest_.setSingleShot(true);
    rest_.setInterval(500);
    connect(&rest_, &QTimer::timeout, this, [this] { emit Rested(restAt_.x(), restAt_.y()); });
}

void PaintBox::ShowPicture() {
    const QScreen* shown = screen();
    const double hz = shown && shown->refreshRate() > 1 ? shown->refreshRate() : 60.0;
    const qint64 frameMs = std::max<qint64>(1, static_cast<qint64>(1000 / hz));
    if (!sinceShown_.isValid() || sinceShown_.elapsed() >= frameMs) {
        update();
    } else if (!showLater_.isActive()) {
        showLater_.start(static_cast<int>(frameMs - sinceShown_.elapsed()));
    }
}

QPainter& PaintBox::Painter() {
    if (!painter_) {
        FitImage();
        painter_.emplace(&image_);
        painter_->setFont(font());
    }
    return *painter_;
}

void PaintBox::EndDraw() {
    Keep({Call::Kind::End});
    ShowPicture();
}

void PaintBox::Clear() {
    Keep({Call::Kind::Clear});
}

void PaintBox::SetPenColor(std::uint32_t bgr) {
    Keep({Call::Kind::Pen, static_cast<int>(bgr)});
}

void PaintBox::SetPenWidth(int width) {
    Keep({Call::Kind::Width, width});
}

void PaintBox::SetBrushColor(std::uint32_t bgr) {
    Keep({Call::Kind::Brush, static_cast<int>(bgr)});
}

void PaintBox::Rectangle(int x1, int y1, int x2, int y2) {
    Keep({Call::Kind::Rectangle, x1, y1, x2, y2});
}

void PaintBox::Ellipse(int x1, int y1, int x2, int y2) {
    Keep({Call::Kind::Ellipse, x1, y1, x2, y2});
}

void PaintBox::MoveTo(int x, int y) {
    Keep({Call::Kind::Move, x, y});
}

void PaintBox::LineTo(int x, int y) {
    Keep({Call::Kind::Line, x, y});
}

void PaintBox::TextOut(int x, int y, std::string_view text) {
    Keep({Call::Kind::Text, x, y, static_cast<int>(texts_.size()), static_cast<int>(text.size())});
    texts_.append(text);
}

// Measuring (TextWidth) takes the new size at once; the painter, when the
// calls are carried out.
void PaintBox::SetTextSize(int pixels) {
    Canvas::SetTextSize(pixels);
    Keep({Call::Kind::TextSize, pixels});
}

int PaintBox::StateSlot(Call::Kind kind) {
    switch (kind) {
        case Call::Kind::Pen:
            return 0;
        case Call::Kind::Width:
            return 1;
        case Call::Kind::Brush:
            return 2;
        case Call::Kind::Move:
            return 3;
        case Call::Kind::TextSize:
            return 4;
        default:
            return -1;
    }
}

void PaintBox::Keep(const Call& call) {
    if (const int slot = StateSlot(call.kind); slot >= 0) {
        std::optional<Call>& kept = kept_[slot];
        if (call.kind != Call::Kind::Move && kept && kept->a == call.a) return;
        kept = call;
    }
    if (call.kind == Call::Kind::Clear) {
        calls_.clear();
        texts_.clear();
        for (const std::optional<Call>& kept : kept_)
            if (kept) calls_.push_back(*kept);
    }
    calls_.push_back(call);
}

void PaintBox::CarryOut() {
    for (const Call& call : calls_) Carry(call);
    calls_.clear();
    texts_.clear();
}

void PaintBox::Carry(const Call& call) {
    switch (call.kind) {
        case Call::Kind::End:
            FlushLines();
            ClearNow();
            painter_.reset();
            break;
        case Call::Kind::Clear:
            FlushLines();
            clearPending_ = true;
            break;
        case Call::Kind::Pen:
            PainterCanvas::SetPenColor(static_cast<std::uint32_t>(call.a));
            break;
        case Call::Kind::Width:
            PainterCanvas::SetPenWidth(call.a);
            break;
        case Call::Kind::Brush:
            PainterCanvas::SetBrushColor(static_cast<std::uint32_t>(call.a));
            break;
        case Call::Kind::Rectangle:
            DrawRectangle(call.a, call.b, call.c, call.d);
            break;
        case Call::Kind::Ellipse:
            DrawEllipse(call.a, call.b, call.c, call.d);
            break;
        case Call::Kind::Move:
            PainterCanvas::MoveTo(call.a, call.b);
            break;
        case Call::Kind::Line:
            PainterCanvas::LineTo(call.a, call.b);
            break;
        case Call::Kind::Text:
            DrawText(call.a, call.b, std::string_view(texts_).substr(call.c, call.d));
            break;
        case Call::Kind::TextSize:
            PainterCanvas::SetTextSize(call.a);
            break;
    }
}

const QImage& PaintBox::Image() {
    CarryOut();
    return image_;
}

void PaintBox::DrawLines(const std::vector<QLine>& lines) {
    ClearNow();
    if (PenWidth() != 1) return PainterCanvas::DrawLines(lines);
    const QRgb colour = PenColor().rgb();
    for (const QLine& line : lines) ThinLine(line, colour);
}

void PaintBox::SetCrossCursor() {
    setCursor(Qt::CrossCursor);
}

void PaintBox::Fill(const QRect& area, QRgb colour) {
    const QRect r = area.intersected(image_.rect());
    if (r.isEmpty()) return;
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + r.left(), row + r.right() + 1, colour);
    }
}

void PaintBox::ClearNow() {
    if (!clearPending_) return;
    clearPending_ = false;
    PainterCanvas::Clear();
}

// The labels of a map are the same few hundred numbers at every redraw.
void PaintBox::DrawText(int x, int y, std::string_view text) {
    FlushLines();
    ClearNow();
    const std::optional<QImage>& label = Label(text);
    if (!label) return PainterCanvas::TextOut(x, y, text);
    Painter();
    const QRect cell(QPoint(x, y), label->size());
    const QRect r = cell.intersected(image_.rect());
    if (r.isEmpty()) return;
    for (int row = r.top(); row <= r.bottom(); ++row)
        std::copy_n(reinterpret_cast<const QRgb*>(label->constScanLine(row - y)) + (r.left() - x), r.width(),
                    reinterpret_cast<QRgb*>(image_.scanLine(row)) + r.left());
}

const std::optional<QImage>& PaintBox::Label(std::string_view text) {
    const QFont font = Painter().font();
    auto key = std::make_tuple(std::string(text), BrushColor().rgb(), font.pixelSize());
    const auto known = labels_.find(key);
    if (known != labels_.end()) return known->second;
    // Written once with room around it, on a colour the text cannot give,
    // to see whether it stays in its cell.
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(s), metrics.height());
    const int margin = metrics.height();
    const QRect cell(QPoint(margin, margin), size);
    QImage room(size + QSize(2 * margin, 2 * margin), image_.format());
    const QRgb outside = ~TextColor().rgb() | 0xFF000000u;
    room.fill(outside);
    {
        QPainter p(&room);
        p.setFont(font);
        p.fillRect(cell, BrushColor());
        p.setPen(TextColor());
        p.drawText(cell, Qt::AlignLeft | Qt::AlignTop, s);
    }
    std::optional<QImage> label;
    bool inside = true;
    for (int y = 0; y < room.height() && inside; ++y)
        for (int x = 0; x < room.width(); ++x)
            if (!cell.contains(x, y) && room.pixel(x, y) != outside) {
                inside = false;
                break;
            }
    if (inside) label = room.copy(cell);
    return labels_.emplace(std::move(key), std::move(label)).first->second;
}

void PaintBox::DrawRectangle(int x1, int y1, int x2, int y2) {
    const auto cells = Cells(x1, y1, x2, y2);
    if (!cells) return;
    FlushLines();
    Painter();  // the image at the panel's size
    if (clearPending_ && PenWidth() == 1 && *cells == QRect(0, 0, width() - 1, height() - 1)) {
        // A frame over all but the last column and row: only those are cleared.
        clearPending_ = false;
        Fill(QRect(width() - 1, 0, 1, height()), Background().rgb());
        Fill(QRect(0, height() - 1, width(), 1), Background().rgb());
    }
    ClearNow();
    if (PenWidth() != 1) return PainterCanvas::Rectangle(x1, y1, x2, y2);
    const QRect& r = *cells;
    Fill(r, BrushColor().rgb());
    const QRgb pen = PenColor().rgb();
    Fill(QRect(r.left(), r.top(), r.width(), 1), pen);
    Fill(QRect(r.left(), r.bottom(), r.width(), 1), pen);
    Fill(QRect(r.left(), r.top(), 1, r.height()), pen);
    Fill(QRect(r.right(), r.top(), 1, r.height()), pen);
}

const QImage& PaintBox::Sprite(const QSize& size) {
    const SpriteKey key{PenColor().rgb(), BrushColor().rgb(), size.width(), size.height()};
    auto it = sprites_.find(key);
    if (it != sprites_.end()) return it->second;
    QImage sprite(size, QImage::Format_ARGB32);
    sprite.fill(Qt::transparent);
    QPainter p(&sprite);
    p.setPen(Pen());
    p.setBrush(BrushColor());
    p.drawEllipse(QRect(0, 0, size.width() - 1, size.height() - 1));
    p.end();
    return sprites_.emplace(key, std::move(sprite)).first->second;
}

void PaintBox::DrawEllipse(int x1, int y1, int x2, int y2) {
    const auto cells = Cells(x1, y1, x2, y2);
    if (!cells) return;
    FlushLines();
    ClearNow();
    if (PenWidth() != 1) return PainterCanvas::Ellipse(x1, y1, x2, y2);
    Painter();
    const QImage& sprite = Sprite(cells->size());
    const QRect r = cells->intersected(image_.rect());
    if (r.isEmpty()) return;
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const QRgb* from =
            reinterpret_cast<const QRgb*>(sprite.constScanLine(y - cells->top())) - cells->left();
        QRgb* to = reinterpret_cast<QRgb*>(bits + y * stride);
        for (int x = r.left(); x <= r.right(); ++x)
            if (qAlpha(from[x]) != 0) to[x] = from[x] | 0xFF000000u;
    }
}

// A one-pixel line straight into the image, its end point left out: the
// edges of a map are thousands of such lines.
void PaintBox::ThinLine(const QLine& line, QRgb colour) {
    const int width = image_.width(), height = image_.height();
    if (width == 0 || height == 0) return;
    // Cut the line to the image first (Liang-Barsky): its ends may lie far outside.
    double x0 = line.x1(), y0 = line.y1(), x1 = line.x2(), y1 = line.y2();
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0, width - 1 - x0, y0, height - 1 - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
    }
    if (t0 > t1) return;
    const bool endInside = t1 >= 1;
    const int ax = static_cast<int>(std::lround(x0 + t0 * dx)),
              ay = static_cast<int>(std::lround(y0 + t0 * dy));
    const int bx = static_cast<int>(std::lround(x0 + t1 * dx)),
              by = static_cast<int>(std::lround(y0 + t1 * dy));
    // One pixel per step along the longer axis, the other coordinate in 16.16 fixed point.
    const int steps = std::max(std::abs(bx - ax), std::abs(by - ay)) + (endInside ? 0 : 1);
    if (steps == 0) return;
    const int span = std::max(std::abs(bx - ax), std::abs(by - ay));
    const long long stepX = span ? (static_cast<long long>(bx - ax) << 16) / span : 0;
    const long long stepY = span ? (static_cast<long long>(by - ay) << 16) / span : 0;
    long long fx = (static_cast<long long>(ax) << 16) + (1 << 15),
              fy = (static_cast<long long>(ay) << 16) + (1 << 15);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int i = 0; i < steps; ++i, fx += stepX, fy += stepY) {
        const int px = static_cast<int>(fx >> 16), py = static_cast<int>(fy >> 16);
        if (static_cast<unsigned>(px) < static_cast<unsigned>(width) &&
            static_cast<unsigned>(py) < static_cast<unsigned>(height))
            reinterpret_cast<QRgb*>(bits + py * stride)[px] = colour;
    }
}

void PaintBox::paintEvent(QPaintEvent* event) {
    CarryOut();
    sinceShown_.start();
    QPainter p(this);
    p.drawImage(event->rect(), image_, event->rect());
}

void PaintBox::resizeEvent(QResizeEvent*) {
    CarryOut();
    FitImage();
}

void PaintBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) labels_.clear();
    QWidget::changeEvent(event);
}

// The picture keeps the panel's size, whether or not the window has been shown.
void PaintBox::FitImage() {
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

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
    restAt_ = event->position().toPoint();
    rest_.start();
}

void PaintBox::wheelEvent(QWheelEvent* event) {
    wheelAngle_ += event->angleDelta().y();
    const int notches = wheelAngle_ / 120;  // a notch of a common wheel; touchpads send parts of one
    wheelAngle_ -= notches * 120;
    if (notches != 0) emit Wheel(notches);
    event->accept();
}
