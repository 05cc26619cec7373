// A paint panel: a plain drawing surface with mouse events. It draws into a
// persistent image, so a picture survives the window being covered.
#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <optional>
#include <vector>

#include "workspace/Canvas.h"

class PaintBox : public QWidget, public Canvas {
    Q_OBJECT

public:
    PaintBox(QWidget* parent, const QString& name);

    const QImage& Image() const { return image_; }

    int Width() const override { return width(); }
    int Height() const override { return height(); }
    void BeginDraw() override;
    void EndDraw() override;
    void SetCrossCursor() override;
    void Clear() override;
    void SetPenColor(std::uint32_t bgr) override;
    void SetPenWidth(int width) override;
    void SetBrushColor(std::uint32_t bgr) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, std::string_view text) override;

signals:
    void Clicked();
    void DoubleClicked();
    void MouseUp(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QPainter& Painter();
    void FitImage();
    void Shape(int x1, int y1, int x2, int y2, void (QPainter::*draw)(const QRect&));
    void FlushLines();
    void ThinLine(const QLine& line, QRgb colour);
    QPen Pen() const;

    QImage image_;
    std::optional<QPainter> painter_;
    QColor penColor_{Qt::black};
    int penWidth_ = 1;
    QColor brushColor_{Qt::white};
    QPoint penPos_;
    std::vector<QLine> pendingLines_;  // lines in the current pen, drawn together
};
