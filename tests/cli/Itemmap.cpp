#include "cli/Itemmap.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/CommandLine.h"

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Result Itemmap(std::vector<std::string> args) {
    args.insert(args.begin(), "itemmap");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    char *outText = nullptr, *errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    Result r{status, std::string(outText, outSize), std::string(errText, errSize)};
    std::free(outText);
    std::free(errText);
    return r;
}

void CommandLine::SetUp() {
    dir.Write("iris.txt", ReadFile(std::string(ITEMMAP_CASES_DIR) + "/iris-mrp/input.txt"));
    dir.Write("cancer.txt", ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/cancer-89x26.txt"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
