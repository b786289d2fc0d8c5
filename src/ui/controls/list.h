#pragma once

#include <QColor>
#include <QTreeWidget>

#include "ui/controls/control.h"

namespace ui {

// Rows of cells. "itemselect" when the user selects another row, "itemclick" on a click and
// "itemactivate" on a double click or Enter; arg is the row.
class List : public QTreeWidget, public Control {
    Q_OBJECT
  public:
    explicit List(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void Retranslate() override;
    void OnScale(int dpi) override;

    void SetColumns(const QStringList& rawTitles, const QList<int>& widths = {});
    int AddRow(const QStringList& rawCells, const QString& userData = QString());
    void RemoveAllRows();
    int RowCount() const { return topLevelItemCount(); }
    bool SetCellText(int row, int column, const QString& raw);
    QString CellText(int row, int column) const;
    QString RowUserData(int row) const;
    // An invalid colour gives the row back its normal background.
    bool SetRowBackground(int row, const QColor& color);
    // A disabled row is shown greyed and cannot be selected or activated.
    bool SetRowEnabled(int row, bool enabled);
    int CurSel() const;
    bool SelectRow(int row, NotifyMode mode = NotifyMode::Silent);

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnCurrentChanged();
    QStringList mRawColumns;
    QList<int> mColumnWidths;
    int mLastRow = -1;
};

}  // namespace ui
