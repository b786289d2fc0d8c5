#pragma once

#include <QRadioButton>

#include "ui/controls/control.h"

namespace ui {

// A radio-style option. Options sharing a group name in one window form a radio group: the
// user's choice clears the others, each change notifies "selectchanged" (arg 1 selected,
// 0 cleared; the cleared ones first). Without a group it toggles like a check box.
class Option : public QRadioButton, public Control {
    Q_OBJECT
  public:
    explicit Option(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetSelected(bool selected, NotifyMode mode = NotifyMode::Silent);
    bool IsSelected() const { return isChecked(); }
    const QString& Group() const { return mGroup; }
    void SetGroup(const QString& group) { mGroup = group; }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void nextCheckState() override;
    void changeEvent(QEvent* event) override;

  private:
    QList<Option*> ClearPeers();
    QString mGroup;
};

}  // namespace ui
