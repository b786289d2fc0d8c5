#include "link/dsp_link.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <tuple>

#include "fake_transport.h"
#include "link/reply_records.h"
#include "link/subcommands.h"

using namespace dsplink;
using testing_support::FakeTransport;
using testing_support::TransportScript;

namespace {

std::vector<uint8_t> Wire(const std::vector<uint8_t>& report) {
    const size_t n = report[3] + 2u;  // LEN counts type..payload; add sync, LEN, checksum - 1
    return std::vector<uint8_t>(report.begin() + 1, report.begin() + 1 + n + 2);
}

std::vector<uint8_t> ReplyReport(uint8_t type, uint8_t subcmd, uint8_t optype,
                                 std::vector<uint8_t> payload) {
    const OutputReport out = BuildOutputReport(type, subcmd, optype, payload);
    return std::vector<uint8_t>(out.begin() + 1, out.end());
}

struct Recorder : ReplyTarget {
    std::mutex lock;
    std::vector<LinkMessage> messages;
    void Post(LinkMessage message) override {
        std::lock_guard<std::mutex> guard(lock);
        messages.push_back(std::move(message));
    }
    size_t Count() {
        std::lock_guard<std::mutex> guard(lock);
        return messages.size();
    }
};

class DspLinkTest : public ::testing::Test {
  protected:
    std::shared_ptr<TransportScript> script = std::make_shared<TransportScript>();
    ManualClock clock;
    std::unique_ptr<DspLink> link =
        std::make_unique<DspLink>(std::make_unique<FakeTransport>(script, clock), clock);
};

}  // namespace

TEST_F(DspLinkTest, NothingIsWrittenWhileClosed) {
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(link->SendCtrlCommand(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {}));
    EXPECT_FALSE(link->ReadHIDData(10000));
    EXPECT_TRUE(script->Written().empty());
}

TEST_F(DspLinkTest, OpenFailureIsReportedAndLeavesTheLinkClosed) {
    script->openResult = OpenResult::NoAccess;
    EXPECT_EQ(link->Open(), OpenResult::NoAccess);
    EXPECT_FALSE(link->IsOpen());
}

TEST_F(DspLinkTest, PcConnectWritesItsFrameAndReadsNothing) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    script->QueueReply(ReplyReport(CMD_DSP, DSP_VOLUME, OP_UPDATE, {0xF6}));
    EXPECT_TRUE(link->PC_Connect(1));
    const auto written = script->Written();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].size(), kOutputReportSize);
    EXPECT_EQ(Wire(written[0]),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x01, 0x1E}));
    // The queued report is still there for the next read.
    std::lock_guard<std::mutex> guard(script->lock);
    EXPECT_EQ(script->replies.size(), 1u);
}

TEST_F(DspLinkTest, CloseWithNotifySaysGoodbyeBeforeReleasing) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    link->CloseHIDDevice(true);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(script->open);
    const auto written = script->Written();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(Wire(written[0]),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x00, 0x1F}));
    link->CloseHIDDevice(true);  // already closed: nothing more
    EXPECT_EQ(script->Written().size(), 1u);
}

TEST_F(DspLinkTest, HandshakeWithoutAnswerGivesUpAfterTenSeconds) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    const int64_t start = clock.NowMs();
    EXPECT_FALSE(link->Hand_Connect());
    const int64_t waited = clock.NowMs() - start;
    EXPECT_GE(waited, 10000);
    EXPECT_LT(waited, 10500);
    EXPECT_EQ(script->Written().size(), static_cast<size_t>(kRequestAttempts));
}

