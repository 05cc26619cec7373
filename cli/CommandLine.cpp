#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <memory>
#include <string>
#include <vector>

#include "cli/ConsoleForm.h"
#include "handlers/MinimumTree.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Reload.h"
#include "handlers/SocRun.h"
#include "mrp/MapSettling.h"
#include "workspace/Distances.h"
#include "workspace/InputFiles.h"
#include "workspace/Numbers.h"
#include "writers/Coordinates.h"
#include "writers/MapPicture.h"

namespace {

constexpr const char* kVersion = "1.1";

// An option: the form field it stands for, or a role of its own.
enum class Role { Field, Tree, Seed, NoSettle, Png, Svg, Tsv, Names, Class, Skip, Scale };

struct Option {
    const char* name;
    const char* value;
    Role role;
    EditId edit;
    const char* what;
};

struct Command {
    const char* name;
    void (*run)(Form&);
    const char* what;
    int items;  // the most items (rows) the run takes
    std::vector<Option> options;
};

const Option kSize{"size", "N", Role::Field, Edit12, "\"Input size\": the items (rows) to read"};
const Option kDim{"dim", "D", Role::Field, Edit13,
                  "\"Vect. dim\": components per item, 0 for a distance matrix"};
const Option kNames{"names", "COL", Role::Names, Edit1,
                    "the column of the items' names: a number or a header name, 0 for none"};
const Option kClass{"class", "COL", Role::Class, Edit1, "the column of the items' class, as --names"};
const Option kSkip{"skip", "COLS", Role::Skip, Edit1, "columns that are no feature, separated by commas"};
const Option kScale{"scale", "S", Role::Scale, Edit1,
                    "the features' scale: none, z (mean 0, deviation 1) or range (0..1)"};
const Option kEnlarge{"enlarge", "E", Role::Field, Edit4, "\"map enlarge.\""};
const Option kCharDistance{"char-distance", "C", Role::Field, Edit8,
                           "\"char. distance\" of the MRP clusters"};
const Option kNoise{"noise", "L", Role::Field, Edit9, "\"noise limit\" of the MRP clusters"};
const Option kNeighbour{"neighbour", "L", Role::Field, Edit10, "\"neigbbour limit\" of the MRP clusters"};
const Option kTree{"tree", "T", Role::Tree, Edit7, "then \"Min. Tree\" with threshold T"};
const Option kSeed{"seed", "S", Role::Seed, Edit1, "seeds the random generator with S"};
const Option kNoSettle{"no-settle", nullptr, Role::NoSettle, Edit1,
                       "ends with the run's steps of fixed length alone: the map is not settled"};
const Option kPng{"png", "F", Role::Png, Edit1,
                  "saves the map picture as PNG (a name ending @2x.png: twice the size)"};
const Option kSvg{"svg", "F", Role::Svg, Edit1, "saves the map picture as SVG"};
const Option kTsv{"tsv", "F", Role::Tsv, Edit1, "saves the map's coordinates as TSV"};

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"mrp-mds",
         Button2Click,
         "MRP clusters and an MDS map of up to 400 items",
         400,
         {kSize,
          kDim,
          kNames,
          kClass,
          kSkip,
          kScale,
          kEnlarge,
          {"map-dim", "M", Role::Field, Edit11, "\"map dim. (1-3)\": the map's axes"},
          kCharDistance,
          kNoise,
          kNeighbour,
          {"edge-lim", "F", Role::Field, Edit5, "\"edge lim\": edges shorter than F x the longest distance"},
          kTree,
          kSeed,
          kNoSettle,
          kPng,
          kSvg,
          kTsv}},
        {"soc",
         Button10Click,
         "trains prototypes on up to 1000 vectors; writes clusters.dat, soc.dat, weights.dat",
         1000,
         {kSize,
          kDim,
          kNames,
          kClass,
          kSkip,
          kScale,
          kEnlarge,
          {"prototypes", "K", Role::Field, Edit14,
           "\"No. of feature vect.\": prototypes, 0 for the MRP init"},
          {"rate", "R", Role::Field, Edit15, "\"convergence. rate\""},
          kCharDistance,
          kNoise,
          kNeighbour,
          kSeed,
          kNoSettle,
          kPng,
          kSvg,
          kTsv}},
        {"reload",
         Button9Click,
         "brings back the SOC run whose soc.dat and weights.dat lie beside FILE",
         1000,
         {kSize,
          kDim,
          kNames,
          kClass,
          kSkip,
          kScale,
          {"simil", "S", Role::Field, Edit16, "\"simil. dist\""},
          kTree,
          kPng,
          kSvg,
          kTsv}},
    };
    return commands;
}

std::string Default(const Option& o) {
    switch (o.role) {
        case Role::Field:
            if (o.edit == Edit12) return "all rows the file has";
            if (o.edit == Edit13) return "the values its rows have, 0 for a square matrix";
            return Format("\"%s\"", DefaultEditText(o.edit));
        case Role::Seed:
            return "the clock";
        case Role::Names:
        case Role::Class:
            return "found in the file";
        case Role::NoSettle:
            return "settles";
        default:
            return "none";
    }
}

// A list separated by commas.
std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        if (comma > at) parts.push_back(text.substr(at, comma - at));
        at = comma + 1;
    }
    return parts;
}

