// Text output files. Every line ends in CR LF on every platform, as the
// stored files of this tool always have. A file is written beside its target
// under a temporary name and renamed over it only when it is complete, so a
// crash or a full disk never leaves half a file in place of a good one. The
// temporary name is a new random one, created only when nothing stands there
// (a symbolic link included), and the rename replaces whatever stands at the
// target's name: a link planted in a shared folder never receives the text.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "form/Form.h"

class TextFileWriter {
public:
    // What a file that cannot be written is: an error that fails the run
    // (a result file), or a warning that does not (the record of the runs).
    enum class Failure { Error, Warning };

    // When the file cannot be created, the status line names it and says
    // why, and every later call does nothing.
    TextFileWriter(Form& form, const char* path, Failure failure = Failure::Error);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // How many result files could not be written since the program started: a run
    // compares the count before and after to know whether all its files were.
    static long Failures();

    // Writes text, each LF as CR LF.
    void Write(std::string_view text);
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Completes the file and puts it in place; reports a failure on the status line.
    bool Commit();

private:
    void Fail(int error);  // says why, with the errno value of the failed call

    Form& form_;
    Failure failure_;
    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};
