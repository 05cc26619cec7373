// The command line's arguments as the parser's texts, and back, byte for
// byte: a file name is any bytes, not always UTF-8.
#pragma once

#include <QString>
#include <string>

// An argument's text: its UTF-8 as characters, and each byte that is no
// UTF-8 as a private-use character of its own (U+F780..U+F7FF).
QString ArgumentText(const char* bytes);
// The bytes that ArgumentText read into a text.
std::string ArgumentBytes(const QString& text);
