// The whole MRP-MDS chain on the iris data against results worked out
// independently: the message list up to the map loop, distances.dat,
// clusters.dat and the lines of "Min. Tree".
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>

#include "handlers/MrpMdsRun.h"
#include "handlers/RunControl.h"
#include "handlers/TreeButton.h"
#include "support/FakeForm.h"
#include "session/Session.h"

namespace {

std::string ReadCase(const std::string& name, const std::string& file) {
    std::ifstream in(std::string(ITEMMAP_CASES_DIR) + "/" + name + "/" + file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

struct WorkedCase {
    const char* name;
    const char* charDistance;
    const char* noiseLimit;
    const char* neighbourLimit;
    std::vector<std::pair<const char*, const char*>> trees;  // threshold, expected lines file
};

void PrintTo(const WorkedCase& c, std::ostream* os) {
    *os << c.name;
}

class WorkedCases : public ::testing::TestWithParam<WorkedCase> {
protected:
    Session session;
};

TEST_P(WorkedCases, MatchTheRunFromTheListingToTheTree) {
    const WorkedCase& c = GetParam();
    session = Session{};
    TempDir dir;
    dir.Write("input.txt", ReadCase(c.name, "input.txt"));
    FakeForm form;
    form.Choose(dir.File("input.txt"));
    form.edits[Edit12] = "150";
    form.edits[Edit13] = "4";
    form.edits[Edit4] = "3";
    form.edits[Edit8] = c.charDistance;
    form.edits[Edit9] = c.noiseLimit;
    form.edits[Edit10] = c.neighbourLimit;
    form.edits[Edit11] = "2";
    form.onEvents = [&] { StopRun(session); };  // the map loop is not part of these cases
    RunMrpMds(form, session);

    // The output paths and the input's come first, in the folder of the input.
    std::vector<std::string> expected = LinesOf(ReadCase(c.name, "messages.txt"));
    ASSERT_GE(expected.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) expected[i] = dir.File(expected[i]);
    EXPECT_EQ(form.memo, expected);
    EXPECT_TRUE(dir.Read("distances.dat") == ReadCase(c.name, "distances.dat"));
    EXPECT_EQ(dir.Read("clusters.dat"), ReadCase(c.name, "clusters.dat"));

    for (const auto& [threshold, file] : c.trees) {
        form.memo.clear();
        form.edits[Edit7] = threshold;
        DrawMinimumTree(form, session);
        EXPECT_EQ(form.memo, LinesOf(ReadCase(c.name, file))) << "threshold " << threshold;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Iris, WorkedCases,
    ::testing::Values(
        WorkedCase{"iris-mrp", "0.51", "2", "0.5", {{"0.64", "tree1.txt"}, {"30.35", "tree2.txt"}}},
        WorkedCase{"iris-mrp-defaults", "0.32", "1.22", "0.2", {{"30.35", "tree1.txt"}}}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == '-') ch = '_';
        return n;
    });

}  // namespace
