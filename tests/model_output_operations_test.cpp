// Output operations against the virtual amplifier: every case runs the operation, lets the queue
// drain and compares what the amplifier holds with the model; a recording view answers the
// questions and counts what it was told.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/channel_curves.h"
#include "model/crossover.h"
#include "model/links.h"
#include "model/output_operations.h"
#include "model/speaker_types.h"
#include "model/volume_text.h"
#include "model_test_support.h"
#include "sim/sim_transport.h"

using model::OutputOperations;

namespace {

struct RecordingView : model::OperationsView, model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override {
        using model::ChangeKind;
        outputChanges += change.kind == ChangeKind::Output ? 1 : 0;
        curveChanges += change.kind == ChangeKind::Curves ? 1 : 0;
        linkLockChanges += change.kind == ChangeKind::LinkLock ? 1 : 0;
        unitChanges += change.kind == ChangeKind::DelayUnit ? 1 : 0;
    }
    int AskLinkCopyDirection() override {
        questions.push_back("link");
        return linkChoice;
    }
    bool AskQuestion(const char* key) override {
        questions.push_back(key);
        return answer;
    }
    int AskOutputReset() override {
        questions.push_back("reset");
        return resetChoice;
    }
    void ShowMessage(const char* key) override { messages.push_back(key); }

    int linkChoice = 0;
    bool answer = false;
    int resetChoice = 0;
    int outputChanges = 0;
    int curveChanges = 0;
    int linkLockChanges = 0;
    int unitChanges = 0;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

int8_t Signed(uint8_t b) {
    return static_cast<int8_t>(b);
}

int DelayUs(const sim::OutputState& out) {
    return out.delay[0] * 1000 + ((out.delay[1] << 8) | out.delay[2]);
}

// A delay as the amplifier keeps it: whole microseconds.
float Us(float ms) {
    return std::round(ms * 1000.0f) / 1000.0f;
}

// The trim the amplifier should hold for a gain: whole dB of attenuation.
int TrimOf(float gain) {
    const double att = 0.0 - static_cast<double>(gain);
    const double nearest = std::round(att);
    return static_cast<int>(std::fabs(att - nearest) < 1e-3 ? nearest : std::trunc(att));
}

class OutputOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (connected) {
            ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
            link.SetAsyncMode(true);
        }
        ops = std::make_unique<OutputOperations>(live, link, jobs, &events, curves, changes);
        ops->SetView(&view);
        changes.Subscribe(&view);
    }
    void TearDown() override {
        jobs.Stop();
        jobs.Wait();
        ops.reset();
    }

    // Waits (in virtual time) until McuCmdThread has sent everything queued.
    void Drain() {
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 200000 && !link.QueueIdle(); ++i) {
                clock.SleepMs(1);
            }
            clock.SleepMs(20);
        }
        ASSERT_TRUE(link.QueueIdle());
    }
    sim::DeviceState Device() {
        Drain();
        return amp->Snapshot();
    }
    const sim::OutputState& Out(const sim::DeviceState& d, int i) {
        return d.scenes[0].outputs[static_cast<size_t>(i)];
    }
    // Marks the device so that a later write of the value shows.
    void MarkTrim(int i, int8_t value) {
        amp->Modify([&](sim::DeviceState& d) {
            d.scenes[0].outputs[static_cast<size_t>(i)].trim = static_cast<uint8_t>(value);
        });
    }
    // The model and device agree on every output's trim.
    void ExpectTrimsMatch(const sim::DeviceState& d) {
        for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
            EXPECT_EQ(Signed(Out(d, i).trim), TrimOf(live.channels[i].gain)) << "output " << i;
        }
    }

    bool connected = true;
    dsplink::ManualClock clock;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
    model::ProfileRecord live;
    model::ChannelCurves curves;
    model_test::RecordingEvents events;
    RecordingView view;
    model::ModelChanges changes;
    model::JobRunner jobs{link, clock};
    std::unique_ptr<OutputOperations> ops;
};

// ---- volume ----