TEST_F(DspLinkTest, HandshakeReplyIsDecodedOnTheReadingThread) {
    Recorder main;
    link->SetTarget(ReplyTargetId::Main, &main);
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    script->responder = [](const std::vector<uint8_t>& report) {
        return report[5] == MCU_HANDSHAKE
                   ? ReplyReport(CMD_MCU, MCU_HANDSHAKE, OP_UPDATE, {0x00, 78, 16, 24})
                   : std::vector<uint8_t>{};
    };
    ASSERT_TRUE(link->Hand_Connect());
    EXPECT_TRUE(link->State().mcu_is_normal_mode);
    EXPECT_EQ(link->State().deviceModel, 78);
    ASSERT_EQ(main.Count(), 1u);
    EXPECT_EQ(main.messages[0].message, WM_READ_MCU_VALUE);
    auto* info = dynamic_cast<McuHandshakeInfo*>(main.messages[0].record.get());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->slaveVersion, 24);
}

TEST_F(DspLinkTest, RepliesWithoutATargetAreFreedNotDelivered) {
    // The record of an unregistered target is released with its message (LeakSanitizer checks).
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    script->QueueReply(ReplyReport(CMD_MCU, MCU_HANDSHAKE, OP_UPDATE, {0x00, 78, 1, 2}));
    EXPECT_TRUE(link->ReadHIDData(100));
    EXPECT_EQ(link->State().deviceModel, 78);
}

TEST_F(DspLinkTest, TraceShowsFramesWrittenAndReceived) {
    std::vector<std::string> lines;
    link->SetFrameTrace([&](char direction, std::span<const uint8_t> wire, bool valid) {
        std::string line(1, direction);
        for (uint8_t b : wire) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", b);
            line += hex;
        }
        lines.push_back(line + (valid ? "" : " bad"));
    });
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    link->PC_Connect(1);
    auto reply = ReplyReport(CMD_DSP, DSP_VOLUME, OP_UPDATE, {0xF6});
    reply[7] ^= 0x01;  // corrupt the checksum
    script->QueueReply(reply);
    link->ReadHIDData(100);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "> AA 55 04 03 1F BB 01 1E");
    EXPECT_EQ(lines[1], "< AA 55 04 01 02 DD F6 27 bad");
}

TEST_F(DspLinkTest, AFailedWriteIsNotRetriedAndTheReadStillWaits) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    script->failWrites = true;
    EXPECT_FALSE(link->SendCtrlCommand(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {}));
    EXPECT_TRUE(script->Written().empty());
    script->failWrites = false;
    EXPECT_TRUE(link->SendCtrlCommand(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {}));
    EXPECT_EQ(script->Written().size(), 1u);
}

TEST_F(DspLinkTest, OversizedPayloadIsRefused) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    std::vector<uint8_t> payload(kMaxPayload + 1, 0);
    EXPECT_FALSE(link->SendCtrlCommand(CMD_DSP, DSP_DELAY_CH, OP_WRITE, payload));
    EXPECT_TRUE(script->Written().empty());
    payload.pop_back();
    EXPECT_TRUE(link->SendCtrlCommand(CMD_DSP, DSP_DELAY_CH, OP_WRITE, payload));
}

