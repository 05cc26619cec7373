// The fuzz entries: one per reader and one for the edit-field conversions,
// shared by the libFuzzer targets and by the replay test of the checked-in
// inputs. Each takes one raw input whose first bytes choose the arguments:
//
//   vectors   rows: 2 bytes, separator: 1 byte, then the text
//   matrix    rows: 2 bytes, separator: 1 byte, then the text
//   results   vectorDim: 1 byte, leastClass: 1 byte, then the text
//   fields    edit: 1 byte, maxChars: 1 byte, then the text
//
// Two-byte values are little-endian; every value is taken modulo its range
// (see the entries) and missing bytes count as 0. The text goes to the reader
// in a vector of exactly its size, so a read past its end hits the
// AddressSanitizer redzone. Besides, each entry checks what the readers
// promise of their results: tables and rows whose parts agree in size, and
// counts within what was asked. An entry returns an empty text when every
// check holds, else the first one that failed.
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

#include "files/ResultFiles.h"
#include "form/Form.h"
#include "support/NullForm.h"
#include "table/Capacities.h"
#include "table/TableReader.h"
#include "text/Numbers.h"

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

inline std::string Failed(const char* what, long a = 0, long b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (%ld, %ld)", what, a, b);
    return text;
}

template <class Vector>
long Size(const Vector& v) {
    return static_cast<long>(v.size());
}

// A table as every reader gives it: rows of width + 1 values; names and
// classes of every row or of none, each class one the table names; no name
// longer than names are kept. A refused file gives a table of nothing.
inline std::string CheckTable(const Table& t) {
    if (t.rows == 0 && t.width == 0 && t.values.empty()) return {};
    if (t.rows < 0 || t.width < 0) return Failed("negative rows or width", t.rows, t.width);
    if (Size(t.values) != (t.rows + 1L) * (t.width + 1L))
        return Failed("values not rows x width", Size(t.values));
    if (Size(t.missing) != t.rows + 1) return Failed("missing counts not one a row", Size(t.missing), t.rows);
    if (Size(t.featureNames) != t.width + 1)
        return Failed("feature names not one a column", Size(t.featureNames));
    if (!t.names.empty() && Size(t.names) != t.rows + 1) return Failed("names not one a row", Size(t.names));
    if (!t.classes.empty() && Size(t.classes) != t.rows + 1)
        return Failed("classes not one a row", Size(t.classes));
    if (t.ClassCount() > kMaxClasses) return Failed("more classes than a class column has", t.ClassCount());
    for (int i = 1; i <= t.rows; ++i) {
        if (t.ClassOf(i) < 0 || t.ClassOf(i) > t.ClassCount())
            return Failed("a class not named", i, t.ClassOf(i));
        if (Size(t.Name(i)) > kLongestName) return Failed("a name longer than names are kept", i);
    }
    return {};
}

// Each row's missing count is its components that are not numbers.
inline std::string CheckMissing(const Table& t) {
    for (int i = 1; i <= t.rows; ++i) {
        const long notNumbers =
            std::count_if(t.Row(i) + 1, t.Row(i) + t.width + 1, [](float v) { return std::isnan(v); });
        if (notNumbers != t.missing[static_cast<std::size_t>(i)])
            return Failed("missing count not the row's missing components", i, notNumbers);
    }
    return {};
}

inline std::string CheckNonFiniteLine(const ReadReport& report, const std::vector<std::uint8_t>& text) {
    if (report.nonFiniteLine < 0 || report.nonFiniteLine > Lines(text))
        return Failed("nonFiniteLine outside the file's lines", report.nonFiniteLine, Lines(text));
    return {};
}

// The first failure of several checks, or empty.
inline std::string FirstFailure(std::initializer_list<std::string> checks) {
    for (const std::string& failed : checks)
        if (!failed.empty()) return failed;
    return {};
}

// ParseVectors: rows -2..1600.
inline std::string Vectors(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int rows = in.Take(2, 1603, -2);
    const char separator = static_cast<char>(in.Take(1, 256, 0));
    const std::vector<std::uint8_t> text = in.Rest();

    ReadReport report;
    report.loaded = true;
    const Table t = ParseVectors(text.data(), Size(text), rows, separator, {}, report);

    if (t.rows > std::max(rows, 0)) return Failed("more items than asked", t.rows, rows);
    if (t.rows != report.rowsRead) return Failed("items not the rows read", t.rows, report.rowsRead);
    if (t.width > kMaxDim) return Failed("more than 64 components", t.width);
    if (report.values > report.widestRow)
        return Failed("values past widestRow", report.values, report.widestRow);
    if (t.rows > 0 && t.width != std::min(report.values, kMaxDim))
        return Failed("width not the values most rows hold", t.width, report.values);
    return FirstFailure({CheckTable(t), CheckMissing(t), CheckNonFiniteLine(report, text)});
}

// ParseMatrix: rows -2..1600.
inline std::string Matrix(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int rows = in.Take(2, 1603, -2);
    const char separator = static_cast<char>(in.Take(1, 256, 0));
    const std::vector<std::uint8_t> text = in.Rest();

    ReadReport report;
    report.loaded = true;
    const Table t = ParseMatrix(text.data(), Size(text), rows, separator, {}, report);

    if (t.rows > std::max(rows, 0)) return Failed("more rows than asked", t.rows, rows);
    if (t.rows != report.rowsRead) return Failed("rows not the rows read", t.rows, report.rowsRead);
    if (rows <= 0 && report.lastRowValues != 0) return Failed("a count without rows", report.lastRowValues);
    if (report.lastRowValues > report.widestRow || (t.rows > 0 && report.lastRowValues > t.width))
        return Failed("last row's count past its values", report.lastRowValues, t.width);
    return FirstFailure({CheckTable(t), CheckNonFiniteLine(report, text)});
}

// ParseResults: vectorDim -2..70, leastClass -2..13.
inline std::string Results(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int vectorDim = in.Take(1, 73, -2);
    const int leastClass = in.Take(1, 16, -2);
    const std::vector<std::uint8_t> text = in.Rest();

    ReadReport report;
    const ResultRows rows = ParseResults(text.data(), Size(text), vectorDim, leastClass, report);

    const long n = rows.count;
    if (n < 0 || n > kMaxMapItems) return Failed("row count outside 0..400", n);
    if (rows.dim != std::clamp(vectorDim, 0, kMaxDim))
        return Failed("components not as asked", rows.dim, vectorDim);
    if (Size(rows.position) != (n + 1) * 3) return Failed("positions not 3 a row", Size(rows.position), n);
    if (Size(rows.classes) != n + 1) return Failed("classes not one a row", Size(rows.classes), n);
    if (Size(rows.vectors) != (n + 1) * (rows.dim + 1))
        return Failed("vectors not rows x dim", Size(rows.vectors), n);
    for (int i = 1; i <= n; ++i)
        if (!(rows.classes[static_cast<std::size_t>(i)] >= static_cast<float>(leastClass)))
            return Failed("a row taken below leastClass", i, leastClass);
    return CheckNonFiniteLine(report, text);
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
