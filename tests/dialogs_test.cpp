// The dialogs built from the repository's skin with real widgets: every control the code uses
// is in its layout, each button gives its result, and the texts come out as the user sees them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "shell/identity.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/msg_check_box_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"

namespace {

// Fails the test, naming the control, when the window lacks it or it is of another kind.
template <class T>
T* Expect(const ui::Window& window, const char* name) {
    T* control = window.FindControl<T>(QString::fromLatin1(name));
    if (!control) {
        ADD_FAILURE() << window.WindowName().toStdString() << " has no control \"" << name
                      << "\" of the expected kind";
    }
    return control;
}

template <class T>
T* OpenDialog(const char* className) {
    const QList<ui::Window*> open = ui::Window::FindWindows(QString::fromLatin1(className));
    for (ui::Window* window : open) {
        if (window->IsModalRunning()) {
            return dynamic_cast<T*>(window);
        }
    }
    return nullptr;
}

// Runs `show` (which opens a modal dialog) while `act` drives the open dialog. A dialog that
// `act` fails to close is closed with -99 after a while, so a fault fails instead of hanging.
int Drive(const std::function<int()>& show, const std::function<void()>& act) {
    QTimer::singleShot(0, act);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        for (ui::Window* window : ui::Window::AllWindows()) {
            if (window->IsModalRunning()) {
                window->Close(-99);
            }
        }
    });
    guard.start(10000);
    return show();
}

void Click(ui::Window* window, const char* name) {
    auto* button = window ? window->FindControl<ui::Button>(QString::fromLatin1(name)) : nullptr;
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

// A click as the window hears it, whatever state the button is in.
void NotifyClick(ui::Window* window, const char* name) {
    ui::Notification n;
    n.type = QString::fromLatin1(ui::notify::kClick);
    n.sender = QString::fromLatin1(name);
    n.control = window->FindWidget(n.sender);
    window->Notify(n);
}

bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 5000);
}

QString Text(const char* key) {
    return ui::Resources::Instance().FindText(QString::fromLatin1(key)).value_or(QString());
}

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        owner->resize(900, 600);
        owner->show();
    }
    void TearDown() override {
        ui::Window::CloseAllPopups(0);
        owner.reset();
        ui::Resources::Instance().Reset();
    }

    std::unique_ptr<QWidget> owner;
};

// ---- layouts ----

// Each dialog builds from the repository's skin with its identity, and every control its code
// looks up is there, of the kind the code expects.
TEST_F(Dialogs, EveryLayoutHasTheControlsItsCodeUses) {
    QString name;
    CMsgWnd msg(owner.get());
    CMsgCheckBoxWnd choice(owner.get());
    CNameMsgWnd editor(owner.get(), name);
    CLoadingWnd loading(owner.get());
    CAboutWnd about(owner.get(), AboutInfo{});
    const struct {
        CDialogWnd* wnd;
        const char* layout;
        const char* className;
        const char* windowName;
    } dialogs[] = {
        {&msg, CMsgWnd::kLayout, "MsgWnd", "msgwnd"},
        {&choice, CMsgCheckBoxWnd::kLayout, "MsgCheckBoxWnd", "msgcbwnd"},
        {&editor, CNameMsgWnd::kLayout, "NameMsgWnd", "namemsgwnd"},
        {&loading, CLoadingWnd::kLayout, "LoadingWnd", "loadingwnd"},
        {&about, CAboutWnd::kLayout, "AboutWnd", "msgwnd"},
    };
    for (const auto& d : dialogs) {
        QString error;
        EXPECT_TRUE(d.wnd->Create(QString::fromLatin1(d.layout), &error))
            << d.layout << ": " << error.toStdString();
        EXPECT_TRUE(d.wnd->MissingControls().isEmpty())
            << d.layout << " lacks " << d.wnd->MissingControls().join(',').toStdString();
        EXPECT_EQ(d.wnd->ClassName(), d.className);
        EXPECT_EQ(d.wnd->WindowName(), d.windowName);
        if (d.wnd != &loading) {
            Expect<ui::Button>(*d.wnd, "closebtn");
            Expect<ui::Button>(*d.wnd, "confirm_btn");
        }
    }
    for (CDialogWnd* wnd : {static_cast<CDialogWnd*>(&msg), static_cast<CDialogWnd*>(&choice),
                            static_cast<CDialogWnd*>(&editor)}) {
        Expect<ui::Label>(*wnd, "MessageTitle");
        Expect<ui::Label>(*wnd, "MessageText");
        Expect<ui::Button>(*wnd, "cancel_btn");
    }
    Expect<ui::Button>(msg, "third_btn");
    EXPECT_EQ(msg.windowTitle(), Text("tips"));
    Expect<ui::Option>(choice, "check_box_0");
    Expect<ui::Option>(choice, "check_box_1");
    EXPECT_EQ(choice.Choice(), 0);
    auto* edit = Expect<ui::Edit>(editor, "name_edt");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->maxLength(), CNameMsgWnd::kMaxNameChars);
    Expect<ui::Label>(loading, "MessageText");
    ASSERT_NE(loading.Indicator(), nullptr);
    EXPECT_EQ(loading.Indicator()->Color(), QColor(0xf6, 0xce, 0x1d));
}

