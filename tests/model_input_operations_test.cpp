// Input, source and switch operations against the virtual amplifier: the device state after the
// queue drained is the judge, with the model and the view calls next to it. Also the volume
// field texts the operations rely on.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/input_operations.h"
#include "model/volume_text.h"
#include "model_test_support.h"
#include "shell/run_log.h"
#include "sim/sim_transport.h"

namespace {

struct RecordingView : model::OperationsView, model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override {
        inputs += change.kind == model::ChangeKind::Inputs ? 1 : 0;
        globals += change.kind == model::ChangeKind::Globals ? 1 : 0;
    }
    void OnStartMainVolumePoll(int count) override { polls.push_back(count); }
    int inputs = 0;
    int globals = 0;
    std::vector<int> polls;
};

constexpr uint8_t kSentinel = 77;

class InputOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
        ops.SetView(&view);
        changes.Subscribe(&view);
    }

    // The device after everything queued has been written.
    sim::DeviceState Device() {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        EXPECT_TRUE(link.QueueIdle());
        return amp->Snapshot();
    }
    // Values the operations under test must overwrite, or leave alone.
    void Plant() {
        amp->Modify([](sim::DeviceState& d) {
            d.mainVolume = kSentinel;
            d.mute = 1;
            d.acc = kSentinel;
        });
        live.mainVolumeMute = 1;
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
    model::ProfileRecord live;
    RecordingView view;
    model::ModelChanges changes;
    model::InputOperations ops{live, link, changes};
};

TEST_F(InputOperationsTest, TypedMainVolumeIsClampedStoredAsDbAndSentAsAttenuation) {
    struct Row {
        const char* text;
        int stored;
        uint8_t sent;
    };
    const Row rows[] = {{"10", 6, 0},       {"Off", -60, 66},  {" Off ", -60, 66},
                        {"-12dB", -12, 18}, {"+3", 3, 3},      {"6", 6, 0},
                        {"-60", -60, 66},   {"-200", -60, 66}, {"0dB", 0, 6}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Plant();
        const int before = view.globals;
        EXPECT_TRUE(ops.SetMainVolumeEdit(row.text, "Off"));
        EXPECT_EQ(live.mainVolume, row.stored);
        EXPECT_EQ(live.mainVolumeMute, 0);
        EXPECT_EQ(view.globals, before + 1);
        const sim::DeviceState d = Device();
        EXPECT_EQ(d.mainVolume, row.sent);
        EXPECT_EQ(d.mute, 0);
    }
}

TEST_F(InputOperationsTest, TypoInVolumeOrAccChangesNothingAndSendsNothing) {
    Plant();
    live.mainVolume = -20;
    live.acc = 12;
    for (const char* text : {"", "abc", "dB", "-", "O ff", "twelve"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ops.SetMainVolumeEdit(text, "Off"));
        EXPECT_FALSE(ops.SetAccEdit(text, "Off"));
    }
    EXPECT_EQ(live.mainVolume, -20);
    EXPECT_EQ(live.mainVolumeMute, 1);
    EXPECT_EQ(live.acc, 12);
    // The view redraws the old values.
    EXPECT_EQ(view.globals, 12);
    const sim::DeviceState d = Device();
    EXPECT_EQ(d.mainVolume, kSentinel);
    EXPECT_EQ(d.mute, 1);
    EXPECT_EQ(d.acc, kSentinel);
}

