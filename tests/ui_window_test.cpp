#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <thread>

#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"

namespace {

// Stands in for the program's own controls ("Curve" and friends).
class FakeCurve : public QWidget {};

class TestWindow : public ui::Window {
  public:
    using ui::Window::Window;
    void Notify(const ui::Notification& n) override {
        heard.push_back(n.type + "/" + n.sender);
        if (n.Is(ui::notify::kWindowInit)) {
            // Controls are there when the window hears it was built.
            foundAtInit = FindControl<ui::Slider>("slider_vol") != nullptr;
        }
        if (hook && hook(n)) {
            return;
        }
        ui::Window::Notify(n);
    }
    QWidget* CreateCustomControl(const QString& tag, const ui::LayoutNode& node) override {
        if (tag == "Curve") {
            customTags.append(tag + "@" + QString::number(node.line));
            return new FakeCurve();
        }
        return nullptr;
    }
    QStringList heard;
    QStringList customTags;
    bool foundAtInit = false;
    std::function<bool(const ui::Notification&)> hook;  // true: handled, not passed on
};

class UiWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ui_test::EnsureApp();
        ui::Resources::Instance().Reset();
        ASSERT_TRUE(ui::Resources::Instance().LoadFromDirectory(ui_test::LayoutsDir()));
        ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("en"));
    }
    void TearDown() override { ui::Resources::Instance().Reset(); }
};

TEST_F(UiWindow, BuildsEveryNamedControl) {
    TestWindow window;
    QString error;
    ASSERT_TRUE(window.Create("XML_TEST", &error)) << error.toStdString();
    EXPECT_EQ(window.heard.count("windowinit/testwnd"), 1);
    EXPECT_TRUE(window.foundAtInit);
    EXPECT_EQ(window.ClassName(), "TestWnd");
    EXPECT_EQ(window.WindowName(), "testwnd");
    EXPECT_EQ(window.windowTitle(), "Test window");
    EXPECT_EQ(window.size(), QSize(400, 300));

    EXPECT_NE(window.FindControl<ui::Label>("title"), nullptr);
    EXPECT_NE(window.FindControl<ui::Button>("btn_ok"), nullptr);
    EXPECT_NE(window.FindControl<ui::SButton>("sb_a"), nullptr);
    EXPECT_NE(window.FindControl<ui::Button>("sb_b"), nullptr);  // an SButton is a Button
    EXPECT_NE(window.FindControl<ui::Option>("opt_1"), nullptr);
    EXPECT_NE(window.FindControl<ui::Edit>("edit_vol"), nullptr);
    EXPECT_NE(window.FindControl<ui::Combo>("combo_type"), nullptr);
    EXPECT_NE(window.FindControl<ui::List>("listview"), nullptr);
    EXPECT_NE(window.FindControl<ui::ProgressBar>("progress"), nullptr);
    EXPECT_NE(window.FindControl<ui::Image>("logo"), nullptr);
    EXPECT_NE(window.FindControl<ui::Group>("box"), nullptr);
    EXPECT_NE(window.FindControl<ui::Label>("inner_label"), nullptr);
    EXPECT_NE(window.FindControl<ui::Label>("part_label"), nullptr);
    for (int i = 0; i < 12; ++i) {
        auto* box = window.FindControl<ui::CheckBox>(QString("ch_mute_%1").arg(i));
        ASSERT_NE(box, nullptr) << i;
        EXPECT_EQ(box->UserData(), QString::number(i));
        EXPECT_EQ(box->text(), QString("CH%1").arg(i + 1));
        EXPECT_EQ(box->geometry(), QRect(10 + 30 * i, 60, 28, 20));
    }
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            auto* cell = window.FindControl<ui::Slider>(QString("box_volume_%1_%2").arg(r).arg(c));
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->geometry().topLeft(), QPoint(10 + 20 * c, 250 + 10 * r));
            EXPECT_EQ(cell->UserDataInt(), c);
            EXPECT_TRUE(cell->isHidden());
        }
    }
    // Missing, or of another kind: null, never a crash.
    EXPECT_EQ(window.FindControl<ui::Button>("no_such_control"), nullptr);
    EXPECT_EQ(window.FindControl<ui::Slider>("btn_ok"), nullptr);
    EXPECT_EQ(window.FindControl<ui::SButton>("btn_ok"), nullptr);
    EXPECT_EQ(window.FindControl<ui::Button>(""), nullptr);
    EXPECT_EQ(window.FindControl<ui::Button>("ch_mute_12"), nullptr);
}

