#include <gtest/gtest.h>

#include <cstdio>

#include "soc/SocResults.h"
#include "support/FakeForm.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

namespace {

class SocResults : public ::testing::Test {
protected:
    void SetUp() override {
        FreshWorkspace();
        std::snprintf(ws.SocFileName, sizeof ws.SocFileName, "%s", dir.File("soc.dat").c_str());
        std::snprintf(ws.WeightsFileName, sizeof ws.WeightsFileName, "%s", dir.File("weights.dat").c_str());
        std::snprintf(ws.ClustersFileName, sizeof ws.ClustersFileName, "%s",
                      dir.File("clusters.dat").c_str());
        // Three one-component prototypes at 0, 10 and 20; five items that
        // choose prototypes 2, 2, 1, 3, 1.
        ws.ItemCount = 3;
        ws.VectorDim = 1;
        const float protos[] = {0, 10, 20};
        for (int k = 1; k <= 3; ++k) {
            ws.Prototypes[k][1][1] = protos[k - 1];
            ws.Prototypes[k][2][1] = 1;
        }
        const float items[] = {9, 11, 1, 19, -1};
        for (int i = 1; i <= 5; ++i) ws.InputVectors[i][1] = items[i - 1];
    }
    TempDir dir;
    FakeForm form;
};

TEST_F(SocResults, ClustersListEachPrototypesItemsOnALine) {
    WriteSocClusters(form, 5, 3);
    EXPECT_EQ(dir.Read("clusters.dat"), "   3    5  \r\n \r\n   1    2  \r\n \r\n   4  \r\n \r\n");
    EXPECT_EQ(ws.ItemMark[1], 2);
    EXPECT_EQ(ws.ItemMark[5], 1);
}

TEST_F(SocResults, APrototypeWithoutItemsIsInTheResultsButNotInTheClusters) {
    ws.ItemCount = 4;
    ws.Prototypes[4][1][1] = 500;
    ws.Prototypes[4][2][1] = 0.05f;
    ws.ItemScore[4] = 9.99f;
    WriteSocClusters(form, 5, 4);
    WriteSocResults(form);
    EXPECT_EQ(dir.Read("clusters.dat"), "   3    5  \r\n \r\n   1    2  \r\n \r\n   4  \r\n \r\n");
    const std::string soc = dir.Read("soc.dat");
    EXPECT_NE(soc.find("   4   0.000   0.000   0.000   9   500.000    0.0 1000 \r\n"), std::string::npos)
        << soc;
    EXPECT_NE(dir.Read("weights.dat").find("   9     0.050    0.0 1000 \r\n"), std::string::npos);
}

TEST_F(SocResults, LinesCarryTheScreenPositionScoreAndTenCharacterComponents) {
    ws.ItemCount = 2;
    ws.VectorDim = 4;
    ws.ProjCoords[1][1] = 12.3456;
    ws.ProjCoords[1][2] = -3.5;
    ws.ItemScore[1] = 6.7f;
    ws.ItemScore[2] = -1;  // skipped
    const float components[] = {0.5f, 12345.678f, -1234.5f, 123456.5f};
    for (int q = 1; q <= 4; ++q) ws.Prototypes[1][1][q] = components[q - 1];
    WriteSocResults(form);
    EXPECT_EQ(dir.Read("soc.dat"),
              "   1  12.346  -3.500   0.000   6     0.500  12345.678 -1234.500 123456.500   0.0 1000 \r\n");
}

TEST_F(SocResults, TheReaderGetsBackWhatWasWritten) {
    ws.ItemCount = 3;
    ws.VectorDim = 3;
    for (int k = 1; k <= 3; ++k) {
        ws.ItemScore[k] = static_cast<float>(k) + 0.5f;
        ws.ProjCoords[k][1] = k * 2.25;
        ws.ProjCoords[k][2] = 25 - k;
        for (int q = 1; q <= 3; ++q) {
            ws.Prototypes[k][1][q] = static_cast<float>(k * 10 + q) / 8;
            ws.Prototypes[k][2][q] = static_cast<float>(q) / 4;
        }
    }
    WriteSocResults(form);
    float written[4][3][4];
    for (int k = 1; k <= 3; ++k)
        for (int plane = 1; plane <= 2; ++plane)
            for (int q = 1; q <= 3; ++q) written[k][plane][q] = ws.Prototypes[k][plane][q];
    std::fill(&ws.Prototypes[0][0][0], &ws.Prototypes[0][0][0] + sizeof ws.Prototypes / sizeof(float), 0.0f);
    EXPECT_EQ(ReadResultFile(form, ws.SocFileName, ws.FileBuffer, 3, 0, 1), 3);
    EXPECT_EQ(ReadResultFile(form, ws.WeightsFileName, ws.FileBuffer, 3, 0, 2), 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_FLOAT_EQ(ws.MapCoords[k][1], static_cast<float>(k * 2.25));
        EXPECT_FLOAT_EQ(ws.MapCoords[k][2], static_cast<float>(25 - k));
        EXPECT_EQ(ws.ItemScore[k], static_cast<float>(k));
        for (int plane = 1; plane <= 2; ++plane)
            for (int q = 1; q <= 3; ++q) EXPECT_EQ(ws.Prototypes[k][plane][q], written[k][plane][q]);
    }
}

TEST_F(SocResults, AFileThatCannotBeCreatedIsNamedAndTheOthersAreWritten) {
    std::snprintf(ws.SocFileName, sizeof ws.SocFileName, "%s", dir.File("missing/soc.dat").c_str());
    WriteSocClusters(form, 5, 3);
    WriteSocResults(form);
    EXPECT_EQ(form.status.back(),
              "error: cannot write " + dir.File("missing/soc.dat") + ": No such file or directory");
    EXPECT_FALSE(dir.Read("weights.dat").empty());
    EXPECT_FALSE(dir.Read("clusters.dat").empty());
}

TEST_F(SocResults, ANewFileReplacesTheOldOneWhole) {
    dir.Write("soc.dat", std::string(5000, 'x'));
    ws.ItemCount = 1;
    WriteSocResults(form);
    EXPECT_EQ(dir.Read("soc.dat"), "   1   0.000   0.000   0.000   0     0.000    0.0 1000 \r\n");
}

}  // namespace
