// The fuzz entries: one per reader and one for the edit-field conversions,
// shared by the libFuzzer targets and by the replay test of the checked-in
// inputs. Each takes one raw input whose first bytes choose the arguments:
//
//   vectors   rows: 2 bytes, firstRow: 2 bytes, separator: 1 byte, then the text
//   matrix    rows: 2 bytes, separator: 1 byte, then the text
//   results   vectorDim: 1 byte, leastClass: 1 byte, plane: 1 byte, then the text
//   fields    edit: 1 byte, maxChars: 1 byte, then the text
//
// Two-byte values are little-endian; every value is taken modulo its range
// (see the entries) and missing bytes count as 0. The text goes to the reader
// in a vector of exactly its size, so a read past its end hits the
// AddressSanitizer redzone.
//
// The workspace is one object, so a write from one of its arrays into the
// next is no overflow to the sanitizers. The entries therefore mark the cells
// around what a reader may write and check the marks afterwards, together
// with what the readers promise about their results. An entry returns an
// empty text when every check holds, else the first one that failed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "form/Form.h"
#include "support/NullForm.h"
#include "text/Numbers.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

namespace fuzz {

// The arguments at the front of an input, then the text.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next `bytes` bytes as a value in offset .. offset + range - 1.
    int Take(int bytes, int range, int offset) {
        unsigned value = 0;
        for (int i = 0; i < bytes; ++i, ++pos_)
            if (pos_ < size_) value |= static_cast<unsigned>(data_[pos_]) << (8 * i);
        return static_cast<int>(value % static_cast<unsigned>(range)) + offset;
    }
    std::vector<std::uint8_t> Rest() const {
        return pos_ < size_ ? std::vector<std::uint8_t>(data_ + pos_, data_ + size_)
                            : std::vector<std::uint8_t>();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Every edit field holds `text`; messages are only counted.
class FuzzForm : public NullForm {
public:
    std::string EditText(EditId) override { return text; }
    void MemoAppend(std::string_view) override { ++messages; }

    std::string text;
    int messages = 0;
};

// Lines of a text, a last one without line end included.
inline int Lines(const std::vector<std::uint8_t>& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

inline constexpr float kMark = -31337.25f;
inline constexpr int kIntMark = -31337;

inline bool Marked(float v) {
    return v == kMark;
}

inline std::string Failed(const char* what, int a = 0, int b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (%d, %d)", what, a, b);
    return text;
}

// ParseVectors: rows -2..1600, firstRow -2..1600.
inline std::string Vectors(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int rows = in.Take(2, 1603, -2);
    const int firstRow = in.Take(2, 1603, -2);
    const char separator = static_cast<char>(in.Take(1, 256, 0));
    const std::vector<std::uint8_t> text = in.Rest();

    // Rows the reader may fill: firstRow .. firstRow + rows - 1 within 1 .. kInputRows.
    const int below = firstRow - 1;
    const int above = firstRow + std::max(rows, 0);
    const auto outside = [&](int r) { return r == 0 || r == below || r == above; };
    for (int r = 0; r <= kInputRows; ++r) {
        if (outside(r)) std::fill(ws.InputVectors[r], ws.InputVectors[r] + 66, kMark);
        ws.InputVectors[r][0] = ws.InputVectors[r][65] = kMark;
    }
    ws.VectorDim = ws.ItemNumber[0] = kIntMark;

    FuzzForm form;
    ReadReport report;
    const int got = ParseVectors(form, text.data(), static_cast<long>(text.size()), rows, firstRow, separator,
                                 {}, &report);

    for (int r = 0; r <= kInputRows; ++r) {
        if (outside(r)) {
            for (int c = 0; c < 66; ++c)
                if (!Marked(ws.InputVectors[r][c]))
                    return Failed("InputVectors written outside the rows", r, c);
        }
        if (!Marked(ws.InputVectors[r][0]) || !Marked(ws.InputVectors[r][65]))
            return Failed("InputVectors written outside columns 1..64", r);
    }
    if (ws.VectorDim != kIntMark || ws.ItemNumber[0] != kIntMark) return Failed("write beside InputVectors");
    if (got < 0 || got > report.widestRow) return Failed("count outside 0..widestRow", got, report.widestRow);
    if (report.nonFiniteLine < 0 || report.nonFiniteLine > Lines(text))
        return Failed("nonFiniteLine outside the file's lines", report.nonFiniteLine, Lines(text));
    if (form.messages > 1) return Failed("more than one message", form.messages);
    return {};
}

// ParseDistanceMatrix: rows -2..1600.
inline std::string Matrix(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int rows = in.Take(2, 1603, -2);
    const char separator = static_cast<char>(in.Take(1, 256, 0));
    const std::vector<std::uint8_t> text = in.Rest();

    const int above = std::max(rows, 0) + 1;  // the first row that must stay
    for (int r = 0; r <= kMaxMapItems; ++r) {
        if (r == 0 || r == above) std::fill(ws.DistMatrix[r], ws.DistMatrix[r] + kMaxMapItems + 1, kMark);
        ws.DistMatrix[r][0] = kMark;
    }
    ws.DistScale = kMark;

    ReadReport report;
    const int got =
        ParseDistanceMatrix(text.data(), static_cast<long>(text.size()), rows, separator, {}, &report);

    for (int r = 0; r <= kMaxMapItems; ++r) {
        if (r == 0 || r == above) {
            for (int c = 0; c <= kMaxMapItems; ++c)
                if (!Marked(ws.DistMatrix[r][c])) return Failed("DistMatrix written outside the rows", r, c);
        }
        if (!Marked(ws.DistMatrix[r][0])) return Failed("DistMatrix column 0 written", r);
    }
    if (!Marked(ws.DistScale)) return Failed("write beside DistMatrix");
    if (got < 0 || got > report.widestRow) return Failed("count outside 0..widestRow", got, report.widestRow);
    if (rows <= 0 && got != 0) return Failed("a count without rows", got);
    if (report.nonFiniteLine < 0 || report.nonFiniteLine > Lines(text))
        return Failed("nonFiniteLine outside the file's lines", report.nonFiniteLine, Lines(text));
    return {};
}

// ParseResults: vectorDim -2..70, leastClass -2..13, plane 0..3.
inline std::string Results(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int vectorDim = in.Take(1, 73, -2);
    const int leastClass = in.Take(1, 16, -2);
    const int plane = in.Take(1, 4, 0);
    const std::vector<std::uint8_t> text = in.Rest();

    std::fill(&ws.MapCoords[0][0], &ws.MapCoords[0][0] + (kMaxMapItems + 1) * 5, kMark);
    std::fill(ws.ItemScore, ws.ItemScore + kMaxMapItems + 2, kMark);
    for (int i = 0; i <= kMaxMapItems; ++i)
        for (int p = 0; p < 3; ++p)
            ws.Prototypes[i][p][0] = ws.Prototypes[i][p][1] = ws.Prototypes[i][p][65] = kMark;
    ws.WinnerIndex = kIntMark;

    ReadReport report;
    const int n =
        ParseResults(text.data(), static_cast<long>(text.size()), vectorDim, leastClass, plane, &report);

    if (n < 0 || n > kMaxMapItems) return Failed("row count outside 0..400", n);
    if ((plane < 1 || plane > 2) && n != 0) return Failed("rows taken for an invalid plane", n, plane);
    for (int i = 0; i <= kMaxMapItems; ++i) {
        const bool taken = i >= 1 && i <= n;
        for (int c = 0; c < 5; ++c)
            if (!(taken && c >= 1 && c <= 3) && !Marked(ws.MapCoords[i][c]))
                return Failed("MapCoords written outside the rows taken", i, c);
        if (!taken && !Marked(ws.ItemScore[i])) return Failed("ItemScore written outside the rows taken", i);
        if (taken && !(ws.ItemScore[i] >= static_cast<float>(leastClass)))
            return Failed("a row taken below leastClass", i, leastClass);
        for (int p = 0; p < 3; ++p) {
            if (!Marked(ws.Prototypes[i][p][0]) || !Marked(ws.Prototypes[i][p][65]))
                return Failed("Prototypes written outside components 1..64", i, p);
            if (!(taken && p == plane) && !Marked(ws.Prototypes[i][p][1]))
                return Failed("Prototypes written outside the rows and plane taken", i, p);
        }
    }
    if (!Marked(ws.ItemScore[kMaxMapItems + 1])) return Failed("ItemScore written past row 400");
    if (ws.WinnerIndex != kIntMark) return Failed("write beside Prototypes");
    if (report.nonFiniteLine < 0) return Failed("negative nonFiniteLine", report.nonFiniteLine);
    return {};
}

// What FormatGeneral promises for any double: a text of at most 15
// significant digits that reads back within that precision.
inline std::string CheckFormatGeneral(double v) {
    const std::string text = FormatGeneral(v);
    if (std::isnan(v)) return text == "NAN" ? std::string() : Failed("NaN not written as NAN");
    if (std::isinf(v))
        return text == (v < 0 ? "-INF" : "INF") ? std::string() : Failed("infinity not written as INF");
    if (text.empty() || text.size() > 22)
        return Failed("FormatGeneral length", static_cast<int>(text.size()));
    int digits = 0;
    bool leading = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == 'E') break;
        if (ch >= '0' && ch <= '9') {
            leading = leading && ch == '0';
            if (!leading) ++digits;
        } else if (!(ch == '.' || (ch == '-' && i == 0))) {
            return Failed("FormatGeneral wrote a stray character", ch);
        }
    }
    if (digits > 15) return Failed("FormatGeneral wrote more than 15 digits", digits);
    // Rounded to 15 digits, the largest doubles (from 1.797693134862315E308)
    // read back as infinities.
    const double back = ParseReal(text);
    const bool pastMax =
        std::isinf(back) && std::signbit(back) == std::signbit(v) && std::fabs(v) > 1.7976931348623e308;
    if (!(std::fabs(back - v) <= std::fabs(v) * 1e-14) && !pastMax)
        return Failed("FormatGeneral does not read back");
    return {};
}

inline bool Same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// ParseInt, ParseReal, EditReal, EditInt, FormatGeneral: edit 1..16, maxChars -1..40.
inline std::string Fields(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const auto edit = static_cast<EditId>(in.Take(1, 16, 1));
    const int maxChars = in.Take(1, 42, -1);
    const std::vector<std::uint8_t> bytes = in.Rest();

    FuzzForm form;
    form.text.assign(bytes.begin(), bytes.end());
    const std::string_view whole(form.text);
    const std::string_view shown = maxChars < 0 ? whole : whole.substr(0, static_cast<std::size_t>(maxChars));

    const double real = ParseReal(whole);
    ParseInt(whole);
    // A field's decimal comma counts as its point when it has none.
    std::string decimal(shown);
    if (decimal.find('.') == std::string::npos && decimal.find(',') != std::string::npos)
        decimal[decimal.find(',')] = '.';
    if (!Same(EditReal(form, edit, maxChars), ParseReal(decimal)))
        return Failed("EditReal reads beyond maxChars", maxChars);
    if (EditInt(form, edit, maxChars) != ParseInt(shown))
        return Failed("EditInt reads beyond maxChars", maxChars);

    std::string failed = CheckFormatGeneral(real);
    if (failed.empty() && bytes.size() >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, bytes.data(), sizeof raw);
        failed = CheckFormatGeneral(raw);
    }
    return failed;
}

// For the libFuzzer targets: a failed check is a crash.
inline void Require(const std::string& failed) {
    if (failed.empty()) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", failed.c_str());
    std::abort();
}

}  // namespace fuzz
