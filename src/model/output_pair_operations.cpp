// The operations over output pairs and all outputs: left/right link and lock, the reset of
// all outputs, bridges, and the job that waits for the amplifier's queue behind the busy window.

#include <algorithm>
#include <utility>
#include <vector>

#include "model/copy_config.h"
#include "model/crossover.h"
#include "model/links.h"
#include "model/output_operations.h"
#include "model/speaker_types.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

// The busy window waits for the queue in polls of this length.
constexpr int kPollMs = 100;
constexpr int kResetPolls = 600;
constexpr int kBridgePolls = 100;
// Mix rows a source can use.
constexpr int kUsedInputRows = 10;

}  // namespace

void OutputOperations::SetOutputLink() {
    runlog::Log("on %s\n", "EqualizerManager::SetOutputLink");
    if (!HasLinkConflict(mLive)) {
        mLive.linkMode = 0;
        SendLinkState({});
        Tell(ChangeKind::LinkLock);
        if (mView) {
            mView->ShowMessage("${not_linkable_tips}");
        }
        return;
    }

    std::vector<std::pair<int, int>> pairs;
    if (mLive.linkMode == 1) {
        ClearLinkMode();
        mLive.lockMode = 0;
        mLink.CH_Lock_Ctrl(kScene, 0, kQueued);
        Tell(ChangeKind::LinkLock);
    } else {
        const int choice = mView ? mView->AskLinkCopyDirection() : 0;
        if (choice != 1 && choice != 2) {
            Tell(ChangeKind::LinkLock);
            return;
        }
        runlog::Log("CMsgCheckBoxWnd %d\n", choice);
        mLive.linkMode = 1;
        mLive.lockMode = 1;
        mLink.CH_Lock_Ctrl(kScene, 1, kQueued);
        FillLinkOutputs(mLive);
        Tell(ChangeKind::LinkLock);
        for (int j = 0; j < OUTPUT_CHANNELS; ++j) {
            const std::optional<int> partner = LinkPartner(mLive, j);
            if (!partner) {
                continue;
            }
            const int r = *partner;
            const bool copy = (choice == 1 && mLive.outputs[j] < mLive.outputs[r]) ||
                              (choice == 2 && mLive.outputs[j] > mLive.outputs[r]);
            if (!copy) {
                continue;
            }
            CopyOutputConfig(mLive, j, r);
            pairs.emplace_back(j, r);
            SetChVolume(j, SliderOf(mLive.channels[j].gain), false, true);
        }
        mCurves.UpdateAll(mLive);
        NotifyCurves();
        const int c = mLive.currOutChannel;
        if (IsOutputIndex(c)) {
            SetChVolume(c, SliderOf(mLive.channels[c].gain), false);
            ApplyDelay(c, mLive.channels[c].delay);
        }
    }

    SetCurChannelChange(mLive.currOutChannel);
    if (IsOutputIndex(mLive.soloChannel)) {
        ApplySolo(mLive.soloChannel, mLive.channels[mLive.soloChannel].solo != 0);
    }
    SendLinkState(pairs);
}

void OutputOperations::SetOutpuLock() {
    runlog::Log("on %s\n", "EqualizerManager::SetOutpuLock");
    if (mLive.lockMode == 1) {
        if (mView && mView->AskQuestion("${unlock_output_tips}")) {
            mLive.lockMode = 0;
        }
    } else if (mView && mView->AskQuestion("${lock_output_tips}")) {
        mLive.lockMode = 1;
    }
    Tell(ChangeKind::LinkLock);
    // A link needs the lock: unlocking ends it.
    if (mLive.lockMode != 1 && mLive.linkMode == 1) {
        ClearLinkMode();
        SendLinkState({});
        Tell(ChangeKind::LinkLock);
        SetCurChannelChange(mLive.currOutChannel);
    }
    mLink.CH_Lock_Ctrl(kScene, mLive.lockMode == 1 ? 1 : 0, kQueued);
}

// ---- reset ----

void OutputOperations::SetOutputReset() {
    runlog::Log("on %s\n", "EqualizerManager::SetOutputReset");
    const int choice = mView ? mView->AskOutputReset() : 0;
    if (choice != 1 && choice != 2) {
        return;
    }
    // A previous job must not hide the busy window shown for this one.
    mJobs.Wait();
    if (mEvents) {
        mEvents->Post(WM_SHOW_LOADING, 0);
    }
    runlog::Log("reset output thread start!\n");
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        SetOutputValue(i, choice == 1 ? DefaultSpeakerType(i) : kSpeakerEmpty, false);
    }
    mLive.lockMode = 0;
    mLink.CH_Lock_Ctrl(kScene, 0, kQueued);
    ClearLinkMode();
    SendLinkState({});
    Tell(ChangeKind::LinkLock);
    SendTrim(0, OUTPUT_CHANNELS - 1);
    for (int pair = 0; pair < BRIDGE_PAIRS; ++pair) {
        SetBridge(pair, mLive.bridgeOutputs[pair] == 1, true, false);
    }
    // Re-applying a bridge selects its right output; the reset ends on output 1.
    SetCurChannelChange(0);
    StartWaitJob(kResetPolls);
}

