#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "files/ResultFiles.h"
#include "files/ResultPaths.h"
#include "handlers/RunSteps.h"
#include "support/FakeForm.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "table/TextTable.h"
#include "support/Packed.h"
#include "text/Numbers.h"
#include "text/Words.h"

namespace {

// "1 2.5 NA": row r's first n components, a missing one as NA.
std::string RowText(const Table& table, int r, int n) {
    if (r > table.rows || n > table.width) return Format("(no row %d of %d components)", r, n);
    std::string text;
    for (int k = 1; k <= n; ++k) {
        const float v = table.Row(r)[k];
        if (k > 1) text += ' ';
        text += std::isnan(v) ? std::string("NA") : Format("%g", static_cast<double>(v));
    }
    return text;
}

// Each row of a table as RowText gives it, as many components as the text has.
void ExpectRows(const Table& table, const std::vector<std::string>& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int n = static_cast<int>(std::count(rows[r].begin(), rows[r].end(), ' ')) + 1;
        EXPECT_EQ(RowText(table, static_cast<int>(r) + 1, n), rows[r]) << "row " << r + 1;
    }
}

// "1\t2\t...\tn".
std::string Counting(int n, const char* separator) {
    std::string text = "1";
    for (int i = 2; i <= n; ++i) text += separator + std::to_string(i);
    return text;
}

class InputFiles : public ::testing::Test {
protected:
    Table Read(const std::string& content, int rows) {
        dir.Write("v.txt", content);
        return ReadVectors(dir.File("v.txt").c_str(), rows, {}, report);
    }

    TempDir dir;
    ReadReport report;
};

