// The mixer window with real widgets against the virtual amplifier: typed and slid levels,
// the status timer and its clipping lights, and undo of a mixer edit. The amplifier is the judge.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "link/subcommands.h"
#include "main_wnd_fixture.h"
#include "model/equalizer_manager.h"
#include "recording_transport.h"
#include "sim/sim_transport.h"
#include "ui/controls.h"
#include "ui/language.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/main_controls.h"
#include "windows/mixer_wnd.h"

namespace {

class MixerWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<model_test::RecordingTransport>(amp, clock, frames, &framesLock),
            clock, &events);
        ASSERT_TRUE(window_test::ConnectManager(*manager));
        Open();
    }
    void Open(const QString& layout = QString::fromLatin1(CMixerWnd::kLayout)) {
        wnd = std::make_unique<CMixerWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create(layout));
        ASSERT_TRUE(wnd->MissingControls().isEmpty());
        wnd->Show();
        wnd->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
    }
    int FramesOf(uint8_t subcmd) {
        const std::lock_guard guard(framesLock);
        return static_cast<int>(std::count_if(frames.begin(), frames.end(),
                                              [&](const auto& f) { return f[0] == subcmd; }));
    }
    void Type(int row, int output, const QString& text) {
        ui::Edit* edit = wnd->CellEdit(row, output);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
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

    std::vector<model_test::Frame> frames;
    std::mutex framesLock;
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
    // The picture of the README.
    QDir().mkpath(QStringLiteral(SHOTS_DIR));
    EXPECT_TRUE(wnd->grab().save(QStringLiteral(SHOTS_DIR "/mixer.png")));
    wnd->Close(0);
    EXPECT_FALSE(wnd->StatusTimerRunning());
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

TEST_F(MixerWndTest, TheWindowFitsTheRowsOfTheSourceAndFollowsASwitch) {
    // 2 inputs and the vice rows: ten rows fewer than the layout, two back for the vice rows.
    EXPECT_EQ(wnd->LayoutSize().height(), 636 - 44 * 10 + 88);
    EXPECT_EQ(wnd->ControlRect(wnd->FindWidget("box_0_10")).top(), 104 + 2 * 44);
    manager->Inputs().SetInputSource(5, true);
    EXPECT_EQ(wnd->InputCount(), 8);
    EXPECT_EQ(wnd->LayoutSize().height(), 636 - 44 * 4 + 88);
    EXPECT_EQ(wnd->ControlRect(wnd->FindWidget("box_0_10")).top(), 104 + 8 * 44);
    EXPECT_TRUE(wnd->CellEdit(7, 0)->isVisibleTo(wnd.get()));
    EXPECT_FALSE(wnd->CellEdit(8, 0)->isVisibleTo(wnd.get()));
    EXPECT_EQ(wnd->FindControl<ui::Label>("title_label_5")->text(),
              ui::ResolveText(QStringLiteral("${source_hi}")) + "6");
}

TEST_F(MixerWndTest, ALinkedPairMovesTogetherAndAnUnchangedLevelSendsNothing) {
    model::ProfileRecord& live = manager->State().live;
    live.linkMode = 1;
    live.linkOutputs[0] = 1;
    live.linkOutputs[1] = 0;
    wnd->CellSlider(0, 0)->SetValue(55, ui::NotifyMode::Notify);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return DeviceTrim(0, 0) == 55 && DeviceTrim(0, 1) == 55; }, 5000));
    EXPECT_EQ(wnd->CellEdit(0, 1)->text(), "55");
    // Output 2 hears input 1 at 100; typing 100 again must not reach the amplifier.
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].sources[0].mixTrim[0][2] = 77; });
    Type(0, 2, "100");
    Type(0, 3, "50");
    ASSERT_TRUE(QTest::qWaitFor([&] { return DeviceTrim(0, 3) == 50; }, 5000));
    EXPECT_EQ(DeviceTrim(0, 2), 77);
}

