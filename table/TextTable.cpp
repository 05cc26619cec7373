#include "table/TextTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "parallel/Chunks.h"
#include "table/Capacities.h"
#include "text/Numbers.h"

namespace {

constexpr long kSniffBytes = 4096;
constexpr int kSeparatorLines = 10;  // the lines of data the separator is decided over

bool IsBlankByte(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The end of the line that starts at p: its LF, or end.
const std::uint8_t* LineEnd(const std::uint8_t* p, const std::uint8_t* end) {
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    return lf ? static_cast<const std::uint8_t*>(lf) : end;
}

const std::uint8_t* NextLine(const std::uint8_t* p, const std::uint8_t* end) {
    const std::uint8_t* lineEnd = LineEnd(p, end);
    return lineEnd < end ? lineEnd + 1 : end;
}

bool BlankLine(const std::uint8_t* p, const std::uint8_t* lineEnd) {
    for (; p < lineEnd; ++p)
        if (!IsBlankByte(*p)) return false;
    return true;
}

std::string_view Text(const std::uint8_t* from, const std::uint8_t* to) {
    return {reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from)};
}

// The length of the UTF-8 sequence at data[i] (n bytes in all), or 0 when
// the bytes there are none.
long Utf8Sequence(const std::uint8_t* data, long i, long n) {
    const std::uint8_t c = data[i];
    const long length = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
    if (length == 0) return 0;
    for (long k = 1; k < length; ++k)
        if (i + k < n && (data[i + k] & 0xC0) != 0x80) return 0;
    return length;  // one cut short by the end of the sniffed bytes counts as whole
}

// Whether the text starts as markup does: an SVG picture or a web page picked
// by mistake holds numbers, but no table.
bool LooksLikeMarkup(const std::uint8_t* data, long n) {
    long i = 0;
    if (n >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) i = 3;
    while (i < n && IsBlankByte(data[i])) ++i;
    const std::string_view text(reinterpret_cast<const char*>(data) + i, static_cast<std::size_t>(n - i));
    for (const std::string_view start : {"<?xml", "<svg", "<!doctype", "<html"})
        if (EqualsIgnoringCase(text.substr(0, start.size()), start)) return true;
    return false;
}

// Why the first bytes are no text of this tool's kind: text in UTF-16 or
// UTF-32 (a byte-order mark, or zero bytes in step), binary data (a zero
// byte, or mostly control bytes and bytes that are no UTF-8), or markup.
std::string NotText(const std::uint8_t* data, long length) {
    const long n = std::min(length, kSniffBytes);
    const auto starts = [&](std::initializer_list<int> bytes) {
        if (n < static_cast<long>(bytes.size())) return false;
        long i = 0;
        for (int b : bytes)
            if (data[i++] != b) return false;
        return true;
    };
    constexpr const char* kSaveAsUtf8 = ": save it as UTF-8";
    if (starts({0xFF, 0xFE, 0, 0}) || starts({0, 0, 0xFE, 0xFF}))
        return std::string("is UTF-32 text") + kSaveAsUtf8;
    if (starts({0xFF, 0xFE}) || starts({0xFE, 0xFF})) return std::string("is UTF-16 text") + kSaveAsUtf8;
    long zeros[2] = {0, 0}, controls = 0, stray = 0;
    for (long i = 0; i < n;) {
        const std::uint8_t c = data[i];
        if (c == 0) ++zeros[i % 2];
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') || c == 0x7F)
            ++controls;
        const long sequence = Utf8Sequence(data, i, n);
        if (sequence == 0) ++stray;
        i += std::max(sequence, 1L);
    }
    // Text in two bytes a character puts a zero beside every ASCII one.
    const long half = n / 2;
    if (half >= 2 && (zeros[0] >= half * 9 / 10 || zeros[1] >= half * 9 / 10))
        return std::string("is UTF-16 or UTF-32 text") + kSaveAsUtf8;
    // Text in a one-byte code page (Latin-1) has a few bytes that are no
    // UTF-8; random bytes have them by the half.
    if (zeros[0] + zeros[1] > 0 || controls * 3 > n || (controls + stray) * 2 > n)
        return "is binary data, not a text table";
    if (LooksLikeMarkup(data, n)) return "is markup (XML, SVG or HTML), not a text table";
    return {};
}

// A byte outside double quotes: quote-aware search within one line.
// A byte outside double quotes: quote-aware search within one line.
template <typename Found>
void EachUnquoted(std::string_view line, Found found) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && found(line[i], i)) return;
    }
}

