#include "text/TsvFields.h"

std::string TsvField(std::string_view text) {
    // A blank in front would be read as the field's own by some readers and
    // dropped by others: in quotes it is kept by all.
    const bool quoted =
        text.find_first_of("\t\n\r\"") != std::string_view::npos || (!text.empty() && text.front() == ' ');
    if (!quoted) return std::string(text);
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + '"';
}

std::vector<std::vector<std::string>> TsvRows(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool inQuotes = false, wasQuoted = false;
    const auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inQuotes) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                inQuotes = false;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            inQuotes = wasQuoted = true;
        } else if (c == '\t') {
            endField();
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            if (c == '\r') ++i;
            endField();
            rows.push_back(std::move(row));
            row.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !row.empty() || wasQuoted) {
        endField();
        rows.push_back(std::move(row));
    }
    return rows;
}
