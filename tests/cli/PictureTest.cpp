// Maps that say who is who as they leave the command line: pictures that
// show the whole map with a caption and legend, in the plane of a 3-axis
// map's largest spreads, and coordinates that carry the table's names and
// classes.
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/Itemmap.h"
#include "text/Numbers.h"
#include "writers/Coordinates.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// Tab-separated text as R's read.delim(quote = "\"") and pandas'
// read_csv(sep="\t") read it: a field that opens with a double quote goes on
// to the quote that closes it, tabs and line ends included, and two quotes
// in it stand for one.
Table TsvRows(const std::string& text) {
    Table rows(1, std::vector<std::string>(1));
    bool inQuotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string& field = rows.back().back();
        const bool quote = text[i] == '"';
        if (inQuotes && quote && i + 1 < text.size() && text[i + 1] == '"')
            field += text[++i];
        else if (quote && (inQuotes || field.empty()))
            inQuotes = !inQuotes;
        else if (!inQuotes && text[i] == '\t')
            rows.back().emplace_back();
        else if (!inQuotes && text[i] == '\n')
            rows.emplace_back(1);
        else
            field += text[i];
    }
    rows.pop_back();  // what follows the last line end
    return rows;
}

double Pairs(double n) {
    return n * (n - 1) / 2;
}

// The adjusted Rand index of two labellings, from their contingency table.
double AdjustedRand(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::map<std::pair<std::string, std::string>, int> both;
    std::map<std::string, int> rows, columns;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ++both[{a[i], b[i]}];
        ++rows[a[i]];
        ++columns[b[i]];
    }
    double index = 0, r = 0, c = 0;
    for (const auto& e : both) index += Pairs(e.second);
    for (const auto& e : rows) r += Pairs(e.second);
    for (const auto& e : columns) c += Pairs(e.second);
    const double expected = r * c / Pairs(static_cast<double>(a.size()));
    return (index - expected) / ((r + c) / 2 - expected);
}

// Stress-1 after the best scale of points against distances.
double Stress(const std::vector<std::array<double, 2>>& at, const std::vector<std::vector<double>>& delta) {
    double dd = 0, dDelta = 0, deltaDelta = 0;
    for (std::size_t i = 0; i < at.size(); ++i)
        for (std::size_t j = 0; j < i; ++j) {
            const double d = std::hypot(at[i][0] - at[j][0], at[i][1] - at[j][1]);
            dd += d * d;
            dDelta += d * delta[i][j];
            deltaDelta += delta[i][j] * delta[i][j];
        }
    return std::sqrt(1 - dDelta * dDelta / (dd * deltaDelta));
}

std::string Sample(const char* name) {
    return std::string(ITEMMAP_SAMPLES_DIR) + "/" + name;
}

// Iris as R writes it: every name, class and legend line in the picture and
// the coordinates, and the clusters' agreement with the species as the
// coordinates' own columns give it.
TEST_F(CommandLine, ANamedTableSaysWhoIsWho) {
    dir.Write("iris.txt", ReadFile(Sample("iris-table.txt")));
    const Result r =
        Itemmap({"mrp-mds", File("iris.txt"), "--char-distance", "0.9", "--seed", "2", "--labels", "names",
                 "--colour", "class", "--svg", File("map.svg"), "--tsv", File("map.tsv")});
    ASSERT_EQ(r.status, kExitFinished) << r.err;
    const std::string svg = ReadFile(File("map.svg"));
    for (const char* text :
         {"<title>iris.txt \u00b7 MRP-MDS, 2 axes \u00b7 Stress-1 ", ">Species</text>", ">setosa: 50</text>",
          ">versicolor: 50</text>", ">virginica: 50</text>", ">virginica-50</text>"})
        EXPECT_NE(svg.find(text), std::string::npos) << text;

    const Table rows = TsvRows(ReadFile(File("map.tsv")));
    ASSERT_EQ(rows.size(), 151u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"row", "item", "name", "class", "cluster", "probability",
                                                 "axis1", "axis2", "view_x", "view_y"}));
    std::vector<std::string> clusters, classes;
    for (std::size_t i = 1; i <= 150; ++i) {
        const std::string species = i <= 50 ? "setosa" : i <= 100 ? "versicolor" : "virginica";
        EXPECT_EQ(rows[i][2], species + "-" + std::to_string((i - 1) % 50 + 1));
        EXPECT_EQ(rows[i][3], species);
        clusters.push_back(rows[i][4]);
        classes.push_back(rows[i][3]);
    }
    const std::size_t at = r.err.find("clusters vs class: ARI ");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(at + 23, 4), Format("%.2f", AdjustedRand(clusters, classes)));
}