std::string HelpText() {
    std::string text =
        "Usage: itemmap [COMMAND FILE [OPTION]...]\n"
        "Maps a set of items from a text file: one feature vector per line, or a square\n"
        "distance matrix. Without a command it opens the window; with one it runs headless,\n"
        "writes Memo1's lines to standard output and the status line's to standard error.\n\n"
        "Commands:\n";
    for (const Command& c : Commands())
        text += Format("  %-13s %s\n", (std::string(c.name) + " FILE").c_str(), c.what);
    for (const Command& c : Commands()) {
        text += Format("\nOptions of %s:\n", c.name);
        for (const Option& o : c.options) {
            const std::string shown = o.value ? std::string(o.name) + " " + o.value : o.name;
            text += Format("  --%-18s %s [%s]\n", shown.c_str(), o.what, Default(o).c_str());
        }
    }
    text +=
        "\nOther options:\n"
        "  -h, --help           shows this text and exits\n"
        "  -v, --version        shows the version and exits\n\n"
        "Values are read as the window's fields read them. The files of a run are written\n"
        "beside FILE, as the window writes them.\n\n"
        "Exit status: 0 finished; 1 refused for its input (the reason on standard output,\n"
        "as Memo1 shows it) or a picture or coordinates that could not be written; 2 a command\n"
        "line that cannot be used; 130 stopped with Ctrl+C.\n";
    return text;
}

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

}  // namespace

int RunCommandLine(int argc, char** argv, std::FILE* out, std::FILE* err) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const QString first = args.value(1);
    if (first == "-h" || first == "--help") {
        std::fputs(HelpText().c_str(), out);
        return kExitFinished;
    }
    if (first == "-v" || first == "--version") {
        std::fprintf(out, "itemmap %s\n", kVersion);
        return kExitFinished;
    }
    const Command* command = nullptr;
    for (const Command& c : Commands())
        if (first == c.name) command = &c;
    if (!command) return Usage(err, "unknown command '" + first.toStdString() + "'");

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Option& o : command->options)
        parser.addOption(o.value ? QCommandLineOption(QString::fromUtf8(o.name), QString::fromUtf8(o.what),
                                                      QString::fromUtf8(o.value))
                                 : QCommandLineOption(QString::fromUtf8(o.name), QString::fromUtf8(o.what)));
    QStringList commandArgs = args;
    commandArgs.removeAt(1);  // the command
    if (!parser.parse(commandArgs)) return Usage(err, parser.errorText().toStdString());
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return Usage(err, files.empty() ? Format("%s needs a FILE", command->name)
                                        : Format("%s takes one FILE", command->name));

    std::map<EditId, std::string> edits;
    std::optional<std::string> tree, png, svg, tsv;
    ReadOptions reading;
    SetSettlingSkipped(false);
    for (const Option& o : command->options) {
        if (!parser.isSet(QString::fromUtf8(o.name))) continue;
        const std::string value = parser.value(QString::fromUtf8(o.name)).toStdString();
        switch (o.role) {
            case Role::Field:
                edits[o.edit] = value;
                break;
            case Role::Tree:
                tree = value;
                break;
            case Role::Seed: {
                bool ok = false;
                const unsigned seed = QString::fromStdString(value).toUInt(&ok);
                if (!ok) return Usage(err, "--seed needs a whole number from 0 to 4294967295");
                FixRandomSeed(seed);
                break;
            }
            case Role::NoSettle:
                SetSettlingSkipped(true);
                break;
            case Role::Png:
                png = value;
                break;
            case Role::Svg:
                svg = value;
                break;
            case Role::Tsv:
                tsv = value;
                break;
            case Role::Names:
                reading.names = value;
                break;
            case Role::Class:
                reading.classes = value;
                break;
            case Role::Skip:
                reading.skip = Split(value);
                break;
            case Role::Scale:
                if (!ScaleNamed(value, reading.scale)) return Usage(err, "--scale takes none, z or range");
                break;
        }
    }
    // "Input size" and "Vect. dim" default to what the file holds.
    const std::string file = files.first().toStdString();
    if (!edits.count(Edit12) || !edits.count(Edit13)) {
        const FileShape shape = InspectFile(file.c_str(), reading);
        if (shape.items > 0) {
            edits.emplace(Edit12, std::to_string(std::min(shape.items, command->items)));
            edits.emplace(Edit13, std::to_string(shape.matrix ? 0 : shape.values));
        }
    }

    qInstallMessageHandler(QtMessages);
    // Pictures need fonts, and so a GUI application; no display is needed.
    std::unique_ptr<QGuiApplication> gui;
    if ((png || svg) && !QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int guiArgc = 1;
        static char name[] = "itemmap";
        static char* guiArgv[] = {name, nullptr};
        gui = std::make_unique<QGuiApplication>(guiArgc, guiArgv);
    }

    ConsoleForm form(edits, file, reading, out, err);
    ConsoleForm::StopOnInterrupt();
    command->run(form);
    const std::optional<Outcome> outcome = form.LastOutcome();
    if (outcome != Outcome::Finished && outcome != Outcome::Stopped) return kExitRefused;

    if (tree) {
        form.SetEditText(Edit7, *tree);
        FaClick(form);
    }
    int status = outcome == Outcome::Stopped ? kExitStopped : kExitFinished;
    const auto report = [&](const Written& w, const char* what) {
        form.StatusNote(WrittenText(w, what));
        if (!w.error.empty()) status = kExitRefused;
    };
    // The option names the format: the writer takes it from the extension.
    const auto with = [](const std::string& name, std::string_view extension) {
        const QString lower = QString::fromStdString(name).toLower();
        return lower.endsWith(QLatin1StringView(extension.data(), extension.size()))
                   ? name
                   : name + std::string(extension);
    };
    if (png) report(WriteMapPicture(with(*png, ".png")), "map picture");
    if (svg) report(WriteMapPicture(with(*svg, ".svg")), "map picture");
    if (tsv) report(WriteCoordinates(*tsv), "coordinates");
    return status;
}
