#include <gtest/gtest.h>

#include "files/ResultCommit.h"
#include "files/ResultRecord.h"
#include "support/FakeForm.h"

namespace {

// The second as a record kept before the runs had ids and files checksums.
std::vector<RecordLine> Lines() {
    return {
        {"soc.dat", "SOC", "\"odd\"\tname.csv", {"Input size=150", "column scale=z"}, "8c1f00aa01", "5e0d"},
        {"clusters.dat", "MRP-MDS", "wine.csv", {"Input size=178", "char. distance=60"}, "", ""}};
}

// What the record says comes back, names of any kind included; a run's
// lines take the place of those of the same files, in the order of the
// result files.
TEST(ResultRecord, ReadsBackWhatItSaysAndTakesANewRunsLines) {
    std::vector<RecordLine> read;
    ASSERT_TRUE(ParseRecord(RecordText(Lines()), read));
    EXPECT_EQ(read, Lines());
    EXPECT_EQ(read[0].Setting("column scale"), "z");
    EXPECT_EQ(read[0].Setting("column"), "");

    const RecordLine distances{"distances.dat", "MRP-MDS", "iris.csv", {}, "77", "aa"};
    RecordLine clusters = distances;
    clusters.file = "clusters.dat";
    EXPECT_EQ(Replaced(Lines(), {distances, clusters}),
              (std::vector<RecordLine>{Lines()[0], clusters, distances}));
}

// Lines tell of one run by their run id; lines without one, by all else
// they say.
TEST(ResultRecord, TellsOfOneRunByItsIdOrWithoutOneByAllElse) {
    RecordLine soc = Lines()[0], weights = soc;
    weights.file = "weights.dat";
    weights.settings.push_back("rate=2");
    EXPECT_TRUE(weights.SameRun(soc));
    weights.runId = "8c1f00aa02";
    EXPECT_FALSE(weights.SameRun(soc));
    for (RecordLine* line : {&soc, &weights}) line->runId.clear();
    EXPECT_FALSE(weights.SameRun(soc));
    weights.settings.pop_back();
    EXPECT_TRUE(weights.SameRun(soc));
    weights.runId = "8c1f00aa02";  // beside a line written before run ids
    EXPECT_TRUE(weights.SameRun(soc));
}

// Text that is not the tool's record is not taken for one.
TEST(ResultRecord, TakesNoOtherTextForARecord) {
    const std::string record = RecordText(Lines());
    const std::string comment = record.substr(0, record.find('\n') + 1);
    std::vector<RecordLine> read;
    for (const std::string& text : {std::string("soc.dat\tSOC\tiris.csv\n"), comment + "soc.dat\tSOC\n",
                                    comment + "notes.txt\tSOC\tiris.csv\n", std::string()})
        EXPECT_FALSE(ParseRecord(text, read)) << text;
    EXPECT_TRUE(ParseRecord(comment, read));
    EXPECT_TRUE(read.empty());
}

// A run that replaces another input's results says so, whichever run made
// them; one that replaces results of its own input, by either run, does not.
TEST(ResultRecord, WarnsOfResultsOfAnotherInputReplaced) {
    TempDir dir;
    const auto commit = [&](const char* run, const char* input) {
        return CommitResults(dir.File(""), {"", run, input, {}, "1", ""},
                             {{dir.File("clusters.dat"), "1 2\n"}})
            .notes;
    };
    EXPECT_TRUE(commit("SOC", "iris.csv").empty());
    EXPECT_TRUE(commit("MRP-MDS", "iris.csv").empty());
    EXPECT_EQ(commit("MRP-MDS", "wine.csv"),
              std::vector<std::string>{
                  "warning: clusters.dat held the results of MRP-MDS on iris.csv; it now holds this run's"});
}

}  // namespace
