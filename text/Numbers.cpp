#include "text/Numbers.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Switches the calling thread to the C locale for one conversion.
class CLocaleScope {
public:
    CLocaleScope() : old_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(old_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t old_;
};

// Copies a text into a terminated buffer for the C conversions.
class Terminated {
public:
    explicit Terminated(std::string_view text) {
        const std::size_t n = std::min(text.size(), sizeof(buf_) - 1);
        std::memcpy(buf_, text.data(), n);
        buf_[n] = '\0';
    }
    const char* c_str() const { return buf_; }

private:
    char buf_[1024];
};

}  // namespace

namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where the text's blanks end.
std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

// The end of the decimal number that starts at i (a sign, digits with at
// most one decimal point, an exponent when a digit follows its letter and
// sign); i itself when there are no digits.
std::size_t DecimalEnd(std::string_view text, std::size_t i) {
    const std::size_t start = i;
    const auto digitsFrom = [&](std::size_t& k) {
        const std::size_t first = k;
        while (k < text.size() && IsDigit(text[k])) ++k;
        return k - first;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = digitsFrom(i);
    if (i < text.size() && text[i] == '.') digits += digitsFrom(++i);
    if (digits == 0) return start;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (digitsFrom(k) > 0) i = k;
    }
    return i;
}

}  // namespace

namespace {

// The decimal number that the text holds whole (digits with at most one
// decimal point, an exponent whose letter digits follow, no sign), as the
// full conversion gives it, when that is quick: a whole number up to 2^53
// times or over a power of ten up to 10^22. Both are exact doubles, so the
// one rounding of the product or quotient gives the nearest double, as the
// full conversion does. False when the text is no such number or needs the
// full conversion.
bool QuickDecimal(std::string_view s, double& out) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t whole = 0;
    int digits = 0, scale = 0;
    std::size_t i = 0, written = 0;
    const auto take = [&](char c) {
        ++written;
        if (whole == 0 && c == '0') return true;  // a leading zero adds nothing
        if (++digits > 19) return false;
        whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        return true;
    };
    for (; i < s.size() && IsDigit(s[i]); ++i)
        if (!take(s[i])) return false;
    if (i < s.size() && s[i] == '.')
        for (++i; i < s.size() && IsDigit(s[i]); ++i, --scale)
            if (!take(s[i])) return false;
    if (written == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        const bool negative = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        int exponent = 0;
        const std::size_t first = i;
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            exponent = exponent * 10 + (s[i] - '0');
            if (exponent > 1000) return false;
        }
        if (i == first) return false;
        scale += negative ? -exponent : exponent;
    }
    if (i != s.size() || whole > (std::uint64_t{1} << 53)) return false;
    if (whole == 0) {
        out = 0;
        return true;
    }
    if (scale < -22 || scale > 22) return false;
    const double w = static_cast<double>(whole);
    out = scale < 0 ? w / kPowers[-scale] : w * kPowers[scale];
    return true;
}

// The decimal number that the text holds (as DecimalEnd found it), any length.
double Convert(std::string_view number) {
    const bool negative = !number.empty() && number[0] == '-';
    if (!number.empty() && (number[0] == '+' || number[0] == '-')) number.remove_prefix(1);
    double value = 0;
    if (QuickDecimal(number, value)) return negative ? -value : value;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec ==
        std::errc::result_out_of_range) {
        // Beyond a double: strtod says which way, infinity or zero.
        const std::string copy(number);
        value = strtod_l(copy.c_str(), nullptr, CLocale());
    }
    return negative ? -value : value;
}

