// The message list: one line per message, selectable with mouse and keyboard
// and copied with Ctrl+C. Lines appended between two event pumps are added
// to the view in one go, so millions of lines stay cheap.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

class MemoModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void Clear();
    void Append(std::string_view line) {
        pending_.emplace_back(line);
        longest_ = std::max(longest_, line.size());
    }
    // Characters of the longest line so far.
    std::size_t Longest() const { return longest_; }
    bool Flush();  // true when lines were added
    const std::string& Line(int row) const { return lines_[static_cast<std::size_t>(row)]; }
    int LineCount() const { return static_cast<int>(lines_.size() + pending_.size()); }

private:
    std::vector<std::string> lines_;
    std::vector<std::string> pending_;
    std::size_t longest_ = 0;
};

class MemoList : public QListView {
    Q_OBJECT

public:
    explicit MemoList(QWidget* parent);

    void Clear();
    void Append(std::string_view line);
    void SetText(std::string_view text);
    // Shows the lines appended since the last time.
    void Flush();
    // The same during a run, at most ten times a second and so often that
    // laying out the view (which visits every row) takes a fortieth of the
    // time, and at least once a second; pump processes the window's events,
    // in which the layout happens.
    template <typename Pump>
    void FlushDuringRun(Pump pump) {
        if (sinceFlush_.isValid() && sinceFlush_.elapsed() < holdMs_) return pump();
        QElapsedTimer cost;
        cost.start();
        const bool added = model_.Flush();
        if (added) AfterFlush();
        pump();
        if (!added) return;
        // A slow pump (a resize) never stalls it long.
        holdMs_ = std::clamp<qint64>(40 * cost.elapsed(), 100, 1000);
        sinceFlush_.start();
    }

    // Every line, the ones not yet shown included.
    QStringList Lines();
    // The selected lines in order, one per line.
    QString SelectedText() const;

signals:
    void Clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void AfterFlush();

    MemoModel model_;
    QElapsedTimer sinceFlush_;
    qint64 holdMs_ = 0;
    int lineWidth_ = 0;  // pixels of the widest line: every row is that wide, for the scroll bar
};
