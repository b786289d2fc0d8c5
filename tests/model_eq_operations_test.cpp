// Crossover and EQ band operations against the virtual amplifier: each case runs the operation,
// lets the queue drain and reads what the amplifier holds. Graph drags run on a clock of their
// own that only the test advances, so the send throttle is exact.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/channel_curves.h"
#include "model/crossover.h"
#include "model/eq_operations.h"
#include "model/frequency.h"
#include "shell/run_log.h"
#include "sim/sim_transport.h"

using model::EqDragValues;
using model::EqOperations;

namespace {

struct RecordingView : model::OperationsView, model::ModelSubscriber {
    bool AskQuestion(const char* key) override {
        questions.push_back(key);
        return answer;
    }
    void OnModelChange(const model::ModelChange& change) override {
        using model::ChangeKind;
        switch (change.kind) {
            case ChangeKind::Crossover:
                ++crossoverShown;
                hpOdd = ops->OddSlopesEnabled(model::HIGH_PASS_SIDE) ? 1 : 0;
                lpOdd = ops->OddSlopesEnabled(model::LOW_PASS_SIDE) ? 1 : 0;
                break;
            case ChangeKind::Bands:
                ++bandsShown;
                break;
            case ChangeKind::Graph:
                graphSelections.push_back(change.band);
                break;
            case ChangeKind::EqMode:
                modes.push_back(ops->PeqMode());
                break;
            default:
                break;
        }
    }

    const EqOperations* ops = nullptr;

    bool answer = false;
    int crossoverShown = 0;
    int bandsShown = 0;
    int hpOdd = -1;
    int lpOdd = -1;
    std::vector<int> graphSelections;
    std::vector<std::string> questions;
    std::vector<bool> modes;
};

// Tenths pairs as the amplifier keeps them.
float Tenths(const std::array<uint8_t, 2>& pair, int offset = 0) {
    return static_cast<float>(pair[0] * 10 + pair[1] - offset * 10) / 10.0f;
}
float GainOf(const sim::EqBand& b) {
    return Tenths(b.gain, 18);
}
float QOf(const sim::EqBand& b) {
    return Tenths(b.q);
}

class EqOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (connected) {
            ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
            link.SetAsyncMode(true);
        }
        ops = std::make_unique<EqOperations>(live, link, dragClock, curves, changes);
        ops->SetView(&view);
        view.ops = ops.get();
        changes.Subscribe(&view);
    }
    void TearDown() override { ops.reset(); }

    void Drain() {
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 200000 && !link.QueueIdle(); ++i) {
                linkClock.SleepMs(1);
            }
            linkClock.SleepMs(20);
        }
        ASSERT_TRUE(link.QueueIdle());
    }
    sim::DeviceState Device() {
        Drain();
        return amp->Snapshot();
    }
    static const sim::OutputState& Out(const sim::DeviceState& d, int i) {
        return d.scenes[0].outputs[static_cast<size_t>(i)];
    }
    static sim::EqBand DevBand(const sim::DeviceState& d, int out, int band) {
        return Out(d, out).bands[static_cast<size_t>(band)];
    }
    // Marks a band on the device so that a later write shows.
    void MarkBand(int out, int band, uint16_t freq) {
        amp->Modify([&](sim::DeviceState& d) {
            d.scenes[0].outputs[static_cast<size_t>(out)].bands[static_cast<size_t>(band)].freq =
                freq;
        });
    }
    void MarkHp(int out, uint16_t freq) {
        amp->Modify([&](sim::DeviceState& d) {
            d.scenes[0].outputs[static_cast<size_t>(out)].hp.freq = freq;
        });
    }
    void MarkBypass(int out, uint8_t bypass) {
        amp->Modify([&](sim::DeviceState& d) {
            d.scenes[0].outputs[static_cast<size_t>(out)].eqBypass = bypass;
        });
    }
    // A gain the model holds hidden, on the device too.
    void HiddenGain(int out, int band, float gain) {
        Band(out, band).eqGain = gain;
        amp->Modify([&](sim::DeviceState& d) {
            const int tenths = static_cast<int>(std::lround((gain + 18.0f) * 10.0f));
            d.scenes[0].outputs[static_cast<size_t>(out)].bands[static_cast<size_t>(band)].gain = {
                static_cast<uint8_t>(tenths / 10), static_cast<uint8_t>(tenths % 10)};
        });
    }
    model::EqBand& Band(int out, int band) {
        return live.bands[static_cast<size_t>(out)][static_cast<size_t>(band)];
    }
    void Drag(int band, float gain, bool release = false) {
        const model::EqBand& b = Band(live.currOutChannel, band);
        ops->EqualizerCallback(band, model::EQ_DRAG_POINT, release,
                               EqDragValues{b.freq, gain, b.eqFactor});
    }

    bool connected = true;
    dsplink::ManualClock linkClock;
    dsplink::ManualClock dragClock;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, linkClock), linkClock};
    model::ProfileRecord live;
    model::ChannelCurves curves;
    RecordingView view;
    model::ModelChanges changes;
    std::unique_ptr<EqOperations> ops;
};

