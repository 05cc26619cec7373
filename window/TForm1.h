// The one window of the tool. It owns the controls, wires their events to
// the handlers of the computations and implements what those need from a
// window (Form).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "form/Form.h"
#include "table/ColumnRoles.h"
#include "window/MemoList.h"
#include "window/PaintBox.h"
#include "window/StatusText.h"
#include "writers/SavedFile.h"

#include "session/Session.h"

class TForm1 : public QWidget, public Form {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    // What a button does: a handler of the form and the window's session.
    using Action = void (*)(Form&, Session&);
    // The map on show and what the runs carry from one to the next.
    Session& session() { return session_; }

    // Form
    std::string EditText(EditId edit) override;
    void SetEditText(EditId edit, std::string_view text) override;
    void MemoClear() override;
    void MemoAppend(std::string_view line) override;
    void MemoSetText(std::string_view text) override;
    std::string ChooseFiles() override;
    void ProcessEvents() override;
    Canvas& MapCanvas() override { return *PaintBox1; }
    Canvas& PanelCanvas() override { return *PaintBox2; }
    void StatusClear() override;
    void StatusNote(std::string_view text) override;
    void StatusProgress(const RunProgress& progress) override;
    void StatusOutcome(Outcome outcome, std::string_view text, std::string_view figures = {}) override;
    void StatusOutside(int marks) override;
    RunChoices Choices() override;
    void StatusDone(std::string_view text) override { SayDone(std::string(text)); }
    bool FieldFollowsFile(EditId edit) override;
    bool FieldGiven(EditId edit) override { return typed_.count(edit) > 0; }
    std::string Suggest(const Suggestion& suggestion) override;
    std::string ColumnsControl() override;

    // The controls, by their names.
    MemoList* Memo1;
    PaintBox *PaintBox1, *PaintBox2, *PaintBox3;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button9,
        *Button10, *Button11, *Fa;
    std::map<int, QLineEdit*> Edits;  // Edit1 .. Edit16 by number
    StatusText* StatusLine;           // read-only; what the tool says besides Memo1
    QComboBox* ScaleBox;              // the column scale of the next runs: none, z, range
    QPushButton* ColumnsButton;       // "columns…": the roles of the chosen file's columns
    QComboBox* MapBox;                // the map MRP-MDS ends with: of the distances, or of the neighbours
    QCheckBox* AllRowsBox;            // "all rows": every row of the file instead of "Input size"
    QPushButton* MrpAutoButton;       // "auto": MRP-MDS with the MRP values fitted to the file
    QLineEdit* SeedEdit;              // "seed": the random generator's seed of the runs; empty, the clock's

protected:
    // The open-file, save-file and columns dialogs; tests replace them.
    virtual QStringList ShowOpenDialog(const QString& folder);
    // The roles the user gives the columns of file, or nothing when cancelled.
    virtual std::optional<ReadOptions> ShowColumnsDialog(const QString& file, const ColumnPlan& plan);
    // The save dialog also gives the type chosen in it (one of filter's).
    virtual QString ShowSaveDialog(const QString& title, const QString& suggested, const QString& filter,
                                   QString& chosenFilter);
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; an error escaping it is shown in a message box and the
    // window goes on.
    void Handle(const std::function<void()>& handler);
    void Act(Action action);
    void BuildControls();
    void BuildPanels();
    void BuildButtons();
    void BuildEdits();
    void BuildRunChoices();
    void BuildStatusLine();
    void BuildLabels();
    void SetTabOrder();
    void PlaceOnScreen();
    // The file chosen: its folder is where the next dialog starts.
    void TakeFile(const QString& name);
    void ShowMarkTip(int x, int y);

    static constexpr int kClientWidth = 1117, kClientHeight = 745;  // the form's client area at its own size
    QWidget* client_;

    // A remark on something the user just did; it leads the status line
    // until the next run starts.
    void SayDone(std::string text);

    // The keys that work wherever the focus is: Ctrl+S saves the map
    // picture, Ctrl+E its coordinates, Ctrl+Shift+E each item's prototype
    // (after SOC), Ctrl+Shift+C copies the picture.
    bool HandleKey(QWidget* target, const QKeyEvent& key);
    bool MapShown();
    // Writes the map's `what` to path, chosen in the save dialog as
    // `chosen`, unless that name may not take it; the status line says
    // what was done.
    void Save(const QString& chosen, const QString& path, const char* what,
              const std::function<Written(const std::string&)>& write);
    void SavePicture();
    // A tab-separated table of the map, written by `write`.
    void SaveTable(const char* title, const char* suggested, const char* what,
                   Written (*write)(const Session&, const std::string&));
    void SaveItems();
    // Ctrl+M saves the map on show to a map file, Ctrl+O shows a saved one,
    // Ctrl+P places the rows of a table on the map on show.
    void SaveMap();
    void OpenMap();
    void PlaceRows();
    // The one file chosen in the open dialog, empty when none; the dialog
    // starts in the folder of the last file.
    QString ChooseOneFile();
    void CopyPicture();

    // The last run pressed again on its file, without the dialog, after a
    // suggestion is applied (a double-click on its note, or its key).
    void ApplySuggestion(Suggestion::Field field);
    void ApplySuggestionOf(const QString& noteLine);
    // "columns…": the chosen file's columns in the dialog (a file is chosen
    // first when none is).
    void ChooseColumns();

    bool closePending_ = false;
    QString lastFolder_;  // of the last file chosen in this session
    QString lastFile_;    // the last file chosen, which "columns…" shows and a suggestion runs on
    bool rerun_ = false;  // the next file choice takes lastFile_ without the dialog
    bool fitMrp_ = false;  // the run "auto" presses fits the MRP values to its file
    Action lastRun_ = nullptr;
    Session session_;
    std::set<EditId> typed_;          // "Input size" and "Vect. dim" as typed for the runs on lastFile_
    std::set<EditId> typedSinceRun_;  // and as typed since the last run took its file
    struct Offer {
        Suggestion suggestion;
        std::string words;  // what ends its note
    };
    std::map<Suggestion::Field, Offer> offers_;  // of the run on show
    // The roles the user gave each file's columns, with the columns they
    // were given to: the roles go when the file's columns change.
    struct FileRoles {
        std::vector<std::string> header;
        int columns;
        ReadOptions roles;
    };
    std::map<QString, FileRoles> roles_;
    bool rolesChecked_ = false;  // the roles of lastFile_ were checked against its columns
};
