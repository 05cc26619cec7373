// A paint panel: a plain drawing surface with mouse events. It draws into a
// persistent image, so a picture survives the window being covered.
#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <optional>
#include <vector>

#include "writers/PainterCanvas.h"

class PaintBox : public QWidget, public PainterCanvas {
    Q_OBJECT

public:
    PaintBox(QWidget* parent, const QString& name);

    const QImage& Image() const { return image_; }

    int Width() const override { return width(); }
    int Height() const override { return height(); }
    void BeginDraw() override;
    void EndDraw() override;
    void SetCrossCursor() override;

signals:
    void Clicked();
    void DoubleClicked();
    void MouseUp(Qt::MouseButton button, int x, int y);

protected:
    QPainter& Painter() override;
    void DrawLines(const std::vector<QLine>& lines) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void FitImage();
    void ThinLine(const QLine& line, QRgb colour);

    QImage image_;
    std::optional<QPainter> painter_;
};
