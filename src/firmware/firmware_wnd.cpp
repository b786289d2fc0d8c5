#include "firmware/firmware_wnd.h"

#include <QCloseEvent>

#include "model/equalizer_manager.h"
#include "ui/controls.h"

CFirmwareWnd::CFirmwareWnd(QWidget* owner, const QString& className,
                           model::EqualizerManager& manager)
    : CModelWnd(owner, className, QStringLiteral("updatefwwnd"), manager) {}

CFirmwareWnd::~CFirmwareWnd() {
    // An update still running at shutdown reports to nobody.
    mManager.Firmware().Detach(this);
}

void CFirmwareWnd::SetBusy(bool busy, std::initializer_list<const char*> controls) {
    mBusy = busy;
    mEscapeCancels = !busy;
    for (const char* name : controls) {
        if (auto* control = FindWidget(QString::fromLatin1(name))) {
            control->setEnabled(!busy);
        }
    }
}

void CFirmwareWnd::SetStatus(const QString& text) {
    if (mTips) {
        mTips->SetText(text);
    }
}

void CFirmwareWnd::closeEvent(QCloseEvent* event) {
    if (mBusy) {
        event->ignore();
        return;
    }
    CModelWnd::closeEvent(event);
}