// ---- message box ----

TEST_F(Dialogs, MessageBoxResultIsTheButtonPressed) {
    const QStringList three = {"${confirm}", "${cancel}", "${exit}"};
    const std::pair<const char*, int> cases[] = {
        {"confirm_btn", 1}, {"cancel_btn", 0}, {"third_btn", 2}, {"closebtn", 0}};
    for (const auto& [button, expected] : cases) {
        const int result = Drive(
            [&] { return CMsgWnd::MessageBox(owner.get(), "${tips}", "${device_plugout}", three); },
            // An init-capture: clang before 16 cannot capture a structured binding.
            [&, &button = button] { Click(OpenDialog<CMsgWnd>("MsgWnd"), button); });
        EXPECT_EQ(result, expected) << button;
    }
}

TEST_F(Dialogs, MessageBoxKeyboardAndWindowManagerClose) {
    const auto show = [&] {
        return CMsgWnd::MessageBox(owner.get(), "${tips}", "${device_plugout}",
                                   {"${confirm}", "x"});
    };
    EXPECT_EQ(Drive(show, [] { QTest::keyClick(OpenDialog<CMsgWnd>("MsgWnd"), Qt::Key_Return); }),
              1);
    EXPECT_EQ(Drive(show, [] { QTest::keyClick(OpenDialog<CMsgWnd>("MsgWnd"), Qt::Key_Escape); }),
              0);
    EXPECT_EQ(Drive(show, [] { OpenDialog<CMsgWnd>("MsgWnd")->close(); }), 0);
    // The shutdown path: every open message box ends with 0.
    EXPECT_EQ(Drive(show, [] { EXPECT_EQ(ui::Window::CloseAllPopups(0), 1); }), 0);
}

TEST_F(Dialogs, MessageBoxButtonCountShowsAndHidesButtons) {
    CMsgWnd wnd(owner.get());
    ASSERT_TRUE(wnd.Create());
    auto* confirm = Expect<ui::Button>(wnd, "confirm_btn");
    auto* cancel = Expect<ui::Button>(wnd, "cancel_btn");
    auto* third = Expect<ui::Button>(wnd, "third_btn");
    ASSERT_TRUE(confirm && cancel && third);
    const int right = wnd.ControlRect(confirm).x();

    wnd.SetButtons({"${confirm}"});
    EXPECT_FALSE(confirm->isHidden());
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_TRUE(third->isHidden());
    EXPECT_EQ(confirm->text(), Text("confirm"));
    EXPECT_EQ(wnd.ControlRect(confirm).x(), right) << "a lone button sits at the right";

    wnd.SetButtons({"${load}", "${exit}"});
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_TRUE(third->isHidden());
    EXPECT_EQ(confirm->text(), Text("load"));
    EXPECT_EQ(cancel->text(), Text("exit"));
    EXPECT_LT(wnd.ControlRect(cancel).right(), wnd.ControlRect(confirm).x());

    wnd.SetButtons({"${save}", "${cancel}", "${delete}"});
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_FALSE(third->isHidden());
    EXPECT_EQ(third->text(), Text("delete"));
    EXPECT_LT(wnd.ControlRect(third).right(), wnd.ControlRect(cancel).x());
    EXPECT_EQ(wnd.ControlRect(confirm).x(), right);

    // Back to one: the others hide again.
    wnd.SetButtons({"${confirm}"});
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_TRUE(third->isHidden());
}