TEST_F(MixerWndTest, PhaseBridgeAndViceInputsReachTheAmplifier) {
    wnd->FindControl<ui::CheckBox>("in_phase_1")->SetSelected(true, ui::NotifyMode::Notify);
    auto* list = wnd->FindControl<ui::Combo>("cmb_csm_vice_source_0");
    list->SelectItem(list->FindItem("0201"), ui::NotifyMode::Notify);
    ui::Edit* gain = wnd->FindControl<ui::Edit>("csm_vice_gain_edit_0");
    gain->setFocus();
    gain->setText("9");
    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(gain->text(), "6dB");
    wnd->FindControl<ui::CheckBox>("ch_bridge_1")->SetSelected(true, ui::NotifyMode::Notify);
    manager->Outputs().WaitForJobs();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const sim::DeviceState d = amp->Snapshot();
            const auto& src = d.scenes[0].sources[0];
            return src.inputPhase[1] == 1 && src.cross[2] == sim::CrossMix{0x53, 1, 38} &&
                   d.scenes[0].bridge[1] == 1 && src.mixMask[3] == src.mixMask[2];
        },
        5000));
    EXPECT_EQ(manager->State().live.bridgeOutputs[1], 1);
}

TEST_F(MixerWndTest, ArrowsWalkTheFieldsOfTheRowsShownAndWrap) {
    // Rows shown for a two-input source: 0, 1, then the vice rows 10 and 11.
    struct Step {
        int row, output;
        Qt::Key key;
        int toRow, toOutput;
    };
    const Step steps[] = {{0, 3, Qt::Key_Right, 0, 4},
                          {1, 11, Qt::Key_Right, 10, 0},
                          {11, 11, Qt::Key_Right, 0, 0},
                          {0, 0, Qt::Key_Left, 11, 11},
                          {10, 0, Qt::Key_Left, 1, 11}};
    for (const Step& s : steps) {
        ui::Edit* from = wnd->CellEdit(s.row, s.output);
        from->setFocus();
        from->setCursorPosition(s.key == Qt::Key_Right ? from->text().size() : 0);
        QTest::keyClick(from, s.key);
        EXPECT_TRUE(wnd->CellEdit(s.toRow, s.toOutput)->hasFocus())
            << s.row << "," << s.output << " -> " << s.toRow << "," << s.toOutput;
    }
}

TEST_F(MixerWndTest, ALayoutWithoutClippingLightsAsksForNoClipping) {
    QTemporaryDir skin;
    ASSERT_TRUE(skin.isValid());
    std::filesystem::copy(ui_test::SkinDir().toStdString(), skin.path().toStdString(),
                          std::filesystem::copy_options::recursive);
    QFile file(skin.filePath("xml/mixer.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    file.close();
    lines.removeIf([](const QString& l) { return l.contains("_distort_"); });
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n').toUtf8());
    file.close();
    wnd.reset();
    auto& res = ui::Resources::Instance();
    ASSERT_TRUE(res.LoadFromDirectory(skin.path()));
    ASSERT_TRUE(res.SelectLanguage("en"));
    const int before = FramesOf(dsplink::DSP_OUTPUT_CH_DISTORT);
    Open();
    EXPECT_FALSE(wnd->StatusTimerRunning());
    QTest::qWait(1300);
    EXPECT_EQ(FramesOf(dsplink::DSP_OUTPUT_CH_DISTORT), before);
    EXPECT_EQ(FramesOf(dsplink::DSP_INPUT_CH_DISTORT), 0);
}

// Through the main window: the menu item opens the mixer, and unplugging closes it.
class MixerFromMainTest : public MainWndFixture {};

TEST_F(MixerFromMainTest, TheAdvanceItemOpensItAndPlugOutClosesIt) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    MessageCatcher messages;
    bool opened = false;
    QTimer::singleShot(200, [&] {
        opened = !ui::Window::FindWindows(CMixerWnd::kClassName).isEmpty();
        mAmplifier->Unplug();
    });
    // A mixer left open would hang the test: closed from here after a while.
    QTimer::singleShot(8000, [] { ui::Window::CloseAllPopups(0); });
    QElapsedTimer elapsed;
    elapsed.start();
    ChooseItem(*window, main_controls::kAdvanceItemMixer);
    EXPECT_TRUE(opened);
    EXPECT_LT(elapsed.elapsed(), 7000);
    EXPECT_TRUE(ui::Window::FindWindows(CMixerWnd::kClassName).isEmpty());
}

}  // namespace