// The coordinates give a row its cluster by its centre's row, which is in
// its own cluster, and 0 for a row in none.
TEST_F(CommandLine, TheCoordinatesGiveEachRowItsClusterCentre) {
    dir.Write("iris.txt", ReadFile(Sample("iris-table.txt")));
    ASSERT_EQ(Itemmap({"mrp-mds", File("iris.txt"), "--char-distance", "0.2", "--seed", "2", "--tsv", File("map.tsv")})
                  .status,
              kExitFinished);
    const Table rows = TsvRows(ReadFile(File("map.tsv")));
    ASSERT_EQ(rows.size(), 151u);
    int inNone = 0;
    for (std::size_t i = 1; i <= 150; ++i) {
        const auto centre = static_cast<std::size_t>(std::stoi(rows[i][4]));
        inNone += centre == 0;
        if (centre != 0) {
            EXPECT_EQ(rows[centre][4], rows[i][4]) << i;
        }
    }
    EXPECT_GT(inNone, 0);
    EXPECT_LT(inNone, 150);
}

// After SOC the items file gives each item of the table its prototype, as
// many as the coordinates count for each, and its distance, whose mean is
// the quantisation error; a reload assigns them alike.
TEST_F(CommandLine, TheItemsFileGivesEachItemItsPrototype) {
    dir.Write("iris.txt", ReadFile(Sample("iris-table.txt")));
    const Result r = Itemmap({"soc", File("iris.txt"), "--seed", "3", "--items-tsv", File("items.tsv"), "--tsv",
                              File("map.tsv")});
    ASSERT_EQ(r.status, kExitFinished) << r.err;
    const Table items = TsvRows(ReadFile(File("items.tsv")));
    ASSERT_EQ(items.size(), 151u);
    EXPECT_EQ(items[0], (std::vector<std::string>{"row", "item", "name", "class", "prototype", "distance"}));
    std::map<std::string, int> members;
    double sum = 0;
    for (std::size_t i = 1; i <= 150; ++i) {
        EXPECT_EQ(items[i][0], std::to_string(i));
        EXPECT_EQ(items[i][1], std::to_string(i));
        EXPECT_EQ(items[i][3], i <= 50 ? "setosa" : i <= 100 ? "versicolor" : "virginica");
        ++members[items[i][4]];
        sum += std::stod(items[i][5]);
    }
    const Table map = TsvRows(ReadFile(File("map.tsv")));
    for (std::size_t k = 1; k < map.size(); ++k) EXPECT_EQ(members[map[k][0]], std::stoi(map[k][1])) << k;
    const std::size_t at = r.err.find("quantisation error ");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_NEAR(sum / 150, std::stod(r.err.substr(at + 19, 5)), 0.0005);

    ASSERT_EQ(Itemmap({"reload", File("iris.txt"), "--items-tsv", File("again.tsv")}).status, kExitFinished);
    const Table again = TsvRows(ReadFile(File("again.tsv")));
    ASSERT_EQ(again.size(), items.size());
    int moved = 0;
    for (std::size_t i = 1; i <= 150; ++i) moved += again[i][4] != items[i][4];
    EXPECT_LE(moved, 1);  // soc.dat keeps three decimals: a tie may fall the other way
}