TEST_F(Dialogs, MessageBoxEmptyTextKeepsTheLayoutText) {
    CMsgWnd wnd(owner.get());
    ASSERT_TRUE(wnd.Create());
    auto* title = Expect<ui::Label>(wnd, "MessageTitle");
    auto* text = Expect<ui::Label>(wnd, "MessageText");
    ASSERT_TRUE(title && text);
    const QString layoutTitle = title->RawText();
    EXPECT_EQ(layoutTitle, "${tips}");

    wnd.SetMessage(QString(), QString());
    EXPECT_EQ(title->RawText(), layoutTitle);

    wnd.SetMessage("${about}", "${device_plugout}");
    EXPECT_EQ(title->text(), Text("about"));
    EXPECT_EQ(wnd.windowTitle(), Text("about"));
    EXPECT_EQ(text->text(), Text("device_plugout"));

    wnd.SetMessage(QString(), QString());
    EXPECT_EQ(title->text(), Text("about"));
    EXPECT_EQ(text->text(), Text("device_plugout"));
}

TEST_F(Dialogs, QuestionUsesTheLayoutsTwoButtons) {
    QString seenTitle, seenText, seenConfirm, seenCancel;
    bool thirdHidden = false;
    const int result =
        Drive([&] { return CMsgWnd::Question(owner.get(), "${tips}", "${lock_output_tips}"); },
              [&] {
                  auto* wnd = OpenDialog<CMsgWnd>("MsgWnd");
                  ASSERT_NE(wnd, nullptr);
                  seenTitle = wnd->FindControl<ui::Label>("MessageTitle")->text();
                  seenText = wnd->FindControl<ui::Label>("MessageText")->text();
                  seenConfirm = wnd->FindControl<ui::Button>("confirm_btn")->text();
                  seenCancel = wnd->FindControl<ui::Button>("cancel_btn")->text();
                  thirdHidden = wnd->FindControl<ui::Button>("third_btn")->isHidden();
                  EXPECT_TRUE(wnd->FindControl<ui::Button>("cancel_btn")->isVisible());
                  Click(wnd, "confirm_btn");
              });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seenTitle, Text("tips"));
    EXPECT_EQ(seenText, Text("lock_output_tips"));
    EXPECT_EQ(seenConfirm, Text("confirm"));
    EXPECT_EQ(seenCancel, Text("cancel"));
    EXPECT_TRUE(thirdHidden);

    EXPECT_EQ(
        Drive([&] { return CMsgWnd::Question(owner.get(), "${tips}", "${lock_output_tips}"); },
              [] { Click(OpenDialog<CMsgWnd>("MsgWnd"), "cancel_btn"); }),
        0);
}

TEST_F(Dialogs, DialogsComeUpEmptyWithoutASkin) {
    ui::Resources::Instance().Reset();
    CMsgWnd wnd(owner.get());
    EXPECT_FALSE(wnd.Create());
    EXPECT_TRUE(wnd.MissingControls().contains("MessageText"));
    wnd.SetMessage("${tips}", "text");  // no controls: nothing to fill, nothing to crash
    wnd.SetButtons({"a", "b", "c"});
    // Found by its class even so, as the main window looks for it.
    EXPECT_EQ(Drive([] { return CMsgWnd::MessageBox(nullptr, "${tips}", "x"); },
                    [] { OpenDialog<CMsgWnd>("MsgWnd")->Close(1); }),
              1);
    QString name = "keep";
    EXPECT_EQ(Drive([&] { return CNameMsgWnd::EditName(owner.get(), name); },
                    [] { ui::Window::CloseAllPopups(0); }),
              0);
    EXPECT_EQ(name, "keep");
}

// ---- two-choice box ----

TEST_F(Dialogs, CheckBoxIgnoresConfirmUntilAnOptionIsChosen) {
    for (const auto& [option, expected] :
         {std::pair<const char*, int>{"check_box_0", 1}, {"check_box_1", 2}}) {
        bool stayedOpen = false;
        const int result = Drive(
            [&] {
                return CMsgCheckBoxWnd::Choose(owner.get(), "${tips}", "${link_tips}",
                                               "${copy_left_to_right}", "${copy_right_to_left}");
            },
            [&, option = option] {
                auto* wnd = OpenDialog<CMsgCheckBoxWnd>("MsgCheckBoxWnd");
                ASSERT_NE(wnd, nullptr);
                Click(wnd, "confirm_btn");
                NotifyClick(wnd, "confirm_btn");  // even if the button were enabled
                QTest::keyClick(wnd, Qt::Key_Return);
                stayedOpen = wnd->isVisible() && wnd->IsModalRunning();
                QTest::mouseClick(wnd->FindControl<ui::Option>(option), Qt::LeftButton);
                Click(wnd, "confirm_btn");
            });
        EXPECT_TRUE(stayedOpen) << option;
        EXPECT_EQ(result, expected) << option;
    }
}

