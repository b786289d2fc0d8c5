#include "link/dsp_link.h"

#include <string>

#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

// A long read is taken in slices so that a close from another thread is never kept waiting.
constexpr int kReadSliceMs = 20;

std::string HexBytes(std::span<const uint8_t> bytes, const char* format) {
    std::string text;
    char item[8];
    for (uint8_t b : bytes) {
        std::snprintf(item, sizeof item, format, b);
        text += item;
    }
    return text;
}

}  // namespace

DspLink::DspLink(std::unique_ptr<HidTransport> transport, Clock& clock, uint8_t model, int channels)
    : mTransport(std::move(transport)),
      mClock(clock),
      mParser([this](const FrameView& frame, bool valid, std::span<const uint8_t> wire) {
          OnFrame(frame, valid, wire);
      }) {
    mState.pcModel = model;
    mState.outputCount = channels;
    mWorker = std::thread(&DspLink::McuCmdThread, this);
}

DspLink::~DspLink() {
    mThreadRunning = false;
    mWorker.join();
    std::lock_guard<std::mutex> guard(mIoLock);
    if (mOpen) {
        mTransport->Close();
        mOpen = false;
    }
}

OpenResult DspLink::Open() {
    std::lock_guard<std::mutex> guard(mIoLock);
    if (mOpen) {
        return OpenResult::Opened;
    }
    const OpenResult result = mTransport->Open();
    if (result == OpenResult::NotFound || result == OpenResult::NoAccess) {
        runlog::Log("unable to open device\n");
    }
    if (result == OpenResult::Opened) {
        ++mHandleId;
        mOpen = true;
    }
    return result;
}

bool DspLink::IsOpen() const {
    return mOpen;
}

void DspLink::CloseHIDDevice(bool notify) {
    if (!mOpen) {
        return;
    }
    if (notify) {
        PC_Connect(0);
    }
    // The goodbye may have found the device gone and closed the link already.
    ReleaseHandle("CloseHIDDevice!\n");
}

bool DspLink::ReleaseHandle(const char* logLine) {
    // Closed for every new write and read at once; one already inside the transport finishes
    // before the handle goes. Only the first caller releases it.
    if (!mOpen.exchange(false)) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(mIoLock);
        mTransport->Close();
    }
    WRITE_ROPRT = false;
    runlog::Log("%s", logLine);
    return true;
}

void DspLink::SetTarget(ReplyTargetId id, ReplyTarget* target) {
    {
        std::lock_guard<std::mutex> guard(mTargetLock);
        mTargets[static_cast<size_t>(id)] = target;
    }
}

void DspLink::SetFrameTrace(FrameTrace trace) {
    std::lock_guard<std::mutex> guard(mTraceLock);
    mTrace = std::move(trace);
}

void DspLink::SetFailureTrace(FailureTrace trace) {
    std::lock_guard<std::mutex> guard(mTraceLock);
    mFailureTrace = std::move(trace);
}

bool DspLink::TransportLostLocked() {
    if (!mTransport->DeviceLost()) {
        return false;
    }
    runlog::Log("the device is gone: %s\n", mTransport->LastError().c_str());
    return true;
}

void DspLink::DropLostDevice() {
    if (ReleaseHandle("CloseHIDDevice! (device gone)\n")) {
        Post(ReplyTargetId::Main, LinkMessage{WM_DEVICE_DISCONNECT, 0, 0, nullptr});
    }
}

void DspLink::Post(ReplyTargetId target, LinkMessage message) {
    std::lock_guard<std::mutex> guard(mTargetLock);
    ReplyTarget* receiver = mTargets[static_cast<size_t>(target)];
    if (receiver != nullptr) {
        receiver->Post(std::move(message));
    }
    // Without a receiver the message, and any record it owns, is freed here.
}

