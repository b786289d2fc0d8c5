#include "model/firmware_update.h"

#include <utility>

#include "link/firmware_image.h"
#include "link/upgrade.h"
#include "model/exclusive_session.h"
#include "shell/run_log.h"

namespace model {

FirmwareUpdate::FirmwareUpdate(dsplink::DspLink& link, JobRunner& jobs)
    : mLink(link), mJobs(jobs) {}

bool FirmwareUpdate::Start(const std::string& path, bool flashStage, FirmwareUpdateView* view) {
    if (!mLink.IsOpen() || mRunning) {
        return false;
    }
    mView = view;
    mRunning = true;
    mJobs.Start([this, path, flashStage, view] { Run(path, flashStage, view); });
    return true;
}

void FirmwareUpdate::Run(const std::string& path, bool flashStage, FirmwareUpdateView* view) {
    int value = 0;
    {
        // No queued command may take an acknowledgement meant for the transfer.
        const ExclusiveSession session(mJobs);
        const int result = mLink.UpgradeStart(path);
        if (result != dsplink::UPG_FILE_VALID) {
            Report(view, WM_UPG_LOAD_FAIL, result, true);
            return;
        }
        Report(view, flashStage ? WM_UPG_START_FLASH : WM_UPG_START_MCU, 0, false);
        // A transfer is never abandoned half-way: that would leave the amplifier in its
        // loader. Only shutdown ends it, by closing the device, which fails the next step.
        int shown = -1;
        for (;;) {
            value = mLink.UpgradeStep();
            if (value > 100) {
                break;
            }
            if (value != shown) {
                Report(view, WM_UPG_PROGRESS, value, false);
                shown = value;
            }
        }
    }
    const bool written = value == dsplink::kUpgradeStepFinished;
    if (written && dsplink::TargetForFileName(path) != dsplink::UPG_TARGET_BOOTLOADER) {
        // The amplifier restarts into its new firmware: the handle goes stale now, and its
        // arrival reconnects.
        mRestartExpected = true;
        mLink.CloseHIDDevice(false);
    }
    Report(view, written ? WM_UPG_DONE : WM_UPG_FAIL, 0, true);
}

bool FirmwareUpdate::StartFactoryReset(FirmwareUpdateView* view) {
    if (!mLink.IsOpen() || mRunning) {
        return false;
    }
    mView = view;
    mRunning = true;
    mJobs.Start([this, view] {
        runlog::Log("Factory default thread start!\n");
        mJobs.SleepMs(kFactoryResetPauseMs);
        {
            const ExclusiveSession session(mJobs);
            mLink.MCU_Factory_Reset_Ctrl();
        }
        Report(view, dsplink::WM_DEVICE_REBOOT, 0, true);
        runlog::Log("Factory default thread end!\n");
    });
    return true;
}

void FirmwareUpdate::Detach(FirmwareUpdateView* view) {
    if (mView == view) {
        mView = nullptr;
    }
}

void FirmwareUpdate::Report(FirmwareUpdateView* view, uint32_t message, int value, bool last) {
    mJobs.OnOwnerThread([this, view, message, value, last] {
        if (last) {
            mRunning = false;
        }
        if (view != nullptr && mView == view) {
            view->OnUpgradeMessage(message, value);
        }
        if (last && mNotedChange && mDeviceReplay) {
            mDeviceReplay(*std::exchange(mNotedChange, std::nullopt));
        }
    });
}

}  // namespace model