TEST_F(Dialogs, CheckBoxCancelAndCloseGiveZero) {
    for (const char* button : {"cancel_btn", "closebtn"}) {
        const int result = Drive(
            [&] {
                return CMsgCheckBoxWnd::Choose(owner.get(), "${tips}", "${link_tips}",
                                               "${copy_left_to_right}", "${copy_right_to_left}");
            },
            [&] {
                auto* wnd = OpenDialog<CMsgCheckBoxWnd>("MsgCheckBoxWnd");
                ASSERT_NE(wnd, nullptr);
                QTest::mouseClick(wnd->FindControl<ui::Option>("check_box_1"), Qt::LeftButton);
                Click(wnd, button);
            });
        EXPECT_EQ(result, 0) << button;
    }
}

TEST_F(Dialogs, CheckBoxLabelsOptionsOnlyWithBothTexts) {
    CMsgCheckBoxWnd wnd(owner.get());
    ASSERT_TRUE(wnd.Create());
    auto* first = Expect<ui::Option>(wnd, "check_box_0");
    auto* second = Expect<ui::Option>(wnd, "check_box_1");
    ASSERT_TRUE(first && second);
    const QString layoutFirst = first->RawText();
    const QString layoutSecond = second->RawText();

    wnd.SetChoices("${left}", QString());
    EXPECT_EQ(first->RawText(), layoutFirst);
    EXPECT_EQ(second->RawText(), layoutSecond);

    wnd.SetChoices("${left}", "${right}");
    EXPECT_EQ(first->text(), Text("left"));
    EXPECT_EQ(second->text(), Text("right"));

    // Choosing one option clears the other: the answer is always one of the two.
    first->SetSelected(true, ui::NotifyMode::Notify);
    EXPECT_EQ(wnd.Choice(), 1);
    EXPECT_TRUE(wnd.FindControl<ui::Button>("confirm_btn")->isEnabled());
    second->SetSelected(true, ui::NotifyMode::Notify);
    EXPECT_FALSE(first->IsSelected());
    EXPECT_EQ(wnd.Choice(), 2);
}

// ---- name editor ----

TEST_F(Dialogs, NameEditorConfirmCopiesAtMostSevenCharacters) {
    QString name = "Old";
    QString shownAtOpen;
    bool focusedAtOpen = false;
    const int result = Drive([&] { return CNameMsgWnd::EditName(owner.get(), name); },
                             [&] {
                                 auto* wnd = OpenDialog<CNameMsgWnd>("NameMsgWnd");
                                 ASSERT_NE(wnd, nullptr);
                                 auto* edit = wnd->FindControl<ui::Edit>("name_edt");
                                 shownAtOpen = edit->text();
                                 focusedAtOpen = WaitFor([edit] { return edit->hasFocus(); });
                                 // The old name is selected, so typing replaces it.
                                 QTest::keyClicks(edit, "Highway drive");
                                 EXPECT_EQ(name, "Old") << "written before confirmation";
                                 Click(wnd, "confirm_btn");
                             });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(shownAtOpen, "Old");
    EXPECT_TRUE(focusedAtOpen);
    EXPECT_EQ(name, "Highway");
}

