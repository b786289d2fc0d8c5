// Undo and redo against the virtual amplifier: after every edit, undo and redo of a random
// sequence the amplifier holds exactly what it held at that point of the history, and an undo
// writes only the commands of what differs.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "link/subcommands.h"
#include "manager_rig.h"
#include "model/equalizer_manager.h"

using model::EqualizerManager;
using model_test::Frame;

namespace {

using HistoryTest = model_test::ManagerRig;

TEST_F(HistoryTest, RandomEditsUndosAndRedosKeepTheAmplifierAtThePointOfHistory) {
    std::mt19937 random(20261209);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    model::OutputOperations& out = manager->Outputs();
    model::InputOperations& in = manager->Inputs();
    model::EqOperations& eq = manager->Eq();

    // The amplifier and the model at each step of the history, as the edits left them.
    std::vector<sim::DeviceState> device{amp->Snapshot()};
    std::vector<model::ProfileRecord> live{manager->State().live};
    size_t at = 0;
    auto sameLive = [&](const model::ProfileRecord& expected) {
        model::ProfileRecord now = manager->State().live;
        now.currOutChannel = expected.currOutChannel;
        return now == expected;
    };
    std::vector<Frame> lastEdit;

    for (int round = 0; round < 400; ++round) {
        const int a = pick(0, model::OUTPUT_CHANNELS - 1);
        const int kind = pick(0, 11);
        if (kind >= 9) {
            const bool undo = kind != 11;
            const bool possible = undo ? at > 0 : at + 1 < device.size();
            const std::vector<Frame> written =
                Act([&] { EXPECT_EQ(undo ? manager->Undo() : manager->Redo(), possible); });
            if (possible) {
                at = undo ? at - 1 : at + 1;
                // Undoing the edit just made writes no more than the edit did.
                if (undo && !lastEdit.empty()) {
                    EXPECT_LE(written.size(), lastEdit.size()) << "round " << round;
                }
            } else {
                EXPECT_TRUE(written.empty()) << "round " << round;
            }
            lastEdit.clear();
        } else {
            lastEdit = Act([&] {
                switch (kind) {
                    case 0:
                        out.SetChVolume(a, -10 * pick(0, 60), true);
                        break;
                    case 1:
                        out.SetChMute(a, pick(0, 1) == 1);
                        break;
                    case 2:
                        out.SetChPhase(a, pick(0, 1) == 1);
                        break;
                    case 3:
                        out.SetChDelay(a, static_cast<float>(pick(0, 400)) / 100.0f);
                        break;
                    case 4:
                        out.SetCurChannelChange(a);
                        eq.SetChEq(pick(0, 30), pick(20, 20000),
                                   static_cast<float>(pick(5, 90)) / 10.0f,
                                   static_cast<float>(pick(-180, 120)) / 10.0f);
                        break;
                    case 5:
                        out.SetCurChannelChange(a);
                        eq.SetHpFreq(pick(20, 2000));
                        break;
                    case 6:
                        in.SetMainVolumeSlider(pick(-60, 6));
                        break;
                    case 7:
                        in.SetInputIn(pick(0, 3), a, pick(0, 1) == 1);
                        break;
                    default:
                        in.ToggleAmp();
                        break;
                }
            });
            if (manager->History().UndoSteps() != at) {
                ASSERT_EQ(manager->History().UndoSteps(), at + 1) << "round " << round;
                device.resize(at + 1);
                live.resize(at + 1);
                device.push_back(amp->Snapshot());
                live.push_back(manager->State().live);
                ++at;
            } else {
                lastEdit.clear();
            }
        }
        ASSERT_EQ(manager->History().UndoSteps(), at) << "round " << round;
        ASSERT_EQ(manager->History().RedoSteps(), device.size() - 1 - at) << "round " << round;
        ASSERT_TRUE(amp->Snapshot() == device[at]) << "round " << round << " kind " << kind;
        ASSERT_TRUE(sameLive(live[at])) << "round " << round << " kind " << kind;
    }
}

TEST_F(HistoryTest, AnUndoWritesOnlyWhatDiffersAndADragIsOneStep) {
    model::OutputOperations& out = manager->Outputs();
    const float gainBefore = manager->State().live.channels[5].gain;
    Act([&] { out.SetChVolume(5, -200, false); });
    const std::vector<Frame> undo = Act([&] { manager->Undo(); });
    ASSERT_EQ(undo.size(), 1u);
    // Trim of output 5 alone, back to what it was (attenuation, whole dB).
    EXPECT_EQ(undo[0], (Frame{dsplink::DSP_TRIM_CH, 0, 0, 5, 5,
                              static_cast<uint8_t>(-static_cast<int>(gainBefore))}));

    // Every step of a drag changes the model; the release ends one step.
    model::EqOperations& eq = manager->Eq();
    out.SetCurChannelChange(2);
    const model::EqBand before = manager->State().live.bands[2][7];
    const size_t steps = manager->History().UndoSteps();
    for (int step = 1; step <= 5; ++step) {
        const model::UserAction action(*manager, step < 5);
        eq.EqualizerCallback(7, model::EQ_DRAG_POINT, step == 5,
                             {1000 + 100 * step, static_cast<float>(step), 2.0f});
    }
    Drain();
    EXPECT_EQ(manager->History().UndoSteps(), steps + 1);
    TakeFrames();
    Act([&] { manager->Undo(); });
    EXPECT_EQ(manager->State().live.bands[2][7], before);
}

TEST_F(HistoryTest, TheHistoryHoldsTwoHundredStepsSurvivesAReconnectAndEndsWithAStoredScene) {
    model::InputOperations& in = manager->Inputs();
    const sim::DeviceState start = amp->Snapshot();
    const int steps = 210;
    for (int i = 0; i < steps; ++i) {
        Act([&] { in.SetMainVolumeSlider(i % 2 == 0 ? -20 : -30); });
    }
    ASSERT_EQ(manager->History().UndoSteps(), static_cast<size_t>(steps));

    // Offline the model goes back like an edit does, and no step is lost.
    manager->Disconnect();
    Pump();
    Act([&] { EXPECT_TRUE(manager->Undo()); });
    EXPECT_EQ(manager->History().RedoSteps(), 1u);
    manager->Connect(true);
    ASSERT_TRUE(model_test::RunUntil([this] { return !manager->JobRunning(); }));
    Pump();
    manager->FinishConnection();
    Drain();
    EXPECT_EQ(manager->History().UndoSteps(), static_cast<size_t>(steps - 1));
    EXPECT_EQ(manager->History().RedoSteps(), 1u);
    while (manager->History().CanUndo()) {
        Act([&] { manager->Undo(); });
    }
    EXPECT_EQ(amp->Snapshot().mainVolume, start.mainVolume);

    // A stored scene the user loads from the amplifier starts the history over.
    Act([&] { in.SetMainVolumeSlider(-5); });
    manager->Scenes().SetCurrentScene(1);
    ASSERT_TRUE(manager->Scenes().StartLoadScene(nullptr));
    ASSERT_TRUE(model_test::RunUntil([this] { return !manager->JobRunning(); }));
    Pump();
    EXPECT_FALSE(manager->History().CanUndo());
    EXPECT_FALSE(manager->History().CanRedo());
}

}  // namespace
