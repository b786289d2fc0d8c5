// The scene jobs against the virtual amplifier: loading, saving and deleting stored scenes,
// sending a live record or a whole scene table, and the factory reset end with the expected
// flash scenes, names and live set in the device; jobs are joined when the manager goes away
// mid-job; without a device every job ends and nothing hangs.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/subcommands.h"
#include "model/equalizer_manager.h"
#include "model/links.h"
#include "model/scene_operations.h"
#include "model_test_support.h"
#include "sim/sim_transport.h"

using model::EqualizerManager;

namespace {

struct RecordingView : model::OperationsView, model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override {
        wholeRefreshes += change.kind == model::ChangeKind::Whole ? 1 : 0;
    }
    bool AskQuestion(const char* textKey) override {
        questions.emplace_back(textKey);
        return answer;
    }
    int wholeRefreshes = 0;
    bool answer = true;
    std::vector<std::string> questions;
};

void Pump() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

std::array<uint8_t, sim::kNameSize> NameField(const char* text) {
    std::array<uint8_t, sim::kNameSize> field{};
    std::memcpy(field.data(), text, std::min(std::strlen(text), field.size()));
    return field;
}

std::array<uint8_t, sim::kNameSize> Erased() {
    std::array<uint8_t, sim::kNameSize> field;
    field.fill(0xFF);
    return field;
}

// Scene 3 holds a recognisable set and the name "Club"; scene 5 is named but otherwise
// default; the live set differs from both.
void SeedAmplifier(sim::DeviceState& d) {
    sim::SceneState& three = d.scenes[3];
    three.outputs[2].trim = 9;
    three.outputs[2].phase = 1;
    three.outputs[7].mute = 1;
    three.outputs[4].bands[6].freq = 1234;
    d.names[2] = NameField("Club");
    d.names[4] = NameField("Home");
    d.validMask = (1u << 2) | (1u << 4);
    d.scenes[0].outputs[1].trim = 3;
    d.currentScene = 5;
}

class SceneOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model_test::CoreApp();
        manager = std::make_unique<EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
        manager->SetOperationsView(&view);
        manager->Subscribe(&view);
    }
    void TearDown() override { manager.reset(); }

    void ConnectAndSettle() {
        manager->Connect(true);
        ASSERT_TRUE(model_test::RunUntil([this] { return !manager->JobRunning(); }));
        manager->WaitForJobs();
        Pump();
        manager->FinishConnection();
        Pump();
    }

    model::SceneOperations& Scenes() { return manager->Scenes(); }

    // Waits for the job and lets its hand-backs reach the model.
    void Finish() {
        ASSERT_TRUE(model_test::RunUntil([this] { return !Scenes().JobRunning(); }));
        Scenes().WaitForJobs();
        Pump();
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    model_test::RecordingEvents events;
    RecordingView view;
    std::shared_ptr<model_test::RecordingEvents> sceneEvents =
        std::make_shared<model_test::RecordingEvents>();
    std::unique_ptr<EqualizerManager> manager;
};

TEST_F(SceneOpsTest, LoadingAStoredSceneMakesItTheLiveSet) {
    amp->Modify(SeedAmplifier);
    ConnectAndSettle();
    ASSERT_EQ(manager->State().live.channels[1].gain, -3.0f);

    Scenes().SetCurrentScene(3);
    ASSERT_TRUE(Scenes().StartLoadScene(sceneEvents));
    Finish();

    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[0], d.scenes[3]);
    EXPECT_EQ(d.currentScene, 3);
    const model::ProfileRecord& live = manager->State().live;
    EXPECT_EQ(live.channels[2].gain, -9.0f);
    EXPECT_EQ(live.channels[2].phase, 1);
    EXPECT_EQ(live.channels[7].mute, 1);
    EXPECT_EQ(live.channels[1].gain, 0.0f);
    EXPECT_EQ(live.bands[4][6].freq, 1234);
    // The scene names are read again with the live state.
    EXPECT_EQ(model::SceneName(manager->State().scenes, 2), "Club");
    EXPECT_EQ(view.wholeRefreshes, 1);
    EXPECT_EQ(sceneEvents->Messages(), std::vector<uint32_t>{model::WM_HIDE_LOADING});
    EXPECT_TRUE(manager->Link().AsyncMode());
    EXPECT_EQ(Scenes().CurrentScene(), 3);
}

