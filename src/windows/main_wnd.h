#pragma once
// The program's top-level window: the frame, the connection to the amplifier, the option menu,
// the language switch, the single-instance rule and device arrival and removal.

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

#include "about_wnd.h"
#include "clock.h"
#include "dsp_link.h"
#include "window.h"
#include "window_reply_target.h"

namespace platform {
class DeviceWatcher;
class SingleInstance;
}  // namespace platform
namespace sim {
class VirtualAmplifier;
}
namespace ui {
class SButton;
}

class CMainWnd : public ui::Window {
    Q_OBJECT
  public:
    struct Config {
        // The virtual amplifier to talk to instead of USB; nullptr for the real one.
        std::shared_ptr<sim::VirtualAmplifier> amplifier;
        // Where the single-instance lock lives; empty for the default place.
        QString lockDirectory;
    };

    explicit CMainWnd(Config config);
    ~CMainWnd() override;

    void Notify(const ui::Notification& notification) override;

    bool IsSecondCopy() const { return mSecondCopy; }
    bool IsConnected() const { return mModel == dsplink::MODEL_ID && mLink->IsOpen(); }
    // The connection attempt made at start (or by the last connect) has finished.
    bool ConnectAttemptDone() const { return mConnectDone; }

  signals:
    void connectAttemptFinished();

  protected:
    void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                   std::unique_ptr<dsplink::ReplyRecord> record) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class ButtonState { Disconnected, Connecting, Connected };

    void InitWindow();
    void ApplySavedLanguage();
    void ApplySingleInstanceRule();
    void WatchDevices();
    void Connect(bool showErrors);
    void Disconnect();
    void FinishConnection();
    void PlugIn();
    void PlugOut();
    void JoinConnectWorker();
    void SetButtonState(ButtonState state);
    void ShowOptionMenu();
    void OnMenuItem(const QString& item);
    void ChangeLanguage(const QString& name, int index);
    void ShowAbout();
    AboutInfo About() const;
    void ShowMessage(const QString& textKey);
    void UpdateVersionTexts();

    Config mConfig;
    dsplink::SystemClock mClock;
    std::unique_ptr<dsplink::DspLink> mLink;
    std::unique_ptr<ui::WindowReplyTarget> mReplyTarget;
    std::unique_ptr<platform::SingleInstance> mInstance;
    std::unique_ptr<platform::DeviceWatcher> mWatcher;
    std::thread mConnectWorker;
    std::atomic<bool> mConnectDone{false};
    ui::SButton* mConnectButton = nullptr;
    bool mSecondCopy = false;
    bool mClosing = false;
    int mModel = -1;
    int mMainVersion = -1;
    int mSlaveVersion = -1;
};
