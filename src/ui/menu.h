#pragma once
// Popup menus built from menu layouts. A chosen item notifies the owner window with
// "itemclick"; the sender is the item's name, control the (top) menu, arg its position among all
// items of the menu (depth first, separators not counted) and userData its user data.
//
//   <Menu name="option_menu">
//     <Item name="option_item_about" text="${about}" userdata="" image="img/about.png"/>
//     <Separator/>
//     <Menu name="language_menu" text="${language}"> <Item .../> </Menu>
//   </Menu>

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "ui/layout.h"

namespace ui {

class Window;

class Menu : public QMenu {
    Q_OBJECT
  public:
    // nullptr with *error (file, line, problem) when the layout is not a valid menu.
    static Menu* Create(Window* owner, const QString& layout, QString* error = nullptr);
    // The same from a parsed layout whose root is <Menu>.
    static Menu* Create(Window* owner, const LayoutNode& root, QString* error = nullptr);

    Window* Owner() const { return mOwner; }

    // Items and submenus by name, in this menu and its submenus.
    QAction* FindItem(const QString& name) const;
    QStringList ItemNames() const;
    bool SetItemEnabled(const QString& name, bool enabled);
    bool SetItemVisible(const QString& name, bool visible);
    bool SetItemChecked(const QString& name, bool checked);
    bool SetItemText(const QString& name, const QString& raw);
    // Shown when the pointer rests on the item, enabled or not; empty removes it.
    bool SetItemToolTip(const QString& name, const QString& raw);
    QString ItemUserData(const QString& name) const;

    void PopupAt(const QPoint& globalPos);
    // Below the control's left edge, where a drop-down would open.
    void PopupBelow(QWidget* control);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    Menu(Window* owner, QWidget* parent);
    bool Fill(const LayoutNode& node, int* index, QString* error);
    void Retranslate();
    QList<QAction*> AllItems() const;
    // The menu the window holds, for items of submenus.
    Menu* Root();

    QPointer<Window> mOwner;
};

}  // namespace ui
