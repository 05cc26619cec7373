#include "cli/CommandOptions.h"

#include <QCommandLineParser>
#include <algorithm>
#include <filesystem>

#include "cli/Arguments.h"
#include "handlers/MapFiles.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Reload.h"
#include "handlers/SocRun.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "files/OutputNames.h"
#include "writers/MapPicture.h"

namespace {

// What an option sets: a form field, or a choice of its own.
enum class Role {
    Field,
    Results,
    Tree,
    Seed,
    NoSettle,
    AllRows,
    Picture,
    Coordinates,
    Items,
    SaveMap,
    Names,
    Class,
    Skip,
    Scale,
    Map,
    Labels,
    Colour,
    View,
    NoFit,
    Mrp
};

struct Option {
    const char* name;
    const char* value;  // null for an option without a value
    Role role;
    std::optional<EditId> field;  // the form field a Role::Field option sets
    const char* what;
    const char* extension = nullptr;  // a picture option's format, for a name without one
};

const Option kOptions[] = {
    {"results",
     "DIR",
     Role::Results,
     {},
     "the folder of the result files and their record, made when missing"},
    {"size", "N", Role::Field, Edit12, "\"Input size\": the items (rows) to read"},
    {"all-rows",
     nullptr,
     Role::AllRows,
     {},
     "every row of the file, up to 1000000: MRP-MDS maps 400 and places the others on its map, SOC trains on "
     "all"},
    {"dim", "D", Role::Field, Edit13, "\"Vect. dim\": components per item, 0 for a distance matrix"},
    {"names",
     "COL",
     Role::Names,
     {},
     "the column of the items' names: a number or a header name, 0 for none"},
    {"class", "COL", Role::Class, {}, "the column of the items' class, as --names"},
    {"skip", "COLS", Role::Skip, {}, "columns that are no feature, separated by commas"},
    {"scale",
     "S",
     Role::Scale,
     {},
     "the features' scale: none, z (mean 0, deviation 1), range (0..1) or auto (z where the spreads differ)"},
    {"enlarge", "E", Role::Field, Edit4,
     "\"map enlarge.\"; fit (mrp-mds): one at which the map fits its box"},
    {"map-dim", "M", Role::Field, Edit11, "\"map dim. (1-3)\": the map's axes"},
    {"map",
     "K",
     Role::Map,
     {},
     "the map: distances (an MDS of the distances) or neighbours (each row's nearest rows kept near, far groups "
     "only apart)"},
    {"prototypes", "K", Role::Field, Edit14, "\"No. of feature vect.\": prototypes, 0 for the MRP init"},
    {"rate", "R", Role::Field, Edit15, "\"convergence. rate\""},
    {"char-distance", "C", Role::Field, Edit8,
     "\"char. distance\" of the MRP clusters; auto: one at which they form"},
    {"noise", "L", Role::Field, Edit9, "\"noise limit\" of the MRP clusters"},
    {"mrp",
     "auto",
     Role::Mrp,
     {},
     "auto: the run chooses \"char. distance\", \"noise limit\" and \"neigbbour limit\" for the table"},
    {"neighbour", "L", Role::Field, Edit10, "\"neigbbour limit\" of the MRP clusters"},
    {"simil", "S", Role::Field, Edit16, "\"simil. dist\""},
    {"edge-lim", "F", Role::Field, Edit5, "\"edge lim\": edges shorter than F x the longest distance"},
    {"tree", "T", Role::Tree, {}, "then \"Min. Tree\" with threshold T"},
    {"seed", "S", Role::Seed, {}, "seeds the random generator with S"},
    {"no-settle",
     nullptr,
     Role::NoSettle,
     {},
     "ends with the run's steps of fixed length alone: the map is not settled"},
    {"png", "F", Role::Picture, {}, "saves the map picture (F@2x.png: twice the size)", "png"},
    {"svg", "F", Role::Picture, {}, "saves the map picture as a vector drawing", "svg"},
    {"pdf", "F", Role::Picture, {}, "saves the map picture as a PDF page", "pdf"},
    {"tsv", "F", Role::Coordinates, {}, "saves the map's coordinates as tab-separated text"},
    {"items-tsv",
     "F",
     Role::Items,
     {},
     "saves each input item's prototype and its distance to it as tab-separated text"},
    {"save-map", "F", Role::SaveMap, {}, "saves the map to a map file, on which show and place work later"},
    {"labels", "L", Role::Labels, {}, "a picture's labels: bars, numbers or names"},
    {"colour", "C", Role::Colour, {}, "a picture's colours: clusters or class"},
    {"view", "A,B", Role::View, {}, "a picture of a 3-axis map in the plane of axes A and B"},
    {"no-fit", nullptr, Role::NoFit, {}, "a picture keeps the run's zoom, even with marks outside"},
};

// The options of each command, by name.
struct CommandOptions {
    Command command;
    std::vector<const char*> options;
};

// --results first: the outputs after it are checked against its folder.
const std::vector<CommandOptions>& Commands() {
    static const std::vector<const char*> reading = {"size", "all-rows", "dim", "names", "class", "skip", "scale"};
    static const std::vector<const char*> results = {"png",    "svg",    "pdf",   "tsv",
                                                     "labels", "colour", "no-fit"};
    const auto join = [](std::vector<std::vector<const char*>> parts) {
        std::vector<const char*> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    static const std::vector<CommandOptions> commands = {
        {{"mrp-mds", RunMrpMds,
          "MRP clusters and an MDS map of up to 400 items (--all-rows: 400 landmarks, up to 1000000 rows placed)",
          400},
         join({{"results"},
               reading,
               {"enlarge", "map-dim", "map", "mrp", "char-distance", "noise", "neighbour", "edge-lim", "tree", "seed",
                "no-settle", "view", "save-map"},
               results})},
        {{"soc", [](Form& form, Session& session) { RunSoc(form, session); },
          "trains prototypes on up to 1000 vectors (--all-rows: 1000000); writes clusters.dat, soc.dat, weights.dat",
          1000},
         join({{"results"},
               reading,
               {"enlarge", "prototypes", "rate", "char-distance", "noise", "neighbour", "seed", "no-settle",
                "items-tsv"},
               results})},
        {{"reload", ReloadSocResults,
          "brings back the SOC run whose soc.dat and weights.dat lie beside FILE or in --results DIR", 1000},
         join({{"results"}, reading, {"simil", "tree", "items-tsv"}, results})},
        {{"show", nullptr, "draws the map saved in MAP (by --save-map)", 0,
          [](Form& form, Session& session, const std::vector<std::string>& files) {
              OpenSavedMap(form, session, files[0]);
          },
          "MAP"},
         join({results, {"view"}})},
        {{"place", nullptr,
          "places every row of TABLE on the map saved in MAP, as a run of all rows would; --tsv writes those rows",
          0,
          [](Form& form, Session& session, const std::vector<std::string>& files) {
              if (OpenSavedMap(form, session, files[0])) PlaceRowsOnShownMap(form, session, files[1]);
          },
          "MAP TABLE", CoordinatesOf::Layer},
         join({{"names", "class", "skip"}, results, {"view"}})},
        {{"assign", nullptr,
          "gives each row of TABLE its prototype of a SOC run's SOC and WEIGHTS (soc.dat, weights.dat) as a reload "
          "would; --items-tsv writes them",
          0,
          [](Form& form, Session& session, const std::vector<std::string>& files) {
              AssignToSocPrototypes(form, session, {files[0], files[1], files[2]});
          },
          "SOC WEIGHTS TABLE"},
         join({{"names", "class", "skip", "items-tsv"}, results})},
    };
    return commands;
}

const Option& Named(const char* name) {
    return *std::find_if(std::begin(kOptions), std::end(kOptions),
                         [name](const Option& o) { return std::string(o.name) == name; });
}

std::string Default(const Option& o) {
    switch (o.role) {
        case Role::Field:
            if (o.field == Edit12) return "all rows the file has";
            if (o.field == Edit13) return "the values its rows have, 0 for a square matrix";
            return Format("\"%s\"", DefaultEditText(*o.field));
        case Role::Seed:
            return "the clock";
        case Role::Names:
        case Role::Class:
            return "found in the file";
        case Role::Labels:
        case Role::Colour:
            return "as the run leaves them";
        case Role::View:
            return "the plane of its largest spreads";
        case Role::NoSettle:
            return "settles";
        case Role::AllRows:
            return "the rows \"Input size\" gives";
        case Role::NoFit:
            return "fitted";
        case Role::Results:
            return "beside FILE";
        case Role::Map:
            return "distances";
        case Role::Mrp:
            return "the three options";
        default:
            return "none";
    }
}

// A list separated by commas (or another separator).
std::vector<std::string> Split(const std::string& text, char separator = ',') {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(separator, at), text.size());
        if (comma > at) parts.push_back(text.substr(at, comma - at));
        at = comma + 1;
    }
    return parts;
}