// A row without any value keeps its line, of empty fields, in the
// coordinates and the items file: the lines are the file's data rows, as R
// (write.csv here) and pandas count them, and the items after it go on by
// their own numbers.
TEST_F(CommandLine, ARowWithoutValuesKeepsItsLine) {
    std::string csv = "\"\",\"a\",\"b\"\n";
    for (int r = 1; r <= 9; ++r) csv += r == 3 ? "\"3\",NA,NA\n" : Format("\"%d\",%d,%d\n", r, r % 4, r * r % 7);
    dir.Write("t.csv", csv);
    for (const std::vector<std::string>& run :
         {std::vector<std::string>{"mrp-mds", File("t.csv"), "--char-distance", "2", "--tsv", File("out.tsv")},
          {"soc", File("t.csv"), "--prototypes", "2", "--items-tsv", File("out.tsv")}}) {
        ASSERT_EQ(Itemmap(run).status, kExitFinished) << run[0];
        const Table rows = TsvRows(ReadFile(File("out.tsv")));
        ASSERT_EQ(rows.size(), 10u) << run[0];
        for (std::size_t r = 1; r <= 9; ++r) {
            ASSERT_EQ(rows[r].size(), rows[0].size()) << run[0] << " " << r;
            EXPECT_EQ(rows[r][0], std::to_string(r));
            EXPECT_EQ(rows[r][1], r == 3 ? "" : std::to_string(r < 3 ? r : r - 1)) << run[0];
            EXPECT_EQ(rows[r][2] == "", r == 3) << run[0] << " " << r;
        }
        EXPECT_EQ(std::count(rows[3].begin(), rows[3].end(), ""), static_cast<long>(rows[3].size()) - 1);
    }
}

// The nastiest names of a table come back whole from the coordinates of
// either kind of map, every row as long as the header, as R and pandas read
// them: quotes, tabs, commas, NA, a formula, emoji, CJK and a long name.
TEST_F(CommandLine, NamesComeBackWholeFromTheCoordinates) {
    const std::vector<std::string> names = {
        "plain", "\"Best\" sample",  "6\" tall", "tab\tinside",        "a, comma", "NA",
        "=1+2",  "emoji \U0001F600", " blank",   "\u4e2d\u6587\u540d", "'single'", std::string(300, 'n')};
    const std::vector<std::string> classes = {"\"odd\", one", "even\tone"};
    const auto quoted = [](const std::string& text) {
        std::string q = "\"";
        for (const char c : text) q += c == '"' ? "\"\"" : std::string(1, c);
        return q + "\"";
    };
    std::string csv = "name,class," + quoted("\"f\" of \"x\"") + "," + quoted("tab\there") + ",=f3\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        csv += quoted(names[i]) + "," + quoted(classes[i % 2]) +
               Format(",%zu.5,%zu,%zu\n", i * 5 % 12, i * i % 7, i % 3);
    dir.Write("names.csv", csv);
    for (const char* run : {"mrp-mds", "soc"}) {
        std::vector<std::string> args = {run, File("names.csv"), "--names",      "1", "--class",
                                         "2", "--tsv",           File("map.tsv")};
        args.insert(args.end(), {run[0] == 's' ? "--prototypes" : "--char-distance", "3"});
        const Result r = Itemmap(args);
        ASSERT_EQ(r.status, kExitFinished) << r.out << r.err;
        const Table rows = TsvRows(ReadFile(File("map.tsv")));
        for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size()) << run;
        if (std::string(run) == "mrp-mds") {
            ASSERT_EQ(rows.size(), names.size() + 1);
            for (std::size_t i = 1; i < rows.size(); ++i) {
                EXPECT_EQ(names[i - 1].rfind(rows[i][2], 0), 0u);
                if (names[i - 1].size() < 60) {
                    EXPECT_EQ(rows[i][2], names[i - 1]);
                }
                EXPECT_EQ(rows[i][3], classes[(i - 1) % 2]);
            }
        } else {
            ASSERT_EQ(rows.size(), 4u);
            EXPECT_EQ(std::vector<std::string>(rows[0].end() - 3, rows[0].end()),
                      (std::vector<std::string>{"\"f\" of \"x\"", "tab\there", "=f3"}));
            for (std::size_t i = 1; i < rows.size(); ++i)
                EXPECT_TRUE(rows[i][2] == classes[0] || rows[i][2] == classes[1]) << rows[i][2];
        }
    }
}

