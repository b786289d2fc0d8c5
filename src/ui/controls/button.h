#pragma once

#include <QPushButton>

#include "ui/controls/control.h"

namespace ui {

// "click" when pressed and released (also when click() is called from code: that is a click).
class Button : public QPushButton, public Control {
    Q_OBJECT
  public:
    explicit Button(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void OnScale(int dpi) override;
    void SetImage(const QString& path);
    const QString& ImagePath() const { return mImage; }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void changeEvent(QEvent* event) override;
    virtual void HandleClick();

  private:
    QString mImage;
    int mDpi = 96;
};

}  // namespace ui