bool HasUnquoted(std::string_view line, char c) {
    bool has = false;
    EachUnquoted(line, [&](char x, std::size_t) { return has = x == c; });
    return has;
}

// How a row is cut into fields.
struct Splitting {
    char separator;
    bool collapse;       // a run of separators is one
    bool trailingValue;  // and a run at the row's end is one more value, 0 (tabs)
    bool tabRows = false;  // a line of tabs alone is a row without values (under a header), not blank
};

// The quote that closes a quoted field whose text starts at p: the first
// one not doubled, on this line or a later one; null when the data end
// first.
const std::uint8_t* ClosingQuote(const std::uint8_t* p, const std::uint8_t* end) {
    while (p < end) {
        const void* q = std::memchr(p, '"', static_cast<std::size_t>(end - p));
        if (!q) return nullptr;
        const auto* quote = static_cast<const std::uint8_t*>(q);
        if (quote + 1 < end && quote[1] == '"') {
            p = quote + 2;
            continue;
        }
        return quote;
    }
    return nullptr;
}

// The fields of the row that starts at p, whose first line ends at
// lineEnd: emit(from, to, quoted, trailing) for each, in order. Runs of the
// separator are one when collapsing: leading ones are skipped, trailing
// ones give a last field of 0 (trailingValue) or nothing. Otherwise every
// separator ends one field, so an empty field is one. A field that opens
// with a quote (after blanks) runs to its closing quote, across line ends;
// one that never closes ends with its line. Returns the row's end, its line
// end (or `end`); null when the data are only a file's start and end
// before the row does, or when emit, returning false, asked for no more
// fields.
template <typename Emit>
const std::uint8_t* SplitRow(const std::uint8_t* p, const std::uint8_t* lineEnd, const std::uint8_t* end,
                             const Splitting& s, bool complete, Emit emit) {
    const std::uint8_t sep = static_cast<std::uint8_t>(s.separator);
    const auto skipRun = [&] {
        while (p < lineEnd && *p == sep) ++p;
    };
    const auto rowEnd = [&] { return lineEnd < end || complete ? lineEnd : nullptr; };
    if (s.collapse) skipRun();
    while (true) {
        const std::uint8_t* start = p;
        bool quoted = false;
        const std::uint8_t* q = p;
        while (q < lineEnd && (*q == ' ' || *q == '\t') && *q != sep) ++q;
        if (q < lineEnd && *q == '"') {
            quoted = true;
            const std::uint8_t* close = ClosingQuote(q + 1, end);
            if (!close && !complete) return nullptr;
            if (close && close > lineEnd) lineEnd = LineEnd(close, end);
            p = close && close < lineEnd ? close + 1 : lineEnd;
        }
        while (p < lineEnd && *p != sep) ++p;
        if constexpr (std::is_same_v<std::invoke_result_t<Emit&, const std::uint8_t*, const std::uint8_t*, bool, bool>,
                                     bool>) {
            if (!emit(start, p, quoted, false)) return nullptr;
        } else {
            emit(start, p, quoted, false);
        }
        if (p >= lineEnd) return rowEnd();
        ++p;  // the separator
        if (s.collapse) {
            skipRun();
            if (p >= lineEnd || BlankLine(p, lineEnd)) {
                if (s.trailingValue && p >= lineEnd) emit(p, p, false, true);
                return rowEnd();
            }
        } else if (p >= lineEnd) {
            emit(p, p, false, false);  // a separator at the line's end: an empty last field
            return rowEnd();
        }
    }
}

