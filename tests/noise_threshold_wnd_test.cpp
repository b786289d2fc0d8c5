// The noise threshold window against the virtual amplifier: typed and stepped thresholds and
// what the amplifier ends with, the meter poll's timer, the meters and the window's width per
// source, and undo of a threshold edit.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>

#include <memory>

#include "model/equalizer_manager.h"
#include "sim/sim_transport.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/noise_threshold_wnd.h"
#include "windows/tool_controls.h"

namespace {

class NoiseThresholdWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
    }
    void TearDown() override {
        wnd.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }
    void Open() {
        wnd = std::make_unique<CNoiseThresholdWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
    }
    void Type(const QString& text) {
        wnd->ValueEdit()->setFocus();
        wnd->ValueEdit()->setText(text);
        QTest::keyClick(wnd->ValueEdit(), Qt::Key_Return);
    }
    bool DeviceThreshold(int dB) {
        return QTest::qWaitFor(
            [&] { return static_cast<int8_t>(amp->Snapshot().inputThreshold) == dB; }, 5000);
    }
    QString Shown() const { return wnd->ValueEdit()->text(); }

    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<CNoiseThresholdWnd> wnd;
};

TEST_F(NoiseThresholdWndTest, TypedAndSteppedThresholdsReachTheAmplifierClamped) {
    ASSERT_TRUE(window_test::ConnectManager(*manager));
    Open();
    EXPECT_EQ(Shown(), "-60dBu");
    Type("-30");
    EXPECT_EQ(Shown(), "-40dBu");
    EXPECT_TRUE(DeviceThreshold(-40));
    Type("-100");
    EXPECT_EQ(Shown(), "OFF");
    EXPECT_TRUE(DeviceThreshold(-81));
    QTest::keyClick(wnd->ValueEdit(), Qt::Key_Down);
    EXPECT_EQ(Shown(), "OFF");
    EXPECT_EQ(manager->State().live.inputThreshold, -81);
    QTest::keyClick(wnd->ValueEdit(), Qt::Key_Up);
    EXPECT_EQ(Shown(), "-80dBu");
    EXPECT_TRUE(DeviceThreshold(-80));
    // The arrow keys step from anywhere in the window.
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(wnd.get(), &up);
    EXPECT_TRUE(DeviceThreshold(-79));
    // A typo shows the stored value again and sends nothing.
    Type("loud");
    EXPECT_EQ(Shown(), "-79dBu");
    EXPECT_EQ(manager->State().live.inputThreshold, -79);
}

TEST_F(NoiseThresholdWndTest, UndoOfAThresholdEditRestoresTheAmplifier) {
    ASSERT_TRUE(window_test::ConnectManager(*manager));
    Open();
    Type("-50");
    ASSERT_TRUE(DeviceThreshold(-50));
    ASSERT_TRUE(manager->Undo());
    EXPECT_TRUE(DeviceThreshold(-60));
    EXPECT_EQ(Shown(), "-60dBu");
    ASSERT_TRUE(manager->Redo());
    EXPECT_TRUE(DeviceThreshold(-50));
}

TEST_F(NoiseThresholdWndTest, MetersPollWhileShownAndTheWidthFollowsTheSource) {
    ASSERT_TRUE(window_test::ConnectManager(*manager));
    amp->SetInputNoise(0, -55.5f);
    amp->SetInputNoise(1, -30.0f);
    manager->State().live.currentSource = 0;  // two inputs
    Open();
    EXPECT_EQ(wnd->InputCount(), 2);
    EXPECT_TRUE(wnd->HasTimer(CNoiseThresholdWnd::kMeterTimer));
    EXPECT_EQ(wnd->LayoutSize().width(), 540 - 200);
    EXPECT_FALSE(wnd->FindWidget("prg_group_2")->isVisibleTo(wnd.get()));
    EXPECT_TRUE(window_test::SaveShot(*wnd, "noise_threshold.png"));
    EXPECT_TRUE(wnd->FindWidget("prg_group_1")->isVisibleTo(wnd.get()));
    auto* noise0 = wnd->FindControl<ui::Label>("noise_0");
    auto* bar1 = wnd->FindControl<ui::ProgressBar>("progress_1");
    ASSERT_TRUE(noise0 && bar1);
    EXPECT_EQ(bar1->Value(), -100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return noise0->text() == " -55.5"; }, 5000));
    EXPECT_EQ(bar1->Value(), -30);
    // A ten-input source fills the layout's width, and the close button stays at its edge.
    manager->Inputs().SetInputSource(5, false);
    EXPECT_EQ(wnd->InputCount(), 10);
    EXPECT_EQ(wnd->LayoutSize().width(), 540);
    EXPECT_TRUE(wnd->FindWidget("prg_group_9")->isVisibleTo(wnd.get()));
    QWidget* close = wnd->FindWidget(tool_controls::kCloseBtn);
    EXPECT_EQ(wnd->ControlRect(close).right(), 540 - 2);
    wnd->Close(0);
    EXPECT_FALSE(wnd->HasTimer(CNoiseThresholdWnd::kMeterTimer));
}

TEST_F(NoiseThresholdWndTest, WithoutAnAmplifierNoTimerRuns) {
    Open();
    EXPECT_FALSE(wnd->HasTimer(CNoiseThresholdWnd::kMeterTimer));
    Type("-45");
    EXPECT_EQ(manager->State().live.inputThreshold, -45);
}

}  // namespace
