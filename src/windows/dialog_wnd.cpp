#include "windows/dialog_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

#include <QKeyEvent>

#include "shell/run_log.h"

CDialogWnd::CDialogWnd(QWidget* owner, const QString& className, const QString& windowName)
    : ui::Window(owner) {
    SetClassName(className);
    SetWindowName(windowName);
}

void CDialogWnd::SetTextIfGiven(ui::Control* control, const QString& text) {
    if (control && !text.isEmpty()) {
        control->SetText(text);
    }
}

void CDialogWnd::SetTitleIfGiven(ui::Control* label, const QString& title) {
    if (title.isEmpty()) {
        return;
    }
    SetTextIfGiven(label, title);
    SetCaption(title);
}

void CDialogWnd::ReportMissing(const QString& name) {
    if (mMissing.contains(name)) {
        return;
    }
    mMissing.append(name);
    runlog::Log("%s: the layout has no control \"%s\"\n", WindowName().toUtf8().constData(),
                name.toUtf8().constData());
}

// Keys reach the window only when the focused control did not take them.
void CDialogWnd::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Escape && mEscapeCancels) {
        event->accept();
        Close(0);
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        auto* confirm = FindControl<ui::Button>(QString::fromLatin1(dc::kConfirmBtn));
        if (confirm && confirm->isVisibleTo(this) && confirm->isEnabled()) {
            event->accept();
            confirm->click();  // a click like the user's, so subclasses decide as for a click
            return;
        }
    }
    ui::Window::keyPressEvent(event);
}