TEST_F(InputOperationsTest, MainVolumeSliderAndStepsStayInRange) {
    Plant();
    ops.SetMainVolumeSlider(-100);
    EXPECT_EQ(live.mainVolume, -60);
    EXPECT_EQ(Device().mainVolume, 66);
    ops.SetMainVolumeSlider(50);
    EXPECT_EQ(live.mainVolume, 6);
    EXPECT_EQ(Device().mainVolume, 0);

    // At the top "up" does nothing at all; "down" moves one step and lifts the mute.
    Plant();
    const int before = view.globals;
    ops.SetMainVolumeUp(true);
    EXPECT_EQ(live.mainVolume, 6);
    EXPECT_EQ(view.globals, before);
    EXPECT_EQ(Device().mainVolume, kSentinel);
    ops.SetMainVolumeUp(false);
    EXPECT_EQ(live.mainVolume, 5);
    sim::DeviceState d = Device();
    EXPECT_EQ(d.mainVolume, 1);
    EXPECT_EQ(d.mute, 0);

    live.mainVolume = -60;
    Plant();
    ops.SetMainVolumeUp(false);
    EXPECT_EQ(live.mainVolume, -60);
    EXPECT_EQ(Device().mainVolume, kSentinel);
    ops.SetMainVolumeUp(true);
    EXPECT_EQ(Device().mainVolume, 65);

    // A value beyond the range from the device steps from the slider's end.
    live.mainVolume = 40;
    ops.SetMainVolumeUp(false);
    EXPECT_EQ(live.mainVolume, 5);
}

TEST_F(InputOperationsTest, MainMuteFollowsTheBox) {
    ops.SetMainMute(true);
    EXPECT_EQ(live.mainVolumeMute, 1);
    EXPECT_EQ(Device().mute, 1);
    ops.SetMainMute(false);
    EXPECT_EQ(live.mainVolumeMute, 0);
    EXPECT_EQ(Device().mute, 0);
    EXPECT_EQ(view.globals, 2);
}

TEST_F(InputOperationsTest, AccFollowsTheSliderRange) {
    EXPECT_EQ(ops.AccMin(), 0);
    EXPECT_EQ(ops.AccMax(), 100);
    EXPECT_TRUE(ops.SetAccEdit("Off", "Off"));
    EXPECT_EQ(live.acc, 0);
    EXPECT_EQ(Device().acc, 0);

    ops.SetAccRange(30, 5);  // given backwards
    EXPECT_EQ(ops.AccMin(), 5);
    EXPECT_EQ(ops.AccMax(), 30);
    EXPECT_TRUE(ops.SetAccEdit("Off", "Off"));
    EXPECT_EQ(Device().acc, 5);
    EXPECT_TRUE(ops.SetAccEdit("99", "Off"));
    EXPECT_EQ(live.acc, 30);
    EXPECT_EQ(Device().acc, 30);

    Plant();
    ops.SetAccUp(true);
    EXPECT_EQ(live.acc, 30);
    EXPECT_EQ(Device().acc, kSentinel);
    ops.SetAccUp(false);
    EXPECT_EQ(Device().acc, 29);
    ops.SetAccSlider(-4);
    EXPECT_EQ(live.acc, 5);
    EXPECT_EQ(Device().acc, 5);
    ops.SetAccUp(false);
    EXPECT_EQ(live.acc, 5);
    ops.SetAccSlider(17);
    EXPECT_EQ(Device().acc, 17);
}

TEST_F(InputOperationsTest, TogglesFlipTheFieldAndSendIt) {
    ops.ToggleAmp();
    EXPECT_EQ(live.ampOn, 0);
    EXPECT_EQ(Device().ampMute, 1);
    ops.ToggleAmp();
    EXPECT_EQ(live.ampOn, 1);
    EXPECT_EQ(Device().ampMute, 0);

    // Both remote outputs travel together; the untouched one keeps its state.
    ops.ToggleRemOut1();
    sim::DeviceState d = Device();
    EXPECT_EQ(live.remOut1, 0);
    EXPECT_EQ(d.remOut1, 0);
    EXPECT_EQ(d.remOut2, 1);
    ops.ToggleRemOut2();
    d = Device();
    EXPECT_EQ(live.remOut2, 0);
    EXPECT_EQ(d.remOut1, 0);
    EXPECT_EQ(d.remOut2, 0);

    ops.ToggleSpkOhm();
    EXPECT_EQ(live.spkOhm, 0);
    EXPECT_EQ(Device().spkOhm, 0);
    ops.ToggleNoiseGate();
    EXPECT_EQ(live.noiseGate, 1);
    EXPECT_EQ(Device().noiseGate, 1);

    // Any non-zero value from the device counts as on.
    live.noiseGate = 2;
    ops.ToggleNoiseGate();
    EXPECT_EQ(live.noiseGate, 0);
    EXPECT_EQ(Device().noiseGate, 0);
    EXPECT_EQ(view.globals, 7);
}