TEST_F(Dialogs, NameEditorEnterConfirms) {
    QString name = "Bass";
    const int result = Drive(
        [&] { return CNameMsgWnd::EditName(owner.get(), name); },
        [&] {
            auto* edit = OpenDialog<CNameMsgWnd>("NameMsgWnd")->FindControl<ui::Edit>("name_edt");
            edit->setCursorPosition(int(edit->text().size()));
            QTest::keyClicks(edit, "Boost");
            QTest::keyClick(edit, Qt::Key_Return);
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(name, "BassBoo");
}

TEST_F(Dialogs, NameEditorCancelCloseAndEscapeLeaveTheNameAlone) {
    const std::pair<const char*, int> cases[] = {
        {"cancel_btn", 0}, {"closebtn", 0}, {"escape", 0}, {"third_btn", 2}};
    for (const auto& [how, expected] : cases) {
        QString name = "Stage";
        const int result = Drive([&] { return CNameMsgWnd::EditName(owner.get(), name); },
                                 [&, how = how] {
                                     auto* wnd = OpenDialog<CNameMsgWnd>("NameMsgWnd");
                                     ASSERT_NE(wnd, nullptr);
                                     auto* edit = wnd->FindControl<ui::Edit>("name_edt");
                                     edit->selectAll();
                                     QTest::keyClicks(edit, "Other");
                                     if (QLatin1String(how) == "escape") {
                                         QTest::keyClick(edit, Qt::Key_Escape);
                                     } else if (QLatin1String(how) == "third_btn") {
                                         NotifyClick(wnd, how);  // not in this layout
                                     } else {
                                         Click(wnd, how);
                                     }
                                 });
        EXPECT_EQ(result, expected) << how;
        EXPECT_EQ(name, "Stage") << how;
    }
}

TEST_F(Dialogs, NameEditorKeyPressesGoToTheField) {
    QString name = "Car";
    const int result = Drive([&] { return CNameMsgWnd::EditName(owner.get(), name); },
                             [&] {
                                 auto* wnd = OpenDialog<CNameMsgWnd>("NameMsgWnd");
                                 ASSERT_NE(wnd, nullptr);
                                 auto* edit = wnd->FindControl<ui::Edit>("name_edt");
                                 auto* cancel = wnd->FindControl<ui::Button>("cancel_btn");
                                 WaitFor([edit] { return edit->hasFocus(); });
                                 edit->setCursorPosition(int(edit->text().size()));
                                 cancel->setFocus(Qt::TabFocusReason);
                                 EXPECT_TRUE(WaitFor([cancel] { return cancel->hasFocus(); }));
                                 // A letter typed on the button lands in the name.
                                 QTest::keyClick(cancel, Qt::Key_2, Qt::NoModifier);
                                 EXPECT_TRUE(edit->hasFocus());
                                 EXPECT_EQ(edit->text(), "Car2");
                                 QTest::keyClick(cancel, Qt::Key_Return);
                             });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(name, "Car2");
}

TEST_F(Dialogs, NameEditorClampsNamesToSevenUnits) {
    EXPECT_EQ(CNameMsgWnd::ClampName("1234567"), "1234567");
    EXPECT_EQ(CNameMsgWnd::ClampName("12345678"), "1234567");
    EXPECT_EQ(CNameMsgWnd::ClampName(QString()), QString());
    // A character outside the BMP takes two units and is never cut in half.
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
    EXPECT_EQ(CNameMsgWnd::ClampName("123456" + clef), "123456");
    EXPECT_EQ(CNameMsgWnd::ClampName("12345" + clef + "x"), "12345" + clef);

    // A longer name than the store holds is shown cut, and a key-like name is not resolved.
    QString name = "${tips}XYZ";
    CNameMsgWnd wnd(owner.get(), name);
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(wnd.FindControl<ui::Edit>("name_edt")->text(), "${tips}");
}

// ---- busy window ----

TEST_F(Dialogs, LoadingClosesWithTheOwnersResult) {
    CLoadingWnd wnd(owner.get());
    ASSERT_TRUE(wnd.Create());
    wnd.SetMessage("${update_factory}");
    EXPECT_EQ(wnd.FindControl<ui::Label>("MessageText")->text(), Text("update_factory"));
    wnd.SetMessage(QString());
    EXPECT_EQ(wnd.FindControl<ui::Label>("MessageText")->text(), Text("update_factory"));

    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); }, [&] { wnd.Close(1); }), 1);
    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); }, [&] { wnd.Close(0); }), 0);
    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); }, [&] { NotifyClick(&wnd, "confirm_btn"); }), 1);
    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); }, [&] { NotifyClick(&wnd, "cancel_btn"); }), 0);
    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); }, [&] { NotifyClick(&wnd, "closebtn"); }), 0);
    // The user cannot wave the busy window away while the job runs.
    bool stayedOpen = false;
    EXPECT_EQ(Drive([&] { return wnd.ShowModal(); },
                    [&] {
                        QTest::keyClick(&wnd, Qt::Key_Escape);
                        stayedOpen = wnd.IsModalRunning();
                        wnd.Close(1);
                    }),
              1);
    EXPECT_TRUE(stayedOpen);
}