bool DspLink::ClaimWrite() {
    const int64_t start = mClock.NowMs();
    for (;;) {
        if (!mOpen) {
            runlog::Log("mHidHandle is NULL, break out send cmd!\n");
            return false;
        }
        bool expected = false;
        if (WRITE_ROPRT.compare_exchange_strong(expected, true)) {
            runlog::Log("set WRITE_ROPRT = TRUE\n");
            return true;
        }
        if (mClock.NowMs() - start > kWriteClaimTimeoutMs) {
            runlog::Log("time out, break out send cmd!\n");
            WRITE_ROPRT = false;
            return false;
        }
        mClock.SleepMs(1);
    }
}

bool DspLink::SendCtrlCommand(uint8_t type, uint8_t subcmd, uint8_t optype,
                              std::span<const uint8_t> payload) {
    const int64_t start = mClock.NowMs();
    if (type == CMD_DSP && optype == OP_READ) {
        const uint32_t count = ++mReadRequestCount;
        if (subcmd == DSP_MIX_TYPE2) {
            runlog::Log("SendCtrlCommand %d, DSP_MIX_TYPE2\n", count);
        } else if (subcmd <= 0x4D) {
            runlog::Log("SendCtrlCommand %d, %s\n", count, DspSubcmdName(subcmd).c_str());
        } else {
            runlog::Log("SendCtrlCommand %d, %d\n", count, subcmd);
        }
    }
    runlog::Log("SendCtrlCommand timestart = %ld\n", static_cast<long>(start));
    if (!mOpen) {
        WRITE_ROPRT = false;
        return false;
    }
    if (payload.size() > kMaxPayload) {
        runlog::Log("payload of %zu bytes does not fit in one frame\n", payload.size());
        return false;
    }
    if (!ClaimWrite()) {
        return false;
    }
    runlog::Log("SendCtrlCommand Cmd:0x%02x, subcmd:0x%02x, optype:0x%02x, len:0x%02x\n", type,
                subcmd, optype, static_cast<unsigned>(payload.size()));
    const OutputReport report = BuildOutputReport(type, subcmd, optype, payload);
    if (runlog::IsOn()) {
        runlog::Log("begain to write data to devices:\n");
        runlog::Log("%s\n", HexBytes(report, "%02x ").c_str());
    }
    {
        std::lock_guard<std::mutex> guard(mTraceLock);
        if (mTrace) {
            mTrace('>', std::span<const uint8_t>(report).subspan(1, 7 + payload.size()), true);
        }
    }
    int written = -1;
    bool lost = false;
    {
        std::lock_guard<std::mutex> guard(mIoLock);
        if (!mOpen) {
            runlog::Log("mHidHandle is NULL, can't send cmd\n");
            WRITE_ROPRT = false;
            return false;
        }
        written = mTransport->Write(report.data(), report.size());
        if (written < 0) {
            runlog::Log("Write HidDeviceObject = %d errot = %s\n", mHandleId.load(),
                        mTransport->LastError().c_str());
            lost = TransportLostLocked();
        }
    }
    WRITE_ROPRT = false;
    if (lost) {
        DropLostDevice();
    }
    if (written < 0) {
        return false;
    }
    runlog::Log("write data ok! HidDeviceObject = %d\n", mHandleId.load());
    return true;
}

bool DspLink::ReadHIDData(int timeoutMs) {
    return ReadReport(timeoutMs, nullptr);
}

// Answers found by the reading thread, whichever it is; the waiting thread looks at them
// between read slices.
struct DspLink::Waiter {
    explicit Waiter(ExpectedReply reply) : expected(reply) {}
    const ExpectedReply expected;
    std::atomic<ReplyMatch> got{ReplyMatch::None};
    std::atomic<bool> damaged{false};
    bool Done() const { return got != ReplyMatch::None || damaged; }
};