// A map of four items named and classed by halves: items 1 and 3 have no
// name, item 2 no class. As an MRP-MDS map on `axes` axes, or as a SOC map
// of three prototypes, the last of them far from every item (no members,
// so no class), with no scores kept.
Session HalfLabelledMap(MapKind kind, int axes) {
    Session w;
    w.table = TableOf({{0, 0}, {0.1f, 0}, {5, 5}, {5.2f, 5}});
    w.table.names = {"", "", "b", "", "d"};
    w.table.classes = {0, 1, 0, 2, 1};
    w.table.classNames = {"", "x", "y"};
    w.table.classHeader = "kind";
    w.VectorDim = 2;
    const int points = kind == MapKind::MrpMds ? 4 : 3;
    w.shown = {kind, axes, "t.txt", "t.txt"};
    w.SocMode = kind == MapKind::MrpMds ? 0 : 1;
    w.map.Resize(points);
    w.view.projected.assign(static_cast<std::size_t>(points + 1) * 3, 0.0);
    w.clusters.Clear(4);
    w.clusters.marks[1] = ClusterMark::Centre(1);
    w.clusters.marks[2] = ClusterMark::Member(1);
    w.prototypes.Resize(3, 2);
    for (int p = 1; p <= 3; ++p)
        for (int q = 1; q <= 2; ++q) {
            w.prototypes.Vector(p)[q] = p == 1 ? 0.0f : p == 2 ? 5.0f : 100.0f;
            w.prototypes.Weights(p)[q] = 1;
        }
    return w;
}

// Every line of the coordinates has as many fields as their header, counted
// on the text: a missing name, class or score is an empty field, not none.
TEST(Coordinates, EveryRowHasAsManyFieldsAsTheHeader) {
    const struct {
        MapKind kind;
        int axes;
        const char* labels;  // the header's columns of names and classes
    } maps[] = {{MapKind::MrpMds, 1, "\tname\tclass\t"},
                {MapKind::MrpMds, 3, "\tname\tclass\t"},
                {MapKind::Soc, 2, "\tclass\tshare\t"}};
    for (const auto& m : maps) {
        const std::string text = CoordinatesText(HalfLabelledMap(m.kind, m.axes));
        std::istringstream lines(text);
        std::string header;
        std::getline(lines, header);
        EXPECT_NE(header.find(m.labels), std::string::npos) << header;
        const auto fields = [](const std::string& line) {
            return std::count(line.begin(), line.end(), '\t') + 1;
        };
        int rows = 0;
        for (std::string line; std::getline(lines, line); ++rows)
            EXPECT_EQ(fields(line), fields(header)) << m.axes << "\n" << text;
        EXPECT_EQ(rows, m.kind == MapKind::MrpMds ? 4 : 3) << text;
    }
}

// An item in no prototype has a line of empty prototype and distance, as
// long as the header.
TEST(SocItems, AnItemInNoPrototypeHasEmptyFields) {
    Session w = HalfLabelledMap(MapKind::Soc, 2);
    w.table.Row(2)[1] = w.table.Row(2)[2] = std::nanf("");
    w.table.missing[2] = 2;
    const Table rows = TsvRows(SocItemsText(w));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"row", "item", "name", "class", "prototype", "distance"}));
    for (std::size_t i = 1; i <= 4; ++i) EXPECT_EQ(rows[i].size(), 6u) << i;
    EXPECT_EQ(rows[2][4], "");
    EXPECT_EQ(rows[2][5], "");
    EXPECT_EQ(rows[4][4], "2");
    EXPECT_NEAR(std::stod(rows[4][5]), 0.2, 1e-6);
}

// The coordinates' columns and the picture's caption for each kind of map.
struct Kind {
    const char* name;
    std::vector<std::string> args;  // FILE stands for the sample
    const char* sample;
    std::string header;
    std::string caption;
};

void PrintTo(const Kind& k, std::ostream* os) {
    *os << k.name;
}

class MapKinds : public CommandLine, public ::testing::WithParamInterface<Kind> {};

