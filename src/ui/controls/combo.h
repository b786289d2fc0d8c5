#pragma once

#include <QComboBox>

#include "ui/controls/control.h"

namespace ui {

// Items carry a raw text and a user data text. "itemselect" (arg = index) when the user picks
// an item other than the current one.
class Combo : public QComboBox, public Control {
    Q_OBJECT
  public:
    explicit Combo(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void Retranslate() override;

    int AddItem(const QString& rawText, const QString& userData = QString());
    void RemoveAllItems() { clear(); }
    int ItemCount() const { return count(); }
    QString ItemText(int index) const { return itemText(index); }
    QString ItemRawText(int index) const;
    QString ItemUserData(int index) const;
    // The first item with that user data, or -1.
    int FindItem(const QString& userData) const;
    // A disabled item shows but cannot be chosen.
    void SetItemEnabled(int index, bool enabled);
    // A hidden item is left out of the list and cannot be reached by keys or the wheel.
    void SetItemVisible(int index, bool visible);
    bool IsItemVisible(int index) const;
    int CurSel() const { return currentIndex(); }
    // False for an index outside the items (-1 clears the selection).
    bool SelectItem(int index, NotifyMode mode = NotifyMode::Silent);

  protected:
    void showPopup() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnActivated(int index);
    int mIndexBeforeUser = -1;
};

}  // namespace ui
