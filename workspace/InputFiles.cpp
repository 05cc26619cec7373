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

constexpr float kDropped = 1000.0f;  // the input readers drop this value
constexpr int kResultAbsent = 1000000;

// Copies dir-of(inputPath) + fileName into target.
void OutputPath(char* target, std::size_t capacity, std::string_view dir, const char* fileName) {
    std::memset(target, 0, capacity);
    const std::string path = std::string(dir) + fileName;
    std::memcpy(target, path.data(), std::min(path.size(), capacity - 1));
}

bool IsBlankByte(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The end of the line that starts at p: its LF, or end.
const std::uint8_t* LineEnd(const std::uint8_t* p, const std::uint8_t* end) {
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    return lf ? static_cast<const std::uint8_t*>(lf) : end;
}

bool BlankLine(const std::uint8_t* p, const std::uint8_t* lineEnd) {
    for (; p < lineEnd; ++p)
        if (!IsBlankByte(*p)) return false;
    return true;
}

std::string_view Text(const std::uint8_t* from, const std::uint8_t* to) {
    return {reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from)};
}

// True when some value of the line, split at any usual separator, starts
// with a number: a line without one is a header.
bool HoldsANumber(std::string_view line) {
    std::size_t at = 0;
    while (at <= line.size()) {
        std::size_t next = line.find_first_of("\t,; ", at);
        if (next == std::string_view::npos) next = line.size();
        if (StartsWithNumber(line.substr(at, next - at))) return true;
        at = next + 1;
    }
    return false;
}

// How a file lays out its values (see the header).
struct Layout {
    const std::uint8_t* begin;   // the data, after a byte-order mark
    const std::uint8_t* header;  // the header line's start, or null
    char separator;
    bool collapse;                  // runs of the separator count as one (tabs, spaces)
    bool trailingSeparatorIsValue;  // a separator before the line end gives one more value (tabs)
    bool decimalComma;
};

Layout FindLayout(const std::uint8_t* data, const std::uint8_t* end, char expected, ReadReport& seen) {
    Layout layout{data, nullptr, expected, true, true, false};
    if (end - data >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) layout.begin += 3;

    // The first line that is not blank: a header when it holds no number.
    const std::uint8_t* line = layout.begin;
    int lineNo = 1;
    while (line < end && BlankLine(line, LineEnd(line, end))) {
        line = LineEnd(line, end) + 1;
        ++lineNo;
    }
    if (line >= end) return layout;
    const std::uint8_t* lineEnd = LineEnd(line, end);
    if (!HoldsANumber(Text(line, lineEnd))) {
        layout.header = line;
        seen.headerLine = lineNo;
        line = lineEnd + 1;
        while (line < end && BlankLine(line, LineEnd(line, end))) line = LineEnd(line, end) + 1;
        if (line >= end) return layout;
        lineEnd = LineEnd(line, end);
    }

    // The separator of the first data line.
    seen.firstDataLine =
        lineNo + (layout.header ? static_cast<int>(std::count(layout.header, line, '\n')) : 0);
    const std::string_view first = Text(line, lineEnd);
    const auto has = [&](char c) { return first.find(c) != std::string_view::npos; };
    if (!has(expected) && expected != '\n') {
        const std::size_t textStart = first.find_first_not_of(" \t\r");
        const std::size_t textEnd = first.find_last_not_of(" \t\r");
        const bool innerSpace =
            textStart != std::string_view::npos &&
            first.substr(textStart, textEnd - textStart + 1).find(' ') != std::string_view::npos;
        char found = 0;
        if (has(';'))
            found = ';';
        else if (has(','))
            found = ',';
        else if (innerSpace)
            found = ' ';
        if (found != 0) {
            layout.separator = found;
            layout.collapse = found == ' ';
            layout.trailingSeparatorIsValue = false;
            seen.separatorDetected = true;
        }
    }
    seen.separator = layout.separator;

    // Decimal commas: with tabs or semicolons between values, commas in the
    // data and no decimal point anywhere in it.
    if (layout.separator == '\t' || layout.separator == ';') {
        const std::string_view rest = Text(line, end);
        if (rest.find(',') != std::string_view::npos && rest.find('.') == std::string_view::npos) {
            layout.decimalComma = true;
            seen.decimalComma = true;
        }
    }
    return layout;
}

// Reads the values of a file line by line, as the layout says. A token is
// everything up to its separator or line end, however long.
class ValueReader {
public:
    ValueReader(const std::uint8_t* data, long length, char separator, ReadReport& seen)
        : end_(data + std::max(length, 0L)), seen_(seen) {
        layout_ = FindLayout(data, end_, separator, seen);
        p_ = layout_.begin;
    }

    int Line() const { return line_; }

    // At a line's start: skips the header and blank lines. False at the end.
    bool StartRow() {
        while (p_ < end_) {
            const std::uint8_t* lineEnd = LineEnd(p_, end_);
            if (p_ == layout_.header) {
            } else if (BlankLine(p_, lineEnd)) {
                if (seen_.blankLines++ == 0) seen_.firstBlankLine = line_;
            } else {
                return true;
            }
            p_ = lineEnd < end_ ? lineEnd + 1 : end_;
            ++line_;
        }
        return false;
    }