TEST_P(MapKinds, NameTheirColumnsAndCaptionTheirPicture) {
    const Kind& k = GetParam();
    dir.Write(k.sample, ReadFile(Sample(k.sample)));
    std::vector<std::string> args = k.args;
    for (std::string& a : args)
        if (a == "FILE") a = File(k.sample);
    args.insert(args.end(), {"--seed", "3", "--svg", File("map.svg"), "--tsv", File("map.tsv")});
    ASSERT_EQ(Itemmap(args).status, kExitFinished);
    const std::string tsv = ReadFile(File("map.tsv"));
    EXPECT_EQ(tsv.substr(0, tsv.find('\n')), k.header);
    const std::string svg = ReadFile(File("map.svg"));
    EXPECT_NE(svg.find("<title>" + k.caption), std::string::npos) << svg.substr(svg.find("<title>"), 200);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MapKinds,
    ::testing::Values(
        Kind{"plainMrpMds",
             {"mrp-mds", "FILE"},
             "cancer-89x26.txt",
             "row\titem\tcluster\tprobability\taxis1\taxis2\tview_x\tview_y",
             "cancer-89x26.txt \u00b7 MRP-MDS, 2 axes \u00b7 Stress-1 "},
        Kind{"threeAxes",
             {"mrp-mds", "FILE", "--map-dim", "3", "--enlarge", "1.5"},
             "iris-table.txt",
             "row\titem\tname\tclass\tcluster\tprobability\taxis1\taxis2\taxis3\tview_x\tview_y",
             "iris-table.txt \u00b7 MRP-MDS, 3 axes \u00b7 Stress-1 "},
        Kind{
            "socWithClasses",
            {"soc", "FILE", "--prototypes", "6"},
            "iris-table.txt",
            "prototype\tmembers\tclass\tshare\tscore\tview_x\tview_y\tSepal.Length\tSepal.Width\tPetal.Length"
            "\tPetal.Width",
            "iris-table.txt \u00b7 SOC, 6 prototypes \u00b7 quantisation error "},
        Kind{"socPlain",
             {"soc", "FILE", "--prototypes", "3", "--dim", "2"},
             "cancer-89x26.txt",
             "prototype\tmembers\tscore\tview_x\tview_y\tc1\tc2",
             "cancer-89x26.txt \u00b7 SOC, 3 prototypes \u00b7 quantisation error "}),
    [](const auto& info) { return std::string(info.param.name); });