// The file an option writes the run's results to, with the option's
// extension when the name has none; none for an option that writes no file.
std::optional<std::string> OutputFile(const Option& o, const std::string& name) {
    switch (o.role) {
        case Role::Picture:
            return NameExtension(name).empty() ? name + "." + o.extension : name;
        case Role::Coordinates:
        case Role::Items:
        case Role::SaveMap:
            return name;
        default:
            return std::nullopt;
    }
}

// A file to write the results to, as the option gave it and as written.
struct Output {
    const char* option;
    std::string given, file;
};

// Why an output cannot go where it is named, or nothing: checked before
// the run reads or writes anything.
std::optional<std::string> OutputProblem(const Output& out, const std::vector<Output>& earlier,
                                         const Choices& c) {
    for (const std::string& name : {out.given, out.file})
        if (std::string problem = OutputNameProblem(name, c.file, c.results); !problem.empty())
            return Format("--%s: %s", out.option, problem.c_str());
    // The other files a command reads are its input too.
    const std::vector<std::string> named = Split(std::string(c.command->files), ' ');
    for (std::size_t f = 1; f < c.files.size() && f < named.size(); ++f)
        if (SameFile(out.file, c.files[f]))
            return Format("--%s: %s is %s, which %s reads", out.option, out.given.c_str(), named[f].c_str(),
                          c.command->name);
    for (const Output& e : earlier)
        if (SameFile(out.file, e.file))
            return Format("--%s: %s is the file --%s %s writes too", out.option, out.file.c_str(), e.option,
                          e.given.c_str());
    return std::nullopt;
}

