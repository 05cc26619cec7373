#include "support/FakeForm.h"

#include <algorithm>
#include <cmath>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>


FakeForm::FakeForm() {
    for (int e = Edit1; e <= Edit16; ++e) edits[e] = DefaultEditText(static_cast<EditId>(e));
    memo = {"Memo1"};
}

void FakeForm::MemoSetText(std::string_view text) {
    memo.clear();
    std::string line;
    std::istringstream in{std::string(text)};
    while (std::getline(in, line)) memo.push_back(line);
    if (memo.empty()) memo.emplace_back();
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "itemmap-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream(File(name), std::ios::binary) << content;
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Table TableOf(const std::vector<std::vector<float>>& rows) {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.size());
    Table table;
    table.Resize(static_cast<int>(rows.size()), static_cast<int>(width));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        float* out = table.Row(static_cast<int>(i) + 1);
        int missing = static_cast<int>(width - rows[i].size());
        for (std::size_t q = 0; q < rows[i].size(); ++q) {
            out[q + 1] = rows[i][q];
            missing += std::isnan(rows[i][q]);
        }
        table.missing[i + 1] = missing;
    }
    return table;
}

DistanceMatrix DistancesOf(const std::vector<std::vector<float>>& rows) {
    DistanceMatrix d;
    d.Resize(static_cast<int>(rows.size()));
    d.scale = 1;
    for (int i = 1; i <= d.n; ++i)
        for (int j = 1; j <= d.n; ++j)
            d.Row(i)[j] = rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)];
    return d;
}

Prototypes PrototypesOf(const std::vector<std::vector<float>>& vectors) {
    const Table table = TableOf(vectors);
    Prototypes prototypes;
    prototypes.Resize(table.rows, table.width);
    for (int p = 1; p <= table.rows; ++p) {
        std::copy_n(table.Row(p) + 1, table.width, prototypes.Vector(p) + 1);
        std::fill_n(prototypes.Weights(p) + 1, table.width, 1.0f);
    }
    return prototypes;
}