// ---- graph drags ----

TEST_F(EqOpsTest, PointDragSendsAtMostOncePer500MsAndAlwaysOnRelease) {
    live.currOutChannel = 2;
    ASSERT_TRUE(ops->SetChEq(5, 400, 2.0f, 1.0f));
    ASSERT_FLOAT_EQ(GainOf(DevBand(Device(), 2, 5)), 1.0f);

    // 30 moves 100 ms apart: the first goes at once, then one whenever more than 500 ms passed.
    float lastSent = 1.0f;
    int64_t lastSendAt = -1000;
    int sends = 0;
    for (int step = 0; step < 30; ++step) {
        const float gain = -0.5f - 0.5f * static_cast<float>(step % 20);
        Drag(5, gain);
        EXPECT_FLOAT_EQ(Band(2, 5).eqGain, gain) << "the model follows every move";
        if (dragClock.NowMs() - lastSendAt > model::EQ_SEND_INTERVAL_MS) {
            lastSent = gain;
            lastSendAt = dragClock.NowMs();
            ++sends;
        }
        EXPECT_FLOAT_EQ(GainOf(DevBand(Device(), 2, 5)), lastSent) << "step " << step;
        dragClock.Advance(100'000);
    }
    EXPECT_EQ(sends, 5);
    // The release sends although the last send was only 100 ms ago.
    dragClock.Advance(-100'000);
    ops->EqualizerCallback(5, model::EQ_DRAG_POINT, true, EqDragValues{630, -6.3f, 1.2f});
    const sim::EqBand b = DevBand(Device(), 2, 5);
    EXPECT_EQ(b.freq, 630);
    EXPECT_FLOAT_EQ(GainOf(b), -6.3f);
    EXPECT_FLOAT_EQ(QOf(b), 1.2f);
    EXPECT_EQ(Out(Device(), 2).eqBypass, 0);
    EXPECT_EQ(view.graphSelections.back(), 5);
}

TEST_F(EqOpsTest, HandleDragsShareTheThrottleAndKeepTheirOrder) {
    live.currOutChannel = 0;  // tweeter: HP 3400, LP 20000
    Drag(4, 2.0f);            // sends, starts the tick
    dragClock.Advance(200'000);
    MarkHp(0, 77);
    ops->EqualizerCallback(-1, model::EQ_DRAG_HP, false, EqDragValues{5000});
    EXPECT_EQ(live.channels[0].crossover.hp.fs(), 5000);
    EXPECT_EQ(Out(Device(), 0).hp.freq, 77) << "within 500 ms of the point's send";
    dragClock.Advance(400'000);
    ops->EqualizerCallback(-1, model::EQ_DRAG_HP, false, EqDragValues{6000});
    EXPECT_EQ(Out(Device(), 0).hp.freq, 6000);

    // LP may not go below HP, even if the graph says so; the release always goes out.
    ops->EqualizerCallback(-1, model::EQ_DRAG_LP, true, EqDragValues{1000});
    EXPECT_EQ(live.channels[0].crossover.lp.fs(), 6000);
    EXPECT_EQ(Out(Device(), 0).lp.freq, 6000);
    // A band outside "eqSize" and an unknown kind change nothing.
    live.channels[0].eqSize = 10;
    const model::ProfileRecord before = live;
    ops->EqualizerCallback(12, model::EQ_DRAG_POINT, true, EqDragValues{100, 3.0f, 1.0f});
    ops->EqualizerCallback(1, 7, true, EqDragValues{100, 3.0f, 1.0f});
    EXPECT_EQ(live.bands, before.bands);
    EXPECT_EQ(live.channels[0].crossover, before.channels[0].crossover);
}

TEST_F(EqOpsTest, DragOfABypassedOutputLeavesBypassOnlyForARealGain) {
    live.currOutChannel = 1;
    HiddenGain(1, 0, 4.0f);
    Drag(3, 0.0005f);
    EXPECT_EQ(live.channels[1].bypass, 1) << "a flat move on a bypassed output is no edit";
    EXPECT_FLOAT_EQ(Band(1, 0).eqGain, 4.0f);
    Drag(3, 1.5f, true);
    const sim::DeviceState d = Device();
    EXPECT_EQ(Out(d, 1).eqBypass, 0);
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 1, 3)), 1.5f);
    EXPECT_FLOAT_EQ(Band(1, 0).eqGain, 0.0f);
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 1, 0)), 0.0f);
}

