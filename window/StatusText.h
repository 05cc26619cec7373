// The status line: everything the tool has to say that is not a line of
// Memo1, most important first (how a run ended or why it was refused, then
// warnings, then the run's figures, then what was read and the hints). A
// click on it, or N, opens all of it as a list under it, a line each, to
// select and copy; the same closes it.
#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "form/Status.h"

class StatusText : public QLineEdit {
    Q_OBJECT

public:
    explicit StatusText(QWidget* parent);

    // A run starts: what the last one said goes.
    void Clear();
    void Note(std::string text);
    void Progress(std::string text);
    void Ended(Outcome outcome, std::string_view text, std::string_view figures);
    void Busy(std::string text);  // shown for a few seconds
    void Done(std::string text);  // what the user's last save or copy did
    void Outside(int marks);
    // Whether the keys are worth a hint now (no run, a map to act on).
    void SetHintWanted(std::function<bool()> wanted) { hintWanted_ = std::move(wanted); }

    // Everything said, most important first.
    std::vector<std::string> Parts() const;
    void Refresh();

    // The list of all of it, under the line; open or closed.
    void ToggleNotes();
    QPlainTextEdit* Notes() const { return list_; }

signals:
    // A line of the list was double-clicked.
    void LineChosen(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PlaceNotes();

    std::string now_;  // progress or outcome
    std::string figures_;
    std::vector<std::string> notes_;  // what was read, warnings, hints
    std::string busy_;
    QElapsedTimer busySince_;
    std::string done_;
    int outside_ = 0;
    std::function<bool()> hintWanted_;
    QPlainTextEdit* list_;
    QPoint pressedAt_;
};
