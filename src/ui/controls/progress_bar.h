#pragma once

#include <QColor>
#include <QProgressBar>

#include "ui/controls/control.h"

namespace ui {

class ProgressBar : public QProgressBar, public Control {
    Q_OBJECT
  public:
    explicit ProgressBar(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetRange(int min, int max) { setRange(min, max); }
    void SetValue(int value) { setValue(value); }
    int Value() const { return value(); }
    // Colours from the layout for controls that paint themselves.
    const QColor& BackgroundColor() const { return mBackground; }
    const QColor& ForegroundColor() const { return mForeground; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    QColor mBackground, mForeground;
};

}  // namespace ui
