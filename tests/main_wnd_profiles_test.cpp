// The scene menu's file items end to end: a profile saved from the main window and loaded back
// returns the amplifier to the saved state; a bad file changes nothing anywhere.

#include <QAbstractButton>
#include <QFile>
#include <QTest>

#include "controls/ui_equalizer.h"
#include "link/clock.h"
#include "main_wnd_fixture.h"
#include "profiles/profile_writer.h"
#include "ui/menu.h"

namespace {

class MainWndProfilesTest : public MainWndFixture {
  protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        // Virtual time: the scene reads' settle waits pass at once.
        mConfig.clock = &mClock;
        mConfig.chooseFile = [this](bool, bool) { return mChosen; };
    }
    std::unique_ptr<CMainWnd> Connected() {
        auto window = MakeWindow();
        EXPECT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
        EXPECT_TRUE(window->IsConnected());
        return window;
    }
    bool Idle(CMainWnd& w) {
        return WaitFor(
            [&] { return !w.Manager().Scenes().JobRunning() && w.Manager().Link().QueueIdle(); });
    }
    int Trim(int output) const {
        return mAmplifier->Snapshot().scenes[0].outputs[static_cast<size_t>(output)].trim;
    }
    QString Path(const char* name) const { return mFiles.filePath(name); }

    dsplink::ManualClock mClock;
    QTemporaryDir mFiles;
    QString mChosen;
};

}  // namespace

TEST_F(MainWndProfilesTest, SceneProfileSavedAndLoadedBackRestoresTheAmplifier) {
    mAmplifier->Modify([](sim::DeviceState& d) { d.scenes[0].outputs[3].trim = 11; });
    auto w = Connected();
    ASSERT_TRUE(w);
    mChosen = Path("car.spf");
    {
        MessageCatcher catcher;
        ChooseItem(*w, "scene_item_save_file");
        EXPECT_EQ(catcher.Next(), "${profile_save_ok}");
    }
    ASSERT_TRUE(QFile::exists(mChosen));

    w->Manager().Outputs().SetChVolume(3, -250, true);
    ASSERT_TRUE(WaitFor([&] { return Trim(3) == 25; }));

    ChooseItem(*w, "scene_item_load_file");
    EXPECT_TRUE(Idle(*w));
    EXPECT_TRUE(WaitFor([&] { return Trim(3) == 11; }));
    EXPECT_FLOAT_EQ(w->Model().live.channels[3].gain, -11.0f);
    // The view is redrawn on the UI thread once the job has sent everything.
    EXPECT_TRUE(WaitFor(
        [&] { return ui::AsControl(w->FindWidget("edit_ch_volume_3"))->Text() == "-11dB"; }));
}

TEST_F(MainWndProfilesTest, ABadFileChangesNeitherTheModelNorTheAmplifier) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->Manager().Outputs().SetChVolume(2, -70, true);
    ASSERT_TRUE(WaitFor([&] { return Trim(2) == 7; }));
    mChosen = Path("broken.spf");
    QFile file(mChosen);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"model":78,"mainVolume":)");  // cut short
    file.close();
    const sim::DeviceState before = mAmplifier->Snapshot();
    {
        MessageCatcher catcher;
        ChooseItem(*w, "scene_item_load_file");
        EXPECT_EQ(catcher.Next(), "${profile_open_error}");
    }
    EXPECT_FLOAT_EQ(w->Model().live.channels[2].gain, -7.0f);
    QTest::qWait(50);
    EXPECT_EQ(mAmplifier->Snapshot().scenes[0], before.scenes[0]);
}

TEST_F(MainWndProfilesTest, WholeProfileReadsTheStoredScenesIntoTheFile) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        d.scenes[4].outputs[0].trim = 33;  // stored scene 4
        d.validMask |= 1u << 3;
    });
    auto w = Connected();
    ASSERT_TRUE(w);
    mChosen = Path("whole.wpf");
    {
        MessageCatcher catcher;
        ChooseItem(*w, "scene_item_save_whole");
        EXPECT_EQ(catcher.Next(), "${profile_save_ok}");
    }
    EXPECT_FLOAT_EQ(w->Model().scenes.records[3].channels[0].gain, -33.0f);
    QFile file(mChosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\"gain\":-33"));
}

TEST_F(MainWndProfilesTest, SceneItemsNeedTheAmplifierButFileItemsDoNot) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->FindControl<ui::Button>("btn_scene")->click();
    auto* menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->FindItem("scene_item_load_scene")->isEnabled());
    menu->close();
    w->FindControl<ui::SButton>("btnConnect")->click();  // disconnect
    ASSERT_FALSE(w->IsConnected());
    w->FindControl<ui::Button>("btn_scene")->click();
    // The window keeps one menu; the old one is gone once its deletion is processed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    menu = w->findChild<ui::Menu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->FindItem("scene_item_load_scene")->isEnabled());
    EXPECT_FALSE(menu->FindItem("scene_item_delete_scene")->isEnabled());
    EXPECT_TRUE(menu->FindItem("scene_item_load_file")->isEnabled());
    EXPECT_TRUE(menu->FindItem("scene_item_save_whole")->isEnabled());
    menu->close();
}

