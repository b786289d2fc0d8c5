// The manager against the virtual amplifier: connecting reads the whole state into the model
// and posts the window messages in order; wrong devices are not read; the firmware version
// decides the offer; an upgrade blocks connecting; shutdown mid-connect joins the job.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/reply_records.h"
#include "link/subcommands.h"
#include "model/equalizer_manager.h"
#include "model_test_support.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "sim/sim_transport.h"

using model::EqualizerManager;

namespace {

struct RecordingView : model::ConnectionView {
    void OnConnectButton(model::ConnectButton state) override { buttons.push_back(state); }
    void OnConnectFailMessage(bool noAccess) override {
        ++failMessages;
        refused = noAccess;
    }
    void OnUnansweredEdits(int count) override { unanswered = count; }
    std::vector<model::ConnectButton> buttons;
    int failMessages = 0;
    bool refused = false;
    int unanswered = -1;
};

class ManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model_test::CoreApp();
        manager = std::make_unique<EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
        manager->SetView(&view);
    }
    void TearDown() override { manager.reset(); }

    // Connects and waits until the job ended and every queued reply reached the model.
    void ConnectAndSettle() {
        manager->Connect(true);
        ASSERT_TRUE(model_test::RunUntil([this] { return !manager->JobRunning(); }));
        manager->WaitForJobs();
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    model_test::RecordingEvents events;
    RecordingView view;
    std::unique_ptr<EqualizerManager> manager;
};

void PokeAmplifier(sim::DeviceState& d) {
    d.source = 0x53;
    d.mainVolume = 18;  // written as 6 - (-12)
    d.acc = 5;
    d.noiseGate = 1;
    d.scenes[0].outputs[3].trim = 7;  // attenuation of a -7 dB gain
    d.scenes[0].outputs[4].phase = 1;
}

TEST_F(ManagerTest, ConnectFillsTheModelAndPostsTheSequence) {
    amp->Modify(PokeAmplifier);
    amp->SetIdentity(78, 16, 24);
    ConnectAndSettle();

    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, dsplink::WM_DEVICE_READY,
                                     model::WM_HIDE_LOADING}));
    const model::ProfileRecord& m = manager->State().live;
    EXPECT_EQ(m.model, 78);
    EXPECT_EQ(m.mainVersion, 16);
    EXPECT_EQ(m.slaveVersion, 24);
    EXPECT_EQ(m.currentSource, 2);
    EXPECT_EQ(m.mainVolume, -12);
    EXPECT_EQ(m.acc, 5);
    EXPECT_EQ(m.noiseGate, 1);
    EXPECT_FLOAT_EQ(m.channels[3].gain, -7.0f);
    EXPECT_EQ(m.channels[4].phase, 1);
    EXPECT_TRUE(manager->StatusPollActive());

    EXPECT_FALSE(manager->Link().AsyncMode());
    manager->FinishConnection();
    EXPECT_TRUE(manager->Link().AsyncMode());
    ASSERT_FALSE(view.buttons.empty());
    EXPECT_EQ(view.buttons.front(), model::ConnectButton::Connecting);
    EXPECT_EQ(view.buttons.back(), model::ConnectButton::Connected);
}

TEST_F(ManagerTest, ConnectWhileOpenDisconnects) {
    ConnectAndSettle();
    ASSERT_TRUE(manager->Link().IsOpen());
    manager->Connect(true);
    EXPECT_FALSE(manager->Link().IsOpen());
    EXPECT_EQ(manager->State().live.model, -1);
    EXPECT_EQ(view.buttons.back(), model::ConnectButton::Disconnected);
}

TEST_F(ManagerTest, DisconnectSendsDetachAndClearsTheModel) {
    ConnectAndSettle();
    manager->FinishConnection();
    model_test::CapturedLog captured("model_equalizer_manager_test");
    ASSERT_TRUE(captured.IsOpen());
    manager->Disconnect();
    EXPECT_NE(captured.Text().find("PC_Connect = 0\n"), std::string::npos);
    EXPECT_FALSE(manager->Link().IsOpen());
    EXPECT_FALSE(manager->Link().AsyncMode());
    EXPECT_FALSE(manager->StatusPollActive());
    EXPECT_EQ(manager->State().live.model, -1);
}

