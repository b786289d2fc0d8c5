#pragma once

#include <QColor>

#include "ui/controls/button.h"
#include "ui/controls/control.h"

namespace ui {

// A button with a selected state, drawn with its own text and background colour per state.
// A click notifies "click"; the window decides what is selected, unless autoselect is on.
class SButton : public Button {
    Q_OBJECT
  public:
    explicit SButton(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    // Selecting one button of a group (same group name in the same window) clears the others.
    void SetSelected(bool selected);
    bool IsSelected() const { return mSelected; }
    const QString& Group() const { return mGroup; }
    void SetColors(const QColor& text, const QColor& selectedText, const QColor& background,
                   const QColor& selectedBackground);

  protected:
    void HandleClick() override;

  private:
    void ApplyColors();

    bool mSelected = false;
    bool mAutoSelect = false;
    QString mGroup;
    QColor mTextColor, mSelectedTextColor, mBackground, mSelectedBackground;
};

}  // namespace ui
