#include "sim/virtual_amplifier.h"

#include <algorithm>
#include <utility>

#include "link/subcommands.h"
#include "shell/run_log.h"

namespace sim {

VirtualAmplifier::VirtualAmplifier()
    : mState(DefaultDeviceState()),
      mParser([this](const dsplink::FrameView& frame, bool valid, std::span<const uint8_t>) {
          OnFrame(frame, valid);
      }) {}

std::optional<InputReport> VirtualAmplifier::HandleReport(std::span<const uint8_t> report) {
    std::lock_guard<std::mutex> guard(mLock);
    return HandleLocked(report, false).answer;
}

VirtualAmplifier::HeldAnswer VirtualAmplifier::HandleReportHeld(std::span<const uint8_t> report) {
    std::lock_guard<std::mutex> guard(mLock);
    return HandleLocked(report, true);
}

VirtualAmplifier::HeldAnswer VirtualAmplifier::HandleLocked(std::span<const uint8_t> report,
                                                            bool hold) {
    const runlog::ScopedMute deviceSide;
    mReply.reset();
    if (report.size() < 2) {
        return HeldAnswer{};
    }
    mHolding = hold;
    mHeld = false;
    // Byte 0 is the report ID; the frame follows.
    mParser.Feed(report.subspan(1, std::min(report.size() - 1, dsplink::kReportSize)));
    mHolding = false;
    return HeldAnswer{std::exchange(mReply, std::nullopt), mHeld};
}

void VirtualAmplifier::OnFrame(const dsplink::FrameView& frame, bool valid) {
    if (!valid) {
        return;
    }
    std::optional<InputReport> answer;
    if (FirmwareLoader::Handles(frame)) {
        const LoaderReply reply = mLoader.Handle(mState, frame);
        answer = reply.answer;
        if (reply.followUp) {
            mUnsolicited.push_back(*reply.followUp);
        }
        ApplyLocked(reply.action, answer.has_value());
    } else {
        answer = Answer(mState, frame);
    }
    // One report carries one answer; a second frame in the same report is applied silently.
    if (answer && !mReply) {
        mReply = answer;
    }
}

void VirtualAmplifier::ApplyLocked(LoaderAction action, bool answered) {
    switch (action) {
        case LoaderAction::None:
            break;
        case LoaderAction::RestartIntoLoader:
            RestartLocked(true, answered);
            break;
        case LoaderAction::Restart:
            RestartLocked(false, answered);
            break;
        case LoaderAction::PullCable:
            // At once, so the handles die with the report; the callbacks wait for a tick, as
            // the caller may hold locks of its own.
            mCable = false;
            UpdatePresenceLocked(mDeferred);
            break;
        case LoaderAction::CutPower:
            RestartLocked(false, false);
            break;
    }
}

void VirtualAmplifier::RestartLocked(bool intoLoader, bool afterAnswer) {
    if (mRestart) {
        return;  // already on its way down
    }
    Restart restart;
    restart.intoLoader = intoLoader;
    restart.held = afterAnswer && mHolding;
    restart.goneAtUs = mNowUs;
    mHeld = restart.held;
    mRestart = restart;
}

void VirtualAmplifier::ReleaseRestart() {
    std::lock_guard<std::mutex> guard(mLock);
    if (mRestart && mRestart->held) {
        mRestart->held = false;
        mRestart->goneAtUs = mNowUs;
    }
}

void VirtualAmplifier::FailUpgradeAt(int block, UpgradeFault fault) {
    std::lock_guard<std::mutex> guard(mLock);
    mLoader.FailAt(block, fault);
}

void VirtualAmplifier::SetRestartMs(int ms) {
    std::lock_guard<std::mutex> guard(mLock);
    mRestartUs = int64_t{std::max(ms, 0)} * 1000;
}

void VirtualAmplifier::Tick(int64_t nowUs) {
    Notices notices;
    {
        std::lock_guard<std::mutex> guard(mLock);
        notices = std::exchange(mDeferred, {});
        mNowUs = std::max(mNowUs, nowUs);
        if (mRestart && !mRestart->held && !mRestart->gone && mNowUs >= mRestart->goneAtUs) {
            mRestart->gone = true;
            UpdatePresenceLocked(notices);
        }
        if (mRestart && mRestart->gone && mNowUs - mRestart->goneAtUs >= mRestartUs) {
            mState.handshakeStatus = StatusAfterRestart(mState, mRestart->intoLoader);
            mRestart.reset();
            UpdatePresenceLocked(notices);
        }
    }
    // Outside the lock: the listeners may well talk to the link, which talks to us.
    for (const auto& notice : notices) {
        notice();
    }
}

void VirtualAmplifier::TickNow() {
    int64_t nowUs = 0;
    {
        // Read under the lock, so the transport cannot take its clock away meanwhile.
        std::lock_guard<std::mutex> guard(mLock);
        if (mClock == nullptr) {
            return;
        }
        nowUs = mClock->NowUs();
    }
    Tick(nowUs);
}

void VirtualAmplifier::AttachClock(dsplink::Clock* clock) {
    std::lock_guard<std::mutex> guard(mLock);
    mClock = clock;
}

void VirtualAmplifier::DetachClock(dsplink::Clock* clock) {
    std::lock_guard<std::mutex> guard(mLock);
    if (mClock == clock) {
        mClock = nullptr;
    }
}

void VirtualAmplifier::UpdatePresenceLocked(Notices& notices) {
    const bool present = mCable && !(mRestart && mRestart->gone);
    if (present == mPlugged) {
        return;
    }
    mPlugged = present;
    if (present) {
        if (mArrival) {
            notices.push_back(mArrival);
        }
        return;
    }
    ++mPlugGeneration;
    mUnsolicited.clear();
    // A transfer does not outlive the USB connection.
    mLoader.Reset();
    if (mRemoval) {
        notices.push_back(mRemoval);
    }
}

DeviceState VirtualAmplifier::Snapshot() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mState;
}

