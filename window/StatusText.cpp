#include "window/StatusText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTextBlock>
#include <algorithm>

namespace {

constexpr qint64 kBusyShownMs = 3000;
constexpr int kNotesShownLines = 12;  // the list scrolls beyond

const char* const kKeys =
    "Ctrl+S saves the map picture, Ctrl+E its coordinates, Ctrl+Shift+E the items (SOC), Ctrl+Shift+C copies "
    "the picture, Ctrl+M/Ctrl+O save/open a map, Ctrl+P places rows on it, F fits, C class colours, L legend, N notes";

bool IsWarning(const std::string& s) {
    return s.rfind("warning:", 0) == 0 || s.rfind("error:", 0) == 0;
}

}  // namespace

StatusText::StatusText(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setFocusPolicy(Qt::ClickFocus);  // selectable, but not a stop of the tab order
    list_ = new QPlainTextEdit(this);
    list_->setObjectName("StatusNotes");
    list_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    list_->setReadOnly(true);
    list_->setAttribute(Qt::WA_ShowWithoutActivating);  // the line keeps the keyboard
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->viewport()->installEventFilter(this);
    list_->hide();
}

bool StatusText::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        emit LineChosen(list_->cursorForPosition(at).block().text());
        return true;
    }
    return QLineEdit::eventFilter(watched, event);
}

void StatusText::Clear() {
    now_.clear();
    figures_.clear();
    notes_.clear();
    done_.clear();
    Refresh();
}

void StatusText::Note(std::string text) {
    notes_.push_back(std::move(text));
    Refresh();
}

void StatusText::Progress(std::string text) {
    now_ = std::move(text);
    Refresh();
}

// A cancelled choice changes nothing: the figures of the map on show stay.
void StatusText::Ended(Outcome outcome, std::string_view text, std::string_view figures) {
    now_ = OutcomeText(outcome, text);
    if (outcome != Outcome::Cancelled) figures_ = figures;
    Refresh();
}

void StatusText::Busy(std::string text) {
    busy_ = std::move(text);
    busySince_.start();
    Refresh();
}

void StatusText::Done(std::string text) {
    done_ = std::move(text);
    Refresh();
}

void StatusText::Outside(int marks) {
    if (marks == outside_) return;
    outside_ = marks;
    Refresh();
}

std::vector<std::string> StatusText::Parts() const {
    std::vector<std::string> parts;
    if (!busy_.empty() && busySince_.isValid() && busySince_.elapsed() < kBusyShownMs) parts.push_back(busy_);
    // What a save did follows the run's outcome: first when it failed, last
    // otherwise.
    if (!now_.empty()) parts.push_back(now_);
    if (IsWarning(done_)) parts.push_back(done_);
    std::copy_if(notes_.begin(), notes_.end(), std::back_inserter(parts), IsWarning);
    if (!figures_.empty()) parts.push_back(figures_);
    if (outside_ > 0) parts.push_back(OutsideText(outside_));
    std::copy_if(notes_.begin(), notes_.end(), std::back_inserter(parts),
                 [](const std::string& s) { return !IsWarning(s); });
    if (!done_.empty() && !IsWarning(done_)) parts.push_back(done_);
    if (parts.empty() || (hintWanted_ && hintWanted_())) parts.push_back(kKeys);
    return parts;
}

// One line, the parts apart by a middle dot; the tooltip and the list hold
// them one per line.
void StatusText::Refresh() {
    std::string line, lines;
    for (const std::string& part : Parts()) {
        line += (line.empty() ? "" : "  \u00b7  ") + part;
        lines += (lines.empty() ? "" : "\n") + part;
    }
    setText(QString::fromStdString(line));
    setCursorPosition(0);
    setToolTip(QString::fromStdString(lines));
    if (list_->isVisible() && list_->toPlainText() != QString::fromStdString(lines)) {
        list_->setPlainText(QString::fromStdString(lines));
        PlaceNotes();
    }
}

void StatusText::ToggleNotes() {
    if (list_->isVisible()) return list_->hide();
    list_->setPlainText(toolTip());
    PlaceNotes();
    list_->show();
    list_->raise();
}

// Under the line, or over it when the screen ends below.
void StatusText::PlaceNotes() {
    const int lines = std::clamp(static_cast<int>(list_->document()->blockCount()), 1, kNotesShownLines);
    const int height = lines * list_->fontMetrics().lineSpacing() + 2 * list_->frameWidth() +
                       2 * static_cast<int>(list_->document()->documentMargin()) + 4;
    QPoint at = mapToGlobal(QPoint(0, this->height()));
    if (const QScreen* s = screen(); s && at.y() + height > s->availableGeometry().bottom())
        at = mapToGlobal(QPoint(0, -height));
    list_->setGeometry(at.x(), at.y(), width(), height);
}

void StatusText::mousePressEvent(QMouseEvent* event) {
    pressedAt_ = event->position().toPoint();
    QLineEdit::mousePressEvent(event);
}

// A click opens or closes the list; a drag selects text, as in any line.
void StatusText::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton &&
        (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance())
        ToggleNotes();
}