TEST_F(UiWindow, AttributesReachTheControls) {
    TestWindow window;
    ASSERT_TRUE(window.Create("XML_TEST"));
    auto* slider = window.FindControl<ui::Slider>("slider_vol");
    EXPECT_EQ(slider->Value(), 50);
    EXPECT_EQ(slider->Max(), 100);
    EXPECT_EQ(window.FindControl<ui::Edit>("edit_vol")->maxLength(), 7);
    auto* combo = window.FindControl<ui::Combo>("combo_type");
    EXPECT_EQ(combo->ItemCount(), 2);
    EXPECT_EQ(combo->CurSel(), 1);
    EXPECT_EQ(combo->ItemText(1), "Type B");
    EXPECT_EQ(combo->ItemUserData(1), "20");
    auto* list = window.FindControl<ui::List>("listview");
    EXPECT_EQ(list->RowCount(), 10);
    EXPECT_EQ(list->CellText(9, 1), "10");
    EXPECT_EQ(list->CellText(0, 0), "Unassigned");
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(window.FindControl<ui::ProgressBar>("progress")->Value(), 30);
    EXPECT_EQ(window.FindControl<ui::Image>("logo")->Pixmap().size(), QSize(4, 4));
    auto* title = window.FindControl<ui::Label>("title");
    EXPECT_EQ(title->toolTip(), "A tip");
    EXPECT_EQ(title->font().pixelSize(), 16);
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->property("class").toString(), "title");
    EXPECT_TRUE(window.FindControl<ui::SButton>("sb_a")->IsSelected());
    EXPECT_EQ(window.FindControl<ui::Option>("opt_1")->text(), "Mode 2");
    auto* part = window.FindControl<ui::Label>("part_label");
    EXPECT_EQ(part->parentWidget(), window.FindWidget("box"));
    EXPECT_EQ(part->geometry(), QRect(10, 50, 100, 20));
}

TEST_F(UiWindow, CustomTagsComeFromTheWindowsFactory) {
    TestWindow window;
    ASSERT_TRUE(window.Create("XML_TEST"));
    EXPECT_EQ(window.customTags, QStringList({"Curve@36"}));
    QWidget* curve = window.FindWidget("equalizer");
    ASSERT_NE(curve, nullptr);
    EXPECT_NE(dynamic_cast<FakeCurve*>(curve), nullptr);
    EXPECT_EQ(curve->geometry(), QRect(10, 275, 100, 20));
    EXPECT_EQ(curve->property("uiUserData").toString(), "eq");
    EXPECT_EQ(curve->toolTip(), "A tip");
    EXPECT_EQ(window.FindControl<ui::Label>("equalizer"), nullptr);
}

