// The "columns…" dialog: a file's columns, each with its header name, its
// first values and the role the reader gave it, which the user may change
// to feature, names, class or left out. What it gives is what --names,
// --class and --skip would say.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <vector>

#include "table/ColumnRoles.h"
#include "table/ReadOptions.h"

class ColumnsDialog : public QDialog {
    Q_OBJECT

public:
    ColumnsDialog(QWidget* parent, const QString& file, const ColumnPlan& plan);

    // The roles as set: the names and class columns by number ("0" for
    // none) and the columns left out that the reader itself would keep.
    ReadOptions Roles() const;

private:
    // One role per table: another column set to it goes back to what it can be.
    void Unique(int column, ColumnRole role);

    const ColumnPlan plan_;
    std::vector<QComboBox*> roles_;  // by column, from 1
};