TEST(DspLinkClose, ClosingEndsAWriterWaitingForTheWriteFlag) {
    // Real time: one writer is held inside the transport while a second waits for its turn.
    auto script = std::make_shared<TransportScript>();
    SystemClock clock;
    DspLink link(std::make_unique<FakeTransport>(script, clock), clock);
    ASSERT_EQ(link.Open(), OpenResult::Opened);
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> writes{0};
    script->beforeWrite = [&] {
        if (writes++ == 0) {
            entered.set_value();
            released.wait();
        }
    };
    auto first = std::async(std::launch::async, [&] {
        return link.SendCtrlCommand(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {});
    });
    entered.get_future().wait();
    auto second = std::async(std::launch::async, [&] {
        return link.SendCtrlCommand(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {});
    });
    auto closer = std::async(std::launch::async, [&] { link.CloseHIDDevice(false); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release.set_value();
    closer.wait();
    EXPECT_TRUE(first.get());
    EXPECT_FALSE(second.get());
    EXPECT_EQ(script->Written().size(), 1u);
}

TEST_F(DspLinkTest, DestroyingTheLinkSendsNoneOfTheQueuedCommands) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> writes{0};
    script->beforeWrite = [&] {
        if (writes++ == 0) {
            entered.set_value();
            released.wait();
        }
    };
    link->SetAsyncMode(true);
    EXPECT_TRUE(link->Source_Switch_Ctrl(0x51, false));
    entered.get_future().wait();  // McuCmdThread is inside the first write
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(link->Source_Switch_Ctrl(0x52, false));
    }
    EXPECT_FALSE(link->QueueIdle());
    auto destroyed = std::async(std::launch::async, [&] { link.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release.set_value();
    destroyed.wait();
    EXPECT_EQ(script->Written().size(), 1u);
}

TEST_F(DspLinkTest, OnlyItsOwnAnswerEndsARequest) {
    Recorder main;
    link->SetTarget(ReplyTargetId::Main, &main);
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    // Ahead of the answer: late answers for another output and another scene, a report of the
    // device's own, an acknowledgement, a report without a frame.
    script->QueueReply(ReplyReport(CMD_DSP, DSP_DELAY_CH, OP_UPDATE, {0, 0, 4, 4, 2, 0, 0}));
    script->QueueReply(ReplyReport(CMD_DSP, DSP_DELAY_CH, OP_UPDATE, {1, 0, 0, 0, 2, 0, 0}));
    script->QueueReply(ReplyReport(CMD_MCU, MCU_PING, OP_UPDATE, {}));
    script->QueueReply(ReplyReport(CMD_DSP, DSP_DELAY_CH, OP_ACK, {ACK_READY, 0}));
    script->QueueReply(std::vector<uint8_t>(64, 0));
    script->responder = [](const std::vector<uint8_t>&) {
        return ReplyReport(CMD_DSP, DSP_DELAY_CH, OP_UPDATE, {0, 0, 0, 0, 1, 0, 0xFA});
    };
    EXPECT_TRUE(link->Get_Delay(0, 0, 0, 0));
    EXPECT_EQ(script->Written().size(), 1u);
    // Everything that passed its checksum was decoded all the same, the answer last.
    std::lock_guard<std::mutex> guard(main.lock);
    ASSERT_EQ(main.messages.size(), 4u);
    const auto* answer = dynamic_cast<DelayRecord*>(main.messages[3].record.get());
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(std::tuple(answer->scene, answer->channel), std::tuple(0, 0));
    EXPECT_FLOAT_EQ(answer->delay, 1.25f);
}

TEST_F(DspLinkTest, ALostOrDamagedAnswerIsAskedForAgainAndASplitOneReadWhole) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    const std::vector<uint8_t> answer =
        ReplyReport(CMD_DSP, DSP_DELAY_CH, OP_UPDATE, {0, 0, 0, 0, 1, 0, 0xFA});
    enum class Fault { Lost, Damaged, Split };
    for (const Fault fault : {Fault::Lost, Fault::Damaged, Fault::Split}) {
        SCOPED_TRACE(static_cast<int>(fault));
        {
            std::lock_guard<std::mutex> guard(script->lock);
            script->written.clear();
        }
        int writes = 0;
        script->responder = [&](const std::vector<uint8_t>&) {
            if (writes++ > 0) {
                return answer;
            }
            std::vector<uint8_t> first = answer;
            switch (fault) {
                case Fault::Lost:
                    return std::vector<uint8_t>{};
                case Fault::Damaged:
                    first[10] ^= 0xFF;  // the checksum
                    return first;
                case Fault::Split:
                    // The first five bytes end one report, the rest starts the next. Called
                    // under the script's lock: the head goes in line first, the tail next.
                    first.assign(59, 0);
                    first.insert(first.end(), answer.begin(), answer.begin() + 5);
                    script->replies.push_back(first);
                    return std::vector<uint8_t>(answer.begin() + 5, answer.end());
            }
            return first;
        };
        const int64_t start = clock.NowMs();
        EXPECT_TRUE(link->Get_Delay(0, 0, 0, 0));
        const int64_t waited = clock.NowMs() - start;
        // A lost answer costs a third of the time-out; the others are handled as they arrive.
        EXPECT_EQ(script->Written().size(), fault == Fault::Split ? 1u : 2u);
        if (fault == Fault::Lost) {
            EXPECT_GE(waited, kReplyTimeoutMs / kRequestAttempts);
        }
        EXPECT_LT(waited, kReplyTimeoutMs / kRequestAttempts * 2);
        // The next request gets its own answer, not a leftover.
        script->responder = [](const std::vector<uint8_t>&) {
            return ReplyReport(CMD_DSP, DSP_MUTE, OP_ACK, {ACK_READY, 1});
        };
        EXPECT_TRUE(link->Mute_Ctrl(1, true));
        std::lock_guard<std::mutex> guard(script->lock);
        EXPECT_TRUE(script->replies.empty());
    }
}

TEST_F(DspLinkTest, AWriteIsAnsweredByItsAcknowledgementOrItsValuesAndARefusalEndsIt) {
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    uint8_t status = NOT_READY;
    script->responder = [&](const std::vector<uint8_t>& report) {
        return ReplyReport(report[4], report[5], OP_ACK, {status, 0});
    };
    EXPECT_FALSE(link->Get_Trim(0, 0, 0, 11));
    EXPECT_FALSE(link->Mute_Ctrl(1, true));
    EXPECT_EQ(script->Written().size(), 2u);
    status = ACK_READY;
    EXPECT_TRUE(link->Mute_Ctrl(1, true));
    script->responder = [](const std::vector<uint8_t>& report) {
        return ReplyReport(report[4], report[5], OP_UPDATE, {1});
    };
    EXPECT_TRUE(link->Mute_Ctrl(1, true));
    EXPECT_EQ(script->Written().size(), 4u);
}

TEST_F(DspLinkTest, ADeviceGoneClosesTheLinkAndEveryRequestFailsAtOnce) {
    Recorder main;
    link->SetTarget(ReplyTargetId::Main, &main);
    std::vector<RequestFailure> failures;
    link->SetFailureTrace([&](const RequestFailure& f) { failures.push_back(f); });
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    // Unplugged while the request waits for its answer.
    script->responder = [&](const std::vector<uint8_t>&) {
        script->gone = true;
        return std::vector<uint8_t>{};
    };
    const int64_t start = clock.NowMs();
    EXPECT_FALSE(link->Get_Trim(0, 0, 0, 11));
    EXPECT_LT(clock.NowMs() - start, kReplyTimeoutMs / kRequestAttempts);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(script->open);
    ASSERT_EQ(main.Count(), 1u);
    EXPECT_EQ(main.messages[0].message, WM_DEVICE_DISCONNECT);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].request, "DSP_TRIM_CH read 00 00 00 0B");
    EXPECT_EQ(failures[0].outcome, RequestOutcome::Disconnected);

    // What comes after fails without a write, queued or not, and is not reported again.
    link->SetAsyncMode(true);
    EXPECT_FALSE(link->Get_Mute());
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(link->Mute_Ctrl(1, false));
    }
    for (int i = 0; i < 1000 && !link->QueueIdle(); ++i) {
        clock.SleepMs(1);
    }
    EXPECT_TRUE(link->QueueIdle());
    EXPECT_EQ(script->Written().size(), 1u);
    EXPECT_EQ(failures.size(), 1u);

    // Plugged in again: a new handle.
    script->gone = false;
    script->responder = [](const std::vector<uint8_t>&) {
        return ReplyReport(CMD_DSP, DSP_MUTE, OP_ACK, {ACK_READY, 1});
    };
    ASSERT_EQ(link->Open(), OpenResult::Opened);
    EXPECT_TRUE(link->Mute_Ctrl(1, true));
}
