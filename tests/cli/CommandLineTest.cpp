// The command line as a script would use it: exit statuses, what goes to
// standard output and error, repeatable runs, and the files it writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Itemmap.h"
#include "distances/Distances.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/RunControl.h"
#include "text/Numbers.h"
#include "session/Session.h"
#include "writers/Coordinates.h"

namespace {

// Standard output holds exactly Memo1's lines, then those of "Min. Tree".
TEST_F(CommandLine, WritesTheLinesOfMemo1AndTheRunsFiles) {
    const Result r = Itemmap({"mrp-mds", File("iris.txt"), "--size", "150", "--dim", "4", "--char-distance",
                              "0.51", "--noise", "2", "--neighbour", "0.5", "--tree", "0.64"});
    EXPECT_EQ(r.status, kExitFinished);
    const std::string cases = std::string(ITEMMAP_CASES_DIR) + "/iris-mrp/";
    std::string expected = ReadFile(cases + "messages.txt");
    expected = expected.substr(expected.find("4\n"));  // from the dimension on: the paths differ
    expected += ReadFile(cases + "tree1.txt");
    EXPECT_EQ(r.out.substr(r.out.find("\n4\n") + 1), expected);
    EXPECT_EQ(ReadFile(File("clusters.dat")), ReadFile(cases + "clusters.dat"));
    EXPECT_NE(r.err.find("MRP-MDS finished: 20,001 steps, settled in 1,000, "), std::string::npos) << r.err;
}

// A file name is bytes: one in a legacy code page, with a backslash in it,
// opens and writes its results in its folder, and shows its stray byte
// replaced.
TEST_F(CommandLine, AFileNameInAnyBytesOpens) {
    std::filesystem::create_directory(File("sub"));
    const std::string name = File("sub") + "/caf\xE9\\v2.txt";
    std::filesystem::copy_file(File("iris.txt"), name);
    const Result r = Itemmap({"mrp-mds", name, "--seed", "1", "--no-settle"});
    EXPECT_EQ(r.status, kExitFinished) << r.err;
    EXPECT_TRUE(std::filesystem::exists(File("sub") + "/clusters.dat"));
    EXPECT_NE(r.out.find("caf\uFFFD\\v2.txt"), std::string::npos) << r.out;
}

// Settling moves the map alone: Memo1, the Min. Tree lines, distances.dat
// and clusters.dat do not depend on it.
TEST_F(CommandLine, SettlingChangesTheMapAlone) {
    std::vector<std::string> outputs;
    for (const bool settle : {true, false}) {
        std::vector<std::string> args = {"mrp-mds", File("iris.txt"), "--size", "150",    "--dim",
                                         "4",       "--seed",         "3",      "--tree", "0.64",
                                         "--tsv",   File("map.tsv")};
        if (!settle) args.push_back("--no-settle");
        const Result r = Itemmap(args);
        ASSERT_EQ(r.status, kExitFinished) << r.err;
        EXPECT_NE(r.err.find(settle ? "MRP-MDS finished: 20,001 steps, settled in 1,000, "
                                    : "MRP-MDS finished: 20,001 steps in "),
                  std::string::npos)
            << r.err;
        for (const std::string& o : {r.out, ReadFile(File("distances.dat")), ReadFile(File("clusters.dat")),
                                     ReadFile(File("map.tsv"))})
            outputs.push_back(o);
    }
    EXPECT_EQ(outputs[0], outputs[4]);
    EXPECT_EQ(outputs[1], outputs[5]);
    EXPECT_EQ(outputs[2], outputs[6]);
    EXPECT_NE(outputs[3], outputs[7]);
}

struct Status {
    const char* name;
    std::vector<std::string> args;  // FILE stands for the sample's path
    int status;
    std::string saying;  // in standard output for a refusal, in standard error otherwise
};

void PrintTo(const Status& s, std::ostream* os) {
    *os << s.name;
}

class ExitStatus : public CommandLine, public ::testing::WithParamInterface<Status> {};

// DIR stands for the sample's folder, FILE for the sample in it.
std::string InFolder(std::string text, const std::string& dir) {
    for (std::size_t at = text.find("DIR"); at != std::string::npos; at = text.find("DIR", at))
        text.replace(at, 3, dir);
    return text;
}

TEST_P(ExitStatus, SaysWhatHappened) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args) a = a == "FILE" ? File("cancer.txt") : InFolder(a, dir.path());
    std::filesystem::create_directory(File("sub"));  // beside the two samples
    const Result r = Itemmap(args);
    EXPECT_EQ(r.status, GetParam().status);
    const std::string& where = r.status == kExitRefused    ? r.out
                               : r.status == kExitFinished ? r.out + r.err
                                                           : r.err;
    EXPECT_NE(where.find(InFolder(GetParam().saying, dir.path())), std::string::npos) << r.out << r.err;
    if (r.status == kExitUsage) {
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);                        // a one-line hint
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);  // nothing written
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExitStatus,
    ::testing::Values(
        Status{"finished", {"soc", "FILE", "--prototypes", "5"}, kExitFinished, "; quantisation error 0."},
        Status{"refusedForItsInput",
               {"mrp-mds", "FILE", "--size", "abc"},
               kExitRefused,
               "invalid input data.\n"},
        Status{"unknownCommand", {"draw", "FILE"}, kExitUsage, "unknown command 'draw'"},
        Status{"unknownOption", {"soc", "FILE", "--map-dim", "2"}, kExitUsage, "Unknown option 'map-dim'"},
        Status{"noFile", {"reload"}, kExitUsage, "reload needs a FILE"},
        Status{"twoFiles", {"soc", "FILE", "FILE"}, kExitUsage, "soc takes one FILE"},
        Status{"badSeed", {"soc", "FILE", "--seed", "-1"}, kExitUsage, "--seed needs a whole number"},
        Status{"aClassOfTooManyValues",
               {"soc", "FILE", "--class", "1"},
               kExitUsage,
               "--class: column 1 holds 85 values; a class has at most 20"},
        Status{"aSkippedColumnNotInTheFile",
               {"reload", "FILE", "--size", "5", "--dim", "26", "--skip", "2,27"},
               kExitUsage,
               "the skipped column \"27\" is not in the file: it has 26 columns"},
        Status{"oneColumnForTwoRoles",
               {"mrp-mds", "FILE", "--names", "3", "--skip", "3"},
               kExitUsage,
               "--names and --skip both name column 3"},
        Status{"noPictureFormat",
               {"mrp-mds", "FILE", "--png", "map.ico"},
               kExitUsage,
               "map.ico: .ico is no picture format this tool writes; it writes .png, .svg, .pdf, "},
        Status{"tsvOverTheInput",
               {"mrp-mds", "FILE", "--tsv", "DIR/./cancer.txt"},
               kExitUsage,
               "--tsv: DIR/./cancer.txt is the input file"},
        Status{"pictureOverAResultFile",
               {"soc", "FILE", "--svg", "DIR/sub/../soc.dat"},
               kExitUsage,
               "--svg: DIR/sub/../soc.dat is soc.dat beside the input file, which the runs write"},
        Status{"pictureOverAResultFileInTheirFolder",
               {"soc", "FILE", "--results", "DIR/out", "--png", "DIR/out/soc.dat"},
               kExitUsage,
               "--png: DIR/out/soc.dat is soc.dat in DIR/out/, which the runs write"},
        Status{
            "pictureIntoAFolder", {"mrp-mds", "FILE", "--png", "DIR"}, kExitUsage, "--png: DIR is a folder"},
        Status{"aNameEndingInASlash",
               {"mrp-mds", "FILE", "--pdf", "DIR/sub/"},
               kExitUsage,
               "--pdf: DIR/sub/ ends in /"},
        Status{"twoOutputsInOneFile",
               {"mrp-mds", "FILE", "--png", "DIR/map", "--tsv", "DIR/map.png"},
               kExitUsage,
               "--tsv: DIR/map.png is the file --png DIR/map writes too"},
        Status{"help",
               {"--help"},
               kExitFinished,
               "  --neighbour L        \"neigbbour limit\" of the MRP clusters [\"0.2\"]"},
        Status{"version", {"--version"}, kExitFinished, "itemmap "}),
    [](const auto& info) { return std::string(info.param.name); });

