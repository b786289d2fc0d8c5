// The tool operations against the virtual amplifier, with the frames they write: threshold and
// power-off delay clamps and encodings, nothing sent for an unchanged value, the noise poll and
// its reply, memory words, the auto-configuration record, and the memory window's numbers.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

#include "link/subcommands.h"
#include "model/tool_operations.h"
#include "recording_transport.h"

namespace {

using model_test::Frame;

class ToolOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
    }
    std::vector<Frame> Sent() {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        EXPECT_TRUE(link.QueueIdle());
        std::vector<Frame> out;
        out.swap(frames);
        return out;
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    std::vector<Frame> frames;
    dsplink::DspLink link{std::make_unique<model_test::RecordingTransport>(amp, clock, frames),
                          clock};
    model::ProfileRecord live;
    model::ModelChanges changes;
    model::ToolOperations ops{live, link, changes};
};

TEST_F(ToolOperationsTest, ThresholdIsClampedSentAsASignedByteAndOnlyWhenItChanges) {
    using dsplink::DSP_INPUT_THRESHOLD;
    ops.SetInputThreshold(-30);
    EXPECT_EQ(live.inputThreshold, -40);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{DSP_INPUT_THRESHOLD, 0xD8}}));
    ops.SetInputThreshold(-40);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(ops.SetInputThresholdEdit("-100", "OFF"));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{DSP_INPUT_THRESHOLD, 0xAF}}));
    ops.StepInputThreshold(false);  // already off
    EXPECT_TRUE(Sent().empty());
    ops.StepInputThreshold(true);
    EXPECT_EQ(live.inputThreshold, -80);
    EXPECT_TRUE(ops.SetInputThresholdEdit(" off ", "OFF"));
    EXPECT_EQ(live.inputThreshold, -81);
    EXPECT_TRUE(ops.SetInputThresholdEdit("-52dBu", "OFF"));
    EXPECT_EQ(live.inputThreshold, -52);
    EXPECT_EQ(Sent().size(), 3u);
    // A typo leaves everything as it was.
    for (const char* typo : {"", "abc", "-5x", "dBu"}) {
        EXPECT_FALSE(ops.SetInputThresholdEdit(typo, "OFF")) << typo;
    }
    EXPECT_EQ(live.inputThreshold, -52);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(static_cast<int8_t>(amp->Snapshot().inputThreshold), -52);
}

TEST_F(ToolOperationsTest, PowerOffDelayIsClampedAndSentBigEndian) {
    using dsplink::MCU_POWER_OFF_TIME;
    EXPECT_TRUE(ops.SetPowerOffDelayEdit("5000"));
    EXPECT_EQ(live.powerOffDelay, 1000);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{MCU_POWER_OFF_TIME, 0x03, 0xE8}}));
    EXPECT_TRUE(ops.SetPowerOffDelayEdit("1000 ms"));
    ops.StepPowerOffDelay(true);
    EXPECT_TRUE(Sent().empty());
    ops.SetPowerOffDelay(-5);
    ops.StepPowerOffDelay(false);
    ops.StepPowerOffDelay(true);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{MCU_POWER_OFF_TIME, 0, 0}, {MCU_POWER_OFF_TIME, 0, 1}}));
    EXPECT_EQ(amp->Snapshot().powerOffTime, 1);
}

TEST_F(ToolOperationsTest, NoisePollAsksForTheInputsAndTheReplyReachesTheMeters) {
    amp->SetInputNoise(0, -62.5f);
    amp->SetInputNoise(1, -20.0f);
    int told = 0;
    struct Counter : model::ModelSubscriber {
        explicit Counter(int& n) : count(n) {}
        void OnModelChange(const model::ModelChange& c) override {
            count += c.kind == model::ChangeKind::InputNoise ? 1 : 0;
        }
        int& count;
    } counter(told);
    changes.Subscribe(&counter);
    EXPECT_FLOAT_EQ(ops.InputNoise(0), model::NOISE_FLOOR);
    EXPECT_FALSE(ops.PollInputNoise(0));
    ASSERT_TRUE(ops.PollInputNoise(2));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_INPUT_NOISE, 0, 1}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return told == 1; }, 5000));
    EXPECT_NEAR(ops.InputNoise(0), -62.5f, 0.01f);
    EXPECT_NEAR(ops.InputNoise(1), -20.0f, 0.01f);
    EXPECT_FLOAT_EQ(ops.InputNoise(2), model::NOISE_FLOOR);
    EXPECT_FLOAT_EQ(ops.InputNoise(-1), model::NOISE_FLOOR);
    EXPECT_FLOAT_EQ(ops.InputNoise(99), model::NOISE_FLOOR);
    changes.Unsubscribe(&counter);
}

TEST_F(ToolOperationsTest, MemoryWordsTravelLittleEndianAndReadsNeedTheAmplifier) {
    amp->SetMemWord(0x1234, 0xCAFEBABE);
    ASSERT_TRUE(ops.ReadMemWord(0x1234));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ops.LastMemWord().has_value(); }, 5000));
    EXPECT_EQ(ops.LastMemWord()->address, 0x1234u);
    EXPECT_EQ(ops.LastMemWord()->data, 0xCAFEBABEu);
    Sent();
    ASSERT_TRUE(ops.WriteMemWord(0x1234, 1));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_MEM_DATA, 0x34, 0x12, 0, 0, 1, 0, 0, 0}}));
    EXPECT_EQ(amp->MemWord(0x1234), 1u);
    link.CloseHIDDevice(false);
    EXPECT_FALSE(ops.ReadMemWord(0x1234));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ToolOperationsTest, AutoSettingRecordIsSentWholeAndRestoredOnce) {
    ops.SetAutoScene(3);
    ops.SetAutoSwitch(4, false);
    ops.SetAutoSwitch(4, false);   // unchanged
    ops.SetAutoSwitch(11, false);  // no such switch
    ops.SetAutoFactor(2, 0.5f);
    ops.SetAutoChoice(3, 2);
    std::vector<Frame> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    const Frame& last = sent.back();
    ASSERT_EQ(last.size(), 1 + model::AUTO_SETTING_SIZE);
    EXPECT_EQ(last[1], 3);
    EXPECT_EQ(last[1 + 5], 0);
    float factor = 0;
    std::memcpy(&factor, &last[1 + 12 + 8], 4);
    EXPECT_FLOAT_EQ(factor, 0.5f);
    EXPECT_EQ(last[1 + 51], 2);
    ops.RestoreAutoSetting();
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    const Frame& r = sent[0];
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(r[1 + i], 1) << i;
    }
    for (int f = 0; f < model::AUTO_FACTORS; ++f) {
        std::memcpy(&factor, &r[1 + 12 + 4 * f], 4);
        EXPECT_FLOAT_EQ(factor, 1.0f) << f;
    }
    EXPECT_EQ((Frame{r[49], r[50], r[51], r[52]}), (Frame{0, 5, 5, 5}));
    EXPECT_TRUE(std::equal(r.begin() + 1, r.end(), amp->Snapshot().autoSetting.begin()));
}

TEST(MemNumber, BasesPrefixesAndWrapping) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"0x1F", 31},
        {"0X1f", 31},
        {"017", 15},
        {"019", 1},
        {"19", 19},
        {"12ab", 12},
        {"", 0},
        {"abc", 0},
        {"0x", 0},
        {"0xFFFFFFFF", 0xFFFFFFFFu},
        {"0x100000001", 1},
        {"4294967296", 0},
        {" 0x10 ", 16},
        {"-5", 0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(model::ParseMemNumber(text), value) << text;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