TEST_F(ManagerTest, AbnormalAmplifierIsNotRead) {
    amp->Modify(PokeAmplifier);
    amp->SetNormalMode(false);
    ConnectAndSettle();
    const model::ProfileRecord& m = manager->State().live;
    EXPECT_NE(m.mainVolume, -12);
    EXPECT_NE(m.currentSource, 2);
    EXPECT_TRUE(events.Has(dsplink::WM_DEVICE_ABNORMAL));
    EXPECT_TRUE(events.Has(dsplink::WM_DEVICE_READY));
    EXPECT_FALSE(events.Has(dsplink::WM_FORCE_UPDATE));
    EXPECT_FALSE(events.Has(dsplink::WM_DSP_FW_NEWER));
    // Not normal: finishing leaves the connection as it is.
    manager->FinishConnection();
    EXPECT_FALSE(manager->Link().AsyncMode());
}

TEST_F(ManagerTest, WrongModelIsNotReadAndDisconnects) {
    amp->Modify(PokeAmplifier);
    amp->SetIdentity(77, 16, 24);
    ConnectAndSettle();
    const model::ProfileRecord& m = manager->State().live;
    EXPECT_NE(m.mainVolume, -12);
    EXPECT_EQ(m.model, -1);
    EXPECT_FALSE(manager->Link().IsOpen());
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, dsplink::WM_DEVICE_READY,
                                     model::WM_HIDE_LOADING, model::WM_HIDE_LOADING}));
}

TEST_F(ManagerTest, OneLostDamagedOrSplitHandshakeAnswerStillConnects) {
    for (const sim::ReplyFault fault :
         {sim::ReplyFault::Drop, sim::ReplyFault::Corrupt, sim::ReplyFault::Split}) {
        SCOPED_TRACE(static_cast<int>(fault));
        events.messages.clear();
        amp->FaultAnswer(0, fault);
        ConnectAndSettle();
        EXPECT_EQ(events.Messages(),
                  (std::vector<uint32_t>{model::WM_SHOW_LOADING, dsplink::WM_DEVICE_READY,
                                         model::WM_HIDE_LOADING}));
        EXPECT_EQ(manager->State().live.model, 78);
        manager->Disconnect();
    }
}

TEST_F(ManagerTest, FailedHandshakeReportsAndClearsTheModel) {
    amp->DropReplies(dsplink::kRequestAttempts);
    ConnectAndSettle();
    EXPECT_EQ(events.Messages(),
              (std::vector<uint32_t>{model::WM_SHOW_LOADING, model::WM_HIDE_LOADING,
                                     dsplink::WM_CONNECT_FAILED, dsplink::WM_DEVICE_DISCONNECT}));
    EXPECT_EQ(manager->State().live.model, -1);
}

TEST_F(ManagerTest, OpenFailureShowsTheMessageOnlyWhenAsked) {
    amp->Unplug();
    manager->Connect(false);
    EXPECT_EQ(view.failMessages, 0);
    manager->Connect(true);
    EXPECT_EQ(view.failMessages, 1);
    EXPECT_FALSE(view.refused);
    EXPECT_EQ(view.buttons.back(), model::ConnectButton::Disconnected);
    EXPECT_FALSE(manager->JobRunning());
}

// A device the system will not let this user open says so, not "check the cable".
TEST_F(ManagerTest, APermissionRefusalIsToldApart) {
    struct Refusing : sim::SimTransport {
        using sim::SimTransport::SimTransport;
        dsplink::OpenResult Open() override { return dsplink::OpenResult::NoAccess; }
    };
    EqualizerManager refused(std::make_unique<Refusing>(amp, clock), clock, &events);
    refused.SetView(&view);
    refused.Connect(true);
    EXPECT_EQ(view.failMessages, 1);
    EXPECT_TRUE(view.refused);
}

struct VersionCase {
    int main;
    int slave;
    bool newer;
    bool force;
};

class ManagerVersionTest : public ManagerTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ManagerVersionTest, FirmwareVersionDecides) {
    if (shell::NoForceUpdateMarkerPresent()) {
        GTEST_SKIP() << "a noForceUpdate.ini in the working directory turns the offer off";
    }
    const VersionCase c = GetParam();
    amp->SetIdentity(78, static_cast<uint8_t>(c.main), static_cast<uint8_t>(c.slave));
    ConnectAndSettle();
    EXPECT_EQ(events.Has(dsplink::WM_DSP_FW_NEWER), c.newer);
    EXPECT_EQ(events.Has(dsplink::WM_FORCE_UPDATE), c.force);
}

