#include "firmware/update_fw_wnd.h"

#include "firmware/firmware_controls.h"
#include "firmware/firmware_file_dialog.h"
#include "model/equalizer_manager.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"

namespace fc = firmware_controls;

CUpdateFwWnd::CUpdateFwWnd(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose)
    : CFirmwareWnd(owner, QStringLiteral("UpdateFwWnd"), manager),
      mChoose(choose ? std::move(choose) : ChooseFile(&firmware::ChooseImageFile)) {}

int CUpdateFwWnd::Run(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose) {
    runlog::Log("on %s\n", "CUpdateFwWnd::Run");
    CUpdateFwWnd wnd(owner, manager, std::move(choose));
    return wnd.Create() ? wnd.ShowModal() : 0;
}

bool CUpdateFwWnd::Create() {
    return ui::Window::Create(QString::fromLatin1(kLayout));
}

void CUpdateFwWnd::ChooseImage() {
    const QString path = mChoose(this);
    if (!path.isEmpty() && mPath) {
        mPath->SetText(path);
    }
}

void CUpdateFwWnd::SetBusy(bool busy) {
    // Nothing may end the window or change the file while the image is being written.
    CFirmwareWnd::SetBusy(
        busy, {fc::kCloseBtn, fc::kFileBtn, fc::kCancelBtn, fc::kUpdateBtn, fc::kFilePathEdt});
}

void CUpdateFwWnd::BeginUpdate() {
    runlog::Log("%s\n", "CUpdateFwWnd::BeginUpdate");
    if (Busy() || mPath == nullptr) {
        return;
    }
    if (!mManager.Firmware().LinkOpen()) {
        SetStatus(QStringLiteral("${menu_needs_amplifier}"));
        return;
    }
    const QString path = mPath->text().trimmed();
    if (path.isEmpty()) {
        SetStatus(QStringLiteral("${update_no_file}"));
        return;
    }
    SetStatus(QStringLiteral("${loading_fw}"));
    if (mProgress) {
        mProgress->SetValue(0);
    }
    if (mManager.Firmware().Start(path.toStdString(), false, this)) {
        SetBusy(true);
    }
}

void CUpdateFwWnd::OnUpgradeMessage(uint32_t message, int value) {
    switch (message) {
        case model::WM_UPG_PROGRESS:
            SetStatus(QString::asprintf("%d%%", value));
            if (mProgress) {
                mProgress->SetValue(value);
            }
            break;
        case model::WM_UPG_DONE:
            SetBusy(false);
            SetStatus(QStringLiteral("${update_ok}"));
            break;
        case model::WM_UPG_FAIL:
            SetBusy(false);
            SetStatus(QStringLiteral("${update_fail}"));
            break;
        case model::WM_UPG_LOAD_FAIL:
            SetBusy(false);
            SetStatus(QStringLiteral("${load_fw_fail}"));
            break;
        default:
            break;
    }
}

void CUpdateFwWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mPath = Lookup<ui::Edit>(QString::fromLatin1(fc::kFilePathEdt));
        mProgress = Lookup<ui::ProgressBar>(QString::fromLatin1(fc::kProgress));
        mTips = Lookup<ui::Label>(QString::fromLatin1(fc::kUpdateTips));
        for (const char* name : {fc::kFileBtn, fc::kUpdateBtn, fc::kCancelBtn, fc::kCloseBtn}) {
            Lookup<ui::Button>(QString::fromLatin1(name));
        }
        if (mProgress) {
            mProgress->SetRange(0, 100);
            mProgress->SetValue(0);
        }
        CDialogWnd::Notify(n);
        return;
    }
    if (n.Is(ui::notify::kClick, fc::kFileBtn)) {
        ChooseImage();
        return;
    }
    if (n.Is(ui::notify::kSetFocus, fc::kFilePathEdt) && mPath && mPath->text().isEmpty()) {
        ChooseImage();
        return;
    }
    if (n.Is(ui::notify::kClick, fc::kUpdateBtn)) {
        BeginUpdate();
        return;
    }
    if (n.Is(ui::notify::kClick, fc::kCancelBtn) || n.Is(ui::notify::kClick, fc::kCloseBtn)) {
        if (!Busy()) {
            Close(0);
        }
        return;
    }
    CDialogWnd::Notify(n);
}
