// Text to number and number to text, always in the C locale whatever the
// process locale says (the window toolkit sets it from the environment).
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// The decimal real conversion: leading white space, sign, digits, decimal
// point, exponent; 0 when nothing fits. Words such as "inf" and "nan" and
// hexadecimal numbers are not numbers here.
double ParseReal(std::string_view text);

// A value of an input file, a token whole however long: the decimal
// conversion in single precision of the token without the blanks and the
// double quotes around it, with a comma read as the decimal point when the
// file writes decimal commas (its dots then group thousands in threes before
// the comma and are dropped; a token with other dots is no number).
// `finite` is false for the words "inf", "infinity" and "nan" (any case,
// after a sign) and for values beyond a
// float, so that a file holding them is refused instead of read as zeros;
// `number` is false when the token is not one number entirely (empty, a
// word, a number with text after it), though it still reads as what its
// leading number gives, 0 without one.
struct FileReal {
    float value;
    bool finite;
    bool number;
};
FileReal ParseFileReal(std::string_view text, bool decimalComma = false);

// Whether two texts are the same but for the case of their letters A-Z.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// True when the text, after blanks and an opening double quote, starts with
// a decimal number.
bool StartsWithNumber(std::string_view text);

// The standard integer conversion: leading white space, optional sign and
// digits, stopping at the first other character; 0 without digits. Values
// beyond the 32-bit range are clamped to it.
int ParseInt(std::string_view text);

// printf-style formatting in the C locale.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes into a caller's buffer; returns the length the text would have.
int FormatInto(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatIntoV(char* buffer, std::size_t size, const char* format, va_list args);

// A real in the general format with 15 significant digits: trailing zeros
// dropped, exponent form only below 0.00001 or from 10^15 on.
std::string FormatGeneral(double value);
