#pragma once
// The main window over the virtual amplifier, in a throw-away settings folder, with
// helpers to wait, choose menu items and answer message boxes.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "sim/virtual_amplifier.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "virtual_amplifier_config.h"
#include "windows/main_wnd.h"

class MainWndFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        ASSERT_TRUE(mConfigHome.isValid());
        // Settings go to a throw-away folder.
        qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    }
    void TearDown() override { ui::Resources::Instance().Reset(); }

    std::unique_ptr<CMainWnd> MakeWindow() {
        auto window = std::make_unique<CMainWnd>(mConfig);
        window->Create("XML_MAIN");
        return window;
    }
    static bool WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 500 && !condition(); ++i) {
            QTest::qWait(10);
        }
        return condition();
    }
    // A button pressed and a field typed into as the user would.
    static void Click(CMainWnd& w, const QString& name) {
        auto* button = qobject_cast<QAbstractButton*>(w.FindWidget(name));
        ASSERT_NE(button, nullptr) << name.toStdString();
        button->click();
    }
    static void Type(CMainWnd& w, const QString& name, const QString& text) {
        auto* edit = w.FindControl<ui::Edit>(name);
        ASSERT_NE(edit, nullptr) << name.toStdString();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static void ChooseItem(CMainWnd& window, const char* item) {
        ui::Notification n;
        n.type = ui::notify::kItemClick;
        n.sender = item;
        window.Notify(n);
    }
    // Message boxes run their own event loop, so they are answered from a timer inside it.
    struct MessageCatcher {
        MessageCatcher() {
            timer.setInterval(10);
            QObject::connect(&timer, &QTimer::timeout, [this] {
                for (ui::Window* box : ui::Window::FindWindows("MsgWnd")) {
                    if (!box->IsModalRunning()) {
                        continue;
                    }
                    if (auto* label = box->FindControl<ui::Label>("MessageText")) {
                        texts << label->RawText();
                    }
                    box->Close(1);
                }
            });
            timer.start();
        }
        QString Next() {
            WaitFor([this] { return !texts.isEmpty(); });
            return texts.isEmpty() ? QString() : texts.takeFirst();
        }
        QTimer timer;
        QStringList texts;
    };

    QTemporaryDir mConfigHome;
    std::shared_ptr<sim::VirtualAmplifier> mAmplifier = std::make_shared<sim::VirtualAmplifier>();
    CMainWnd::Config mConfig = VirtualAmplifierConfig(mAmplifier);
};
