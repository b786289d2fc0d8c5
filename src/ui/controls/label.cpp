#include "ui/controls/label.h"

#include <QEvent>

namespace ui {

Label::Label(QWidget* parent) : QLabel(parent), Control(this) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QStringList Label::KnownAttributes() const {
    return {QStringLiteral("align"), QStringLiteral("valign"), QStringLiteral("wordwrap")};
}

bool Label::Configure(const LayoutNode& node, QString* error) {
    Qt::Alignment align = alignment();
    bool wrap = false;
    if (!node.ReadAlignment(&align, error) ||
        !node.ReadBool(QStringLiteral("wordwrap"), &wrap, error)) {
        return false;
    }
    setAlignment(align);
    setWordWrap(wrap);
    return true;
}

void Label::changeEvent(QEvent* event) {
    HandleChange(event);
    QLabel::changeEvent(event);
}

}  // namespace ui
