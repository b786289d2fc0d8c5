#include "ui/controls/option.h"

#include <QEvent>

#include "ui/controls/control_support.h"

namespace ui {

using namespace control_support;

Option::Option(QWidget* parent) : QRadioButton(parent), Control(this) {
    setAutoExclusive(false);
    setFocusPolicy(Qt::TabFocus);
}

QStringList Option::KnownAttributes() const {
    return {QStringLiteral("group"), QStringLiteral("selected")};
}

bool Option::Configure(const LayoutNode& node, QString* error) {
    bool selected = false;
    if (!ReadSelected(node, &selected, error)) {
        return false;
    }
    mGroup = node.Attr(QStringLiteral("group"));
    SetSelected(selected);
    return true;
}

QList<Option*> Option::ClearPeers() {
    QList<Option*> cleared;
    if (mGroup.isEmpty()) {
        return cleared;
    }
    for (Option* peer : GroupPeers<Option>(this, mGroup)) {
        if (peer->isChecked()) {
            peer->setChecked(false);
            cleared.append(peer);
        }
    }
    return cleared;
}

void Option::SetSelected(bool selected, NotifyMode mode) {
    QList<Option*> cleared;
    if (selected) {
        cleared = ClearPeers();
    }
    setChecked(selected);
    if (mode == NotifyMode::Notify) {
        for (const QPointer<Option> peer : cleared) {
            if (peer) {
                peer->SendNotify(notify::kSelectChanged, 0);
            }
        }
        SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
    }
}

void Option::nextCheckState() {
    if (!mGroup.isEmpty() && isChecked()) {
        return;  // the chosen option of a group stays chosen
    }
    QPointer<Option> self(this);
    const QList<Option*> cleared = isChecked() ? QList<Option*>() : ClearPeers();
    setChecked(!isChecked());
    for (const QPointer<Option> peer : cleared) {
        if (peer) {
            peer->SendNotify(notify::kSelectChanged, 0);
        }
    }
    if (self) {
        SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
    }
}

void Option::changeEvent(QEvent* event) {
    HandleChange(event);
    QRadioButton::changeEvent(event);
}

}  // namespace ui
