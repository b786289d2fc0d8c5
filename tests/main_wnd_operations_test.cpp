// The main window's controls end to end: what the virtual amplifier holds shows up in the
// controls after connecting, and what the user does to the controls reaches the amplifier.

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "controls/ui_equalizer.h"
#include "link/subcommands.h"
#include "main_wnd_fixture.h"
#include "sim/demo_tuning.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "window_test_support.h"
#include "windows/main_view.h"
#include "windows/msg_check_box_wnd.h"
#include "windows/msg_wnd.h"

namespace {

using eqgraph::Plot;

class MainWndOperationsTest : public MainWndFixture {
  protected:
    std::unique_ptr<CMainWnd> Connected() {
        auto window = MakeWindow();
        // Connected and past the state read: edits are queued to the amplifier from now on.
        EXPECT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
        EXPECT_TRUE(window->IsConnected());
        return window;
    }
    sim::DeviceState Device() const { return mAmplifier->Snapshot(); }
    const sim::OutputState& Out(const sim::DeviceState& d, int o) const {
        return d.scenes[0].outputs[static_cast<size_t>(o)];
    }
    // Waits until the amplifier satisfies the condition (the queue sends in the background).
    bool DeviceSays(const std::function<bool(const sim::DeviceState&)>& condition) {
        return WaitFor([&] { return condition(Device()); });
    }
    static QString Text(CMainWnd& w, const QString& name) {
        ui::Control* c = ui::AsControl(w.FindWidget(name));
        return c ? c->Text() : QStringLiteral("<missing %1>").arg(name);
    }
    static bool Selected(CMainWnd& w, const QString& name) {
        auto* button = qobject_cast<QAbstractButton*>(w.FindWidget(name));
        if (auto* s = qobject_cast<ui::SButton*>(w.FindWidget(name))) {
            return s->IsSelected();
        }
        return button && button->isChecked();
    }
    // Answers the next two-choice box with the given option.
    using ChoiceAnswer = window_test::ModalAnswer<CMsgCheckBoxWnd>;
};

}  // namespace

TEST_F(MainWndOperationsTest, ConnectingShowsTheAmplifiersValuesInTheControls) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        d.scenes[0].outputs[2].trim = 12;  // -12 dB
        d.scenes[0].outputs[5].mute = 1;
        d.scenes[0].outputs[1].phase = 1;
        d.scenes[0].outputs[3].delay = {2, 0x01, 0xF4};  // 2.500 ms
        d.scenes[0].outputs[4].type = 22;                // left subwoofer
        d.scenes[0].bridge[1] = 1;
        d.source = 0x56;    // source 5, ten inputs
        d.mainVolume = 26;  // -20 dB
        d.ampMute = 1;
        d.remOut2 = 0;
        d.noiseGate = 1;
        d.scenes[0].sources[5].mixMask[7] = 0x204;  // inputs 3 and 10 to output 8
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    EXPECT_EQ(Text(*w, "edit_ch_volume_2"), "-12dB");
    EXPECT_EQ(w->FindControl<ui::Slider>("slider_ch_volume_2")->Value(), -120);
    EXPECT_EQ(Text(*w, "edit_ch_volume_0"), "0dB");
    EXPECT_TRUE(Selected(*w, "ch_mute_5"));
    EXPECT_FALSE(Selected(*w, "ch_mute_4"));
    EXPECT_TRUE(Selected(*w, "ch_phase_1"));
    EXPECT_EQ(Text(*w, "edit_ch_delay_3"), "2.500 ms");
    EXPECT_EQ(ui::AsControl(w->FindWidget("ch_output_btn_4"))->RawText(), "${left_subwoofer_freq}");
    EXPECT_TRUE(w->FindWidget("speaker_22")->isVisibleTo(w.get()) ||
                !w->FindWidget("speaker_22")->isHidden());
    EXPECT_TRUE(Selected(*w, "ch_bridge_1"));
    EXPECT_FALSE(Selected(*w, "ch_bridge_0"));
    EXPECT_EQ(w->FindControl<ui::Combo>("btn_input_source")->CurSel(), 5);
    EXPECT_EQ(Text(*w, "edit_main_volume"), "-20dB");
    EXPECT_EQ(ui::AsControl(w->FindWidget("btn_amp_onoff"))->RawText(), "${amp_off}");
    EXPECT_EQ(ui::AsControl(w->FindWidget("btn_rem_out2_onoff"))->RawText(), "${rem_out2_off}");
    EXPECT_EQ(ui::AsControl(w->FindWidget("btn_noise_gate"))->RawText(), "${btn_noise_gate_on}");
    EXPECT_TRUE(Selected(*w, "option_ch_in2_7"));
    EXPECT_TRUE(Selected(*w, "option_ch_in9_7"));
    EXPECT_FALSE(Selected(*w, "option_ch_in0_7"));
    EXPECT_FALSE(w->FindWidget("option_ch_in9_0")->isHidden());
}

