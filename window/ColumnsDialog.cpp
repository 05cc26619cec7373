#include "window/ColumnsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

namespace {

const char* RoleName(ColumnRole role) {
    switch (role) {
        case ColumnRole::Feature:
            return "feature";
        case ColumnRole::Names:
            return "names";
        case ColumnRole::Class:
            return "class";
        default:
            return "left out";
    }
}

// Whether the reader left the column out of its own accord, not because it
// was asked to.
bool LeftOutByReader(const ColumnPlan& plan, int column) {
    return std::any_of(plan.leftOut.begin(), plan.leftOut.end(),
                       [&](const ColumnPlan::LeftOut& o) { return o.column == column && !o.asked; });
}

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

}  // namespace

ColumnsDialog::ColumnsDialog(QWidget* parent, const QString& file, const ColumnPlan& plan)
    : QDialog(parent), plan_(plan), roles_(static_cast<std::size_t>(plan.columns) + 1, nullptr) {
    setObjectName("ColumnsDialog");
    setWindowTitle(QStringLiteral("Columns of %1").arg(file));
    auto* layout = new QVBoxLayout(this);
    auto* said = new QLabel(
        QStringLiteral("The role of each column in the runs on this file, until you change it or the "
                       "file's columns change. Text is no feature."),
        this);
    said->setWordWrap(true);
    layout->addWidget(said);

    auto* table = new QTableWidget(plan.columns, 4, this);
    table->setObjectName("ColumnsTable");
    table->setHorizontalHeaderLabels({"column", "header", "first values", "role"});
    table->verticalHeader()->hide();
    for (int c = 1; c <= plan.columns; ++c) {
        const auto at = static_cast<std::size_t>(c);
        table->setItem(c - 1, 0, Cell(std::to_string(c)));
        table->setItem(c - 1, 1, Cell(plan.header[at]));
        table->setItem(c - 1, 2, Cell(at < plan.firstValues.size() ? plan.firstValues[at] : std::string()));
        auto* role = new QComboBox(table);
        role->setObjectName(QStringLiteral("Role%1").arg(c));
        for (const ColumnRole r : {ColumnRole::Feature, ColumnRole::Names, ColumnRole::Class, ColumnRole::LeftOut})
            if (r != ColumnRole::Feature || !(at < plan.text.size() && plan.text[at]))
                role->addItem(QString::fromUtf8(RoleName(r)), static_cast<int>(r));
        role->setCurrentIndex(role->findData(static_cast<int>(plan.role[at])));
        connect(role, &QComboBox::activated, this,
                [this, c, role] { Unique(c, static_cast<ColumnRole>(role->currentData().toInt())); });
        table->setCellWidget(c - 1, 3, role);
        roles_[at] = role;
    }
    // The keyboard goes from role to role: Tab to the next column's, a
    // letter picks a role (f, n, c, l), Return accepts.
    table->setTabKeyNavigation(false);
    for (int c = 1; c < plan.columns; ++c)
        setTabOrder(roles_[static_cast<std::size_t>(c)], roles_[static_cast<std::size_t>(c) + 1]);
    if (plan.columns > 0) roles_[1]->setFocus();
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setMinimumWidth(std::min(900, table->horizontalHeader()->length() + 40));
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void ColumnsDialog::Unique(int column, ColumnRole role) {
    if (role != ColumnRole::Names && role != ColumnRole::Class) return;
    for (int c = 1; c <= plan_.columns; ++c) {
        QComboBox* other = roles_[static_cast<std::size_t>(c)];
        if (c == column || other->currentData().toInt() != static_cast<int>(role)) continue;
        const int feature = other->findData(static_cast<int>(ColumnRole::Feature));
        other->setCurrentIndex(feature >= 0 ? feature : other->findData(static_cast<int>(ColumnRole::LeftOut)));
    }
}

ReadOptions ColumnsDialog::Roles() const {
    ReadOptions roles;
    int names = 0, classes = 0;
    for (int c = 1; c <= plan_.columns; ++c) {
        const auto role = static_cast<ColumnRole>(roles_[static_cast<std::size_t>(c)]->currentData().toInt());
        if (role == ColumnRole::Names) names = c;
        if (role == ColumnRole::Class) classes = c;
        if (role == ColumnRole::LeftOut && !LeftOutByReader(plan_, c)) roles.skip.push_back(std::to_string(c));
    }
    roles.names = std::to_string(names);  // 0: none
    roles.classes = std::to_string(classes);
    return roles;
}