std::optional<std::string> TakeResults(const std::string& value, Choices& c) {
    std::error_code error;
    if (value.empty()) return "--results needs a folder";
    if (std::filesystem::exists(value, error) && !std::filesystem::is_directory(value, error))
        return "--results: " + value + " is no folder";
    c.results = value;
    return std::nullopt;
}

std::optional<std::string> TakeSeed(const std::string& value, Choices& c) {
    bool ok = false;
    c.seed = QString::fromStdString(value).toUInt(&ok);
    if (!ok) return "--seed needs a whole number from 0 to 4294967295";
    return std::nullopt;
}

std::optional<std::string> TakeLabels(const std::string& value, Choices& c) {
    if (value == "bars")
        c.view.labels = kViewBars;
    else if (value == "numbers")
        c.view.labels = kViewNumbers;
    else if (value == "names")
        c.view.labels = kViewNames;
    else
        return "--labels takes bars, numbers or names";
    return std::nullopt;
}

// Two different axes of 1, 2 and 3, the first across.
std::optional<std::string> TakeView(const std::string& value, Choices& c) {
    const std::vector<std::string> axes = Split(value);
    const auto axis = [](const std::string& a) { return a.size() == 1 && a[0] >= '1' && a[0] <= '3' ? a[0] - '0' : 0; };
    if (axes.size() != 2 || !axis(axes[0]) || !axis(axes[1]) || axes[0] == axes[1])
        return "--view takes two of the axes 1, 2, 3: 1,2 or 1,3 or 2,3";
    c.view.axisA = axis(axes[0]);
    c.view.axisB = axis(axes[1]);
    return std::nullopt;
}

// Takes one option's value into the choices; why it cannot, or nothing.
std::optional<std::string> Take(const Option& o, const std::string& value, Choices& c) {
    switch (o.role) {
        case Role::Field:
            c.edits[*o.field] = value;
            c.given.insert(*o.field);
            break;
        case Role::AllRows:
            c.allRows = true;
            break;
        case Role::Results:
            return TakeResults(value, c);
        case Role::Tree:
            c.tree = value;
            break;
        case Role::Seed:
            return TakeSeed(value, c);
        case Role::NoSettle:
            c.settle = false;
            break;
        case Role::Picture: {
            const std::string name = *OutputFile(o, value);
            if (std::string problem = PictureNameProblem(name); !problem.empty()) return problem;
            c.pictures.push_back(name);
            break;
        }
        case Role::Coordinates:
            c.coordinates = value;
            break;
        case Role::Items:
            c.items = value;
            break;
        case Role::SaveMap:
            c.savedMap = value;
            break;
        case Role::Names:
            c.reading.names = value;
            break;
        case Role::Class:
            c.reading.classes = value;
            break;
        case Role::Skip:
            c.reading.skip = Split(value);
            break;
        case Role::Scale:
            if (!ScaleNamed(value, c.reading.scale)) return "--scale takes none, z, range or auto";
            break;
        case Role::Map:
            if (value != "distances" && value != "neighbours") return "--map takes distances or neighbours";
            c.map = value == "neighbours" ? MapMethod::Neighbours : MapMethod::Distances;
            break;
        case Role::Labels:
            return TakeLabels(value, c);
        case Role::Colour:
            if (value != "clusters" && value != "class") return "--colour takes clusters or class";
            c.view.colourByClass = value == "class";
            break;
        case Role::View:
            return TakeView(value, c);
        case Role::NoFit:
            c.view.fit = false;
            break;
        case Role::Mrp:
            if (value != "auto") return "--mrp takes auto";
            c.mrp = MrpSource::FittedToTable;
            break;
    }
    return std::nullopt;
}