// The same seed on the same machine: the same files, byte for byte.
TEST_F(CommandLine, ASeedRepeatsARunExactly) {
    const std::vector<const char*> outputs = {"soc.dat", "weights.dat", "clusters.dat",
                                              "map.png", "map.svg",     "map.tsv"};
    std::vector<std::string> first;
    for (int run = 0; run < 2; ++run) {
        const Result r = Itemmap({"soc", File("cancer.txt"), "--seed", "42", "--png", File("map.png"),
                                  "--svg", File("map.svg"), "--tsv", File("map.tsv")});
        ASSERT_EQ(r.status, kExitFinished) << r.err;
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            const std::string content = ReadFile(File(outputs[i]));
            ASSERT_FALSE(content.empty()) << outputs[i];
            if (run == 0)
                first.push_back(content);
            else
                EXPECT_EQ(content, first[i]) << outputs[i];
        }
    }
}

// The pictures hold the map as drawn: a circle per mark, a line per edge and
// a text per label in the SVG; the PNG at the panel's size or twice it.
TEST_F(CommandLine, PicturesAndCoordinatesHoldTheMap) {
    const Result r = Itemmap({"soc", File("cancer.txt"), "--prototypes", "12", "--png", File("map@2x.png"),
                              "--svg", File("map"), "--tsv", File("map.tsv")});
    ASSERT_EQ(r.status, kExitFinished) << r.err;
    const QImage png(QString::fromStdString(File("map@2x.png")));
    EXPECT_EQ(png.width(), 1282);
    EXPECT_GT(png.height(), 1266);  // the map, and its caption and legend below
    const std::string svg = ReadFile(File("map.svg"));
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("<circle"), 14u);  // the prototypes, and the legend's sample marks of a prototype and of size
    for (int k = 1; k <= 12; ++k) EXPECT_NE(svg.find(Format(">%d</text>", k)), std::string::npos) << k;
    EXPECT_NE(svg.find("cancer.txt \u00b7 SOC, 12 prototypes \u00b7 quantisation error "), std::string::npos);

    const std::string tsv = ReadFile(File("map.tsv"));
    EXPECT_EQ(tsv.substr(0, tsv.find('\n')),
              "prototype\tmembers\tscore\tview_x\tview_y\tc1\tc2\tc3\tc4\tc5\tc6\tc7"
              "\tc8\tc9\tc10\tc11\tc12\tc13\tc14\tc15\tc16\tc17\tc18\tc19\tc20\tc21"
              "\tc22\tc23\tc24\tc25\tc26");
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 13);
    int members = 0;
    std::istringstream rows(tsv.substr(tsv.find('\n') + 1));
    for (std::string row; std::getline(rows, row);) members += std::stoi(row.substr(row.find('\t') + 1));
    EXPECT_EQ(members, 89);  // every vector belongs to one prototype
}

// The fit figures of the coordinates' first line, against an independent
// computation from the coordinates and the raw distances of distances.dat
// (Stress-1 with the best scale of the distances does not depend on their
// normalisation, nor do the nearest neighbours).
TEST_F(CommandLine, TheFitFiguresMatchAnIndependentComputation) {
    const Result r = Itemmap({"mrp-mds", File("iris.txt"), "--size", "150", "--dim", "4", "--char-distance",
                              "0.51", "--noise", "2", "--neighbour", "0.5", "--map-dim", "3", "--seed", "5",
                              "--tsv", File("map.tsv")});
    ASSERT_EQ(r.status, kExitFinished);
    constexpr int n = 150;
    std::vector<std::vector<double>> delta(n, std::vector<double>(n)), d(n, std::vector<double>(n));
    std::istringstream raw(ReadFile(File("distances.dat")));
    for (auto& row : delta)
        for (double& v : row) raw >> v;
    std::istringstream tsv(ReadFile(File("map.tsv")));
    std::string header;
    std::getline(tsv, header);
    ASSERT_EQ(header, "row\titem\tcluster\tprobability\taxis1\taxis2\taxis3\tview_x\tview_y");
    std::vector<std::array<double, 3>> at(n);
    for (auto& p : at) {
        double row, item, cluster, probability, viewX, viewY;
        tsv >> row >> item >> cluster >> probability >> p[0] >> p[1] >> p[2] >> viewX >> viewY;
    }
    double dd = 0, dDelta = 0, deltaDelta = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            d[i][j] = std::hypot(at[i][0] - at[j][0], at[i][1] - at[j][1], at[i][2] - at[j][2]);
            if (j >= i) continue;
            dd += d[i][j] * d[i][j];
            dDelta += d[i][j] * delta[i][j];
            deltaDelta += delta[i][j] * delta[i][j];
        }
    const double stress = std::sqrt((dd - dDelta * dDelta / deltaDelta) / dd);
    const auto nearest = [n](const std::vector<double>& row, int self) {
        std::vector<int> order;
        for (int j = 0; j < n; ++j)
            if (j != self) order.push_back(j);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return row[a] < row[b]; });
        order.resize(5);
        return order;
    };
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const std::vector<int> onMap = nearest(d[i], i), byDistance = nearest(delta[i], i);
        for (int j : byDistance) kept += static_cast<int>(std::count(onMap.begin(), onMap.end(), j));
    }
    // distances.dat holds 3 decimals: the neighbours may differ by a tie.
    double shownStress = 0, shownKept = 0;
    const std::string figures = r.err.substr(r.err.find("; Stress-1 ") + 2);
    ASSERT_EQ(std::sscanf(figures.c_str(), "Stress-1 %lf (%*[a-z]), neighbours kept %lf%%", &shownStress,
                          &shownKept),
              2)
        << r.err;
    EXPECT_NEAR(shownStress, stress, 0.0015);
    EXPECT_NEAR(shownKept, 100.0 * kept / (n * 5), 1.5);
}

