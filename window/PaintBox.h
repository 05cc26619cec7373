// A paint panel: a plain drawing surface with mouse events. It draws into a
// persistent image, so a picture survives the window being covered, and
// draws when the picture is shown.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "painting/PainterCanvas.h"

class PaintBox : public QWidget, public PainterCanvas {
    Q_OBJECT

public:
    PaintBox(QWidget* parent, const QString& name);

    // The picture, every drawing so far carried out.
    const QImage& Image();

    int Width() const override { return width(); }
    int Height() const override { return height(); }
    // Drawing calls are kept and carried out when the picture is shown: a
    // run redraws its map far more often than the screen shows a frame, and
    // only the last drawing before a frame is seen.
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
    void EndDraw() override;
    void SetCrossCursor() override;

signals:
    void Clicked();
    void MouseUp(Qt::MouseButton button, int x, int y);
    void Wheel(int notches);    // up positive
    void Rested(int x, int y);  // the pointer stayed at (x, y) for half a second

protected:
    QPainter& Painter() override;
    void DrawLines(const std::vector<QLine>& lines) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Call {
        enum class Kind : std::uint8_t {
            End,
            Clear,
            Pen,
            Width,
            Brush,
            Rectangle,
            Ellipse,
            Move,
            Line,
            Text,
            TextSize
        };
        Kind kind;
        int a = 0, b = 0, c = 0, d = 0;  // a text's characters: texts_[c, c + d)
    };
    // A drawing that clears the panel makes every earlier call but the
    // last pen, width, brush, position and text size moot; a pen, width,
    // brush or text size that is already set changes nothing.
    void Keep(const Call& call);
    static int StateSlot(
        Call::Kind kind);  // 0..4 for a pen, width, brush, position or text size; -1 otherwise
    void CarryOut();
    void Carry(const Call& call);
    std::vector<Call> calls_;
    std::string texts_;
    std::optional<Call> kept_[5];  // the last pen, width, brush, position and text size kept

    // Straight into the image: the marks of a map are hundreds of small
    // shapes, the same few again and again.
    void DrawRectangle(int x1, int y1, int x2, int y2);
    void DrawEllipse(int x1, int y1, int x2, int y2);
    void DrawText(int x, int y, std::string_view text);
    void FitImage();
    void ThinLine(const QLine& line, QRgb colour);
    void Fill(const QRect& area, QRgb colour);
    // Every drawing starts with a clearing and then covers all but the last
    // row and column with its frame: the clearing waits to see whether it
    // need do more.
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
    // A text as the painter writes it in its current font: its cell in the
    // brush with the text on it; none when the text reaches outside its cell.
    const std::optional<QImage>& Label(std::string_view text);
    std::map<std::tuple<std::string, QRgb, int>, std::optional<QImage>> labels_;

    // Shows the picture at most once per frame of the screen, carrying out
    // the calls kept since the last frame.
    void ShowPicture();

    QImage image_;
    std::optional<QPainter> painter_;
    QElapsedTimer sinceShown_;
    QTimer showLater_;
    QTimer rest_;
    QPoint restAt_;
    int wheelAngle_ = 0;
};