// Calls blank(number) for each blank line and row(p, rowEnd, number) for
// each row from p on (its first line's number), splitting each with
// field(from, to, quoted, trailing) first; row returns false to stop.
// Returns where the rows end: past the last whole one.
template <typename Field, typename Blank, typename Row>
const std::uint8_t* EachRow(const std::uint8_t* p, const std::uint8_t* end, int number, const Splitting& s,
                            bool complete, Field field, Blank blank, Row row) {
    while (p < end) {
        const std::uint8_t* lineEnd = LineEnd(p, end);
        if (lineEnd == end && !complete) break;  // a line cut short by the data's end
        const bool isBlank = s.tabRows ? std::all_of(p, lineEnd, [](std::uint8_t c) { return c == ' ' || c == '\r'; })
                                       : BlankLine(p, lineEnd);
        if (isBlank) {
            blank(number++);
            p = lineEnd < end ? lineEnd + 1 : end;
            continue;
        }
        const std::uint8_t* rowEnd = SplitRow(p, lineEnd, end, s, complete, field);
        if (!rowEnd) break;
        if (!row(p, rowEnd, number)) return p;
        number += 1 + (rowEnd > lineEnd ? static_cast<int>(std::count(lineEnd, rowEnd, '\n')) : 0);
        p = rowEnd < end ? rowEnd + 1 : end;
    }
    return p;
}

Splitting SplittingOf(const TextTable& t) {
    return {t.separator, t.collapse, t.trailingValue, t.separator == '\t' && t.headerKind != HeaderKind::None};
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The field's text without blanks and quotes; whether it was quoted.
std::string_view Unquoted(std::string_view field, bool quoted) {
    field = Trim(field);
    if (quoted && !field.empty() && field.front() == '"') {
        field.remove_prefix(1);
        if (!field.empty() && field.back() == '"') field.remove_suffix(1);
    }
    return field;
}

bool MissingMarker(std::string_view text) {
    if (text.empty() || text == "?" || text == ".") return true;
    if (text.front() == '+' || text.front() == '-') {
        const std::string_view rest = text.substr(1);
        return EqualsIgnoringCase(rest, "nan");
    }
    for (const char* marker : {"na", "n/a", "nan", "null"})
        if (EqualsIgnoringCase(text, marker)) return true;
    return false;
}

// True when some value of the line, split at any usual separator, is a
// number: a line without one is a header, even when a name starts with a
// digit ("2nd_visit").
bool HoldsANumber(std::string_view line) {
    std::size_t at = 0;
    while (at <= line.size()) {
        std::size_t next = line.find_first_of("\t,; ", at);
        if (next == std::string_view::npos) next = line.size();
        std::string_view value = line.substr(at, next - at);
        while (!value.empty() && value.front() == '"') value.remove_prefix(1);
        while (!value.empty() && value.back() == '"') value.remove_suffix(1);
        if (ParseFileReal(value).number) return true;
        at = next + 1;
    }
    return false;
}

struct LineFields {
    std::vector<std::string_view> texts;  // unquoted
    std::vector<bool> quoted;
};

// The fields of one line (a header's: its quotes end with it).
LineFields FieldsOf(const std::uint8_t* p, const std::uint8_t* lineEnd, char separator, bool collapse) {
    LineFields out;
    SplitRow(p, lineEnd, lineEnd, {separator, collapse, false}, true,
             [&](const std::uint8_t* from, const std::uint8_t* to, bool quoted, bool) {
                 out.texts.push_back(Unquoted(Text(from, to), quoted));
                 out.quoted.push_back(quoted);
             });
    return out;
}

// Whole numbers from fields[from] on, rising by one step; `from0` allows
// them to start at 0.
bool CountsUp(const std::vector<std::string_view>& fields, std::size_t from, bool from0) {
    if (fields.size() < from + 2) return false;
    long long previous = 0, step = 0;
    for (std::size_t i = from; i < fields.size(); ++i) {
        const std::string_view t = fields[i];
        if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        const long long v = std::stoll(std::string(t));
        if (i == from && v == 0 && !from0) return false;
        if (i == from + 1) step = v - previous;
        if (i > from && (step <= 0 || v - previous != step)) return false;
        previous = v;
    }
    return true;
}

// A header of numbers: years or wavelengths rising by one step over at least
// three columns (from 1 on: a row from 0 is the first of a distance
// matrix), also after the name of a names column ("country,2001,2002,2003");
// or, after an empty first field, the column numbers 0, 1, 2, ... that a
// data frame without column names is written with.
bool Counting(const LineFields& f) {
    if (f.texts.empty()) return false;
    if (f.texts[0].empty()) return CountsUp(f.texts, 1, true);
    if (!ParseFileReal(f.texts[0]).number) return f.texts.size() >= 4 && CountsUp(f.texts, 1, true);
    return f.texts.size() >= 3 && CountsUp(f.texts, 0, false);
}

bool AnyUnquotedNumber(const LineFields& f) {
    for (std::size_t i = 0; i < f.texts.size(); ++i)
        if (!f.quoted[i] && StartsWithNumber(f.texts[i])) return true;
    return false;
}

// Whether the separator is found unquoted on the line; blanks at its ends
// separate nothing.
bool Separates(std::string_view line, char separator) {
    return HasUnquoted(separator == ' ' ? Trim(line) : line, separator);
}

// Whether the commas before a quoted number's point group its digits in
// threes, after a first group of one to three: "12,345,678.5".
bool CommasGroupThousands(std::string_view text) {
    const std::size_t sign = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const std::size_t point = text.find('.');
    for (std::size_t k = sign; k < point; ++k)
        if ((point - k) % 4 == 0 ? text[k] != ',' : !(text[k] >= '0' && text[k] <= '9')) return false;
    return true;
}

}  // namespace
std::string Unescaped(const FieldView& field) {
    std::string text(field.text);
    if (!field.quoted) return text;
    for (std::size_t i = 0; (i = text.find("\"\"", i)) != std::string::npos; ++i) text.erase(i, 1);
    return text;
}