TEST_F(OutputOpsTest, VolumeStepsStopAtTheEndsOfTheSlider) {
    MarkTrim(0, 99);
    ops->SetChVolumeUp(0, true);  // already at 0 dB
    EXPECT_EQ(Signed(Out(Device(), 0).trim), 99) << "nothing may be sent";
    EXPECT_FLOAT_EQ(live.channels[0].gain, 0.0f);

    live.channels[3].gain = -59.5f;
    live.channels[3].mute = 1;
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].outputs[3].mute = 1; });
    ops->SetChVolumeUp(3, false);
    sim::DeviceState d = Device();
    EXPECT_FLOAT_EQ(live.channels[3].gain, -60.0f);
    EXPECT_EQ(model::ChannelVolumeText(live.channels[3].gain), model::kOffTextKey);
    EXPECT_EQ(Signed(Out(d, 3).trim), 60);
    // The user's change unmutes and selects the output.
    EXPECT_EQ(live.channels[3].mute, 0);
    EXPECT_EQ(Out(d, 3).mute, 0);
    EXPECT_EQ(live.currOutChannel, 3);

    MarkTrim(3, 77);
    ops->SetChVolumeUp(3, false);
    EXPECT_EQ(Signed(Out(Device(), 3).trim), 77);

    ops->SetChVolumeUp(3, true);
    EXPECT_FLOAT_EQ(live.channels[3].gain, -59.0f);
    EXPECT_EQ(Signed(Out(Device(), 3).trim), 59);
}

TEST_F(OutputOpsTest, TypedVolumeIsReadClampedOrRefused) {
    struct Row {
        const char* text;
        bool accepted;
        float gain;  // after the edit
    };
    const Row rows[] = {
        {"-12dB", true, -12.0f}, {" -7", true, -7.0f},   {"OFF", true, -60.0f},
        {"5", true, 0.0f},       {"-100", true, -60.0f}, {"-3", true, -3.0f},
        {"abc", false, -3.0f},   {"", false, -3.0f},     {"dB-4", false, -3.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        MarkTrim(5, 99);
        EXPECT_EQ(ops->SetChVolumeEdit(5, row.text, "OFF"), row.accepted);
        EXPECT_FLOAT_EQ(live.channels[5].gain, row.gain);
        const int trim = Signed(Out(Device(), 5).trim);
        EXPECT_EQ(trim, row.accepted ? TrimOf(row.gain) : 99);
    }
}

TEST_F(OutputOpsTest, GainAndDelayKeepWhatTheAmplifierCanHold) {
    // Trims are whole dB on the wire; the slider has tenths.
    ops->SetChVolume(2, -73, true);
    EXPECT_FLOAT_EQ(live.channels[2].gain, -7.0f);
    EXPECT_EQ(Signed(Out(Device(), 2).trim), 7);
    ops->SetChVolume(2, -76, true);
    EXPECT_FLOAT_EQ(live.channels[2].gain, -8.0f);
    // One centimetre is not a whole number of microseconds; the model keeps the one sent.
    ops->SetDelayUnit(model::kDelayCm);
    ASSERT_TRUE(ops->SetChDelayEdit(4, "1"));
    EXPECT_FLOAT_EQ(live.channels[4].delay, 0.029f);
    EXPECT_EQ(Out(Device(), 4).delay, (std::array<uint8_t, 3>{0, 0, 29}));
}

TEST_F(OutputOpsTest, BridgedPairFollowsMutePhaseAndVolume) {
    live.bridgeOutputs[0] = 1;
    live.channels[1].gain = -3.0f;
    ops->SetChMute(0, true);
    ops->SetChPhase(1, true);
    ops->SetChVolume(0, -10, true);  // 0 -> -1 dB
    sim::DeviceState d = Device();
    EXPECT_EQ(live.channels[1].mute, 0) << "the volume change unmuted both";
    EXPECT_EQ(std::tuple(Out(d, 0).phase, Out(d, 1).phase), std::tuple(1, 1));
    EXPECT_FLOAT_EQ(live.channels[1].gain, -4.0f);
    EXPECT_EQ(Signed(Out(d, 1).trim), 4);
    EXPECT_EQ(Signed(Out(d, 0).trim), 1);

    ops->SetChMute(1, true);
    d = Device();
    EXPECT_EQ(std::tuple(Out(d, 0).mute, Out(d, 1).mute), std::tuple(1, 1));
    EXPECT_EQ(Out(d, 2).mute, 0);

    // Unbridged, output 2 no longer follows.
    live.bridgeOutputs[0] = 0;
    ops->SetChVolume(0, -50, false);
    EXPECT_FLOAT_EQ(live.channels[1].gain, -4.0f);
    ExpectTrimsMatch(Device());
}

// ---- solo ----

TEST_F(OutputOpsTest, SoloTakesTheLinkPartnerAlong) {
    live.linkMode = 1;
    model::FillLinkOutputs(live);
    ASSERT_EQ(live.linkOutputs[2], 3);
    live.channels[7].solo = 1;
    ops->SetChSolo(2, true);
    sim::DeviceState d = Device();
    for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
        const int expected = (i == 2 || i == 3) ? 1 : 0;
        EXPECT_EQ(Out(d, i).solo, expected) << i;
        EXPECT_EQ(live.channels[i].solo, expected) << i;
    }
    EXPECT_EQ(live.soloChannel, 2);
    EXPECT_EQ(live.currOutChannel, 2);

    live.channels[7].solo = 1;
    ops->SetChSolo(2, false);
    d = Device();
    EXPECT_EQ(std::tuple(Out(d, 2).solo, Out(d, 3).solo, Out(d, 7).solo), std::tuple(0, 0, 1));
}