// Tab files as the tool has always read them: the rows' values, and the
// components of each item (the values most rows hold, at most 64).
TEST_F(InputFiles, TabFilesGiveTheirRowsValues) {
    const struct {
        const char* name;
        std::string content;
        int rows;   // asked for
        int items;  // taken
        int width;
        std::vector<std::string> values;  // each row as RowText gives it
        int held = 0;                     // the values most rows hold, when more than the width
    } cases[] = {
        {"runsOfTabsAndLeadingOnes", "1.5\t2.5\n\t\t3\t\t4\n", 2, 2, 2, {"1.5 2.5", "3 4"}},
        // A blank line holds no item: skipped, not read as a row of one 0.
        {"trailingTabGivesAZeroAndABlankLineNoItem", "1\t2\t\n\n7\n", 2, 2, 3, {"1 2 0", "7 NA NA"}},
        {"the1000DroppedInEveryForm", "1\t1000\t3\n1000.0\t1e3\t5\n", 2, 2, 2, {"1 3", "5 NA"}},
        {"lf", "0.25\t-3\n4e-1\t5\n", 2, 2, 2, {"0.25 -3", "0.4 5"}},
        {"crLfAsLf", "0.25\t-3\r\n4e-1\t5\r\n", 2, 2, 2, {"0.25 -3", "0.4 5"}},
        {"aLastLineWithoutLineEnd", "1\t2\n3\t4", 2, 2, 2, {"1 2", "3 4"}},
        {"fewerLinesThanAsked", "1\t2\n", 3, 1, 2, {"1 2"}},
        {"moreLinesThanAsked", "1\t2\n3\t4\n5\t6\n", 2, 2, 2, {"1 2", "3 4"}},
        {"64Values", Counting(64, "\t") + "\n", 1, 1, 64, {Counting(64, " ")}},
        {"valuesPast64CountedNotKept", Counting(70, "\t") + "\n", 1, 1, 64, {Counting(64, " ")}, 70},
        // Numbers only between a name and a class: the first line is a row, no header.
        {"aFirstLineWithNumbersInsideIsARow", "s1\t1.5\t2\tx\ns2\t2.5\t3\ty\n", 2, 2, 2, {"1.5 2", "2.5 3"}},
        // Commas are decimal where values look so and none has a decimal point;
        // one that is no number as written (a thousand misgrouped) has no say.
        {"decimalCommasBetweenTabs", "1,5\t2\n0,25\t4\n", 2, 2, 2, {"1.5 2", "0.25 4"}},
        {"aDecimalPointMakesCommasText", "2,000\t2.500\n1,500\t3\n", 2, 2, 1, {"2.5", "3"}},
        {"aPointAfterThousandsCommasToo", "1,234.5\t2,000\t7\n3,000.5\t1,500\t8\n", 2, 2, 1, {"7", "8"}},
        {"aMisgroupedThousandDecidesNothing", "1.2345,6\t0,5\n2,5\t1\n", 2, 2, 2, {"NA 0.5", "2.5 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Table table = Read(c.content, c.rows);
        EXPECT_EQ(table.rows, c.items);
        EXPECT_EQ(table.width, c.width);
        EXPECT_EQ(report.values, c.held ? c.held : c.width);
        ExpectRows(table, c.values);
    }
}

// The line the runs write when the data end before "Input size" rows: the
// items read and the values of the first; none when every row was there.
TEST_F(InputFiles, TheDataLineTellsOfAShortFileOnly) {
    const struct {
        std::string content;
        int rows;
        std::vector<std::string> memo;
    } cases[] = {
        {"1\t2\t3\n4\t5\t6\n", 2, {}},
        {"1\t2\t3\n4\t5\t6\n", 3, {"data No: 2,  dim: 3"}},
        {"1.5\t2\n3\t4\t5\n6\t7\t8\n", 4, {"data No: 3,  dim: 2"}},
        {"", 5, {"data No: 0,  dim: 0"}},
    };
    for (const auto& c : cases) {
        Read(c.content, c.rows);
        FakeForm form;
        form.memo.clear();
        ShowDataLine(form, report, c.rows);
        EXPECT_EQ(form.memo, c.memo) << c.content << " of " << c.rows;
    }
}

// Each item knows its row among the data rows, as R and pandas number them:
// a header and blank lines are no rows, a row without a value is one; the
// rows covered end before the first row left.
TEST_F(InputFiles, ItemsKeepTheirDataRows) {
    Table t = Read("a\tb\n1\t2\n\nNA\tNA\n3\t4\nNA\tNA\n5\t6\n", 2);
    ASSERT_EQ(t.rows, 2);
    EXPECT_EQ(t.DataRow(1), 1);
    EXPECT_EQ(t.DataRow(2), 3);
    EXPECT_EQ(t.dataRows, 4);
    t = Read("1\t2\nNA\tNA\n", 5);
    EXPECT_EQ(t.DataRow(1), 1);
    EXPECT_EQ(t.dataRows, 2);
    const Table picked = t.Reordered({1});
    EXPECT_EQ(picked.DataRow(1), 1);
    // Under a header a line of tabs alone is a row of empty fields, as pandas reads it.
    t = Read("a\tb\n1\t2\n\t\n3\t4\n", 2);
    EXPECT_EQ(t.DataRow(2), 3);
}

// A read takes the start of a file that holds the rows it needs, and the
// whole file only when it needs all of it: what lies beyond is not seen.
TEST_F(InputFiles, AFewRowsOfALargeFileReadItsStartAlone) {
    std::string text;
    for (int r = 0; r < 200000; ++r) text += Format("%d.5\t%d\n", r % 9, r % 7);
    Table t = Read(text + "x\ty\n", 10);
    EXPECT_EQ(t.rows, 10);
    EXPECT_TRUE(report.restUnread);
    EXPECT_LT(report.rowsLeft, 200000 - 10);
    EXPECT_EQ(VectorReadNotes(report, "v.txt", 10).back(),
              "warning: more rows after line 10 not read: only the first 10 (\"Input size\") used");
    EXPECT_EQ(report.notNumbers, 0);  // the last line's text is not reached
    t = Read(text + "x\ty\n", 300000);
    EXPECT_EQ(t.rows, 200000);
    EXPECT_FALSE(report.restUnread);
    EXPECT_EQ(report.notNumbers, 2);
    // Rows whose quoted names hold line ends, across where a read stops first.
    text = "name\tx\n";
    for (int r = 1; r <= 40000; ++r) text += Format("\"row\n%d\"\t%d.25\n", r, r % 11);
    t = Read(text, 30000);
    ASSERT_EQ(t.rows, 30000);
    EXPECT_EQ(t.Name(30000), "row\n30000");
    EXPECT_EQ(report.lastDataLine, 60000);  // its first line
}

// A whole read keeps to twice its file's size: in a child process, whose
// high-water mark of memory starts afresh, it grows by less.
TEST_F(InputFiles, AWholeReadKeepsToTwiceItsFileSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own memory is not the read's";
#endif
    std::string text;
    for (int r = 0; r < 40000; ++r) {
        for (int q = 0; q < 40; ++q) text += Format(q ? "\t%.3f" : "%.3f", (r * 37 + q * 11) % 1000 / 7.0);
        text += '\n';
    }
    dir.Write("v.txt", text);
    const auto rss = [](const char* field) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field))) * 1024L;
        return -1L;
    };
    const pid_t child = fork();
    if (child == 0) {
        const long before = rss("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark from here
        ReadReport seen;
        const Table t = ReadVectors(dir.File("v.txt").c_str(), 100000, {}, seen);
        const long grown = rss("VmHWM:") - before;
        _exit(t.rows == 40000 && grown > 0 && grown <= 2 * static_cast<long>(text.size()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The command line's read to learn a file's shape serves its run only where
// reading again would give the same: else the run reads the file itself.
TEST_F(InputFiles, AReadMadeAheadServesOnlyTheSameRead) {
    dir.Write("v.txt", "1\t2\n3\t4\n5\t6\n");
    const std::string path = dir.File("v.txt");
    const auto ahead = [&](int rows) {
        auto read = std::make_shared<TableRead>(TableRead{path, rows, {}, {}, {}});
        read->table = ReadVectors(path.c_str(), rows, {}, read->report);
        return read;
    };
    ReadOptions z;
    z.scale = ColumnScale::Z;
    const struct {
        int readRows, askedRows;
        std::string name;
        ReadOptions options;
        bool answers;
    } cases[] = {
        {3, 3, path, {}, true},
        {5, 100001, path, {}, true},  // every row was read: asking more gives them again
        {2, 3, path, {}, false},      // a row was left over
        {3, 2, path, {}, false},
        {3, 3, path, z, false},
        {3, 3, dir.File("w.txt"), {}, false},
    };
    for (const auto& c : cases) {
        const auto read = ahead(c.readRows);
        EXPECT_EQ(read->Answers(c.name.c_str(), c.askedRows, c.options), c.answers)
            << c.readRows << " rows read, " << c.askedRows << " asked";
        if (!c.answers) continue;
        dir.Write("v.txt", "7\t8\n");  // a run that took the read sees what it saw
        RunChoices choices;
        choices.readAhead = read;
        ReadReport seen;
        ExpectRows(ReadRunVectors(choices, path.c_str(), c.askedRows, seen), {"1 2", "3 4", "5 6"});
        EXPECT_EQ(seen.rowsRead, 3);
        dir.Write("v.txt", "1\t2\n3\t4\n5\t6\n");
    }
}

// Files a reader cannot take at all say why, and give no row; a file of
// megabytes is read whole.
TEST_F(InputFiles, FilesThatCannotBeReadSayWhy) {
    dir.Write("beyond.txt", "1\n");
    std::filesystem::resize_file(dir.File("beyond.txt"), 0x100000000LL);  // sparse: nothing is written
    std::string rows;
    for (int i = 0; i < 60000; ++i) rows += Format("%d.125\t%d.5\t-%d.75\n", i, i % 7, i % 13);
    ASSERT_GT(rows.size(), 1000000u);
    dir.Write("large.txt", rows);
    const struct {
        std::string path;
        std::string failure;  // empty: read
        int rows;
    } cases[] = {
        {dir.File("absent.txt"), "cannot open " + dir.File("absent.txt"), 0},
        {dir.File("beyond.txt"), dir.File("beyond.txt") + " is larger than 4 GiB, more than the reader takes", 0},
        {dir.path(), dir.path() + " is not a file", 0},
        {dir.File("large.txt"), "", 60000},
    };
    for (const auto& c : cases) {
        const Table table = ReadVectors(c.path.c_str(), 100000, {}, report);
        EXPECT_EQ(report.loaded, c.failure.empty()) << c.path;
        EXPECT_EQ(Unusable(report, c.path.c_str()), c.failure);
        EXPECT_EQ(table.rows, c.rows) << c.path;
    }
    EXPECT_EQ(ReadVectors(dir.File("large.txt").c_str(), 100000, {}, report).Row(60000)[3], -4.75f);
}

// A table packed as pandas and R write it is read as the text it holds,
// whatever its name, also when only its start is needed; one cut short or
// damaged is refused with the reason.
TEST_F(InputFiles, PackedTablesAreReadAsTheTextTheyHold) {
    std::string text = "name,x,y\r\n";
    for (int r = 1; r <= 60000; ++r) text += Format("\"row\n%d\",%d.25,%d\r\n", r, r % 11, r % 7);
    ASSERT_GT(text.size(), 1u << 20);  // more than a read of its start takes
    const Table plain = Read(text, 100000);
    const ReadReport plainReport = report;
    for (const auto& [packing, members] : {std::pair{Packing::Gzip, 1}, {Packing::Gzip, 3}, {Packing::Xz, 1}, {Packing::Xz, 4}, {Packing::Zstd, 1}}) {
        const std::string packed = Packed(packing, text, members);
        dir.Write("table.csv", packed);
        const std::string name = dir.File("table.csv");
        const Table t = ReadVectors(name.c_str(), 100000, {}, report);
        ASSERT_TRUE(report.loaded) << PackingName(packing) << members << ": " << report.failure;
        ASSERT_EQ(t.values.size(), plain.values.size());
        EXPECT_EQ(std::memcmp(t.values.data(), plain.values.data(), t.values.size() * sizeof(float)), 0);
        EXPECT_EQ(t.Name(60000), "row\n60000");
        EXPECT_EQ(VectorReadNotes(report, "table.csv", 100000), VectorReadNotes(plainReport, "table.csv", 100000));
        EXPECT_EQ(ReadVectors(name.c_str(), 10, {}, report).rows, 10);
        EXPECT_TRUE(report.restUnread);
        dir.Write("table.csv", packed.substr(0, packed.size() * 2 / 3));
        ReadVectors(name.c_str(), 100000, {}, report);
        EXPECT_EQ(Unusable(report, name.c_str()),
                  Format("cannot read %s: its %s data ends before it should: the file is cut short", name.c_str(),
                         PackingName(packing)));
        std::string damaged = packed;
        for (std::size_t k = damaged.size() / 2; k < damaged.size() / 2 + 8; ++k) damaged[k] = static_cast<char>(~damaged[k]);
        dir.Write("table.csv", damaged);
        ReadVectors(name.c_str(), 100000, {}, report);
        EXPECT_NE(Unusable(report, name.c_str()).find(Format("its %s data is damaged", PackingName(packing))),
                  std::string::npos) << Unusable(report, name.c_str());
    }
}

TEST_F(InputFiles, MatrixReaderReadsRowsAndStopsAtTheEndOfTheData) {
    dir.Write("m.txt", "0\t1\t2\r\n1\t0\t3\r\n2\t3\t0\r\n");
    const std::string name = dir.File("m.txt");
    Table matrix = ReadMatrix(name.c_str(), 3, {}, report);
    EXPECT_EQ(report.rowsRead, 3);
    EXPECT_EQ(report.lastRowValues, 3);
    ExpectRows(matrix, {"0 1 2", "1 0 3", "2 3 0"});
    matrix = ReadMatrix(name.c_str(), 5, {}, report);
    EXPECT_EQ(report.rowsRead, 3);
    EXPECT_EQ(matrix.rows, 3);
    ReadMatrix(name.c_str(), 0, {}, report);
    EXPECT_EQ(report.rowsRead, 0);
    EXPECT_EQ(report.lastRowValues, 0);
}

TEST_F(InputFiles, MatrixReaderReadsLongTokensWholeAndCountsWideRows) {
    dir.Write("m.txt", "1234567890123456789012345\t5\n");
    const Table matrix = ReadMatrix(dir.File("m.txt").c_str(), 1, {}, report);
    EXPECT_EQ(report.lastRowValues, 2);
    EXPECT_FLOAT_EQ(matrix.Row(1)[1], 1234567890123456789012345.0f);
    EXPECT_EQ(matrix.Row(1)[2], 5.0f);
    std::string wide;
    for (int i = 0; i < 450; ++i) wide += "1\t";
    dir.Write("w.txt", wide + "\n");
    ReadMatrix(dir.File("w.txt").c_str(), 1, {}, report);
    EXPECT_EQ(report.lastRowValues, 451);
}

// Files as people write them: what the vector reader takes from each (the
// rows' values, the items' names, the classes) and what it tells the user
// (the first note says what was read, the others warn).
struct RealWorldFile {
    const char* name;
    std::string content;
    int rows;
    std::vector<std::string> values;  // each row as RowText gives it
    std::string read;
    std::vector<std::string> warnings;
    std::vector<std::string> names = {};    // of the rows, when the table names them
    std::vector<std::string> classes = {};  // in the order they first appear
};

void PrintTo(const RealWorldFile& f, std::ostream* os) {
    *os << f.name;
}

class RealWorldFiles : public InputFiles, public ::testing::WithParamInterface<RealWorldFile> {};

TEST_P(RealWorldFiles, AreReadAsWrittenAndSaySo) {
    const RealWorldFile& f = GetParam();
    const Table table = Read(f.content, f.rows);
    ExpectRows(table, f.values);
    for (std::size_t r = 0; r < f.names.size(); ++r)
        EXPECT_EQ(table.Name(static_cast<int>(r) + 1), f.names[r]);
    std::vector<std::string> classes;
    for (int k = 1; k <= table.ClassCount(); ++k) classes.push_back(table.ClassName(k));
    EXPECT_EQ(classes, f.classes);
    std::vector<std::string> notes = VectorReadNotes(report, "data.txt", f.rows);
    EXPECT_EQ(notes.front(), f.read);
    notes.erase(notes.begin());
    EXPECT_EQ(notes, f.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealWorldFiles,
    ::testing::Values(
        RealWorldFile{"numpyDefault",
                      "5.099999999999999645e+00 3.500000000000000000e+00 1.399999999999999911e+00 "
                      "2.000000000000000111e-01\n"
                      "4.900000000000000355e+00 3.000000000000000000e+00 1.399999999999999911e+00 "
                      "2.000000000000000111e-01\n",
                      2,
                      {"5.1 3.5 1.4 0.2", "4.9 3 1.4 0.2"},
                      "read 2 rows of 4 values from data.txt",
                      {"values separated by spaces: line 1 has no tab"}},
        RealWorldFile{
            "rWriteTable",
            "\"Sepal.Length\" \"Sepal.Width\" \"Species\"\n\"1\" 5.1 3.5 \"setosa\"\n\"2\" 4.9 3 "
            "\"setosa\"\n\"3\" 7 3.2 \"versicolor\"\n\"4\" 6.4 3.2 \"versicolor\"\n\"5\" 6.3 3.3 "
            "\"virginica\"\n\"6\" 5.8 2.7 \"virginica\"\n\"7\" 5 3.6 \"setosa\"\n",
            7,
            {"5.1 3.5", "4.9 3", "7 3.2"},
            "read 7 rows of 2 values from data.txt; names from column 1; class from column 4 "
            "\"Species\" (3 values)",
            {"line 1 is a header: it holds no number", "values separated by spaces: line 2 has no tab"},
            {"1", "2", "3", "4", "5", "6", "7"},
            {"setosa", "versicolor", "virginica"}},
        RealWorldFile{
            "rWriteCsv",
            "\"\",\"Sepal.Length\",\"Species\"\n\"1\",5.1,\"setosa\"\n\"2\",4.9,\"setosa\"\n\"3\",7,"
            "\"versicolor\"\n\"4\",6.4,\"versicolor\"\n\"5\",6.3,\"versicolor\"\n",
            5,
            {"5.1", "4.9"},
            "read 5 rows of 1 value from data.txt; names from column 1; class from column 3 "
            "\"Species\" (2 values)",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab"},
            {"1", "2"},
            {"setosa", "versicolor"}},
        RealWorldFile{
            "pandasIndexAndMissingLastCell",
            ",a,b\n0,5.1,3.5\n1,4.9,3\n2,7,\n",
            3,
            {"5.1 3.5", "4.9 3", "7 NA"},
            "read 3 rows of 2 values from data.txt; names from column 1",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
             "warning: 1 value missing in 1 row (line 4 first): distances use the components both "
             "items have"},
            {"0", "1", "2"}},
        RealWorldFile{"idColumn",
                      "id\tx\ty\n1\t0.5\t2\n2\t0.25\t1\n3\t0.75\t3\n",
                      3,
                      {"0.5 2", "0.25 1", "0.75 3"},
                      "read 3 rows of 2 values from data.txt; names from column 1 \"id\"",
                      {"line 1 is a header: it holds no number",
                       "warning: column 1 (\"id\") counts the rows 1..3: taken as item names, not a feature"},
                      {"1", "2", "3"}},
        RealWorldFile{
            "namesAndClassesInText",
            "name;group;x;comment\nann;a;1,5;x1\nbob;b;2;x2\ncid;a;3;x3\ndan;a;4;x4\neve;b;5;x5\n",
            5,
            {"1.5", "2", "3"},
            "read 5 rows of 1 value from data.txt; names from column 1 \"name\"; class from column 2 "
            "\"group\" (2 values)",
            {"line 1 is a header: it holds no number", "values separated by semicolons: line 2 has no tab",
             "warning: from line 2 on, commas in numbers and no decimal point: commas read as decimal "
             "points",
             "warning: column 4 \"comment\" holds text besides the names, column 1 \"name\": left out"},
            {"ann", "bob", "cid"},
            {"a", "b"}},
        RealWorldFile{
            "missingMarkers",
            "NA,2,3\n4,,6\n?,N/A,null\n7,.,NaN\n",
            4,
            {"NA 2 3", "4 NA 6", "7 NA NA"},
            "read 3 rows of 3 values from data.txt",
            {"values separated by commas: line 1 has no tab",
             "warning: 4 values missing in 3 rows (line 1 first): distances use the components both "
             "items have",
             "warning: line 3 holds no value: not an item (1 such row in all)",
             "warning: the file ends at line 4 with 3 rows, fewer than \"Input size\" 4: 3 used"}},
        RealWorldFile{
            "shortAndLongRows",
            "1.5\t2\t3\n4\t5\n6\t1000\t7\t8\t9\n9\t1\t2\n",
            3,
            {"1.5 2 3", "4 5 NA", "6 7 8"},
            "read 3 rows of 3 values from data.txt",
            {"warning: line 2 holds 2 values, most rows 3: its last components are missing (1 such "
             "row in all)",
             "warning: line 3 holds 4 values, most rows 3: the extra values are not used (1 such row "
             "in all)",
             "warning: 1 value missing in 1 row (line 2 first): distances use the components both "
             "items have",
             "warning: line 3: the value 1000 is reserved and skipped (1 value in all); the values after it "
             "moved one column left in 1 row",
             "warning: 1 more row after line 3 not read: only the first 3 (\"Input size\") used"}},
        RealWorldFile{
            "emptyCellsBetweenTabs",
            "1\t\t3\n4\t5\t6\n7\t8\t\n",
            3,
            {"1 NA 3", "4 5 6", "7 8 NA"},
            "read 3 rows of 3 values from data.txt",
            {"warning: the rows line up only when every tab ends one value: two tabs in a row hold a "
             "missing value",
             "warning: 2 values missing in 2 rows (line 1 first): distances use the components both "
             "items have"}},
        RealWorldFile{"anEmptyCellAndAShortRowInTabs",
                      "1\t2\t4\n4\t\t6\n7\t8\n9\t1\t2\n5\t5\t5\n",
                      5,
                      {"1 2 4", "4 NA 6", "7 8 NA"},
                      "read 5 rows of 3 values from data.txt",
                      {"warning: the rows line up only when every tab ends one value: two tabs in a row hold "
                       "a missing value",
                       "warning: line 3 holds 2 values, most rows 3: its last components are missing (1 such "
                       "row in all)",
                       "warning: 2 values missing in 2 rows (line 2 first): distances use the components "
                       "both items have"}},
        RealWorldFile{"yearsAfterANamesColumn",
                      "country,2001,2002,2003\nA,1.5,2,2.5\nB,3,3.5,4\nC,1,1,1\n",
                      3,
                      {"1.5 2 2.5", "3 3.5 4"},
                      "read 3 rows of 3 values from data.txt; names from column 1 \"country\"",
                      {"warning: line 1 counts up in whole numbers and the next line does not: taken as a "
                       "header",
                       "values separated by commas: line 2 has no tab"},
                      {"A", "B", "C"}},
        RealWorldFile{"aTabInANameOnTheFirstLine",
                      "name,x,y\nNew\tYork,1.5,2\nBoston,3,4\nChicago,5,6\n",
                      3,
                      {"1.5 2", "3 4", "5 6"},
                      "read 3 rows of 2 values from data.txt; names from column 1 \"name\"",
                      {"line 1 is a header: it holds no number",
                       "warning: values separated by commas, as on most of the first 3 lines: the tab in "
                       "line 2 is read as part of a value"},
                      {"New\tYork", "Boston", "Chicago"}},
        RealWorldFile{
            "germanSpreadsheet",
            "Name;Wert;Menge\nA;1.065,00;12.345,5\nB;-2.000,5;3,25\nC;0,5;1.234.567,5\n",
            3,
            {"1065 12345.5", "-2000.5 3.25", "0.5 1.23457e+06"},
            "read 3 rows of 2 values from data.txt; names from column 1 \"Name\"",
            {"line 1 is a header: it holds no number", "values separated by semicolons: line 2 has no tab",
             "warning: from line 2 on, commas in numbers and no decimal point: commas read as decimal "
             "points, dots between groups of three digits as thousands separators"},
            {"A", "B", "C"}},
        RealWorldFile{
            "longNamesWholeAndNaAName",
            "name,x\n" + std::string(65, 's') + "1,1\n" + std::string(65, 's') + "2,2\n" +
                std::string(999, 'a') + "\u00e9b,3\nNA,4\n,5\n",
            5,
            {"1", "2", "3", "4", "5"},
            "read 5 rows of 1 value from data.txt; names from column 1 \"name\"",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
             "warning: 1 name longer than 1,000 bytes cut there (line 4 first)"},
            {std::string(65, 's') + "1", std::string(65, 's') + "2", std::string(999, 'a'), "NA", ""}},
        RealWorldFile{
            "pandasTargetWithAMissingClass",
            "alcohol,malic_acid,magnesium,target\n14.23,1.71,127.0,0.0\n13.2,1.78,100.0,0.0\n13.16,2.36,"
            "101.0,1.0\n14.37,1.95,113.0,\n13.24,2.59,118.0,1.0\n12.37,0.94,88.0,2.0\n12.33,1.1,101.0,2\n",
            7,
            {"14.23 1.71 127", "13.2 1.78 100"},
            "read 7 rows of 3 values from data.txt; class from column 4 \"target\" (3 values)",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
             "warning: column 4 \"target\" (3 whole values) taken as the class; --class 0 keeps it a "
             "feature"},
            {},
            {"0", "1", "2"}},
        RealWorldFile{
            "rFactorCodes",
            "\"\",\"len\",\"dose\",\" Group \"\n\"1\",4.2,0.5,1\n\"2\",11.5,0.5,1\n\"3\",7.3,1,2\n"
            "\"4\",5.8,1,2\n\"5\",6.4,2,1\n\"6\",10,2,2\n",
            6,
            {"4.2 0.5", "11.5 0.5"},
            "read 6 rows of 2 values from data.txt; names from column 1; class from column 4 \" Group \" "
            "(2 values)",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
             "warning: column 4 \" Group \" (2 whole values) taken as the class; --class 0 keeps it a "
             "feature"},
            {"1", "2", "3", "4", "5", "6"},
            {"1", "2"}},
        RealWorldFile{
            "rFirstFeatureOfFewWholeValues",
            "\"\",\"cyl\",\"mpg\"\n\"Mazda RX4\",6,21\n\"Datsun 710\",4,22.8\n\"Hornet\",6,"
            "21.4\n\"Valiant\",6,18.1\n\"Duster\",8,14.3\n\"Merc\",4,24.4\n\"Porsche\",4,26\n",
            7,
            {"6 21", "4 22.8"},
            "read 7 rows of 2 values from data.txt; names from column 1",
            {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
             "warning: column 2 \"cyl\" holds 3 whole values: a class? --class cyl takes it as one"},
            {"Mazda RX4", "Datsun 710"}},
        RealWorldFile{"plainNumbersOfFewWholeValues",
                      "1\t0.5\t2\n2\t1.5\t1\n1\t2.5\t2\n1\t0.5\t1\n2\t1.5\t2\n",
                      5,
                      {"1 0.5 2", "2 1.5 1"},
                      "read 5 rows of 3 values from data.txt",
                      {}},
        RealWorldFile{"aColumnWithoutValueInTheRowsTaken",
                      "a\tb\tc\n1\t2\tNA\n3\t5\tNA\n4\t1\t7\n",
                      2,
                      {"1 2", "3 5"},
                      "read 2 rows of 2 values from data.txt",
                      {"line 1 is a header: it holds no number",
                       "warning: column 3 \"c\" holds no value in the 2 rows taken: left out",
                       "warning: 1 more row after line 3 not read: only the first 2 (\"Input size\") used"}},
        RealWorldFile{"aThousandInATableWithAHeader",
                      "a,b,c\n1,1000,5\n1,2,5\n1,2,9\n2,3,5\n",
                      4,
                      {"1 1000 5", "1 2 5"},
                      "read 4 rows of 3 values from data.txt",
                      {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab"}},
        RealWorldFile{"titlesThatLookLikeNumbers",
                      "title,genre,x\n1984,Drama,1.5\nAlien,Horror,2\nBrazil,Comedy,3.5\n300,Action,1\n"
                      "Heat,Crime,2\n",
                      5,
                      {"1.5", "2"},
                      "read 5 rows of 1 value from data.txt; names from column 1 \"title\"",
                      {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
                       "warning: column 2 \"genre\" holds text besides the names, column 1 \"title\": left out"},
                      {"1984", "Alien", "Brazil", "300", "Heat"}},
        RealWorldFile{"dotsInNamesAndDatesBesideDecimalCommas",
                      "Ort;Datum;x\nSt. Gallen;01.02.2020;1,5\nBern;02.02.2020;3,5\nChur;03.02.2020;5,25\n",
                      3,
                      {"1.5", "3.5", "5.25"},
                      "read 3 rows of 1 value from data.txt; names from column 1 \"Ort\"",
                      {"line 1 is a header: it holds no number", "values separated by semicolons: line 2 has no tab",
                       "warning: from line 2 on, commas in numbers and no decimal point: commas read as decimal "
                       "points",
                       "warning: column 2 \"Datum\" holds text besides the names, column 1 \"Ort\": left out"},
                      {"St. Gallen", "Bern", "Chur"}},
        RealWorldFile{"aQuotedNameWithALineBreak",
                      "\"name\",\"x\",\"y\"\n\"line\nbreak\",1,2\n\"b\",3,4\n\"c\",5,NA\n",
                      3,
                      {"1 2", "3 4", "5 NA"},
                      "read 3 rows of 2 values from data.txt; names from column 1 \"name\"",
                      {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
                       "warning: 1 value missing in 1 row (line 5 first): distances use the components both "
                       "items have"},
                      {"line\nbreak", "b", "c"}},
        RealWorldFile{"aTargetOfMoreValuesThanAClassHas",
                      [] {
                          std::string text = "a,b,target\n";
                          for (int r = 0; r < 60; ++r) text += Format("%d.5,%d,%d\n", r % 7, r % 5, r % 26);
                          return text;
                      }(),
                      60,
                      {"0.5 0 0", "1.5 1 1"},
                      "read 60 rows of 3 values from data.txt",
                      {"line 1 is a header: it holds no number", "values separated by commas: line 2 has no tab",
                       "warning: column 3 \"target\" holds more than 20 whole values, more than a class has: "
                       "read as a feature"}},
        RealWorldFile{"aTabEndingARowUnderAHeader",
                      "a\tb\tc\n1.5\t2\t\n3\t4\t5\n6\t7\t8\n",
                      3,
                      {"1.5 2 NA", "3 4 5"},
                      "read 3 rows of 3 values from data.txt",
                      {"line 1 is a header: it holds no number",
                       "warning: line 2 holds 2 values, most rows 3: its last components are missing (1 such row "
                       "in all)",
                       "warning: 1 value missing in 1 row (line 2 first): distances use the components both items "
                       "have"}},
        RealWorldFile{"semicolonsBesideNamesThatHoldLineEnds",
                      "name;x;y\nZ 0;1.5;2.5\n\"line\nbreak 1\";;\no 2;0.25;3.5\n\"line\nbreak 3\";1;2\n",
                      4,
                      {"1.5 2.5", "0.25 3.5", "1 2"},
                      "read 3 rows of 2 values from data.txt; names from column 1 \"name\"",
                      {"line 1 is a header: it holds no number", "values separated by semicolons: line 2 has no tab",
                       "warning: line 3 holds no value: not an item (1 such row in all)",
                       "warning: the file ends at line 6 with 3 rows, fewer than \"Input size\" 4: 3 used"},
                      {"Z 0", "o 2", "line\nbreak 3"}},
        RealWorldFile{"quotedThousandsAndMacLineEnds",
                      "\"1,065.0\",2\r\"2,130.5\",4\r",
                      2,
                      {"1065 2", "2130.5 4"},
                      "read 2 rows of 2 values from data.txt",
                      {"values separated by commas: line 1 has no tab"}},
        RealWorldFile{"yearsAsHeader",
                      "1990\t1991\t1992\n3.5\t4\t4.5\n1.5\t2\t2.5\n",
                      2,
                      {"3.5 4 4.5", "1.5 2 2.5"},
                      "read 2 rows of 3 values from data.txt",
                      {"warning: line 1 counts up in whole numbers and the next line does not: taken as a "
                       "header"}},
        RealWorldFile{"byteOrderMark",
                      "\xEF\xBB\xBF"
                      "1.5\t2\n3\t4\n",
                      2,
                      {"1.5 2", "3 4"},
                      "read 2 rows of 2 values from data.txt",
                      {}},
        RealWorldFile{"blankLine",
                      "1\t2\n\n3\t4\n\n",
                      2,
                      {"1 2", "3 4"},
                      "read 2 rows of 2 values from data.txt",
                      {"warning: line 2 is blank: skipped (2 blank lines in all)"}},
        RealWorldFile{"aMatrixReadAsVectors",
                      "0\t1.5\t2\n1.5\t0\t3\n2\t3\t0\n",
                      3,
                      {"0 1.5 2"},
                      "read 3 rows of 3 values from data.txt",
                      {"warning: from line 1 on the file looks like a 3 x 3 distance matrix (0 on the "
                       "diagonal): \"Vect. dim\" 0 reads it as one"}},
        RealWorldFile{"aMatrixReadAsVectorsInPart",
                      "0\t1.5\t2\n1.5\t0\t3\n2\t3\t0\n",
                      2,
                      {"0 1.5 2"},
                      "read 2 rows of 3 values from data.txt",
                      {"warning: 1 more row after line 2 not read: only the first 2 (\"Input size\") used",
                       "warning: from line 1 on the file looks like a 3 x 3 distance matrix (0 on the "
                       "diagonal): \"Vect. dim\" 0 reads it as one"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes that are no text table are refused with the reason.
TEST(TableScan, RefusesBinaryAndWideTextWithTheReason) {
    const struct {
        std::string content;
        const char* why;
    } cases[] = {
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "v.txt is binary data, not a text table"},
        {std::string("\xFF\xFE"
                     "1\0\t\0"
                     "2\0\n\0",
                     10),
         "v.txt is UTF-16 text: save it as UTF-8"},
        {std::string("1\0\t\0"
                     "2\0\n\0"
                     "3\0\t\0"
                     "4\0\n\0",
                     16),
         "v.txt is UTF-16 or UTF-32 text: save it as UTF-8"},
        {std::string("\xFE\xFF\0"
                     "1\0\t\0"
                     "2\0\n",
                     10),
         "v.txt is UTF-16 text: save it as UTF-8"},
        {std::string("\xFF\xFE\0\0"
                     "1\0\0\0\t\0\0\0",
                     12),
         "v.txt is UTF-32 text: save it as UTF-8"},
        {std::string("\0\0\xFE\xFF"
                     "\0\0\0"
                     "1\0\0\0\t",
                     12),
         "v.txt is UTF-32 text: save it as UTF-8"},
        {std::string("\0"
                     "1\0\t\0"
                     "2\0\n",
                     8),
         "v.txt is UTF-16 or UTF-32 text: save it as UTF-8"},
        {std::string("1\0\0\0\t\0\0\0"
                     "2\0\0\0\n\0\0\0",
                     16),
         "v.txt is UTF-16 or UTF-32 text: save it as UTF-8"},
        {"a,b;c\nd;e,f\n", "v.txt holds no number in any row"},
        {std::string(40, '\xB7') + "\n1\t2\n", "v.txt is binary data, not a text table"},
        {"<?xml version=\"1.0\"?>\n<svg width=\"641\" height=\"677\">\n",
         "v.txt is markup (XML, SVG or HTML), not a text table"},
    };
    for (const auto& c : cases) {
        ReadReport report;
        report.loaded = true;
        ParseVectors(reinterpret_cast<const std::uint8_t*>(c.content.data()),
                     static_cast<long>(c.content.size()), 2, '\t', {}, report);
        const std::string why = Unusable(report, "v.txt");
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
    }
}

// A table of tens of megabytes without a quote is cut on every core: it
// reads as the same table with a quote, which is read row after row.
TEST(TableScan, ALargeTableCutOnEveryCoreReadsAsInTurn) {
    std::string plain = "name,count,value,word\n";
    for (int i = 0; i < 1400000; ++i) {
        if (i == 7 || i == 1399990) plain += "\n";
        plain += i == 700000 ? std::string("short,1\n") : Format("r%d,%d,%.3f,w%d\n", i, i + 1, i * 0.25, i % 30);
    }
    std::string quoted = plain;
    quoted.replace(quoted.find("r0,"), 2, "\"r0\"");
    const auto scan = [](const std::string& text) {
        return ScanTable(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<long>(text.size()), '\t');
    };
    const TextTable a = scan(plain), b = scan(quoted);
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (std::size_t r = 0; r < a.rows.size(); ++r)
        ASSERT_TRUE(a.rows[r].line == b.rows[r].line && a.rows[r].count == b.rows[r].count &&
                    a.rows[r].first == b.rows[r].first) << r;
    ASSERT_EQ(a.cells.size(), b.cells.size());
    EXPECT_EQ(std::memcmp(a.cells.data(), b.cells.data(), a.cells.size() * sizeof(TableCell)), 0);
    EXPECT_EQ(std::tie(a.blankLines, a.firstBlankLine), std::tie(b.blankLines, b.firstBlankLine));
    EXPECT_EQ(a.firstBlankLine, 9);
    ASSERT_EQ(a.columns.size(), b.columns.size());
    for (std::size_t c = 1; c < a.columns.size(); ++c) {
        const ColumnSeen &x = a.columns[c], &y = b.columns[c];
        EXPECT_EQ(std::tie(x.rows, x.present, x.text, x.countsFrom1, x.whole, x.wholeValues, x.numbers),
                  std::tie(y.rows, y.present, y.text, y.countsFrom1, y.whole, y.wholeValues, y.numbers)) << c;
        EXPECT_EQ(std::vector<std::string>(x.distinct.begin(), x.distinct.end()),
                  std::vector<std::string>(y.distinct.begin(), y.distinct.end())) << c;
    }
    EXPECT_EQ(a.columns[4].distinct.size(), 21u);
}

std::string ResultLine(int unit, double x, double y, int cls, std::initializer_list<double> values) {
    std::string line = Format("%4d %7.3f %7.3f %7.3f %3d  ", unit, x, y, 0.0, cls);
    for (double v : values) line += Format("%8.3f  ", v);
    return line + "  0.0 1000 \n";
}

// The unpacker reads a packed file in steps of 256 KiB: a gzip member that
// ends just before, at or just after the end of a step loses no byte of
// the member after it.
TEST_F(InputFiles, GzipMembersEndingAtAStepOfTheReadLoseNoByte) {
    const auto member = [](const std::string& text, int nameBytes) {  // stored, named to pad it
        z_stream z{};
        deflateInit2(&z, 0, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        std::string name(static_cast<std::size_t>(std::clamp(nameBytes, 1, 1 << 20)), 'n');
        gz_header header{};
        header.name = reinterpret_cast<Bytef*>(name.data());
        deflateSetHeader(&z, &header);
        std::string out(text.size() + name.size() + 4096, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        z.avail_in = static_cast<uInt>(text.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        out.resize(static_cast<std::size_t>(z.total_out));
        deflateEnd(&z);
        return out;
    };
    std::string text = "x,y\n";
    for (int r = 1; r <= 40000; ++r) text += Format("%d.25,%d\n", r, r % 7);
    const Table plain = Read(text, 100000);
    const std::string first = text.substr(0, 200000), rest = Packed(Packing::Gzip, text.substr(200000));
    for (const int end : {(1 << 18) - 1, 1 << 18, (1 << 18) + 1}) {
        const std::string head = member(first, 1 + end - static_cast<int>(member(first, 1).size()));
        ASSERT_EQ(head.size(), static_cast<std::size_t>(end));
        dir.Write("table.csv", head + rest);
        const Table t = ReadVectors(dir.File("table.csv").c_str(), 100000, {}, report);
        ASSERT_TRUE(report.loaded) << end << ": " << report.failure;
        ASSERT_EQ(t.values.size(), plain.values.size()) << end;
        EXPECT_EQ(std::memcmp(t.values.data(), plain.values.data(), t.values.size() * sizeof(float)), 0) << end;
    }
}

float Position(const ResultRows& rows, int p, int axis) {
    return rows.position[static_cast<std::size_t>(p) * 3 + static_cast<std::size_t>(axis) - 1];
}

TEST_F(InputFiles, ResultReaderTakesEveryLineOfLfAndCrLfFiles) {
    // The last, a file whose trailing blanks an editor took away.
    for (const std::string end : {" \n", " \r\n", "\n"}) {
        std::string content;
        for (int u = 1; u <= 50; ++u) {
            std::string line = ResultLine(u, u * 0.5, -u, 9, {u * 0.25, 2.0});
            line.replace(line.size() - 2, std::string::npos, end);  // its " \n"
            content += line;
        }
        dir.Write("soc.dat", content);
        const ResultRows rows = ReadResultFile(LoadStoredFile(dir.File("soc.dat")), 2, 0, report);
        EXPECT_EQ(rows.count, 50) << end;
        EXPECT_EQ(report.values, 2);
        EXPECT_EQ(Position(rows, 50, 1), 25.0f);
        EXPECT_EQ(Position(rows, 50, 2), -50.0f);
        EXPECT_EQ(rows.classes[50], 9.0f);
        EXPECT_EQ(rows.Vector(50)[1], 12.5f);
        EXPECT_EQ(rows.Vector(50)[2], 2.0f);
    }
}

TEST_F(InputFiles, ResultReaderSkipsLowClassesAndAbsentValues) {
    dir.Write("r.dat", ResultLine(1, 1, 1, -1, {5}) + ResultLine(2, 2, 2, 3, {1000000}) +
                           ResultLine(1000000, 7, 7, 1000000, {6}));
    const ResultRows rows = ReadResultFile(LoadStoredFile(dir.File("r.dat")), 1, 0, report);
    EXPECT_EQ(rows.count, 2);
    EXPECT_EQ(Position(rows, 1, 1), 2.0f);
    EXPECT_EQ(rows.Vector(1)[1], 0.0f);  // the absent value is not stored
    // The third row keeps the second row's position and class.
    EXPECT_EQ(Position(rows, 2, 1), 2.0f);
    EXPECT_EQ(rows.classes[2], 3.0f);
    EXPECT_EQ(rows.Vector(2)[1], 6.0f);
}

// Read for fewer components than its lines hold, a file's next line still
// starts a row.
TEST_F(InputFiles, ResultReaderLeavesTheComponentsBeyondThoseAsked) {
    dir.Write("r.dat", ResultLine(1, 1, 1, 2, {1, 2, 3}) + ResultLine(2, 2, 2, 2, {4, 5, 6}));
    const ResultRows rows = ReadResultFile(LoadStoredFile(dir.File("r.dat")), 2, 0, report);
    ASSERT_EQ(rows.count, 2);
    EXPECT_EQ(Position(rows, 2, 1), 2.0f);
    EXPECT_EQ(rows.Vector(2)[1], 4.0f);
    EXPECT_EQ(rows.Vector(2)[2], 5.0f);
}

TEST_F(InputFiles, ResultReaderRunsAComponentWithoutBlankIntoTheNext) {
    dir.Write("r.dat", "   1   0.000   0.000   0.000   1  1234567.8902.000    3.000    0.0 1000 \n");
    const ResultRows rows = ReadResultFile(LoadStoredFile(dir.File("r.dat")), 2, 0, report);
    EXPECT_EQ(rows.count, 1);
    EXPECT_FLOAT_EQ(rows.Vector(1)[1], 1234567.8902f);
    EXPECT_FLOAT_EQ(rows.Vector(1)[2], 3.0f);
}

TEST_F(InputFiles, ResultReaderStopsAt400AndGivesNoneForNoFile) {
    std::string content;
    for (int u = 1; u <= 401; ++u) content += ResultLine(u, 0, 0, 1, {1});
    dir.Write("big.dat", content);
    EXPECT_EQ(ReadResultFile(LoadStoredFile(dir.File("big.dat")), 1, 0, report).count, 400);
    EXPECT_EQ(ReadResultFile(LoadStoredFile(dir.File("none.dat")), 1, 0, report).count, 0);
    EXPECT_FALSE(report.loaded);
}

// The result files lie in the input's folder: the path up to its last
// slash, whole however long; a backslash is part of a name.
TEST(ResultPaths, FollowTheLastSlash) {
    const std::string deep = "/tmp/" + std::string(150, 'a') + "/Ärger ünd Ölmühle/";
    const struct {
        std::string input, folder;
    } cases[] = {
        {"sub/iris\\v2.txt", "sub/"},
        {"D:/x\\y/data\\set.txt", "D:/x\\y/"},
        {"plain.txt", ""},
        {deep + "input.txt", deep},
    };
    EXPECT_EQ(BaseName("sub/iris\\v2.txt"), "iris\\v2.txt");
    for (const auto& c : cases) {
        const ResultPaths paths = ResultPathsIn(ResultFolder(c.input, ""));
        EXPECT_EQ(paths.soc, c.folder + "soc.dat");
        EXPECT_EQ(paths.weights, c.folder + "weights.dat");
        EXPECT_EQ(paths.clusters, c.folder + "clusters.dat");
        EXPECT_EQ(paths.distances, c.folder + "distances.dat");
    }
}

// The first of several names chosen is the input, whole; a cancelled
// dialog ends the run.
TEST(ChooseRunFile, KeepsTheFirstNameWhole) {
    FakeForm form;
    const std::string longName = "/data/" + std::string(200, 'x') + ".txt";
    form.chosen = longName + "\r\n/data/second.txt\r\n";
    EXPECT_EQ(ChooseRunFile(form, FileRun::Soc), longName);
    form.chosen.clear();
    EXPECT_EQ(ChooseRunFile(form, FileRun::Soc), std::nullopt);
    EXPECT_EQ(form.memo.back(), "invalid filename");
}

}  // namespace