    // The next value of the current row. Returns false, and takes nothing,
    // when the row ends without one (trailing blanks where they are no value).
    struct Value {
        float value;
        bool endsLine;
    };
    bool Next(Value& out, int maxSkipped = -1) {
        SkipSeparators(maxSkipped);
        if (!layout_.trailingSeparatorIsValue && p_ < end_ && IsRowEnd()) {
            const std::uint8_t* lineEnd = LineEnd(p_, end_);
            p_ = lineEnd < end_ ? lineEnd + 1 : end_;  // past the blanks and the line end
            ++line_;
            out = {0, true};
            return false;
        }
        const std::uint8_t* start = p_;
        while (p_ < end_ && *p_ != '\n' && *p_ != static_cast<std::uint8_t>(layout_.separator)) ++p_;
        const std::string_view token = Text(start, p_);
        const bool endsLine = p_ >= end_ || *p_ == '\n';
        const int line = line_;
        if (p_ < end_) ++p_;  // the separator or LF that ends the token
        if (endsLine) ++line_;
        if (layout_.collapse && !endsLine) SkipSeparators(maxSkipped);

        const FileReal read = ParseFileReal(token, layout_.decimalComma);
        if (!read.finite && seen_.nonFiniteLine == 0) {
            seen_.nonFiniteLine = line;
            seen_.nonFiniteToken.assign(token.substr(0, 40));
        }
        if (!read.number && read.finite && seen_.notNumbers++ == 0) {
            seen_.firstNotNumberLine = line;
            seen_.firstNotNumber.assign(token.substr(0, 40));
        }
        if (read.value == kDropped && seen_.dropped++ == 0) seen_.firstDroppedLine = line;
        out = {read.value, endsLine};
        return true;
    }

    // The rows after the ones taken: every line that is not blank.
    int CountRowsLeft() const {
        int rows = 0;
        for (const std::uint8_t* p = p_; p < end_;) {
            const std::uint8_t* lineEnd = LineEnd(p, end_);
            if (p != layout_.header && !BlankLine(p, lineEnd)) ++rows;
            p = lineEnd + 1;
        }
        return rows;
    }

private:
    bool IsRowEnd() const { return *p_ == '\n' || (IsBlankByte(*p_) && BlankLine(p_, LineEnd(p_, end_))); }
    void SkipSeparators(int maxSkipped) {
        if (!layout_.collapse) return;
        const std::uint8_t sep = static_cast<std::uint8_t>(layout_.separator);
        for (int n = 0; p_ < end_ && *p_ == sep && (maxSkipped < 0 || n < maxSkipped); ++n) ++p_;
    }

    const std::uint8_t* end_;
    const std::uint8_t* p_ = nullptr;
    Layout layout_{};
    ReadReport& seen_;
    int line_ = 1;
};

// Keeps the count of a finished row: the first row's, and the rows unlike it.
void CountRow(ReadReport& seen, int values, int line) {
    seen.widestRow = std::max(seen.widestRow, values);
    seen.lastDataLine = line;
    if (++seen.rowsRead == 1) {
        seen.firstRowValues = values;
    } else if (values != seen.firstRowValues && seen.unevenRows++ == 0) {
        seen.firstUnevenLine = line;
        seen.firstUnevenValues = values;
    }
}

// Reads up to `rows` rows; keep(row, column, value) takes every value that
// is not 1000, row counting from 1 among the rows read. Returns the number
// of values of the last row read, or -1 when the data ends first.
template <typename Keep>
int ReadRows(ValueReader& reader, ReadReport& seen, int rows, int maxSkipped, Keep keep) {
    int r = 0;
    int c = 1;
    int lastCount = 0;
    bool rowStarted = false;
    while (r < rows) {
        if (!rowStarted && !reader.StartRow()) return -1;
        rowStarted = true;
        const int line = reader.Line();
        ValueReader::Value v{};
        if (reader.Next(v, maxSkipped) && v.value != kDropped) {
            keep(r + 1, c, v.value);
            if (c == r + 1 && v.value != 0.0f) seen.zeroDiagonal = false;
            ++c;
        }
        if (v.endsLine) {
            ++r;
            lastCount = c - 1;
            if (lastCount < r) seen.zeroDiagonal = false;
            CountRow(seen, lastCount, line);
            c = 1;
            rowStarted = false;
        }
    }
    seen.rowsLeft = reader.CountRowsLeft();
    return lastCount;
}

void ResetSeen(ReadReport& seen) {
    const bool loaded = seen.loaded;
    seen = ReadReport{};
    seen.loaded = loaded;
    seen.zeroDiagonal = true;
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

    // A CR before LF is part of the line end, not of a value.
    long out = 0;
    for (long in = 0; in < length; ++in) {
        if (buffer[in] == '\r' && in + 1 < length && buffer[in + 1] == '\n') continue;
        buffer[out++] = buffer[in];
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
    return ParseVectors(form, buffer, length, rows, firstRow, separator, &seen);
}

int ParseVectors(Form& form, const std::uint8_t* data, long length, int rows, int firstRow, char separator,
                 ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    ResetSeen(seen);
    ValueReader reader(data, length, separator, seen);
    const int read = ReadRows(reader, seen, rows, -1, [firstRow](int r, int c, float v) {
        const int row = firstRow - 1 + r;
        if (c <= kMaxDim && row >= 1 && row <= kInputRows) ws.InputVectors[row][c] = v;
    });
    if (read >= 0) return read;
    form.MemoAppend(Format("data No: %d,  dim: %d", seen.rowsRead, seen.firstRowValues));
    return seen.firstRowValues;
}

int ReadDistanceMatrixFile(Form&, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    long length = 0;
    if (!Load(name, buffer, seen, length)) return 0;
    return ParseDistanceMatrix(buffer, length, rows, separator, &seen);
}

int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator, ReadReport* report) {
    ReadReport unused;
    ReadReport& seen = report ? *report : unused;
    ResetSeen(seen);
    if (rows <= 0) return 0;
    ValueReader reader(data, length, separator, seen);
    const int read = ReadRows(reader, seen, rows, 1000, [](int r, int c, float v) {
        if (r <= kMaxMapItems && c <= kMaxMapItems) ws.DistMatrix[r][c] = v;
    });
    return std::max(read, 0);  // fewer rows than asked for: no matrix
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
