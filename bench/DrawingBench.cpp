// Drawing a 400-item map into the window's offscreen image, without edges
// and with the edge limit 0.2.
#include <QApplication>
#include <benchmark/benchmark.h>

#include "BenchData.h"
#include "ui/qt/TForm1.h"
#include "view/MapDrawing.h"

namespace {

TForm1* form = nullptr;

void Map400(bool edges) {
    BenchMap(400, 2);
    ws.ItemCount = 400;
    ws.MapSize1 = ws.MapSize2 = 20;
    ws.ViewZoom = 1.0f;
    ws.ViewAngle = 1.5707964f;
    ws.MarkScale = 5.0f;
    ws.ShowEdges = edges ? 1 : 0;
    for (int i = 1; i <= 400; ++i) {
        ws.ProjCoords[i][1] = ws.MapCoords[i][1] * 2;
        ws.ProjCoords[i][2] = ws.MapCoords[i][2] * 2;
        ws.ProtoProb[i] = 0.5f;
        ws.ClusterOf[i] = 1 + i % 30;
    }
    ws.ClusterCount = 30;
    for (int c = 1; c <= 30; ++c) ws.ClusterCentres[c] = c;
    form->Edits[5]->setText(edges ? "0.2" : ".0");
}

void DrawMap(benchmark::State& state) {
    Map400(state.range(0) != 0);
    for (auto _ : state) PaintBox1Click(*form);
}

}  // namespace

BENCHMARK(DrawMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TForm1 window;
    form = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