// The drawing visits every edge from both ends; the SVG holds it once.
TEST_F(CommandLine, AnSvgHoldsEachEdgeOnce) {
    ASSERT_EQ(Itemmap({"mrp-mds", File("cancer.txt"), "--edge-lim", "0.3", "--svg", File("map.svg")}).status,
              kExitFinished);
    const std::string svg = ReadFile(File("map.svg"));
    std::set<std::pair<std::string, std::string>> edges;
    std::size_t lines = 0;
    for (std::size_t at = svg.find("points=\""); at != std::string::npos;
         at = svg.find("points=\"", at + 1)) {
        std::istringstream points(svg.substr(at + 8, svg.find('"', at + 8) - at - 8));
        std::string a, b;
        points >> a >> b;
        edges.insert(std::minmax(a, b));
        ++lines;
    }
    EXPECT_GT(lines, 100u);
    EXPECT_EQ(edges.size(), lines);
}

// Links planted in a shared folder, at the names the result files had
// while written and at their own names, never receive a run's output: each
// file is written anew beside its target and takes the target's place.
TEST_F(CommandLine, PlantedLinksNeverReceiveTheResults) {
    const std::vector<std::string> files = {"soc.dat", "weights.dat", "clusters.dat", "distances.dat",
                                            "itemmap-record.txt"};
    for (const std::string& f : files) {
        dir.Write("victim-" + f, "the user's own " + f);
        for (const std::string& link : {f, f + Format(".%d.tmp", static_cast<int>(getpid()))})
            ASSERT_EQ(symlink(dir.File("victim-" + f).c_str(), dir.File(link).c_str()), 0) << link;
    }
    ASSERT_EQ(Itemmap({"soc", File("cancer.txt"), "--prototypes", "5"}).status, kExitFinished);
    ASSERT_EQ(Itemmap({"mrp-mds", File("cancer.txt")}).status, kExitFinished);
    const mode_t mask = umask(0);
    umask(mask);
    for (const std::string& f : files) {
        EXPECT_EQ(ReadFile(dir.File("victim-" + f)), "the user's own " + f);
        struct stat st {};
        ASSERT_EQ(lstat(dir.File(f).c_str(), &st), 0) << f;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << f;
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << f;
        EXPECT_NE(ReadFile(dir.File(f)).find("\r\n"), std::string::npos) << f;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().extension() != ".tmp" || entry.is_symlink())
            << "left behind: " << entry.path();
}

// Iris as people write it: every way gives the distances of the same 150 x 4
// table, with the defaults of the command line and with the window's fields.
struct IrisTable {
    const char* name;
    std::string (*write)(const std::vector<std::vector<std::string>>& rows);
    std::vector<std::string> options = {};
};

void PrintTo(const IrisTable& t, std::ostream* os) {
    *os << t.name;
}

std::vector<std::vector<std::string>> IrisRows() {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/iris-150x4.txt"));
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        rows.emplace_back(std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>());
    }
    return rows;
}

const char* Species(std::size_t row) {
    return row < 50 ? "setosa" : row < 100 ? "versicolor" : "virginica";
}

// One line per row: before(row), the values joined by sep, after(row).
template <typename Before, typename After>
std::string Lines(const std::vector<std::vector<std::string>>& rows, const std::string& header, char sep,
                  Before before, After after) {
    std::string text = header;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        text += before(r);
        for (std::size_t k = 0; k < rows[r].size(); ++k) text += (k ? std::string(1, sep) : "") + rows[r][k];
        text += after(r) + "\n";
    }
    return text;
}

const auto kNothing = [](std::size_t) { return std::string(); };

class IrisTables : public CommandLine, public ::testing::WithParamInterface<IrisTable> {};