INSTANTIATE_TEST_SUITE_P(Versions, ManagerVersionTest,
                         ::testing::Values(VersionCase{16, 24, false, false},
                                           VersionCase{16, 25, true, false},
                                           VersionCase{17, 0, true, false},
                                           VersionCase{16, 23, false, true},
                                           VersionCase{15, 30, false, true}));

TEST_F(ManagerTest, UpgradeBlocksConnectAndDisconnect) {
    manager->Link().State().sys_upg_status = 16;
    manager->Connect(true);
    manager->DevicePlugIn();
    EXPECT_FALSE(manager->Link().IsOpen());
    EXPECT_TRUE(view.buttons.empty());

    manager->Link().State().sys_upg_status = 0;
    ConnectAndSettle();
    ASSERT_TRUE(manager->Link().IsOpen());
    manager->Link().State().sys_upg_status = 32;
    manager->Disconnect();
    manager->DevicePlugOut();
    manager->Connect(true);
    EXPECT_TRUE(manager->Link().IsOpen());
    manager->Link().State().sys_upg_status = 0;
    manager->DevicePlugOut();
    EXPECT_FALSE(manager->Link().IsOpen());
}

TEST(ManagerShutdown, DestroyingMidConnectJoinsTheJob) {
    model_test::CoreApp();
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::SystemClock clock;
    // Slow reports keep the state read running while the manager goes.
    amp->SetReportDelayUs(500);
    model_test::RecordingEvents events;
    for (int delayMs : {0, 5, 30}) {
        auto manager = std::make_unique<EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
        manager->Connect(true);
        ASSERT_TRUE(manager->JobRunning());
        clock.SleepMs(delayMs);
        QCoreApplication::processEvents();
        manager.reset();
        // Queued replies for the dead manager are dropped, not delivered.
        QCoreApplication::processEvents();
    }
}

}  // namespace

TEST_F(ManagerTest, QueuedEditsTheAmplifierDoesNotTakeAreCountedUntilTheNextConnection) {
    ConnectAndSettle();
    manager->FinishConnection();
    EXPECT_EQ(view.unanswered, 0);
    amp->DropReplies(3);  // every try of the next request
    manager->Outputs().SetChMute(2, true);
    manager->Outputs().SetChMute(3, true);
    ASSERT_TRUE(model_test::RunUntil([this] { return view.unanswered == 1; }));
    ASSERT_TRUE(model_test::RunUntil([this] { return manager->Link().QueueIdle(); }));
    EXPECT_EQ(amp->Snapshot().scenes[0].outputs[3].mute, 1) << "the next edit still goes";
    manager->Disconnect();
    ConnectAndSettle();
    EXPECT_EQ(view.unanswered, 0);
}

// Hears changes as a window would; may leave while it hears one.
struct CountingListener : model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override {
        if (change.kind != model::ChangeKind::Output) {
            return;
        }
        outputs.push_back(change.output);
        if (leave) {
            leave();
        }
    }
    std::vector<int> outputs;
    std::function<void()> leave;
};

TEST_F(ManagerTest, RepliesAreEchoedByTheModelAndHeardByEveryListener) {
    ConnectAndSettle();
    manager->FinishConnection();
    CountingListener first;
    CountingListener second;
    manager->Subscribe(&first);
    manager->Subscribe(&second);
    first.leave = [&] { manager->Unsubscribe(&second); };
    // A trim below the slider is stored as -60 dB and sent back so: no window is needed.
    auto trim = std::make_unique<dsplink::TrimRecord>();
    trim->channel = 4;
    trim->trim = -70.0f;
    manager->Sync().ReadDspValueCallback(dsplink::DSP_TRIM_CH, 0, std::move(trim));
    EXPECT_FLOAT_EQ(manager->State().live.channels[4].gain, -60.0f);
    ASSERT_TRUE(
        model_test::RunUntil([this] { return amp->Snapshot().scenes[0].outputs[4].trim == 60; }));
    EXPECT_EQ(first.outputs, std::vector<int>{4});
    EXPECT_TRUE(second.outputs.empty()) << "left during the first listener's call";
    manager->Unsubscribe(&first);
}
