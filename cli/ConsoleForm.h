// The window as the command line sees it: the edit fields hold the options'
// texts, Memo1's lines go to standard output, the status line's texts to
// standard error (the progress as a bar when that is a terminal), the file
// dialog answers with the command's FILE, and the panels are not drawn.
#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "form/Form.h"
#include "session/Session.h"
#include "view/MapDrawing.h"

class ConsoleForm : public Form {
public:
    // `session` is the one the command line's run works in: a signal stops
    // its run.
    ConsoleForm(std::map<EditId, std::string> edits, std::string file, RunChoices choices, Session& session,
                std::FILE* out, std::FILE* err);
    ~ConsoleForm() override;

    std::string EditText(EditId edit) override;
    void SetEditText(EditId edit, std::string_view text) override;
    void MemoClear() override {}
    void MemoAppend(std::string_view line) override;
    void MemoSetText(std::string_view text) override;
    std::string ChooseFiles() override;
    void ProcessEvents() override;
    Canvas& MapCanvas() override { return hidden_; }
    Canvas& PanelCanvas() override { return hidden_; }
    void StatusClear() override {}
    void StatusNote(std::string_view text) override;
    void StatusProgress(const RunProgress& progress) override;
    void StatusOutcome(Outcome outcome, std::string_view text, std::string_view figures = {}) override;
    void StatusOutside(int) override {}  // a picture's view is fitted after the run
    RunChoices Choices() override { return choices_; }
    bool FieldGiven(EditId edit) override { return given_.count(edit) > 0; }
    std::string ResultsControl() override { return "--results DIR"; }
    // The fields the command line named.
    void Given(std::set<EditId> fields) { given_ = std::move(fields); }

    // How the last run ended, if it did.
    std::optional<Outcome> LastOutcome() const { return outcome_; }

    // Ctrl+C (SIGINT), SIGTERM and SIGHUP during a run stop it as STOP
    // would; StopSignal() says which came, 0 for none. A closed standard
    // output does not end the run.
    static void StopOnSignals();
    static int StopSignal();
    // A result could not be written: the status line said "error:".
    bool Failed() const { return failed_; }

private:
    void Line(std::string_view text);  // a line on standard error, after the bar
    void EndBar();

    std::map<EditId, std::string> edits_;
    std::string file_;
    RunChoices choices_;
    Session& session_;
    std::set<EditId> given_;
    std::FILE* out_;
    std::FILE* err_;
    bool bar_;  // standard error is a terminal
    bool barShown_ = false;
    bool outClosed_ = false;
    bool failed_ = false;
    std::optional<Outcome> outcome_;
    BlankCanvas hidden_{kMapPanelWidth, kMapPanelHeight, /*shown=*/false};  // a run here is not shown
};
