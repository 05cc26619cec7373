#include "files/ResultFiles.h"

#include <algorithm>
#include <string_view>

#include "table/Capacities.h"
#include "files/TextFile.h"
#include "text/Numbers.h"

namespace {

constexpr int kResultAbsent = 1000000;

std::string_view Text(const std::uint8_t* from, const std::uint8_t* to) {
    return {reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from)};
}

// The components a result file's first line holds: its fields but the five
// in front and the two behind.
int ResultComponents(const std::uint8_t* p, const std::uint8_t* end) {
    int fields = 0;
    for (bool inField = false; p < end && *p != '\n'; ++p) {
        const bool blank = *p == ' ' || *p == '\t' || *p == '\r';
        if (!blank && !inField) ++fields;
        inField = !blank;
    }
    return std::max(fields - 7, 0);
}

}  // namespace

StoredFile LoadStoredFile(const std::string& name) {
    StoredFile file;
    file.loaded = LoadFileBytes(name.c_str(), file.text, file.failure);
    if (!file.loaded) return file;
    file.checksum = FileChecksum({reinterpret_cast<const char*>(file.text.data()), file.text.size()});
    MakeLineEndsPlain(file.text);
    return file;
}

ResultRows ReadResultFile(const StoredFile& file, int vectorDim, int leastClass, ReadReport& seen) {
    seen = ReadReport{};
    seen.loaded = file.loaded;
    seen.failure = file.failure;
    if (!seen.loaded) return {};
    return ParseResults(file.text.data(), static_cast<long>(file.text.size()), vectorDim, leastClass, seen);
}

ResultRows ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass,
                        ReadReport& seen) {
    seen.nonFiniteLine = 0;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + length;
    seen.values = ResultComponents(data, end);
    ResultRows rows;
    rows.dim = std::clamp(vectorDim, 0, kMaxDim);

    // A field: skip blanks, take characters up to a blank, however many,
    // skip the blanks after it. A field never reaches into the next line.
    const auto nextField = [&]() -> std::string_view {
        while (p < end && *p == ' ') ++p;
        const std::uint8_t* start = p;
        while (p < end && *p != '\n' && *p != ' ') ++p;
        const std::string_view field = Text(start, p);
        while (p < end && *p == ' ') ++p;
        return field;
    };
    const auto restIsBlank = [&] {
        for (const std::uint8_t* q = p; q < end; ++q)
            if (*q != ' ' && *q != '\n' && *q != '\t') return false;
        return true;
    };

    int n = 0;
    int k = 0;
    float x = 0, y = 0, z = 0;
    int line = 0;
    const auto real = [&](std::string_view text) {
        const FileReal read = ParseFileReal(text);
        if (!read.finite && seen.nonFiniteLine == 0) {
            seen.nonFiniteLine = line;
            seen.nonFiniteToken.assign(text.substr(0, 40));
        }
        return read.value;
    };
    const std::size_t stride = static_cast<std::size_t>(rows.dim) + 1;
    rows.position.assign(3, 0.0f);
    rows.classes.assign(1, 0.0f);
    rows.vectors.assign(stride, 0.0f);
    while (n < kMaxMapItems && !restIsBlank()) {
        ++line;
        int lastInt = ParseInt(nextField());
        const float fx = real(nextField());
        const float fy = real(nextField());
        const float fz = real(nextField());
        if (lastInt != kResultAbsent) {
            x = fx;
            y = fy;
            z = fz;
        }
        lastInt = ParseInt(nextField());
        if (lastInt != kResultAbsent) k = lastInt;
        const bool taken = k >= leastClass;
        if (taken) {
            ++n;
            rows.position.insert(rows.position.end(), {x, y, z});
            rows.classes.push_back(static_cast<float>(k));
            rows.vectors.resize(rows.vectors.size() + stride, 0.0f);
        }
        int c = 1;
        for (int q = 1; q <= vectorDim; ++q) {
            const float v = real(nextField());
            if (v != static_cast<float>(kResultAbsent) && taken) {
                if (c <= rows.dim) rows.vectors[static_cast<std::size_t>(n) * stride + c] = v;
                ++c;
            }
        }
        nextField();
        nextField();
        while (p < end && *p != '\n') ++p;
        if (p < end) ++p;
    }
    rows.count = n;
    return rows;
}