TEST_F(SceneOpsTest, SavingStoresTheLiveSetWithItsName) {
    amp->Modify(SeedAmplifier);
    ConnectAndSettle();

    // The name goes out as the whole zero-padded field, so nothing of a longer name stays.
    std::vector<std::vector<uint8_t>> names;
    manager->Link().SetFrameTrace([&](char dir, std::span<const uint8_t> wire, bool) {
        if (dir == '>' && wire.size() > 6 && wire[3] == dsplink::CMD_FLASH &&
            wire[4] == dsplink::FLASH_SCENE_NAME) {
            names.emplace_back(wire.begin() + 6, wire.end() - 1);
        }
    });
    Scenes().SetCurrentScene(7);
    Scenes().SetSceneNameBuffer("Night");
    ASSERT_TRUE(Scenes().StartSaveScene(sceneEvents));
    Finish();
    manager->Link().SetFrameTrace({});
    ASSERT_EQ(names.size(), 1u);
    const std::vector<uint8_t> expected = {7, 16, 'N', 'i', 'g', 'h', 't', 0, 0,
                                           0, 0,  0,   0,   0,   0,   0,   0, 0};
    EXPECT_EQ(names[0], expected);

    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[7], d.scenes[0]);
    EXPECT_EQ(d.scenes[7].outputs[1].trim, 3);
    EXPECT_EQ(d.names[6], NameField("Night"));
    EXPECT_EQ(d.validMask, (1u << 2) | (1u << 4) | (1u << 6));
    // Untouched neighbours.
    EXPECT_EQ(d.names[2], NameField("Club"));
    EXPECT_EQ(d.scenes[6], sim::DefaultScene());

    const model::ModelState& m = manager->State();
    EXPECT_EQ(m.scenes.records[6].channels[1].gain, -3.0f);
    EXPECT_NE(m.validSceneMask & (1 << 6), 0);
    EXPECT_EQ(sceneEvents->Messages(), std::vector<uint32_t>{model::WM_HIDE_LOADING});
    // Saving does not end queued mode.
    EXPECT_TRUE(manager->Link().AsyncMode());
}

TEST_F(SceneOpsTest, SavingWithAnEmptyNameClearsTheStoredName) {
    amp->Modify(SeedAmplifier);
    ConnectAndSettle();
    Scenes().SetCurrentScene(5);
    Scenes().ClearSceneNameBuffer();
    ASSERT_TRUE(Scenes().StartSaveScene(sceneEvents));
    Finish();
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.names[4], NameField(""));
    EXPECT_EQ(d.scenes[5], d.scenes[0]);
}

TEST_F(SceneOpsTest, DeletingEmptiesTheSlot) {
    amp->Modify(SeedAmplifier);
    ConnectAndSettle();
    ASSERT_EQ(manager->State().validSceneMask, (1 << 2) | (1 << 4));

    Scenes().SetCurrentScene(3);
    ASSERT_TRUE(Scenes().StartDeleteScene(sceneEvents));
    Finish();

    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[3], sim::DefaultScene());
    EXPECT_EQ(d.names[2], Erased());
    EXPECT_EQ(d.validMask, 1u << 4);
    EXPECT_EQ(d.names[4], NameField("Home"));
    EXPECT_EQ(manager->State().validSceneMask, 1 << 4);
    // The acknowledgement goes to the scene reply target; the job's end closes the busy
    // window in any case.
    EXPECT_EQ(sceneEvents->Messages(), std::vector<uint32_t>{model::WM_HIDE_LOADING});
}

