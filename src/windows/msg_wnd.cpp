#include "windows/msg_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

#include <algorithm>

CMsgWnd::CMsgWnd(QWidget* owner)
    : CDialogWnd(owner, QStringLiteral("MsgWnd"), QStringLiteral("msgwnd")) {}

void CMsgWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mTitle = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageTitle));
        mText = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageText));
        mButtons.clear();
        for (const char* name : {dc::kConfirmBtn, dc::kCancelBtn, dc::kThirdBtn}) {
            if (auto* button = Lookup<ui::Button>(QString::fromLatin1(name))) {
                mButtons.append(button);
            }
        }
        std::sort(mButtons.begin(), mButtons.end(), [this](ui::Button* a, ui::Button* b) {
            return ControlRect(a).x() < ControlRect(b).x();
        });
        mButtonSlots.clear();
        for (ui::Button* button : mButtons) {
            mButtonSlots.append(ControlRect(button));
        }
        ArrangeButtons();
    }
    CDialogWnd::Notify(n);
}

void CMsgWnd::SetMessage(const QString& title, const QString& text) {
    SetTitleIfGiven(mTitle, title);
    SetTextIfGiven(mText, text);
}

void CMsgWnd::SetButtons(const QStringList& texts) {
    const auto count = texts.size();
    if (auto* confirm = FindControl<ui::Button>(QString::fromLatin1(dc::kConfirmBtn));
        confirm && count > 0) {
        SetTextIfGiven(confirm, texts[0]);
    }
    if (auto* cancel = FindControl<ui::Button>(QString::fromLatin1(dc::kCancelBtn))) {
        cancel->setVisible(count >= 2);
        if (count >= 2) {
            SetTextIfGiven(cancel, texts[1]);
        }
    }
    if (auto* third = FindControl<ui::Button>(QString::fromLatin1(dc::kThirdBtn))) {
        third->setVisible(count >= 3);
        if (count >= 3) {
            SetTextIfGiven(third, texts[2]);
        }
    }
    ArrangeButtons();
}

// The buttons shown move into the rightmost places of the row, keeping their order, so one
// button does not sit beside the gap of a hidden one.
void CMsgWnd::ArrangeButtons() {
    QList<ui::Button*> shown;
    for (ui::Button* button : mButtons) {
        if (!button->isHidden()) {
            shown.append(button);
        }
    }
    const auto first = mButtonSlots.size() - shown.size();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        SetControlRect(shown[i], mButtonSlots[first + i]);
    }
}

int CMsgWnd::MessageBox(QWidget* owner, const QString& title, const QString& text,
                        const QStringList& buttons) {
    CMsgWnd wnd(owner);
    wnd.Create();
    wnd.SetMessage(title, text);
    wnd.SetButtons(buttons);
    return wnd.ShowModal();
}

int CMsgWnd::Question(QWidget* owner, const QString& title, const QString& text) {
    CMsgWnd wnd(owner);
    wnd.Create();
    wnd.SetMessage(title, text);
    return wnd.ShowModal();
}