// ---- delay ----

TEST_F(OutputOpsTest, TypedDelayInEachUnit) {
    struct Row {
        int unit;
        const char* text;
        bool accepted;
        float ms;
        const char* shown;
    };
    const Row rows[] = {
        {model::kDelayCm, "600", true, 15.0f, "519"},
        {model::kDelayCm, "260", true, Us(260.0f * 15.0f / 519.0f), "260"},
        {model::kDelayIn, "100 in", true, Us(100.0f * 15.0f / 204.0f), "100"},
        {model::kDelayMs, "7.5", true, 7.5f, "7.500"},
        {model::kDelayMs, "-2", true, 0.0f, "0.000"},
        {model::kDelayMs, "2.5", true, 2.5f, "2.500"},
        {model::kDelayMs, "x1", false, 2.5f, "2.500"},
        {model::kDelayCm, "nan", false, 2.5f, "87"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ops->SetDelayUnit(row.unit);
        EXPECT_EQ(ops->SetChDelayEdit(4, row.text), row.accepted);
        EXPECT_NEAR(live.channels[4].delay, row.ms, 1e-4);
        EXPECT_EQ(ops->DelayFieldText(live.channels[4].delay), row.shown);
        EXPECT_NEAR(DelayUs(Out(Device(), 4)), live.channels[4].delay * 1000.0f, 1.0);
    }
    EXPECT_EQ(view.unitChanges, 8);
    ops->SetDelayUnit(3);
    EXPECT_EQ(ops->DelayUnit(), model::kDelayCm);
}

TEST_F(OutputOpsTest, SpeakerDelayEditFindsTheFirstOutputOfThatPosition) {
    ops->SetDelayUnit(model::kDelayCm);
    live.outputs[9] = model::kFrontLeftTweeter;  // a second one, later
    EXPECT_TRUE(ops->SetSpeakerDelayEdit(model::kFrontLeftTweeter, "600"));
    sim::DeviceState d = Device();
    EXPECT_FLOAT_EQ(live.channels[0].delay, 15.0f);
    EXPECT_EQ(DelayUs(Out(d, 0)), 15000);
    EXPECT_EQ(DelayUs(Out(d, 9)), 0);
    EXPECT_EQ(ops->DelayFieldText(live.channels[0].delay), "519");

    // Inches are whole: 10.9 in is 10.
    ops->SetDelayUnit(model::kDelayIn);
    EXPECT_TRUE(ops->SetSpeakerDelayEdit(model::kFrontRightTweeter, "10.9"));
    EXPECT_FLOAT_EQ(live.channels[1].delay, Us(10.0f * 15.0f / 204.0f));

    const sim::DeviceState before = Device();
    EXPECT_FALSE(ops->SetSpeakerDelayEdit(model::kFrontLeftMidTweeter, "5"));  // nobody has it
    EXPECT_FALSE(ops->SetSpeakerDelayEdit(0, "5"));
    EXPECT_FALSE(ops->SetSpeakerDelayEdit(29, "5"));
    EXPECT_FALSE(ops->SetSpeakerDelayEdit(model::kFrontLeftTweeter, "cm"));
    EXPECT_EQ(Device(), before);
}

TEST_F(OutputOpsTest, DelayGoesToPartnerAndGroupByTheDifference) {
    live.linkMode = 1;
    model::FillLinkOutputs(live);
    live.linkSel[0] = 2;
    live.linkSel[6] = 2;
    live.linkSel[8] = 2;
    live.delayLinkSel[10] = 2;  // a delay-link group does not carry delays
    live.channels[1].delay = 2.0f;
    live.channels[6].delay = 1.0f;
    live.channels[8].delay = 14.0f;
    ops->SetChDelay(0, 3.0f);
    sim::DeviceState d = Device();
    const float expected[] = {3.0f, 5.0f, 0, 0, 0, 0, 4.0f, 0, 15.0f, 0, 0, 0};
    for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
        EXPECT_FLOAT_EQ(live.channels[i].delay, expected[i]) << i;
        EXPECT_EQ(DelayUs(Out(d, i)), static_cast<int>(std::lround(expected[i] * 1000))) << i;
    }
    // Setting the same value again changes nobody else.
    live.channels[1].delay = 9.0f;
    ops->SetChDelaySlider(0, 3000);
    EXPECT_FLOAT_EQ(live.channels[1].delay, 9.0f);
}

