#include "cli/ConsoleForm.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "text/Numbers.h"
#include "text/Utf8.h"
#include "view/MapDrawing.h"

namespace {
volatile std::sig_atomic_t stoppedBy = 0;  // the signal that asked for the stop, or 0
void OnStopSignal(int signal) {
    stoppedBy = signal;
}
}  // namespace

ConsoleForm::ConsoleForm(std::map<EditId, std::string> edits, std::string file, RunChoices choices,
                         Session& session, std::FILE* out, std::FILE* err)
    : edits_(std::move(edits)),
      file_(std::move(file)),
      choices_(std::move(choices)),
      session_(session),
      out_(out),
      err_(err),
      bar_(::isatty(::fileno(err)) == 1) {}

ConsoleForm::~ConsoleForm() {
    EndBar();
    std::fflush(out_);
}

void ConsoleForm::StopOnSignals() {
    stoppedBy = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnStopSignal);
    std::signal(SIGPIPE, SIG_IGN);  // a closed output shows as a failed write, not as the end
}

int ConsoleForm::StopSignal() {
    return stoppedBy;
}

std::string ConsoleForm::EditText(EditId edit) {
    const auto it = edits_.find(edit);
    return it != edits_.end() ? it->second : DefaultEditText(edit);
}

void ConsoleForm::SetEditText(EditId edit, std::string_view text) {
    edits_[edit] = std::string(text);
}

// Once standard output is closed (its reader gone: `| head -1`), the run
// goes on without it. A file name's bytes that are no UTF-8 show replaced.
void ConsoleForm::MemoAppend(std::string_view line) {
    if (outClosed_) return;
    const std::string shown = Displayable(line);
    std::fwrite(shown.data(), 1, shown.size(), out_);
    std::fputc('\n', out_);
    if (std::ferror(out_) || std::fflush(out_) != 0) outClosed_ = true;
}

void ConsoleForm::MemoSetText(std::string_view text) {
    MemoAppend(text);
}

std::string ConsoleForm::ChooseFiles() {
    return file_ + "\r\n";
}

void ConsoleForm::ProcessEvents() {
    if (stoppedBy != 0) session_.StopRequested = true;
}

void ConsoleForm::EndBar() {
    if (!barShown_) return;
    std::fputs("\r\033[K", err_);
    barShown_ = false;
}

void ConsoleForm::Line(std::string_view text) {
    EndBar();
    const std::string shown = Displayable(text);
    std::fwrite(shown.data(), 1, shown.size(), err_);
    std::fputc('\n', err_);
    std::fflush(err_);
}

void ConsoleForm::StatusNote(std::string_view text) {
    if (text.rfind("error:", 0) == 0) failed_ = true;
    Line(text);
}

void ConsoleForm::StatusProgress(const RunProgress& p) {
    if (!bar_) return;
    constexpr int kWidth = 30;
    const double done = p.steps > 0 ? std::clamp(static_cast<double>(p.step) / p.steps, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(done * kWidth);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(err_, "\r\033[K[%s] %3d%% %s", bar.c_str(), static_cast<int>(done * 100),
                 ProgressText(p).c_str());
    std::fflush(err_);
    barShown_ = true;
}

void ConsoleForm::StatusOutcome(Outcome outcome, std::string_view text, std::string_view figures) {
    if (outcome != Outcome::Busy) outcome_ = outcome;
    Line(OutcomeLine(outcome, text, figures));
}