TableCell ClassifyField(std::string_view text, bool quoted, bool decimalComma) {
    // Most fields are plain numbers: a digit first is no marker and groups nothing.
    if (!text.empty() && text.front() >= '0' && text.front() <= '9' && !quoted) {
        const FileReal read = ParseFileReal(text, decimalComma);
        return !read.finite ? TableCell::Of(CellKind::NotFinite)
               : read.number ? TableCell::Number(read.value)
                             : TableCell::Of(CellKind::Text);
    }
    if (MissingMarker(text)) return TableCell::Of(CellKind::Missing);
    // A quoted "1,065.0": the comma groups thousands.
    std::string grouped;
    if (quoted && !decimalComma) {
        const std::size_t comma = text.find(',');
        if (comma != std::string_view::npos && text.find('.', comma) != std::string_view::npos &&
            CommasGroupThousands(text)) {
            grouped.assign(text);
            grouped.erase(std::remove(grouped.begin(), grouped.end(), ','), grouped.end());
            text = grouped;
        }
    }
    const FileReal read = ParseFileReal(text, decimalComma);
    return !read.finite ? TableCell::Of(CellKind::NotFinite)
           : read.number ? TableCell::Number(read.value)
                         : TableCell::Of(CellKind::Text);
}

void TextTable::Fields(const std::uint8_t* data, const TableRow& row, std::vector<FieldView>& fields, int most) const {
    fields.clear();
    SplitRow(data + row.at, LineEnd(data + row.at, data + row.end), data + row.end, SplittingOf(*this), true,
             [&](const std::uint8_t* from, const std::uint8_t* to, bool quoted, bool) {
                 fields.push_back({Unquoted(Text(from, to), quoted), quoted});
                 return static_cast<int>(fields.size()) < most;
             });
}

std::string TextTable::CellText(const std::uint8_t* data, const TableRow& row, int column) const {
    std::vector<FieldView> fields;
    Fields(data, row, fields, column);
    return static_cast<int>(fields.size()) == column ? Unescaped(fields.back()) : std::string();
}