TEST_F(Dialogs, LoadingAnimatesOnlyWhileShown) {
    CLoadingWnd wnd(owner.get());
    ASSERT_TRUE(wnd.Create());
    CBusyIndicatorUI* indicator = wnd.Indicator();
    ASSERT_NE(indicator, nullptr);
    EXPECT_FALSE(wnd.HasTimer(CLoadingWnd::kAnimationTimer));
    bool moved = false;
    bool ticking = false;
    Drive([&] { return wnd.ShowModal(); },
          [&] {
              ticking = wnd.HasTimer(CLoadingWnd::kAnimationTimer);
              const int start = indicator->Phase();
              moved = WaitFor([&] { return indicator->Phase() != start; });
              wnd.Close(1);
          });
    EXPECT_TRUE(ticking);
    EXPECT_TRUE(moved);
    EXPECT_FALSE(wnd.HasTimer(CLoadingWnd::kAnimationTimer));

    // The phase wraps round the ring.
    const int before = indicator->Phase();
    for (int i = 0; i < CBusyIndicatorUI::kSpokes; ++i) {
        indicator->Advance();
    }
    EXPECT_EQ(indicator->Phase(), before);
}

// ---- About ----

TEST_F(Dialogs, AboutBeforeAnyConnectionShowsTheModelOnly) {
    CAboutWnd wnd(owner.get(), AboutInfo{});
    ASSERT_TRUE(wnd.Create());
    auto* firmware = Expect<ui::Label>(wnd, "fw_version");
    auto* software = Expect<ui::Label>(wnd, "soft_version");
    auto* builtIn = Expect<ui::Label>(wnd, "inner_fw_version");
    auto* company = Expect<ui::Label>(wnd, "company_title");
    ASSERT_TRUE(firmware && software && builtIn && company);
    EXPECT_EQ(firmware->text(), "ORN14.60DSP ");
    EXPECT_EQ(software->text(), Text("soft_version") + " v6.8.7");
    EXPECT_EQ(builtIn->text(), Text("inner_fw_version") + " v16.24");
    EXPECT_FALSE(builtIn->isHidden());
    EXPECT_TRUE(company->isHidden());
    EXPECT_EQ(company->text(), "ORN14.60 DSP Audio");
}

TEST_F(Dialogs, AboutWhenConnectedShowsTheAmplifiersFirmware) {
    CAboutWnd wnd(owner.get(), AboutInfo{shell::kModelId, 16, 5});
    ASSERT_TRUE(wnd.Create());
    auto* firmware = Expect<ui::Label>(wnd, "fw_version");
    ASSERT_NE(firmware, nullptr);
    EXPECT_EQ(firmware->text(), "ORN14.60DSP " + Text("version") + " v16.5");
    EXPECT_EQ(firmware->text(), "ORN14.60DSP Firmware v16.5");
    EXPECT_FALSE(firmware->isHidden());

    // The texts follow a language switch.
    ASSERT_TRUE(ui::Resources::Instance().SelectLanguage(QStringLiteral("ru")));
    EXPECT_EQ(firmware->text(), "ORN14.60DSP " + Text("version") + " v16.5");
    EXPECT_NE(Text("version"), "Firmware");
    EXPECT_EQ(wnd.FindControl<ui::Label>("soft_version")->text(), Text("soft_version") + " v6.8.7");
}

TEST_F(Dialogs, AboutButtonsAndWebLinks) {
    const std::pair<const char*, int> cases[] = {
        {"confirm_btn", 1}, {"closebtn", 0}, {"cancel_btn", 0}, {"third_btn", 2}};
    for (const auto& [button, expected] : cases) {
        const int result = Drive([&] { return CAboutWnd::Run(owner.get(), AboutInfo{}); },
                                 [&, button = button] {
                                     auto* wnd = OpenDialog<CAboutWnd>("AboutWnd");
                                     ASSERT_NE(wnd, nullptr);
                                     if (wnd->FindControl<ui::Button>(button)) {
                                         Click(wnd, button);
                                     } else {
                                         NotifyClick(wnd, button);
                                     }
                                 });
        EXPECT_EQ(result, expected) << button;
    }

    CAboutWnd wnd(owner.get(), AboutInfo{});
    ASSERT_TRUE(wnd.Create());
    QStringList opened;
    wnd.SetUrlOpener([&](const QString& address) {
        opened.append(address);
        return true;
    });
    auto* link = new ui::Button(&wnd);
    link->setObjectName("web_btn_home");
    link->SetText("https://example.org/amp");
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{"https://example.org/amp"});
}

