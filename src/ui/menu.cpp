#include "ui/menu.h"

#include <QAction>
#include <QEvent>
#include <QIcon>

#include "ui/language.h"
#include "ui/resources.h"
#include "ui/window.h"

namespace ui {

namespace {

constexpr char kRawTextProperty[] = "uiText";
constexpr char kUserDataProperty[] = "uiUserData";
constexpr char kIndexProperty[] = "uiIndex";

bool Fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

}  // namespace

Menu::Menu(Window* owner, QWidget* parent) : QMenu(parent), mOwner(owner) {}

Menu* Menu::Create(Window* owner, const QString& layout, QString* error) {
    QString problem;
    std::optional<LayoutNode> root = LoadLayout(layout, &problem);
    if (!root) {
        Fail(error, problem);
        return nullptr;
    }
    return Create(owner, *root, error);
}

Menu* Menu::Create(Window* owner, const LayoutNode& root, QString* error) {
    if (!root.TagIs("Menu")) {
        Fail(error,
             root.Where() +
                 QStringLiteral("a menu layout's root must be <Menu>, not <%1>").arg(root.tag));
        return nullptr;
    }
    auto* menu = new Menu(owner, owner);
    menu->setObjectName(root.Attr(QStringLiteral("name")));
    int index = 0;
    if (!menu->Fill(root, &index, error)) {
        delete menu;
        return nullptr;
    }
    return menu;
}

bool Menu::Fill(const LayoutNode& node, int* index, QString* error) {
    for (const LayoutNode& child : node.children) {
        if (child.TagIs("Separator")) {
            addSeparator();
            continue;
        }
        const bool isItem = child.TagIs("Item");
        if (!isItem && !child.TagIs("Menu")) {
            return Fail(error,
                        child.Where() + QStringLiteral("a menu holds <Item>, <Separator> and "
                                                       "<Menu>, not <%1>")
                                            .arg(child.tag));
        }
        bool enabled = true;
        bool visible = true;
        bool checkable = false;
        bool checked = false;
        if (!child.ReadBool(QStringLiteral("enabled"), &enabled, error) ||
            !child.ReadBool(QStringLiteral("visible"), &visible, error) ||
            !child.ReadBool(QStringLiteral("checkable"), &checkable, error) ||
            !child.ReadBool(QStringLiteral("checked"), &checked, error)) {
            return false;
        }
        const QString raw = child.Attr(QStringLiteral("text"));
        QAction* action = nullptr;
        if (isItem) {
            if (!child.children.empty()) {
                return Fail(
                    error,
                    child.children.front().Where() +
                        QStringLiteral("<Item> cannot hold <%1>").arg(child.children.front().tag));
            }
            action = addAction(EscapeMnemonic(ResolveText(raw)));
            action->setCheckable(checkable || checked);
            action->setChecked(checked);
            action->setProperty(kIndexProperty, (*index)++);
            QAction* self = action;
            connect(action, &QAction::triggered, this, [this, self] {
                if (!mOwner) {
                    return;
                }
                Notification n;
                n.type = QLatin1String(notify::kItemClick);
                n.sender = self->objectName();
                n.control = Root();
                n.arg = self->property(kIndexProperty).toInt();
                n.userData = self->property(kUserDataProperty).toString();
                n.item = self;
                mOwner->Dispatch(n);
            });
        } else {
            auto* sub = new Menu(mOwner, this);
            sub->setObjectName(child.Attr(QStringLiteral("name")));
            sub->setTitle(EscapeMnemonic(ResolveText(raw)));
            if (!sub->Fill(child, index, error)) {
                return false;
            }
            action = addMenu(sub);
        }
        action->setObjectName(child.Attr(QStringLiteral("name")));
        action->setProperty(kRawTextProperty, raw);
        action->setProperty(kUserDataProperty, child.Attr(QStringLiteral("userdata")));
        action->setEnabled(enabled);
        action->setVisible(visible);
        if (child.Has(QStringLiteral("image"))) {
            const QPixmap pixmap =
                Resources::Instance().Pixmap(child.Attr(QStringLiteral("image")));
            if (!pixmap.isNull()) {
                action->setIcon(QIcon(pixmap));
            }
        }
    }
    return true;
}

Menu* Menu::Root() {
    Menu* root = this;
    while (auto* parent = qobject_cast<Menu*>(root->parentWidget())) {
        root = parent;
    }
    return root;
}

QList<QAction*> Menu::AllItems() const {
    QList<QAction*> items;
    for (QAction* action : actions()) {
        if (action->isSeparator()) {
            continue;
        }
        items.append(action);
        if (auto* sub = qobject_cast<Menu*>(action->menu())) {
            items.append(sub->AllItems());
        }
    }
    return items;
}

QAction* Menu::FindItem(const QString& name) const {
    if (name.isEmpty()) {
        return nullptr;
    }
    for (QAction* action : AllItems()) {
        if (action->objectName() == name) {
            return action;
        }
    }
    return nullptr;
}

QStringList Menu::ItemNames() const {
    QStringList names;
    for (QAction* action : AllItems()) {
        names.append(action->objectName());
    }
    return names;
}

bool Menu::SetItemEnabled(const QString& name, bool enabled) {
    QAction* action = FindItem(name);
    if (action) {
        action->setEnabled(enabled);
    }
    return action != nullptr;
}

bool Menu::SetItemVisible(const QString& name, bool visible) {
    QAction* action = FindItem(name);
    if (action) {
        action->setVisible(visible);
    }
    return action != nullptr;
}

bool Menu::SetItemChecked(const QString& name, bool checked) {
    QAction* action = FindItem(name);
    if (action) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
    return action != nullptr;
}

bool Menu::SetItemText(const QString& name, const QString& raw) {
    QAction* action = FindItem(name);
    if (action) {
        action->setProperty(kRawTextProperty, raw);
        action->setText(EscapeMnemonic(ResolveText(raw)));
    }
    return action != nullptr;
}

bool Menu::SetItemToolTip(const QString& name, const QString& raw) {
    QAction* action = FindItem(name);
    if (action) {
        action->setToolTip(ResolveText(raw));
        if (auto* menu = qobject_cast<QMenu*>(action->parent())) {
            menu->setToolTipsVisible(true);
        }
    }
    return action != nullptr;
}

QString Menu::ItemUserData(const QString& name) const {
    QAction* action = FindItem(name);
    return action ? action->property(kUserDataProperty).toString() : QString();
}

void Menu::PopupAt(const QPoint& globalPos) {
    popup(globalPos);
}

void Menu::PopupBelow(QWidget* control) {
    if (!control) {
        return;
    }
    popup(control->mapToGlobal(QPoint(0, control->height())));
}

void Menu::Retranslate() {
    for (QAction* action : actions()) {
        const QVariant raw = action->property(kRawTextProperty);
        if (raw.isValid()) {
            action->setText(EscapeMnemonic(ResolveText(raw.toString())));
        }
    }
}

void Menu::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
    }
    QMenu::changeEvent(event);
}

}  // namespace ui