namespace {

// A line that is not blank: where it starts and ends, and its number.
struct Line {
    const std::uint8_t *p = nullptr, *end = nullptr;
    int number = 0;
};

// The first two lines that are not blank.
void FirstTwoLines(const std::uint8_t* begin, const std::uint8_t* end, Line& first, Line& second) {
    int number = 1;
    for (const std::uint8_t* p = begin; p < end && !second.p; p = NextLine(p, end), ++number) {
        const std::uint8_t* lineEnd = LineEnd(p, end);
        if (BlankLine(p, lineEnd)) continue;
        (first.p ? second : first) = {p, lineEnd, number};
    }
}

// The separator of the first lines of data: of the expected one (tab),
// semicolon, comma and runs of spaces, the one found unquoted on the most
// of them, of equals the first in that order, so that decimal commas beside
// tabs or semicolons separate nothing, and a tab in one name does not
// outvote the commas of every other line.
// The end of the lines from p on that a quote left open holds together:
// the lines of one row, whatever its separator, when a quoted name holds
// line ends.
const std::uint8_t* QuotedLinesEnd(const std::uint8_t* p, const std::uint8_t* end) {
    const std::uint8_t* lineEnd = LineEnd(p, end);
    bool open = std::count(p, lineEnd, '"') % 2 == 1;
    while (open && lineEnd < end) {
        const std::uint8_t* next = lineEnd + 1;
        lineEnd = LineEnd(next, end);
        open = open != (std::count(next, lineEnd, '"') % 2 == 1);
    }
    return lineEnd;
}

void DecideSeparator(TextTable& table, const Line& data1, const std::uint8_t* end, char expected) {
    const char candidates[] = {expected, ';', ',', ' '};
    int found[std::size(candidates)] = {};
    int lines = 0;
    for (const std::uint8_t* p = data1.p; p < end && lines < kSeparatorLines;) {
        const std::uint8_t* lineEnd = QuotedLinesEnd(p, end);
        if (!BlankLine(p, lineEnd)) {
            ++lines;
            for (std::size_t k = 0; k < std::size(candidates); ++k)
                found[k] += Separates(Text(p, lineEnd), candidates[k]);
        }
        p = lineEnd < end ? lineEnd + 1 : end;
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < std::size(candidates); ++k)
        if (found[k] > found[best]) best = k;
    table.separator = candidates[best];
    table.separatorDetected = table.separator != expected;
    if (table.separatorDetected && Separates(Text(data1.p, QuotedLinesEnd(data1.p, end)), expected))
        table.outvotingLines = lines;
}

// Whether the first line is a header, and the separator; returns the first
// data line. A first line without a number is a header, and the separator
// is decided over the lines after it; a first line of counting whole
// numbers, or of quoted fields only, over a line of numbers is a header too.
Line ReadHeader(TextTable& table, const Line& first, const Line& second, const std::uint8_t* end,
                char expected) {
    Line data1 = first;
    if (!HoldsANumber(Text(first.p, first.end))) {
        table.headerKind = HeaderKind::NoNumber;
        data1 = second;
    }
    if (expected != '\n' && data1.p) DecideSeparator(table, data1, end, expected);
    table.collapse = table.separator == '\t' || table.separator == ' ';

    if (table.headerKind == HeaderKind::None && second.p) {
        const LineFields a = FieldsOf(first.p, first.end, table.separator, table.collapse);
        const LineFields b = FieldsOf(second.p, second.end, table.separator, table.collapse);
        if (Counting(a) && !Counting(b)) {
            table.headerKind = HeaderKind::Counting;
        } else if (std::all_of(a.quoted.begin(), a.quoted.end(), [](bool q) { return q; }) &&
                   AnyUnquotedNumber(b)) {
            table.headerKind = HeaderKind::Quoted;
        }
        if (table.headerKind != HeaderKind::None) data1 = second;
    }
    if (table.headerKind != HeaderKind::None) {
        table.headerLine = first.number;
        for (std::string_view f : FieldsOf(first.p, first.end, table.separator, table.collapse).texts) {
            table.header.push_back(Unescaped({f, true}));
        }
    }
    return data1;
}


// The shape of a field that may be a number: one with a decimal comma
// (dots, if any, grouping thousands before it), one with a decimal point
// (commas, if any, grouping thousands before it), or neither: a word, a
// date, a whole number.
enum class Numeral { Other, Point, Comma };

Numeral NumeralOf(std::string_view text) {
    const std::size_t comma = text.find(','), dot = text.find('.');
    if (comma == std::string_view::npos && dot == std::string_view::npos) return Numeral::Other;
    if (comma != std::string_view::npos && ParseFileReal(text, true).number) return Numeral::Comma;
    if (dot == std::string_view::npos || (comma != std::string_view::npos && text.rfind('.') < text.rfind(',')))
        return Numeral::Other;
    std::string plain(text);
    plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());
    return ParseFileReal(plain).number ? Numeral::Point : Numeral::Other;
}

