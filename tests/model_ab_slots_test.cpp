// The A/B slots against the virtual amplifier: a switch leaves the amplifier as that slot left
// it and writes only what differs, undo brings the other slot back, and the slots outlive a
// reconnect.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "link/subcommands.h"
#include "manager_rig.h"
#include "model/equalizer_manager.h"

using model::AbSlot;
using model::EqualizerManager;
using model_test::Frame;

namespace {

struct ChangeLog : model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override { kinds.push_back(change.kind); }
    bool Saw(model::ChangeKind kind) const {
        return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    }
    std::vector<model::ChangeKind> kinds;
};

class AbSlotsTest : public model_test::ManagerRig {
  protected:
    // A typical difference: three bands and the gain of output 2, three bands of output 7 and
    // the delay of output 9. The first band edit of each output also takes its EQ out of
    // bypass: ten commands.
    void TuneA() {
        Act([&] {
            model::OutputOperations& out = manager->Outputs();
            model::EqOperations& eq = manager->Eq();
            out.SetCurChannelChange(2);
            for (int band = 0; band < 3; ++band) {
                eq.SetChEq(band, 100 + 200 * band, 2.0f, 4.5f - static_cast<float>(band));
            }
            out.SetChVolume(2, -70, true);
            out.SetCurChannelChange(7);
            for (int band = 4; band < 7; ++band) {
                eq.SetChEq(band, 3000 + 500 * band, 1.5f, -6.0f);
            }
            out.SetChDelay(9, 1.25f);
        });
    }
    // The live set as a tuning: which output is current does not count.
    model::ProfileRecord Live() const {
        model::ProfileRecord live = manager->State().live;
        live.currOutChannel = 0;
        return live;
    }
    static int Subcommand(const Frame& f) { return f.empty() ? -1 : f[0]; }
};

}  // namespace

TEST_F(AbSlotsTest, ASwitchRestoresTheAmplifierOfThatSlotWithOnlyTheDifferingCommands) {
    model::AbSlots& ab = manager->AB();
    ASSERT_TRUE(ab.Begun());
    const sim::DeviceState deviceB = amp->Snapshot();
    TuneA();
    const sim::DeviceState deviceA = amp->Snapshot();
    ASSERT_FALSE(deviceA == deviceB);

    const std::vector<Frame> toB = Act([&] { EXPECT_TRUE(ab.Switch()); });
    EXPECT_EQ(ab.Live(), AbSlot::B);
    EXPECT_TRUE(amp->Snapshot() == deviceB);
    std::map<int, int> commands;
    for (const Frame& f : toB) {
        ++commands[Subcommand(f)];
    }
    EXPECT_EQ(commands, (std::map<int, int>{{dsplink::DSP_EQ_CH, 6},
                                            {dsplink::DSP_TRIM_CH, 1},
                                            {dsplink::DSP_DELAY_CH, 1},
                                            {dsplink::DSP_EQ_BYPASS, 2}}));

    const std::vector<Frame> toA = Act([&] { EXPECT_TRUE(ab.Switch()); });
    EXPECT_EQ(ab.Live(), AbSlot::A);
    EXPECT_TRUE(amp->Snapshot() == deviceA);
    EXPECT_EQ(toA.size(), toB.size());
}

TEST_F(AbSlotsTest, OneUndoAfterASwitchBringsTheOtherSlotBackInTheModelAndOnTheAmplifier) {
    model::AbSlots& ab = manager->AB();
    const model::ProfileRecord recordB = Live();
    const sim::DeviceState deviceB = amp->Snapshot();
    TuneA();
    const model::ProfileRecord recordA = Live();
    const sim::DeviceState deviceA = amp->Snapshot();
    const size_t steps = manager->History().UndoSteps();

    Act([&] { ab.Switch(); });
    EXPECT_EQ(manager->History().UndoSteps(), steps + 1);
    Act([&] { EXPECT_TRUE(manager->Undo()); });
    EXPECT_EQ(ab.Live(), AbSlot::A);
    EXPECT_EQ(Live(), recordA);
    EXPECT_TRUE(amp->Snapshot() == deviceA);
    EXPECT_EQ(ab.Record(AbSlot::B).channels, recordB.channels);

    Act([&] { EXPECT_TRUE(manager->Redo()); });
    EXPECT_EQ(ab.Live(), AbSlot::B);
    EXPECT_EQ(Live(), recordB);
    EXPECT_TRUE(amp->Snapshot() == deviceB);
    EXPECT_EQ(ab.Record(AbSlot::A).bands, recordA.bands);
}

