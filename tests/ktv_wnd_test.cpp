// The KTV window with real widgets against the virtual amplifier: what it shows on opening,
// typed, dragged and stepped values held to the faders, the howling switch, the focus cycle and
// undo. The amplifier's KTV values are the judge.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>

#include "tool_window_rig.h"
#include "ui/controls.h"
#include "windows/ktv_controls.h"
#include "windows/ktv_wnd.h"

namespace {

using Value = model::KtvValue;

void Key(ui::Edit* edit, Qt::Key key) {
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->setCursorPosition(key == Qt::Key_Left ? 0 : static_cast<int>(edit->text().size()));
    QTest::keyClick(edit, key);
}

class KtvWndTest : public window_test::ToolWindowRig {
  protected:
    void CloseWindow() override { wnd.reset(); }
    void Open() {
        wnd = std::make_unique<CKtvWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        EXPECT_EQ(wnd->ClassName(), "KtvWnd");
        ShowActive(*wnd);
    }
    void Enter(Value v, const QString& text) {
        ui::Edit* edit = wnd->FieldEdit(v);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QString Text(Value v) const { return wnd->FieldEdit(v)->text(); }
    // The amplifier's value by KTV subcmd (1..10), once the queue drained.
    int Ktv(int subcmd) {
        Sent();
        return Device().ktv[static_cast<size_t>(subcmd - 1)];
    }

    std::unique_ptr<CKtvWnd> wnd;
};

TEST_F(KtvWndTest, ShowsTheModelAndHoldsTypedValuesToTheFaders) {
    manager->State().live.ktv.ktvEchoDelay = 120;
    manager->State().live.ktv.ktvBassGain = -4;
    Open();
    EXPECT_TRUE(window_test::SaveShot(*wnd, "ktv.png"));
    EXPECT_EQ(Text(Value::MicVolume), "60dB");
    EXPECT_EQ(Text(Value::EchoDelay), "120ms");
    EXPECT_EQ(Text(Value::Bass), "-4");
    EXPECT_EQ(wnd->FieldSlider(Value::Bass)->Value(), -4);
    EXPECT_FALSE(wnd->HowlingSwitch()->IsSelected());

    // Above the fader: the maximum is shown and sent.
    Enter(Value::EchoDelay, "5000ms");
    EXPECT_EQ(Text(Value::EchoDelay), "1000ms");
    EXPECT_EQ(Ktv(5), 1000);
    Enter(Value::Treble, "-30");
    EXPECT_EQ(Text(Value::Treble), "-12");
    EXPECT_EQ(static_cast<int8_t>(Ktv(10)), -12);
    Enter(Value::MusicVolume, "25dB");
    EXPECT_EQ(Ktv(2), 25);

    // A step at the top keeps the maximum; nothing more is written.
    Key(wnd->FieldEdit(Value::MicVolume), Qt::Key_Up);
    EXPECT_EQ(Text(Value::MicVolume), "60dB");
    EXPECT_TRUE(Sent().empty());
    Key(wnd->FieldEdit(Value::MicVolume), Qt::Key_Down);
    EXPECT_EQ(Text(Value::MicVolume), "59dB");
    EXPECT_EQ(Ktv(1), 59);

    // The fader: its value, the field focused with its text selected.
    wnd->FieldSlider(Value::ReverbTime)->SetValue(200, ui::NotifyMode::Notify);
    EXPECT_EQ(Text(Value::ReverbTime), "200ms");
    EXPECT_EQ(QApplication::focusWidget(), wnd->FieldEdit(Value::ReverbTime));
    EXPECT_EQ(wnd->FieldEdit(Value::ReverbTime)->selectedText(), "200ms");
    EXPECT_EQ(Ktv(7), 200);

    QTest::mouseClick(wnd->HowlingSwitch(), Qt::LeftButton);
    EXPECT_TRUE(wnd->HowlingSwitch()->IsSelected());
    EXPECT_EQ(Ktv(3), 1);
    EXPECT_EQ(manager->State().live.ktv.ktvHowling, 1);
}

TEST_F(KtvWndTest, RightArrowCyclesBackToTheMicrophoneAndUndoRestores) {
    Open();
    const Value cycle[] = {Value::MicVolume, Value::MusicVolume, Value::VoiceChanger,
                           Value::Treble,    Value::Bass,        Value::EchoLevel,
                           Value::EchoDelay, Value::ReverbLevel, Value::ReverbTime,
                           Value::MicVolume};
    for (size_t i = 0; i + 1 < std::size(cycle); ++i) {
        Key(wnd->FieldEdit(cycle[i]), Qt::Key_Right);
        EXPECT_EQ(QApplication::focusWidget(), wnd->FieldEdit(cycle[i + 1])) << i;
    }
    Key(wnd->FieldEdit(Value::MicVolume), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), wnd->FieldEdit(Value::ReverbTime));
    EXPECT_TRUE(Sent().empty());

    Enter(Value::VoiceChanger, "7");
    ASSERT_EQ(Ktv(8), 7);
    wnd->setFocus();
    QTest::keyClick(wnd.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Ktv(8), 0);
    EXPECT_EQ(Text(Value::VoiceChanger), "0");
}

}  // namespace