TEST_F(OutputOpsTest, DelayButtonsStepByAClickOrAWholeDistance) {
    struct Row {
        int unit;
        float from;
        bool up;
        float to;
    };
    const Row rows[] = {
        {model::kDelayMs, 0.0f, true, 0.021f},
        {model::kDelayMs, 0.0f, false, 0.0f},
        {model::kDelayMs, 15.0f, true, 15.0f},
        {model::kDelayMs, 1.0f, false, 0.979f},
        {model::kDelayCm, 0.0f, true, Us(15.0f / 519.0f)},
        {model::kDelayIn, 0.0f, true, Us(15.0f / 204.0f)},
        {model::kDelayIn, 30.0f * 15.0f / 204.0f, true, Us(31.0f * 15.0f / 204.0f)},
        {model::kDelayIn, 30.0f * 15.0f / 204.0f, false, Us(29.0f * 15.0f / 204.0f)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.unit << " " << row.from << " " << row.up);
        ops->SetDelayUnit(row.unit);
        live.channels[2].delay = row.from;
        ops->SetChDelayUp(2, row.up);
        EXPECT_NEAR(live.channels[2].delay, row.to, 1e-5);
    }
    // The focused speaker's buttons reach its first output; no focus, no change.
    ops->SetDelayUnit(model::kDelayMs);
    live.channels[2].delay = 1.0f;
    ops->SetFocusedSpeakerDelayUp(true);
    EXPECT_FLOAT_EQ(live.channels[2].delay, 1.0f);
    ops->SetSpeakerFocus(model::kFrontLeftMidrange);
    EXPECT_EQ(live.currOutChannel, 2);
    ops->SetFocusedSpeakerDelayUp(true);
    EXPECT_NEAR(live.channels[2].delay, 1.021f, 1e-5);
    EXPECT_EQ(DelayUs(Out(Device(), 2)), 1021);
}

// ---- link groups ----

TEST_F(OutputOpsTest, LinkGroupCarriesGainDifferencesCutToSliderSteps) {
    live.bridgeOutputs[3] = 1;  // outputs 6 and 7
    live.channels[4].gain = -5.25f;
    live.channels[9].gain = -20.0f;
    live.channels[6].gain = -3.0f;
    live.channels[7].gain = -8.0f;
    for (int i : {0, 4, 9, 6}) {
        ops->SetLinkGroup(i, 1);
    }
    EXPECT_EQ(live.linkSel[7], 1) << "the bridged half joins too";
    sim::DeviceState d = Device();
    EXPECT_FLOAT_EQ(live.channels[4].gain, -5.25f) << "joining keeps the gain";
    ExpectTrimsMatch(d);

    ops->SetChVolume(0, -10, false);
    d = Device();
    EXPECT_FLOAT_EQ(live.channels[4].gain, -6.0f);  // -62.5 cut to -62, played as whole dB
    EXPECT_FLOAT_EQ(live.channels[9].gain, -21.0f);
    EXPECT_FLOAT_EQ(live.channels[6].gain, -4.0f);
    EXPECT_FLOAT_EQ(live.channels[7].gain, -4.0f) << "takes its pair's value";
    EXPECT_FLOAT_EQ(live.channels[1].gain, 0.0f);
    ExpectTrimsMatch(d);

    // Upwards too, and never above 0 dB.
    ops->SetChVolume(0, 0, false);
    EXPECT_FLOAT_EQ(live.channels[4].gain, -5.0f);
    EXPECT_FLOAT_EQ(live.channels[6].gain, -3.0f);
    ops->SetChVolume(9, -150, false);
    EXPECT_FLOAT_EQ(live.channels[0].gain, 0.0f);
    ExpectTrimsMatch(Device());

    live.currOutChannel = 1;
    ops->ResetLinks();
    for (int g : live.linkSel) {
        EXPECT_EQ(g, 0);
    }
    EXPECT_EQ(live.currOutChannel, 1);
}

TEST_F(OutputOpsTest, JoiningAGroupTakesTheCurrentOutputsBypassBelowOutput9) {
    live.channels[0].bypass = 0;
    ops->SetLinkGroup(0, 3);  // current is now 0
    ops->SetLinkGroup(5, 3);
    ops->SetLinkGroup(9, 3);
    sim::DeviceState d = Device();
    EXPECT_EQ(live.channels[5].bypass, 0);
    EXPECT_EQ(Out(d, 5).eqBypass, 0);
    EXPECT_EQ(live.channels[9].bypass, 1);
    EXPECT_EQ(Out(d, 9).eqBypass, 1);

    ops->ToggleLinkGroup(5);
    EXPECT_EQ(live.linkSel[5], 0);
    ops->ToggleLinkGroup(5);
    EXPECT_EQ(live.linkSel[5], 1);
    EXPECT_EQ(live.currOutChannel, 5);

    ops->SetDelayLinkGroup(2, 4);
    EXPECT_EQ(live.delayLinkSel[2], 4);
    EXPECT_EQ(live.delayLinkSel[3], 0);
}

