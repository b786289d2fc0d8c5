#pragma once

#include <QGroupBox>

#include "ui/controls/control.h"

namespace ui {

// A container; its children are placed relative to it. A title draws a titled frame.
class Group : public QGroupBox, public Control {
    Q_OBJECT
  public:
    explicit Group(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

  protected:
    void ShowText(const QString& resolved) override { setTitle(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return title(); }
    void changeEvent(QEvent* event) override;
};

}  // namespace ui