TEST_F(MainWndProfilesTest, ALoadReachesTheFocusedFieldAndNoStaleTextGoesBack) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // A whole profile saved at -12 dB with a name that fills all 16 bytes of its field.
    model::ProfileRecord live = w->Model().live;
    live.mainVolume = -12;
    live.channels[2].gain = -9.0f;
    model::SceneTable scenes = w->Model().scenes;
    model::SetSceneName(scenes, 0, "Front stage 2024");
    mChosen = Path("saved.wpf");
    QFile file(mChosen);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(profiles::WriteWholeProfile(live, scenes)));
    file.close();

    auto* main = w->FindControl<ui::Edit>("edit_main_volume");
    auto* gain = w->FindControl<ui::Edit>("edit_ch_volume_2");
    gain->setFocus();
    gain->setText("-30");
    QTest::keyClick(gain, Qt::Key_Return);
    main->setFocus();
    main->setText("-25");
    QTest::keyClick(main, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return mAmplifier->Snapshot().mainVolume == 6 + 25; }));

    ChooseItem(*w, "scene_item_load_whole");
    EXPECT_TRUE(Idle(*w));
    QApplication::processEvents();
    // The field still has the focus; leaving it sends nothing old back.
    EXPECT_TRUE(main->hasFocus() || QApplication::focusWidget() == nullptr);
    gain->setFocus();
    w->FindControl<ui::Edit>("edit_acc")->setFocus();
    QTest::qWait(50);
    EXPECT_TRUE(Idle(*w));
    EXPECT_EQ(main->text(), "-12dB");
    EXPECT_EQ(gain->text(), "-9dB");
    EXPECT_EQ(w->Model().live.mainVolume, -12);
    EXPECT_FLOAT_EQ(w->Model().live.channels[2].gain, -9.0f);
    const sim::DeviceState d = mAmplifier->Snapshot();
    EXPECT_EQ(d.mainVolume, 6 + 12);
    EXPECT_EQ(d.scenes[0].outputs[2].trim, 9);
    // All 16 name bytes reach the record and the amplifier.
    EXPECT_EQ(model::SceneName(w->Model().scenes, 0), "Front stage 2024");
    EXPECT_EQ(std::string(d.names[0].begin(), d.names[0].end()), "Front stage 2024");
}

TEST_F(MainWndProfilesTest, TheOutputBeingEditedStaysCurrentThroughAWholeSave) {
    auto w = Connected();
    ASSERT_TRUE(w);
    w->FindControl<ui::SButton>("ch_enable_3")->click();
    mChosen = Path("whole.wpf");
    MessageCatcher catcher;
    ChooseItem(*w, "scene_item_save_whole");
    EXPECT_EQ(catcher.Next(), "${profile_save_ok}");
    EXPECT_EQ(w->Model().live.currOutChannel, 3);
    EXPECT_EQ(ui::AsControl(w->FindWidget("label_channel_name"))->Text(), "CH4");
}

TEST_F(MainWndProfilesTest, AFilterListGoesOntoTheMenusOutputAsOneUndoStep) {
    auto w = Connected();
    ASSERT_TRUE(w);
    const QString list = Path("room.txt");
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Preamp: -2 dB\nFilter 1: ON PK Fc 90 Hz Gain -6 dB Q 3\n");
    }
    mConfig.chooseFilterFile = [&](bool) { return list; };
    w.reset();
    w = Connected();
    const int trim = Trim(4);
    const auto band = [&] { return mAmplifier->Snapshot().scenes[0].outputs[4].bands[0]; };
    // The preview: the imported curve is drawn while the question is open; cancel changes
    // nothing, apply does.
    auto* graph = dynamic_cast<UIEqualizer*>(w->FindWidget("equalizer"));
    ASSERT_NE(graph, nullptr);
    int answer = 0;
    bool previewShown = false;
    QTimer answerer;
    answerer.setInterval(10);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (ui::Window* box : ui::Window::FindWindows("MsgWnd")) {
            if (box->IsModalRunning()) {
                previewShown = graph->HasTrace(UIEqualizer::Trace::Preview);
                box->Close(answer);
            }
        }
    });
    answerer.start();
    qobject_cast<QAbstractButton*>(w->FindWidget("ch_output_btn_4"))->click();
    ChooseItem(*w, "filters_item_import");
    EXPECT_TRUE(previewShown);
    EXPECT_FALSE(graph->HasTrace(UIEqualizer::Trace::Preview));
    QTest::qWait(50);
    EXPECT_EQ(band().gain[0], 18);
    answer = 1;
    ChooseItem(*w, "filters_item_import");
    answerer.stop();
    EXPECT_TRUE(WaitFor([&] { return band().freq == 90 && band().gain[0] == 12; }));
    EXPECT_TRUE(WaitFor([&] { return Trim(4) == trim + 2; }));
    EXPECT_FLOAT_EQ(w->Model().live.bands[4][0].eqGain, -6.0f);

    w->Manager().Undo();
    EXPECT_TRUE(WaitFor([&] { return band().gain[0] == 18 && Trim(4) == trim; }));

    // A list the bands cannot play is shown line by line and changes nothing.
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Filter 1: ON HS Fc 9000 Hz Gain 3 dB\n");
    }
    MessageCatcher catcher;
    ChooseItem(*w, "filters_item_import");
    EXPECT_EQ(catcher.Next(), "${filters_refused}\nline 1: HS (shelf)");
    EXPECT_TRUE(w->Model().live.bands[4][0].eqGain == 0.0f);
}