// ---- speaker types and the output menu ----

TEST_F(OutputOpsTest, OutputMenuEnablesByGroupAndBandOverlap) {
    live.outputs.fill(model::kSpeakerEmpty);
    live.outputs[0] = model::kFrontLeftTweeter;
    live.outputs[1] = model::kFrontRightTweeter;
    live.outputs[6] = model::kRearLeftMidrange;
    struct Row {
        int menu;
        int type;
        bool enabled;
    };
    const Row rows[] = {
        {2, model::kFrontLeftMidTweeter, false},  // mask 6 overlaps the tweeter's 4
        {2, model::kFrontLeftWoofer, true},
        {2, model::kFrontLeftMidrange, true},
        {2, model::kFrontLeftFull, false},
        {2, model::kFrontRightTweeter, false},
        {2, model::kFrontRightMidWoofer, true},
        {0, model::kFrontLeftMidTweeter, true},  // its own type does not count
        {2, model::kRearLeftTweeter, true},
        {2, model::kRearLeftFull, false},  // mid of 25 is in the rear-left group
        {2, model::kRearRightMidrange, true},
        {2, model::kFrontCenterFull, true},
        {2, model::kSpeakerEmpty, true},
        {12, model::kFrontLeftWoofer, false},
        {2, 29, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ops->OutputMenuItemEnabled(row.menu, row.type), row.enabled)
            << row.menu << " " << row.type;
    }
    EXPECT_TRUE(ops->OutputMenuItemUsed(model::kFrontRightTweeter));
    EXPECT_FALSE(ops->OutputMenuItemUsed(model::kFrontLeftWoofer));
    EXPECT_FALSE(ops->OutputMenuItemUsed(-1));
}

TEST_F(OutputOpsTest, SpeakerTypeSetsCrossoverAndBackup) {
    live.channels[2].gain = -9.0f;
    ops->SetOutputValue(2, model::kFrontLeftMidTweeter, false);
    ops->SetOutputValue(3, model::kSubwooferLeft, true);
    sim::DeviceState d = Device();
    EXPECT_EQ(std::tuple(live.outputs[2], live.outputsBk[2]), std::tuple(4, 4));
    EXPECT_EQ(std::tuple(live.outputs[3], live.outputsBk[3]), std::tuple(22, 8));
    EXPECT_EQ(std::tuple(Out(d, 2).type, Out(d, 3).type), std::tuple(4, 22));
    EXPECT_EQ(Out(d, 2).hp, (sim::FilterSide{3, 600, 2}));
    EXPECT_EQ(Out(d, 2).lp, (sim::FilterSide{3, 20000, 0}));
    EXPECT_EQ(Out(d, 3).hp, (sim::FilterSide{1, 30, 4}));
    EXPECT_EQ(Out(d, 3).lp, (sim::FilterSide{1, 50, 2}));
    EXPECT_EQ(live.channels[3].crossover, model::CrossoverForType(22));
    EXPECT_EQ(Signed(Out(d, 2).trim), 9);
    EXPECT_EQ(live.currOutChannel, 3);

    // Positions without a crossover row are full range.
    ops->SetOutputValue(4, model::kRearCenterFull, false);
    EXPECT_EQ(Out(Device(), 4).hp, (sim::FilterSide{3, 20, 0}));
}

// ---- left/right link and lock ----