// Decimal commas: with tabs or semicolons between values, some value with
// a decimal comma and none with a decimal point. Only values that look like
// numbers decide: a dot in a name or a date changes nothing.
void DecideDecimalComma(TextTable& table, const Line& data1, const std::uint8_t* end) {
    if (table.separator != '\t' && table.separator != ';') return;
    if (!std::memchr(data1.p, ',', static_cast<std::size_t>(end - data1.p))) return;
    bool comma = false, point = false, dots = false;
    EachRow(
        data1.p, end, data1.number, SplittingOf(table), table.complete,
        [&](const std::uint8_t* from, const std::uint8_t* to, bool quoted, bool) {
            const std::string_view text = Unquoted(Text(from, to), quoted);
            switch (NumeralOf(text)) {
                case Numeral::Comma:
                    comma = true;
                    dots = dots || text.find('.') != std::string_view::npos;
                    break;
                case Numeral::Point:
                    point = true;
                    break;
                case Numeral::Other:
                    break;
            }
        },
        [](int) {}, [&](const std::uint8_t*, const std::uint8_t*, int) { return !point; });
    table.decimalComma = comma && !point;
    table.thousandsDots = table.decimalComma && dots;
}

// How many of the counts equal the most common one.
int Agreeing(const std::vector<int>& counts) {
    const int most = MostCommonCount(counts);
    return static_cast<int>(std::count(counts.begin(), counts.end(), most));
}

// The fields of each row, split one way.
std::vector<int> FieldCounts(const TextTable& table, const Line& data1, const std::uint8_t* end,
                             const Splitting& s) {
    std::vector<int> counts;
    int fields = 0;
    EachRow(
        data1.p, end, data1.number, s, table.complete, [&](auto, auto, bool, bool) { ++fields; }, [](int) {},
        [&](const std::uint8_t*, const std::uint8_t*, int) {
            counts.push_back(std::exchange(fields, 0));
            return true;
        });
    return counts;
}

// Tabs: a run is one separator, unless more rows line up when every tab
// ends one field (a table with empty cells).
bool SingleTabs(const TextTable& table, const Line& data1, const std::uint8_t* end) {
    const std::string_view rest = Text(data1.p, end);
    if (rest.find("\t\t") == std::string_view::npos && rest.find("\n\t") == std::string_view::npos &&
        rest.front() != '\t')
        return false;
    const std::vector<int> collapsed = FieldCounts(table, data1, end, {'\t', true, true, table.headerKind != HeaderKind::None});
    const std::vector<int> single = FieldCounts(table, data1, end, {'\t', false, false, table.headerKind != HeaderKind::None});
    return collapsed != single && Agreeing(single) > Agreeing(collapsed);
}

// Every row from the first data line on, one after another.
void ReadRowsInTurn(TextTable& table, const std::uint8_t* data, const Line& data1, const std::uint8_t* end) {
    // Room for every line, and for as many fields on each as on the first,
    // taken at once: a table of megabytes is not copied as it grows.
    const auto lines = static_cast<std::size_t>(std::count(data1.p, end, '\n')) + 1;
    table.rows.reserve(lines);
    TableRow row{};
    row.first = 0;
    std::vector<std::pair<int, std::string_view>> texts;  // of the row being cut: its texts, by field
    const std::uint8_t* rowsEnd = EachRow(
        data1.p, end, data1.number, SplittingOf(table), table.complete,
        [&](const std::uint8_t* from, const std::uint8_t* to, bool quoted, bool trailing) {
            const std::string_view text = Unquoted(Text(from, to), quoted);
            table.quotedFields = table.quotedFields || quoted;
            const TableCell cell = trailing ? TableCell::Number(0.0f) : ClassifyField(text, quoted, table.decimalComma);
            if (cell.Is(CellKind::Text))
                texts.emplace_back(static_cast<int>(table.cells.size() - row.first), text);
            table.cells.push_back(cell);
        },
        [&](int number) {
            if (table.blankLines++ == 0) table.firstBlankLine = number;
        },
        [&](const std::uint8_t* at, const std::uint8_t* rowEnd, int number) {
            const auto cells = static_cast<std::uint32_t>(table.cells.size());
            row = {static_cast<std::uint32_t>(at - data), static_cast<std::uint32_t>(rowEnd - data), number, row.first,
                   static_cast<int>(cells - row.first)};
            if (table.rows.empty()) table.cells.reserve(lines * static_cast<std::size_t>(row.count));
            if (table.columns.size() <= static_cast<std::size_t>(row.count))
                table.columns.resize(static_cast<std::size_t>(row.count) + 1);
            const int r = static_cast<int>(table.rows.size());
            auto text = texts.begin();
            for (int c = 0; c < row.count; ++c) {
                const bool hasText = text != texts.end() && text->first == c;
                table.columns[static_cast<std::size_t>(c) + 1].See(r, table.cells[row.first + static_cast<std::uint32_t>(c)],
                                                                   hasText ? (text++)->second : std::string_view());
            }
            texts.clear();
            table.rows.push_back(row);
            row.first = cells;
            return true;
        });
    table.cells.resize(row.first);  // the fields of a row the data cut short
    table.scanned = rowsEnd - data;
}


