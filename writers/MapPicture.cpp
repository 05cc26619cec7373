#include "writers/MapPicture.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QPageSize>
#include <QPalette>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "painting/PainterCanvas.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/MapLegend.h"

namespace {

constexpr int kCaptionSize = 10;  // pixels of the caption's text
constexpr int kMargin = 8;

QColor WindowColour(QPalette::ColorRole role) {
    return QGuiApplication::palette().color(role);
}

// A canvas over a painter that the caller set up; its map is the panel's size.
class PictureCanvas : public PainterCanvas {
public:
    explicit PictureCanvas(QPainter& painter)
        : PainterCanvas(WindowColour(QPalette::WindowText), WindowColour(QPalette::Window)),
          painter_(painter) {
        painter_.setFont(TextFont());
    }
    int Width() const override { return kMapPanelWidth; }
    int Height() const override { return kMapPanelHeight; }
    void EndDraw() override { FlushLines(); }

protected:
    QPainter& Painter() override { return painter_; }

private:
    QPainter& painter_;
};

// In a vector picture an edge is one line: the drawing visits each pair
// from both ends, and the second line would lie on the first.
class VectorCanvas : public PictureCanvas {
public:
    using PictureCanvas::PictureCanvas;

protected:
    void DrawLines(const std::vector<QLine>& lines) override {
        std::vector<QLine> fresh;
        for (const QLine& l : lines) {
            QPoint a = l.p1(), b = l.p2();
            if (std::tie(b.rx(), b.ry()) < std::tie(a.rx(), a.ry())) std::swap(a, b);
            if (drawn_.insert({a.x(), a.y(), b.x(), b.y(), PenColor().rgb(), PenWidth()}).second)
                fresh.push_back(l);
        }
        if (!fresh.empty()) PictureCanvas::DrawLines(fresh);
    }

private:
    std::set<std::tuple<int, int, int, int, QRgb, int>> drawn_;
};

constexpr int kStripWidth = kMapPanelWidth - 2 * kMargin;

// The caption in lines that fit the picture's width, broken between its
// parts (a part wider than the picture keeps a line of its own).
std::vector<std::string> CaptionLines(Canvas& canvas, const std::string& caption) {
    const std::string dot = " \u00b7 ";
    canvas.SetTextSize(kCaptionSize);
    std::vector<std::string> lines(1);
    for (std::size_t from = 0; from <= caption.size();) {
        std::size_t to = caption.find(dot, from);
        if (to == std::string::npos) to = caption.size();
        const std::string part = caption.substr(from, to - from);
        const std::string longer = lines.back().empty() ? part : lines.back() + dot + part;
        if (lines.back().empty() || canvas.TextWidth(longer) <= kStripWidth)
            lines.back() = longer;
        else
            lines.push_back(part);
        from = to + dot.size();
    }
    return lines;
}

constexpr int kCaptionLine = kCaptionSize + 6;

// The strip below the map: the caption, then the legend in rows.
int StripHeight(const MapScene& scene, const std::string& caption) {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    PictureCanvas canvas(painter);
    const int lines = static_cast<int>(CaptionLines(canvas, caption).size()) * kCaptionLine;
    return kMargin + lines + LegendRowsHeight(canvas, scene, kStripWidth) + kMargin;
}

QSize PictureSize(const MapScene& scene, const std::string& caption) {
    return {kMapPanelWidth, kMapPanelHeight + StripHeight(scene, caption)};
}

void DrawPicture(PictureCanvas& canvas, const MapScene& scene, const std::string& caption, int height) {
    DrawMapAlone(canvas, scene);
    const DrawingScope drawing(canvas);
    canvas.SetPenColor(kWhite);
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, kMapPanelHeight, kMapPanelWidth + 1, height + 1);
    canvas.SetPenColor(kBlack);
    int top = kMapPanelHeight + kMargin;
    for (const std::string& line : CaptionLines(canvas, caption)) {
        canvas.TextOut(kMargin, top, line);
        top += kCaptionLine;
    }
    DrawLegendRows(canvas, scene, kMargin, top, kStripWidth);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::string NameExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return Lower(path.substr(dot + 1));
}

std::vector<std::string> RasterFormats() {
    std::vector<std::string> formats;
    for (const QByteArray& f : QImageWriter::supportedImageFormats())
        if (const std::string format = Lower(f.toStdString()); format != "ico" && format != "cur")
            formats.push_back(format);
    return formats;
}

QImage MapImage(const MapScene& scene, const std::string& caption, int scale) {
    scale = std::clamp(scale, 1, 4);
    const QSize size = PictureSize(scene, caption);
    QImage image(size * scale, QImage::Format_RGB32);
    image.fill(WindowColour(QPalette::Window));
    QPainter painter(&image);
    painter.scale(scale, scale);
    PictureCanvas canvas(painter);
    DrawPicture(canvas, scene, caption, size.height());
    return image;
}

std::string PictureNameProblem(const std::string& path) {
    const std::string extension = NameExtension(path);
    const std::vector<std::string> raster = RasterFormats();
    if (extension == "svg" || extension == "pdf" || std::count(raster.begin(), raster.end(), extension))
        return {};
    std::string known = ".png, .svg, .pdf";
    for (const std::string& f : raster)
        if (f != "png") known += ", ." + f;
    return Format("%s: %s is no picture format this tool writes; it writes %s", path.c_str(),
                  extension.empty() ? "a name without an extension" : ("." + extension).c_str(),
                  known.c_str());
}

Written WriteMapPicture(const MapScene& scene, const std::string& caption, const std::string& path) {
    if (std::string problem = PictureNameProblem(path); !problem.empty())
        return {path, "cannot write " + problem};
    const std::string extension = NameExtension(path);
    const std::string stem = Lower(path.substr(0, path.size() - extension.size() - 1));
    const int scale = stem.size() >= 3 && stem.compare(stem.size() - 3, 3, "@2x") == 0 ? 2 : 1;
    QSaveFile file;
    if (const auto error = OpenSaved(file, path)) return {path, *error};
    const QSize size = PictureSize(scene, caption);
    if (extension == "svg") {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setResolution(96);
        generator.setTitle(QString::fromStdString(caption));
        QPainter painter(&generator);
        VectorCanvas canvas(painter);
        DrawPicture(canvas, scene, caption, size.height());
    } else if (extension == "pdf") {
        QPdfWriter pdf(&file);
        pdf.setResolution(96);
        pdf.setPageSize(
            QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QString::fromStdString(caption));
        pdf.setCreator(QStringLiteral("itemmap"));
        QPainter painter(&pdf);
        VectorCanvas canvas(painter);
        DrawPicture(canvas, scene, caption, size.height());
    } else if (!MapImage(scene, caption, scale).save(&file, extension.c_str())) {
        file.cancelWriting();
        return {path, "cannot write " + path + ": the " + extension + " writer failed"};
    }
    return {path, CommitSaved(file, path)};
}
