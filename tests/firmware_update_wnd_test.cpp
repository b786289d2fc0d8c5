// Firmware updates from the main window over the virtual amplifier, in virtual time: the
// forced update of an older amplifier, and the manual update window as the way back from a
// power cut at any block.
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include "firmware/force_update_wnd.h"
#include "firmware/update_fw_wnd.h"
#include "link/clock.h"
#include "main_wnd_fixture.h"
#include "sim/test_firmware.h"
#include "window_test_support.h"
#include "windows/msg_wnd.h"

namespace {

class FirmwareUpdateTest : public MainWndFixture {
  protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        ASSERT_TRUE(mImages.isValid());
        mConfig.clock = &mClock;
        // Time also runs while nobody waits on it, as it does for a restarting amplifier.
        mTime.setInterval(5);
        QObject::connect(&mTime, &QTimer::timeout, [this] { mClock.Advance(50'000); });
        mTime.start();
    }

    QString WriteImage(dsplink::UpgradeTarget target, uint8_t minor, size_t body,
                       const char* name) {
        const std::vector<uint8_t> image =
            sim::MakeTestFirmware(target, shell::kModelId, 16, minor, body);
        const QString path = mImages.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
        return path;
    }

    // Longer than WaitFor: a whole update of the built-in images takes a while under ASan.
    static bool WaitLong(const std::function<bool()>& condition) {
        for (int i = 0; i < 6000 && !condition(); ++i) {
            QTest::qWait(10);
        }
        return condition();
    }

    // Runs `step` on every modal window of type W, from inside its loop.
    template <typename W>
    struct Driver {
        explicit Driver(std::function<void(W&)> step) {
            timer.setInterval(10);
            QObject::connect(&timer, &QTimer::timeout, [step] {
                for (ui::Window* w : ui::Window::AllWindows()) {
                    auto* wnd = dynamic_cast<W*>(w);
                    if (wnd && wnd->IsModalRunning()) {
                        step(*wnd);
                    }
                }
            });
            timer.start();
        }
        QTimer timer;
    };

    static void Click(ui::Window& wnd, const char* name) {
        ui::Notification n;
        n.type = ui::notify::kClick;
        n.sender = name;
        wnd.Notify(n);
    }

    dsplink::ManualClock mClock;
    QTimer mTime;
    QTemporaryDir mImages;
};

// The forced update with and without the factory reset: the amplifier ends at the built-in
// version with both images whole, and the window shows what the amplifier now holds.
TEST_F(FirmwareUpdateTest, ForcedUpdateTakesAnOlderAmplifierToTheBuiltInFirmware) {
    for (const bool factory : {false, true}) {
        SCOPED_TRACE(factory ? "with factory reset" : "without factory reset");
        mAmplifier->SetIdentity(shell::kModelId, 16, 20);
        mAmplifier->Modify([](sim::DeviceState& s) { s.scenes[0].outputs[3].trim = 7; });
        MessageCatcher messages;  // answers the offer with yes
        int result = -1;
        QStringList stages;
        Driver<CForceUpdateWnd> driver([&](CForceUpdateWnd& wnd) {
            if (wnd.Busy()) {
                return;
            }
            if (wnd.Finished()) {
                if (!factory) {
                    EXPECT_TRUE(window_test::SaveShot(wnd, "force_update.png"));
                }
                Click(wnd, "cancel_btn");
                result = 1;
            } else if (wnd.CurrentStage() == CForceUpdateWnd::kIdle && stages.isEmpty()) {
                wnd.FindControl<ui::CheckBox>("check_box_facotry")->SetSelected(factory);
                stages << "started";
                wnd.BeginUpdate();
            }
        });
        auto window = MakeWindow();
        ASSERT_TRUE(WaitLong([&] { return result == 1; }));
        EXPECT_TRUE(messages.Next().contains("v16.20")) << "the offer names the old version";
        // The whole state read after the window closed, not only its handshake.
        ASSERT_TRUE(WaitLong([&] {
            return window->IsConnected() && window->Model().live.slaveVersion == 24 &&
                   !window->Manager().JobRunning();
        }));
        QTest::qWait(50);
        const sim::DeviceState s = mAmplifier->Snapshot();
        EXPECT_EQ(s.masterVersion, 16);
        EXPECT_EQ(s.slaveVersion, 24);
        EXPECT_EQ(s.dspFlashVersion[0], 16);
        EXPECT_EQ(s.dspFlashVersion[1], 24);
        EXPECT_TRUE(s.mcuImageIntact && s.flashImageIntact);
        EXPECT_EQ(s.handshakeStatus, 0);
        // The factory reset clears the settings; without it they survive the update.
        EXPECT_EQ(s.scenes[0].outputs[3].trim, factory ? 0 : 7);
        EXPECT_EQ(window->Model().live.channels[3].gain, factory ? 0.0f : -7.0f);
        window.reset();
        mAmplifier->ResetToDefaults();
    }
}

TEST_F(FirmwareUpdateTest, DecliningTheOfferLeavesTheAmplifierConnectedAndUntouched) {
    mAmplifier->SetIdentity(shell::kModelId, 16, 23);
    window_test::ModalAnswer<CMsgWnd> no(0);
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return no.answered == 1 && window->IsConnected(); }));
    QTest::qWait(50);
    EXPECT_TRUE(ui::Window::FindWindows("ForceUpdateWnd").isEmpty());
    EXPECT_EQ(mAmplifier->Snapshot().slaveVersion, 23);
    EXPECT_TRUE(mAmplifier->Snapshot().mcuImageIntact);
}

