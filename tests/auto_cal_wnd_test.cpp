// The calibration window against the virtual amplifier on virtual time: which outputs may take
// part, a whole run from the window with its curves and figures, a failure, the question on
// closing, and the CSV of a run. The amplifier's calibration state is the judge.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "controls/register_controls.h"
#include "controls/ui_equalizer_ac.h"
#include "model/speaker_types.h"
#include "tool_window_rig.h"
#include "ui/controls.h"
#include "windows/auto_cal_wnd.h"
#include "windows/msg_wnd.h"

namespace {

class AutoCalWndTest : public window_test::ToolWindowRig {
  protected:
    void CloseWindow() override { wnd.reset(); }
    void Open() {
        controls::RegisterCustomControls();
        wnd = std::make_unique<CAutoCalWnd>(owner.get(), *manager,
                                            [this](QWidget*) { return csvPath; });
        ASSERT_TRUE(wnd->Create()) << wnd->LayoutError().toStdString();
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
    }
    void Click(const char* name) {
        ui::Notification n;
        n.type = ui::notify::kClick;
        n.sender = name;
        wnd->Notify(n);
    }
    QString Tips() const { return wnd->FindControl<ui::Label>("tips")->RawText(); }
    bool RunEnds() {
        return QTest::qWaitFor([&] { return !manager->Calibration().Running(); }, 20000) &&
               QTest::qWaitFor([&] { return !manager->JobRunning(); }, 5000);
    }
    ui::CheckBox* Box(int c) const {
        return wnd->FindControl<ui::CheckBox>(QString::asprintf("ch_checkbox_%d", c));
    }

    QTemporaryDir dir;
    QString csvPath = dir.filePath("run.csv");
    std::unique_ptr<CAutoCalWnd> wnd;
};

TEST_F(AutoCalWndTest, OutputsThatCannotBeMeasuredAreLeftOut) {
    model::ProfileRecord& live = manager->State().live;
    live.outputs[3] = model::kSpeakerEmpty;
    live.outputs[7] = model::kSubwooferLeft;
    Open();
    EXPECT_FALSE(Box(3)->isEnabled());
    EXPECT_FALSE(Box(7)->isEnabled());
    EXPECT_EQ(Box(7)->RawToolTip(), "${irc_subwoof_not_test}");
    EXPECT_TRUE(Box(0)->IsSelected() && Box(0)->isEnabled());
    EXPECT_EQ(wnd->CheckedChannels() & ((1u << 3) | (1u << 7)), 0u);
}

TEST_F(AutoCalWndTest, ARunFromTheWindowShowsItsResultsAndIsAppliedOnce) {
    Open();
    for (int c = 2; c < model::IRC_CHANNELS; ++c) {
        Box(c)->SetSelected(false);
    }
    // Without a test item only the warning comes; nothing is sent.
    for (const char* item : {"irc_eq", "irc_delay", "irc_phase"}) {
        wnd->FindControl<ui::CheckBox>(item)->SetSelected(false);
    }
    window_test::ModalAnswer<CMsgWnd> ok(1);
    Click("start_auto_cal");
    EXPECT_EQ(ok.answered, 1);
    EXPECT_TRUE(Sent().empty());
    wnd->FindControl<ui::CheckBox>("irc_eq")->SetSelected(true);

    Click("start_auto_cal");
    EXPECT_EQ(wnd->FindControl<ui::Button>("start_auto_cal")->RawText(), "${stop}");
    EXPECT_FALSE(wnd->FindControl<ui::Button>("closebtn")->isEnabled());
    ASSERT_TRUE(RunEnds());
    QTest::qWait(50);
    EXPECT_EQ(Tips(), "${irc_completed}");
    EXPECT_TRUE(wnd->FindControl<ui::Button>("closebtn")->isEnabled());
    auto* graph = wnd->FindControl<UIEqualizerAc>("equalizer_ac");
    EXPECT_EQ(graph->SpectrumCurveCount(), model::IRC_CHANNELS);
    EXPECT_FALSE(wnd->FindControl<ui::Label>("irc_figures")->RawText().isEmpty());
    EXPECT_EQ(Device().calibration.channelMask, 0b11);

    Click("irc_export");
    QFile csv(csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains("rms_before_db"));

    Click("irc_save_data");
    EXPECT_EQ(Tips(), "${irc_applyed}");
    EXPECT_EQ(Device().calibration.lastAction, 2);
    Click("irc_cancel_data");  // settled already: nothing more is sent
    EXPECT_EQ(Tips(), "${irc_start_tips}");
    EXPECT_EQ(Device().calibration.lastAction, 2);
    // The picture of the README.
    QDir().mkpath(QStringLiteral(SHOTS_DIR));
    EXPECT_TRUE(wnd->grab().save(QStringLiteral(SHOTS_DIR "/auto_cal.png")));
}

TEST_F(AutoCalWndTest, AFailureSaysWhyAndClosingAfterARunAsksWhetherToApply) {
    Open();
    amp->FailCalibrationAt(2, 1);
    Click("start_auto_cal");
    ASSERT_TRUE(RunEnds());
    QTest::qWait(50);
    EXPECT_EQ(Tips(), "${irc_failed_mic}");
    EXPECT_EQ(wnd->FindControl<ui::Button>("start_auto_cal")->RawText(), "${start_irc}");

    Click("start_auto_cal");
    ASSERT_TRUE(RunEnds());
    QTest::qWait(50);
    window_test::ModalAnswer<CMsgWnd> no(0);
    wnd->CloseWindow();
    EXPECT_EQ(no.answered, 1);
    EXPECT_EQ(Device().calibration.lastAction, 3);  // discarded
}

TEST_F(AutoCalWndTest, ClosingWithYesAppliesAndClosingMidRunStopsTheRun) {
    Open();
    Click("start_auto_cal");
    ASSERT_TRUE(RunEnds());
    QTest::qWait(50);
    window_test::ModalAnswer<CMsgWnd> yes(1);
    wnd->CloseWindow();
    EXPECT_EQ(yes.answered, 1);
    EXPECT_EQ(Device().calibration.lastAction, 2);

    Open();
    Click("start_auto_cal");
    ASSERT_TRUE(manager->Calibration().Running());
    wnd.reset();  // the window goes: the run goes with it
    EXPECT_FALSE(manager->Calibration().Running());
    EXPECT_FALSE(manager->JobRunning());
    EXPECT_FALSE(Device().calibration.running);
}

}  // namespace