// --mrp auto chooses the three MRP values itself: one of them given too is
// a contradiction, not a hint.
std::optional<std::string> MrpProblem(const Choices& c) {
    if (c.mrp != MrpSource::FittedToTable) return std::nullopt;
    for (const char* name : {"char-distance", "noise", "neighbour"})
        if (c.given.count(*Named(name).field))
            return Format("--mrp auto chooses \"char. distance\", \"noise limit\" and \"neigbbour limit\": "
                          "leave out --%s", name);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadChoices(const QStringList& arguments, Choices& choices) {
    const QString first = arguments.value(0);
    const auto command = std::find_if(Commands().begin(), Commands().end(),
                                      [&](const CommandOptions& c) { return first == c.command.name; });
    if (command == Commands().end()) return "unknown command '" + first.toStdString() + "'";
    choices.command = &command->command;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : command->options) {
        const Option& o = Named(name);
        const QString optionName = QString::fromUtf8(o.name), what = QString::fromUtf8(o.what);
        parser.addOption(o.value ? QCommandLineOption(optionName, what, QString::fromUtf8(o.value))
                                 : QCommandLineOption(optionName, what));
    }
    QStringList args = arguments;
    args.replace(0, QStringLiteral("itemmap"));  // the parser takes the first as the program
    if (!parser.parse(args)) return parser.errorText().toStdString();
    const QStringList files = parser.positionalArguments();
    const std::string named = command->command.files;
    const auto wanted = static_cast<qsizetype>(std::count(named.begin(), named.end(), ' ') + 1);
    if (files.size() != wanted) {
        const char* what = wanted == 1 ? (files.empty() ? "needs a %s" : "takes one %s")
                                       : (files.size() < wanted ? "needs %s" : "takes %s alone");
        return first.toStdString() + " " + Format(what, named.c_str());
    }
    for (const QString& f : files) choices.files.push_back(ArgumentBytes(f));
    choices.file = choices.files.front();
    std::vector<Output> outputs;
    for (const char* name : command->options) {
        const QString optionName = QString::fromUtf8(name);
        if (!parser.isSet(optionName)) continue;
        const std::string value = ArgumentBytes(parser.value(optionName));
        if (const std::optional<std::string> file = OutputFile(Named(name), value)) {
            const Output out{name, value, *file};
            if (std::optional<std::string> problem = OutputProblem(out, outputs, choices))
                return problem;
            outputs.push_back(out);
        }
        if (std::optional<std::string> problem = Take(Named(name), value, choices)) return problem;
    }
    return MrpProblem(choices);
}

std::string HelpText() {
    std::string text =
        "Usage: itemmap [COMMAND FILE [OPTION]...]\n"
        "Maps a set of items from a text file: one feature vector per line, or a square\n"
        "distance matrix. Without a command it opens the window; with one it runs without a\n"
        "window, writes the run's messages (as the window's message list shows them) to standard\n"
        "output and what its status line says to standard error.\n\n"
        "Commands:\n";
    for (const CommandOptions& c : Commands())
        text += Format("  %-18s %s\n", (std::string(c.command.name) + " " + c.command.files).c_str(), c.command.what);
    for (const CommandOptions& c : Commands()) {
        text += Format("\nOptions of %s:\n", c.command.name);
        for (const char* name : c.options) {
            const Option& o = Named(name);
            const std::string shown = o.value ? std::string(o.name) + " " + o.value : o.name;
            text += Format("  --%-18s %s [%s]\n", shown.c_str(), o.what, Default(o).c_str());
        }
    }
    text +=
        "\nOther options:\n"
        "  -h, --help           shows this text and exits\n"
        "  -v, --version        shows the version and exits\n\n"
        "Values are read as the window's fields read them. The files of a run are written\n"
        "beside FILE, as the window writes them, or in --results DIR. A picture's format\n"
        "follows its name's extension (.png, .svg, .pdf, .jpg, ...); it shows the whole map.\n"
        "A picture, the coordinates or the items may not go over FILE, over a file the runs\n"
        "write beside it (or in DIR), into a folder, through a symbolic link, or into the\n"
        "file of another option.\n\n"
        "Exit status: 0 finished; 1 refused for its input (the reason on standard error)\n"
        "or a result file, picture or coordinates that could not be written; 2 a command\n"
        "line that cannot be used, or a --names, --class or --skip column that the file\n"
        "cannot give (one it lacks, one named for two roles, a class of more than 20\n"
        "values), before the run starts; 130 stopped with Ctrl+C, 143 with SIGTERM, 129\n"
        "with SIGHUP (each after writing the run's files). A closed standard output does\n"
        "not stop a run.\n";
    return text;
}