TEST_F(EqOpsTest, EditsStoreWhatTheWireCarries) {
    // Gain and Q travel in tenths: the model keeps the nearest tenth, as the amplifier will.
    ops->EqualizerCallback(2, model::EQ_DRAG_POINT, true,
                           EqDragValues{Band(0, 2).freq, 3.19f, 1.93f});
    EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 3.2f);
    EXPECT_FLOAT_EQ(Band(0, 2).eqFactor, 1.9f);
    sim::DeviceState d = Device();
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 0, 2)), 3.2f);
    EXPECT_FLOAT_EQ(QOf(DevBand(d, 0, 2)), 1.9f);
    ASSERT_TRUE(ops->SetChEqEdit(4, "500", "2.47", "-1.26"));
    EXPECT_FLOAT_EQ(Band(0, 4).eqFactor, 2.5f);
    EXPECT_FLOAT_EQ(Band(0, 4).eqGain, -1.3f);
    EXPECT_FLOAT_EQ(QOf(DevBand(Device(), 0, 4)), 2.5f);
}

// ---- followers ----

class EqGroupTest : public EqOpsTest {
  protected:
    void SetUp() override {
        EqOpsTest::SetUp();
        // Group 1: outputs 0, 2 (same half), 7 (other half), 9 (beyond the first eight).
        for (int i : {0, 2, 7, 9}) {
            live.linkSel[static_cast<size_t>(i)] = 1;
        }
        live.linkSel[4] = 2;
        live.bridgeOutputs[0] = 1;  // partner of 0 is 1
        live.currOutChannel = 0;
    }
    std::vector<int> OutputsWithBand(const sim::DeviceState& d, int band, uint16_t freq) {
        std::vector<int> outs;
        for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
            if (DevBand(d, i, band).freq == freq) {
                outs.push_back(i);
            }
        }
        return outs;
    }
    std::vector<int> OutputsWithHp(const sim::DeviceState& d, uint16_t freq) {
        std::vector<int> outs;
        for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
            if (Out(d, i).hp.freq == freq) {
                outs.push_back(i);
            }
        }
        return outs;
    }
};

TEST_F(EqGroupTest, BandEditsReachPartnerAndSameHalfMembersOnly) {
    ASSERT_TRUE(ops->SetChEqEdit(3, "1k2", "2.5", "3.0"));
    sim::DeviceState d = Device();
    EXPECT_EQ(OutputsWithBand(d, 3, 1200), (std::vector<int>{0, 1, 2}));
    for (int i : {0, 1, 2}) {
        EXPECT_FLOAT_EQ(GainOf(DevBand(d, i, 3)), 3.0f);
        EXPECT_EQ(Out(d, i).eqBypass, 0) << i;
        EXPECT_EQ(live.channels[static_cast<size_t>(i)].bypass, 0) << i;
    }
    EXPECT_EQ(Out(d, 7).eqBypass, 1);

    // A drag reaches the members of the other half too, but not past the first eight.
    Drag(6, -4.0f, true);
    d = Device();
    EXPECT_EQ(OutputsWithBand(d, 6, static_cast<uint16_t>(Band(0, 6).freq)).size(), 12u);
    for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
        const bool follows = i <= 2 || i == 7;
        EXPECT_FLOAT_EQ(GainOf(DevBand(d, i, 6)), follows ? -4.0f : 0.0f) << i;
        EXPECT_FLOAT_EQ(Band(i, 6).eqGain, follows ? -4.0f : 0.0f) << i;
    }

    // Output 9 is in the group but beyond the first eight: only its bridge partner follows.
    live.bridgeOutputs[4] = 1;
    live.currOutChannel = 9;
    ASSERT_TRUE(ops->SetChEq(3, 5000, 1.0f, -2.0f));
    EXPECT_EQ(OutputsWithBand(Device(), 3, 5000), (std::vector<int>{8, 9}));
}

TEST_F(EqGroupTest, OneOutputBandEditsReachNoFollower) {
    // Output 0 has a partner and group members in both halves; its custom points stay its own,
    // and so does its bypass.
    using model::BandEditResult;
    const model::ProfileRecord before = live;
    EXPECT_EQ(ops->SetOutputBandEdit(0, 15, {"1k5", "2", "3"}), BandEditResult::Changed);
    EXPECT_EQ(ops->SetOutputBandSlider(0, 16, "1500", "2", 40), BandEditResult::Changed);
    EXPECT_EQ(ops->StepOutputBand(0, 17, model::BandField::Gain, true, {"1500", "2", "0.0"}),
              BandEditResult::Changed);
    EXPECT_EQ(ops->DragOutputBand(0, 18, EqDragValues{1500, 1.0f, 2.0f}), BandEditResult::Changed);
    EXPECT_EQ(ops->ToggleOutputBand(0, 15), BandEditResult::Changed);
    const sim::DeviceState d = Device();
    for (int band : {15, 16, 17, 18}) {
        EXPECT_EQ(OutputsWithBand(d, band, 1500), (std::vector<int>{0})) << band;
    }
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 0, 16)), 4.0f);
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 0, 15)), 0.0f) << "switched off";
    EXPECT_FLOAT_EQ(Band(0, 15).eqGain, 3.0f) << "kept for switching on";
    EXPECT_EQ(live.channels[0].bypass, before.channels[0].bypass);
    for (int i = 1; i < model::OUTPUT_CHANNELS; ++i) {
        EXPECT_EQ(live.bands[static_cast<size_t>(i)], before.bands[static_cast<size_t>(i)]) << i;
    }

    ops->ResetCustomPoints(0);
    const sim::DeviceState r = Device();
    EXPECT_EQ(OutputsWithBand(r, 15, 50), (std::vector<int>{0})) << "point 4: 50 Hz";
    EXPECT_FLOAT_EQ(QOf(DevBand(r, 0, 30)), model::DEFAULT_EQ_Q);
    EXPECT_EQ(Band(0, 30).freq, 1600);
    EXPECT_EQ(Band(0, 10), before.bands[0][10]) << "below the custom points";
    ops->RestoreCustomPoints(0);
    EXPECT_EQ(Band(0, 11).freq, 20) << "10 Hz is held to the range";
    EXPECT_FLOAT_EQ(Band(0, 13).eqGain, 12.0f);
    EXPECT_EQ(Band(1, 13), before.bands[1][13]);
}

