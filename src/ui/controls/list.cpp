#include "ui/controls/list.h"

#include <QEvent>
#include <QHeaderView>

#include "ui/controls/control_support.h"
#include "ui/scaling.h"

#include "ui/resources.h"

namespace ui {

using namespace control_support;

namespace {

constexpr int kMaxListColumns = 64;

}  // namespace

List::List(QWidget* parent) : QTreeWidget(parent), Control(this) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { OnCurrentChanged(); });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        SendNotify(notify::kItemClick, indexOfTopLevelItem(item));
    });
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        SendNotify(notify::kItemActivate, indexOfTopLevelItem(item));
    });
}

QStringList List::KnownAttributes() const {
    return {QStringLiteral("columns"), QStringLiteral("widths"), QStringLiteral("header")};
}

bool List::Configure(const LayoutNode& node, QString* error) {
    auto fail = [error](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    QStringList columns;
    if (node.Has(QStringLiteral("columns"))) {
        columns = node.Attr(QStringLiteral("columns")).split(QLatin1Char('|'));
    }
    if (columns.size() > kMaxListColumns) {
        return fail(node.Where() + QStringLiteral("more than %1 columns").arg(kMaxListColumns));
    }
    QList<int> widths;
    if (node.Has(QStringLiteral("widths"))) {
        for (const QString& part : node.Attr(QStringLiteral("widths")).split(QLatin1Char(','))) {
            bool ok = false;
            const int w = part.trimmed().toInt(&ok);
            if (!ok || w < 0 || w > kMaxCoordinate) {
                return fail(node.Where() + QStringLiteral("widths=\"%1\": expected integers")
                                               .arg(node.Attr(QStringLiteral("widths"))));
            }
            widths.append(w);
        }
    }
    bool header = !columns.isEmpty();
    if (!node.ReadBool(QStringLiteral("header"), &header, error)) {
        return false;
    }
    SetColumns(columns.isEmpty() ? QStringList{QString()} : columns, widths);
    setHeaderHidden(!header);
    for (const LayoutNode& row : node.children) {
        if (!row.TagIs("Row")) {
            return fail(row.Where() +
                        QStringLiteral("<List> holds only <Row>, not <%1>").arg(row.tag));
        }
        QStringList cells;
        if (row.Has(QStringLiteral("text"))) {
            cells.append(row.Attr(QStringLiteral("text")));
        }
        for (const LayoutNode& cell : row.children) {
            if (!cell.TagIs("Cell")) {
                return fail(cell.Where() +
                            QStringLiteral("<Row> holds only <Cell>, not <%1>").arg(cell.tag));
            }
            cells.append(cell.Attr(QStringLiteral("text")));
        }
        AddRow(cells, row.Attr(QStringLiteral("userdata")));
    }
    return true;
}

void List::SetColumns(const QStringList& rawTitles, const QList<int>& widths) {
    mRawColumns = rawTitles;
    mColumnWidths = widths;
    setColumnCount(std::max<int>(1, static_cast<int>(rawTitles.size())));
    QStringList shown;
    for (const QString& raw : rawTitles) {
        shown.append(ResolveText(raw));
    }
    setHeaderLabels(shown);
    OnScale(UiScaleDpi());
}

void List::OnScale(int dpi) {
    for (int i = 0; i < mColumnWidths.size() && i < columnCount(); ++i) {
        setColumnWidth(i, ScaleValue(mColumnWidths[i], dpi));
    }
}

int List::AddRow(const QStringList& rawCells, const QString& userData) {
    auto* item = new QTreeWidgetItem();
    for (int c = 0; c < rawCells.size(); ++c) {
        item->setText(c, ResolveText(rawCells[c]));
        item->setData(c, kRawTextRole, rawCells[c]);
    }
    item->setData(0, kUserDataRole, userData);
    addTopLevelItem(item);
    return indexOfTopLevelItem(item);
}

void List::RemoveAllRows() {
    clear();
    mLastRow = -1;
}

bool List::SetCellText(int row, int column, const QString& raw) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= std::max(columnCount(), 1)) {
        return false;
    }
    item->setText(column, ResolveText(raw));
    item->setData(column, kRawTextRole, raw);
    return true;
}

QString List::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

QString List::RowUserData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kUserDataRole).toString() : QString();
}

bool List::SetRowBackground(int row, const QColor& color) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) {
        return false;
    }
    // The text stays readable on a light row: dark on light, the theme's own otherwise.
    const bool light = color.isValid() && color.lightnessF() > 0.5;
    for (int c = 0; c < columnCount(); ++c) {
        item->setBackground(c, color.isValid() ? QBrush(color) : QBrush());
        item->setForeground(c, light ? QBrush(QColor(0x16, 0x19, 0x1d)) : QBrush());
    }
    return true;
}

bool List::SetRowEnabled(int row, bool enabled) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) {
        return false;
    }
    item->setFlags(enabled ? item->flags() | Qt::ItemIsEnabled | Qt::ItemIsSelectable
                           : item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    if (!enabled && item->isSelected()) {
        clearSelection();
    }
    return true;
}

int List::CurSel() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->isSelected() ? indexOfTopLevelItem(item) : -1;
}

bool List::SelectRow(int row, NotifyMode mode) {
    if (row < -1 || row >= RowCount()) {
        return false;
    }
    if (row < 0) {
        setCurrentItem(nullptr);
        clearSelection();
    } else {
        setCurrentItem(topLevelItem(row));
    }
    mLastRow = row;
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kItemSelect, row);
    }
    return true;
}

void List::OnCurrentChanged() {
    const int row = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
    if (row == mLastRow) {
        return;
    }
    mLastRow = row;
    if (FromUser()) {
        SendNotify(notify::kItemSelect, row);
    }
}

bool List::event(QEvent* e) {
    if (IsUserInputEvent(e)) {
        UserInput scope(this);
        return QTreeWidget::event(e);
    }
    return QTreeWidget::event(e);
}

bool List::viewportEvent(QEvent* e) {
    if (IsUserInputEvent(e)) {
        UserInput scope(this);
        return QTreeWidget::viewportEvent(e);
    }
    return QTreeWidget::viewportEvent(e);
}

void List::Retranslate() {
    Control::Retranslate();
    QStringList shown;
    for (const QString& raw : mRawColumns) {
        shown.append(ResolveText(raw));
    }
    setHeaderLabels(shown);
    for (int r = 0; r < topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = topLevelItem(r);
        for (int c = 0; c < columnCount(); ++c) {
            const QVariant raw = item->data(c, kRawTextRole);
            if (raw.isValid()) {
                item->setText(c, ResolveText(raw.toString()));
            }
        }
    }
}

void List::changeEvent(QEvent* event) {
    HandleChange(event);
    QTreeWidget::changeEvent(event);
}

}  // namespace ui