// The rows of one stretch of whole lines without quotes, cut and their
// fields classified apart from the others: rows at their bytes in the
// data, their lines and first cells counted from the stretch's start.
struct Stretch {
    std::vector<TableRow> rows;
    std::vector<TableCell, ReadBuffer<TableCell>> cells;
    std::vector<std::pair<std::uint32_t, std::string_view>> texts;  // the text cells' texts, by cell
    int lines = 0, blankLines = 0, firstBlankLine = 0;
};

void CutStretch(const TextTable& table, const std::uint8_t* data, const std::uint8_t* from, const std::uint8_t* to,
                Stretch& out) {
    std::uint32_t first = 0;
    EachRow(
        from, to, 0, SplittingOf(table), true,
        [&](const std::uint8_t* at, const std::uint8_t* end, bool quoted, bool trailing) {
            const std::string_view text = Unquoted(Text(at, end), quoted);
            const TableCell cell = trailing ? TableCell::Number(0.0f) : ClassifyField(text, quoted, table.decimalComma);
            if (cell.Is(CellKind::Text)) out.texts.emplace_back(static_cast<std::uint32_t>(out.cells.size()), text);
            out.cells.push_back(cell);
        },
        [&](int number) {
            if (out.blankLines++ == 0) out.firstBlankLine = number;
            out.lines = number + 1;
        },
        [&](const std::uint8_t* at, const std::uint8_t* rowEnd, int number) {
            const auto cells = static_cast<std::uint32_t>(out.cells.size());
            out.rows.push_back({static_cast<std::uint32_t>(at - data), static_cast<std::uint32_t>(rowEnd - data), number,
                                first, static_cast<int>(cells - first)});
            first = cells;
            out.lines = number + 1;
            return true;
        });
}

// A table of many megabytes without a quote is cut on every core, in
// stretches of whole lines: each line is a row or blank there.
constexpr long kStretchBytes = 16L << 20;

bool CutOnEveryCore(const TextTable& table, const std::uint8_t* from, const std::uint8_t* end) {
    return table.complete && end - from >= 2 * kStretchBytes && ChunkWorkers() > 1 &&
           !std::memchr(from, '"', static_cast<std::size_t>(end - from));
}

// The rows from the first data line on, cut in stretches on every core and
// put together in order; returns each text cell's text, by cell.
std::vector<std::pair<std::uint32_t, std::string_view>> CutInStretches(TextTable& table, const std::uint8_t* data,
                                                                      const Line& data1, const std::uint8_t* end) {
    std::vector<const std::uint8_t*> starts{data1.p};
    while (end - starts.back() > kStretchBytes) {
        const std::uint8_t* lineEnd = LineEnd(starts.back() + kStretchBytes, end);
        if (lineEnd >= end) break;
        starts.push_back(lineEnd + 1);
    }
    starts.push_back(end);
    std::vector<Stretch> stretches(starts.size() - 1);
    InChunks(
        static_cast<int>(stretches.size()), 1,
        [&](int s, int, int) {
            CutStretch(table, data, starts[static_cast<std::size_t>(s)], starts[static_cast<std::size_t>(s) + 1],
                       stretches[static_cast<std::size_t>(s)]);
        },
        [] { return true; });
    std::size_t rows = 0, cells = 0;
    for (const Stretch& s : stretches) rows += s.rows.size(), cells += s.cells.size();
    table.rows.reserve(rows);
    table.cells.reserve(cells);
    std::vector<std::pair<std::uint32_t, std::string_view>> texts;
    int line = data1.number;
    for (Stretch& s : stretches) {
        const auto first = static_cast<std::uint32_t>(table.cells.size());
        for (TableRow row : s.rows) {
            row.line += line;
            row.first += first;
            table.rows.push_back(row);
        }
        for (const auto& [cell, text] : s.texts) texts.emplace_back(cell + first, text);
        if (s.blankLines > 0 && table.blankLines == 0) table.firstBlankLine = s.firstBlankLine + line;
        table.blankLines += s.blankLines;
        line += s.lines;
        table.cells.insert(table.cells.end(), s.cells.begin(), s.cells.end());
        Stretch().cells.swap(s.cells);  // its memory back before the next is copied
    }
    return texts;
}

