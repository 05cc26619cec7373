// Cutting UTF-8 text without cutting a character in two.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// The start of the character at byte `at` (or the text's end): where the
// text may be cut to at most `at` bytes. Continuation bytes belong to the
// character before them.
inline std::size_t CharacterStart(std::string_view text, std::size_t at) {
    at = std::min(at, text.size());
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}
