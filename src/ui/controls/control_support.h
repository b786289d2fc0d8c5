#pragma once
// What several controls share: item data roles, re-polishing after a state change and
// radio-style group peers. Private to the toolkit.

#include <QList>
#include <QString>
#include <QStyle>
#include <QWidget>

#include "ui/controls/control.h"
#include "ui/layout.h"
#include "ui/window.h"

namespace ui::control_support {

constexpr int kRawTextRole = Qt::UserRole + 1;
constexpr int kUserDataRole = Qt::UserRole + 2;

inline void Repolish(QWidget* widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

inline bool ReadSelected(const LayoutNode& node, bool* selected, QString* error) {
    return node.ReadBool(QStringLiteral("selected"), selected, error);
}

template <class T>
QList<T*> GroupPeers(QWidget* self, const QString& group) {
    QList<T*> peers;
    QWidget* scope = nullptr;
    if (Control* control = AsControl(self)) {
        scope = control->OwnerWindow();
    }
    if (!scope) {
        scope = self->window();
    }
    for (T* candidate : scope->findChildren<T*>()) {
        if (candidate != self && candidate->Group() == group) {
            peers.append(candidate);
        }
    }
    return peers;
}

}  // namespace ui::control_support
