#pragma once

#include <QLabel>

#include "ui/controls/control.h"

namespace ui {

class Label : public QLabel, public Control {
    Q_OBJECT
  public:
    explicit Label(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

  protected:
    void ShowText(const QString& resolved) override { setText(resolved); }
    QString DisplayedText() const override { return text(); }
    void changeEvent(QEvent* event) override;
};

}  // namespace ui
