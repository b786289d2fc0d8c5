#include "windows/msg_check_box_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QWidget* owner)
    : CDialogWnd(owner, QStringLiteral("MsgCheckBoxWnd"), QStringLiteral("msgcbwnd")) {}

void CMsgCheckBoxWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mTitle = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageTitle));
        mText = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageText));
        mFirst = Lookup<ui::Option>(QString::fromLatin1(dc::kCheckBox0));
        mSecond = Lookup<ui::Option>(QString::fromLatin1(dc::kCheckBox1));
        mConfirm = Lookup<ui::Button>(QString::fromLatin1(dc::kConfirmBtn));
        Lookup<ui::Button>(QString::fromLatin1(dc::kCancelBtn));
        UpdateConfirm();
    } else if (n.Is(ui::notify::kSelectChanged)) {
        UpdateConfirm();
    } else if (n.Is(ui::notify::kClick, dc::kConfirmBtn)) {
        if (const int choice = Choice(); choice != 0) {
            Close(choice);
        }
        return;
    }
    CDialogWnd::Notify(n);
}

void CMsgCheckBoxWnd::SetMessage(const QString& title, const QString& text) {
    SetTitleIfGiven(mTitle, title);
    SetTextIfGiven(mText, text);
}

void CMsgCheckBoxWnd::SetChoices(const QString& first, const QString& second) {
    if (first.isEmpty() || second.isEmpty()) {
        return;
    }
    SetTextIfGiven(mFirst, first);
    SetTextIfGiven(mSecond, second);
}

int CMsgCheckBoxWnd::Choice() const {
    if (mFirst && mFirst->IsSelected()) {
        return 1;
    }
    if (mSecond && mSecond->IsSelected()) {
        return 2;
    }
    return 0;
}

// A greyed button shows why nothing happens yet; the click is ignored regardless.
void CMsgCheckBoxWnd::UpdateConfirm() {
    if (mConfirm) {
        mConfirm->setEnabled(Choice() != 0);
    }
}

int CMsgCheckBoxWnd::Choose(QWidget* owner, const QString& title, const QString& text,
                            const QString& first, const QString& second) {
    CMsgCheckBoxWnd wnd(owner);
    wnd.Create();
    wnd.SetMessage(title, text);
    wnd.SetChoices(first, second);
    return wnd.ShowModal();
}