TEST_F(MainWndOperationsTest, OutputControlsChangeTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Type(*w, "edit_ch_volume_0", "-15");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).trim == 15; }));
    EXPECT_EQ(Text(*w, "edit_ch_volume_0"), "-15dB");

    // A typo keeps the volume and shows it again, instead of jumping to 0 dB.
    Type(*w, "edit_ch_volume_0", "-1O");
    EXPECT_EQ(Text(*w, "edit_ch_volume_0"), "-15dB");
    EXPECT_FLOAT_EQ(w->Model().live.channels[0].gain, -15.0f);

    w->FindControl<ui::Slider>("slider_ch_volume_1")->SetValue(-300, ui::NotifyMode::Notify);
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 1).trim == 30; }));
    EXPECT_EQ(Text(*w, "edit_ch_volume_1"), "-30dB");

    Click(*w, "ch_mute_2");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 2).mute == 1; }));
    Click(*w, "ch_phase_3");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 3).phase == 1; }));
    Click(*w, "ch_solo_6");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 6).solo == 1; }));

    Type(*w, "edit_ch_delay_4", "1.5");
    EXPECT_TRUE(DeviceSays([&](auto& d) {
        return Out(d, 4).delay == std::array<uint8_t, 3>{1, 0x01, 0xF4};
    }));
    EXPECT_EQ(Text(*w, "edit_ch_delay_4"), "1.500 ms");
}

TEST_F(MainWndOperationsTest, SpeakerTypeMenuSetsTheTypeAndItsCrossover) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Click(*w, "ch_output_btn_9");
    EXPECT_EQ(w->MenuChannel(), 9);
    ChooseItem(*w, "output_menu_front_left_high_freq");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 9).type == 1; }));
    EXPECT_EQ(w->Model().live.outputs[9], 1);
    EXPECT_FALSE(w->FindWidget("speaker_1")->isHidden());
    // A tweeter gets its high-pass.
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 9).hp.slope != 0; }));
}

TEST_F(MainWndOperationsTest, GlobalControlsChangeTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Type(*w, "edit_main_volume", "10");  // clamps to +6 dB, written as 6 - 6
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.mainVolume == 0; }));
    EXPECT_EQ(Text(*w, "edit_main_volume"), "6dB");
    Type(*w, "edit_main_volume", "loud");
    EXPECT_EQ(Text(*w, "edit_main_volume"), "6dB");
    EXPECT_EQ(w->Model().live.mainVolume, 6);

    Click(*w, "btn_amp_onoff");
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.ampMute == 1; }));
    EXPECT_EQ(ui::AsControl(w->FindWidget("btn_amp_onoff"))->RawText(), "${amp_off}");
    Click(*w, "btn_noise_gate");
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.noiseGate == 1; }));

    auto* source = w->FindControl<ui::Combo>("btn_input_source");
    source->SelectItem(3, ui::NotifyMode::Notify);
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.source == 0x54; }));

    const bool ticked = Selected(*w, "option_ch_in0_5");
    Click(*w, "option_ch_in0_5");
    EXPECT_TRUE(DeviceSays(
        [&](auto& d) { return ((d.scenes[0].sources[3].mixMask[5] & 1) != 0) == !ticked; }));
}

