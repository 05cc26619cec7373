// A paint panel: a plain drawing surface with mouse events. It draws into a
// persistent image, so a picture survives the window being covered.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "writers/PainterCanvas.h"

class PaintBox : public QWidget, public PainterCanvas {
    Q_OBJECT

public:
    PaintBox(QWidget* parent, const QString& name);

    const QImage& Image() const { return image_; }

    int Width() const override { return width(); }
    int Height() const override { return height(); }
    // Straight into the image: the marks of a map are hundreds of small
    // shapes, the same few again and again.
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, std::string_view text) override;
    // Every drawing starts with it and then covers all but the last row and
    // column with its frame: the clearing waits to see whether it need do more.
    void Clear() override;
    void BeginDraw() override;
    void EndDraw() override;
    void SetCrossCursor() override;

signals:
    void Clicked();
    void DoubleClicked();
    void MouseUp(Qt::MouseButton button, int x, int y);
    void Wheel(int notches);    // up positive
    void Rested(int x, int y);  // the pointer stayed at (x, y) for half a second

protected:
    QPainter& Painter() override;
    void DrawLines(const std::vector<QLine>& lines) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void FitImage();
    void ThinLine(const QLine& line, QRgb colour);
    void Fill(const QRect& area, QRgb colour);
    void ClearNow();
    bool clearPending_ = false;
    // An ellipse as the painter draws it, in the current pen and brush.
    const QImage& Sprite(const QSize& size);

    struct SpriteKey {
        QRgb pen, brush;
        int width, height;
        bool operator<(const SpriteKey& o) const {
            return std::tie(pen, brush, width, height) < std::tie(o.pen, o.brush, o.width, o.height);
        }
    };
    std::map<SpriteKey, QImage> sprites_;

    // Shows the picture at most once per frame of the screen: a run draws
    // every redraw into the image but does not wait for what it cannot show.
    void ShowPicture();

    QImage image_;
    std::optional<QPainter> painter_;
    QElapsedTimer sinceShown_;
    QTimer showLater_;
    QTimer rest_;
    QPoint restAt_;
    int wheelAngle_ = 0;
};
