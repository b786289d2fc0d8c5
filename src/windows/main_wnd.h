#pragma once
// The program's top-level window: the frame, the connection to the amplifier, the option menu,
// the language switch, the single-instance rule and device arrival and removal.

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/clock.h"
#include "link/transport.h"
#include "model/equalizer_manager.h"
#include "ui/window.h"
#include "windows/about_wnd.h"

namespace ui {
class SButton;
}
class CAbView;
class CForceUpdateWnd;
class CLoadingWnd;
class CMainView;

class CMainWnd : public ui::Window, public model::ManagerEvents, public model::ConnectionView {
    Q_OBJECT
  public:
    // The amplifier arrived (true) or was removed (false).
    using DeviceReport = std::function<void(bool arrived)>;

    // What the program is started with decides what the window talks to; the window itself
    // knows neither USB nor the virtual amplifier.
    struct Config {
        // Makes the transport to the amplifier, waiting through the window's clock. Required.
        std::function<std::unique_ptr<dsplink::HidTransport>(dsplink::Clock&)> makeTransport;
        // Makes the watcher of the amplifier's arrival and removal, which reports to the given
        // call on the UI thread while it lives (see Relay). The first copy makes it after its
        // start-up connect and keeps it; without one, plugging goes unnoticed.
        std::function<std::unique_ptr<QObject>(DeviceReport)> makeWatcher;
        // Another copy of the program holds the single-instance lock: say so and close.
        bool secondCopy = false;
        // The clock every wait of the link and the jobs goes through; nullptr for real time.
        dsplink::Clock* clock = nullptr;
        // Picks the profile file to save or load instead of the file dialog; empty cancels.
        std::function<QString(bool save, bool whole)> chooseFile;
        // The same for filter lists.
        std::function<QString(bool save)> chooseFilterFile;
        // The same for the A/B slots' files.
        std::function<QString(bool save)> chooseAbFile;
        // The same for firmware images and for a calibration run's CSV.
        std::function<QString(QWidget* owner)> chooseFirmwareFile;
        std::function<QString(QWidget* owner)> chooseCalibrationFile;
    };

    explicit CMainWnd(Config config);
    ~CMainWnd() override;

    // For Config::makeWatcher: passes a watcher's arrived() and removed() signals on.
    template <class Watcher>
    static std::unique_ptr<QObject> Relay(std::unique_ptr<Watcher> watcher, DeviceReport report) {
        Watcher* source = watcher.get();
        connect(source, &Watcher::arrived, source, [report] { report(true); });
        connect(source, &Watcher::removed, source, [report] { report(false); });
        return watcher;
    }

    void Notify(const ui::Notification& notification) override;

    bool IsSecondCopy() const { return mConfig.secondCopy; }
    bool IsConnected() const;
    // The connection attempt made at start (or by the last connect) has finished.
    bool ConnectAttemptDone() const { return mConnectDone; }
    const model::ModelState& Model() const { return mManager->State(); }
    model::EqualizerManager& Manager() { return *mManager; }
    // The output a channel menu was opened for.
    int MenuChannel() const { return mMenuChannel; }

    // ManagerEvents: any thread, so only posts.
    void Post(uint32_t message, uint32_t wParam) override;
    // ConnectionView
    void OnConnectButton(model::ConnectButton state) override;
    void OnUpdateEqualizer() override;
    void OnConnectFailMessage(bool noAccess) override;
    void OnPlugOutMessage() override;
    void OnCloseMixerWindow() override;
    void OnUnansweredEdits(int count) override;
    void OnDspStatus(int on) override;
    void OnDeviceIdentity(int model) override;
    bool ForcedUpdatePending() override;
    void OnStartForcedUpdate() override;

  signals:
    void connectAttemptFinished();

  protected:
    void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                   std::unique_ptr<dsplink::ReplyRecord> record) override;
    void closeEvent(QCloseEvent* event) override;
    void OnTimer(int id) override;

  private:
    void InitWindow();
    void ApplySavedLanguage();
    void ApplySingleInstanceRule();
    void WatchDevices();
    void Connect(bool showErrors);
    // Starts a connect (or plug-in) attempt and notes when it ends without a job.
    void RunAttempt(const std::function<void()>& connect);
    void MarkAttemptDone();
    void ShowLoading();
    void HideLoading();
    void ShowNewerFirmwareMessage();
    // Firmware: the offer after connecting to an older amplifier, the manual update window
    // (also the way back for an amplifier that runs its loader).
    void OfferForcedUpdate();
    void RunUpdateWindow();
    void OnDeviceAbnormal();
    bool UpdateWindowOpen() const;
    // Notifications by kind; true when handled.
    bool OnClick(const ui::Notification& n);
    bool OnSelectChanged(const ui::Notification& n);
    void ToggleBridge(int pair);
    bool OnValueChanged(const ui::Notification& n);
    bool OnSpinStep(const ui::Notification& n, bool up);
    bool OnEditCommit(const ui::Notification& n, bool onReturn);
    bool OnBandFieldCommit(const ui::Notification& n, bool onReturn);
    // Moves the focus to the same field of the band step rows away, wrapping at the band count.
    void FocusBandField(const QString& sender, int band, int step);
    bool OnEditNeighbour(const ui::Notification& n, bool right);
    void OnEditFocus(const ui::Notification& n);
    bool OnItemSelect(const ui::Notification& n);
    void ShowPage(const QString& tab);
    void DeviceChanged(bool arrived);

    // The scene menu's file items.
    QString ChooseProfileFile(bool save, bool whole);
    QString ChooseFilterFile(bool save);
    // The output menu's filter list items: a list read onto the output's bands (one undo
    // step; a list the bands cannot play is shown line by line and changes nothing), and
    // the bands written as one.
    void ImportFilters(int output);
    void ExportFilters(int output);
    // The option menu's A/B items: both slots to a file of their own and back (one undo step;
    // a bad file is refused with a message and changes nothing).
    QString ChooseAbFile(bool save);
    void SaveAbSlots();
    void LoadAbSlots();
    void SaveSenceConfigToFile();
    void SaveWholeConfigToFile();
    void LoadSenceConfigFromFile();
    void LoadWholeConfigFromFile();

    void ShowOptionMenu();
    void ShowSceneMenu();
    void ShowAdvanceMenu();
    void ShowOutputMenu(int output);
    void ShowDelayLinkMenu(int output);
    void OnMenuItem(const ui::Notification& n);
    void ChangeLanguage(const QString& name, int index);
    void ShowAbout();
    AboutInfo About() const;
    void ShowMessage(const QString& textKey);
    // Later, so no modal loop runs inside a signal or the manager's call.
    void ShowMessageLater(const QString& textKey);
    void UpdateVersionTexts();

    Config mConfig;
    dsplink::SystemClock mSystemClock;
    dsplink::Clock& mClock;
    std::unique_ptr<model::EqualizerManager> mManager;
    std::unique_ptr<CMainView> mView;
    std::unique_ptr<CAbView> mAbView;
    std::unique_ptr<CLoadingWnd> mLoading;
    std::unique_ptr<QObject> mWatcher;
    std::atomic<bool> mConnectDone{false};
    // Numbers each connect attempt; posted messages carry it.
    std::atomic<int32_t> mAttempt{0};
    ui::SButton* mConnectButton = nullptr;
    // Open while a forced update runs; the reconnections move it on.
    CForceUpdateWnd* mForceUpdate = nullptr;
    int mMenuChannel = -1;
    bool mClosing = false;
};