TEST_F(MainWndOperationsTest, BridgeCopiesTheLeftOutputOntoTheRight) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Type(*w, "edit_ch_volume_0", "-9");
    Click(*w, "ch_bridge_0");
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.scenes[0].bridge[0] == 1; }));
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 1).trim == 9; }));
    EXPECT_TRUE(WaitFor([&] { return !w->Manager().Outputs().JobRunning(); }));
    EXPECT_TRUE(Selected(*w, "ch_bridge_0"));
    // Bridged: muting the left output mutes both.
    Click(*w, "ch_mute_0");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).mute == 1 && Out(d, 1).mute == 1; }));
}

TEST_F(MainWndOperationsTest, LinkAsksTheCopyDirectionAndLocksTheTypes) {
    auto w = Connected();
    ASSERT_TRUE(w);
    ChoiceAnswer answer(1);
    Click(*w, "btn_link_output");
    EXPECT_GE(answer.answered, 1);
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.scenes[0].link == 1 && d.scenes[0].lock == 1; }));
    EXPECT_TRUE(Selected(*w, "btn_link_output"));
    EXPECT_TRUE(Selected(*w, "btn_lock_output"));
    EXPECT_FALSE(w->FindWidget("ch_output_btn_0")->isEnabled());
}

TEST_F(MainWndOperationsTest, DisconnectedEditsChangeTheViewAndSendNothing) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Click(*w, "btnConnect");
    ASSERT_FALSE(w->IsConnected());
    const sim::DeviceState before = Device();
    Type(*w, "edit_ch_volume_0", "-20");
    Click(*w, "ch_mute_1");
    Click(*w, "btn_amp_onoff");
    EXPECT_EQ(Text(*w, "edit_ch_volume_0"), "-20dB");
    EXPECT_FLOAT_EQ(w->Model().live.channels[0].gain, -20.0f);
    EXPECT_EQ(w->Model().live.channels[1].mute, 1);
    QTest::qWait(50);
    EXPECT_EQ(Device().scenes[0].outputs, before.scenes[0].outputs);
    EXPECT_EQ(Device().ampMute, before.ampMute);
}

TEST_F(MainWndOperationsTest, UnplugClosesAnOpenMessageBox) {
    auto w = Connected();
    ASSERT_TRUE(w);
    bool closedByUnplug = false;
    QTimer::singleShot(50, [&] {
        const auto boxes = ui::Window::FindWindows("MsgWnd");
        if (!boxes.isEmpty()) {
            mAmplifier->Unplug();
            closedByUnplug = true;
        }
    });
    // A box that nothing else answers: only the unplug can end it.
    const int result = CMsgWnd::MessageBox(w.get(), "${tips}", "${device_reboot}");
    EXPECT_TRUE(closedByUnplug);
    EXPECT_EQ(result, 0);
    MessageCatcher catcher;  // the unplug message that follows
    EXPECT_EQ(catcher.Next(), "${device_plugout}");
    EXPECT_TRUE(WaitFor([&] { return !w->IsConnected(); }));
}

TEST_F(MainWndOperationsTest, TwoBusyMessagesLeaveOneBusyWindow) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->Post(model::WM_SHOW_LOADING, 0);
    w->Post(model::WM_SHOW_LOADING, 0);
    QTest::qWait(50);
    QList<ui::Window*> busy;
    for (ui::Window* win : ui::Window::AllWindows()) {
        if (win->isVisible() && win->ClassName() == "LoadingWnd") {
            busy << win;
        }
    }
    ASSERT_EQ(busy.size(), 1);
    // It keeps the user's hands off the main window while the job runs.
    EXPECT_EQ(busy[0]->windowModality(), Qt::WindowModal);
    w->Post(model::WM_HIDE_LOADING, 0);
    EXPECT_TRUE(WaitFor([&] { return !busy[0]->isVisible(); }));
}

