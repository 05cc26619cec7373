// A result of the faces (a picture, the coordinates) is written under a
// temporary name and takes the place of its target only when complete; what
// went wrong reads "cannot write PATH: reason".
#pragma once

#include <QSaveFile>
#include <optional>
#include <string>

struct Written {
    std::string path;   // the file written
    std::string error;  // empty when it was written
};

// Opens the temporary file for path; why it cannot, or nothing.
std::optional<std::string> OpenSaved(QSaveFile& file, const std::string& path);
// Puts it in place of path; why it cannot, or empty.
std::string CommitSaved(QSaveFile& file, const std::string& path);
// "cannot write PATH: " and the file's last error.
std::string CannotWrite(const QSaveFile& file, const std::string& path);

// What a write did, for the status line: "map picture written to PATH", or
// "error: ..." and why.
std::string WrittenText(const Written& written, const char* what);
