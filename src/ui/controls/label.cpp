#include "controls/label.h"

#include <QEvent>

#include "controls/control_support.h"

namespace ui {

using namespace control_support;

Label::Label(QWidget* parent) : QLabel(parent), Control(this) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QStringList Label::KnownAttributes() const {
    return {QStringLiteral("align"), QStringLiteral("valign"), QStringLiteral("wordwrap")};
}

bool Label::Configure(const LayoutNode& node, QString* error) {
    bool ok = true;
    setAlignment(ParseAlignment(node, alignment(), error, &ok));
    bool wrap = false;
    if (!ok || !node.ReadBool(QStringLiteral("wordwrap"), &wrap, error)) {
        return false;
    }
    setWordWrap(wrap);
    return true;
}

void Label::changeEvent(QEvent* event) {
    HandleChange(event);
    QLabel::changeEvent(event);
}

}  // namespace ui