TEST_F(MainWndOperationsTest, WrongModelIsToldAndNotRead) {
    mAmplifier->SetIdentity(77, 16, 24);
    MessageCatcher catcher;
    auto w = MakeWindow();
    const QString text = catcher.Next();
    EXPECT_TRUE(text.contains("77")) << text.toStdString();
    EXPECT_TRUE(WaitFor([&] { return w->ConnectAttemptDone(); }));
    EXPECT_FALSE(w->IsConnected());
    EXPECT_EQ(ui::AsControl(w->FindWidget("btnConnect"))->RawText(), "${btn_disconnected}");
}

TEST_F(MainWndOperationsTest, DspSwitchedOffDisconnectsAndSaysSo) {
    auto w = Connected();
    ASSERT_TRUE(w);
    MessageCatcher catcher;
    w->Manager().Sync().ReadDspValueCallback(dsplink::DSP_DSP_STATUS, 0, nullptr);
    EXPECT_EQ(catcher.Next(), "${dsp_is_off}");
    EXPECT_FALSE(w->IsConnected());
}

TEST_F(MainWndOperationsTest, SourceChangePollsTheMainVolumeUntilItIsReported) {
    auto w = Connected();
    ASSERT_TRUE(w);
    auto* main = w->FindControl<ui::Edit>("edit_main_volume");
    // The amplifier switches the source and reports the volume it keeps for it.
    mAmplifier->Modify([](sim::DeviceState& d) { d.mainVolume = 6 - (-25); });
    w->FindControl<ui::Combo>("btn_input_source")->SelectItem(2, ui::NotifyMode::Notify);
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.source == 0x53; }));
    // The first poll a second later reads -25 dB and ends the polling.
    EXPECT_TRUE(WaitFor([&] { return main->text() == "-25dB"; }));
    EXPECT_EQ(w->Model().live.mainVolume, -25);
}

TEST_F(MainWndOperationsTest, OutputMenuEnablesOnlyTypesThatFit) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        for (sim::OutputState& out : d.scenes[0].outputs) {
            out.type = 0;
        }
        d.scenes[0].outputs[0].type = 1;  // front left tweeter
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    Click(*w, "ch_output_btn_2");
    auto* menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->FindItem("output_menu_front_left_mid_high_freq")->isEnabled());
    EXPECT_TRUE(menu->FindItem("output_menu_front_left_low_freq")->isEnabled());
    EXPECT_TRUE(menu->FindItem("output_menu_front_left_high_freq")->isChecked());
    menu->close();
}

TEST_F(MainWndOperationsTest, ResetOutputsRestoresTheDefaultTypesBehindTheBusyWindow) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        for (sim::OutputState& out : d.scenes[0].outputs) {
            out.type = 0;
        }
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    MessageCatcher catcher;  // answers "${default}" (the first button)
    Click(*w, "btn_reset_output");
    EXPECT_EQ(catcher.Next(), "${empty_output_tips}");
    constexpr uint8_t kDefaults[] = {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};
    EXPECT_TRUE(DeviceSays([&](auto& d) {
        for (int o = 0; o < 12; ++o) {
            if (Out(d, o).type != kDefaults[o]) {
                return false;
            }
        }
        return d.scenes[0].lock == 0 && d.scenes[0].link == 0;
    }));
    EXPECT_TRUE(WaitFor([&] { return !w->Manager().Outputs().JobRunning(); }));
    EXPECT_EQ(ui::AsControl(w->FindWidget("ch_output_btn_6"))->RawText(), "${rear_left_tweeter}");
}

TEST_F(MainWndOperationsTest, CrossoverControlsShowAndChangeTheCurrentOutput) {
    auto w = Connected();
    ASSERT_TRUE(w);
    // Output 1 is a tweeter: Bessel high-pass at 3400 Hz, 12 dB/oct.
    EXPECT_EQ(Text(*w, "hp_freq"), "3400Hz");
    EXPECT_EQ(w->FindControl<ui::Combo>("hp_type")->CurSel(), 3);
    EXPECT_EQ(w->FindControl<ui::Combo>("hp_slop")->CurSel(), 2);
    Type(*w, "hp_freq", "2k5");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).hp.freq == 2500; }));
    EXPECT_EQ(Text(*w, "hp_freq"), "2500Hz");
    // Another output shows its own crossover.
    Click(*w, "ch_enable_4");
    EXPECT_EQ(Text(*w, "hp_freq"), "70Hz");
    EXPECT_EQ(Text(*w, "lp_freq"), "320Hz");
}

