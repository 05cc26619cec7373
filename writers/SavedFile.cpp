#include "writers/SavedFile.h"

std::string CannotWrite(const QSaveFile& file, const std::string& path) {
    return "cannot write " + path + ": " + file.errorString().toStdString();
}

std::optional<std::string> OpenSaved(QSaveFile& file, const std::string& path) {
    file.setFileName(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return CannotWrite(file, path);
    return std::nullopt;
}

std::string CommitSaved(QSaveFile& file, const std::string& path) {
    return file.commit() ? std::string() : CannotWrite(file, path);
}

std::string WrittenText(const Written& written, const char* what) {
    if (!written.error.empty()) return "error: " + written.error;
    return std::string(what) + " written to " + written.path;
}