bool DspLink::ReadReport(int timeoutMs, const Waiter* waiter, std::vector<uint8_t>* bytesRead) {
    const int64_t start = mClock.NowMs();
    runlog::Log("ReadHIDData timestart = %ld\n", static_cast<long>(start));
    std::array<uint8_t, kReportSize> buffer{};
    int received = 0;
    for (;;) {
        bool lost = false;
        {
            std::lock_guard<std::mutex> guard(mIoLock);
            if (!mOpen) {
                runlog::Log("mHidHandle is NULL\n");
                WRITE_ROPRT = false;
                return false;
            }
            const int64_t left = timeoutMs - (mClock.NowMs() - start);
            const int slice =
                static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(left, kReadSliceMs)));
            received = mTransport->Read(buffer.data(), buffer.size(), slice);
            lost = received < 0 && TransportLostLocked();
        }
        if (lost) {
            DropLostDevice();
            return false;
        }
        if (received > 0 || mClock.NowMs() - start >= timeoutMs ||
            (waiter != nullptr && waiter->Done())) {
            break;
        }
        if (received < 0) {
            // A failed read is reissued until the time-out; pause so a dead device is not spun on.
            mClock.SleepMs(1);
        }
    }
    runlog::Log("ReadHIDData done timeend-timestart = %ld\n",
                static_cast<long>(mClock.NowMs() - start));
    runlog::Log("ReadHIDData NumberOfBytesRead = %d\n", std::max(received, 0));
    if (received <= 0) {
        return false;
    }
    const auto bytes = std::span<const uint8_t>(buffer.data(), static_cast<size_t>(received));
    if (runlog::IsOn()) {
        runlog::Log("read data: %s\n", HexBytes(bytes, "%02x ").c_str());
    }
    if (bytesRead != nullptr) {
        bytesRead->assign(bytes.begin(), bytes.end());
    }
    std::lock_guard<std::mutex> guard(mParserLock);
    mParser.Feed(bytes);
    return true;
}

void DspLink::OnFrame(const FrameView& frame, bool valid, std::span<const uint8_t> wire) {
    {
        std::lock_guard<std::mutex> guard(mTraceLock);
        if (mTrace) {
            mTrace('<', wire, valid);
        }
    }
    if (!valid) {
        // Most likely the answer itself: whoever waits writes the request again at once.
        for (Waiter* waiter : mWaiters) {
            waiter->damaged = true;
        }
        return;
    }
    bool taken = false;
    for (Waiter* waiter : mWaiters) {
        if (waiter->got != ReplyMatch::None) {
            continue;
        }
        const ReplyMatch match = waiter->expected.Match(frame);
        if (match != ReplyMatch::None) {
            waiter->got = match;
            taken = true;
            break;
        }
    }
    if (!taken && !mWaiters.empty()) {
        runlog::Log("type %d subcmd 0x%02x optype 0x%02x is not the answer waited for\n",
                    frame.type, frame.subcmd(), frame.optype());
    }
    // Decoded all the same: a late answer or a report of the device's own still holds values.
    packet_process(frame);
}

void DspLink::packet_process(const FrameView& frame) {
    switch (frame.type) {
        case CMD_DSP:
            runlog::Log("packet_process: packet_type(CMD_DSP)\n");
            DecodeDspReply(frame, *this);
            break;
        case CMD_FLASH:
            runlog::Log("packet_process: packet_type(CMD_FLASH)\n");
            DecodeFlashReply(frame, *this);
            OnUpgradeAck(frame);
            break;
        case CMD_MCU:
            runlog::Log("packet_process: packet_type(CMD_MCU)\n");
            DecodeMcuReply(frame, *this);
            OnUpgradeAck(frame);
            break;
        case CMD_DSP_DWRITE:
            runlog::Log("packet_process: packet_type(CMD_DSP_DWRITE)\n");
            break;
        case CMD_KTV:
            runlog::Log("packet_process: packet_type(CMD_KTV)\n");
            DecodeKtvReply(frame, *this);
            break;
        default:
            break;
    }
}