TEST_P(IrisTables, GiveTheDistancesOfTheTable) {
    ASSERT_EQ(Itemmap({"mrp-mds", File("iris.txt"), "--size", "150", "--dim", "4"}).status, kExitFinished);
    const std::string plain = ReadFile(File("distances.dat"));
    dir.Write("table.txt", GetParam().write(IrisRows()));
    for (const bool windowFields : {false, true}) {
        std::vector<std::string> args = {"mrp-mds", File("table.txt"), "--seed", "1"};
        args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
        if (windowFields) args.insert(args.end(), {"--size", "150", "--dim", "4"});
        const Result r = Itemmap(args);
        ASSERT_EQ(r.status, kExitFinished) << r.out << r.err;
        EXPECT_EQ(ReadFile(File("distances.dat")), plain) << (windowFields ? "window's fields" : "defaults");
        EXPECT_EQ(r.err.find("warning: \"Vect. dim\""), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, IrisTables,
    ::testing::Values(
        IrisTable{"rWriteTable",
                  [](const auto& rows) {
                      return Lines(
                          rows,
                          "\"Sepal.Length\" \"Sepal.Width\" \"Petal.Length\" \"Petal.Width\" \"Species\"\n",
                          ' ', [](std::size_t r) { return Format("\"%zu\" ", r + 1); },
                          [](std::size_t r) { return Format(" \"%s\"", Species(r)); });
                  }},
        IrisTable{"rWriteTableWithoutSpecies",
                  [](const auto& rows) {
                      return Lines(
                          rows, "\"Sepal.Length\" \"Sepal.Width\" \"Petal.Length\" \"Petal.Width\"\n", ' ',
                          [](std::size_t r) { return Format("\"%zu\" ", r + 1); }, kNothing);
                  }},
        IrisTable{
            "rWriteCsv",
            [](const auto& rows) {
                return Lines(
                    rows,
                    "\"\",\"Sepal.Length\",\"Sepal.Width\",\"Petal.Length\",\"Petal.Width\",\"Species\"\n",
                    ',', [](std::size_t r) { return Format("\"%zu\",", r + 1); },
                    [](std::size_t r) { return Format(",\"%s\"", Species(r)); });
            }},
        IrisTable{"pandasToCsv",
                  [](const auto& rows) {
                      return Lines(
                          rows, ",sepal_length,sepal_width,petal_length,petal_width,species\n", ',',
                          [](std::size_t r) { return Format("%zu,", r); },
                          [](std::size_t r) { return Format(",%s", Species(r)); });
                  }},
        IrisTable{"idColumn",
                  [](const auto& rows) {
                      return Lines(
                          rows, "id\tsl\tsw\tpl\tpw\n", '\t',
                          [](std::size_t r) { return Format("%zu\t", r + 1); }, kNothing);
                  }},
        IrisTable{"classColumnAtTheEnd",
                  [](const auto& rows) {
                      return Lines(rows, "", ',', kNothing,
                                   [](std::size_t r) { return Format(",Iris-%s", Species(r)); });
                  }},
        IrisTable{"pandasWithoutColumnNames",
                  [](const auto& rows) {
                      return Lines(
                          rows, ",0,1,2,3\n", ',', [](std::size_t r) { return Format("%zu,", r); }, kNothing);
                  }},
        IrisTable{"idBesidesNames",
                  [](const auto& rows) {
                      return Lines(
                          rows, "id,name,sl,sw,pl,pw\n", ',',
                          [](std::size_t r) { return Format("%zu,%s-%zu,", r + 1, Species(r), r + 1); },
                          kNothing);
                  }},
        IrisTable{"aCommaAtEveryLineEnd",
                  [](const auto& rows) {
                      return Lines(rows, "sl,sw,2nd_len,pw,\n", ',', kNothing,
                                   [](std::size_t) { return std::string(","); });
                  }},
        IrisTable{"aNumericClassOf20ValuesAsked",
                  [](const auto& rows) {
                      return Lines(rows, "sl,sw,pl,pw,group\n", ',', kNothing,
                                   [](std::size_t r) { return Format(",%zu", r % 20); });
                  },
                  {"--class", "group"}},
        IrisTable{"rowNamesWithNoNamesAsked",
                  [](const auto& rows) {
                      return Lines(
                          rows, "\"Sepal.Length\" \"Sepal.Width\" \"Petal.Length\" \"Petal.Width\"\n", ' ',
                          [](std::size_t r) { return Format("\"%zu\" ", r + 1); }, kNothing);
                  },
                  {"--names", "0"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A number as a German spreadsheet exports it: 1065 as 1.065,00.
std::string GermanNumber(const std::string& number) {
    const std::size_t dot = std::min(number.find('.'), number.size());
    std::string text;
    for (std::size_t i = 0; i < dot; ++i) {
        if (i > 0 && (dot - i) % 3 == 0) text.push_back('.');
        text.push_back(number[i]);
    }
    text.push_back(',');
    text.append(dot < number.size() ? number.substr(dot + 1) : "00");
    return text;
}

// The wine CSV with its class column, and the same as a German spreadsheet
// exports it, give the distances of its numbers.
TEST_F(CommandLine, AClassColumnIsNoFeature) {
    std::istringstream csv(ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/wine-178x13.csv"));
    std::string line, numbers, german;
    std::getline(csv, line);
    std::replace(line.begin(), line.end(), ',', ';');
    german = line + "\n";
    while (std::getline(csv, line)) {
        const std::string cls = line.substr(line.rfind(',') + 1);
        line.erase(line.rfind(','));
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) german += GermanNumber(field) + ";";
        german += cls + "\n";
        std::replace(line.begin(), line.end(), ',', '\t');
        numbers += line + "\n";
    }
    dir.Write("numbers.txt", numbers);
    ASSERT_EQ(Itemmap({"mrp-mds", File("numbers.txt"), "--char-distance", "60"}).status, kExitFinished);
    const std::string plain = ReadFile(File("distances.dat"));
    dir.Write("wine.csv", ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/wine-178x13.csv"));
    dir.Write("wine-de.csv", german);
    for (const char* name : {"wine.csv", "wine-de.csv"}) {
        const Result r = Itemmap({"mrp-mds", File(name), "--char-distance", "60"});
        ASSERT_EQ(r.status, kExitFinished) << r.out << r.err;
        EXPECT_EQ(ReadFile(File("distances.dat")), plain) << name;
        EXPECT_NE(r.err.find(Format(
                      "read 178 rows of 13 values from %s; class from column 14 \"class\" (3 values)", name)),
                  std::string::npos)
            << r.err;
    }
}

// A table of 64 pixels and the class as pandas writes it reads as 64
// features and the class without an option; --class 0 keeps the class a
// feature, one too many.
TEST_F(CommandLine, AClassByItsHeaderLeavesTheFeaturesInVectDim) {
    std::string table;
    for (int k = 0; k < 64; ++k) table += Format("pixel_%d_%d,", k / 8, k % 8);
    table += "target\n";
    for (int r = 0; r < 30; ++r) {
        for (int k = 0; k < 64; ++k) table += Format("%d.0,", (r * k) % 17);
        table += Format("%d\n", r % 10);
    }
    dir.Write("digits.csv", table);
    const Result r = Itemmap({"mrp-mds", File("digits.csv"), "--seed", "1"});
    EXPECT_EQ(r.status, kExitFinished) << r.out << r.err;
    EXPECT_NE(
        r.err.find("read 30 rows of 64 values from digits.csv; class from column 65 \"target\" (10 values)"),
        std::string::npos)
        << r.err;
    const Result kept = Itemmap({"mrp-mds", File("digits.csv"), "--class", "0"});
    EXPECT_EQ(kept.status, kExitRefused);
    EXPECT_NE(kept.err.find("\"Vect. dim\" holds \"65\""), std::string::npos) << kept.err;
}

// On real tables --enlarge fit and --char-distance auto find values at
// which the map fits its box (no more than 2% of the items at its wall)
// and the items form clusters, and state them: given as stated, they
// repeat the run.
TEST_F(CommandLine, FoundValuesFitTheTableAndRepeatTheRun) {
    const auto stated = [](const std::string& err, const std::string& what) {
        const std::size_t at = err.find(what);
        if (at == std::string::npos) return std::string();
        const std::size_t from = at + what.size();
        return err.substr(from, err.find_first_of(", \n", from) - from);
    };
    for (const auto& [table, scale] : {std::pair{"faithful.csv", "none"}, {"faithful.csv", "z"},
                                       {"wine-pandas.csv", "none"}, {"mtcars.csv", "z"}}) {
        dir.Write("t.csv", ReadFile(std::string(ITEMMAP_TABLES_DIR) + "/" + table));
        const std::vector<std::string> run = {"mrp-mds", File("t.csv"), "--scale", scale, "--seed", "1"};
        std::vector<std::string> args = run;
        args.insert(args.end(), {"--enlarge", "fit", "--char-distance", "auto"});
        const Result found = Itemmap(args);
        ASSERT_EQ(found.status, kExitFinished) << table << found.err;
        EXPECT_EQ(found.err.find("pressed against the map's border"), std::string::npos) << table << found.err;
        const std::string enlarge = stated(found.err, "\"map enlarge.\" fit: ");
        const std::string distance = stated(found.err, "\"char. distance\" auto: ");
        const std::size_t clusters = found.out.find("No. of clusters: ");
        ASSERT_NE(clusters, std::string::npos) << table;
        EXPECT_GE(std::stoi(found.out.substr(clusters + 17)), 1) << table << " " << scale;
        args = run;
        args.insert(args.end(), {"--enlarge", enlarge, "--char-distance", distance});
        EXPECT_EQ(Itemmap(args).out, found.out) << table << " " << enlarge << " " << distance;
    }
}

// --map neighbours gives every row a place, the neighbours map's fit on
// standard error and on standard output what the map of the distances
// gives; another map is no option.
TEST_F(CommandLine, NeighboursMapPlacesEveryRow) {
    std::string rows;
    for (int i = 0; i < 500; ++i)
        rows += Format("%d.%d\t%d.%d\t%d\n", i % 3 * 10 + i % 7, i % 10, i % 3 * 5 + i % 5, i % 9, i % 11);
    dir.Write("t.txt", rows);
    const std::vector<std::string> run = {"mrp-mds", File("t.txt"), "--all-rows", "--seed", "3", "--tsv", File("map.tsv")};
    std::vector<std::string> neighbours = run;
    neighbours.insert(neighbours.end(), {"--map", "neighbours"});
    const Result r = Itemmap(neighbours);
    ASSERT_EQ(r.status, kExitFinished) << r.err;
    EXPECT_NE(r.err.find("neighbours map of 500 different rows"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("MRP-MDS finished: 20,001 steps, settled in 1,000, "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("; Stress-1 "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("pressed against the map's border"), std::string::npos) << r.err;
    std::istringstream tsv(ReadFile(File("map.tsv")));
    int placed = 0;
    for (std::string line; std::getline(tsv, line);) placed += line.find("\t\t") == std::string::npos;
    EXPECT_EQ(placed, 501);  // the header and every row
    EXPECT_EQ(r.out, Itemmap(run).out);
    neighbours.back() = "nearest";
    EXPECT_EQ(Itemmap(neighbours).status, kExitUsage);
}

// --mrp auto states the three values it chose on standard error, and
// standard output holds the clustering's lines for them: given as stated,
// they repeat it. Given beside one of them, it is a command line that
// cannot be used.
TEST_F(CommandLine, MrpAutoStatesItsValuesAndListsTheirClusters) {
    const std::vector<std::string> run = {"mrp-mds", File("iris.txt"), "--seed", "1"};
    std::vector<std::string> args = run;
    args.insert(args.end(), {"--mrp", "auto"});
    const Result fitted = Itemmap(args);
    ASSERT_EQ(fitted.status, kExitFinished) << fitted.err;
    std::vector<std::string> values;
    for (const char* field : {"\"char. distance\" ", "\"noise limit\" ", "\"neigbbour limit\" "}) {
        const std::size_t at = fitted.err.find(field, fitted.err.find("MRP auto: "));
        ASSERT_NE(at, std::string::npos) << fitted.err;
        const std::size_t from = at + std::strlen(field);
        values.push_back(fitted.err.substr(from, fitted.err.find_first_of(",:", from) - from));
    }
    EXPECT_GE(std::stoi(fitted.out.substr(fitted.out.find("No. of clusters: ") + 17)), 2) << fitted.out;
    args = run;
    args.insert(args.end(), {"--char-distance", values[0], "--noise", values[1], "--neighbour", values[2]});
    EXPECT_EQ(Itemmap(args).out, fitted.out);
    const Result both = Itemmap({"mrp-mds", File("iris.txt"), "--mrp", "auto", "--noise", "1"});
    EXPECT_EQ(both.status, kExitUsage);
    EXPECT_NE(both.err.find("leave out --noise"), std::string::npos) << both.err;
}

// With all rows MRP-MDS maps 400 landmarks drawn from the whole file and
// places every other row: the coordinates hold each row in the file's
// order, a row equal to a landmark lands on it and joins its cluster, the
// seed repeats the run; SOC trains on every vector and assigns each. A
// file of more than 1,000,000 rows is refused; --size does not apply.
TEST_F(CommandLine, AllRowsMapsAndTrainsOnEveryRow) {
    std::string rows;
    for (int i = 0; i < 600; ++i)
        rows += Format("%d.%d\t%d.%d\t%d\n", (i % 3) * 10 + i % 7, i % 10, (i % 3) * 5 + i % 5, i % 9, i % 11);
    std::istringstream first(rows);
    for (std::string line; std::getline(first, line);) rows += line + "\n";  // rows 601..1200 repeat 1..600
    dir.Write("t.txt", rows);
    const std::vector<std::string> run = {"mrp-mds", File("t.txt"), "--all-rows", "--seed", "3", "--char-distance",
                                          "auto", "--size", "50", "--tsv", File("map.tsv")};
    const Result r = Itemmap(run);
    ASSERT_EQ(r.status, kExitFinished) << r.err;
    const int n = static_cast<int>(std::count(rows.begin(), rows.end(), '\n'));
    EXPECT_NE(r.err.find("\"Input size\" 50 does not apply with all rows"), std::string::npos) << r.err;
    ASSERT_EQ(n, 1200);
    EXPECT_NE(r.err.find("400 landmarks drawn from 1,200 rows; 800 rows placed"), std::string::npos) << r.err;
    const std::string tsv = ReadFile(File("map.tsv"));
    std::istringstream lines(tsv);
    std::string header;
    std::getline(lines, header);
    ASSERT_EQ(header, "row\titem\tcluster\tprobability\taxis1\taxis2\tview_x\tview_y\tlandmark");
    std::vector<std::vector<std::string>> fields(1);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        fields.emplace_back();
        for (std::string f; std::getline(in, f, '\t');) fields.back().push_back(f);
    }
    ASSERT_EQ(static_cast<int>(fields.size()), n + 1);
    int landmarks = 0, repeated = 0, atWall = 0;
    for (int i = 1; i <= n; ++i) {
        const auto& row = fields[static_cast<std::size_t>(i)];
        EXPECT_EQ(row[0], std::to_string(i));
        EXPECT_EQ(row[1], std::to_string(i));
        const auto wall = [](const std::string& axis) { return std::stod(axis) < 1e-4 || std::stod(axis) > 20 - 1e-4; };
        atWall += row[8] == "0" && (wall(row[4]) || wall(row[5]));
        landmarks += row[8] == "1";
        const auto& original = fields[static_cast<std::size_t>(i > 600 ? i - 600 : i)];
        if (i > 600 && original[8] == "1" && row[8] == "0") {
            ++repeated;
            EXPECT_EQ(row[2], original[2]) << i;  // its cluster
            EXPECT_EQ(row[4] + " " + row[5], original[4] + " " + original[5]) << i;  // its place
        }
    }
    EXPECT_EQ(landmarks, 400);
    EXPECT_GT(repeated, 0);
    // The rows placed at the box's wall count in its warning.
    const std::size_t warned = r.err.find(" items pressed against the map's border");
    ASSERT_NE(warned, std::string::npos) << r.err;
    EXPECT_GT(atWall, 0);
    EXPECT_GE(std::stoi(r.err.substr(r.err.rfind(' ', warned - 1))), atWall) << r.err;
    std::istringstream clusters(ReadFile(File("clusters.dat")));
    std::set<int> listed;
    for (std::string line; std::getline(clusters, line);) {
        std::istringstream block(line);
        int centre = 0;
        block >> centre;  // then its members, the centre among them
        for (int item; block >> item;) EXPECT_TRUE(listed.insert(item).second) << item;
    }
    ASSERT_FALSE(listed.empty());
    EXPECT_LE(*listed.rbegin(), n);
    EXPECT_EQ(Itemmap(run).status, kExitFinished);
    EXPECT_EQ(ReadFile(File("map.tsv")), tsv);

    const Result soc = Itemmap({"soc", File("t.txt"), "--all-rows", "--seed", "3", "--items-tsv", File("items.tsv")});
    ASSERT_EQ(soc.status, kExitFinished) << soc.err;
    std::istringstream items(ReadFile(File("items.tsv")));
    int assigned = 0;
    for (std::string line; std::getline(items, line);) assigned += line.find("\t\t") == std::string::npos;
    EXPECT_EQ(assigned, n + 1);  // the header and every vector with a prototype
    std::istringstream trained(ReadFile(File("clusters.dat")));
    std::multiset<int> members;
    for (int item; trained >> item;) members.insert(item);
    EXPECT_EQ(static_cast<int>(members.size()), n);
    EXPECT_EQ(static_cast<int>(std::set<int>(members.begin(), members.end()).size()), n);

    std::string longer;
    for (int i = 0; i <= 1000000; ++i) longer += "1\t2\n";
    dir.Write("long.txt", longer);
    const Result refused = Itemmap({"mrp-mds", File("long.txt"), "--all-rows"});
    EXPECT_EQ(refused.status, kExitRefused);
    EXPECT_NE(refused.err.find("max size: 1000000 rows with all rows"), std::string::npos) << refused.err;
}

// STOP while the rows are placed (the first chance to stop after the 2,099
// of the steps and the settling): the run says it stopped before it says
// what it kept, the fit is not measured, and the coordinates still have a
// line for every row, those not placed with empty fields.
TEST_F(CommandLine, AStoppedPlacementListsEveryRow) {
    std::string rows;
    for (int i = 0; i < 100000; ++i) rows += Format("%d\t%d\t%d\t%d\n", i % 97, i % 89, i * 7 % 83, i % 13);
    dir.Write("big.txt", rows);
    Session session;
    FakeForm form;
    form.Choose(File("big.txt"));
    form.edits[Edit8] = "20";
    form.choices.allRows = true;
    form.choices.seed = 1;
    form.map.shown = false;
    form.onEvents = [&] {
        if (form.eventPumps == 2100) StopRun(session);
    };
    RunMrpMds(form, session);
    ASSERT_EQ(form.outcome, Outcome::Stopped);
    const auto line = [&](const char* start) {
        return std::find_if(form.status.begin(), form.status.end(),
                            [&](const std::string& s) { return s.find(start) != std::string::npos; });
    };
    const auto ended = line("MRP-MDS stopped while placing rows, "), kept = line(" rows placed: the map and clusters.dat");
    ASSERT_NE(ended, form.status.end()) << form.status.back();
    EXPECT_LT(ended, kept);
    EXPECT_NE(ended->find("; fit not measured: stopped"), std::string::npos) << *ended;
    const int unplaced = 100000 - session.map.n;
    EXPECT_GT(unplaced, 0);
    std::istringstream lines(CoordinatesText(session));
    int count = 0, empty = 0;
    for (std::string row; std::getline(lines, row); ++count) empty += row.find("\t\t\t\t\t\t\t\t") != std::string::npos;
    EXPECT_EQ(count, 100001);
    EXPECT_EQ(empty, unplaced);
}

// A SOC map pressed against its box is warned of, settled or not.
TEST_F(CommandLine, ASocMapCutByItsBoxIsWarnedOfSettledOrNot) {
    for (const bool settle : {true, false}) {
        std::vector<std::string> args = {
            "soc", File("iris.txt"), "--size", "150",    "--dim", "4", "--prototypes",
            "12",  "--enlarge",      "10",     "--seed", "1"};
        if (!settle) args.push_back("--no-settle");
        const Result r = Itemmap(args);
        EXPECT_NE(r.err.find(" pressed against the map's border"), std::string::npos) << settle << r.err;
    }
}

// soc.dat does not record its column scale, the record beside it does: a
// reload at another scale says so; without the record, that its prototypes
// lie outside the vectors. At the same scale it is quiet.
TEST_F(CommandLine, AReloadAtAnotherScaleSaysSo) {
    dir.Write("wine.csv", ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/wine-178x13.csv"));
    ASSERT_EQ(Itemmap({"soc", File("wine.csv"), "--scale", "z", "--seed", "1"}).status, kExitFinished);
    const struct {
        const char* scale;
        bool record;
        const char* saying;  // the one warning of the scale, or empty for none
    } reloads[] = {
        {"z", true, ""},
        {"none", true, "warning: soc.dat was trained at the column scale z, this reload reads at none"},
        {"z", false, ""},
        {"none", false, "lie outside the values of these vectors"}};
    for (const auto& reload : reloads) {
        if (!reload.record) std::filesystem::remove(File("itemmap-record.txt"));
        const Result r = Itemmap({"reload", File("wine.csv"), "--scale", reload.scale});
        ASSERT_EQ(r.status, kExitFinished) << r.err;
        const int warnings = (r.err.find("warning: soc.dat was trained") != std::string::npos) +
                             (r.err.find("outside the values") != std::string::npos);
        EXPECT_EQ(warnings, reload.saying[0] ? 1 : 0) << reload.scale << reload.record << "\n" << r.err;
        EXPECT_NE(r.err.find(reload.saying), std::string::npos) << r.err;
        const std::size_t share = r.err.find("% of the prototypes");
        EXPECT_TRUE(share == std::string::npos || std::stoi(r.err.substr(r.err.rfind(' ', share))) <= 100);
    }
}

// Every input in a folder shares its result files. The record beside them
// says whose results they hold: a run that replaces another input's says
// so, and a reload warns of files from another input or run, refuses
// soc.dat and weights.dat of two runs, but needs no record, nor a record it
// can read, to bring back files that fit.
TEST_F(CommandLine, TheRecordSaysWhoseResultsTheFilesHold) {
    dir.Write("wine.csv", ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/wine-178x13.csv"));
    const std::vector<std::string> reload = {"reload", File("iris.txt"), "--size", "150", "--dim", "4"};
    ASSERT_EQ(Itemmap({"soc", File("iris.txt"), "--size", "150", "--dim", "4", "--prototypes", "6"}).status,
              kExitFinished);
    const Result wine = Itemmap({"mrp-mds", File("wine.csv"), "--char-distance", "60"});
    ASSERT_EQ(wine.status, kExitFinished);
    EXPECT_NE(
        wine.err.find("warning: clusters.dat held the results of SOC on iris.txt; it now holds this run's"),
        std::string::npos)
        << wine.err;

    Result r = Itemmap(reload);
    EXPECT_EQ(r.status, kExitFinished);
    EXPECT_NE(r.err.find("warning: clusters.dat came from MRP-MDS on wine.csv, not from a run on iris.txt"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("warning: soc.dat"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("warning: weights.dat"), std::string::npos) << r.err;

    // The line of weights.dat, as a record kept before runs had ids would
    // hold it, of another run: a warning. With run ids the record gives the
    // two files to two runs, as runs at the same time once left them:
    // refused. A weights.dat changed since its line: the line is not used.
    const std::string record = ReadFile(File("itemmap-record.txt"));
    const std::size_t weights = record.find("weights.dat\tSOC\tiris.txt\t");
    const std::size_t id = record.find("\trun id=", weights), end = record.find("\r\n", weights);
    ASSERT_LT(id, end) << record;
    std::string old = record;
    old.erase(id, end - id);
    old.replace(old.find("convergence. rate=", weights) + 18, 1, "9");
    dir.Write("itemmap-record.txt", old);
    r = Itemmap(reload);
    EXPECT_NE(
        r.err.find("warning: weights.dat came from another run than soc.dat: SOC on iris.txt, written "),
        std::string::npos)
        << r.err;
    std::string twoRuns = record;
    twoRuns[id + 8] = twoRuns[id + 8] == '0' ? '1' : '0';
    dir.Write("itemmap-record.txt", twoRuns);
    r = Itemmap(reload);
    EXPECT_EQ(r.status, kExitRefused);
    EXPECT_NE(
        r.err.find("refused: soc.dat and weights.dat are of two runs, says the record: soc.dat of SOC on "
                   "iris.txt (run "),
        std::string::npos)
        << r.err;
    dir.Write("itemmap-record.txt", record);
    std::string changed = ReadFile(File("weights.dat"));
    changed[changed.find('.') + 1] ^= 1;  // a digit still
    dir.Write("weights.dat", changed);
    r = Itemmap(reload);
    EXPECT_EQ(r.status, kExitFinished);
    EXPECT_NE(r.err.find("warning: weights.dat is not the file the record tells of"), std::string::npos)
        << r.err;

    for (const bool folder : {false, true}) {
        std::filesystem::remove(File("itemmap-record.txt"));
        if (folder) std::filesystem::create_directory(File("itemmap-record.txt"));
        r = Itemmap(reload);
        EXPECT_EQ(r.status, kExitFinished) << r.err;
        EXPECT_EQ(r.err.find(" came from "), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("warning: cannot read " + File("itemmap-record.txt")) != std::string::npos,
                  folder);
    }
    r = Itemmap({"mrp-mds", File("iris.txt"), "--size", "150", "--dim", "4"});
    EXPECT_EQ(r.status, kExitFinished) << r.err;
    EXPECT_NE(r.err.find("warning: cannot write " + File("itemmap-record.txt")), std::string::npos) << r.err;
}

// R's write.table(as.matrix(dist(x))): a header of names and a column of
// them around the matrix.
TEST_F(CommandLine, ANamedDistanceMatrixIsReadAsOne) {
    ASSERT_EQ(Itemmap({"mrp-mds", File("iris.txt"), "--size", "150", "--dim", "4"}).status, kExitFinished);
    std::istringstream plain(ReadFile(File("distances.dat")));
    std::vector<std::vector<std::string>> rows(150);
    std::string header;
    for (int i = 0; i < 150; ++i) {
        header += Format(i ? " \"%d\"" : "\"%d\"", i + 1);
        for (int j = 0; j < 150; ++j) rows[static_cast<std::size_t>(i)].emplace_back();
        for (std::string& v : rows[static_cast<std::size_t>(i)]) plain >> v;
    }
    dir.Write("dist.txt", Lines(
                              rows, header + "\n", ' ',
                              [](std::size_t r) { return Format("\"%zu\" ", r + 1); }, kNothing));
    const Result r = Itemmap({"mrp-mds", File("dist.txt"), "--char-distance", "0.51", "--tsv", File("dist.tsv")});
    ASSERT_EQ(r.status, kExitFinished) << r.out << r.err;
    EXPECT_NE(r.out.find("\n150\nmean distance: 2.545\n"), std::string::npos) << r.out;
    const std::string map = ReadFile(File("dist.tsv"));
    const std::size_t last = map.find("\n150\t");
    ASSERT_NE(last, std::string::npos) << map;
    std::istringstream fields(map.substr(last + 1));
    std::string row, item, name;
    std::getline(fields, row, '\t');
    std::getline(fields, item, '\t');
    std::getline(fields, name, '\t');
    EXPECT_EQ(name, "150");
}

// A missing value takes no part: the distance is over the components both
// items have, scaled up to all of them.
TEST_F(CommandLine, MissingValuesGiveTheDistanceOverWhatBothItemsHave) {
    dir.Write("na.csv", "a,b,c\n1,2,3\n2,NA,5\n,4,4\n0,0,\n");
    ASSERT_EQ(Itemmap({"mrp-mds", File("na.csv"), "--char-distance", "1"}).status, kExitFinished);
    const double nan = std::nan("");
    const std::vector<std::array<double, 3>> x = {{1, 2, 3}, {2, nan, 5}, {nan, 4, 4}, {0, 0, nan}};
    std::istringstream dump(ReadFile(File("distances.dat")));
    for (const auto& a : x)
        for (const auto& b : x) {
            double sum = 0;
            int present = 0;
            for (int k = 0; k < 3; ++k)
                if (!std::isnan(a[k] - b[k])) {
                    sum += (a[k] - b[k]) * (a[k] - b[k]);
                    ++present;
                }
            double shown = 0;
            dump >> shown;
            EXPECT_NEAR(shown, std::sqrt(sum * 3 / present), 0.0005);
        }
}

// Values of any size: at 1e20 the items map and train as they do at their
// own size, their distances 1e20 times as long; values whose distances
// single precision cannot hold are refused by both runs, by their column.
TEST_F(CommandLine, ValuesOfAnySizeAreMappedOrRefusedByTheirColumn) {
    std::string small, large, huge;
    for (int i = 0; i < 30; ++i) {
        const double a = i % 3 + 0.1 * (i % 7), b = (i * 5) % 3 + 0.05 * (i % 4);
        small += Format("%g\t%g\n", a, b);
        large += Format("%g\t%g\n", a * 1e20, b * 1e20);
        huge += Format("%g\t%g\n", a, i == 0 ? -3e38 : i == 1 ? 3e38 : 0.0);
    }
    dir.Write("small.txt", small);
    dir.Write("large.txt", large);
    dir.Write("huge.txt", huge);
    std::vector<double> distances[2];
    for (const char* file : {"small.txt", "large.txt"}) {
        const Result r = Itemmap({"mrp-mds", File(file), "--seed", "1"});
        ASSERT_EQ(r.status, kExitFinished) << file << r.out << r.err;
        std::istringstream dump(ReadFile(File("distances.dat")));
        for (double d; dump >> d;) distances[file[0] == 'l'].push_back(d);
    }
    ASSERT_EQ(distances[1].size(), 30u * 30u);
    for (std::size_t i = 0; i < distances[0].size(); ++i)
        EXPECT_NEAR(distances[1][i] / 1e20, distances[0][i], 0.0005) << i;

    const Result soc = Itemmap({"soc", File("large.txt"), "--prototypes", "4", "--seed", "1"});
    ASSERT_EQ(soc.status, kExitFinished) << soc.err;
    std::istringstream clusters(ReadFile(File("clusters.dat")));
    int listed = 0;
    for (int item; clusters >> item;) ++listed;
    EXPECT_EQ(listed, 30);
    EXPECT_EQ(soc.err.find("empty prototypes 4"), std::string::npos) << soc.err;

    for (const char* run : {"mrp-mds", "soc"}) {
        const Result r = Itemmap({run, File("huge.txt")});
        EXPECT_EQ(r.status, kExitRefused) << run;
        EXPECT_NE(r.err.find("invalid input data. \u2014 values from -3e38 to 3e38 in column 2 are too large "
                             "for single-precision distances"),
                  std::string::npos)
            << run << r.err;
    }
}

// Scales: each column z-scored (n - 1) or mapped to 0..1 before the distances.
TEST_F(CommandLine, ScalesGiveTheDistancesOfTheScaledTable) {
    const std::vector<std::array<double, 2>> x = {{1, 100}, {2, 300}, {4, 200}, {5, 900}};
    dir.Write("t.txt", "1\t100\n2\t300\n4\t200\n5\t900\n");
    for (const char* scale : {"z", "range"}) {
        ASSERT_EQ(Itemmap({"mrp-mds", File("t.txt"), "--scale", scale, "--char-distance", "1"}).status,
                  kExitFinished);
        std::array<double, 2> offset{}, factor{};
        for (int k = 0; k < 2; ++k) {
            double lo = x[0][k], hi = x[0][k], mean = 0, squares = 0;
            for (const auto& row : x) {
                lo = std::min(lo, row[k]);
                hi = std::max(hi, row[k]);
                mean += row[k] / 4;
            }
            for (const auto& row : x) squares += (row[k] - mean) * (row[k] - mean);
            offset[k] = scale[0] == 'z' ? mean : lo;
            factor[k] = scale[0] == 'z' ? 1 / std::sqrt(squares / 3) : 1 / (hi - lo);
        }
        std::istringstream dump(ReadFile(File("distances.dat")));
        for (const auto& a : x)
            for (const auto& b : x) {
                double shown = 0;
                dump >> shown;
                EXPECT_NEAR(shown, std::hypot((a[0] - b[0]) * factor[0], (a[1] - b[1]) * factor[1]), 0.0005)
                    << scale;
            }
    }
}

}  // namespace

namespace {

// A map saved by a run draws again as it did, and takes the rows of a new
// file by their columns' names, in any order: the run's own rows land where
// it put them; a column the map lacks is left out with a warning, one it
// needs and the file lacks refuses the file.
TEST_F(CommandLine, ASavedMapShowsAgainAndTakesNewRowsByTheirColumns) {
    std::string table = "a,b,c\n";
    for (int i = 0; i < 500; ++i)  // no two rows alike: a row equal to two landmarks lands on the first
        table += Format("%d.%03d,%d,%d.25\n", (i % 3) * 9 + i % 7, i, i % 10, (i % 4) * 6 + i % 5);
    dir.Write("t.csv", table);
    const Result run = Itemmap({"mrp-mds", File("t.csv"), "--all-rows", "--seed", "2", "--scale", "z", "--tsv",
                                File("run.tsv"), "--png", File("run.png"), "--save-map", File("t.itemmap")});
    ASSERT_EQ(run.status, kExitFinished) << run.err;
    const Result shown = Itemmap({"show", File("t.itemmap"), "--tsv", File("show.tsv"), "--png", File("show.png")});
    ASSERT_EQ(shown.status, kExitFinished) << shown.err;
    EXPECT_EQ(shown.out, "");
    EXPECT_EQ(ReadFile(File("show.tsv")), ReadFile(File("run.tsv")));
    EXPECT_EQ(ReadFile(File("show.png")), ReadFile(File("run.png")));

    // The columns reordered, one more: the same places for the same rows.
    std::string reordered = "c,extra,a,b\n";
    std::istringstream lines(table.substr(6));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t one = line.find(','), two = line.rfind(',');
        reordered += line.substr(two + 1) + ",7," + line.substr(0, one) + "," + line.substr(one + 1, two - one - 1) + "\n";
    }
    dir.Write("new.csv", reordered);
    const Result placed = Itemmap({"place", File("t.itemmap"), File("new.csv"), "--tsv", File("new.tsv")});
    ASSERT_EQ(placed.status, kExitFinished) << placed.err;
    EXPECT_NE(placed.err.find("warning: column 2 \"extra\" is none of the map's columns: left out"), std::string::npos)
        << placed.err;
    const auto axes = [](const std::string& tsv) {  // row, cluster and axes of each line
        std::vector<std::string> kept;
        std::istringstream in(tsv);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
            kept.push_back(f[0] + " " + f[2] + " " + f[4] + " " + f[5]);
        }
        return kept;
    };
    EXPECT_EQ(axes(ReadFile(File("new.tsv"))), axes(ReadFile(File("run.tsv"))));
    EXPECT_NE(ReadFile(File("new.tsv")).find("\tlayer\n"), std::string::npos);

    dir.Write("short.csv", "a,c\n1,2\n");
    const Result refused = Itemmap({"place", File("t.itemmap"), File("short.csv")});
    EXPECT_EQ(refused.status, kExitRefused);
    EXPECT_NE(refused.err.find("short.csv has no feature column \"b\", which the map was made with"), std::string::npos)
        << refused.err;
}

// The rows of a table given the prototypes of a SOC run's files wherever
// they lie: as a reload gives them, each row by itself, so pieces of the
// table give the lines of the whole; the table's features are the
// prototypes' components, and a table of another number is refused.
TEST_F(CommandLine, AssignGivesEachRowWhatAReloadGivesIt) {
    const Result soc = Itemmap({"soc", File("iris.txt"), "--prototypes", "12", "--seed", "4", "--items-tsv",
                                File("soc.tsv")});
    ASSERT_EQ(soc.status, kExitFinished) << soc.err;
    ASSERT_EQ(Itemmap({"reload", File("iris.txt"), "--items-tsv", File("reload.tsv")}).status, kExitFinished);
    std::filesystem::create_directory(File("run"));
    for (const std::string f : {"soc.dat", "weights.dat"}) std::filesystem::rename(File(f.c_str()), File("run/") + f);
    const auto assign = [&](const char* table, const char* items) {
        return Itemmap({"assign", File("run/soc.dat"), File("run/weights.dat"), File(table), "--items-tsv", File(items)});
    };
    const Result all = assign("iris.txt", "all.tsv");
    ASSERT_EQ(all.status, kExitFinished) << all.err;
    EXPECT_EQ(all.out, "");
    EXPECT_EQ(ReadFile(File("all.tsv")), ReadFile(File("reload.tsv")));
    // The prototypes of the run itself; the distances to the three decimals soc.dat keeps.
    const auto fields = [](const std::string& tsv, int from) {
        std::vector<std::vector<std::string>> lines;
        std::istringstream in(tsv);
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> f;
            std::istringstream split(line);
            for (std::string x; std::getline(split, x, '\t');) f.push_back(x);
            lines.emplace_back(f.begin() + from, f.end());
        }
        return lines;
    };
    const auto mine = fields(ReadFile(File("all.tsv")), 0), run = fields(ReadFile(File("soc.tsv")), 0);
    ASSERT_TRUE(mine.size() == 151u && run.size() == mine.size());
    for (std::size_t i = 1; i < mine.size(); ++i) {
        EXPECT_EQ(mine[i][2], run[i][2]) << "row " << i;
        EXPECT_NEAR(std::stod(mine[i][3]), std::stod(run[i][3]), 1e-3) << "row " << i;
    }

    const std::string iris = ReadFile(File("iris.txt"));
    std::size_t cut = 0;
    for (int line = 0; line < 70; ++line) cut = iris.find('\n', cut) + 1;
    dir.Write("one.txt", iris.substr(0, cut));
    dir.Write("two.txt", iris.substr(cut));
    ASSERT_EQ(assign("one.txt", "one.tsv").status, kExitFinished);
    ASSERT_EQ(assign("two.txt", "two.tsv").status, kExitFinished);
    auto pieces = fields(ReadFile(File("one.tsv")), 2);
    const auto two = fields(ReadFile(File("two.tsv")), 2);
    pieces.insert(pieces.end(), two.begin() + 1, two.end());
    EXPECT_EQ(pieces, fields(ReadFile(File("all.tsv")), 2));

    std::string narrow;
    std::istringstream rows(iris);
    for (std::string line; std::getline(rows, line);) narrow += line.substr(0, line.rfind('\t')) + "\n";
    dir.Write("narrow.txt", narrow);
    const Result refused = assign("narrow.txt", "narrow.tsv");
    EXPECT_EQ(refused.status, kExitRefused);
    EXPECT_NE(refused.err.find("narrow.txt has 3 features, the prototypes of soc.dat 4 components"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(File("narrow.tsv")));
    EXPECT_EQ(assign("iris.txt", "iris.txt").status, kExitUsage);  // never over a file it reads
}

}  // namespace
