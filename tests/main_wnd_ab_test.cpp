// The A/B comparison in the main window: the top bar's button switches the amplifier between
// the slots and names the live one, the strips of differing outputs are marked, the graph
// traces the stored slot, and the option menu's items copy and keep the slots in a file.

#include <QAbstractButton>
#include <QFile>
#include <QTest>

#include "controls/ui_equalizer.h"
#include "main_wnd_fixture.h"

namespace {

class MainWndAbTest : public MainWndFixture {
  protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        mConfig.chooseAbFile = [this](bool) { return mChosen; };
    }
    std::unique_ptr<CMainWnd> Connected() {
        auto window = MakeWindow();
        EXPECT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
        EXPECT_TRUE(window->IsConnected());
        return window;
    }
    int Trim(int output) const {
        return mAmplifier->Snapshot().scenes[0].outputs[static_cast<size_t>(output)].trim;
    }
    bool TrimIs(int output, int trim) {
        return WaitFor([&] { return Trim(output) == trim; });
    }
    // The strips that carry the mark.
    static std::vector<int> Marked(CMainWnd& w) {
        std::vector<int> marked;
        for (int o = 0; o < 12; ++o) {
            if (w.FindWidget(QStringLiteral("strip_%1").arg(o))->property("abDiffers").toBool()) {
                marked.push_back(o);
            }
        }
        return marked;
    }
    static ui::SButton* Button(CMainWnd& w) { return w.FindControl<ui::SButton>("btn_ab"); }
    static bool Traced(CMainWnd& w) {
        auto* graph = dynamic_cast<UIEqualizer*>(w.FindWidget("equalizer"));
        return graph && graph->HasTrace(UIEqualizer::Trace::OtherSlot);
    }

    QTemporaryDir mFiles;
    QString mChosen;
};

// Whether any pixel of the widget as drawn is the mark's orange.
bool DrawsTheMark(QWidget* w) {
    QApplication::processEvents();
    const QImage image = w->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 230 && c.green() > 120 && c.green() < 160 && c.blue() < 90) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

TEST_F(MainWndAbTest, TheButtonSwitchesTheAmplifierAndTheStripsAndGraphShowWhatDiffers) {
    auto w = Connected();
    ASSERT_TRUE(w);
    ui::SButton* button = Button(*w);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->RawText(), "A");
    EXPECT_TRUE(Marked(*w).empty());
    EXPECT_FALSE(Traced(*w));

    Click(*w, "ch_enable_3");
    Type(*w, "edit_ch_volume_3", "-12");
    ASSERT_TRUE(TrimIs(3, 12));
    EXPECT_EQ(Marked(*w), (std::vector<int>{3}));
    EXPECT_TRUE(DrawsTheMark(w->FindWidget("strip_3")));
    EXPECT_FALSE(DrawsTheMark(w->FindWidget("strip_2")));
    EXPECT_TRUE(Traced(*w));

    Click(*w, "btn_ab");
    EXPECT_TRUE(TrimIs(3, 0));
    EXPECT_EQ(button->RawText(), "B");
    EXPECT_EQ(button->RawToolTip(), "${ab_hint_b}");
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(w->FindControl<ui::Edit>("edit_ch_volume_3")->Text(), "0dB");
    EXPECT_EQ(Marked(*w), (std::vector<int>{3}));

    // The trace follows the current output: none where the slots agree.
    Click(*w, "ch_enable_0");
    EXPECT_FALSE(Traced(*w));
    Click(*w, "ch_enable_3");
    EXPECT_TRUE(Traced(*w));

    // One undo takes the switch back.
    Click(*w, "btn_undo");
    EXPECT_TRUE(TrimIs(3, 12));
    EXPECT_EQ(button->RawText(), "A");
    EXPECT_FALSE(button->IsSelected());
}

TEST_F(MainWndAbTest, TheMenuCopiesTheSlotsAndKeepsThemInAFileABadOneChangesNothing) {
    auto w = Connected();
    ASSERT_TRUE(w);
    Type(*w, "edit_ch_volume_5", "-20");
    ASSERT_TRUE(TrimIs(5, 20));
    mChosen = mFiles.filePath("car.ab.json");
    {
        MessageCatcher catcher;
        ChooseItem(*w, "option_item_ab_save");
        EXPECT_EQ(catcher.Next(), "${profile_save_ok}");
    }
    ASSERT_TRUE(QFile::exists(mChosen));

    // A copy into B agrees the slots; the switch after it changes nothing audible.
    ChooseItem(*w, "option_item_ab_copy_a_to_b");
    EXPECT_TRUE(Marked(*w).empty());
    Click(*w, "btn_ab");
    EXPECT_EQ(Button(*w)->RawText(), "B");
    Type(*w, "edit_ch_volume_5", "-3");
    ASSERT_TRUE(TrimIs(5, 3));

    // The file brings both slots back, A live, as saved.
    ChooseItem(*w, "option_item_ab_load");
    EXPECT_TRUE(TrimIs(5, 20));
    EXPECT_EQ(Button(*w)->RawText(), "A");
    EXPECT_EQ(Marked(*w), (std::vector<int>{5}));
    ChooseItem(*w, "option_item_ab_copy_b_to_a");
    EXPECT_TRUE(TrimIs(5, 0));
    EXPECT_TRUE(Marked(*w).empty());

    // A damaged file is refused with a message; the slots and the amplifier stay.
    QFile damaged(mFiles.filePath("bad.ab.json"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    QFile good(mChosen);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    damaged.write(good.readAll().left(300));
    damaged.close();
    mChosen = damaged.fileName();
    Type(*w, "edit_ch_volume_5", "-7");
    ASSERT_TRUE(TrimIs(5, 7));
    const sim::DeviceState before = mAmplifier->Snapshot();
    const model::ProfileRecord live = w->Model().live;
    {
        MessageCatcher catcher;
        ChooseItem(*w, "option_item_ab_load");
        EXPECT_EQ(catcher.Next(), "${profile_load_error}");
    }
    EXPECT_TRUE(w->Manager().Link().QueueIdle());
    EXPECT_TRUE(mAmplifier->Snapshot() == before);
    EXPECT_TRUE(w->Model().live == live);
    EXPECT_EQ(Button(*w)->RawText(), "A");
    EXPECT_EQ(Marked(*w), (std::vector<int>{5}));
}