// A power cut at every block of a small image leaves the amplifier in its loader; the update
// window, opened by the amplifier's own report, writes the image again and the amplifier is
// back at the new version.
TEST_F(FirmwareUpdateTest, ThePowerCutAtAnyBlockIsRecoveredThroughTheUpdateWindow) {
    const QString mcu = WriteImage(dsplink::UPG_TARGET_MCU, 25, 96, "ORN14.60DSP_MCU_UPG.bin");
    constexpr int kBlocks = 3;  // 96 bytes in 32-byte blocks
    MessageCatcher messages;
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    for (int block = 0; block < kBlocks; ++block) {
        SCOPED_TRACE(block);
        mAmplifier->FailUpgradeAt(block, sim::UpgradeFault::PowerCut);
        QStringList seen;
        bool faulted = false;
        Driver<CUpdateFwWnd> driver([&](CUpdateFwWnd& wnd) {
            auto* tips = wnd.FindControl<ui::Label>("update_tips");
            const QString status = tips->RawText();
            if (wnd.Busy() || window->Manager().JobRunning()) {
                return;
            }
            if (seen.isEmpty()) {
                wnd.FindControl<ui::Edit>("file_path_edt")->SetText(mcu);
                seen << "first";
                Click(wnd, "update_btn");
            } else if (status == "${update_fail}" && !faulted) {
                faulted = true;
                seen << status;
            } else if (faulted && seen.size() == 2 && window->Manager().Link().IsOpen()) {
                // Back in its loader: try again.
                EXPECT_EQ(mAmplifier->Snapshot().handshakeStatus, sim::kStatusAbnormal);
                seen << "again";
                Click(wnd, "update_btn");
            } else if (status == "${update_ok}") {
                seen << status;
                if (block == 0) {
                    EXPECT_TRUE(window_test::SaveShot(wnd, "update_fw.png"));
                }
                Click(wnd, "closebtn");
            }
        });
        ChooseItem(*window, "option_item_firmware_upgrade");
        EXPECT_EQ(seen, (QStringList{"first", "${update_fail}", "again", "${update_ok}"}));
        ASSERT_TRUE(WaitLong(
            [&] { return window->IsConnected() && window->Model().live.slaveVersion == 25; }));
        const sim::DeviceState s = mAmplifier->Snapshot();
        EXPECT_EQ(s.handshakeStatus, 0);
        EXPECT_TRUE(s.mcuImageIntact);
        mAmplifier->SetIdentity(shell::kModelId, 16, 24);
    }
    // The amplifier going away mid-update was expected: no "disconnected" box, only the
    // firmware-newer notices after each reconnection.
    EXPECT_FALSE(messages.texts.contains("${device_plugout}"));
}

TEST_F(FirmwareUpdateTest, AnAmplifierInItsLoaderAtStartOpensTheUpdateWindow) {
    const QString mcu = WriteImage(dsplink::UPG_TARGET_MCU, 24, 200, "mcu_upg.bin");
    mAmplifier->Modify([](sim::DeviceState& s) {
        s.handshakeStatus = sim::kStatusAbnormal;
        s.mcuImageIntact = false;
    });
    MessageCatcher messages;
    bool done = false;
    Driver<CUpdateFwWnd> driver([&](CUpdateFwWnd& wnd) {
        const QString status = wnd.FindControl<ui::Label>("update_tips")->RawText();
        if (wnd.Busy()) {
            return;
        }
        if (status.isEmpty()) {
            wnd.FindControl<ui::Edit>("file_path_edt")->SetText(mcu);
            wnd.BeginUpdate();
        } else if (status == "${update_ok}") {
            done = true;
            wnd.Close(0);
        }
    });
    auto window = MakeWindow();
    EXPECT_EQ(messages.Next(), "${device_status_unnormal}");
    ASSERT_TRUE(WaitLong([&] { return done; }));
    ASSERT_TRUE(WaitLong([&] { return window->IsConnected(); }));
    EXPECT_EQ(mAmplifier->Snapshot().handshakeStatus, 0);
}

TEST_F(FirmwareUpdateTest, WindowsFindTheirControlsAndRefuseWhatTheyCannotDo) {
    auto window = MakeWindow();
    ASSERT_TRUE(WaitFor([&] { return window->IsConnected(); }));
    CForceUpdateWnd forced(window.get(), window->Manager(), QString(), QString());
    ASSERT_TRUE(forced.Create());
    EXPECT_TRUE(forced.MissingControls().isEmpty())
        << forced.MissingControls().join(',').toStdString();
    forced.BeginUpdate();
    EXPECT_EQ(forced.FindControl<ui::Label>("update_tips")->RawText(), "${update_no_file}");
    EXPECT_EQ(forced.CurrentStage(), CForceUpdateWnd::kIdle);
    EXPECT_FALSE(window->Manager().JobRunning());

    CUpdateFwWnd manual(window.get(), window->Manager(), [](QWidget*) { return QString(); });
    ASSERT_TRUE(manual.Create());
    EXPECT_TRUE(manual.MissingControls().isEmpty())
        << manual.MissingControls().join(',').toStdString();
    // A file that is not an image: the amplifier is not touched and stays connected.
    const QString bogus = mImages.filePath("ORN14.60DSP_MCU_UPG.bin");
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not firmware at all");
    file.close();
    manual.FindControl<ui::Edit>("file_path_edt")->SetText(bogus);
    manual.BeginUpdate();
    ASSERT_TRUE(WaitFor([&] { return !manual.Busy(); }));
    EXPECT_EQ(manual.FindControl<ui::Label>("update_tips")->RawText(), "${load_fw_fail}");
    EXPECT_TRUE(window->IsConnected());
    EXPECT_TRUE(mAmplifier->Snapshot().mcuImageIntact);
}

}  // namespace