TEST_F(EqGroupTest, CrossoverEditsReachPartnerAndEveryMemberOfTheFirstEight) {
    ASSERT_TRUE(ops->SetHpFreqEdit("2k5"));
    EXPECT_EQ(OutputsWithHp(Device(), 2500), (std::vector<int>{0, 1, 2, 7}));

    ops->SetHpType(model::kButterworth);
    ops->SetHpSlope(6);
    sim::DeviceState d = Device();
    for (int i = 0; i < model::OUTPUT_CHANNELS; ++i) {
        const bool follows = i <= 2 || i == 7;
        EXPECT_EQ(Out(d, i).hp.slope == 6 && Out(d, i).hp.type == model::kButterworth, follows)
            << i;
        EXPECT_EQ(live.channels[static_cast<size_t>(i)].crossover.hp.slope() == 6, follows) << i;
    }
    EXPECT_EQ(live.channels[7].crossover.bpType,
              model::BpTypeOf(live.channels[7].crossover.hp, live.channels[7].crossover.lp));

    // A handle drag goes to the followers only when it is sent.
    ops->EqualizerCallback(-1, model::EQ_DRAG_LP, false, EqDragValues{9000});
    dragClock.Advance(100'000);
    ops->EqualizerCallback(-1, model::EQ_DRAG_LP, false, EqDragValues{8000});
    EXPECT_EQ(live.channels[7].crossover.lp.fs(), 9000);
    ops->EqualizerCallback(-1, model::EQ_DRAG_LP, true, EqDragValues{8000});
    d = Device();
    for (int i : {0, 1, 2, 7}) {
        EXPECT_EQ(Out(d, i).lp.freq, 8000) << i;
    }
    EXPECT_NE(Out(d, 9).lp.freq, 8000);
}

TEST_F(EqGroupTest, ResetClearsTheBandsOfFollowersOnTheDevice) {
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(ops->SetChEq(i, 100 + 10 * i, 2.0f, 4.0f));
    }
    view.answer = false;
    ops->SetOutputEqReset();
    EXPECT_EQ(view.questions, (std::vector<std::string>{"${reset_all_eq_tips}"}));
    EXPECT_FLOAT_EQ(Band(0, 1).eqGain, 4.0f);

    view.answer = true;
    ops->SetOutputEqReset();
    const sim::DeviceState d = Device();
    for (int i : {0, 1, 2}) {
        for (int b = 0; b < 4; ++b) {
            const int freq = model::DefaultBandFrequency(model::MAX_EQ_BANDS, b);
            EXPECT_EQ(DevBand(d, i, b).freq, freq) << i << " " << b;
            EXPECT_FLOAT_EQ(GainOf(DevBand(d, i, b)), 0.0f);
            EXPECT_FLOAT_EQ(QOf(DevBand(d, i, b)), 5.8f);
            EXPECT_EQ(Band(i, b), (model::EqBand{0.0f, 5.8f, freq, 1}));
        }
    }
}

TEST_F(EqGroupTest, BypassButtonEntersAndRestoresForTheGroup) {
    ASSERT_TRUE(ops->SetChEq(2, 200, 3.0f, 6.0f));
    ASSERT_EQ(Out(Device(), 7).eqBypass, 1);
    view.answer = false;
    ops->SetOutputBypass();
    EXPECT_EQ(live.channels[0].bypass, 0);

    // Outside the group: marked, and must keep the mark.
    MarkBypass(5, 7);
    MarkBypass(9, 7);
    MarkBypass(7, 0);
    view.answer = true;
    ops->SetOutputBypass();
    sim::DeviceState d = Device();
    for (int i : {0, 1, 2, 7}) {
        EXPECT_EQ(Out(d, i).eqBypass, 1) << i;
        EXPECT_EQ(live.channels[static_cast<size_t>(i)].bypass, 1) << i;
    }
    EXPECT_EQ(Out(d, 5).eqBypass, 7);
    EXPECT_EQ(Out(d, 9).eqBypass, 7);
    EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 6.0f) << "bypass keeps the gains";
    EXPECT_EQ(ops->GraphPoints()[2].gain, 0.0f);

    ops->SetOutputBypass();  // restore
    d = Device();
    for (int i : {0, 1, 2, 7}) {
        EXPECT_EQ(Out(d, i).eqBypass, 0) << i;
    }
    EXPECT_EQ(Out(d, 9).eqBypass, 7);
    EXPECT_EQ(view.questions,
              (std::vector<std::string>{"${bypass_all_eq_tips}", "${bypass_all_eq_tips}",
                                        "${restore_all_eq_tips}"}));
    EXPECT_FLOAT_EQ(ops->GraphPoints()[2].gain, 6.0f);
}

