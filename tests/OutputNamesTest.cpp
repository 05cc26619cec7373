#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/FakeForm.h"
#include "files/OutputNames.h"

namespace {

struct Name {
    const char* name;
    std::string path;     // in the input's folder
    std::string problem;  // what the refusal says after the name, or empty when it is taken
};

void PrintTo(const Name& n, std::ostream* os) {
    *os << n.name;
}

class OutputNames : public ::testing::TestWithParam<Name> {};

// Beside iris.csv: a hard link and a symbolic link to it, clusters.dat of
// an earlier run, a folder, and links to a file and to distances.dat, which
// no run has written yet.
TEST_P(OutputNames, RefuseTheInputItsResultFilesAndFoldersAsFiles) {
    TempDir dir;
    dir.Write("iris.csv", "1\t2\n");
    dir.Write("clusters.dat", "   1  \r\n \r\n");
    ASSERT_EQ(link(dir.File("iris.csv").c_str(), dir.File("hard.csv").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("iris.csv").c_str(), dir.File("soft.csv").c_str()), 0);
    dir.Write("notes.txt", "mine\n");
    ASSERT_EQ(symlink("notes.txt", dir.File("linked.tsv").c_str()), 0);
    ASSERT_EQ(symlink("distances.dat", dir.File("dangling.tsv").c_str()), 0);
    std::filesystem::create_directory(dir.File("sub"));
    const std::string name = GetParam().path.empty() ? "" : dir.File(GetParam().path);
    const std::string problem = OutputNameProblem(name, dir.File("iris.csv"));
    EXPECT_EQ(problem, GetParam().problem.empty() ? "" : name + GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OutputNames,
    ::testing::Values(Name{"theInput", "iris.csv", " is the input file"},
                      Name{"theInputByAnotherPath", "sub/.././iris.csv", " is the input file"},
                      Name{"aHardLink", "hard.csv", " is the input file"},
                      Name{"aSymbolicLink", "soft.csv", " is the input file"},
                      Name{"aResultFileThatExists", "./clusters.dat",
                           " is clusters.dat beside the input file, which the runs write"},
                      Name{"aResultFileNotYetWritten", "sub/../distances.dat",
                           " is distances.dat beside the input file, which the runs write"},
                      Name{"theRecordOfTheRuns", "itemmap-record.txt",
                           " is itemmap-record.txt beside the input file, which the runs write"},
                      Name{"aFolder", "sub", " is a folder"},
                      Name{"aLink", "linked.tsv", " is a symbolic link: no file is written through one"},
                      Name{"aLinkToNothingYet", "dangling.tsv",
                           " is a symbolic link: no file is written through one"},
                      Name{"aNameEndingInASlash", "new/", " ends in /: it names a folder, not a file"},
                      Name{"aNewFile", "map.tsv", ""}, Name{"aResultNameInAnotherFolder", "sub/soc.dat", ""},
                      Name{"noName", "", "an empty name names no file"}),
    [](const auto& info) { return std::string(info.param.name); });

// With a folder named for the results, its files are the runs', before it
// is made too; those beside the input are not.
TEST(OutputNamesWithAResultsFolder, RefuseItsFilesAlone) {
    TempDir dir;
    const std::string input = dir.File("iris.csv"), results = dir.File("out/new");
    EXPECT_EQ(OutputNameProblem(dir.File("out/new/../new/soc.dat"), input, results),
              dir.File("out/new/../new/soc.dat") + " is soc.dat in " + results + "/, which the runs write");
    EXPECT_EQ(OutputNameProblem(dir.File("soc.dat"), input, results), "");
}

}  // namespace
