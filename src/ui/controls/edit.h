#pragma once

#include <QLineEdit>

#include "ui/controls/control.h"

namespace ui {

// A one-line edit. Up/Down notify "valuechangedup"/"valuechangeddown"; Left with the cursor at
// the start and Right at the end notify "valuechangedleft"/"valuechangedright"; Enter
// notifies "return"; focus notifies "setfocus"/"killfocus". SetText never notifies.
class Edit : public QLineEdit, public Control {
    Q_OBJECT
  public:
    explicit Edit(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void SetMaxChars(int count) { setMaxLength(count > 0 ? count : 32767); }
    // The field holds other text than the program last showed in it: something to commit.
    bool Edited() const { return text() != mShown; }

  protected:
    void ShowText(const QString& resolved) override;
    QString DisplayedText() const override { return text(); }
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnEdited(const QString& text);
    QString mShown;
};

}  // namespace ui