TEST_F(MainWndOperationsTest, BandEditsReachTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    // Focus moves only inside an active window.
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto* gain = w->FindControl<ui::Edit>("eq_gain_5");
    ASSERT_NE(gain, nullptr);
    gain->setFocus();
    gain->setText("4.5");
    // The field is committed when the focus leaves it.
    w->FindControl<ui::Edit>("eq_gain_6")->setFocus();
    EXPECT_TRUE(DeviceSays([&](auto& d) {
        return Out(d, 0).bands[5].gain == std::array<uint8_t, 2>{22, 5};  // 4.5 + 18
    }));
    EXPECT_EQ(w->FindControl<ui::Slider>("eq_slider_5")->Value(), 45);
}

TEST_F(MainWndOperationsTest, DraggingAPointInTheGraphTunesTheBandOnTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* graph = dynamic_cast<UIEqualizer*>(w->FindWidget("equalizer"));
    ASSERT_NE(graph, nullptr);
    ASSERT_GT(graph->PointCount(), 10);
    const QPoint start = graph->PointPixel(10);
    const QPoint end = start - QPoint(0, graph->height() / 6);  // upwards: more gain
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 5; ++step) {
        QTest::mouseMove(graph, start + (end - start) * step / 5);
    }
    QTest::mouseRelease(graph, Qt::LeftButton, {}, end);
    const EqPoint dragged = graph->Point(10);
    EXPECT_GT(dragged.gain, 1.0f);
    EXPECT_NEAR(w->Model().live.bands[0][10].eqGain, dragged.gain, 0.05f);
    // The released value is what the amplifier keeps (gain + 18 dB, in tenths).
    EXPECT_TRUE(DeviceSays([&](auto& d) {
        const auto& g = Out(d, 0).bands[10].gain;
        return std::fabs((g[0] + g[1] / 10.0) - 18.0 - dragged.gain) < 0.11;
    }));
}

TEST_F(MainWndOperationsTest, ShownChannelsReachTheGraph) {
    mAmplifier->Modify(sim::ApplyDemoTuning);
    auto w = Connected();
    ASSERT_TRUE(w);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    for (int o : {2, 4, 10}) {
        Click(*w, QStringLiteral("ch_show_%1").arg(o));
        EXPECT_EQ(w->Model().live.showOutChEqualizer[static_cast<size_t>(o)], 1);
    }
    Click(*w, "ch_enable_2");
    auto* graph = dynamic_cast<UIEqualizer*>(w->FindWidget("equalizer"));
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->CurveCount(), 12);
    EXPECT_EQ(graph->CurrentCurve(), 2);
    // The midrange's tamed peak (band 15, -3.5 dB) is a point of the current output.
    EXPECT_NEAR(graph->Point(14).gain, -3.5f, 0.05f);

    // The sum of the shown curves is the view's own setting: no undo step, no model change.
    const size_t steps = w->Manager().History().UndoSteps();
    const auto shown = w->Model().live.showOutChEqualizer;
    EXPECT_TRUE(graph->SumCurve().db.empty());
    Click(*w, "check_sum_curves");
    EXPECT_TRUE(graph->ShowSum());
    EXPECT_EQ(graph->SumCurve().db.size(), w->Manager().Curves().Grid(2).size());
    EXPECT_EQ(w->Manager().History().UndoSteps(), steps);
    EXPECT_EQ(w->Model().live.showOutChEqualizer, shown);

    // The pictures of the README, in each language, with the readout under the mouse.
    QDir().mkpath(QStringLiteral(SHOTS_DIR));
    const Plot p = graph->PlotArea();
    const QPoint hover(eqgraph::XOfFreq(p, 3000), eqgraph::YOfGain(p, 9));
    for (const char* language : {"en", "cn_zh", "ru"}) {
        ASSERT_TRUE(ui::Resources::Instance().SelectLanguage(QString::fromLatin1(language)));
        QApplication::processEvents();
        QTest::mouseMove(graph, hover);
        EXPECT_TRUE(graph->ReadoutShown()) << language;
        const QString file = QStringLiteral(SHOTS_DIR "/graph_%1.png").arg(language);
        EXPECT_TRUE(w->grab().save(file)) << file.toStdString();
    }
    // The axis speaks the language too.
    EXPECT_EQ(graph->FreqLabels().back().text, QStringLiteral("20\u043a"));
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("en"));
}

