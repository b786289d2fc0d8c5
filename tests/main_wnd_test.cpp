// The main window over the virtual amplifier: connecting at start, plug-out and plug-in, the
// option menu and its language switch, the single-instance rule, and the controls it needs.

#include "windows/main_wnd.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "main_wnd_fixture.h"
#include "platform/single_instance.h"
#include "shell/settings.h"
#include "sim/virtual_amplifier.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"

using MainWndTest = MainWndFixture;

TEST_F(MainWndTest, LayoutHasEveryControlTheWindowUses) {
    auto window = MakeWindow();
    ASSERT_TRUE(window->LayoutError().isEmpty()) << window->LayoutError().toStdString();
    EXPECT_NE(window->FindControl<ui::SButton>("btnConnect"), nullptr);
    EXPECT_NE(window->FindControl<ui::Button>("btn_option"), nullptr);
    for (const char* label : {"soft_version", "inner_fw_version", "fw_version"}) {
        EXPECT_NE(window->FindControl<ui::Label>(label), nullptr) << label;
    }
    ui::Menu* menu = window->CreateMenu("MENU_OPTION");
    ASSERT_NE(menu, nullptr);
    for (const char* item :
         {"option_item_firmware_upgrade", "option_item_reset_default", "option_item_about",
          "option_item_language_en", "option_item_language_cn", "option_item_language_ru"}) {
        EXPECT_NE(menu->FindItem(item), nullptr) << item;
    }
    EXPECT_EQ(window->size(), QSize(1230, 650) * ui::UiScaleDpi() / 96);
}

TEST_F(MainWndTest, ConnectsAtStartAndShowsTheConnectedState) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
    EXPECT_TRUE(window->IsConnected());
    auto* button = window->FindControl<ui::SButton>("btnConnect");
    EXPECT_EQ(button->RawText(), "${btn_connected}");
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(window->FindControl<ui::Label>("fw_version")->text(), "ORN14.60DSP Firmware v16.24");
}

TEST_F(MainWndTest, ConnectButtonDisconnectsAndReconnects) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    auto* button = window->FindControl<ui::SButton>("btnConnect");
    button->click();
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(button->RawText(), "${btn_disconnected}");
    EXPECT_FALSE(button->IsSelected());
    button->click();
    EXPECT_TRUE(WaitFor([&] { return window->IsConnected(); }));
}

TEST_F(MainWndTest, UnplugDisconnectsWithAMessageAndPlugInReconnects) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    MessageCatcher messages;
    mAmplifier->Unplug();
    EXPECT_EQ(messages.Next(), "${device_plugout}");
    EXPECT_FALSE(window->IsConnected());
    mAmplifier->PlugIn();
    EXPECT_TRUE(WaitFor([&] { return window->IsConnected(); }));
}

TEST_F(MainWndTest, UnpluggedMidReadShowsDisconnectedWithoutWaitingOutATimeOut) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    auto* button = window->FindControl<ui::SButton>("btnConnect");
    button->click();
    // Only the link can notice: the window hears no device notification.
    mAmplifier->SetHotplugCallbacks({}, {});
    mAmplifier->FaultAnswer(80, sim::ReplyFault::Unplug);
    button->click();
    // Real time: one read time-out would be 10 s, longer than this wait.
    EXPECT_TRUE(WaitFor([&] { return window->ConnectAttemptDone() && !window->IsConnected(); }));
    EXPECT_EQ(button->RawText(), "${btn_disconnected}");
    for (ui::Window* busy : ui::Window::FindWindows("LoadingWnd")) {
        EXPECT_FALSE(busy->isVisible());
    }
    mAmplifier->PlugIn();
    button->click();
    EXPECT_TRUE(WaitFor([&] { return window->IsConnected(); }));
}

TEST_F(MainWndTest, NoAmplifierAtStartIsQuietAndTheButtonSaysSo) {
    mAmplifier->Unplug();
    MessageCatcher messages;
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
    EXPECT_FALSE(window->IsConnected());
    QTest::qWait(50);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(window->FindControl<ui::SButton>("btnConnect")->RawText(), "${btn_disconnected}");
    // Asked for by the user, the failure is shown.
    window->FindControl<ui::SButton>("btnConnect")->click();
    EXPECT_EQ(messages.Next(), "${device_connect_fail}");
}

TEST_F(MainWndTest, LanguageItemsSwitchAndRememberTheLanguage) {
    auto window = MakeWindow();
    ChooseItem(*window, "option_item_language_ru");
    EXPECT_EQ(ui::Resources::Instance().CurrentLanguage(), "ru");
    EXPECT_EQ(shell::Settings().ReadLanguage(), 2);
    ChooseItem(*window, "option_item_language");  // toggles to Chinese
    EXPECT_EQ(ui::Resources::Instance().CurrentLanguage(), "cn_zh");
    ChooseItem(*window, "option_item_language");
    EXPECT_EQ(ui::Resources::Instance().CurrentLanguage(), "en");
    EXPECT_EQ(shell::Settings().ReadLanguage(), 0);
    // The next start comes up in the saved language.
    ChooseItem(*window, "option_item_language_cn");
    window.reset();
    ui::Resources::Instance().SelectLanguage("en");
    auto next = MakeWindow();
    EXPECT_EQ(ui::Resources::Instance().CurrentLanguage(), "cn_zh");
}

TEST_F(MainWndTest, ASecondCopySaysSoAndClosesWithoutConnecting) {
    QTemporaryDir lockDir;
    platform::SingleInstance first(platform::SingleInstanceKey(), lockDir.path());
    ASSERT_FALSE(first.IsSecondCopy());
    const platform::SingleInstance second(platform::SingleInstanceKey(), lockDir.path());
    mConfig.secondCopy = second.IsSecondCopy();
    MessageCatcher messages;
    auto window = MakeWindow();
    window->show();
    EXPECT_TRUE(window->IsSecondCopy());
    EXPECT_EQ(messages.Next(), "${mutex_tips}");
    EXPECT_TRUE(WaitFor([&] { return !window->isVisible(); }));
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->FindControl<ui::SButton>("btnConnect")->RawText(), "${btn_disconnected}");
}

TEST_F(MainWndTest, AfterConnectingTheModelHoldsTheAmplifiersValues) {
    mAmplifier->Modify([](sim::DeviceState& d) {
        d.mainVolume = 18;                // written as 6 - (-12)
        d.scenes[0].outputs[3].trim = 7;  // attenuation of a -7 dB gain
    });
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->ConnectAttemptDone(); }));
    ASSERT_TRUE(window->IsConnected());
    const model::ProfileRecord& live = window->Model().live;
    EXPECT_EQ(live.model, 78);
    EXPECT_EQ(live.mainVersion, 16);
    EXPECT_EQ(live.slaveVersion, 24);
    EXPECT_EQ(live.mainVolume, -12);
    EXPECT_FLOAT_EQ(live.channels[3].gain, -7.0f);
}