TEST_F(UiWindow, BadLayoutsLeaveAnEmptyWindowAndSayWhere) {
    struct Case {
        const char* layout;
        const char* expected;
    };
    for (const Case& c :
         {Case{"XML_UNKNOWN_TAG", "xml/unknown_tag.xml:5: unknown element <Curvy>"},
          Case{"XML_BROKEN", "xml/broken.xml:5: "},
          Case{"XML_MISSING", "layout XML_MISSING: xml/missing.xml"},
          Case{"xml/part.xml", "xml/part.xml:2: a window layout's root must be"},
          Case{"xml/huge.xml", "xml/huge.xml:2: <Window> size 5000,100 is above"}}) {
        TestWindow window;
        QString error;
        EXPECT_FALSE(window.Create(c.layout, &error));
        EXPECT_TRUE(error.startsWith(c.expected)) << error.toStdString();
        EXPECT_EQ(window.LayoutError(), error);
        EXPECT_EQ(window.FindControl<ui::Label>("a"), nullptr);  // nothing half-built
        EXPECT_EQ(window.heard.count("windowinit/" + window.WindowName()), 1);
    }
    TestWindow twice;
    ASSERT_TRUE(twice.Create("XML_POPUP"));
    EXPECT_FALSE(twice.LoadLayoutInto(&twice, "XML_BROKEN"));
    EXPECT_NE(twice.FindWidget("confirm_btn"), nullptr);  // a failed sub-layout changes nothing
    EXPECT_FALSE(twice.Create("XML_POPUP"));

    // Without any skin the program still gets its windows, empty.
    ui::Resources::Instance().Reset();
    TestWindow bare;
    EXPECT_FALSE(bare.Create("XML_MAIN"));
    EXPECT_TRUE(bare.IsCreated());
    EXPECT_EQ(bare.heard, QStringList({"windowinit/"}));
    EXPECT_EQ(bare.FindControl<ui::Button>("btnConnect"), nullptr);
    bare.show();
}

TEST_F(UiWindow, LanguageSwitchResolvesEveryVisibleTextAgain) {
    TestWindow window;
    ASSERT_TRUE(window.Create("XML_TEST"));
    window.show();
    auto* title = window.FindControl<ui::Label>("title");
    auto* ok = window.FindControl<ui::Button>("btn_ok");
    auto* combo = window.FindControl<ui::Combo>("combo_type");
    auto* list = window.FindControl<ui::List>("listview");
    auto* group = window.FindControl<ui::Group>("box");
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("de"));
    EXPECT_EQ(window.windowTitle(), "Testfenster");
    EXPECT_EQ(title->text(), "Titel");
    EXPECT_EQ(title->toolTip(), "Ein Hinweis");
    EXPECT_EQ(title->RawText(), "${title}");
    EXPECT_EQ(ok->text(), "Ja");
    EXPECT_EQ(combo->ItemText(0), "Typ A");
    EXPECT_EQ(list->CellText(0, 0), "Leer");
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(group->title(), "Gruppe");
    EXPECT_EQ(window.FindControl<ui::Option>("opt_0")->text(), "Modus 1");
    EXPECT_EQ(window.FindWidget("equalizer")->toolTip(), "Ein Hinweis");
    // Texts set from code follow as well.
    title->SetText("${only_en} / ${nowhere}");
    EXPECT_EQ(title->text(), "English only / nowhere");
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("en"));
    EXPECT_EQ(window.windowTitle(), "Test window");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(combo->ItemText(0), "Type A");

    // Texts set with Qt's own setters are the code's; a language change leaves them alone.
    ok->setText("Apply");
    window.setWindowTitle("Custom");
    auto* edit = window.FindControl<ui::Edit>("edit_vol");
    edit->setText("-3");
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage("de"));
    EXPECT_EQ(ok->text(), "Apply");
    EXPECT_EQ(window.windowTitle(), "Custom");
    EXPECT_EQ(edit->text(), "-3");
    EXPECT_EQ(title->text(), "English only / nowhere");
}