TEST_F(SceneOpsTest, JobsNeedAChosenScene) {
    ConnectAndSettle();
    Scenes().SetCurrentScene(11);  // ignored
    EXPECT_EQ(Scenes().CurrentScene(), 0);
    EXPECT_FALSE(Scenes().StartLoadScene(sceneEvents));
    EXPECT_FALSE(Scenes().StartSaveScene(sceneEvents));
    EXPECT_FALSE(Scenes().StartDeleteScene(sceneEvents));
    Scenes().SetCurrentScene(10);
    EXPECT_EQ(Scenes().CurrentScene(), 10);
    Scenes().SetCurrentScene(-1);
    EXPECT_EQ(Scenes().CurrentScene(), 10);
    EXPECT_FALSE(Scenes().JobRunning());
    EXPECT_TRUE(sceneEvents->Messages().empty());
}

// A record as a scene profile file would leave it in the model.
void EditRecord(model::ProfileRecord& r, int seed) {
    r.mainVolume = -20 + seed;
    r.mainVolumeMute = 1;
    r.channels[0].gain = static_cast<float>(-4 - seed);
    r.channels[3].mute = 1;
    r.channels[5].phase = 1;
    r.channels[6].solo = 1;
    r.channels[8].delay = 2.5f;
    r.channels[9].bypass = 0;
    r.channels[10].crossover.lp.SetFs(3000 + seed);
    r.channels[10].crossover.lp.SetSlope(4);
    r.bands[11][30].freq = 15000 + seed;
    r.bands[11][30].eqGain = 3.5f;
    r.currentSource = 2;
    r.inputs[2][4] = 3;
    r.inputMixVolume[5][9][11] = 42;
    r.inputMixVolume[0][1][0] = 250;  // out of range: sent as 100
}