// ---- bridge ----

void OutputOperations::SetBridge(int pair, bool on, bool fromUser, bool inBackground) {
    if (pair < 0 || pair >= BRIDGE_PAIRS) {
        return;
    }
    mLive.bridgeOutputs[pair] = on ? 1 : 0;
    Tell(ChangeKind::Globals);
    mLink.Output_Bridge_Ctrl(kScene, kSource, mLive.bridgeOutputs, kQueued);
    if (!fromUser) {
        return;
    }
    if (!inBackground) {
        ApplyBridge(pair, on);
        return;
    }
    mJobs.Wait();
    if (mEvents) {
        mEvents->Post(WM_SHOW_LOADING, 0);
    }
    runlog::Log("set bridge thread start!\n");
    ApplyBridge(pair, on);
    StartWaitJob(kBridgePolls);
}

void OutputOperations::ApplyBridge(int pair, bool on) {
    const int l = 2 * pair;
    const int r = l + 1;
    OutputChannel& left = mLive.channels[l];
    OutputChannel& right = mLive.channels[r];
    if (!on) {
        Tell(ChangeKind::Globals);
        SetOutputValue(r, mLive.outputsBk[r], true);
        if (IsOutputIndex(mLive.soloChannel)) {
            ApplySolo(mLive.soloChannel, mLive.channels[mLive.soloChannel].solo != 0);
        }
        return;
    }

    CopyOutputConfig(mLive, l, r);
    right.delay = left.delay;
    right.gain = left.gain;
    // The bypass belongs to the EQ: without it the right half could play flat.
    right.bypass = left.bypass;
    const int bands = std::clamp(right.eqSize, 0, MAX_EQ_BANDS);
    for (int b = 0; b < bands; ++b) {
        const EqBand& band = mLive.bands[r][b];
        // A disabled band sounds flat, so the device gets what the left half plays.
        const float gain = band.enable ? ClampEqGain(band.eqGain) : 0.0f;
        mLink.EQ_Ctrl(kScene, kSource, r, b, band.freq, ClampEqQ(band.eqFactor), gain, kQueued);
    }
    SendFilters(r);
    const int bypass[] = {right.bypass};
    mLink.PEQ_Bypass_Ctrl(kScene, kSource, r, r, bypass, kQueued);
    mCurves.UpdateChannelCurve(mLive, r);
    NotifyCurves();
    if (r == mLive.currOutChannel) {
        mChanges.Publish({.kind = ChangeKind::CurrentOutput, .output = r});
    }

    NotifyOutput(r);
    SendTrim(r, r);
    SendDelay(r);

    CopyMixConfig(mLive, l, r);
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        // The routing too: levels alone leave the amplifier playing r's old inputs.
        const int mask[] = {mLive.inputs[static_cast<size_t>(s)][static_cast<size_t>(r)]};
        mLink.Mix_Ch_Ctrl(kScene, s, r, r, mask, kQueued);
    }
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        for (int row = 0; row < kUsedInputRows; ++row) {
            const int level[] = {ClampMixLevel(mLive.inputMixVolume[s][row][r])};
            mLink.Input_Mix_Trim_Ctrl(kScene, s, row, r, r, level, kQueued);
        }
    }
    Tell(ChangeKind::Inputs);

    SetOutputValue(r, mLive.outputs[l], true);
    // Taking the type resets the crossover to the type's default; the pair plays l's.
    right.crossover = left.crossover;
    SendFilters(r);
    mCurves.UpdateChannelCurve(mLive, r);
    NotifyCurves();
    SetChPhase(r, left.phase != 0);
    SetChSolo(r, left.solo != 0);
    SetChMute(r, left.mute != 0);
    mLive.linkSel[r] = mLive.linkSel[l];
    NotifyOutput(r);
}

// ---- jobs ----

void OutputOperations::StartWaitJob(int maxPolls) {
    // Holds only what outlives this object: the link, the runner and the events.
    mJobs.Start([&link = mLink, &jobs = mJobs, events = mEvents, maxPolls] {
        for (int poll = 0; poll < maxPolls && !link.QueueIdle(); ++poll) {
            if (!jobs.SleepMs(kPollMs)) {
                break;
            }
        }
        if (!jobs.Stopping() && events) {
            events->Post(WM_HIDE_LOADING, 0);
        }
    });
}

}  // namespace model
