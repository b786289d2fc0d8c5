#include "windows/name_msg_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

#include <QCoreApplication>
#include <QKeyEvent>

CNameMsgWnd::CNameMsgWnd(QWidget* owner, QString& name)
    : CDialogWnd(owner, QStringLiteral("NameMsgWnd"), QStringLiteral("namemsgwnd")), mName(name) {}

QString CNameMsgWnd::ClampName(const QString& name) {
    if (name.size() <= kMaxNameChars) {
        return name;
    }
    qsizetype length = kMaxNameChars;
    if (name.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return name.left(length);
}

void CNameMsgWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mTitle = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageTitle));
        mText = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageText));
        mEdit = Lookup<ui::Edit>(QString::fromLatin1(dc::kNameEdt));
        Lookup<ui::Button>(QString::fromLatin1(dc::kConfirmBtn));
        Lookup<ui::Button>(QString::fromLatin1(dc::kCancelBtn));
        if (mEdit) {
            // Whatever the layout says, the stored name cannot hold more.
            const int layoutLimit = mEdit->maxLength();
            mEdit->SetMaxChars(layoutLimit > 0 && layoutLimit < kMaxNameChars ? layoutLimit
                                                                              : kMaxNameChars);
            // Qt's own setter: a name is shown as typed, never resolved as a text key.
            mEdit->setText(ClampName(mName));
        }
    } else if (n.Is(ui::notify::kClick, dc::kConfirmBtn) ||
               n.Is(ui::notify::kReturn, dc::kNameEdt)) {
        Accept();
        return;
    }
    CDialogWnd::Notify(n);
}

void CNameMsgWnd::SetMessage(const QString& title, const QString& text) {
    SetTitleIfGiven(mTitle, title);
    SetTextIfGiven(mText, text);
}

void CNameMsgWnd::Accept() {
    if (mEdit) {
        mName = ClampName(mEdit->text());
    }
    Close(1);
}

void CNameMsgWnd::FocusEdit() {
    if (mEdit && !mEdit->hasFocus()) {
        mEdit->setFocus(Qt::OtherFocusReason);
    }
}

void CNameMsgWnd::showEvent(QShowEvent* event) {
    CDialogWnd::showEvent(event);
    FocusEdit();
    if (mEdit) {
        mEdit->selectAll();  // typing replaces the old name at once
    }
}

// Typing while another control has the focus goes into the name, so the field never loses a
// key press. Keys the focused control used (Space on a button) do not come here.
void CNameMsgWnd::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool navigation = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    const bool escape = plain && event->key() == Qt::Key_Escape;
    if (!mEdit || mRedirecting || navigation || escape || !mEdit->isEnabled()) {
        CDialogWnd::keyPressEvent(event);
        return;
    }
    FocusEdit();
    // The edit may ignore the key too; Qt then hands it back to this window, which must not
    // send it round again.
    mRedirecting = true;
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(),
                   event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QCoreApplication::sendEvent(mEdit, &copy);
    mRedirecting = false;
    event->setAccepted(copy.isAccepted());
}

int CNameMsgWnd::EditName(QWidget* owner, QString& name) {
    CNameMsgWnd wnd(owner, name);
    wnd.Create();
    return wnd.ShowModal();
}