// ---- bypass rules of band edits ----

TEST_F(EqOpsTest, EditOnABypassedOutputZeroesTheHiddenGainsFirst) {
    live.currOutChannel = 4;
    HiddenGain(4, 0, 5.0f);
    HiddenGain(4, 9, -3.0f);
    ASSERT_TRUE(ops->SetChEqEdit(12, "315", "4.0", "0.5"));
    sim::DeviceState d = Device();
    EXPECT_EQ(Out(d, 4).eqBypass, 0);
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 4, 12)), 0.5f);
    for (int b : {0, 9}) {
        EXPECT_FLOAT_EQ(Band(4, b).eqGain, 0.0f);
        EXPECT_FLOAT_EQ(GainOf(DevBand(d, 4, b)), 0.0f);
    }

    // The last band with a gain going to 0 dB bypasses the output.
    ASSERT_TRUE(ops->SetChEqSlider(12, 0));
    d = Device();
    EXPECT_EQ(Out(d, 4).eqBypass, 1);
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 4, 12)), 0.0f);
}

TEST_F(EqOpsTest, SmallGainsElsewhereKeepTheOutputInCircuit) {
    live.currOutChannel = 0;
    ASSERT_TRUE(ops->SetChEq(1, 25, 5.8f, 0.5f));
    ASSERT_TRUE(ops->SetChEq(2, 31, 5.8f, 0.4f));
    ASSERT_TRUE(ops->SetChEq(3, 40, 5.8f, 2.0f));
    ASSERT_TRUE(ops->SetChEq(3, 40, 5.8f, 0.0f));
    const sim::DeviceState d = Device();
    EXPECT_EQ(Out(d, 0).eqBypass, 0) << "0.9 dB still plays";
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 0, 1)), 0.5f);
}

// ---- band fields ----

TEST_F(EqOpsTest, BandTextsAreReadClampedOrRefused) {
    live.currOutChannel = 3;
    struct Row {
        const char* freq;
        const char* q;
        const char* gain;
        bool accepted;
        int wantFreq;
        float wantQ;
        float wantGain;
    };
    const Row rows[] = {
        {"1k5", "2", "3", true, 1500, 2.0f, 3.0f},
        {"25000", "12", "20", true, 1500, 9.0f, 12.0f},  // frequency out of range: kept
        {"100", "0.1", "-30dB", true, 100, 0.5f, -18.0f},
        {"abc", "1.3", "-2.04", true, 100, 1.3f, -2.0f},
        {"200", "q", "1", false, 100, 1.3f, -2.0f},
        {"200", "1", "", false, 100, 1.3f, -2.0f},
        {"200", "nan", "1", false, 100, 1.3f, -2.0f},
        {"99999999999k", "1", "1", true, 20000, 1.0f, 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.freq + std::string("|") + row.q + "|" + row.gain);
        MarkBand(3, 7, 1);
        EXPECT_EQ(ops->SetChEqEdit(7, row.freq, row.q, row.gain), row.accepted);
        const sim::EqBand b = DevBand(Device(), 3, 7);
        EXPECT_EQ(b.freq, row.accepted ? row.wantFreq : 1);
        EXPECT_EQ(Band(3, 7).freq, row.wantFreq);
        EXPECT_FLOAT_EQ(Band(3, 7).eqFactor, row.wantQ);
        EXPECT_FLOAT_EQ(Band(3, 7).eqGain, row.wantGain);
        if (row.accepted) {
            EXPECT_FLOAT_EQ(QOf(b), row.wantQ);
            EXPECT_FLOAT_EQ(GainOf(b), row.wantGain);
        }
    }
    // A band beyond "eqSize" is refused.
    live.channels[3].eqSize = 7;
    EXPECT_FALSE(ops->SetChEqEdit(7, "100", "1", "1"));
    EXPECT_FALSE(ops->SetChEqSlider(-1, 10));
}