void VirtualAmplifier::Modify(const std::function<void(DeviceState&)>& change) {
    std::lock_guard<std::mutex> guard(mLock);
    change(mState);
}

void VirtualAmplifier::ResetToDefaults() {
    std::lock_guard<std::mutex> guard(mLock);
    mState = DefaultDeviceState();
    mLoader.Reset();
}

void VirtualAmplifier::SetIdentity(uint8_t model, uint8_t masterVersion, uint8_t slaveVersion) {
    std::lock_guard<std::mutex> guard(mLock);
    mState.model = model;
    mState.masterVersion = masterVersion;
    mState.slaveVersion = slaveVersion;
}

void VirtualAmplifier::SetNormalMode(bool normal) {
    std::lock_guard<std::mutex> guard(mLock);
    mState.handshakeStatus = normal ? 0x00 : kStatusAbnormal;
}

void VirtualAmplifier::SetInputNoise(int input, float dB) {
    std::lock_guard<std::mutex> guard(mLock);
    if (input >= 0 && input < kInputs) {
        mState.inputNoise[static_cast<size_t>(input)] = EncodeNoiseLevel(dB);
    }
}

void VirtualAmplifier::SetInputClip(int source, int input, bool clipping) {
    std::lock_guard<std::mutex> guard(mLock);
    if (source >= 0 && source < kSources && input >= 0 && input < kInputs) {
        mState.inputClip[static_cast<size_t>(source)][static_cast<size_t>(input)] = clipping;
    }
}

void VirtualAmplifier::SetOutputClip(int source, int output, bool clipping) {
    std::lock_guard<std::mutex> guard(mLock);
    if (source >= 0 && source < kSources && output >= 0 && output < kOutputs) {
        mState.outputClip[static_cast<size_t>(source)][static_cast<size_t>(output)] = clipping;
    }
}

void VirtualAmplifier::SetMemWord(uint32_t address, uint32_t data) {
    std::lock_guard<std::mutex> guard(mLock);
    mState.memory[address] = data;
}

uint32_t VirtualAmplifier::MemWord(uint32_t address) const {
    std::lock_guard<std::mutex> guard(mLock);
    const auto found = mState.memory.find(address);
    return found == mState.memory.end() ? 0 : found->second;
}

void VirtualAmplifier::FailCalibrationAt(int step, uint8_t reason) {
    std::lock_guard<std::mutex> guard(mLock);
    mState.calibration.failAtStep = step;
    mState.calibration.failReason = reason;
}

void VirtualAmplifier::QueuePing() {
    std::lock_guard<std::mutex> guard(mLock);
    mUnsolicited.push_back(
        MakeInputReport(dsplink::CMD_MCU, dsplink::MCU_PING, dsplink::OP_UPDATE, {}));
}

