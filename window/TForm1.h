// The one window of the tool. It owns the controls, wires their events to
// the handlers of the computations and implements what those need from a
// window (Form).
#pragma once

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "form/Form.h"
#include "window/MemoList.h"
#include "window/PaintBox.h"
#include "window/StatusText.h"
#include "writers/SavedFile.h"

struct Workspace;

class TForm1 : public QWidget, public Form {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    // Form
    std::string EditText(EditId edit) override;
    void SetEditText(EditId edit, std::string_view text) override;
    void MemoClear() override;
    void MemoAppend(std::string_view line) override;
    void MemoSetText(std::string_view text) override;
    std::string ChooseFiles(const std::string& startFolder) override;
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

    // The controls, by their names.
    MemoList* Memo1;
    PaintBox *PaintBox1, *PaintBox2, *PaintBox3;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button9,
        *Button10, *Button11, *Fa;
    std::map<int, QLineEdit*> Edits;  // Edit1 .. Edit16 by number
    StatusText* StatusLine;           // read-only; what the tool says besides Memo1
    QComboBox* ScaleBox;              // the column scale of the next runs: none, z, range

protected:
    // The open-file and save-file dialogs; tests replace them.
    virtual QStringList ShowOpenDialog(const QString& folder);
    // The save dialog also gives the type chosen in it (one of filter's).
    virtual QString ShowSaveDialog(const QString& title, const QString& suggested, const QString& filter,
                                   QString& chosenFilter);
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; an error escaping it is shown in a message box and the
    // window goes on.
    void Handle(const std::function<void()>& handler);
    void Act(void (*action)(Form&));
    void BuildControls();
    void PlaceOnScreen();
    void ShowMarkTip(int x, int y);

    static constexpr int kClientWidth = 1117, kClientHeight = 745;  // the designed client area
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
                   Written (*write)(const Workspace&, const std::string&));
    void SaveItems();
    void CopyPicture();

    bool closePending_ = false;
    QString lastFolder_;  // of the last file chosen in this session
};