TEST_F(EqOpsTest, QStepsLandOnTheLimitsAndStopThere) {
    live.currOutChannel = 5;
    ASSERT_TRUE(ops->SetChEq(0, 20, 8.98f, 1.0f));
    ops->SetEqQUp(0, true);
    EXPECT_FLOAT_EQ(QOf(DevBand(Device(), 5, 0)), 9.0f);
    EXPECT_FLOAT_EQ(Band(5, 0).eqFactor, 9.0f);
    MarkBand(5, 0, 1);
    ops->SetEqQUp(0, true);
    EXPECT_EQ(DevBand(Device(), 5, 0).freq, 1) << "nothing sent at the top";

    ASSERT_TRUE(ops->SetChEq(0, 20, 0.52f, 1.0f));
    ops->SetEqQUp(0, false);
    EXPECT_FLOAT_EQ(QOf(DevBand(Device(), 5, 0)), 0.5f);
    MarkBand(5, 0, 1);
    ops->SetEqQUp(0, false);
    EXPECT_EQ(DevBand(Device(), 5, 0).freq, 1);

    // One step is the wire's tenth.
    ops->SetEqQUp(0, true);
    EXPECT_FLOAT_EQ(Band(5, 0).eqFactor, 0.6f);
    EXPECT_EQ(DevBand(Device(), 5, 0).freq, 20) << "sent";

    // Frequency steps stop at the ends; gain steps move 0.1 dB.
    MarkBand(5, 0, 1);
    ops->SetEqFreqUp(0, false);
    EXPECT_EQ(DevBand(Device(), 5, 0).freq, 1);
    ops->SetEqFreqUp(0, true);
    EXPECT_EQ(Band(5, 0).freq, model::StepFrequency(20, true));
    ops->SetEqGainUp(0, false);
    EXPECT_FLOAT_EQ(GainOf(DevBand(Device(), 5, 0)), 0.9f);
}

TEST_F(EqOpsTest, DisablingKeepsTheGainAndEnablingRestoresIt) {
    live.currOutChannel = 6;
    ASSERT_TRUE(ops->SetChEq(10, 250, 2.0f, 3.0f));
    ops->OnEqEnable(10);
    sim::DeviceState d = Device();
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 6, 10)), 0.0f);
    EXPECT_EQ(Band(6, 10).enable, 0);
    EXPECT_FLOAT_EQ(Band(6, 10).eqGain, 3.0f);
    EXPECT_EQ(Out(d, 6).eqBypass, 0);
    EXPECT_FALSE(ops->GraphPoints()[10].enable);

    ops->OnEqEnable(10);
    d = Device();
    EXPECT_FLOAT_EQ(GainOf(DevBand(d, 6, 10)), 3.0f);
    EXPECT_EQ(Band(6, 10).enable, 1);
    EXPECT_FLOAT_EQ(ops->GraphPoints()[10].gain, 3.0f);

    // A stored gain beyond the amplifier's range goes out clamped.
    Band(6, 11).eqGain = -20.0f;
    Band(6, 11).enable = 0;
    ops->OnEqEnable(11);
    EXPECT_FLOAT_EQ(GainOf(DevBand(Device(), 6, 11)), -18.0f);
}

TEST_F(EqOpsTest, OneOutputBandEditsClampAndSendOnlyChanges) {
    using model::BandEditResult;
    using model::BandField;
    live.currOutChannel = 0;  // the edits name their output; the current one does not matter
    const model::GainRange range{-6.0f, 6.0f};
    ASSERT_EQ(ops->SetOutputBand(4, 20, 1000, 2.0f, 1.0f, range), BandEditResult::Changed);
    struct Row {
        const char* freq;
        const char* q;
        const char* gain;
        int wantFreq;
        float wantQ;
        float wantGain;
    };
    const Row rows[] = {
        {"25000", "12", "40", 1000, 9.0f, 6.0f},   // frequency out of range: kept
        {"1k5", "abc", "-30", 1500, 0.5f, -6.0f},  // an unreadable Q is corrected, not refused
        {"", "1.93", "3.19", 1500, 1.9f, 3.2f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.freq + std::string("|") + row.q + "|" + row.gain);
        EXPECT_EQ(ops->SetOutputBandEdit(4, 20, {row.freq, row.q, row.gain}, range),
                  BandEditResult::Changed);
        const sim::EqBand b = DevBand(Device(), 4, 20);
        EXPECT_EQ(b.freq, row.wantFreq);
        EXPECT_FLOAT_EQ(QOf(b), row.wantQ);
        EXPECT_FLOAT_EQ(GainOf(b), row.wantGain);
        EXPECT_EQ(Band(4, 20), (model::EqBand{row.wantGain, row.wantQ, row.wantFreq, 1}));
    }

    // The same values again, a hover, steps at their limits: nothing sent, nothing told.
    MarkBand(4, 20, 1);
    const int told = view.bandsShown;
    EXPECT_EQ(ops->SetOutputBandEdit(4, 20, {"1500", "1.90", "3.2"}, range),
              BandEditResult::Unchanged);
    EXPECT_FALSE(ops->DragMovesOutputBand(4, 20, EqDragValues{1500, 3.2f, 1.93f}, range));
    EXPECT_EQ(ops->StepOutputBand(4, 20, BandField::Freq, true, {"20000", "1.9", "3.2"}, range),
              BandEditResult::Refused);
    EXPECT_EQ(ops->StepOutputBand(4, 20, BandField::Q, false, {"1500", "0.50", "3.2"}, range),
              BandEditResult::Refused);
    EXPECT_EQ(ops->StepOutputBand(4, 20, BandField::Gain, true, {"1500", "1.9", "6.0"}, range),
              BandEditResult::Refused);
    EXPECT_EQ(ops->SetOutputBandEdit(-1, 20, {"100", "1", "1"}), BandEditResult::Refused);
    EXPECT_EQ(ops->SetOutputBandEdit(4, model::MAX_EQ_BANDS, {"100", "1", "1"}),
              BandEditResult::Refused);
    EXPECT_EQ(ops->ToggleOutputBand(model::OUTPUT_CHANNELS, 20), BandEditResult::Refused);
    EXPECT_EQ(DevBand(Device(), 4, 20).freq, 1);
    EXPECT_EQ(view.bandsShown, told);

    // A step starts from the field's text, not the record; the last partial Q step lands.
    EXPECT_EQ(ops->StepOutputBand(4, 20, BandField::Q, false, {"1500", "0.52", "3.2"}, range),
              BandEditResult::Changed);
    EXPECT_FLOAT_EQ(Band(4, 20).eqFactor, 0.5f);
    EXPECT_EQ(ops->StepOutputBand(4, 20, BandField::Gain, true, {"1500", "0.5", "5.95"}, range),
              BandEditResult::Changed);
    EXPECT_FLOAT_EQ(Band(4, 20).eqGain, 6.0f);

    // Off, a point typed at 0 dB stays off with its gain; only its shape moves.
    ASSERT_EQ(ops->ToggleOutputBand(4, 20), BandEditResult::Changed);
    EXPECT_EQ(ops->SetOutputBandEdit(4, 20, {"800", "0.5", "0.0"}, range), BandEditResult::Changed);
    EXPECT_EQ(Band(4, 20), (model::EqBand{6.0f, 0.5f, 800, 0}));
    EXPECT_FLOAT_EQ(GainOf(DevBand(Device(), 4, 20)), 0.0f);
    EXPECT_EQ(DevBand(Device(), 4, 20).freq, 800);
    // A flat point has nothing to switch.
    EXPECT_EQ(ops->ToggleOutputBand(4, 21), BandEditResult::Unchanged);
}