void VirtualAmplifier::QueueSourceSwitch(uint8_t sourceCode, int8_t mainVolume) {
    std::lock_guard<std::mutex> guard(mLock);
    mState.source = sourceCode;
    mState.mainVolume = static_cast<uint8_t>(kMainVolumeOffset - mainVolume);
    const uint8_t source[] = {sourceCode};
    const uint8_t volume[] = {static_cast<uint8_t>(mainVolume)};
    mUnsolicited.push_back(
        MakeInputReport(dsplink::CMD_DSP, dsplink::DSP_SOURCE_SWITCH, dsplink::OP_UPDATE, source));
    mUnsolicited.push_back(
        MakeInputReport(dsplink::CMD_DSP, dsplink::DSP_VOLUME, dsplink::OP_UPDATE, volume));
}

void VirtualAmplifier::QueueUpdate(uint8_t type, uint8_t subcmd, std::span<const uint8_t> payload) {
    std::lock_guard<std::mutex> guard(mLock);
    mUnsolicited.push_back(
        MakeInputReport(type, subcmd, dsplink::OP_UPDATE,
                        payload.first(std::min(payload.size(), dsplink::kMaxPayload))));
}

std::vector<InputReport> VirtualAmplifier::TakeUnsolicited() {
    std::lock_guard<std::mutex> guard(mLock);
    std::vector<InputReport> reports(mUnsolicited.begin(), mUnsolicited.end());
    mUnsolicited.clear();
    return reports;
}

void VirtualAmplifier::SetReportDelayUs(int64_t us) {
    std::lock_guard<std::mutex> guard(mLock);
    mReportDelayUs = std::max<int64_t>(us, 0);
}

int64_t VirtualAmplifier::ReportDelayUs() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mReportDelayUs;
}

void VirtualAmplifier::DropReplies(int count) {
    std::lock_guard<std::mutex> guard(mLock);
    mDropReplies = std::max(count, 0);
}

void VirtualAmplifier::CorruptNextReply() {
    FaultAnswer(0, ReplyFault::Corrupt);
}

void VirtualAmplifier::SplitNextReply() {
    FaultAnswer(0, ReplyFault::Split);
}

void VirtualAmplifier::FaultAnswer(int ahead, ReplyFault fault) {
    std::lock_guard<std::mutex> guard(mLock);
    ReplyFaults& faults = mFaultsAt[mAnswers + 1 + static_cast<uint64_t>(std::max(ahead, 0))];
    switch (fault) {
        case ReplyFault::Drop:
            faults.drop = true;
            break;
        case ReplyFault::Corrupt:
            faults.corrupt = true;
            break;
        case ReplyFault::Split:
            faults.split = true;
            break;
        case ReplyFault::Unplug:
            faults.unplug = true;
            break;
    }
}

uint64_t VirtualAmplifier::Answers() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mAnswers;
}

ReplyFaults VirtualAmplifier::TakeReplyFaults() {
    std::lock_guard<std::mutex> guard(mLock);
    ReplyFaults faults;
    const auto scheduled = mFaultsAt.find(++mAnswers);
    if (scheduled != mFaultsAt.end()) {
        faults = scheduled->second;
        mFaultsAt.erase(scheduled);
    }
    if (mDropReplies > 0) {
        --mDropReplies;
        faults.drop = true;
    }
    return faults;
}

void VirtualAmplifier::Unplug() {
    Notices notices;
    {
        std::lock_guard<std::mutex> guard(mLock);
        notices = std::exchange(mDeferred, {});
        mCable = false;
        UpdatePresenceLocked(notices);
    }
    for (const auto& notice : notices) {
        notice();
    }
}

void VirtualAmplifier::PlugIn() {
    Notices notices;
    {
        std::lock_guard<std::mutex> guard(mLock);
        notices = std::exchange(mDeferred, {});
        mCable = true;
        UpdatePresenceLocked(notices);
    }
    for (const auto& notice : notices) {
        notice();
    }
}

bool VirtualAmplifier::IsPluggedIn() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mPlugged;
}

uint64_t VirtualAmplifier::PlugGeneration() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mPlugGeneration;
}

void VirtualAmplifier::SetHotplugCallbacks(std::function<void()> arrival,
                                           std::function<void()> removal) {
    std::lock_guard<std::mutex> guard(mLock);
    mArrival = std::move(arrival);
    mRemoval = std::move(removal);
}

}  // namespace sim