TEST_F(MainWndOperationsTest, AdvanceMenuOffersTheCustomEqAndHidesTheRest) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->FindControl<ui::Button>("btn_advance")->click();
    auto* menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->FindItem("advance_item_custom_eq")->isEnabled());
    for (const char* hidden :
         {"advance_item_autocal", "advance_item_poweroff_delay", "advance_item_cs_auto",
          "advance_item_ktv", "advance_item_compressor"}) {
        EXPECT_FALSE(menu->FindItem(hidden)->isVisible()) << hidden;
    }
    for (const char* shown :
         {"advance_item_mixer", "advance_item_noise_threshold", "advance_item_compressors_on"}) {
        EXPECT_TRUE(menu->FindItem(shown)->isVisible()) << shown;
        EXPECT_TRUE(menu->FindItem(shown)->isEnabled()) << shown;
    }
    menu->close();
    // The firmware update is open to the user.
    w->FindControl<ui::Button>("btn_option")->click();
    ui::Menu* option = nullptr;
    for (ui::Menu* m : w->findChildren<ui::Menu*>()) {
        option = m->FindItem("option_item_firmware_upgrade") ? m : option;
    }
    ASSERT_NE(option, nullptr);
    EXPECT_TRUE(option->FindItem("option_item_firmware_upgrade")->isEnabled());
    option->close();
}

TEST_F(MainWndOperationsTest, ServiceModeShowsTheHiddenToolItems) {
    auto w = Connected();
    ASSERT_TRUE(w);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile marker(dir.filePath("debug.ini"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    w->FindControl<ui::Button>("btn_advance")->click();
    QDir::setCurrent(previous);
    auto* menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    for (const char* item : {"advance_item_cs_auto", "advance_item_ktv", "advance_item_compressor",
                             "advance_item_compressors_on", "advance_item_autocal"}) {
        EXPECT_TRUE(menu->FindItem(item)->isVisible()) << item;
        EXPECT_TRUE(menu->FindItem(item)->isEnabled()) << item;
    }
    menu->close();
}

TEST_F(MainWndOperationsTest, BandOnBoxSwitchesTheBandOffAndOnAgain) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        d.scenes[0].outputs[0].eqBypass = 0;
        d.scenes[0].outputs[0].bands[4].gain = {22, 5};
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    ASSERT_TRUE(Selected(*w, "pt_enable_4"));
    Click(*w, "pt_enable_4");
    // Off: the amplifier plays the band flat, the row shows it flat, the gain is kept.
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).bands[4].gain[0] == 18; }));
    EXPECT_EQ(w->Model().live.bands[0][4].enable, 0);
    EXPECT_EQ(w->FindControl<ui::Slider>("eq_slider_4")->Value(), 0);
    Click(*w, "ch_enable_1");
    Click(*w, "ch_enable_0");
    EXPECT_FALSE(Selected(*w, "pt_enable_4"));
    Click(*w, "pt_enable_4");
    EXPECT_TRUE(DeviceSays([&](auto& d) {
        return Out(d, 0).bands[4].gain == std::array<uint8_t, 2>{22, 5};
    }));
    EXPECT_TRUE(Selected(*w, "pt_enable_4"));
    EXPECT_EQ(w->FindControl<ui::Slider>("eq_slider_4")->Value(), 45);
}

