// Replays the fuzz seeds and every input a fuzz run found through the same
// entries the fuzz targets use, so a fixed fault stays fixed in the plain and
// the sanitizer builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"

namespace {

namespace fs = std::filesystem;
using Entry = std::string (*)(const std::uint8_t*, std::size_t);

const std::map<std::string, Entry> kEntries = {{"vectors", fuzz::Vectors},
                                               {"matrix", fuzz::Matrix},
                                               {"results", fuzz::Results},
                                               {"fields", fuzz::Fields}};

std::vector<std::uint8_t> Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzRegression, EverySeedAndFoundInputPassesItsTarget) {
    const fs::path root = ITEMMAP_FUZZ_DIR;
    std::map<std::string, int> seeds;
    for (const char* set : {"corpus", "regressions"}) {
        if (!fs::is_directory(root / set)) continue;
        for (const auto& folder : fs::directory_iterator(root / set)) {
            const std::string target = folder.path().filename().string();
            const auto entry = kEntries.find(target);
            ASSERT_NE(entry, kEntries.end()) << "no fuzz target for " << folder.path();
            for (const auto& file : fs::directory_iterator(folder.path())) {
                const std::vector<std::uint8_t> input = Bytes(file.path());
                EXPECT_EQ(entry->second(input.data(), input.size()), "") << file.path();
                if (std::string(set) == "corpus") ++seeds[target];
            }
        }
    }
    for (const auto& [target, entry] : kEntries) EXPECT_GT(seeds[target], 0) << "no seeds for " << target;
}

}  // namespace
