// The four reply decoders behind the real frame parser: what each reply posts, to whom, with
// which values; how they treat short, oversized and inconsistent replies; what they log.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "fake_transport.h"
#include "link/clock.h"
#include "link/dsp_link.h"
#include "link/subcommands.h"
#include "reply_decoders_support.h"
#include "shell/run_log.h"

namespace reply_test {
namespace {

constexpr std::array<uint8_t, 4> kOptypes = {OP_WRITE, OP_READ, OP_UPDATE, OP_ACK};

// Decodes one reply, framed on the wire and parsed, into a fresh context.
void RunCase(const ReplyCase& c, FakeContext& context, uint8_t optype) {
    if (c.setup) {
        c.setup(context);
    }
    Harness harness(context);
    harness.Reply(c.type, c.subcmd, optype, c.payload);
    ASSERT_EQ(harness.dispatched, 1) << "the frame did not pass the parser";
}

std::vector<Posted> Decode(uint8_t type, uint8_t subcmd, const std::vector<uint8_t>& payload,
                           FakeContext& context, uint8_t optype = OP_UPDATE) {
    Harness harness(context);
    harness.Reply(type, subcmd, optype, payload);
    return std::move(context.posted);
}

// A FrameView straight from bytes (subcmd, optype, payload), for frames the parser never makes.
FrameView View(uint8_t type, const std::vector<uint8_t>& body) {
    return FrameView{static_cast<uint8_t>(body.size() + 1), type, body};
}

std::vector<uint8_t> Concat(std::vector<uint8_t> head, size_t fill, uint8_t byte) {
    head.insert(head.end(), fill, byte);
    return head;
}

// ---------------------------------------------------------------------------------------------
// Every subcommand row.

uint32_t UsualMessage(uint8_t type) {
    switch (type) {
        case CMD_DSP:
            return WM_READ_DSP_VALUE;
        case CMD_MCU:
            return WM_READ_MCU_VALUE;
        case CMD_FLASH:
            return WM_READ_FLASH_VALUE;
        default:
            return WM_READ_KTV_VALUE;
    }
}

TEST(ReplyTable, EveryRowPostsItsMessagesAndValues) {
    for (const ReplyCase& c : AllReplyCases()) {
        SCOPED_TRACE(c.name);
        FakeContext context;
        RunCase(c, context, c.optype);
        ASSERT_EQ(context.posted.size(), c.Posts());
        for (size_t i = 0; i < context.posted.size(); ++i) {
            const Posted& post = context.posted[i];
            EXPECT_EQ(post.target, c.target);
            EXPECT_EQ(post.message, c.message != 0 ? c.message : UsualMessage(c.type));
            EXPECT_EQ(post.wParam, c.wParam >= 0 ? c.wParam : c.subcmd);
            if (i < c.values.size()) {
                EXPECT_EQ(post.value, c.values[i]);
                EXPECT_EQ(post.record, nullptr);
            } else {
                EXPECT_EQ(post.value, 0);
                ASSERT_NE(post.record, nullptr);
                EXPECT_EQ(Flatten(*post.record), c.records[i - c.values.size()]);
            }
        }
        if (c.check) {
            c.check(context);
        }
    }
}

TEST(ReplyTable, OtherOptypesPostNothingAndKeepTheState) {
    for (const ReplyCase& c : AllReplyCases()) {
        if (c.Posts() == 0) {
            continue;
        }
        for (uint8_t optype : kOptypes) {
            if (optype == c.optype) {
                continue;
            }
            SCOPED_TRACE(c.name + " with optype " + std::to_string(optype));
            FakeContext context;
            context.state.mcu_is_normal_mode = true;
            context.state.deviceModel = 12;
            RunCase(c, context, optype);
            EXPECT_TRUE(context.posted.empty());
            EXPECT_TRUE(context.state.mcu_is_normal_mode);
            EXPECT_EQ(context.state.deviceModel, 12);
        }
    }
}

TEST(ReplyTable, CoversEverySubcommandThatPosts) {
    // A decoder that posts for a code no row names would escape the table: sweep all codes.
    std::set<std::pair<uint8_t, uint8_t>> covered;
    for (const ReplyCase& c : AllReplyCases()) {
        covered.insert({c.type, c.subcmd});
    }
    for (uint8_t type : {CMD_DSP, CMD_FLASH, CMD_MCU, CMD_KTV}) {
        for (int subcmd = 0; subcmd < 256; ++subcmd) {
            if (covered.count({type, static_cast<uint8_t>(subcmd)}) != 0) {
                continue;
            }
            for (uint8_t optype : kOptypes) {
                FakeContext context;
                const auto posted = Decode(type, static_cast<uint8_t>(subcmd),
                                           std::vector<uint8_t>(20, 0x0A), context, optype);
                EXPECT_TRUE(posted.empty()) << "type " << int{type} << " subcmd " << subcmd;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Framing in front of the decoders. (Untrusted ranges and lengths are rows of the table.)

TEST(DecoderFraming, FramesWithoutSubcmdOrOptypeAreIgnored) {
    for (uint8_t type : {CMD_DSP, CMD_FLASH, CMD_MCU, CMD_KTV}) {
        for (const std::vector<uint8_t>& body :
             {std::vector<uint8_t>{}, std::vector<uint8_t>{MCU_PING}}) {
            FakeContext context;
            context.state.mcu_is_normal_mode = true;
            Dispatch(View(type, body), context);
            EXPECT_TRUE(context.posted.empty());
            EXPECT_TRUE(context.state.mcu_is_normal_mode);
        }
    }
}

TEST(DecoderFraming, DspReplyCountRunsOverEveryDspFrame) {
    FakeContext context;
    Harness harness(context);
    harness.Reply(CMD_DSP, DSP_VOLUME, OP_UPDATE, {1});
    harness.Reply(CMD_DSP, 0x48, OP_ACK, {});
    harness.Reply(CMD_MCU, MCU_PING, OP_UPDATE, {});
    harness.Reply(CMD_DSP, DSP_IRC_CTRL, OP_UPDATE, {0, 0, 0, 0, 0});
    EXPECT_EQ(context.state.dspReplyCount, 3u);
}

TEST(DecoderFraming, ReplySplitOverTwoReportsIsDecodedOnce) {
    FakeContext context;
    Harness harness(context);
    const std::vector<uint8_t> wire =
        Wire(CMD_DSP, DSP_EQ_CH, OP_UPDATE, Concat({0, 0, 0, 0, 6}, 42, 0x05));
    std::vector<uint8_t> first(64, 0);
    std::copy(wire.begin(), wire.begin() + 30, first.begin() + 34);
    harness.Feed(first);
    EXPECT_TRUE(context.posted.empty());
    std::vector<uint8_t> second(64, 0);
    std::copy(wire.begin() + 30, wire.end(), second.begin());
    harness.Feed(second);
    EXPECT_EQ(context.posted.size(), 7u);
    EXPECT_EQ(harness.dispatched, 1);
}

// ---------------------------------------------------------------------------------------------
// Log lines.

class LogCapture {
  public:
    LogCapture() : mPath(testing::TempDir() + "reply_decoders_log.txt") {
        mSink = std::fopen("/dev/null", "w");
        runlog::Open(mPath, mSink);
        runlog::SetTimestamp(false);
    }
    ~LogCapture() {
        runlog::Close();
        runlog::SetTimestamp(true);
        std::fclose(mSink);
        std::remove(mPath.c_str());
    }
    std::string Text() {
        runlog::Close();
        std::ifstream in(mPath, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::string mPath;
    std::FILE* mSink = nullptr;
};

TEST(DecoderLog, LinesAsTheDeviceTraceShowsThem) {
    LogCapture capture;
    FakeContext context;
    Harness harness(context);
    harness.Reply(CMD_DSP, DSP_EQ_CH, OP_UPDATE, {0, 0, 0, 0, 0, 0x03, 0xE8, 0x02, 0x32, 0x0E, 5});
    harness.Reply(CMD_DSP, DSP_DELAY_CH, OP_UPDATE, {0, 0, 3, 3, 1, 0x00, 0xFA});
    harness.Reply(CMD_DSP, DSP_MIX_TYPE2, OP_UPDATE, {0, 0, 1});
    harness.Reply(CMD_DSP, DSP_VOLUME, OP_UPDATE, {0xF6});
    harness.Reply(CMD_DSP, DSP_VOLUME, OP_ACK, {0x0A});
    harness.Reply(CMD_DSP, DSP_CH_TYPE, OP_ACK, {0x0A});
    harness.Reply(CMD_DSP, DSP_SOURCE_CONFIG, OP_UPDATE, {2, 0x51, 0x53});
    harness.Reply(CMD_DSP, DSP_SPK_CH_CONFIG, OP_UPDATE, {0x2A});
    harness.Reply(CMD_DSP, DSP_INPUT_THRESHOLD, OP_UPDATE, {0xE2});
    harness.Reply(CMD_DSP, DSP_IRC_CTRL, OP_UPDATE, {11, 0, 0, 0, 2});
    harness.Reply(CMD_DSP, DSP_IRC_CTRL, OP_UPDATE, {10, 0, 0, 100, 0});
    harness.Reply(CMD_DSP, 0x48, OP_UPDATE, {});
    harness.Reply(CMD_MCU, MCU_HANDSHAKE, OP_UPDATE, {0, 78, 3, 1});
    harness.Reply(CMD_MCU, MCU_PING, OP_UPDATE, {});
    harness.Reply(CMD_MCU, MCU_GET_DSPFLASH_VER, OP_UPDATE, {16, 24, 0, 1});
    harness.Reply(CMD_MCU, MCU_ACC, OP_UPDATE, {0xFB});
    harness.Reply(CMD_MCU, MCU_INIT, OP_ACK, {});
    harness.Reply(CMD_MCU, 0x77, OP_UPDATE, {});
    harness.Reply(CMD_FLASH, FLASH_SCENE_ID, OP_UPDATE, {2});
    harness.Reply(CMD_FLASH, FLASH_SCENE_VALID, OP_UPDATE, {0x00, 0x07});
    harness.Reply(CMD_FLASH, 0x77, OP_UPDATE, {});
    harness.Reply(CMD_KTV, KTV_MIC_VOL, OP_UPDATE, {30, 1, 2});
    harness.Reply(CMD_KTV, KTV_ECHO_DELAY, OP_UPDATE, {0x01, 0x2C});
    harness.Reply(CMD_KTV, KTV_BASS_GAIN, OP_UPDATE, {0xFA});
    harness.Reply(CMD_KTV, KTV_TREBLE_GAIN, OP_UPDATE, {0x03});
    harness.Reply(CMD_KTV, 0x77, OP_UPDATE, {});
    const std::string log = capture.Text();

    for (const char* line : {
             "dsp_ack_process 1, cmd(0x00000006), OP(dd), DSP_EQ_CH\n",
             "band(0), freq(1000), Q(2.50), Gain(-3.50)\n",
             "dsp_ack_process 2, cmd(0x00000007), OP(dd), DSP_DELAY_CH\n",
             "ch(3), delay(1.250)\n",
             "dsp_ack_process 3, cmd(0x00000083), OP(dd), DSP_MIX_TYPE2\n",
             "DSP_VOLUME OP_UPDATE, MVol = -10\n",
             "DSP_VOLUME OP_ACK\n",
             "DSP_CH_TYPE OP_ACK\n",
             "DSP_SOURCE_CONFIG update total source=2 -->\nsource0 = 81\nsource1 = 83\n",
             "DSP_SPK_CH_CONFIG spk_cfg(0x2a)\n",
             "input_threshold = -30\n",
             "DSP_IRC_CTRL Update Status = 0xb, progress = 2\n",
             "IRC_RET_TEST_FAIL->\nIRC_FAIL_NO_SPEAKER\n",
             "IRC_RET_TEST_DONE\n",
             "dsp_ack_process 12, cmd(0x00000048), OP(dd), 0x48\n!!! NOT SUPPORT MSG\n",
             "MCU_HANDSHAKE\nmodel = 78, master verion = 3, slave verion = 1\n",
             "\nMCU_PING\n\n post WM_READ_MCU_VALUE + MCU_PING\n",
             "flashver = 16240001\n",
             "MCU_ACC OP=0xdd, delay = -5\n",
             "MCU INIT\n",
             "FLASH_SCENE_ID current scene id = 2\n",
             "FLASH_SCENE_VALID valid scene = 7\n",
             "KTV MIC VOL OP=0xdd, scene=30, src = 1, mic vol=2\n",
             "KTV ECHO_DELAY OP=0xdd, scene=1, src = 44, delay=300\n",
             "KTV_BASS_GAIN  low freq gain=-6\n",
             "KTV_TREBLE_GAIN treble gain=3\n",
         }) {
        EXPECT_NE(log.find(line), std::string::npos) << "missing: " << line;
    }
    // One unsupported code per decoder: DSP 0x48, MCU, flash and KTV 0x77.
    size_t unsupported = 0;
    for (size_t at = log.find("!!! NOT SUPPORT MSG\n"); at != std::string::npos;
         at = log.find("!!! NOT SUPPORT MSG\n", at + 1)) {
        ++unsupported;
    }
    EXPECT_EQ(unsupported, 4u);
}

// ---------------------------------------------------------------------------------------------
// Through the link: a record posted to a target nobody registered is freed there (the
// sanitizer build's leak check fails otherwise); a registered target receives it.

class RecordingTarget : public ReplyTarget {
  public:
    void Post(LinkMessage message) override { messages.push_back(std::move(message)); }
    std::vector<LinkMessage> messages;
};

TEST(DecoderDelivery, RecordsReachTheirTargetOrAreFreed) {
    ManualClock clock;
    auto script = std::make_shared<testing_support::TransportScript>();
    script->responder = [](const std::vector<uint8_t>& report) {
        std::vector<uint8_t> reply =
            Wire(CMD_DSP, DSP_EQ_CH, OP_UPDATE, Concat({0, 0, report[9], 0, 1}, 12, 0x05));
        reply.resize(64, 0);
        return reply;
    };
    DspLink link(std::make_unique<testing_support::FakeTransport>(script, clock), clock);
    ASSERT_EQ(link.Open(), OpenResult::Opened);

    EXPECT_TRUE(link.Get_EQ(0, 0, 4, 0, 1));  // nobody listens

    RecordingTarget main;
    link.SetTarget(ReplyTargetId::Main, &main);
    EXPECT_TRUE(link.Get_EQ(0, 0, 5, 0, 1));
    link.SetTarget(ReplyTargetId::Main, nullptr);
    ASSERT_EQ(main.messages.size(), 2u);
    const auto* record = dynamic_cast<const EqRecord*>(main.messages[1].record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(main.messages[1].message, WM_READ_DSP_VALUE);
    EXPECT_EQ(record->channel, 5);
    EXPECT_EQ(record->band, 1);
}

}  // namespace
}  // namespace reply_test
