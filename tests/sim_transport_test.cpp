#include "sim/sim_transport.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <thread>
#include <vector>

#include "link/subcommands.h"

using namespace dsplink;
using sim::SimTransport;
using sim::VirtualAmplifier;
using Bytes = std::vector<uint8_t>;

namespace {

struct Seen {
    uint8_t type = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    Bytes payload;
    bool valid = false;
};

class TransportTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(transport.Open(), OpenResult::Opened); }

    int Send(uint8_t type, uint8_t subcmd, uint8_t optype, const Bytes& p = {}) {
        const OutputReport report = BuildOutputReport(type, subcmd, optype, p);
        return transport.Write(report.data(), report.size());
    }
    // One report, fed to a parser as the link would; nullopt on time-out or error.
    std::optional<std::array<uint8_t, kReportSize>> Receive(int timeoutMs) {
        std::array<uint8_t, kReportSize> report{};
        const int n = transport.Read(report.data(), report.size(), timeoutMs);
        last = n;
        if (n <= 0) {
            return std::nullopt;
        }
        EXPECT_EQ(n, static_cast<int>(kReportSize));
        parser.Feed(std::span<const uint8_t>(report.data(), static_cast<size_t>(n)));
        return report;
    }
    int64_t Elapsed() { return clock.NowUs() - start; }

    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    ManualClock clock;
    SimTransport transport{amp, clock};
    int64_t start = 0;
    int last = 0;
    std::vector<Seen> seen;
    FrameParser parser{[this](const FrameView& f, bool valid, std::span<const uint8_t>) {
        Seen s{f.type, 0, 0, {}, valid};
        if (f.body.size() >= 2) {
            s.subcmd = f.subcmd();
            s.optype = f.optype();
            s.payload.assign(f.payload().begin(), f.payload().end());
        }
        seen.push_back(std::move(s));
    }};
};

}  // namespace

TEST_F(TransportTest, EachReportTakesTheDelayAndReadsWakeExactlyWhenTheReplyIsDue) {
    amp->SetReportDelayUs(1300);
    start = clock.NowUs();
    EXPECT_EQ(Send(CMD_DSP, DSP_MUTE, OP_READ), static_cast<int>(kOutputReportSize));
    EXPECT_EQ(Elapsed(), 1300);
    EXPECT_FALSE(Receive(0));  // not due yet
    EXPECT_EQ(last, 0);
    ASSERT_TRUE(Receive(100));
    EXPECT_EQ(Elapsed(), 2600);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].optype, OP_UPDATE);
    // Nothing pending: the read waits out its time-out and no more.
    start = clock.NowUs();
    EXPECT_FALSE(Receive(5));
    EXPECT_EQ(Elapsed(), 5000);
    // Without a delay the answer is there at once.
    amp->SetReportDelayUs(0);
    start = clock.NowUs();
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    EXPECT_TRUE(Receive(100));
    EXPECT_EQ(Elapsed(), 0);
}

TEST_F(TransportTest, LostRepliesCountOnlyAnsweredRequests) {
    amp->DropReplies(2);
    Send(CMD_MCU, MCU_PC_CONNECT, OP_WRITE, {1});  // never answered, so nothing is lost here
    Send(CMD_DSP, DSP_MUTE, OP_WRITE, {1});
    EXPECT_FALSE(Receive(50));
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    EXPECT_FALSE(Receive(50));
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    ASSERT_TRUE(Receive(50));
    ASSERT_EQ(seen.size(), 1u);
    // The write whose answer was lost was still applied.
    EXPECT_EQ(seen[0].payload, Bytes{1});
}

TEST_F(TransportTest, CorruptedChecksumHitsOneReplyOnly) {
    amp->CorruptNextReply();
    Send(CMD_DSP, DSP_SOURCE_SWITCH, OP_READ);
    ASSERT_TRUE(Receive(50));
    Send(CMD_DSP, DSP_SOURCE_SWITCH, OP_READ);
    ASSERT_TRUE(Receive(50));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].valid);
    EXPECT_TRUE(seen[1].valid);
    EXPECT_EQ(seen[1].payload, Bytes{0x51});
}

