#include "ui/controls/edit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>

namespace ui {

Edit::Edit(QWidget* parent) : QLineEdit(parent), Control(this) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) { OnEdited(t); });
}

QStringList Edit::KnownAttributes() const {
    return {QStringLiteral("maxchar"), QStringLiteral("readonly"), QStringLiteral("align")};
}

bool Edit::Configure(const LayoutNode& node, QString* error) {
    int maxChars = 0;
    bool readOnly = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    if (!node.ReadAlignment(&align, error) ||
        !node.ReadInt(QStringLiteral("maxchar"), &maxChars, error) ||
        !node.ReadBool(QStringLiteral("readonly"), &readOnly, error)) {
        return false;
    }
    if (maxChars < 0) {
        if (error) {
            *error = node.Where() + QStringLiteral("maxchar must not be negative");
        }
        return false;
    }
    setAlignment(align);
    SetMaxChars(maxChars);
    setReadOnly(readOnly);
    return true;
}

void Edit::ShowText(const QString& resolved) {
    setText(resolved);
    mShown = resolved;
}

void Edit::OnEdited(const QString& text) {
    KeepRawText(text);
}

void Edit::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~(Qt::KeypadModifier)) == Qt::NoModifier;
    if (plain) {
        switch (event->key()) {
            case Qt::Key_Up:
                event->accept();
                SendNotify(notify::kValueChangedUp);
                return;
            case Qt::Key_Down:
                event->accept();
                SendNotify(notify::kValueChangedDown);
                return;
            case Qt::Key_Left:
                if (cursorPosition() == 0) {
                    event->accept();
                    SendNotify(notify::kValueChangedLeft);
                    return;
                }
                break;
            case Qt::Key_Right:
                if (cursorPosition() == text().size()) {
                    event->accept();
                    SendNotify(notify::kValueChangedRight);
                    return;
                }
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                event->accept();
                SendNotify(notify::kReturn);
                return;
            default:
                break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void Edit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A menu closing, or the window becoming active again after a dialog, gives the focus
    // back; the user did not choose this field.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        SendNotify(notify::kSetFocus);
    }
}

void Edit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        SendNotify(notify::kKillFocus);
    }
}

void Edit::changeEvent(QEvent* event) {
    HandleChange(event);
    QLineEdit::changeEvent(event);
}

}  // namespace ui