TEST_F(InputOperationsTest, SourceIsSentAtOnceOnlyWhileConnected) {
    ops.SetInputSource(5, true);
    EXPECT_EQ(live.currentSource, 5);
    EXPECT_EQ(amp->Snapshot().source, 0x56);  // not queued
    EXPECT_EQ(view.inputs, 1);
    EXPECT_EQ(view.polls, std::vector<int>{model::MAIN_VOLUME_POLL_COUNT});

    // Hidden and unknown sources are not offered; nothing happens.
    for (int source : {4, 7, 8, 9, -1}) {
        ops.SetInputSource(source, true);
    }
    EXPECT_EQ(live.currentSource, 5);
    EXPECT_EQ(view.inputs, 1);
    EXPECT_EQ(view.polls.size(), 1u);

    ops.SetInputSource(2, false);
    EXPECT_EQ(live.currentSource, 2);
    EXPECT_EQ(view.inputs, 2);
    EXPECT_EQ(view.polls.size(), 1u);
    EXPECT_EQ(Device().source, 0x56);
}

TEST_F(InputOperationsTest, RoutingBoxesFollowTheSourceInputCount) {
    live.currentSource = 5;  // ten inputs
    const int mask0 = live.inputs[5][0];
    ops.SetInputIn(9, 0, true);
    EXPECT_EQ(live.inputs[5][0], mask0 | 0x200);
    EXPECT_EQ(Device().scenes[0].sources[5].mixMask[0], mask0 | 0x200);

    const auto before = live.inputs;
    ops.SetInputIn(10, 0, true);
    ops.SetInputIn(-1, 0, true);
    ops.SetInputIn(0, 12, true);
    ops.SetInputIn(0, -1, true);
    live.currentSource = 0;  // two inputs
    ops.SetInputIn(2, 7, true);
    live.currentSource = 4;  // none
    ops.SetInputIn(0, 7, true);
    live.currentSource = 9;  // garbage from a reply
    ops.SetInputIn(0, 7, true);
    EXPECT_EQ(live.inputs, before);
    EXPECT_EQ(view.inputs, 1);
}

TEST_F(InputOperationsTest, TickingAnInputAtLevelZeroRaisesItToFull) {
    live.currentSource = 5;
    live.inputMixVolume[5][2][7] = 0;
    live.inputMixVolume[5][3][7] = 40;
    amp->Modify([](sim::DeviceState& d) {
        d.scenes[0].sources[5].mixTrim[2][7] = 0;
        d.scenes[0].sources[5].mixTrim[3][7] = 40;
    });
    const int mask = live.inputs[5][7] & ~0xC;
    live.inputs[5][7] = mask;

    ops.SetInputIn(2, 7, true);
    EXPECT_EQ(live.inputMixVolume[5][2][7], 100);
    sim::DeviceState d = Device();
    EXPECT_EQ(d.scenes[0].sources[5].mixTrim[2][7], 100);
    EXPECT_EQ(d.scenes[0].sources[5].mixMask[7], mask | 0x4);

    ops.SetInputIn(3, 7, true);
    EXPECT_EQ(live.inputMixVolume[5][3][7], 40);
    d = Device();
    EXPECT_EQ(d.scenes[0].sources[5].mixTrim[3][7], 40);
    EXPECT_EQ(d.scenes[0].sources[5].mixMask[7], mask | 0xC);

    // Unticking leaves the level for the next tick.
    ops.SetInputIn(2, 7, false);
    EXPECT_EQ(live.inputMixVolume[5][2][7], 100);
    EXPECT_EQ(Device().scenes[0].sources[5].mixMask[7], mask | 0x8);
    // Only the live scene and the current source were touched.
    d = Device();
    EXPECT_EQ(d.scenes[1].sources[5], sim::DefaultScene().sources[5]);
    EXPECT_EQ(d.scenes[0].sources[0], sim::DefaultScene().sources[0]);
}

