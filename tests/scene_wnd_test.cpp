// The scene window with real widgets against the virtual amplifier: each mode's texts, the
// question, name editor and busy window as the user meets them, and the stored scenes, names
// and live set the amplifier ends with.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "link/reply_records.h"
#include "link/subcommands.h"
#include "model/equalizer_manager.h"
#include "model/scene_operations.h"
#include "sim/sim_transport.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/loading_wnd.h"
#include "windows/name_msg_wnd.h"
#include "windows/scene_controls.h"
#include "windows/scene_wnd.h"

namespace {

QString Text(const char* key) {
    return ui::Resources::Instance().FindText(QString::fromLatin1(key)).value_or(QString());
}

std::array<uint8_t, sim::kNameSize> NameField(const char* text) {
    std::array<uint8_t, sim::kNameSize> field{};
    std::memcpy(field.data(), text, std::min(std::strlen(text), field.size()));
    return field;
}

// Plays the user in whatever modal dialog is open: answers questions, types names, confirms
// messages, and notes every busy window it sees.
class Autopilot : public QObject {
  public:
    Autopilot() {
        QObject::connect(&mTimer, &QTimer::timeout, [this] { Tick(); });
        mTimer.start(5);
        // A busy window may come and go within one pass of the event loop.
        qApp->installEventFilter(this);
    }
    ~Autopilot() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* w = qobject_cast<ui::Window*>(watched);
            if (w && w->ClassName() == QLatin1String("LoadingWnd")) {
                ++busyWindows;
            }
        }
        return false;
    }

    int answer = 1;
    QString name;
    int nameResult = 1;
    bool closeSceneWindow = false;

    QStringList questions;
    QStringList messages;
    QStringList nameEditorStarts;
    int busyWindows = 0;
    QString sceneTitle;
    QString sceneConfirm;

  private:
    void Tick() {
        for (ui::Window* w : ui::Window::AllWindows()) {
            if (!w->isVisible()) {
                continue;
            }
            if (!w->IsModalRunning()) {
                continue;
            }
            if (w->WindowName() == QLatin1String("msgwnd")) {
                auto* text = w->FindControl<ui::Label>(QStringLiteral("MessageText"));
                auto* cancel = w->FindControl<ui::Button>(QStringLiteral("cancel_btn"));
                const QString shown = text ? text->text() : QString();
                if (cancel && !cancel->isHidden()) {
                    questions.append(shown);
                    Press(w, answer == 1 ? "confirm_btn" : "cancel_btn");
                } else {
                    messages.append(shown);
                    Press(w, "confirm_btn");
                }
            } else if (w->ClassName() == QLatin1String("NameMsgWnd")) {
                auto* edit = w->FindControl<ui::Edit>(QStringLiteral("name_edt"));
                nameEditorStarts.append(edit ? edit->text() : QString());
                if (edit) {
                    edit->setText(name);
                }
                Press(w, nameResult == 1 ? "confirm_btn" : "cancel_btn");
            } else if (w->WindowName() == QLatin1String("scenewnd") && closeSceneWindow) {
                auto* title =
                    w->FindControl<ui::Label>(QString::fromLatin1(scene_controls::kMessageTitle));
                auto* confirm =
                    w->FindControl<ui::Button>(QString::fromLatin1(scene_controls::kConfirmBtn));
                sceneTitle = title ? title->text() : QString();
                sceneConfirm = confirm ? confirm->text() : QString();
                Press(w, scene_controls::kCancelBtn);
            }
        }
    }
    static void Press(ui::Window* w, const char* name) {
        if (auto* button = w->FindControl<ui::Button>(QString::fromLatin1(name))) {
            button->click();
        } else {
            w->Close(-1);
        }
    }

    QTimer mTimer;
};

// Stored scenes: 3 "Club" with settings, 4 "Party", 6 "Old", 10 "Last"; 8 empty. The
// amplifier's current scene is 6.
void Seed(sim::DeviceState& d) {
    d.scenes[3].outputs[2].trim = 9;
    d.scenes[3].outputs[5].phase = 1;
    d.names[2] = NameField("Club");
    d.names[3] = NameField("Party");
    d.names[5] = NameField("Old");
    d.names[9] = NameField("Last");
    d.validMask = (1u << 2) | (1u << 3) | (1u << 5) | (1u << 9);
    d.scenes[0].outputs[0].trim = 2;
    d.currentScene = 6;
}

class SceneWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        owner->resize(900, 600);
        owner->show();
        pilotHolder = std::make_unique<Autopilot>();
        amp->Modify(Seed);
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
    }
    void TearDown() override {
        ui::Window::CloseAllPopups(0);
        pilotHolder.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }

    void Connect() { ASSERT_TRUE(window_test::ConnectManager(*manager)); }

    // Opens the window in a mode and waits for the amplifier's current scene to arrive.
    std::unique_ptr<CSceneWnd> Open(CSceneWnd::Mode mode, int expectedRow) {
        auto wnd = std::make_unique<CSceneWnd>(owner.get(), *manager, mode);
        EXPECT_TRUE(wnd->Create());
        EXPECT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->HighlightedRow() == expectedRow; }, 5000));
        return wnd;
    }

    // Presses confirm with a row selected and waits until the job and its busy window ended.
    void ConfirmRow(CSceneWnd& wnd, int row) {
        auto* list = wnd.FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
        ASSERT_NE(list, nullptr);
        list->SelectRow(row);
        wnd.FindControl<ui::Button>(QString::fromLatin1(scene_controls::kConfirmBtn))->click();
        Settle(wnd);
    }

    void Settle(CSceneWnd& wnd) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !manager->Scenes().JobRunning() && wnd.BusyWindow() == nullptr; }, 10000));
        manager->Scenes().WaitForJobs();
        QTest::qWait(30);
    }

    static QString Cell(CSceneWnd& wnd, int row) {
        auto* list = wnd.FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
        return list ? list->CellText(row, 1) : QString();
    }

    static QColor RowColor(CSceneWnd& wnd, int row) {
        auto* list = wnd.FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
        return list ? list->topLevelItem(row)->background(1).color() : QColor();
    }

    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<Autopilot> pilotHolder;
    Autopilot& pilot() { return *pilotHolder; }
};

TEST_F(SceneWndTest, OpensWithTheNamesAndTheAmplifiersCurrentScene) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Load, 5);
    auto* list = wnd->FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->RowCount(), 10);
    EXPECT_EQ(Cell(*wnd, 2), QStringLiteral("Club"));
    EXPECT_EQ(Cell(*wnd, 9), QStringLiteral("Last"));
    EXPECT_EQ(Cell(*wnd, 7), Text("scene_empty"));
    EXPECT_EQ(list->CellText(7, 0), QStringLiteral("8"));
    EXPECT_EQ(manager->Scenes().CurrentScene(), 6);
    EXPECT_EQ(RowColor(*wnd, 5), QColor::fromRgba(CSceneWnd::kCurrentRowColor));
    EXPECT_NE(RowColor(*wnd, 4), QColor::fromRgba(CSceneWnd::kCurrentRowColor));
    auto* header = wnd->FindWidget(QString::fromLatin1(scene_controls::kListHeader));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(wnd->ControlRect(header).height(), CSceneWnd::kHeaderHeight);
    EXPECT_TRUE(window_test::SaveShot(*wnd, "scene.png"));
}

TEST_F(SceneWndTest, ANameReportedWhileOpenIsShownAtOnce) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Load, 5);
    auto name = std::make_unique<dsplink::SceneNameRecord>();
    name->index = 2;
    const char text[] = "Dance";
    std::copy(std::begin(text), std::end(text), name->name.begin());
    manager->Sync().ReadSenceValueCallback(dsplink::FLASH_SCENE_NAME, 0, std::move(name));
    EXPECT_EQ(Cell(*wnd, 2), QStringLiteral("Dance"));
}

TEST_F(SceneWndTest, RunShowsEachModesTexts) {
    Connect();
    pilot().closeSceneWindow = true;
    EXPECT_EQ(CSceneWnd::Run(owner.get(), *manager, CSceneWnd::Mode::Save), 0);
    EXPECT_EQ(pilot().sceneTitle, Text("save_as_scene"));
    EXPECT_EQ(pilot().sceneConfirm, Text("save"));
    EXPECT_EQ(CSceneWnd::Run(owner.get(), *manager, CSceneWnd::Mode::Delete), 0);
    EXPECT_EQ(pilot().sceneTitle, Text("delete_scene"));
    EXPECT_EQ(pilot().sceneConfirm, Text("delete"));
    EXPECT_EQ(CSceneWnd::Run(owner.get(), *manager, CSceneWnd::Mode::Load), 0);
    EXPECT_EQ(pilot().sceneTitle, Text("load_scene"));
    EXPECT_EQ(pilot().sceneConfirm, Text("load"));
    EXPECT_TRUE(pilot().questions.isEmpty());
}