// ---- how they look ----

// Renders every dialog at 100 % and 200 % (and the other languages at 100 %) into the build
// folder for a person to look at, and checks what a machine can: the size doubles, and the
// theme reached the window (caption bar and main button colours).
TEST_F(Dialogs, RenderedAtBothScales) {
    const QString dir = QStringLiteral(SHOTS_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    struct Shot {
        const char* name;
        std::function<ui::Window*()> make;
        const char* primary;  // a button drawn in the accent colour, or nullptr
    };
    QString nameBuffer = "Sound 1";
    const std::vector<Shot> shots = {
        {"msg",
         [&] {
             auto* w = new CMsgWnd(owner.get());
             w->Create();
             w->SetMessage("${tips}", "${factory_default_tips}");
             w->SetButtons({"${confirm}", "${cancel}", "${default}"});
             return w;
         },
         "confirm_btn"},
        {"msg_one_button",
         [&] {
             auto* w = new CMsgWnd(owner.get());
             w->Create();
             w->SetMessage("${tips}", "${dsp_fw_new_tips}");
             w->SetButtons({"${confirm}"});
             return w;
         },
         "confirm_btn"},
        {"msg_checkbox",
         [&] {
             auto* w = new CMsgCheckBoxWnd(owner.get());
             w->Create();
             w->FindControl<ui::Option>("check_box_0")->SetSelected(true, ui::NotifyMode::Notify);
             return w;
         },
         "confirm_btn"},
        {"msg_name",
         [&] {
             auto* w = new CNameMsgWnd(owner.get(), nameBuffer);
             w->Create();
             return w;
         },
         "confirm_btn"},
        {"loading",
         [&] {
             auto* w = new CLoadingWnd(owner.get());
             w->Create();
             return w;
         },
         nullptr},
        {"about",
         [&] {
             auto* w = new CAboutWnd(owner.get(), AboutInfo{shell::kModelId, 16, 24});
             w->Create();
             return w;
         },
         "confirm_btn"},
    };
    const QColor accent(0xf6, 0xce, 0x1d);
    const QColor captionBar(0x22, 0x27, 0x2e);
    auto& res = ui::Resources::Instance();
    for (const Shot& shot : shots) {
        QSize size96;
        for (const char* language : {"en", "ru", "cn_zh"}) {
            for (int dpi : {96, 192}) {
                if (dpi == 192 && QLatin1String(language) != "en") {
                    continue;
                }
                ASSERT_TRUE(res.SelectLanguage(QString::fromLatin1(language)));
                res.SetUiScaleDpi(dpi);
                std::unique_ptr<ui::Window> wnd(shot.make());
                EXPECT_EQ(wnd->Dpi(), dpi);
                wnd->Show();
                QApplication::processEvents();
                const QImage image = wnd->grab().toImage();
                const QString file =
                    QStringLiteral("%1/%2_%3_%4.png")
                        .arg(dir, QLatin1String(shot.name), QLatin1String(language))
                        .arg(dpi);
                EXPECT_TRUE(image.save(file)) << file.toStdString();
                if (dpi == 96 && QLatin1String(language) == "en") {
                    size96 = image.size();
                } else if (dpi == 192) {
                    EXPECT_EQ(image.size(), size96 * 2) << shot.name;
                }
                if (shot.primary) {
                    auto* button = wnd->FindControl<ui::Button>(shot.primary);
                    ASSERT_NE(button, nullptr);
                    const QPoint inside = button->geometry().topLeft() + QPoint(4, 4) * dpi / 96;
                    EXPECT_EQ(image.pixelColor(inside), accent) << shot.name << " " << dpi;
                }
                if (QString(shot.name) != "loading") {
                    EXPECT_EQ(image.pixelColor(QPoint(30, 4) * dpi / 96), captionBar)
                        << shot.name << " " << dpi;
                }
                wnd->Close(0);
            }
        }
        res.SetUiScaleDpi(96);
        ASSERT_TRUE(res.SelectLanguage("en"));
    }
}

}  // namespace