TEST_F(InputOperationsTest, WithoutViewOrConnectionTheModelStillChanges) {
    ops.SetView(nullptr);
    link.CloseHIDDevice(false);
    ops.SetInputSource(3, true);
    ops.SetInputIn(1, 4, false);
    ops.SetMainVolumeSlider(-7);
    ops.SetAccSlider(9);
    ops.ToggleAmp();
    EXPECT_EQ(live.currentSource, 3);
    EXPECT_EQ(live.inputs[3][4] & 2, 0);
    EXPECT_EQ(live.mainVolume, -7);
    EXPECT_EQ(live.acc, 9);
    EXPECT_EQ(live.ampOn, 0);
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.source, sim::DefaultDeviceState().source);
    EXPECT_EQ(d.acc, 0);
    EXPECT_EQ(d.ampMute, 0);
}

TEST_F(InputOperationsTest, LogLinesNameEachStep) {
    model_test::CapturedLog captured("model_input_operations_test");
    ASSERT_TRUE(captured.IsOpen());
    ops.SetMainVolumeEdit("Off", "Off");
    live.currentSource = 5;
    live.inputs[5][7] = 1;
    ops.SetInputIn(2, 7, true);
    ops.SetInputSource(5, false);
    ops.ToggleRemOut2();
    const std::string log = captured.Text();
    std::size_t at = 0;
    for (const char* line :
         {"SetMainVolumeEdit Off\n", "SetMainVolumeRelatedAfterDecidedValue -60\n",
          "SetMainVolumeEditText OFF\n", "set main mute to 0\n", "SetInputIn in 2 out 7\n",
          "outCh 7 input = 0x5\n", "on EqualizerManager::SetInputSource index 5\n",
          "SetRemOut2OnOffButton : 0\n"}) {
        SCOPED_TRACE(line);
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos);
    }
}

TEST(VolumeText, MainAndChannelTexts) {
    EXPECT_EQ(model::MainVolumeText(-60.0f), model::kOffTextKey);
    EXPECT_EQ(model::MainVolumeText(-59.6f), model::kOffTextKey);
    EXPECT_EQ(model::MainVolumeText(-59.4f), "-59dB");
    EXPECT_EQ(model::MainVolumeText(5.6f), "6dB");
    EXPECT_EQ(model::MainVolumeText(0.0f), "0dB");
    EXPECT_EQ(model::ChannelVolumeText(-60.0f), model::kOffTextKey);
    EXPECT_EQ(model::ChannelVolumeText(-3.7f), "-3dB");
    EXPECT_EQ(model::ChannelVolumeText(0.0f), "0dB");
}

TEST(VolumeText, ParsingTakesLeadingWholeNumbers) {
    using model::ParseVolumeText;
    EXPECT_EQ(ParseVolumeText(" -12dB", "Off", -60), -12);
    EXPECT_EQ(ParseVolumeText("+4", "Off", -60), 4);
    EXPECT_EQ(ParseVolumeText("7.9", "Off", -60), 7);
    EXPECT_EQ(ParseVolumeText("Off", "Off", -60), -60);
    EXPECT_EQ(ParseVolumeText("Off", "Off", 3), 3);
    EXPECT_EQ(ParseVolumeText("99999999999", "Off", 0), 10000);
    EXPECT_EQ(ParseVolumeText("-99999999999", "Off", 0), -10000);
    EXPECT_EQ(ParseVolumeText("Off", "", 0), std::nullopt);
    EXPECT_EQ(ParseVolumeText("+-3", "Off", 0), std::nullopt);
    // A slip of the finger is not a volume: "-1O" must not become -1 dB.
    EXPECT_EQ(ParseVolumeText("-1O", "Off", 0), std::nullopt);
    EXPECT_EQ(ParseVolumeText("-12 db", "Off", 0), -12);
    EXPECT_EQ(ParseVolumeText("3dBx", "Off", 0), std::nullopt);
    EXPECT_EQ(ParseVolumeText("   ", "Off", 0), std::nullopt);
}

}  // namespace