TEST_F(UiWindow, DoubleDpiDoublesEverything) {
    TestWindow window;
    ASSERT_TRUE(window.Create("XML_TEST"));
    window.show();
    window.heard.clear();
    auto* box = window.FindControl<ui::CheckBox>("ch_mute_5");
    auto* title = window.FindControl<ui::Label>("title");
    auto* part = window.FindControl<ui::Label>("part_label");
    const QRect before = box->geometry();
    ui::Resources::Instance().SetUiScaleDpi(192);
    EXPECT_EQ(window.Dpi(), 192);
    EXPECT_EQ(window.size(), QSize(800, 600));
    EXPECT_EQ(box->geometry(),
              QRect(before.x() * 2, before.y() * 2, before.width() * 2, before.height() * 2));
    EXPECT_EQ(part->geometry(), QRect(20, 100, 200, 40));
    EXPECT_EQ(title->font().pixelSize(), 32);
    EXPECT_EQ(window.Scale(13), 26);
    EXPECT_TRUE(window.heard.contains("windowsize/testwnd"));

    // A window made at that scale starts there; code positions in layout units follow too.
    TestWindow late;
    ASSERT_TRUE(late.Create("XML_POPUP"));
    EXPECT_EQ(late.size(), QSize(480, 240));
    late.SetControlRect(late.FindWidget("confirm_btn"), QRect(1, 2, 3, 4));
    EXPECT_EQ(late.FindWidget("confirm_btn")->geometry(), QRect(2, 4, 6, 8));
    ui::Resources::Instance().SetUiScaleDpi(96);
    EXPECT_EQ(window.size(), QSize(400, 300));
    EXPECT_EQ(box->geometry(), before);
    EXPECT_EQ(title->font().pixelSize(), 16);
    EXPECT_EQ(late.FindWidget("confirm_btn")->geometry(), QRect(1, 2, 3, 4));
    EXPECT_EQ(late.ControlRect(late.FindWidget("confirm_btn")), QRect(1, 2, 3, 4));
}

TEST_F(UiWindow, SubLayoutsReplaceTheContainersContent) {
    TestWindow window;
    ASSERT_TRUE(window.Create("XML_TEST"));
    QWidget* box = window.FindWidget("box");
    ASSERT_TRUE(window.LoadLayoutInto(box, "xml/sub_a.xml"));
    EXPECT_EQ(window.FindControl<ui::Label>("inner_label"), nullptr);
    auto* a2 = window.FindControl<ui::Button>("sub_a_2");
    ASSERT_NE(a2, nullptr);
    EXPECT_EQ(a2->parentWidget(), box);
    EXPECT_EQ(a2->geometry(), QRect(80, 0, 40, 20));
    EXPECT_EQ(a2->text(), "A3");
    ASSERT_TRUE(window.LoadLayoutInto(box, "xml/sub_b.xml"));
    EXPECT_EQ(window.FindControl<ui::Button>("sub_a_2"), nullptr);
    EXPECT_NE(window.FindControl<ui::Edit>("sub_b_edit"), nullptr);
    QString error;
    EXPECT_FALSE(window.LoadLayoutInto(box, "XML_POPUP", &error));
    EXPECT_TRUE(error.contains("root must be <Layout>"));
    QWidget stranger;
    EXPECT_FALSE(window.LoadLayoutInto(&stranger, "xml/sub_a.xml", &error));
    EXPECT_NE(window.FindControl<ui::Edit>("sub_b_edit"), nullptr);
}

// ---- messages and timers ----

std::atomic<int> gLiveRecords{0};

struct CountedRecord : dsplink::ReplyRecord {
    explicit CountedRecord(int v) : value(v) { ++gLiveRecords; }
    ~CountedRecord() override { --gLiveRecords; }
    int value;
};

class MessageWindow : public ui::Window {
  public:
    struct Got {
        uint32_t message;
        uint32_t wParam;
        int32_t value;
        int record;
        bool onUiThread;
    };
    void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                   std::unique_ptr<dsplink::ReplyRecord> record) override {
        auto* counted = dynamic_cast<CountedRecord*>(record.get());
        got.push_back({message, wParam, value, counted ? counted->value : -1,
                       QThread::currentThread() == qApp->thread()});
    }
    void OnTimer(int id) override { ticks.push_back(id); }
    std::vector<Got> got;
    std::vector<int> ticks;
};