TEST_F(SceneOpsTest, SendingTheLiveRecordWritesTheLiveSet) {
    ConnectAndSettle();
    model::ProfileRecord& live = manager->State().live;
    EditRecord(live, 0);
    live.linkMode = 0;
    live.linkOutputs.fill(3);
    events.messages.clear();

    Scenes().StartSetCurScene();
    Finish();

    const sim::DeviceState d = amp->Snapshot();
    const sim::SceneState& s = d.scenes[0];
    EXPECT_EQ(d.mainVolume, 26);  // 6 - (-20)
    EXPECT_EQ(d.mute, 1);
    EXPECT_EQ(s.outputs[0].trim, 4);
    EXPECT_EQ(s.outputs[3].mute, 1);
    EXPECT_EQ(s.outputs[5].phase, 1);
    EXPECT_EQ(s.outputs[6].solo, 1);
    EXPECT_EQ(s.outputs[8].delay, (std::array<uint8_t, 3>{2, 0x01, 0xF4}));
    EXPECT_EQ(s.outputs[9].eqBypass, 0);
    EXPECT_EQ(s.outputs[10].lp.freq, 3000);
    EXPECT_EQ(s.outputs[10].lp.slope, 4);
    EXPECT_EQ(s.outputs[11].bands[30].freq, 15000);
    EXPECT_EQ(s.outputs[11].bands[30].gain, (std::array<uint8_t, 2>{21, 5}));
    EXPECT_EQ(s.sources[2].mixMask[4], 3);
    EXPECT_EQ(s.sources[5].mixTrim[9][11], 42);
    EXPECT_EQ(s.sources[0].mixTrim[1][0], 100);
    // Stored scenes are not touched by a scene profile.
    EXPECT_EQ(d.scenes[1], sim::DefaultScene());

    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
    EXPECT_EQ(view.wholeRefreshes, 1);
    EXPECT_EQ(live.linkOutputs,
              (model::PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_TRUE(manager->Link().AsyncMode());
}

TEST_F(SceneOpsTest, LinkModeIsRestoredAfterASend) {
    ConnectAndSettle();
    model::ProfileRecord& live = manager->State().live;
    live.linkMode = 1;
    live.lockMode = 0;
    Scenes().StartSetCurScene();
    Finish();
    EXPECT_EQ(live.lockMode, 1);
    model::ProfileRecord expected = live;
    model::FillLinkOutputs(expected);
    EXPECT_EQ(live.linkOutputs, expected.linkOutputs);
}

TEST_F(SceneOpsTest, WholeProfileGoesToEveryStoredSceneAndTheLiveSet) {
    ConnectAndSettle();
    model::ModelState& m = manager->State();
    for (int n = 0; n < model::STORED_SCENES; ++n) {
        EditRecord(m.scenes.records[static_cast<size_t>(n)], n);
        m.scenes.records[static_cast<size_t>(n)].channels[6].solo = n % 2;
        m.scenes.records[static_cast<size_t>(n)].channels[9].bypass = static_cast<uint8_t>(n % 2);
    }
    model::SetSceneName(m.scenes, 0, "Alpha");
    model::SetSceneName(m.scenes, 3, "ABCDEFGHIJKLMNOP");  // 16 characters, no terminator
    m.live.channels[2].bypass = 0;
    m.live.channels[2].gain = -11.0f;
    events.messages.clear();

    Scenes().StartSetWholeProfile();
    Finish();

    const sim::DeviceState d = amp->Snapshot();
    for (int n = 1; n <= model::STORED_SCENES; ++n) {
        SCOPED_TRACE(n);
        const sim::SceneState& s = d.scenes[static_cast<size_t>(n)];
        EXPECT_EQ(s.outputs[0].trim, 4 + n - 1);
        EXPECT_EQ(s.outputs[10].lp.freq, 3000 + n - 1);
        EXPECT_EQ(s.outputs[11].bands[30].freq, 15000 + n - 1);
        EXPECT_EQ(s.outputs[6].solo, (n - 1) % 2);
        EXPECT_EQ(s.outputs[9].eqBypass, (n - 1) % 2);
        EXPECT_EQ(s.sources[2].mixMask[4], 3);
        EXPECT_EQ(s.sources[5].mixTrim[9][11], 42);
    }
    EXPECT_EQ(d.validMask, 0x3FF);
    EXPECT_EQ(d.names[0], NameField("Alpha"));
    // The whole field goes out as the file holds it.
    EXPECT_EQ(std::string(d.names[3].begin(), d.names[3].end()), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(d.names[1], NameField(""));
    // The live set, its EQ bypass included.
    EXPECT_EQ(d.scenes[0].outputs[2].trim, 11);
    EXPECT_EQ(d.scenes[0].outputs[2].eqBypass, 0);
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
    EXPECT_EQ(view.wholeRefreshes, 1);
    // The 20 s for the amplifier's flash passed on the clock.
    EXPECT_GE(clock.NowMs(), 20000);
}

TEST_F(SceneOpsTest, FactoryResetAsksFirst) {
    amp->Modify(SeedAmplifier);
    ConnectAndSettle();
    view.answer = false;
    events.messages.clear();
    Scenes().ResetMcuFactoryDefault();
    Finish();
    EXPECT_EQ(view.questions, std::vector<std::string>{"${factory_default_tips}"});
    EXPECT_TRUE(events.Messages().empty());
    EXPECT_EQ(amp->Snapshot().validMask, (1u << 2) | (1u << 4));

    view.answer = true;
    Scenes().ResetMcuFactoryDefault();
    Finish();
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.validMask, 0);
    EXPECT_EQ(d.scenes[3], sim::DefaultScene());
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, dsplink::WM_DEVICE_REBOOT}));
}

