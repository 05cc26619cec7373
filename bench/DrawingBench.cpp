// The window offscreen: drawing a 400-item map without edges and with the
// edge limit 0.2, and whole runs with every redraw and event pump.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "BenchData.h"
#include "RunTiming.h"
#include "handlers/MapPanel.h"
#include "window/TForm1.h"
#include "session/Session.h"

namespace {

// The window with its file dialog answered, and its runs' seed.
class BenchForm : public TForm1 {
public:
    QString answer;
    std::optional<unsigned> seed;

    RunChoices Choices() override {
        RunChoices choices = TForm1::Choices();
        choices.seed = seed;
        return choices;
    }

protected:
    QStringList ShowOpenDialog(const QString&) override { return {answer}; }
};

BenchForm* form = nullptr;

// A settled map: the distances are those of the map positions, so the edges
// under the limit join neighbours on the panel.
void Map400(int edges) {
    form->session() = Session{};
    BenchMapData b = BenchMap(400, 2);
    form->session().map = std::move(b.map);
    form->session().distances = std::move(b.distances);
    const MapLayout& map = form->session().map;
    for (int i = 1; i <= 400; ++i)
        for (int j = 1; j <= 400; ++j)
            form->session().distances.Row(i)[j] =
                std::hypot(map.Point(i)[1] - map.Point(j)[1], map.Point(i)[2] - map.Point(j)[2]);
    form->session().map.size[1] = form->session().map.size[2] = 20;
    View& view = form->session().view;
    view.zoom = 1.0f;
    view.angle = 1.5707964f;
    view.markScale = 5.0f;
    view.showEdges = edges > 0;
    view.projected.assign(401 * 3, 0.0);
    Clusters& clusters = form->session().clusters;
    clusters.Clear(400);
    for (int i = 1; i <= 400; ++i) {
        view.Projected(i)[1] = map.Point(i)[1] * 2;
        view.Projected(i)[2] = map.Point(i)[2] * 2;
        clusters.probability[static_cast<std::size_t>(i)] = 0.5f;
        clusters.marks[static_cast<std::size_t>(i)] =
            i <= 30 ? ClusterMark::Centre(i) : ClusterMark::Member(1 + i % 30);
    }
    clusters.count = 30;
    clusters.centres.assign(31, 0);
    for (int c = 1; c <= 30; ++c) clusters.centres[static_cast<std::size_t>(c)] = c;
    form->Edits[5]->setText(edges == 2 ? "0.2" : ".0");
}

void DrawMap(benchmark::State& state) {
    Map400(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RedrawMap(*form, form->session());
        form->PaintBox1->Image();  // the panel draws when it shows or gives its picture
    }
}

}  // namespace

// A whole run with the form's defaults, on a copy of a sample.
void WholeRun(benchmark::State& state, const char* sample, const char* size, const char* dim, bool soc) {
    QTemporaryDir dir;
    form->answer = dir.filePath("input.txt");
    QFile::copy(QStringLiteral(ITEMMAP_SAMPLES_DIR "/") + sample, form->answer);
    form->Edits[12]->setText(size);
    form->Edits[13]->setText(dim);
    form->Edits[5]->setText(".0");  // the form's default: no edges
    for (auto _ : state) {
        form->session() = Session{};
        if (soc)
            form->Button10->click();
        else
            form->Button2->click();
    }
}

// The pacing case: a whole MRP-MDS run of 400 items of 64 components on 3
// axes, from the click to its end. scripts/pacing-bench runs it offscreen and
// in a real X window (Xvfb) and compares.
void PacingMrpMds400x64(benchmark::State& state) {
    QTemporaryDir dir;
    form->answer = dir.filePath("input.txt");
    WriteBenchVectors(form->answer.toStdString(), 400, 64);
    form->Edits[12]->setText("400");
    form->Edits[13]->setText("64");
    form->Edits[11]->setText("3");
    form->Edits[5]->setText(".0");
    for (auto _ : state) {
        form->session() = Session{};
        form->Button2->click();
    }
    form->Edits[11]->setText("2");
}

// The map that a default run leaves on the 400-item sample, drawn with the
// edge limit given (a real map has more near pairs than the synthetic one).
void DrawSample400(benchmark::State& state, const char* limit) {
    QTemporaryDir dir;
    form->answer = dir.filePath("input.txt");
    QFile::copy(QStringLiteral(ITEMMAP_SAMPLES_DIR "/cancer-400x30.txt"), form->answer);
    form->Edits[12]->setText("400");
    form->Edits[13]->setText("30");
    form->Edits[5]->setText(".0");
    form->session() = Session{};
    form->Button2->click();
    form->Edits[5]->setText(limit);
    form->session().view.showEdges = true;
    for (auto _ : state) {
        RedrawMap(*form, form->session());
        form->PaintBox1->Image();  // the panel draws when it shows or gives its picture
    }
}

