// The power-off delay window against the virtual amplifier: field, steps, slider, confirm and
// undo, judged by the delay the amplifier ends with.

#include <gtest/gtest.h>

#include <QTest>

#include <memory>

#include "model/equalizer_manager.h"
#include "sim/sim_transport.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/poweroff_delay_wnd.h"
#include "windows/tool_controls.h"

namespace {

class PowerOffDelayWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
        ASSERT_TRUE(window_test::ConnectManager(*manager));
        wnd = std::make_unique<CPowerOffDelayWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
    }
    void TearDown() override {
        wnd.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }
    void Type(const QString& text) {
        wnd->ValueEdit()->setFocus();
        wnd->ValueEdit()->setText(text);
        QTest::keyClick(wnd->ValueEdit(), Qt::Key_Return);
    }
    bool Device(int ms) {
        return QTest::qWaitFor([&] { return amp->Snapshot().powerOffTime == ms; }, 5000);
    }
    // Marks the amplifier so that any later send shows.
    void Mark() {
        amp->Modify([](sim::DeviceState& d) { d.powerOffTime = 4321; });
    }

    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<CPowerOffDelayWnd> wnd;
};

TEST_F(PowerOffDelayWndTest, FieldStepsAndSliderAreClampedAndSent) {
    EXPECT_EQ(wnd->ValueEdit()->text(), "0 ms");
    Type("5000");
    EXPECT_EQ(wnd->ValueEdit()->text(), "1000 ms");
    EXPECT_EQ(wnd->DelaySlider()->Value(), 1000);
    EXPECT_TRUE(Device(1000));
    Mark();
    QTest::keyClick(wnd->ValueEdit(), Qt::Key_Up);  // at the top: nothing to send
    Type("1000 ms");
    QTest::qWait(50);
    EXPECT_EQ(amp->Snapshot().powerOffTime, 4321);
    QTest::keyClick(wnd->ValueEdit(), Qt::Key_Down);
    EXPECT_EQ(wnd->ValueEdit()->text(), "999 ms");
    EXPECT_TRUE(Device(999));
    wnd->DelaySlider()->SetValue(250, ui::NotifyMode::Notify);
    EXPECT_EQ(wnd->ValueEdit()->text(), "250 ms");
    EXPECT_TRUE(Device(250));
    Type("-3");
    EXPECT_EQ(wnd->ValueEdit()->text(), "0 ms");
    EXPECT_TRUE(Device(0));
    Type("soon");
    EXPECT_EQ(wnd->ValueEdit()->text(), "0 ms");
}

TEST_F(PowerOffDelayWndTest, ConfirmAppliesTheFieldAndUndoRestoresTheAmplifier) {
    wnd->ValueEdit()->setText("300");
    QTest::mouseClick(wnd->FindControl<ui::Button>(tool_controls::kConfirmBtn), Qt::LeftButton);
    EXPECT_EQ(wnd->Result(), 1);
    EXPECT_TRUE(Device(300));
    ASSERT_TRUE(manager->Undo());
    EXPECT_TRUE(Device(0));
    EXPECT_EQ(wnd->ValueEdit()->text(), "0 ms");
}

}  // namespace
