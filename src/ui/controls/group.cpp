#include "ui/controls/group.h"

#include <QEvent>

namespace ui {

Group::Group(QWidget* parent) : QGroupBox(parent), Control(this) {}

QStringList Group::KnownAttributes() const {
    return {QStringLiteral("title"), QStringLiteral("frame")};
}

bool Group::Configure(const LayoutNode& node, QString* error) {
    bool frame = node.Has(QStringLiteral("title"));
    if (!node.ReadBool(QStringLiteral("frame"), &frame, error)) {
        return false;
    }
    if (node.Has(QStringLiteral("title"))) {
        SetText(node.Attr(QStringLiteral("title")));
    }
    setFlat(!frame);
    setProperty("frame", frame);
    return true;
}

void Group::changeEvent(QEvent* event) {
    HandleChange(event);
    QGroupBox::changeEvent(event);
}

}  // namespace ui
