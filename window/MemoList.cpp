#include "window/MemoList.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <algorithm>

int MemoModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant MemoModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const std::string& s = lines_[static_cast<std::size_t>(index.row())];
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void MemoModel::Clear() {
    pending_.clear();
    longest_ = 0;
    beginResetModel();
    lines_.clear();
    lines_.shrink_to_fit();
    endResetModel();
}

bool MemoModel::Flush() {
    if (pending_.empty()) return false;
    const int first = static_cast<int>(lines_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(pending_.size()) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(pending_.begin()),
                  std::make_move_iterator(pending_.end()));
    pending_.clear();
    endInsertRows();
    return true;
}

MemoList::MemoList(QWidget* parent) : QListView(parent) {
    setObjectName("Memo1");
    setModel(&model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
}

void MemoList::Clear() {
    model_.Clear();
    lineWidth_ = 0;
    setGridSize(QSize());
    sinceFlush_.invalidate();
    holdMs_ = 0;
}

void MemoList::Append(std::string_view line) {
    model_.Append(line);
}

void MemoList::SetText(std::string_view text) {
    model_.Clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        model_.Append(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

void MemoList::Flush() {
    if (model_.Flush()) AfterFlush();
}

void MemoList::AfterFlush() {
    // Rows share one size; widen it when a longer line came, so that the
    // horizontal scroll bar reaches the end of every line.
    const int width = QFontMetrics(font()).averageCharWidth() * static_cast<int>(model_.Longest() + 2);
    if (width > lineWidth_) {
        lineWidth_ = width;
        setGridSize(QSize(lineWidth_, QFontMetrics(font()).height() + 2));
    }
    scrollToBottom();
}

QStringList MemoList::Lines() {
    Flush();
    QStringList out;
    for (int i = 0; i < model_.LineCount(); ++i) out << QString::fromStdString(model_.Line(i));
    return out;
}

QString MemoList::SelectedText() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lines;
    for (const QModelIndex& i : rows) lines << QString::fromStdString(model_.Line(i.row()));
    return lines.join('\n');
}

void MemoList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(SelectedText());
        return;
    }
    QListView::keyPressEvent(event);
}

void MemoList::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    emit Clicked();
}
