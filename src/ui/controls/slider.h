#pragma once

#include <QSlider>

#include "ui/controls/control.h"

namespace ui {

// "movevaluechanged" while the handle is dragged, "valuechanged" when it is released (if the
// value moved) and for keyboard, wheel and page clicks; arg is the value.
class Slider : public QSlider, public Control {
    Q_OBJECT
  public:
    explicit Slider(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetRange(int min, int max) { setRange(min, max); }
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    // Clamped to the range. Notify sends "valuechanged" even when the value did not change.
    void SetValue(int value, NotifyMode mode = NotifyMode::Silent);
    int Value() const { return value(); }

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnValueChanged(int value);
    void OnPressed();
    void OnReleased();
    int mValueAtPress = 0;
};

}  // namespace ui