TEST_F(UiWindow, MessagesPostedFromAnotherThreadArriveInOrderOnTheUiThread) {
    MessageWindow window;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            window.PostMessage(1234, i, -i, i % 2 ? std::make_unique<CountedRecord>(i) : nullptr);
        }
    });
    worker.join();
    EXPECT_TRUE(window.got.empty());  // nothing runs on the worker
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.got.size() == 50; }));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(window.got[i].message, 1234u);
        EXPECT_EQ(window.got[i].wParam, static_cast<uint32_t>(i));
        EXPECT_EQ(window.got[i].value, -i);
        EXPECT_EQ(window.got[i].record, i % 2 ? i : -1);
        EXPECT_TRUE(window.got[i].onUiThread);
    }
    EXPECT_EQ(gLiveRecords.load(), 0);  // freed after their handler
}

TEST_F(UiWindow, RecordsAreFreedWhenTheWindowGoesFirst) {
    auto window = std::make_unique<MessageWindow>();
    std::shared_ptr<ui::WindowMailbox> mailbox = window->Mailbox();
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            mailbox->Post(1235, 0, 0, std::make_unique<CountedRecord>(i));
        }
    });
    worker.join();
    EXPECT_EQ(gLiveRecords.load(), 20);
    window.reset();
    EXPECT_EQ(gLiveRecords.load(), 0);
    mailbox->Post(1235, 0, 0, std::make_unique<CountedRecord>(99));  // too late: dropped
    EXPECT_EQ(gLiveRecords.load(), 0);
    QCoreApplication::processEvents();
}

TEST_F(UiWindow, TimersFireByIdUntilKilled) {
    MessageWindow window;
    window.SetTimer(4114, 5);
    window.SetTimer(7698, 5);
    EXPECT_TRUE(window.HasTimer(4114));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::count(window.ticks.begin(), window.ticks.end(), 4114) >= 3 &&
               std::count(window.ticks.begin(), window.ticks.end(), 7698) >= 3;
    }));
    window.KillTimer(4114);
    EXPECT_FALSE(window.HasTimer(4114));
    window.ticks.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ticks.size() >= 5; }));
    EXPECT_EQ(std::count(window.ticks.begin(), window.ticks.end(), 4114), 0);
    window.SetTimer(7698, 100000);  // restarted with the new period
    window.ticks.clear();
    QTest::qWait(30);
    EXPECT_TRUE(window.ticks.empty());
    window.KillTimer(12345);  // unknown ids are ignored
}

// ---- popups ----

// Through the window system, where modality applies (a click sent to the widget itself would
// bypass it).
void ClickThroughWindow(QWidget* control) {
    QWindow* handle = control->window()->windowHandle();
    ASSERT_NE(handle, nullptr);
    const QPoint at = control->mapTo(control->window(), control->rect().center());
    QTest::mouseClick(handle, Qt::LeftButton, {}, at);
}

