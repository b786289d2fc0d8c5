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
    const runlog::ScopedMute deviceSide;
    std::lock_guard<std::mutex> guard(mLock);
    mReply.reset();
    if (report.size() < 2) {
        return std::nullopt;
    }
    // Byte 0 is the report ID; the frame follows.
    mParser.Feed(report.subspan(1, std::min(report.size() - 1, dsplink::kReportSize)));
    return std::exchange(mReply, std::nullopt);
}

void VirtualAmplifier::OnFrame(const dsplink::FrameView& frame, bool valid) {
    if (!valid) {
        return;
    }
    std::optional<InputReport> answer = Answer(mState, frame);
    // One report carries one answer; a second frame in the same report is applied silently.
    if (answer && !mReply) {
        mReply = answer;
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
    std::function<void()> removal;
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (!mPlugged) {
            return;
        }
        mPlugged = false;
        ++mPlugGeneration;
        mUnsolicited.clear();
        removal = mRemoval;
    }
    // Outside the lock: the listener may well talk to the link, which talks to us.
    if (removal) {
        removal();
    }
}

void VirtualAmplifier::PlugIn() {
    std::function<void()> arrival;
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (mPlugged) {
            return;
        }
        mPlugged = true;
        arrival = mArrival;
    }
    if (arrival) {
        arrival();
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
