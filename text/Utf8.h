// UTF-8 text: cut without cutting a character in two, and shown with the
// bytes that are no character replaced.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// The start of the character at byte `at` (or the text's end): where the
// text may be cut to at most `at` bytes. Continuation bytes belong to the
// character before them.
inline std::size_t CharacterStart(std::string_view text, std::size_t at) {
    at = std::min(at, text.size());
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

// The length of the UTF-8 character that starts at byte `at`, or 0 when
// the bytes there are none (a stray continuation byte, a sequence cut short
// or too long for its value).
inline std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(at);
    const std::size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    const unsigned char second = length > 1 ? byte(at + 1) : 0x80;
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second > 0x8F))
        return 0;  // too long a form, a surrogate, beyond U+10FFFF
    return length;
}

// The text as a display shows it: each byte that starts no character as
// U+FFFD, the replacement character (a file name in a legacy code page).
inline std::string Displayable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharacterLength(text, i);
        if (length == 0) {
            shown += "\xEF\xBF\xBD";
            ++i;
        } else {
            shown.append(text, i, length);
            i += length;
        }
    }
    return shown;
}
