#include "cli/Arguments.h"

#include <QList>
#include <cstring>

#include "text/Utf8.h"

namespace {
// Where the bytes that are no UTF-8 stand, in the private-use area.
constexpr char32_t kByteBase = 0xF700;
}  // namespace

QString ArgumentText(const char* bytes) {
    const std::string_view text(bytes, std::strlen(bytes));
    QString out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharacterLength(text, i);
        if (length == 0) {
            out += QChar(static_cast<char16_t>(kByteBase + static_cast<unsigned char>(text[i])));
            ++i;
        } else {
            out += QString::fromUtf8(text.data() + i, static_cast<qsizetype>(length));
            i += length;
        }
    }
    return out;
}

std::string ArgumentBytes(const QString& text) {
    std::string out;
    const QList<uint> characters = text.toUcs4();
    for (const uint u : characters) {
        const char32_t c = u;
        if (c >= kByteBase + 0x80 && c <= kByteBase + 0xFF) {
            out += static_cast<char>(c - kByteBase);
        } else {
            out += QString::fromUcs4(&c, 1).toStdString();
        }
    }
    return out;
}