// ---- crossover ----

TEST_F(EqOpsTest, FrequencyTextsAndStepsKeepHpBelowLp) {
    live.currOutChannel = 2;  // mid: HP 600, LP 1900
    EXPECT_TRUE(ops->SetHpFreqEdit("25000"));
    EXPECT_EQ(Out(Device(), 2).hp.freq, 1900);
    EXPECT_TRUE(ops->SetLpFreqEdit("1k5"));
    EXPECT_EQ(live.channels[2].crossover.lp.fs(), 1900) << "not below HP";
    ops->SetHpFreq(500);
    EXPECT_TRUE(ops->SetLpFreqEdit("1k5"));
    EXPECT_EQ(Out(Device(), 2).lp.freq, 1500);
    EXPECT_TRUE(ops->SetLpFreqEdit("25000"));
    EXPECT_EQ(Out(Device(), 2).lp.freq, 20000);
    EXPECT_TRUE(ops->SetHpFreqEdit("5"));
    EXPECT_EQ(Out(Device(), 2).hp.freq, 20);

    MarkHp(2, 77);
    EXPECT_FALSE(ops->SetHpFreqEdit("Hz"));
    EXPECT_FALSE(ops->SetHpFreqEdit(""));
    EXPECT_EQ(Out(Device(), 2).hp.freq, 77);
    ops->SetHpFreqUp(false);
    EXPECT_EQ(Out(Device(), 2).hp.freq, 77) << "nothing below 20 Hz";
    ops->SetHpFreqUp(true);
    EXPECT_EQ(Out(Device(), 2).hp.freq, model::StepFrequency(20, true));

    // At the other side's frequency a step still sends, but stays there.
    ops->SetLpFreq(1000);
    ops->SetHpFreq(1000);
    MarkHp(2, 77);
    ops->SetHpFreqUp(true);
    EXPECT_EQ(Out(Device(), 2).hp.freq, 1000);
    ops->SetLpFreqUp(false);
    EXPECT_EQ(Out(Device(), 2).lp.freq, 1000);
    EXPECT_EQ(live.channels[2].crossover.lp.fs(), 1000);
    EXPECT_GT(view.crossoverShown, 0);
}

