#include "workspace/InputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "workspace/Numbers.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kTokenLength = 20;     // characters a token may take before it is split
constexpr float kDropped = 1000.0f;  // the input readers drop this value
constexpr int kResultAbsent = 1000000;

// Copies dir-of(inputPath) + fileName into target.
void OutputPath(char* target, std::size_t capacity, std::string_view dir, const char* fileName) {
    std::memset(target, 0, capacity);
    const std::string path = std::string(dir) + fileName;
    std::memcpy(target, path.data(), std::min(path.size(), capacity - 1));
}

// A token of the input readers: characters up to and including the separator
// or line end that ends it, or kTokenLength characters.
struct Token {
    char text[kTokenLength + 1];
    int length = 0;
    bool endsLine = false;

    FileReal Value() const { return ParseFileReal(std::string_view(text, static_cast<std::size_t>(length))); }
};

Token ReadToken(const std::uint8_t*& p, const std::uint8_t* end, char separator) {
    Token t;
    while (p < end && t.length < kTokenLength) {
        const char ch = static_cast<char>(*p++);
        t.text[t.length++] = ch;
        if (ch == '\n') {
            t.endsLine = true;
            break;
        }
        if (ch == separator) break;
    }
    return t;
}

}  // namespace

const char* ChooseInputFile(Form& form) {
    std::memset(ws.InputFileName, 0, sizeof ws.InputFileName);
    const std::string list = form.ChooseFiles(kDesignedStartFolder);
    std::string first = list.substr(0, list.find('\n'));
    if (!first.empty() && first.back() == '\r') first.pop_back();
    // A name the buffer cannot hold whole is no valid choice: a cut name
    // would open another file.
    if (first.size() < sizeof ws.InputFileName) std::memcpy(ws.InputFileName, first.data(), first.size());
    return ws.InputFileName;
}

void DeriveOutputNames(Form& form, const char* inputPath) {
    const std::string_view path(inputPath);
    const std::size_t cut = path.find_last_of("\\/");
    const std::string_view dir = cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
    const struct {
        char* target;
        const char* name;
    } outputs[] = {{ws.SocFileName, "soc.dat"},
                   {ws.WeightsFileName, "weights.dat"},
                   {ws.ClustersFileName, "clusters.dat"},
                   {ws.DistancesFileName, "distances.dat"}};
    for (const auto& o : outputs) {
        OutputPath(o.target, sizeof ws.SocFileName, dir, o.name);
        form.MemoAppend(o.target);
    }
}

long LoadFile(Form& form, const char* name, std::uint8_t* buffer, bool quiet) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        if (!quiet) form.MemoAppend(Format("cannot open %s", name));
        return -1;
    }
    if (st.st_size > kFileBufferSize) {
        ::close(fd);
        form.MemoAppend(Format("file too large (limit %d bytes): %s", kFileBufferSize, name));
        return -1;
    }
    long length = 0;
    while (length < st.st_size) {
        const ssize_t got = ::read(fd, buffer + length, static_cast<std::size_t>(st.st_size - length));
        if (got <= 0) break;
        length += got;
    }
    ::close(fd);

    // A CR before LF is part of the line end, not of a value.
    long out = 0;
    for (long in = 0; in < length; ++in) {
        if (buffer[in] == '\r' && in + 1 < length && buffer[in + 1] == '\n') continue;
        buffer[out++] = buffer[in];
    }
    if (out > 0 && buffer[out - 1] != '\n') buffer[out++] = '\n';
    return out;
}

int ReadVectorFile(Form& form, const char* name, std::uint8_t* buffer, int rows, int firstRow, char separator,
                   ReadReport* report) {
    const long length = LoadFile(form, name, buffer);
    if (report) *report = ReadReport{length >= 0, 0, 0};
    if (length < 0) return 0;
    return ParseVectors(form, buffer, length, rows, firstRow, separator, report);
}

