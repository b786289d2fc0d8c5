// The main window's part in firmware updates: the offer after connecting to an amplifier with
// older firmware, the forced update it leads to, and the manual update window.
#include <QTimer>

#include "firmware/builtin_images.h"
#include "firmware/force_update_wnd.h"
#include "firmware/update_fw_wnd.h"
#include "shell/identity.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "ui/resources.h"
#include "windows/main_wnd.h"
#include "windows/msg_wnd.h"

bool CMainWnd::UpdateWindowOpen() const {
    return mForceUpdate != nullptr || !ui::Window::FindWindows("UpdateFwWnd").isEmpty();
}

bool CMainWnd::ForcedUpdatePending() {
    return mForceUpdate != nullptr && mManager->Firmware().ForcedUpdateActive();
}

void CMainWnd::OnStartForcedUpdate() {
    if (mForceUpdate) {
        mForceUpdate->NextStep();
    }
}

void CMainWnd::OfferForcedUpdate() {
    if (shell::NoForceUpdateMarkerPresent() || UpdateWindowOpen()) {
        return;
    }
    const model::ProfileRecord& live = mManager->State().live;
    const QByteArray format = ui::ResolveText(QStringLiteral("${update_tips}")).toUtf8();
    const QString question =
        QString::asprintf(format.constData(), live.mainVersion, live.slaveVersion,
                          shell::kBuiltInFirmwareMajor, shell::kBuiltInFirmwareMinor);
    if (CMsgWnd::Question(this, "${tips}", question) != 1) {
        return;
    }
    runlog::Log("Start force update!\n");
    // The images live in a private folder for as long as the window is open.
    firmware::BuiltInImages images;
    const int code = images.Extract();
    if (code != firmware::kExtracted) {
        CMsgWnd::MessageBox(this, "${tips}",
                            QString::asprintf("File prepare error. error code %d", code),
                            {"${confirm}"});
        return;
    }
    int result = 0;
    {
        CForceUpdateWnd wnd(this, *mManager, images.McuPath(), images.FlashPath());
        if (wnd.Create()) {
            mManager->Firmware().SetForcedUpdateActive(true);
            mForceUpdate = &wnd;
            result = wnd.ShowModal();
            mForceUpdate = nullptr;
            mManager->Firmware().SetForcedUpdateActive(false);
        }
    }
    if (result == 1) {
        // The connections during the update read nothing: show the amplifier as it is now.
        mManager->RereadDevice();
    }
}

void CMainWnd::RunUpdateWindow() {
    if (UpdateWindowOpen()) {
        return;
    }
    CUpdateFwWnd::Run(this, *mManager, mConfig.chooseFirmwareFile);
}

void CMainWnd::OnDeviceAbnormal() {
    // An update window already open is the way back; it shows what happens.
    if (UpdateWindowOpen()) {
        return;
    }
    ShowMessage("${device_status_unnormal}");
    RunUpdateWindow();
}