TEST_F(AbSlotsTest, CopyingIntoTheStoredSlotSendsNothingAndIntoTheLiveOneSendsTheDifference) {
    model::AbSlots& ab = manager->AB();
    const sim::DeviceState deviceB = amp->Snapshot();
    TuneA();
    const sim::DeviceState deviceA = amp->Snapshot();

    // B takes A's tuning: nothing to send, neither for the copy nor for the switch after it.
    EXPECT_TRUE(Act([&] { EXPECT_TRUE(ab.CopyAToB()); }).empty());
    EXPECT_TRUE(Act([&] { ab.Switch(); }).empty());
    EXPECT_EQ(ab.Live(), AbSlot::B);
    EXPECT_TRUE(amp->Snapshot() == deviceA);
    EXPECT_TRUE(ab.Differences().Outputs().empty());

    // The copy is a step of its own: undone, B holds the amplifier's first tuning again, and
    // copying that into the live A plays it.
    Act([&] { manager->Undo(); });
    Act([&] { manager->Undo(); });
    EXPECT_EQ(ab.Live(), AbSlot::A);
    EXPECT_EQ(ab.Differences().Outputs(), (std::vector<int>{2, 7, 9}));
    EXPECT_EQ(Act([&] { EXPECT_TRUE(ab.CopyBToA()); }).size(), 10u);
    EXPECT_TRUE(amp->Snapshot() == deviceB);
    Act([&] { manager->Undo(); });
    EXPECT_TRUE(amp->Snapshot() == deviceA);
}

TEST_F(AbSlotsTest, DifferencesNameExactlyTheChangedOutputsAndBands) {
    ChangeLog log;
    manager->Subscribe(&log);
    model::AbSlots& ab = manager->AB();
    EXPECT_TRUE(ab.Differences().Outputs().empty());
    TuneA();
    const model::AbDifferences d = ab.Differences();
    EXPECT_EQ(d.Outputs(), (std::vector<int>{2, 7, 9}));
    EXPECT_EQ(d.outputs[2].bands, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(d.outputs[2].gain);
    // The EQ came out of bypass.
    EXPECT_TRUE(d.outputs[2].other && d.outputs[7].other);
    EXPECT_FALSE(d.outputs[2].delay || d.outputs[2].crossover || d.outputs[2].mute ||
                 d.outputs[2].phase);
    EXPECT_EQ(d.outputs[7].bands, (std::vector<int>{4, 5, 6}));
    EXPECT_FALSE(d.outputs[7].gain || d.outputs[7].delay);
    EXPECT_TRUE(d.outputs[9].delay);
    EXPECT_FALSE(d.outputs[9].gain || d.outputs[9].other || !d.outputs[9].bands.empty());

    // Seen from B the same outputs differ, and the windows hear of the switch.
    Act([&] { ab.Switch(); });
    EXPECT_TRUE(log.Saw(model::ChangeKind::AbSlots));
    EXPECT_EQ(ab.Differences(), d);
    manager->Unsubscribe(&log);
}

TEST_F(AbSlotsTest, TheSlotsOutliveAReconnectThatUpdatesTheLiveOne) {
    model::AbSlots& ab = manager->AB();
    TuneA();
    const sim::DeviceState deviceA = amp->Snapshot();
    const model::ProfileRecord recordA = Live();
    Act([&] { ab.Switch(); });

    manager->Disconnect();
    Pump();
    // Meanwhile someone else changed the amplifier: the state read brings it into slot B.
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].outputs[4].trim = 9; });
    Connect();
    EXPECT_EQ(ab.Live(), AbSlot::B);
    EXPECT_FLOAT_EQ(manager->State().live.channels[4].gain, -9.0f);
    EXPECT_EQ(ab.Record(AbSlot::A).bands, recordA.bands);
    EXPECT_EQ(ab.Differences().Outputs(), (std::vector<int>{2, 4, 7, 9}));

    TakeFrames();
    Act([&] { ab.Switch(); });
    EXPECT_TRUE(amp->Snapshot() == deviceA);
    EXPECT_EQ(Live().channels, recordA.channels);
}