void ClickLater(ui::Window* popup, const char* name) {
    QTimer::singleShot(0, popup, [popup, name] {
        QWidget* button = popup->FindWidget(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

TEST_F(UiWindow, ShowModalReturnsThePressedButton) {
    TestWindow owner;
    ASSERT_TRUE(owner.Create("XML_TEST"));
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    ClickThroughWindow(owner.FindWidget("btn_ok"));
    ASSERT_TRUE(owner.heard.contains("click/btn_ok"));  // the click itself works
    struct Case {
        const char* button;
        int result;
    };
    for (const Case& c : {Case{"confirm_btn", 1}, Case{"cancel_btn", 0}, Case{"third_btn", 2},
                          Case{"closebtn", 0}}) {
        TestWindow popup(&owner);
        ASSERT_TRUE(popup.Create("XML_POPUP"));
        EXPECT_TRUE(popup.IsPopup());
        bool blocked = false;
        QTimer::singleShot(0, &popup, [&] {
            EXPECT_TRUE(popup.IsModalRunning());
            EXPECT_EQ(QApplication::activeModalWidget(), &popup);
            // The owner is blocked: its controls hear nothing.
            owner.heard.clear();
            ClickThroughWindow(owner.FindWidget("btn_ok"));
            blocked = !owner.heard.contains("click/btn_ok");
        });
        ClickLater(&popup, c.button);
        EXPECT_EQ(popup.ShowModal(), c.result) << c.button;
        EXPECT_TRUE(blocked);
        EXPECT_FALSE(popup.isVisible());
        EXPECT_FALSE(popup.IsModalRunning());
        EXPECT_EQ(popup.Result(), c.result);
    }
}

TEST_F(UiWindow, SubclassesCanKeepTheStandardButtonsForThemselves) {
    TestWindow owner;
    ASSERT_TRUE(owner.Create("XML_TEST"));
    owner.show();
    TestWindow popup(&owner);
    ASSERT_TRUE(popup.Create("XML_POPUP"));
    int confirms = 0;
    popup.hook = [&](const ui::Notification& n) {
        if (n.Is("click", "confirm_btn")) {
            if (++confirms == 2) {
                popup.Close(7);
            }
            return true;
        }
        return false;
    };
    ClickLater(&popup, "confirm_btn");
    ClickLater(&popup, "confirm_btn");
    EXPECT_EQ(popup.ShowModal(), 7);
    EXPECT_EQ(confirms, 2);
}

TEST_F(UiWindow, ModalPopupsCentreOnTheirOwnerAndTheWindowManagerCloseGivesZero) {
    TestWindow owner;
    ASSERT_TRUE(owner.Create("XML_TEST"));
    owner.move(100, 100);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    TestWindow popup(&owner);
    ASSERT_TRUE(popup.Create("XML_POPUP"));
    QPoint centre;
    QTimer::singleShot(0, &popup, [&] {
        centre = popup.frameGeometry().center();
        popup.close();  // as the window manager would
    });
    EXPECT_EQ(popup.ShowModal(), 0);
    EXPECT_LE((centre - owner.frameGeometry().center()).manhattanLength(), 1);
}

TEST_F(UiWindow, FindingAndClosingPopups) {
    TestWindow owner;
    ASSERT_TRUE(owner.Create("XML_TEST"));
    owner.show();
    auto* first = new TestWindow(&owner);
    ASSERT_TRUE(first->Create("XML_POPUP"));
    auto* second = new TestWindow(&owner);
    second->SetClassName("LoadingWnd");
    ASSERT_TRUE(second->Create("XML_POPUP"));
    EXPECT_EQ(second->ClassName(), "LoadingWnd");  // code wins over the layout
    EXPECT_EQ(ui::Window::FindWindows("MsgWnd"), QList<ui::Window*>({first}));
    EXPECT_TRUE(ui::Window::AllWindows().contains(&owner));
    first->Show();
    EXPECT_TRUE(first->isVisible());

    int nestedResult = -1;
    QTimer::singleShot(0, &owner, [&] { EXPECT_EQ(ui::Window::CloseAllPopups(0), 2); });
    nestedResult = second->ShowModal();
    EXPECT_EQ(nestedResult, 0);
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(owner.isVisible());  // not a popup
    EXPECT_EQ(ui::Window::CloseAllPopups(0), 0);
    delete first;
    EXPECT_TRUE(ui::Window::FindWindows("MsgWnd").isEmpty());
}

TEST_F(UiWindow, OwnerDestroyedDuringAModalLoop) {
    auto* owner = new TestWindow();
    ASSERT_TRUE(owner->Create("XML_TEST"));
    owner->show();
    QPointer<TestWindow> popup = new TestWindow(owner);
    ASSERT_TRUE(popup->Create("XML_POPUP"));
    QTimer::singleShot(0, qApp, [owner] { delete owner; });
    EXPECT_EQ(popup->ShowModal(), 0);
    EXPECT_TRUE(popup.isNull());
}

TEST_F(UiWindow, DeleteOnCloseModelessPopups) {
    TestWindow owner;
    ASSERT_TRUE(owner.Create("XML_TEST"));
    owner.show();
    QPointer<TestWindow> popup = new TestWindow(&owner);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    ASSERT_TRUE(popup->Create("XML_POPUP"));
    popup->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup.data()));
    QTest::mouseClick(popup->FindWidget("third_btn"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup.isNull(); }));
}

}  // namespace