TEST_F(SceneWndTest, LoadAsksThenLoadsBehindTheBusyWindow) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Load, 5);
    ConfirmRow(*wnd, 2);

    ASSERT_EQ(pilot().questions.size(), 1);
    EXPECT_TRUE(pilot().questions[0].contains(QStringLiteral("3")));
    EXPECT_TRUE(pilot().questions[0].contains(QStringLiteral("Club")));
    EXPECT_EQ(pilot().busyWindows, 1);
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[0], d.scenes[3]);
    EXPECT_EQ(d.currentScene, 3);
    EXPECT_EQ(manager->State().live.channels[2].gain, -9.0f);
    EXPECT_EQ(wnd->HighlightedRow(), 2);
    EXPECT_EQ(RowColor(*wnd, 2), QColor::fromRgba(CSceneWnd::kCurrentRowColor));
    EXPECT_NE(RowColor(*wnd, 5), QColor::fromRgba(CSceneWnd::kCurrentRowColor));
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(SceneWndTest, LoadByDoubleClickAndRefusedLoad) {
    amp->Modify([](sim::DeviceState& d) { d.validMask |= 1u << 1; });  // scene 2: data, no name
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Load, 5);
    const sim::DeviceState before = amp->Snapshot();
    pilot().answer = 0;
    auto* list = wnd->FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
    ASSERT_NE(list, nullptr);
    const QPoint at = list->visualItemRect(list->topLevelItem(3)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    Settle(*wnd);
    ASSERT_EQ(pilot().questions.size(), 1);
    EXPECT_TRUE(pilot().questions[0].contains(QStringLiteral("Party")));
    EXPECT_EQ(pilot().busyWindows, 0);
    EXPECT_EQ(amp->Snapshot(), before);
    EXPECT_EQ(wnd->HighlightedRow(), 5);

    // An empty slot is not offered: no question, nothing loaded.
    pilot().answer = 1;
    const QPoint empty = list->visualItemRect(list->topLevelItem(7)).center();
    EXPECT_FALSE(list->topLevelItem(7)->flags() & Qt::ItemIsEnabled);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty);
    QTest::qWait(30);
    EXPECT_EQ(pilot().questions.size(), 1);
    EXPECT_FALSE(manager->Scenes().JobRunning());
    EXPECT_EQ(amp->Snapshot(), before);

    // A slot with settings but no name gets the other question, and yes loads it.
    const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    Settle(*wnd);
    ASSERT_EQ(pilot().questions.size(), 2);
    const QString expected = Text("load_scene_tips2").replace(QStringLiteral("%d"), "2");
    EXPECT_EQ(pilot().questions[1], expected);
    EXPECT_EQ(pilot().busyWindows, 1);
    EXPECT_EQ(wnd->HighlightedRow(), 1);
}

TEST_F(SceneWndTest, NoSelectionDoesNothing) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Delete, 5);
    const sim::DeviceState before = amp->Snapshot();
    wnd->FindControl<ui::Button>(QString::fromLatin1(scene_controls::kConfirmBtn))->click();
    QTest::qWait(50);
    EXPECT_FALSE(manager->Scenes().JobRunning());
    EXPECT_EQ(pilot().busyWindows, 0);
    EXPECT_EQ(amp->Snapshot(), before);
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(SceneWndTest, SaveIntoAnEmptySlotAsksOnlyForTheName) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Save, 5);
    pilot().name = QStringLiteral("Night club");  // the editor keeps 7 characters
    ConfirmRow(*wnd, 7);

    EXPECT_TRUE(pilot().questions.isEmpty());
    EXPECT_EQ(pilot().nameEditorStarts, QStringList{QString()});
    EXPECT_EQ(pilot().busyWindows, 1);
    EXPECT_EQ(pilot().messages, QStringList{Text("save_scene_ok")});
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.names[7], NameField("Night c"));
    EXPECT_EQ(d.scenes[8], d.scenes[0]);
    EXPECT_EQ(d.scenes[8].outputs[0].trim, 2);
    EXPECT_NE(d.validMask & (1u << 7), 0u);
    EXPECT_EQ(Cell(*wnd, 7), QStringLiteral("Night c"));
    EXPECT_EQ(wnd->HighlightedRow(), 7);
    EXPECT_EQ(manager->Scenes().CurrentScene(), 8);
}