// What each column holds, over the rows in order.
void SeeColumns(TextTable& table, const std::vector<std::pair<std::uint32_t, std::string_view>>& texts) {
    auto text = texts.begin();
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const TableRow& row = table.rows[r];
        if (table.columns.size() <= static_cast<std::size_t>(row.count))
            table.columns.resize(static_cast<std::size_t>(row.count) + 1);
        for (int c = 0; c < row.count; ++c) {
            const std::uint32_t cell = row.first + static_cast<std::uint32_t>(c);
            const bool hasText = text != texts.end() && text->first == cell;
            table.columns[static_cast<std::size_t>(c) + 1].See(static_cast<int>(r), table.cells[cell],
                                                               hasText ? (text++)->second : std::string_view());
        }
    }
}

// Every row from the first data line on, each field classified once.
void ReadRows(TextTable& table, const std::uint8_t* data, const Line& data1, const std::uint8_t* end) {
    if (CutOnEveryCore(table, data1.p, end)) {
        SeeColumns(table, CutInStretches(table, data, data1, end));
        table.scanned = end - data;
    } else {
        ReadRowsInTurn(table, data, data1, end);
    }
    // A column that some row does not reach counts nothing.
    for (ColumnSeen& seen : table.columns)
        if (seen.rows < static_cast<int>(table.rows.size())) seen.countsFrom1 = seen.countsFrom0 = false;
}

}  // namespace

void ColumnSeen::See(int row, const TableCell& cell, std::string_view field) {
    ++rows;
    const bool number = cell.Is(CellKind::Number);
    countsFrom1 = countsFrom1 && number && cell.bits == static_cast<float>(row + 1);
    countsFrom0 = countsFrom0 && number && cell.bits == static_cast<float>(row);
    if (cell.Is(CellKind::Missing)) return;
    ++present;
    whole = whole && number && std::floor(cell.bits) == cell.bits;
    if (number && static_cast<int>(numbers.size()) <= kMaxClasses &&
        std::find(numbers.begin(), numbers.end(), cell.bits) == numbers.end()) {
        numbers.push_back(cell.bits);
        if (whole) wholeValues = static_cast<int>(numbers.size());
    }
    if (!cell.Is(CellKind::Text)) return;
    ++text;
    if (static_cast<int>(distinct.size()) <= kMaxClasses && std::find(distinct.begin(), distinct.end(), field) == distinct.end())
        distinct.push_back(field);
}

int MostCommonCount(const std::vector<int>& counts) {
    std::unordered_map<int, int> times;
    int best = 0, bestTimes = 0;
    for (int c : counts) ++times[c];
    for (int c : counts)  // in row order, so that the first of equals wins
        if (times[c] > bestTimes) {
            best = c;
            bestTimes = times[c];
        }
    return best;
}

TextTable ScanTable(const std::uint8_t* data, long length, char expected, bool complete) {
    TextTable table;
    table.complete = complete;
    const std::uint8_t* const end = data + std::max(length, 0L);
    table.notText = NotText(data, length);
    if (!table.notText.empty()) return table;
    const std::uint8_t* begin = data;
    if (end - data >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) begin += 3;

    Line first, second;
    FirstTwoLines(begin, end, first, second);
    if (!first.p) return table;
    const Line data1 = ReadHeader(table, first, second, end, expected);
    if (!data1.p) return table;
    table.firstDataLine = data1.number;
    // A run of tabs ending a row is one more value, 0, in a plain tab file:
    // under a header it ends the row's last, empty field.
    table.trailingValue = table.collapse && table.separator == '\t' && table.headerKind == HeaderKind::None;
    DecideDecimalComma(table, data1, end);
    if (table.separator == '\t' && SingleTabs(table, data1, end)) {
        table.collapse = false;
        table.trailingValue = false;
        table.singleTabs = true;
    }
    ReadRows(table, data, data1, end);
    return table;
}