// One page with the caption as its title; the map drawn as vectors.
TEST_F(CommandLine, APdfIsOnePageWithItsCaption) {
    ASSERT_EQ(Itemmap({"mrp-mds", File("cancer.txt"), "--pdf", File("map")}).status, kExitFinished);
    const std::string pdf = ReadFile(File("map.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    std::size_t pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        pages += pdf.compare(at, 12, "/Type /Pages") != 0;
    EXPECT_EQ(pages, 1u);
    // The title: UTF-16 after a byte-order mark, ASCII here.
    const std::size_t title = pdf.find("/Title (\xFE\xFF");
    ASSERT_NE(title, std::string::npos);
    std::string text;
    for (std::size_t i = title + 10; i + 1 < pdf.size() && pdf[i] != ')'; i += 2) text += pdf[i + 1];
    EXPECT_EQ(text.rfind("cancer.txt ", 0), 0u) << text;
    EXPECT_NE(text.find(" MRP-MDS, 2 axes "), std::string::npos) << text;
}

// Whether a picture's map area (its frame at x 0 and 639, y 0 and 631)
// holds nothing but white within 4 pixels of the frame: every mark, bar and
// label lies well inside.
bool ClearAlongTheFrame(const QImage& picture) {
    for (int y = 1; y <= 630; ++y)
        for (int x = 1; x <= 638; ++x) {
            const bool band = y <= 4 || y >= 627 || x <= 4 || x >= 635;
            if (band && picture.pixel(x, y) != qRgb(255, 255, 255)) return false;
        }
    return true;
}

// With the values samples/README.md gives and with the defaults, in each
// labelling mode, no mark of a picture lies outside it, nor its bar or label.
TEST_F(CommandLine, APictureShowsTheWholeMap) {
    const std::vector<std::vector<std::string>> runs = {
        {"mrp-mds", "cancer-89x26.txt"},
        {"mrp-mds", "cancer-400x30.txt", "--char-distance", "0.22"},
        {"mrp-mds", "wine-178-distances.txt", "--enlarge", "10", "--char-distance", "0.2"},
        {"mrp-mds", "wine-178-distances.txt"},
        {"mrp-mds", "iris-150x4.txt", "--enlarge", "1.5", "--char-distance", "0.51"},
        {"mrp-mds", "iris-table.txt"},
        {"mrp-mds", "iris-table.txt", "--labels", "names", "--enlarge", "1.5"},
        {"mrp-mds", "cancer-89x26.txt", "--labels", "numbers", "--char-distance", "1"},
        {"mrp-mds", "cancer-89x26.txt", "--labels", "bars", "--char-distance", "1", "--seed", "1"},
        {"mrp-mds", "wine-178x13.csv", "--scale", "z", "--char-distance", "0.9"},
        {"soc", "cancer-89x26.txt"},
        {"soc", "iris-150x4.txt", "--prototypes", "12"},
    };
    for (std::vector<std::string> args : runs) {
        dir.Write(args[1], ReadFile(Sample(args[1].c_str())));  // results land beside the input
        args[1] = dir.File(args[1]);
        if (std::find(args.begin(), args.end(), "--seed") == args.end())
            args.insert(args.end(), {"--seed", "4"});
        args.insert(args.end(), {"--png", File("map.png")});
        const Result r = Itemmap(args);
        ASSERT_EQ(r.status, kExitFinished) << args[1] << r.err;
        EXPECT_EQ(r.err.find("outside"), std::string::npos) << args[1] << "\n" << r.err;
        EXPECT_TRUE(ClearAlongTheFrame(QImage(QString::fromStdString(File("map.png"))))) << args[1];
    }
}

// A caption wider than the picture goes on in a second line instead of
// being cut: the picture grows, and its texts hold every part of the
// caption (its title) whole.
TEST_F(CommandLine, ALongCaptionWrapsInsteadOfBeingCut) {
    std::vector<int> heights;
    for (const char* name : {"iris.txt", "iris-measurements-of-anderson-1936-as-written-by-R.txt"}) {
        dir.Write(name, ReadFile(Sample("iris-table.txt")));
        ASSERT_EQ(Itemmap({"mrp-mds", File(name), "--seed", "1", "--char-distance", "0.51", "--noise", "2",
                           "--neighbour", "0.5", "--png", File("map.png"), "--svg", File("map.svg")})
                      .status,
                  kExitFinished);
        heights.push_back(QImage(QString::fromStdString(File("map.png"))).height());
        const std::string svg = ReadFile(File("map.svg"));
        const std::size_t title = svg.find("<title>") + 7, drawn = svg.find("</title>");
        const std::string caption = svg.substr(title, drawn - title) + " \u00b7 ";
        for (std::size_t at = 0, next; (next = caption.find(" \u00b7 ", at)) != std::string::npos;
             at = next + 4)
            EXPECT_NE(svg.find(caption.substr(at, next - at), drawn), std::string::npos)
                << name << ": " << caption.substr(at, next - at);
    }
    EXPECT_GT(heights[1], heights[0]);
}

// A 3-axis map is drawn in the plane of its largest spreads: its picture's
// Stress-1 is no worse than that of the best pair of its axes (within 10%).
TEST_F(CommandLine, AThreeAxisPictureShowsItsBestPlane) {
    ASSERT_EQ(Itemmap({"mrp-mds", File("iris.txt"), "--map-dim", "3", "--enlarge", "1.5", "--seed", "6",
                       "--png", File("map.png"), "--tsv", File("map.tsv")})
                  .status,
              kExitFinished);
    constexpr int n = 150;
    std::vector<std::vector<double>> delta(n, std::vector<double>(n));
    std::istringstream raw(ReadFile(File("distances.dat")));
    for (auto& row : delta)
        for (double& v : row) raw >> v;
    const Table rows = TsvRows(ReadFile(File("map.tsv")));
    std::vector<std::array<double, 2>> view, pair12, pair13, pair23;
    for (int i = 1; i <= n; ++i) {
        const auto v = [&](int column) {
            return std::stod(rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(column)]);
        };
        view.push_back({v(7), v(8)});
        pair12.push_back({v(4), v(5)});
        pair13.push_back({v(4), v(6)});
        pair23.push_back({v(5), v(6)});
    }
    const double best = std::min({Stress(pair12, delta), Stress(pair13, delta), Stress(pair23, delta)});
    EXPECT_LE(Stress(view, delta), 1.1 * best);
}

}  // namespace