TEST_F(SceneWndTest, OverwriteIsAskedAndCanBeRefused) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Save, 5);
    const sim::DeviceState before = amp->Snapshot();
    pilot().answer = 0;
    ConfirmRow(*wnd, 5);
    ASSERT_EQ(pilot().questions.size(), 1);
    EXPECT_EQ(pilot().questions[0], Text("save_scene_overwrite").replace("%d", "6"));
    EXPECT_TRUE(pilot().nameEditorStarts.isEmpty());
    EXPECT_EQ(amp->Snapshot(), before);

    // Yes, then the editor starts with the old name; cancelling it sends nothing either.
    pilot().answer = 1;
    pilot().nameResult = 0;
    ConfirmRow(*wnd, 5);
    EXPECT_EQ(pilot().nameEditorStarts, QStringList{QStringLiteral("Old")});
    EXPECT_EQ(pilot().busyWindows, 0);
    EXPECT_EQ(amp->Snapshot(), before);

    pilot().nameResult = 1;
    pilot().name = QStringLiteral("New");
    ConfirmRow(*wnd, 5);
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.names[5], NameField("New"));
    EXPECT_EQ(d.scenes[6], d.scenes[0]);
    EXPECT_EQ(Cell(*wnd, 5), QStringLiteral("New"));
}

TEST_F(SceneWndTest, DuplicateNameIsRefusedAndTheOldNameStays) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Save, 5);
    const sim::DeviceState before = amp->Snapshot();
    pilot().name = QStringLiteral("Party");
    ConfirmRow(*wnd, 5);

    ASSERT_EQ(pilot().messages.size(), 1);
    const QString expected = QString(Text("same_name_tips"))
                                 .replace(QStringLiteral("%s"), QStringLiteral("Party"))
                                 .replace(QStringLiteral("%d"), QStringLiteral("4"));
    EXPECT_EQ(pilot().messages[0], expected);
    EXPECT_EQ(pilot().busyWindows, 0);
    EXPECT_EQ(amp->Snapshot(), before);
    EXPECT_EQ(model::SceneName(manager->State().scenes, 5), "Old");
    EXPECT_EQ(Cell(*wnd, 5), QStringLiteral("Old"));
    EXPECT_EQ(manager->Scenes().SceneNameBuffer()[0], 0);
}

TEST_F(SceneWndTest, AnEmptyNameSkipsTheDuplicateTest) {
    Connect();
    // Scene 2 is unnamed, so an empty name would match it if it were compared.
    auto wnd = Open(CSceneWnd::Mode::Save, 5);
    pilot().name = QString();
    ConfirmRow(*wnd, 7);
    EXPECT_TRUE(pilot().messages.contains(Text("save_scene_ok")));
    EXPECT_EQ(pilot().messages.size(), 1);
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.names[7], NameField(""));
    EXPECT_NE(d.validMask & (1u << 7), 0u);
}

TEST_F(SceneWndTest, DeleteClearsTheRowAtOnceWithoutAQuestion) {
    Connect();
    auto wnd = Open(CSceneWnd::Mode::Delete, 5);
    auto* list = wnd->FindControl<ui::List>(QString::fromLatin1(scene_controls::kListView));
    ASSERT_NE(list, nullptr);
    list->SelectRow(9);
    wnd->FindControl<ui::Button>(QString::fromLatin1(scene_controls::kConfirmBtn))->click();
    // Before the amplifier acknowledges.
    EXPECT_EQ(Cell(*wnd, 9), QString());
    EXPECT_EQ(model::SceneName(manager->State().scenes, 9), "");
    Settle(*wnd);

    EXPECT_TRUE(pilot().questions.isEmpty());
    EXPECT_EQ(pilot().busyWindows, 1);
    const sim::DeviceState d = amp->Snapshot();
    std::array<uint8_t, sim::kNameSize> erased;
    erased.fill(0xFF);
    EXPECT_EQ(d.names[9], erased);
    EXPECT_EQ(d.validMask & (1u << 9), 0u);
    EXPECT_EQ(d.scenes[10], sim::DefaultScene());
    EXPECT_EQ(d.names[2], NameField("Club"));
}

TEST_F(SceneWndTest, WithoutADeviceNothingHangs) {
    // Not connected: the current scene never arrives and no highlight is made.
    manager->State().validSceneMask = 1 << 2;  // as an earlier connection left it
    auto wnd = Open(CSceneWnd::Mode::Load, -1);
    ConfirmRow(*wnd, 2);
    EXPECT_EQ(pilot().busyWindows, 1);
    EXPECT_FALSE(manager->Scenes().JobRunning());
    EXPECT_EQ(wnd->BusyWindow(), nullptr);

    auto saver = Open(CSceneWnd::Mode::Save, 2);
    pilot().name = QStringLiteral("Solo");
    ConfirmRow(*saver, 8);
    EXPECT_EQ(pilot().busyWindows, 2);
    EXPECT_EQ(saver->BusyWindow(), nullptr);
    // No acknowledgement: no success message.
    EXPECT_TRUE(pilot().messages.isEmpty());
}

}  // namespace