// A token of a file without the blanks around it, and without the double
// quotes that spreadsheets put around a field.
std::string_view Trimmed(std::string_view text) {
    text.remove_prefix(SkipBlanks(text));
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

// With a decimal comma, whether the dots of a token group the digits of
// its whole part in threes (12.345.678,5): after a sign, one to three
// digits, then groups of a dot and three digits, up to the comma or the
// token's end; a token without dots groups nothing wrongly.
bool ThousandsGrouped(std::string_view token) {
    std::size_t i = !token.empty() && (token[0] == '+' || token[0] == '-') ? 1 : 0;
    const std::size_t whole = std::min(token.find(','), token.size());
    const std::size_t firstDot = token.find('.');
    if (firstDot == std::string_view::npos) return true;
    if (firstDot > whole) return false;  // a dot after the comma
    const std::size_t lead = firstDot - i;
    if (lead < 1 || lead > 3) return false;
    for (std::size_t k = i; k < firstDot; ++k)
        if (!IsDigit(token[k])) return false;
    for (i = firstDot; i < whole; i += 4) {
        if (token[i] != '.' || i + 4 > whole) return false;
        for (std::size_t k = i + 1; k < i + 4; ++k)
            if (!IsDigit(token[k])) return false;
    }
    return i == whole;
}

}  // namespace

double ParseReal(std::string_view text) {
    const std::size_t start = SkipBlanks(text);
    const std::size_t end = DecimalEnd(text, start);
    if (end == start) return 0.0;
    return Convert(text.substr(start, end - start));
}

bool StartsWithNumber(std::string_view text) {
    text.remove_prefix(SkipBlanks(text));
    if (!text.empty() && text.front() == '"') text.remove_prefix(1);
    return DecimalEnd(text, 0) > 0;
}

FileReal ParseFileReal(std::string_view text, bool decimalComma) {
    std::string_view token = Trimmed(text);
    char local[64];
    std::string longer;
    bool grouped = true;
    if (decimalComma && token.find_first_of(",.") != std::string_view::npos) {
        grouped = ThousandsGrouped(token);
        char* out = local;
        if (token.size() > sizeof local) {
            longer.assign(token);
            out = longer.data();
        }
        std::size_t n = 0;
        for (const char c : token)
            if (c != '.') out[n++] = c == ',' ? '.' : c;
        token = std::string_view(out, n);
    }
    std::size_t i = 0;
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) ++i;
    // Most values are plain decimals: read in one pass.
    if (double quick = 0; grouped && QuickDecimal(token.substr(i), quick)) {
        const float value = static_cast<float>(token[0] == '-' ? -quick : quick);
        return {value, std::isfinite(value), true};
    }
    const std::size_t end = DecimalEnd(token, 0);
    const float value = end == 0 ? 0.0f : static_cast<float>(Convert(token.substr(0, end)));
    // The word, in any case, and nothing after it.
    const auto names = [&](std::string_view word) { return EqualsIgnoringCase(token.substr(i), word); };
    const bool number = grouped && end > 0 && end == token.size();
    return {value, std::isfinite(value) && !names("inf") && !names("infinity") && !names("nan"), number};
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

int ParseInt(std::string_view text) {
    const Terminated t(text);
    const long long v = strtoll_l(t.c_str(), nullptr, 10, CLocale());
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::string Format(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    int n;
    {
        const CLocaleScope c;
        n = std::vsnprintf(small, sizeof small, format, args);
    }
    va_end(args);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    {
        const CLocaleScope c;
        std::vsnprintf(big.data(), big.size(), format, args);
    }
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

int FormatIntoV(char* buffer, std::size_t size, const char* format, va_list args) {
    const CLocaleScope c;
    return std::vsnprintf(buffer, size, format, args);
}

int FormatInto(char* buffer, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = FormatIntoV(buffer, size, format, args);
    va_end(args);
    return n;
}

std::string FormatGeneral(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // 15 significant digits as d.dddddddddddddde±x
    const std::string e = Format("%.14e", value);
    const std::size_t epos = e.find('e');
    const int exponent = std::atoi(e.c_str() + epos + 1);
    const bool negative = e[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < epos; ++i)
        if (e[i] != '.') digits += e[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= 15) {
        out.push_back(digits[0]);
        if (digits.size() > 1) out.append(".").append(digits, 1);
        out.append("E").append(std::to_string(exponent));
    } else if (exponent < 0) {
        out.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
    } else {
        const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
        out.append(digits, 0, intLen);
        if (digits.size() < intLen) out.append(intLen - digits.size(), '0');
        if (digits.size() > intLen) out.append(".").append(digits, intLen);
    }
    return out;
}
