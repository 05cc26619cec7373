#include "workspace/InputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text/Numbers.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kResultAbsent = 1000000;

// Copies dir-of(inputPath) + fileName into target.
void OutputPath(char* target, std::size_t capacity, std::string_view dir, const char* fileName) {
    std::memset(target, 0, capacity);
    const std::string path = std::string(dir) + fileName;
    std::memcpy(target, path.data(), std::min(path.size(), capacity - 1));
}

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

std::string_view FolderOf(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

void DeriveOutputNames(Form& form, const char* inputPath) {
    const std::string_view dir = FolderOf(inputPath);
    char* const targets[] = {ws.SocFileName, ws.WeightsFileName, ws.ClustersFileName, ws.DistancesFileName};
    static_assert(std::size(targets) == std::size(kResultFileNames));
    for (std::size_t i = 0; i < std::size(targets); ++i) {
        OutputPath(targets[i], sizeof ws.SocFileName, dir, kResultFileNames[i]);
        form.MemoAppend(targets[i]);
    }
}

long LoadFile(const char* name, std::uint8_t* buffer, std::string* failure) {
    const auto fail = [&](std::string why) {
        if (failure) *failure = std::move(why);
        return -1L;
    };
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        return fail(Format("cannot open %s", name));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(Format("%s is not a file", name));
    }
    if (st.st_size > kFileBufferSize) {
        ::close(fd);
        return fail(Format("%s is larger than %s bytes", name, "1,000,000"));
    }
    long length = 0;
    while (length < st.st_size) {
        const ssize_t got = ::read(fd, buffer + length, static_cast<std::size_t>(st.st_size - length));
        if (got <= 0) break;
        length += got;
    }
    ::close(fd);

    // A CR before LF is part of the line end, not of a value; a CR alone
    // ends a line (spreadsheets' "CSV (Macintosh)").
    long out = 0;
    for (long in = 0; in < length; ++in) {
        if (buffer[in] == '\r' && in + 1 < length && buffer[in + 1] == '\n') continue;
        buffer[out++] = buffer[in] == '\r' ? '\n' : buffer[in];
    }
    if (out > 0 && buffer[out - 1] != '\n') buffer[out++] = '\n';
    return out;
}

namespace {
// Loads name for a reader; false, with the report saying why, when it cannot.
bool Load(const char* name, std::uint8_t* buffer, ReadReport& seen, long& length) {
    seen = ReadReport{};
    length = LoadFile(name, buffer, &seen.failure);
    seen.loaded = length >= 0;
    return seen.loaded;
}
}  // namespace

int ReadVectorFile(Form& form, const char* name, std::uint8_t* buffer, int rows, int firstRow, char separator,
                   ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    long length = 0;
    if (!Load(name, buffer, seen, length)) return 0;
    return ParseVectors(form, buffer, length, rows, firstRow, separator, form.TableReading(), &seen);
}

int ReadDistanceMatrixFile(Form& form, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    long length = 0;
    if (!Load(name, buffer, seen, length)) return 0;
    return ParseDistanceMatrix(buffer, length, rows, separator, form.TableReading(), &seen);
}

int ReadResultFile(Form&, const char* name, std::uint8_t* buffer, int vectorDim, int leastClass, int plane,
                   ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    long length = 0;
    if (!Load(name, buffer, seen, length)) return 0;
    return ParseResults(buffer, length, vectorDim, leastClass, plane, &seen);
}

int ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass, int plane,
                 ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    seen.nonFiniteLine = 0;
    if (plane < 1 || plane > 2) return 0;
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + length;
    seen.values = ResultComponents(data, end);

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