// A whole default SOC run on 89 x 26 values spread over 0..100,000: the error
// stays above 500, so every one of the 2,000,000 steps appends its alarm
// line to the message list.
void SocAlarmEveryStep(benchmark::State& state) {
    QTemporaryDir dir;
    form->answer = dir.filePath("large.txt");
    QFile file(form->answer);
    if (!file.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write the input");
    for (int i = 1; i <= 89; ++i)
        for (int j = 1; j <= 26; ++j)
            file.write(QByteArray::number(((i * 37 + j * 11) % 1000) * 100) + (j < 26 ? "\t" : "\n"));
    file.close();
    form->Edits[12]->setText("89");
    form->Edits[13]->setText("26");
    for (auto _ : state) {
        form->session() = Session{};
        form->Button10->click();
    }
    state.counters["lines"] = static_cast<double>(form->Memo1->model()->rowCount());
}

// A whole SOC run of 1000 vectors of 64 components with 400 prototypes, in
// the window and headless, in turn, with the same seed.
void SocWindowAgainstHeadless(benchmark::State& state) {
    QTemporaryDir dir;
    form->answer = dir.filePath("input.txt");
    const std::string file = form->answer.toStdString();
    WriteBenchVectors(file, 1000, 64, 10);
    form->Edits[12]->setText("1000");
    form->Edits[13]->setText("64");
    form->Edits[14]->setText("400");
    form->Edits[5]->setText(".0");
    double window = 0, headless = 0;
    for (auto _ : state) {
        const double shown = Seconds([] {
            form->session() = Session{};
            form->seed = 1;
            form->Button10->click();
        });
        state.SetIterationTime(shown);
        window += shown;
        headless += Seconds([&] {
            RunItemmap({"soc", file, "--size", "1000", "--dim", "64", "--prototypes", "400", "--seed", "1"});
        });
    }
    form->seed.reset();
    form->Edits[14]->setText(DefaultEditText(Edit14));
    state.counters["window_ms"] = window / static_cast<double>(state.iterations()) * 1000;
    state.counters["headless_ms"] = headless / static_cast<double>(state.iterations()) * 1000;
    state.counters["ratio"] = window / headless;  // goal: at most 1.2
}

// The map of an all-rows run of 1,000,000 rows of 4 values, redrawn as the
// view buttons redraw it: as it stands, turned (Rot1), zoomed (Size up) and
// with the item numbers (View); each redraw's slowest time (goal: 0.3 s).
void RedrawMillionRows(benchmark::State& state) {
    QTemporaryDir dir;
    form->answer = dir.filePath("million.txt");
    WriteBenchVectors(form->answer.toStdString(), 1000000, 4);
    form->Edits[13]->setText("4");
    form->Edits[5]->setText(".0");
    form->AllRowsBox->setChecked(true);
    form->session() = Session{};
    form->seed = 1;
    form->Button2->click();
    const auto redraw = [](QPushButton* button) {
        return Seconds([&] {
            if (button) button->click(); else RedrawMap(*form, form->session());
            form->PaintBox1->Image();
        });
    };
    for (auto _ : state) {
        double slowest = 0;
        const std::pair<const char*, QPushButton*> redraws[] = {
            {"shown_ms", nullptr}, {"rot1_ms", form->Button6}, {"size_up_ms", form->Button4}, {"view_ms", form->Button11}};
        for (const auto& [name, button] : redraws) {
            const double seconds = redraw(button);
            state.counters[name] = seconds * 1000;
            slowest = std::max(slowest, seconds);
        }
        state.SetIterationTime(slowest);
    }
    state.counters["points"] = form->session().map.n;
    form->Button11->click();
    form->AllRowsBox->setChecked(false);
    form->seed.reset();
}

// 0: edges off; 1: edges on with the default limit ".0"; 2: the limit 0.2.
BENCHMARK(DrawMap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawSample400, edges_0_2, "0.2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawSample400, edges_0_3, "0.3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WholeRun, MrpMds400, "cancer-400x30.txt", "400", "30", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(WholeRun, SocDefault, "cancer-89x26.txt", "89", "26", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(SocAlarmEveryStep)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SocWindowAgainstHeadless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(RedrawMillionRows)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(PacingMrpMds400x64)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchForm window;
    window.show();
    form = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
