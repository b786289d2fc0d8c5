#include "firmware/force_update_wnd.h"

#include "firmware/firmware_controls.h"
#include "link/reply_target.h"
#include "model/equalizer_manager.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"

namespace fc = firmware_controls;

CForceUpdateWnd::CForceUpdateWnd(QWidget* owner, model::EqualizerManager& manager,
                                 const QString& mcuPath, const QString& flashPath)
    : CFirmwareWnd(owner, QStringLiteral("ForceUpdateWnd"), manager),
      mMcuPath(mcuPath),
      mFlashPath(flashPath) {}

bool CForceUpdateWnd::Create() {
    return ui::Window::Create(QString::fromLatin1(kLayout));
}

QString CForceUpdateWnd::Path(ui::Label* label) const {
    return label ? label->RawText() : QString();
}

void CForceUpdateWnd::SetProgress(int mcu, int flash) {
    if (mMcuProgress && mcu >= 0) {
        mMcuProgress->SetValue(mcu);
    }
    if (mFlashProgress && flash >= 0) {
        mFlashProgress->SetValue(flash);
    }
}

void CForceUpdateWnd::SetBusy(bool busy) {
    CFirmwareWnd::SetBusy(busy, {fc::kUpdateBtn, fc::kCancelBtn, fc::kCloseBtn});
}

void CForceUpdateWnd::BeginUpdate() {
    runlog::Log("%s\n", "CForceUpdateWnd::BeginUpdate");
    model::FirmwareUpdate& firmware = mManager.Firmware();
    if (!firmware.LinkOpen() || firmware.Running()) {
        return;
    }
    if (mStage == kIdle && !Path(mMcuFile).isEmpty()) {
        mStage = kMcu;
        SetProgress(0, 0);
    } else if (mStage == kMcu && !Path(mFlashFile).isEmpty()) {
        mStage = kFlash;
    } else {
        SetStatus(QStringLiteral("${update_no_file}"));
        SetProgress(0, 0);
        return;
    }
    mFailed = false;
    SetBusy(true);
    SetStatus(mStage == kMcu ? QStringLiteral("${update_check_mcu}")
                             : QStringLiteral("${update_check_flash}"));
    const QString path = Path(mStage == kMcu ? mMcuFile : mFlashFile);
    if (!firmware.Start(path.toStdString(), mStage == kFlash, this)) {
        FailStage(QStringLiteral("${load_fw_fail}"));
    }
}

void CForceUpdateWnd::FailStage(const QString& status) {
    mFailed = true;
    SetStatus(status);
    if (mStage == kMcu || mStage == kFlash) {
        --mStage;
    }
    SetBusy(false);
}

void CForceUpdateWnd::NextStep() {
    if (mFailed || mManager.Firmware().Running()) {
        // The user decides when to try again; a reconnection alone does not.
        return;
    }
    if (mStage == kMcu && !Path(mFlashFile).isEmpty()) {
        BeginUpdate();
    } else if (mStage == kMcu || mStage == kFlash) {
        if (mFactory && mFactory->IsSelected()) {
            SetStatus(QStringLiteral("${update_factory}"));
            ResetMcuFactoryDefault();
        } else {
            SetStatus(QStringLiteral("${update_finish}"));
            // The connection skipped its state read while this window was open: closing must
            // read the amplifier again, so this counts as finished too.
            mFinished = true;
            SetBusy(false);
            mStage = kIdle;
        }
    } else {
        mFinished = true;
        if (mStage == kFactoryReset) {
            SetStatus(QStringLiteral("${update_finish}"));
        }
        SetBusy(false);
        mStage = kIdle;
    }
}

void CForceUpdateWnd::ResetMcuFactoryDefault() {
    runlog::Log("%s\n", "CForceUpdateWnd::ResetMcuFactoryDefault");
    mStage = kFactoryReset;
    if (!mManager.Firmware().StartFactoryReset(this)) {
        // The firmware is written either way; the reset is what failed to start.
        SetStatus(QStringLiteral("${update_finish}"));
        mFinished = true;
        SetBusy(false);
        mStage = kIdle;
    }
}

void CForceUpdateWnd::OnUpgradeMessage(uint32_t message, int value) {
    const bool flash = mStage == kFlash;
    switch (message) {
        case model::WM_UPG_PROGRESS: {
            if (flash) {
                SetProgress(-1, value);
            } else {
                SetProgress(value, -1);
            }
            const QByteArray format =
                ui::ResolveText(flash ? QStringLiteral("${update_progress_flash}")
                                      : QStringLiteral("${update_progress_mcu}"))
                    .toUtf8();
            SetStatus(QString::asprintf(format.constData(), value));
            break;
        }
        case model::WM_UPG_DONE:
            SetStatus(flash ? QStringLiteral("${update_reboot_flash}")
                            : QStringLiteral("${update_reboot_mcu}"));
            break;
        case model::WM_UPG_FAIL:
            FailStage(QStringLiteral("${update_fail}"));
            break;
        case model::WM_UPG_LOAD_FAIL:
            FailStage(QStringLiteral("${load_fw_fail}"));
            break;
        case model::WM_UPG_START_MCU:
            SetStatus(QStringLiteral("${update_start_mcu}"));
            break;
        case model::WM_UPG_START_FLASH:
            SetStatus(QStringLiteral("${update_start_flash}"));
            break;
        case dsplink::WM_DEVICE_REBOOT:
            SetStatus(QStringLiteral("${update_factory_reboot}"));
            // Whether or not the amplifier comes back, the update itself is through.
            mFinished = true;
            SetBusy(false);
            break;
        default:
            break;
    }
}

void CForceUpdateWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mMcuFile = Lookup<ui::Label>(QString::fromLatin1(fc::kMcuFile));
        mFlashFile = Lookup<ui::Label>(QString::fromLatin1(fc::kFlashFile));
        mMcuProgress = Lookup<ui::ProgressBar>(QString::fromLatin1(fc::kMcuProgress));
        mFlashProgress = Lookup<ui::ProgressBar>(QString::fromLatin1(fc::kFlashProgress));
        mTips = Lookup<ui::Label>(QString::fromLatin1(fc::kUpdateTips));
        mFactory = Lookup<ui::CheckBox>(QString::fromLatin1(fc::kCheckBoxFactory));
        for (const char* name : {fc::kUpdateBtn, fc::kCancelBtn, fc::kCloseBtn}) {
            Lookup<ui::Button>(QString::fromLatin1(name));
        }
        if (mMcuFile) {
            mMcuFile->SetText(mMcuPath);
        }
        if (mFlashFile) {
            mFlashFile->SetText(mFlashPath);
        }
        for (ui::ProgressBar* bar : {mMcuProgress, mFlashProgress}) {
            if (bar) {
                bar->SetRange(0, 100);
                bar->SetValue(0);
            }
        }
        CDialogWnd::Notify(n);
        return;
    }
    if (n.Is(ui::notify::kClick, fc::kUpdateBtn)) {
        BeginUpdate();
        return;
    }
    if (n.Is(ui::notify::kClick, fc::kCancelBtn) || n.Is(ui::notify::kClick, fc::kCloseBtn)) {
        if (!Busy()) {
            Close(mFinished ? 1 : 0);
        }
        return;
    }
    CDialogWnd::Notify(n);
}
