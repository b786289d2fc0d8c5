// The speaker auto-configuration window against the virtual amplifier: every change sends the
// whole record once, limits hold, unchanged values send nothing, and a restore asks first.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <bit>
#include <cstring>
#include <memory>

#include "tool_window_rig.h"
#include "ui/controls.h"
#include "windows/cs_auto_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/tool_controls.h"

namespace {

constexpr uint8_t kAutoSubcmd = 0x3D;
constexpr size_t kRecord = 52;

float FactorIn(const model_test::Frame& frame, int i) {
    uint32_t bits = 0;
    std::memcpy(&bits, frame.data() + 1 + 12 + 4 * static_cast<size_t>(i), 4);
    return std::bit_cast<float>(bits);  // little-endian on the wire and here
}

// Answers the next question with the given choice.
using Answer = window_test::ModalAnswer<CMsgWnd>;

class CSAutoWndTest : public window_test::ToolWindowRig {
  protected:
    void CloseWindow() override { wnd.reset(); }
    void Open() {
        wnd = std::make_unique<CSAutoWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        EXPECT_EQ(wnd->ClassName(), "CSAutoWnd");
        ShowActive(*wnd);
    }
    void Type(int i, const QString& text) {
        ui::Edit* edit = wnd->FactorEdit(i);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void Key(int i, Qt::Key key) {
        wnd->FactorEdit(i)->setFocus();
        QTest::keyClick(wnd->FactorEdit(i), key);
    }
    // The one record the last action sent; it is also what the amplifier now holds.
    model_test::Frame One() {
        const std::vector<model_test::Frame> sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.size() != 1 || sent[0].size() != 1 + kRecord || sent[0][0] != kAutoSubcmd) {
            ADD_FAILURE() << "not one auto-configuration record";
            return model_test::Frame(1 + kRecord, 0xEE);
        }
        const auto held = Device().autoSetting;
        EXPECT_TRUE(std::equal(held.begin(), held.end(), sent[0].begin() + 1));
        return sent[0];
    }

    std::unique_ptr<CSAutoWnd> wnd;
};

TEST_F(CSAutoWndTest, EachChangeSendsTheWholeRecordOnceAndLimitsHold) {
    Open();
    EXPECT_TRUE(Sent().empty());  // opening only names the scene
    for (int i = 0; i < model::AUTO_SWITCHES; ++i) {
        EXPECT_TRUE(wnd->Switch(i)->IsSelected()) << i;
    }
    EXPECT_EQ(wnd->FactorEdit(8)->text(), "1.000");
    EXPECT_EQ(wnd->FactorSlider(8)->Value(), 100);
    EXPECT_EQ(wnd->Choice(0)->CurSel(), 0);
    EXPECT_EQ(wnd->Choice(3)->CurSel(), 5);

    wnd->Switch(3)->click();
    model_test::Frame f = One();
    EXPECT_EQ(f[1], manager->Scenes().CurrentScene());
    EXPECT_EQ(f[1 + 1 + 3], 0);
    EXPECT_EQ(f[1 + 1 + 2], 1);

    wnd->FactorSlider(4)->SetValue(150, ui::NotifyMode::Notify);
    EXPECT_EQ(wnd->FactorEdit(4)->text(), "1.500");
    EXPECT_EQ(QApplication::focusWidget(), wnd->FactorEdit(4));
    EXPECT_EQ(wnd->FactorEdit(4)->selectedText(), "1.500");
    f = One();
    EXPECT_FLOAT_EQ(FactorIn(f, 4), 1.5f);
    EXPECT_EQ(f[1 + 1 + 3], 0);  // the earlier change goes along

    // Beyond the slider: the limit is shown and sent; stepping at the limit sends nothing.
    Type(2, "5");
    EXPECT_EQ(wnd->FactorEdit(2)->text(), "2.000");
    EXPECT_EQ(wnd->FactorSlider(2)->Value(), 200);
    EXPECT_FLOAT_EQ(FactorIn(One(), 2), 2.0f);
    Key(2, Qt::Key_Up);
    EXPECT_TRUE(Sent().empty());
    Key(2, Qt::Key_Down);
    EXPECT_EQ(wnd->FactorEdit(2)->text(), "1.990");
    EXPECT_FLOAT_EQ(FactorIn(One(), 2), 1.99f);
    Type(6, "-1");
    EXPECT_EQ(wnd->FactorEdit(6)->text(), "0.000");
    EXPECT_FLOAT_EQ(FactorIn(One(), 6), 0.0f);
    Key(6, Qt::Key_Down);
    EXPECT_TRUE(Sent().empty());

    // The same value again sends nothing.
    Type(4, "1.5");
    Type(0, "1");
    EXPECT_TRUE(Sent().empty());

    ASSERT_TRUE(wnd->Choice(1)->SelectItem(2, ui::NotifyMode::Notify));
    f = One();
    EXPECT_EQ(f[1 + 48], 0);
    EXPECT_EQ(f[1 + 49], 2);
    EXPECT_EQ(f[1 + 50], 5);
}

TEST_F(CSAutoWndTest, RestoreAsksAndThenSendsTheDefaultsOnce) {
    Open();
    wnd->Switch(10)->click();
    Type(8, "0.25");
    ASSERT_TRUE(wnd->Choice(0)->SelectItem(3, ui::NotifyMode::Notify));
    ASSERT_TRUE(wnd->Choice(2)->SelectItem(1, ui::NotifyMode::Notify));
    EXPECT_EQ(Sent().size(), 4u);

    auto* restore = wnd->FindControl<ui::Button>(tool_controls::kBtnRestoreCsAuto);
    ASSERT_NE(restore, nullptr);
    {
        Answer no(0);
        QTest::mouseClick(restore, Qt::LeftButton);
        EXPECT_EQ(no.answered, 1);
    }
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(wnd->Switch(10)->IsSelected());

    {
        Answer yes(1);
        QTest::mouseClick(restore, Qt::LeftButton);
        EXPECT_EQ(yes.answered, 1);
    }
    const model_test::Frame f = One();
    for (int i = 0; i < model::AUTO_SWITCHES; ++i) {
        EXPECT_EQ(f[1 + 1 + static_cast<size_t>(i)], 1) << i;
    }
    for (int i = 0; i < model::AUTO_FACTORS; ++i) {
        EXPECT_EQ(FactorIn(f, i), 1.0f) << i;
    }
    EXPECT_EQ(f[1 + 48], 0);
    EXPECT_EQ(f[1 + 49], 5);
    EXPECT_EQ(f[1 + 50], 5);
    EXPECT_EQ(f[1 + 51], 5);
    EXPECT_TRUE(wnd->Switch(10)->IsSelected());
    EXPECT_EQ(wnd->FactorEdit(8)->text(), "1.000");
    EXPECT_EQ(wnd->FactorSlider(8)->Value(), 100);
    EXPECT_EQ(wnd->Choice(0)->CurSel(), 0);
    EXPECT_EQ(wnd->Choice(2)->CurSel(), 5);

    QTest::mouseClick(wnd->FindControl<ui::Button>(tool_controls::kConfirmBtn), Qt::LeftButton);
    EXPECT_EQ(wnd->Result(), 1);
}

}  // namespace