int ParseVectors(Form& form, const std::uint8_t* data, long length, int rows, int firstRow, char separator,
                 ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    seen.widestRow = 0;
    seen.nonFiniteLine = 0;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + length;

    int r = firstRow - 1;
    int c = 1;
    int lastCount = 0;
    int firstCount = 0;
    const int lastRow = rows + firstRow - 1;
    while (r < lastRow) {
        if (p >= end) {
            form.MemoAppend(Format("data No: %d,  dim: %d", r - 1, firstCount));
            return firstCount;
        }
        while (p < end && *p == static_cast<std::uint8_t>(separator)) ++p;
        const Token t = ReadToken(p, end, separator);
        const FileReal read = t.Value();
        const float v = read.value;
        if (!read.finite && seen.nonFiniteLine == 0) seen.nonFiniteLine = r - firstRow + 2;
        if (v != kDropped) {
            if (c <= kMaxDim && r + 1 >= 1 && r + 1 <= kInputRows) ws.InputVectors[r + 1][c] = v;
            ++c;
        }
        if (t.endsLine) {
            ++r;
            lastCount = c - 1;
            seen.widestRow = std::max(seen.widestRow, lastCount);
            c = 1;
        }
        if (r == firstRow) firstCount = lastCount;
    }
    return lastCount;
}

int ReadDistanceMatrixFile(Form& form, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report) {
    const long length = LoadFile(form, name, buffer);
    if (report) *report = ReadReport{length >= 0, 0, 0};
    if (length < 0) return 0;
    return ParseDistanceMatrix(buffer, length, rows, separator, report);
}

int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator, ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    seen.widestRow = 0;
    seen.nonFiniteLine = 0;
    if (rows <= 0) return 0;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + length;
    const auto skipSeparators = [&] {
        for (int n = 0; n < 1000 && p < end && *p == static_cast<std::uint8_t>(separator); ++n) ++p;
    };

    int r = 0;
    int c = 1;
    int lastCount = 0;
    while (r < rows) {
        skipSeparators();
        if (p >= end) return 0;  // fewer rows than asked for: no matrix
        const Token t = ReadToken(p, end, separator);
        const FileReal read = t.Value();
        const float v = read.value;
        if (!read.finite && seen.nonFiniteLine == 0) seen.nonFiniteLine = r + 1;
        if (v != kDropped) {
            if (r + 1 <= kMaxMapItems && c <= kMaxMapItems) ws.DistMatrix[r + 1][c] = v;
            ++c;
        }
        skipSeparators();
        if (t.endsLine) {
            ++r;
            lastCount = c - 1;
            seen.widestRow = std::max(seen.widestRow, lastCount);
            c = 1;
        }
    }
    return lastCount;
}

int ReadResultFile(Form& form, const char* name, std::uint8_t* buffer, int vectorDim, int leastClass,
                   int plane, ReadReport* report) {
    const long length = LoadFile(form, name, buffer, /*quiet=*/true);
    if (report) *report = ReadReport{length >= 0, 0, 0};
    if (length < 0) return 0;
    return ParseResults(buffer, length, vectorDim, leastClass, plane, report);
}

bool RefusedNonFinite(Form& form, const ReadReport& report, const char* name) {
    if (report.nonFiniteLine == 0) return false;
    form.MemoAppend(Format("not a finite number in line %d of %s", report.nonFiniteLine, name));
    return true;
}

int ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass, int plane,
                 ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    seen.nonFiniteLine = 0;
    if (plane < 1 || plane > 2) return 0;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + length;

    // A field: skip blanks, take characters up to a blank, skip the blanks
    // after it. A field never reaches into the next line.
    char field[kTokenLength + 1];
    const auto nextField = [&]() -> std::string_view {
        while (p < end && *p == ' ') ++p;
        int n = 0;
        while (p < end && *p != '\n') {
            const char ch = static_cast<char>(*p++);
            if (ch == ' ') break;
            if (n < kTokenLength) field[n++] = ch;
        }
        while (p < end && *p == ' ') ++p;
        return std::string_view(field, static_cast<std::size_t>(n));
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
        if (!read.finite && seen.nonFiniteLine == 0) seen.nonFiniteLine = line;
        return read.value;
    };
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
            ws.MapCoords[n][1] = x;
            ws.MapCoords[n][2] = y;
            ws.MapCoords[n][3] = z;
            ws.ItemScore[n] = static_cast<float>(k);
        }
        int c = 1;
        for (int q = 1; q <= vectorDim; ++q) {
            const float v = real(nextField());
            if (v != static_cast<float>(kResultAbsent) && taken) {
                if (c <= kMaxDim) ws.Prototypes[n][plane][c] = v;
                ++c;
            }
        }
        nextField();
        nextField();
        while (p < end && *p != '\n') ++p;
        if (p < end) ++p;
    }
    return n;
}
