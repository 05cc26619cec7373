#include "cli/CommandLine.h"

#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <string>

#include "cli/Arguments.h"
#include "cli/CommandOptions.h"
#include "cli/ConsoleForm.h"
#include "handlers/MapFiles.h"
#include "handlers/MapRecord.h"
#include "handlers/TreeButton.h"
#include "mds/MapSettling.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "table/Capacities.h"
#include "table/TableReader.h"
#include "session/Session.h"
#include "writers/Coordinates.h"
#include "writers/MapPicture.h"

namespace {

constexpr const char* kVersion = "1.2";

// Standard error carries the status line's texts: of Qt's own messages only
// the serious ones.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "itemmap: %s\n", qPrintable(message));
}

int Usage(std::FILE* err, const std::string& problem) {
    std::fprintf(err, "itemmap: %s (itemmap --help lists the commands and options)\n", problem.c_str());
    return kExitUsage;
}

// What the file says before the run starts: why a column option cannot be
// used with it (then the run does not start), and the defaults of "Input
// size" and "Vect. dim": all its rows up to the run's limit, and the
// features of the rows taken (0 for a square matrix). The run takes this
// read rather than reading the file again.
std::string InspectTheFile(Choices& c) {
    const auto size = c.edits.find(Edit12);
    const int rows = c.allRows                ? kMostAllRows
                     : size != c.edits.end() ? ParseInt(size->second)
                                             : c.command->items;
    auto read = std::make_shared<TableRead>(TableRead{c.file, rows, c.reading, {}, {}});
    read->table = ReadVectors(c.file.c_str(), rows, c.reading, read->report);
    const FileShape shape = ShapeOf(read->report);
    if (shape.items > 0) {
        c.edits.emplace(Edit12, std::to_string(shape.items));
        c.edits.emplace(Edit13, std::to_string(shape.matrix ? 0 : shape.values));
    }
    const std::string problem = read->report.problem;
    c.readAhead = std::move(read);
    return problem;
}

// Pictures need fonts, and so a GUI application; no display is needed.
std::unique_ptr<QGuiApplication> PictureFonts() {
    if (QGuiApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "itemmap";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// After the run: the tree, then the view and what leaves the program.
// Returns the exit status, given the run's.
int WriteResults(ConsoleForm& form, Session& session, const Choices& c, int status) {
    if (c.tree) {
        form.SetEditText(Edit7, *c.tree);
        DrawMinimumTree(form, session);
    }
    if (c.savedMap && !SaveShownMap(form, session, *c.savedMap)) status = kExitRefused;
    if (c.pictures.empty() && !c.coordinates && !c.items) return status;
    for (const std::string& warning : SetPictureView(session, c.view)) form.StatusNote(warning);
    const auto report = [&](const Written& w, const char* what) {
        form.StatusNote(WrittenText(w, what));
        if (!w.error.empty()) status = kExitRefused;
    };
    for (const std::string& picture : c.pictures)
        report(WriteMapPicture(session.Scene(), ShownMapCaption(session), picture), "map picture");
    if (c.coordinates)
        report(c.command->coordinates == CoordinatesOf::Layer ? WriteLayerCoordinates(session, *c.coordinates)
                                                              : WriteCoordinates(session, *c.coordinates),
               "coordinates");
    if (c.items) report(WriteSocItems(session, *c.items), "items");
    if (const int outside = MarksOutside(session.view, session.map, kMapPanelWidth, kMapPanelHeight);
        outside > 0 && !c.pictures.empty())
        form.StatusNote(Format("warning: %d mark%s of the map lie outside its picture", outside,
                               outside == 1 ? "" : "s"));
    return status;
}

}  // namespace

int RunCommandLine(int argc, char** argv, std::FILE* out, std::FILE* err) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << ArgumentText(argv[i]);
    const QString first = args.value(0);
    if (first == "-h" || first == "--help") {
        std::fputs(HelpText().c_str(), out);
        return kExitFinished;
    }
    if (first == "-v" || first == "--version") {
        std::fprintf(out, "itemmap %s\n", kVersion);
        return kExitFinished;
    }
    Choices choices;
    if (const std::optional<std::string> problem = ReadChoices(args, choices)) return Usage(err, *problem);
    if (choices.command->onFiles == nullptr)
        if (const std::string problem = InspectTheFile(choices); !problem.empty()) return Usage(err, problem);

    qInstallMessageHandler(QtMessages);
    const std::unique_ptr<QGuiApplication> gui = choices.pictures.empty() ? nullptr : PictureFonts();
    Session session;
    ConsoleForm form(
        choices.edits, choices.file,
        {choices.reading, choices.seed, choices.settle, choices.allRows, choices.readAhead, choices.results,
         choices.map, choices.mrp},
        session, out, err);
    form.Given(choices.given);
    ConsoleForm::StopOnSignals();
    if (choices.command->onFiles != nullptr)
        choices.command->onFiles(form, session, choices.files);
    else
        choices.command->run(form, session);
    const std::optional<Outcome> outcome = form.LastOutcome();
    if (outcome != Outcome::Finished && outcome != Outcome::Stopped) return kExitRefused;
    const int status = WriteResults(form, session, choices, kExitFinished);
    if (ConsoleForm::StopSignal() != 0) return 128 + ConsoleForm::StopSignal();  // the shell's way
    return form.Failed() ? kExitRefused : status;
}
