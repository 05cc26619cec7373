#include "writers/MapPicture.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

#include "handlers/MapRecord.h"
#include "mrp/MapFit.h"
#include "soc/SocFit.h"
#include "view/MapDrawing.h"
#include "workspace/Numbers.h"
#include "workspace/Workspace.h"
#include "writers/PainterCanvas.h"

namespace {

QColor WindowColour(QPalette::ColorRole role) {
    return QGuiApplication::palette().color(role);
}

// A canvas over a painter that the caller set up, of the panel's size.
class PictureCanvas : public PainterCanvas {
public:
    explicit PictureCanvas(QPainter& painter)
        : PainterCanvas(WindowColour(QPalette::WindowText), WindowColour(QPalette::Window)),
          painter_(painter) {
        painter_.setFont(PanelFont());
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
class SvgCanvas : public PictureCanvas {
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

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool EndsWith(const std::string& s, const char* tail) {
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// Opens a file that takes the place of path only when committed.
std::optional<std::string> Open(QSaveFile& file, const std::string& path) {
    file.setFileName(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return std::nullopt;
}

std::string Commit(QSaveFile& file, const std::string& path) {
    if (file.commit()) return {};
    return "cannot write " + path + ": " + file.errorString().toStdString();
}

std::string Number(double v) {
    return Format("%.9g", v);
}

}  // namespace

QImage MapImage(int scale) {
    scale = std::clamp(scale, 1, 4);
    QImage image(kMapPanelWidth * scale, kMapPanelHeight * scale, QImage::Format_RGB32);
    image.fill(WindowColour(QPalette::Window));
    QPainter painter(&image);
    painter.scale(scale, scale);
    PictureCanvas canvas(painter);
    DrawMap(canvas, false);
    return image;
}

Written WriteMapPicture(const std::string& name) {
    Written out{name, {}};
    const std::string lower = Lower(name);
    const int scale = EndsWith(lower, "@2x.png") ? 2 : 1;
    const bool svg = EndsWith(lower, ".svg");
    if (!svg && !EndsWith(lower, ".png")) out.path += ".png";
    QSaveFile file;
    if (const auto error = Open(file, out.path)) return {out.path, *error};
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(QSize(kMapPanelWidth, kMapPanelHeight));
        generator.setViewBox(QRect(0, 0, kMapPanelWidth, kMapPanelHeight));
        generator.setResolution(96);
        generator.setTitle(QStringLiteral("itemmap map"));
        QPainter painter(&generator);
        SvgCanvas canvas(painter);
        DrawMap(canvas, false);
    } else if (!MapImage(scale).save(&file, "PNG")) {
        file.cancelWriting();
        return {out.path, "cannot write " + out.path + ": the PNG encoder failed"};
    }
    out.error = Commit(file, out.path);
    return out;
}

std::string WrittenText(const Written& written, const char* what) {
    if (!written.error.empty()) return "error: " + written.error;
    return std::string(what) + " written to " + written.path;
}

std::string CoordinatesText() {
    const MapRecord& map = ShownMap();
    const int n = ws.MapItems();
    std::string text;
    const auto field = [&text](double v) {
        text += '\t';
        text += Number(v);
    };
    if (map.kind == MapKind::MrpMds) {
        text = "# " + MapFitText(MeasureMapFit(n, map.axes)) + "\n";
        text += "item\tcluster\tprobability";
        for (int a = 1; a <= map.axes; ++a) text += Format("\taxis%d", a);
        text += "\tview_x\tview_y\n";
        for (int i = 1; i <= n; ++i) {
            const int mark = ws.ClusterOf[i];
            text += Format("%d\t%d", i, mark == -10000 ? 0 : std::abs(mark));  // set aside: in no cluster
            field(ws.ProtoProb[i]);
            for (int a = 1; a <= map.axes; ++a) field(ws.MapCoords[i][a]);
            field(ws.ProjCoords[i][1]);
            field(ws.ProjCoords[i][2]);
            text += '\n';
        }
        return text;
    }
    const int dim = std::clamp(ws.VectorDim, 0, kMaxDim);
    const SocFit fit = MeasureSocFit();
    text = "# " + SocFitText(fit) + "\n";
    text += "prototype\tmembers\tscore\tview_x\tview_y";
    for (int c = 1; c <= dim; ++c) text += Format("\tc%d", c);
    text += '\n';
    for (int k = 1; k <= n; ++k) {
        text += Format("%d\t%d", k, fit.members[k]);
        field(ws.ItemScore[k]);
        field(ws.ProjCoords[k][1]);
        field(ws.ProjCoords[k][2]);
        for (int c = 1; c <= dim; ++c) field(ws.Prototypes[k][1][c]);
        text += '\n';
    }
    return text;
}

Written WriteCoordinates(const std::string& path) {
    QSaveFile file;
    if (const auto error = Open(file, path)) return {path, *error};
    const std::string text = CoordinatesText();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return {path, "cannot write " + path + ": " + file.errorString().toStdString()};
    }
    return {path, Commit(file, path)};
}