TEST_F(MainWndOperationsTest, BridgeCheckBoxBridgesLikeTheButton) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Type(*w, "edit_ch_volume_2", "-8");
    Click(*w, "bridge_checkbox_1");
    EXPECT_TRUE(
        DeviceSays([&](auto& d) { return d.scenes[0].bridge[1] == 1 && Out(d, 3).trim == 8; }));
    EXPECT_TRUE(WaitFor([&] { return !w->Manager().Outputs().JobRunning(); }));
    EXPECT_TRUE(Selected(*w, "bridge_checkbox_1"));
    EXPECT_TRUE(Selected(*w, "ch_bridge_1"));
    Click(*w, "bridge_checkbox_1");
    EXPECT_TRUE(DeviceSays([](auto& d) { return d.scenes[0].bridge[1] == 0; }));
    EXPECT_EQ(w->Model().live.bridgeOutputs[1], 0);
    EXPECT_FALSE(Selected(*w, "ch_bridge_1"));
}

TEST_F(MainWndOperationsTest, BypassButtonSaysWhatItDoesAndIsOffWhenThatIsNothing) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        d.scenes[0].outputs[0].eqBypass = 0;
        d.scenes[0].outputs[0].bands[2].gain = {21, 0};
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    auto* bypass = w->FindControl<ui::Button>("btn_bypass");
    EXPECT_EQ(bypass->RawText(), "${bypass_eq}");
    EXPECT_TRUE(bypass->isEnabled());
    MessageCatcher catcher;  // says yes to the reset
    Click(*w, "btn_reset_eq");
    EXPECT_EQ(catcher.Next(), "${reset_all_eq_tips}");
    EXPECT_EQ(bypass->RawText(), "${bypass_eq}");
    EXPECT_FALSE(bypass->isEnabled());
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).bands[2].gain[0] == 18; }));
}

TEST_F(MainWndOperationsTest, MenusMarkTheLanguageAndSayWhyAnItemIsOff) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->FindControl<ui::Button>("btn_option")->click();
    auto* menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->FindItem("option_item_language_en")->isChecked());
    EXPECT_FALSE(menu->FindItem("option_item_language_ru")->isChecked());
    EXPECT_FALSE(menu->FindItem("option_item_firmware_upgrade")->toolTip().isEmpty());
    EXPECT_NE(menu->FindItem("option_item_reset_default")->toolTip(),
              "Connect the amplifier first");
    menu->close();
    Click(*w, "btnConnect");  // disconnect
    w->FindControl<ui::Button>("btn_option")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->FindItem("option_item_reset_default")->toolTip(),
              "Connect the amplifier first");
    menu->close();
}

TEST_F(MainWndOperationsTest, UndoAndRedoTakeEditsBackOnTheScreenAndTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    QWidget* undo = w->FindWidget("btn_undo");
    QWidget* redo = w->FindWidget("btn_redo");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    Type(*w, "edit_ch_volume_0", "-15");
    Click(*w, "ch_mute_2");
    // A slider held down and moved is one step, ended by its release.
    auto* slider = w->FindControl<ui::Slider>("slider_ch_volume_1");
    for (int v = -50; v >= -300; v -= 50) {
        ui::Notification n;
        n.type = v > -300 ? ui::notify::kMoveValueChanged : ui::notify::kValueChanged;
        n.sender = "slider_ch_volume_1";
        n.control = slider;
        n.arg = v;
        n.userData = slider->UserData();
        w->Notify(n);
    }
    ASSERT_TRUE(DeviceSays([&](auto& d) { return Out(d, 1).trim == 30 && Out(d, 2).mute == 1; }));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    Click(*w, "btn_undo");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 1).trim == 0; }));
    EXPECT_EQ(Text(*w, "edit_ch_volume_1"), "0dB");
    EXPECT_TRUE(Selected(*w, "ch_mute_2"));
    Click(*w, "btn_undo");
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 2).mute == 0; }));
    EXPECT_FALSE(Selected(*w, "ch_mute_2"));
    EXPECT_TRUE(redo->isEnabled());

    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->setFocus();
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).trim == 0; }));
    EXPECT_EQ(Text(*w, "edit_ch_volume_0"), "0dB");
    EXPECT_FALSE(undo->isEnabled());
    QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(DeviceSays([&](auto& d) { return Out(d, 0).trim == 15 && Out(d, 2).mute == 1; }));
    EXPECT_TRUE(Selected(*w, "ch_mute_2"));
}
