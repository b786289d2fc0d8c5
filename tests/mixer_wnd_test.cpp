// The mixer window with real widgets against the virtual amplifier: typed and slid levels,
// the status timer and its clipping lights, and undo of a mixer edit. The amplifier is the judge.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>

#include "model/equalizer_manager.h"
#include "sim/sim_transport.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/mixer_wnd.h"

namespace {

class MixerWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
        ASSERT_TRUE(window_test::ConnectManager(*manager));
        wnd = std::make_unique<CMixerWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty());
        wnd->Show();
    }
    void TearDown() override {
        wnd.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }
    uint8_t DeviceTrim(int input, int output) const {
        return amp->Snapshot().scenes[0].sources[0].mixTrim[input][output];
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<QWidget> owner;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<CMixerWnd> wnd;
};

TEST_F(MixerWndTest, OpensWithTheSourcesRowsAndRunsTheStatusTimer) {
    EXPECT_EQ(wnd->InputCount(), 2);
    EXPECT_TRUE(wnd->StatusTimerRunning());
    EXPECT_TRUE(wnd->CellEdit(0, 0)->isVisibleTo(wnd.get()));
    EXPECT_FALSE(wnd->CellEdit(2, 0)->isVisibleTo(wnd.get()));
    EXPECT_TRUE(wnd->CellEdit(10, 0)->isVisibleTo(wnd.get()));
    EXPECT_EQ(wnd->FindControl<ui::Label>("title_label_1")->text(), "Optical R");
    wnd.reset();
    // Closed: nothing keeps asking the amplifier.
}

TEST_F(MixerWndTest, TypedLevelIsClampedToTheFaderAndUndoRestoresTheAmplifier) {
    ui::Edit* edit = wnd->CellEdit(0, 0);
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->setText("40");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return DeviceTrim(0, 0) == 40; }, 5000));
    EXPECT_EQ(wnd->CellSlider(0, 0)->Value(), 40);
    edit->setText("250");
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return DeviceTrim(0, 0) == 100; }, 5000));
    EXPECT_EQ(edit->text(), "100");
    ASSERT_TRUE(manager->Undo());
    ASSERT_TRUE(QTest::qWaitFor([&] { return DeviceTrim(0, 0) == 40; }, 5000));
    EXPECT_EQ(wnd->CellEdit(0, 0)->text(), "40");
}

TEST_F(MixerWndTest, SwitchingACellOffUnroutesItAndClippingLightsFollowTheAmplifier) {
    ui::CheckBox* box = wnd->CellSwitch(0, 0);
    ASSERT_TRUE(box->IsSelected());
    box->SetSelected(false, ui::NotifyMode::Notify);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (amp->Snapshot().scenes[0].sources[0].mixMask[0] & 1) == 0; }, 5000));
    EXPECT_EQ(wnd->CellEdit(0, 0)->text(), "0");
    amp->SetOutputClip(0, 3, true);
    auto* light = wnd->FindControl<ui::Image>("out_distort_3");
    ASSERT_TRUE(QTest::qWaitFor([&] { return light->ImagePath().endsWith("off.png"); }, 5000));
    amp->SetOutputClip(0, 3, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return light->ImagePath().endsWith("on.png"); }, 5000));
}

}  // namespace