TEST_F(OutputOpsTest, LinkCopiesRightToLeftAndTellsTheAmplifier) {
    live.bands[1][0].eqGain = 6.5f;
    live.bands[1][3].freq = 777;
    live.channels[1].crossover.hp.SetFs(250);
    live.channels[1].gain = -5.0f;
    live.channels[0].gain = -1.0f;
    view.linkChoice = 2;
    ops->SetOutputLink();
    sim::DeviceState d = Device();
    EXPECT_EQ(live.bands[0][0].eqGain, 6.5f);
    EXPECT_EQ(live.bands[0][3].freq, 777);
    EXPECT_EQ(live.channels[0].crossover, live.channels[1].crossover);
    EXPECT_FLOAT_EQ(live.channels[0].gain, -5.0f) << "the copy's volume follows";
    EXPECT_EQ(Signed(Out(d, 0).trim), 5);
    EXPECT_EQ(std::tuple(live.linkMode, live.lockMode), std::tuple(1, 1));
    EXPECT_EQ(std::tuple(d.scenes[0].link, d.scenes[0].lock), std::tuple(1, 1));
    EXPECT_EQ(d.scenes[0].linkPairs, (std::array<uint8_t, 6>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(view.questions, std::vector<std::string>{"link"});

    // Switching it off unlocks as well.
    ops->SetOutputLink();
    d = Device();
    EXPECT_EQ(std::tuple(live.linkMode, live.lockMode), std::tuple(0, 0));
    EXPECT_EQ(std::tuple(d.scenes[0].link, d.scenes[0].lock), std::tuple(0, 0));
    for (int p : live.linkOutputs) {
        EXPECT_EQ(p, -1);
    }
    EXPECT_FALSE(model::LinkPartner(live, 0).has_value());
}

TEST_F(OutputOpsTest, LinkLeftToRightCancelAndNotLinkable) {
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].lock = 9; });
    view.linkChoice = 0;
    ops->SetOutputLink();
    EXPECT_EQ(Device().scenes[0].lock, 9) << "a cancel sends nothing";
    EXPECT_EQ(live.linkMode, 0);

    live.bands[2][5].eqGain = -4.0f;
    view.linkChoice = 1;
    ops->SetOutputLink();
    EXPECT_EQ(live.bands[3][5].eqGain, -4.0f);
    EXPECT_EQ(live.bands[2][5].eqGain, -4.0f);
    EXPECT_EQ(Device().scenes[0].lock, 1);

    live.linkMode = 0;
    live.outputs.fill(model::kSpeakerEmpty);
    ops->SetOutputLink();
    EXPECT_EQ(view.messages, std::vector<std::string>{"${not_linkable_tips}"});
    EXPECT_EQ(Device().scenes[0].link, 0);
}

TEST_F(OutputOpsTest, LockQuestionsDecideAndUnlockingEndsTheLink) {
    struct Row {
        int lock;
        int link;
        bool answer;
        const char* question;
        int lockAfter;
        int linkAfter;
    };
    const Row rows[] = {
        {0, 0, false, "${lock_output_tips}", 0, 0},   {0, 0, true, "${lock_output_tips}", 1, 0},
        {1, 1, false, "${unlock_output_tips}", 1, 1}, {1, 1, true, "${unlock_output_tips}", 0, 0},
        {1, 0, true, "${unlock_output_tips}", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.question + std::to_string(row.answer));
        live.lockMode = row.lock;
        live.linkMode = row.link;
        model::FillLinkOutputs(live);
        amp->Modify([&](sim::DeviceState& d) {
            d.scenes[0].lock = 9;
            d.scenes[0].link = static_cast<uint8_t>(row.link);
        });
        view.questions.clear();
        view.answer = row.answer;
        ops->SetOutpuLock();
        const sim::DeviceState d = Device();
        EXPECT_EQ(view.questions, std::vector<std::string>{row.question});
        EXPECT_EQ(std::tuple(live.lockMode, live.linkMode),
                  std::tuple(row.lockAfter, row.linkAfter));
        EXPECT_EQ(std::tuple(int{d.scenes[0].lock}, int{d.scenes[0].link}),
                  std::tuple(row.lockAfter, row.linkAfter));
        if (row.link == 1 && row.linkAfter == 0) {
            EXPECT_EQ(live.linkOutputs[0], -1);
        }
    }
}

// ---- reset ----