TEST_F(TransportTest, SplitReplyEndsOneReportAndCompletesInTheNext) {
    amp->SetReportDelayUs(1000);
    amp->SplitNextReply();
    start = clock.NowUs();
    Send(CMD_DSP, DSP_FILTER_SET, OP_READ, {0, 0, 0, 3});  // a 43-byte frame
    const auto head = Receive(100);
    ASSERT_TRUE(head);
    EXPECT_EQ(Elapsed(), 2000);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ((*head)[kReportSize - 21], 0xAA);  // the first half sits at the report's end
    EXPECT_EQ((*head)[kReportSize - 22], 0x00);
    ASSERT_TRUE(Receive(100));
    EXPECT_EQ(Elapsed(), 3000);  // the rest follows one report later
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].valid);
    EXPECT_EQ(seen[0].payload.size(), 36u);

    // When the host asks again before reading the rest, the next answer shares its report.
    amp->SetReportDelayUs(0);
    amp->SplitNextReply();
    Send(CMD_DSP, DSP_FILTER_SET, OP_READ, {0, 0, 4, 7});
    ASSERT_TRUE(Receive(50));
    EXPECT_EQ(seen.size(), 1u);
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    ASSERT_TRUE(Receive(50));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].subcmd, DSP_FILTER_SET);
    EXPECT_TRUE(seen[1].valid);
    EXPECT_EQ(seen[2].subcmd, DSP_MUTE);
    EXPECT_EQ(transport.PendingReports(), 0u);
}

TEST_F(TransportTest, UnpluggingKillsTheHandleUntilReopened) {
    int arrivals = 0;
    int removals = 0;
    amp->SetHotplugCallbacks([&] { ++arrivals; }, [&] { ++removals; });
    Send(CMD_DSP, DSP_MUTE, OP_READ);  // answer pending when the cable goes
    amp->Unplug();
    amp->Unplug();
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(Send(CMD_DSP, DSP_MUTE, OP_READ), -1);
    EXPECT_FALSE(Receive(10));
    EXPECT_EQ(last, -1);
    EXPECT_FALSE(transport.LastError().empty());
    EXPECT_EQ(transport.Open(), OpenResult::NotFound);

    amp->PlugIn();
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(Send(CMD_DSP, DSP_MUTE, OP_READ), -1);  // the old handle stays dead
    ASSERT_EQ(transport.Open(), OpenResult::Opened);
    EXPECT_FALSE(Receive(0));  // the answer from before the unplug is gone
    EXPECT_EQ(last, 0);
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    EXPECT_TRUE(Receive(50));
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(TransportTest, UnsolicitedReportsQueueBehindEarlierAnswers) {
    Send(CMD_DSP, DSP_MUTE, OP_READ);
    amp->QueuePing();
    ASSERT_TRUE(Receive(10));
    ASSERT_TRUE(Receive(10));
    EXPECT_FALSE(Receive(10));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].subcmd, DSP_MUTE);
    EXPECT_EQ(seen[1].type, CMD_MCU);
    EXPECT_EQ(seen[1].subcmd, MCU_PING);
}

TEST_F(TransportTest, StatePokedFromAnotherThreadNeverCostsAnAnswer) {
    constexpr int kExchanges = 500;
    int answered = 0;
    std::thread host([&] {
        for (int i = 0; i < kExchanges; ++i) {
            Send(CMD_DSP, DSP_VOLUME, OP_READ);
            while (Receive(100)) {
                if (!seen.empty() && seen.back().subcmd == DSP_VOLUME) {
                    ++answered;
                    break;
                }
            }
        }
    });
    for (int i = 0; i < kExchanges; ++i) {
        amp->Modify([i](sim::DeviceState& s) { s.mainVolume = static_cast<uint8_t>(i); });
        if (i % 50 == 0) {
            amp->QueuePing();
        }
    }
    host.join();
    EXPECT_EQ(answered, kExchanges);
}
