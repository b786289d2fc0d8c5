#pragma once

#include <QCheckBox>

#include "ui/controls/control.h"

namespace ui {

// "selectchanged" with arg 1 checked, 0 cleared.
class CheckBox : public QCheckBox, public Control {
    Q_OBJECT
  public:
    explicit CheckBox(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetSelected(bool selected, NotifyMode mode = NotifyMode::Silent);
    bool IsSelected() const { return isChecked(); }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void nextCheckState() override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