TEST_F(OutputOpsTest, ResetToDefaultsOrEmptied) {
    for (int choice : {1, 2}) {
        SCOPED_TRACE(choice);
        ops->SetOutputValue(0, model::kCenterFull, false);
        live.lockMode = 1;
        live.linkMode = 1;
        amp->Modify([](sim::DeviceState& d) { d.scenes[0].lock = 1; });
        events.messages.clear();
        view.resetChoice = choice;
        ops->SetOutputReset();
        ops->WaitForJobs();
        EXPECT_FALSE(ops->JobRunning());
        EXPECT_EQ(events.Messages(),
                  (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
        EXPECT_TRUE(link.QueueIdle()) << "the job ends once the queue is empty";
        const sim::DeviceState d = Device();
        for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
            const int type = choice == 1 ? model::DefaultSpeakerType(i) : 0;
            EXPECT_EQ(live.outputs[i], type);
            EXPECT_EQ(live.outputsBk[i], type);
            EXPECT_EQ(Out(d, i).type, type);
            sim::FilterSide hp, lp;
            sim::DefaultCrossover(static_cast<uint8_t>(type), hp, lp);
            EXPECT_EQ(std::tuple(Out(d, i).hp, Out(d, i).lp), std::tuple(hp, lp));
        }
        EXPECT_EQ(std::tuple(live.lockMode, live.linkMode, live.currOutChannel),
                  std::tuple(0, 0, 0));
        EXPECT_EQ(std::tuple(d.scenes[0].lock, d.scenes[0].link), std::tuple(0, 0));
    }

    // Cancel: nothing at all.
    events.messages.clear();
    view.resetChoice = 0;
    const sim::DeviceState before = Device();
    ops->SetOutputReset();
    EXPECT_FALSE(ops->JobRunning());
    EXPECT_TRUE(events.Messages().empty());
    EXPECT_EQ(Device(), before);
}

TEST_F(OutputOpsTest, ResetReappliesBridgesAndShutdownJoinsTheJob) {
    live.bridgeOutputs[1] = 1;
    live.channels[2].gain = -12.0f;
    view.resetChoice = 1;
    // Slow reports keep the job waiting while the operations object goes away.
    amp->SetReportDelayUs(1000000);
    ops->SetOutputReset();
    EXPECT_TRUE(ops->JobRunning());
    // Shutdown as the manager does it: the runner stops and joins before the operations go.
    jobs.Stop();
    jobs.Wait();
    ops.reset();
    EXPECT_EQ(events.Messages(), std::vector<uint32_t>{model::WM_SHOW_LOADING});
    amp->SetReportDelayUs(0);
    const sim::DeviceState d = Device();
    EXPECT_EQ(d.scenes[0].bridge, (std::array<uint8_t, 6>{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Out(d, 3).type, model::DefaultSpeakerType(2));
    EXPECT_EQ(live.outputsBk[3], model::DefaultSpeakerType(3));
    EXPECT_EQ(Signed(Out(d, 3).trim), 12);
}

// ---- bridge ----

TEST_F(OutputOpsTest, BridgeCopiesTheLeftOutputAndUnbridgeRestoresTheRight) {
    model::OutputChannel& l = live.channels[0];
    l.gain = -6.0f;
    l.delay = 2.0f;
    l.phase = 1;
    l.mute = 1;
    l.bypass = 0;
    l.crossover.hp = model::CrossoverFilter(100, model::kLinkwitzRiley, 3);
    live.bands[0][0].eqGain = 4.0f;
    live.bands[0][1] = model::EqBand{3.0f, 2.0f, 500, 0};
    live.linkSel[0] = 3;
    live.inputs[2][0] = 3;
    live.inputMixVolume[2][1][0] = 55;
    live.inputMixVolume[5][9][0] = 150;  // out of range from a file
    ops->SetBridge(0, true, true, true);
    ops->WaitForJobs();
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
    sim::DeviceState d = Device();
    const sim::OutputState& r = Out(d, 1);
    EXPECT_EQ(d.scenes[0].bridge[0], 1);
    EXPECT_EQ(std::tuple(Signed(r.trim), DelayUs(r), r.phase, r.mute, r.type, r.eqBypass),
              std::tuple(6, 2000, 1, 1, 1, 0));
    EXPECT_EQ(r.hp, (sim::FilterSide{2, 100, 3}));
    EXPECT_EQ(r.bands[0].gain, (std::array<uint8_t, 2>{22, 0}));
    EXPECT_EQ(r.bands[1].freq, 500);
    EXPECT_EQ(r.bands[1].gain, (std::array<uint8_t, 2>{18, 0})) << "disabled bands play flat";
    EXPECT_EQ(d.scenes[0].sources[2].mixTrim[1][1], 55);
    EXPECT_EQ(d.scenes[0].sources[5].mixTrim[9][1], 100);
    EXPECT_EQ(live.inputs[2][1], 3);
    EXPECT_EQ(live.channels[1].crossover, l.crossover);
    EXPECT_EQ(std::tuple(live.outputs[1], live.outputsBk[1], live.linkSel[1]), std::tuple(1, 7, 3));

    // Bridged, the left output's edits reach the right one.
    ops->SetChPhase(0, false);
    EXPECT_EQ(Out(Device(), 1).phase, 0);

    events.messages.clear();
    ops->SetBridge(0, false, true, false);
    d = Device();
    EXPECT_TRUE(events.Messages().empty());
    EXPECT_EQ(d.scenes[0].bridge[0], 0);
    EXPECT_EQ(Out(d, 1).type, 7);
    EXPECT_EQ(Out(d, 1).hp, (sim::FilterSide{3, 3400, 2}));
    EXPECT_EQ(std::tuple(live.outputs[1], live.outputsBk[1]), std::tuple(7, 7));
    EXPECT_EQ(live.channels[1].crossover, model::CrossoverForType(7));

    // A reply only stores and resends the set: nothing is copied, no busy window.
    live.channels[4].gain = -20.0f;
    ops->SetBridge(2, true, false, true);
    d = Device();
    EXPECT_EQ(d.scenes[0].bridge, (std::array<uint8_t, 6>{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(std::tuple(Out(d, 5).type, Signed(Out(d, 5).trim), live.outputs[5]),
              std::tuple(9, 0, 9));
    EXPECT_TRUE(events.Messages().empty());
}

// ---- current output, curves, bad indexes ----

TEST_F(OutputOpsTest, CurrentOutputAndShowCurve) {
    live.channels[8].mute = 1;
    ops->SetCurChannelChange(8);
    EXPECT_EQ(live.currOutChannel, 8);
    EXPECT_EQ(Out(Device(), 8).mute, 1);

    const std::vector<double> before(curves.Sum(8).begin(), curves.Sum(8).end());
    live.channels[8].crossover.lp = model::CrossoverFilter(1000, model::kButterworth, 4);
    const int redraws = view.curveChanges;
    ops->SetShowCurve(8, true);
    EXPECT_EQ(live.showOutChEqualizer[8], 1);
    EXPECT_GT(view.curveChanges, redraws);
    EXPECT_NE(std::vector<double>(curves.Sum(8).begin(), curves.Sum(8).end()), before);
}

TEST_F(OutputOpsTest, IndexesOutOfRangeDoNothing) {
    const std::vector<std::function<void()>> calls = {
        [&] { ops->SetCurChannelChange(12); },
        [&] { ops->SetChVolume(-1, -100, true); },
        [&] { ops->SetChVolumeUp(12, false); },
        [&] { EXPECT_FALSE(ops->SetChVolumeEdit(12, "-3", "OFF")); },
        [&] { ops->SetChMute(12, true); },
        [&] { ops->SetChPhase(-1, true); },
        [&] { ops->SetChSolo(12, true); },
        [&] { ops->SetLinkGroup(12, 1); },
        [&] { ops->SetLinkGroup(0, -1); },
        [&] { ops->ToggleLinkGroup(-5); },
        [&] { ops->SetDelayLinkGroup(12, 1); },
        [&] { ops->SetChDelay(12, 3.0f); },
        [&] { EXPECT_FALSE(ops->SetChDelayEdit(-1, "3")); },
        [&] { ops->SetChDelaySlider(12, 3000); },
        [&] { ops->SetChDelayUp(12, true); },
        [&] { ops->SetSpeakerDelayUp(29, true); },
        [&] { ops->SetShowCurve(12, true); },
        [&] { ops->SetOutputValue(12, 1, false); },
        [&] { ops->SetOutputValue(0, 29, false); },
        [&] { ops->SetOutputValue(0, -1, false); },
        [&] { ops->SetSpeakerFocus(0); },
        [&] { ops->SetSpeakerFocus(29); },
        [&] { ops->SetBridge(6, true, true, true); },
        [&] { ops->SetBridge(-1, true, false, false); },
    };
    const sim::DeviceState before = Device();
    for (const auto& call : calls) {
        call();
    }
    EXPECT_EQ(Device(), before);
    EXPECT_EQ(view.outputChanges + view.curveChanges + view.linkLockChanges, 0);
    EXPECT_EQ(live.outputs[0], 1);
    EXPECT_EQ(live.currOutChannel, 0);
    EXPECT_EQ(ops->FocusedSpeaker(), 0);
    EXPECT_TRUE(events.Messages().empty());
}

// ---- without an amplifier ----

class DisconnectedOutputOpsTest : public OutputOpsTest {
  protected:
    DisconnectedOutputOpsTest() { connected = false; }
};

TEST_F(DisconnectedOutputOpsTest, ModelAndViewChangeNothingIsSentNothingHangs) {
    const sim::DeviceState before = amp->Snapshot();
    ops->SetChVolume(2, -120, true);
    ops->SetChMute(2, true);
    ops->SetChDelay(2, 4.0f);
    view.resetChoice = 2;
    ops->SetOutputReset();
    ops->SetBridge(1, true, true, true);
    ops->WaitForJobs();
    EXPECT_FLOAT_EQ(live.channels[2].gain, -12.0f);
    EXPECT_EQ(live.channels[2].mute, 1);
    EXPECT_FLOAT_EQ(live.channels[3].delay, 4.0f);
    EXPECT_EQ(live.outputs[0], 0);
    EXPECT_EQ(live.bridgeOutputs[1], 1);
    EXPECT_GT(view.outputChanges, 0);
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING,
                                     model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
    EXPECT_EQ(amp->Snapshot(), before);
}

}  // namespace