bool DspLink::Issue(uint8_t type, uint8_t subcmd, uint8_t optype, Payload payload, bool sendNow,
                    int timeoutMs, int attempts) {
    if (sendNow) {
        return Exchange(QueuedCommand{type, subcmd, optype, std::move(payload)}, timeoutMs,
                        attempts) == RequestOutcome::Answered;
    }
    if (mAsyncMode) {
        // Counted before it is visible to the consumer, so the queue never looks idle while a
        // command waits in it.
        ++mPending;
        mQueue.Push(QueuedCommand{type, subcmd, optype, std::move(payload)});
        return true;
    }
    return false;
}

RequestOutcome DspLink::Exchange(const QueuedCommand& request, int timeoutMs, int attempts) {
    if (!mOpen) {
        return RequestOutcome::Disconnected;
    }
    Waiter waiter(ExpectedReply(request.type, request.subcmd, request.optype, request.payload));
    {
        std::lock_guard<std::mutex> guard(mParserLock);
        mWaiters.push_back(&waiter);
    }
    const int64_t deadline = mClock.NowMs() + timeoutMs;
    int tries = 0;
    // A link being destroyed writes nothing more.
    for (int attempt = 0;
         attempt < attempts && mOpen && mThreadRunning && waiter.got == ReplyMatch::None;
         ++attempt) {
        if (attempt > 0) {
            if (mClock.NowMs() >= deadline) {
                break;
            }
            runlog::Log(
                "%s: no answer, try %d of %d\n",
                DescribeRequest(request.type, request.subcmd, request.optype, request.payload)
                    .c_str(),
                attempt + 1, attempts);
        }
        waiter.damaged = false;
        ++tries;
        SendCtrlCommand(request.type, request.subcmd, request.optype, request.payload);
        // What is left of the time-out is shared by the tries still to come.
        const int64_t tryEnd = mClock.NowMs() + (deadline - mClock.NowMs()) / (attempts - attempt);
        while (!waiter.Done() && mOpen && mThreadRunning) {
            const int64_t left = tryEnd - mClock.NowMs();
            if (left <= 0) {
                break;
            }
            ReadReport(static_cast<int>(left), &waiter);
        }
    }
    {
        std::lock_guard<std::mutex> guard(mParserLock);
        std::erase(mWaiters, &waiter);
    }
    const RequestOutcome outcome = waiter.got == ReplyMatch::Answer    ? RequestOutcome::Answered
                                   : waiter.got == ReplyMatch::Refusal ? RequestOutcome::Refused
                                   : mOpen                             ? RequestOutcome::NoAnswer
                                           : RequestOutcome::Disconnected;
    if (outcome != RequestOutcome::Answered) {
        const std::string what =
            DescribeRequest(request.type, request.subcmd, request.optype, request.payload);
        runlog::Log("%s: %s\n", what.c_str(),
                    outcome == RequestOutcome::Refused    ? "refused"
                    : outcome == RequestOutcome::NoAnswer ? "no answer"
                                                          : "device disconnected");
        std::lock_guard<std::mutex> guard(mTraceLock);
        if (mFailureTrace) {
            mFailureTrace(RequestFailure{what, outcome, tries});
        }
    }
    return outcome;
}

void DspLink::McuCmdThread() {
    runlog::Log("McuCmdThread start\n");
    auto logEntry = [](const QueuedCommand& command) {
        if (runlog::IsOn()) {
            runlog::Log("get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x cmd_data:%s\n",
                        command.type, command.subcmd, command.optype,
                        static_cast<unsigned>(command.payload.size()),
                        HexBytes(command.payload, " 0x%02x").c_str());
        }
    };
    while (mThreadRunning) {
        std::optional<QueuedCommand> command = mQueue.Pop();
        if (!command) {
            mClock.SleepMs(kQueueIdlePollMs);
            continue;
        }
        logEntry(*command);
        Exchange(*command, kReplyTimeoutMs, kRequestAttempts);
        --mPending;
    }
    while (std::optional<QueuedCommand> command = mQueue.Pop()) {
        logEntry(*command);
        --mPending;
    }
    runlog::Log("McuCmdThread end\n");
}

}  // namespace dsplink