TEST_F(SceneOpsTest, WithoutADeviceEveryJobEnds) {
    const sim::DeviceState before = amp->Snapshot();
    Scenes().SetCurrentScene(2);
    Scenes().SetSceneNameBuffer("X");
    EXPECT_TRUE(Scenes().StartLoadScene(sceneEvents));
    Finish();
    EXPECT_TRUE(Scenes().StartSaveScene(sceneEvents));
    Finish();
    EXPECT_TRUE(Scenes().StartDeleteScene(sceneEvents));
    Finish();
    Scenes().StartReadCurrentScene();
    Finish();
    Scenes().StartSetCurScene();
    Finish();
    Scenes().StartSetWholeProfile();
    Finish();
    // No question about a reset of a device that is not there.
    Scenes().ResetMcuFactoryDefault();
    Finish();
    EXPECT_TRUE(view.questions.empty());

    EXPECT_EQ(sceneEvents->Messages(), std::vector<uint32_t>(3, model::WM_HIDE_LOADING));
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING,
                                     model::WM_SHOW_LOADING, model::WM_HIDE_LOADING}));
    EXPECT_EQ(amp->Snapshot(), before);
    EXPECT_FALSE(manager->Link().AsyncMode());
    // Nothing acknowledged: the model keeps what it had.
    EXPECT_EQ(manager->State().validSceneMask, 0);
}

TEST_F(SceneOpsTest, TheReadOfEverySceneIsHandedOnOnlyWhenWhole) {
    ConnectAndSettle();
    int handedOn = 0;
    Scenes().StartReadWholeProfile([&] { ++handedOn; });
    Finish();
    EXPECT_EQ(handedOn, 1);

    // Unplugged halfway: the link says the amplifier is gone, the job ends and hands nothing
    // on, so no file is written from a half-read model.
    events.messages.clear();
    amp->FaultAnswer(700, sim::ReplyFault::Unplug);
    Scenes().StartReadWholeProfile([&] { ++handedOn; });
    Finish();
    EXPECT_EQ(handedOn, 1);
    EXPECT_FALSE(manager->Link().IsOpen());
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, dsplink::WM_DEVICE_DISCONNECT,
                                     model::WM_HIDE_LOADING}));
}

TEST(SceneOpsShutdown, DestroyingTheManagerMidJobJoinsIt) {
    model_test::CoreApp();
    // Real time and an amplifier that stops answering: every command of the job would wait
    // out its whole time-out, so only closing the link lets the job end.
    dsplink::SystemClock clock;
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    model_test::RecordingEvents events;
    auto manager = std::make_unique<EqualizerManager>(
        std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
    manager->Connect(true);
    ASSERT_TRUE(model_test::RunUntil([&] { return !manager->JobRunning(); }));
    Pump();
    manager->FinishConnection();
    ASSERT_TRUE(manager->Link().IsOpen());

    const std::vector<uint32_t> before = events.Messages();
    amp->DropReplies(1 << 20);
    manager->Scenes().StartSetWholeProfile();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_TRUE(manager->Scenes().JobRunning());
    timer.restart();
    manager.reset();
    EXPECT_LT(timer.elapsed(), 5000);
    // The job was stopped, not finished: it never reported its end.
    std::vector<uint32_t> expected = before;
    expected.push_back(model::WM_SHOW_LOADING);
    EXPECT_EQ(events.Messages(), expected);
}

TEST(SceneNames, KeptWithinTheField) {
    EXPECT_EQ(model::SceneNameBytes(QStringLiteral("Night")), "Night");
    EXPECT_EQ(model::SceneNameBytes(QStringLiteral("ABCDEFGHIJKLMNOP")), "ABCDEFG");
    EXPECT_EQ(model::SceneNameBytes(QString()), "");
    // Seven characters of three bytes each do not fit 15 bytes: whole characters only.
    const std::string wide = model::SceneNameBytes(QString::fromUtf8("客厅音乐会模式"));
    EXPECT_LE(wide.size(), 15u);
    EXPECT_EQ(model::SceneNameText(wide),
              QString::fromUtf8("客厅音乐会模式").left(static_cast<qsizetype>(wide.size() / 3)));
    // A surrogate pair is never split.
    const QString emoji = QString::fromUtf8("abcdef\U0001F600");
    const QString back = model::SceneNameText(model::SceneNameBytes(emoji));
    EXPECT_FALSE(back.isEmpty() || back.back().isHighSurrogate());
    EXPECT_EQ(model::SceneNameText(std::string("Club\0zz", 7)), QStringLiteral("Club"));
}

}  // namespace