TEST_F(EqOpsTest, LinkwitzRileyTakesEvenSlopesOnly) {
    live.currOutChannel = 4;  // woofer: HP slope 3, Bessel
    ops->ShowCrossover();
    EXPECT_EQ(view.hpOdd, 1);
    ops->SetHpType(model::kLinkwitzRiley, "Linkwitz-Riley");
    sim::DeviceState d = Device();
    EXPECT_EQ(Out(d, 4).hp.type, model::kLinkwitzRiley);
    EXPECT_EQ(Out(d, 4).hp.slope, 4);
    EXPECT_EQ(view.hpOdd, 0);
    EXPECT_FALSE(ops->OddSlopesEnabled(model::HIGH_PASS_SIDE));
    EXPECT_TRUE(ops->OddSlopesEnabled(model::LOW_PASS_SIDE));

    EXPECT_FALSE(ops->SetHpSlope(5));
    EXPECT_TRUE(ops->SetHpSlope(8));
    EXPECT_FALSE(ops->SetHpSlope(9));
    EXPECT_EQ(Out(Device(), 4).hp.slope, 8);

    ops->SetHpType(model::kButterworth);
    EXPECT_EQ(view.hpOdd, 1);
    EXPECT_TRUE(ops->SetHpSlope(3));
    d = Device();
    EXPECT_EQ(Out(d, 4).hp.slope, 3);
    EXPECT_EQ(Out(d, 4).hp.type, model::kButterworth);

    // Slope 0 switches the side off.
    EXPECT_TRUE(ops->SetLpSlope(0));
    EXPECT_EQ(live.channels[4].crossover.lp.bypass(), 1);
    EXPECT_EQ(live.channels[4].crossover.bpType, 1);
    EXPECT_EQ(Out(Device(), 4).lp.slope, 0);
}

// ---- mode, graph and disconnected use ----

TEST_F(EqOpsTest, ModeIsAskedAndNeverSent) {
    const sim::DeviceState before = Device();
    view.answer = false;
    ops->ToggleEqMode();
    EXPECT_FALSE(ops->PeqMode());
    view.answer = true;
    ops->ToggleEqMode();
    EXPECT_TRUE(ops->PeqMode());
    ops->ToggleEqMode();
    EXPECT_FALSE(ops->PeqMode());
    EXPECT_EQ(view.questions, (std::vector<std::string>{"${peq_mode_tips}", "${peq_mode_tips}",
                                                        "${geq_mode_tips}"}));
    EXPECT_EQ(view.modes, (std::vector<bool>{true, false}));
    EXPECT_EQ(Device(), before);
}

TEST_F(EqOpsTest, GraphRefreshRecomputesTheFollowersCurves) {
    live.currOutChannel = 0;
    live.linkSel[0] = live.linkSel[3] = live.linkSel[6] = 2;
    for (int i : {3, 6}) {
        live.channels[static_cast<size_t>(i)].bypass = 0;
        live.channels[static_cast<size_t>(i)].crossover = model::Crossover{};
        Band(i, 15).eqGain = 9.0f;
    }
    ops->UpdateEqualizer(40);
    EXPECT_EQ(view.graphSelections.back(), -1) << "no such band";
    const auto peak = [&](int out) {
        double m = -100.0;
        for (double v : curves.Sum(out)) {
            m = std::max(m, v);
        }
        return m;
    };
    EXPECT_GT(peak(3), 6.0) << "same half, recomputed";
    EXPECT_LT(peak(6), 1.0) << "other half, left alone";
}

TEST_F(EqOpsTest, LogLinesNameTheOperations) {
    const std::string path = ::testing::TempDir() + "eq_ops_log.txt";
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    ASSERT_TRUE(runlog::Open(path, sink));
    live.currOutChannel = 2;
    ops->SetHpFreq(700);
    ops->EqualizerCallback(4, model::EQ_DRAG_POINT, true, EqDragValues{100, 1.0f, 1.0f});
    Drain();
    runlog::Close();
    std::fclose(sink);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    std::remove(path.c_str());
    for (const char* line :
         {"set hp freq to 700 \n", "UpdateEqualizer 0 cost time 0 ms\n",
          "UpdateEqualizer 1 cost time 0 ms\n", "EqualizerCallback cmd 0 index 4\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(log.find("gainValue("), std::string::npos) << "a drag is no edit";
}

class EqDisconnectedTest : public EqOpsTest {
  protected:
    void SetUp() override {
        connected = false;
        EqOpsTest::SetUp();
    }
};

TEST_F(EqDisconnectedTest, OperationsChangeTheModelAndSendNothing) {
    const sim::DeviceState before = amp->Snapshot();
    view.answer = true;
    live.currOutChannel = 1;
    ops->SetHpFreq(1000);
    ops->SetLpType(model::kLinkwitzRiley);
    ASSERT_TRUE(ops->SetChEq(2, 300, 1.0f, 4.0f));
    for (int i = 0; i < 5; ++i) {
        Drag(2, static_cast<float>(i), i == 4);
    }
    ops->OnEqEnable(2);
    ops->SetOutputBypass();
    ops->SetOutputEqReset();
    EXPECT_EQ(live.channels[1].crossover.hp.fs(), 1000);
    EXPECT_EQ(live.channels[1].crossover.lp.type(), model::kLinkwitzRiley);
    EXPECT_EQ(Band(1, 2).freq, model::DefaultBandFrequency(model::MAX_EQ_BANDS, 2));
    EXPECT_EQ(amp->Snapshot(), before);
}

}  // namespace
