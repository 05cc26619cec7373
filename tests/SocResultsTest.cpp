#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/ResultFiles.h"
#include "files/TextFile.h"
#include "soc/SocAssignment.h"
#include "soc/SocResults.h"
#include "support/FakeForm.h"

namespace {

// The projected positions of points 1..k, all at (0, 0).
View ViewOf(int k) {
    View view;
    view.projected.assign(static_cast<std::size_t>(k + 1) * 3, 0.0);
    return view;
}

class SocResults : public ::testing::Test {
protected:
    // Three one-component prototypes at 0, 10 and 20; five items that
    // choose prototypes 2, 2, 1, 3, 1.
    Prototypes prototypes = PrototypesOf({{0}, {10}, {20}});
    const Table items = TableOf({{9}, {11}, {1}, {19}, {-1}});
};

TEST_F(SocResults, ClustersListEachPrototypesItemsOnALine) {
    EXPECT_EQ(SocClustersText(AssignVectors(prototypes, items, 1).prototypeOf, 3),
              "   3    5  \n \n   1    2  \n \n   4  \n \n");
}

TEST_F(SocResults, APrototypeWithoutItemsIsInTheResultsButNotInTheClusters) {
    prototypes = PrototypesOf({{0}, {10}, {20}, {500}});
    prototypes.Weights(4)[1] = 0.05f;
    const std::vector<float> scores = {0, 0, 0, 0, 9.99f};
    EXPECT_EQ(SocClustersText(AssignVectors(prototypes, items, 1).prototypeOf, 4),
              "   3    5  \n \n   1    2  \n \n   4  \n \n");
    const std::string soc = SocFileText(prototypes, 1, scores, ViewOf(4));
    EXPECT_NE(soc.find("   4   0.000   0.000   0.000   9   500.000    0.0 1000 \n"), std::string::npos) << soc;
    EXPECT_NE(WeightsFileText(prototypes, 1, scores, ViewOf(4)).find("   9     0.050    0.0 1000 \n"),
              std::string::npos);
}

TEST_F(SocResults, LinesCarryTheScreenPositionScoreAndTenCharacterComponents) {
    prototypes = PrototypesOf({{0.5f, 12345.678f, -1234.5f, 123456.5f}, {0, 0, 0, 0}});
    View view = ViewOf(2);
    view.Projected(1)[1] = 12.3456;
    view.Projected(1)[2] = -3.5;
    EXPECT_EQ(SocFileText(prototypes, 4, {0, 6.7f, -1}, view),  // a negative score: skipped
              "   1  12.346  -3.500   0.000   6     0.500  12345.678 -1234.500 123456.500   0.0 1000 \n");
}

// Written over an older, longer file, soc.dat holds the lines alone, each
// ending in CR LF, and the reader takes back what was written.
TEST_F(SocResults, TheReaderGetsBackWhatWasWritten) {
    TempDir dir;
    dir.Write("soc.dat", std::string(5000, 'x'));
    dir.Write("weights.dat", std::string(5000, 'x'));
    prototypes.Resize(3, 3);
    View view = ViewOf(3);
    std::vector<float> scores(4);
    for (int k = 1; k <= 3; ++k) {
        scores[static_cast<std::size_t>(k)] = static_cast<float>(k) + 0.5f;
        view.Projected(k)[1] = k * 2.25;
        view.Projected(k)[2] = 25 - k;
        for (int q = 1; q <= 3; ++q) {
            prototypes.Vector(k)[q] = static_cast<float>(k * 10 + q) / 8;
            prototypes.Weights(k)[q] = static_cast<float>(q) / 4;
        }
    }
    const std::string soc = SocFileText(prototypes, 3, scores, view);
    ASSERT_EQ(WriteTextFile(dir.File("soc.dat"), soc), "");
    ASSERT_EQ(WriteTextFile(dir.File("weights.dat"), WeightsFileText(prototypes, 3, scores, view)), "");
    std::string crLf;
    for (const char c : soc) crLf += c == '\n' ? "\r\n" : std::string(1, c);
    EXPECT_EQ(dir.Read("soc.dat"), crLf);

    ReadReport report;
    const ResultRows vectors = ReadResultFile(LoadStoredFile(dir.File("soc.dat")), 3, 0, report);
    const ResultRows weights = ReadResultFile(LoadStoredFile(dir.File("weights.dat")), 3, 0, report);
    ASSERT_EQ(vectors.count, 3);
    ASSERT_EQ(weights.count, 3);
    for (int k = 1; k <= 3; ++k) {
        const std::size_t at = static_cast<std::size_t>(k) * 3;
        EXPECT_FLOAT_EQ(vectors.position[at], static_cast<float>(k * 2.25));
        EXPECT_FLOAT_EQ(vectors.position[at + 1], static_cast<float>(25 - k));
        EXPECT_EQ(vectors.classes[static_cast<std::size_t>(k)], static_cast<float>(k));
        for (int q = 1; q <= 3; ++q) {
            EXPECT_EQ(vectors.Vector(k)[q], prototypes.Vector(k)[q]);
            EXPECT_EQ(weights.Vector(k)[q], prototypes.Weights(k)[q]);
        }
    }
}

}  // namespace
