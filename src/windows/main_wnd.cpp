#include "windows/main_wnd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include "controls/register_controls.h"
#include "link/subcommands.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "shell/settings.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/resources.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/main_ab_view.h"
#include "windows/main_controls.h"
#include "windows/main_view.h"
#include "windows/msg_wnd.h"
#include "windows/undo_shortcuts.h"

CMainWnd::CMainWnd(Config config)
    : mConfig(std::move(config)), mClock(mConfig.clock ? *mConfig.clock : mSystemClock) {
    SetClassName("MainWnd");
    controls::RegisterCustomControls();
    mManager =
        std::make_unique<model::EqualizerManager>(mConfig.makeTransport(mClock), mClock, this);
    mManager->SetView(this);
    mView = std::make_unique<CMainView>(*this, *mManager);
    mManager->Subscribe(mView.get());
    mAbView = std::make_unique<CAbView>(*this, *mManager, *mView);
    mManager->Subscribe(mAbView.get());
    mManager->SetOperationsView(mView.get());
    mManager->Firmware().SetDeviceReplay([this](bool arrived) { DeviceChanged(arrived); });
}

CMainWnd::~CMainWnd() {
    // The manager's jobs post to this window: they go while the window is whole.
    mManager->Unsubscribe(mAbView.get());
    mManager->Unsubscribe(mView.get());
    mManager->SetOperationsView(nullptr);
    mManager.reset();
    mAbView.reset();
    mView.reset();
    mLoading.reset();
}

bool CMainWnd::IsConnected() const {
    return mManager->State().live.model == model::MODEL_ID && mManager->Link().IsOpen();
}

void CMainWnd::Post(uint32_t message, uint32_t wParam) {
    PostMessage(message, wParam, mAttempt.load());
}

void CMainWnd::InitWindow() {
    mConnectButton = FindControl<ui::SButton>(main_controls::kBtnConnect);
    mView->Bind();
    mAbView->Bind();
    AddUndoShortcuts(*this, *mManager);
    if (auto* debug = FindWidget(main_controls::kBtnDebug)) {
        debug->setVisible(shell::DebugMarkerPresent());
    }
    ApplySavedLanguage();
    UpdateVersionTexts();
    OnConnectButton(model::ConnectButton::Disconnected);
    ApplySingleInstanceRule();
    if (IsSecondCopy()) {
        return;
    }
    // Quiet: no amplifier at start is not an error worth a message.
    Connect(false);
    WatchDevices();
}

void CMainWnd::ApplySavedLanguage() {
    const QString name = shell::LanguageName(shell::Settings().ReadLanguage());
    if (!name.isEmpty()) {
        ui::Resources::Instance().SelectLanguage(name);
    }
}

void CMainWnd::ApplySingleInstanceRule() {
    if (!IsSecondCopy()) {
        return;
    }
    mConnectDone = true;
    // After the window is up: the message, then the normal close path.
    QTimer::singleShot(0, this, [this] {
        ShowMessage("${mutex_tips}");
        close();
    });
}

void CMainWnd::WatchDevices() {
    if (mConfig.makeWatcher) {
        mWatcher = mConfig.makeWatcher([this](bool arrived) { DeviceChanged(arrived); });
    }
}

void CMainWnd::DeviceChanged(bool arrived) {
    runlog::Log(arrived ? "Message DBT_DEVICEARRIVAL\n" : "Message DBT_DEVICEREMOVECOMPLETE\n");
    // A message box still open must not stay behind the new state.
    for (ui::Window* box : ui::Window::FindWindows("MsgWnd")) {
        box->Close(0);
    }
    // An update job expects the amplifier to come and go; what it saw last is handled
    // when the job is over, so nothing here waits for the job.
    if (mManager->Firmware().Running()) {
        mManager->Firmware().NoteDeviceChange(arrived);
        return;
    }
    if (arrived) {
        mManager->Firmware().RestartSeen();
        RunAttempt([this] { mManager->DevicePlugIn(); });
    } else {
        mManager->DevicePlugOut();
    }
}

void CMainWnd::Connect(bool showErrors) {
    RunAttempt([this, showErrors] { mManager->Connect(showErrors); });
}

void CMainWnd::RunAttempt(const std::function<void()>& connect) {
    mConnectDone = false;
    if (!mManager->Link().IsOpen()) {
        // Everything an earlier job posts carries the old attempt, so it is told apart.
        mManager->WaitForJobs();
        ++mAttempt;
    }
    connect();
    // No job started (open failed, disconnected, or nothing to do): the attempt is over now.
    if (!mManager->JobRunning()) {
        MarkAttemptDone();
    }
}

void CMainWnd::MarkAttemptDone() {
    mConnectDone = true;
    emit connectAttemptFinished();
}

void CMainWnd::OnMessage(uint32_t message, uint32_t, int32_t attempt,
                         std::unique_ptr<dsplink::ReplyRecord>) {
    // A job of an abandoned attempt must not finish or drop the current connection.
    if (attempt != mAttempt) {
        return;
    }
    switch (message) {
        case model::WM_SHOW_LOADING:
            ShowLoading();
            break;
        case model::WM_HIDE_LOADING:
            HideLoading();
            break;
        case dsplink::WM_DEVICE_ABNORMAL:
            // Later: a modal box and window must not run inside message dispatch.
            QTimer::singleShot(0, this, [this] { OnDeviceAbnormal(); });
            break;
        case dsplink::WM_DEVICE_READY:
            mManager->WaitForJobs();
            mManager->FinishConnection();
            UpdateVersionTexts();
            MarkAttemptDone();
            break;
        case dsplink::WM_DEVICE_DISCONNECT:
            mManager->Disconnect();
            MarkAttemptDone();
            break;
        case dsplink::WM_DEVICE_REBOOT:
            HideLoading();
            ShowMessageLater("${device_reboot}");
            break;
        case dsplink::WM_CONNECT_FAILED:
            ShowMessageLater("${device_connect_fail}");
            break;
        case dsplink::WM_DSP_FW_NEWER:
            ShowNewerFirmwareMessage();
            break;
        case dsplink::WM_FORCE_UPDATE:
            QTimer::singleShot(0, this, [this] { OfferForcedUpdate(); });
            break;
        default:
            break;
    }
}

void CMainWnd::ShowLoading() {
    if (!mLoading) {
        mLoading = std::make_unique<CLoadingWnd>(this);
        if (!mLoading->Create()) {
            mLoading.reset();
            return;
        }
    }
    // Blocks input to this window like a modal box, but without a nested loop, which here
    // would run inside message dispatch.
    mLoading->setWindowModality(Qt::WindowModal);
    mLoading->Show();
}

void CMainWnd::HideLoading() {
    if (mLoading) {
        mLoading->Close(1);
    }
}

void CMainWnd::ShowNewerFirmwareMessage() {
    const model::ProfileRecord& live = mManager->State().live;
    const QString format =
        ui::Resources::Instance().FindText("${dsp_fw_new_tips}").value_or(QString());
    const QByteArray utf8 = format.toUtf8();
    ShowMessageLater(QString::asprintf(utf8.constData(), live.mainVersion, live.slaveVersion,
                                       shell::kBuiltInFirmwareMajor, shell::kBuiltInFirmwareMinor));
}

void CMainWnd::OnUpdateEqualizer() {
    // The state read leaves the last output it touched current; start on the first, which
    // also draws its bands and the graph.
    mManager->Outputs().SetCurChannelChange(0);
}

void CMainWnd::OnConnectFailMessage(bool noAccess) {
    ShowMessageLater(noAccess ? "${device_no_access}" : "${device_connect_fail}");
}

void CMainWnd::OnUnansweredEdits(int count) {
    if (mConnectButton == nullptr) {
        return;
    }
    // Still connected, but not everything reached the amplifier: the button says so.
    static const QColor kRed(255, 0, 0);
    static const QColor kWhite(255, 255, 255);
    static const QColor kAmber(255, 170, 0);
    const QByteArray format = ui::ResolveText(QStringLiteral("${edits_unanswered}")).toUtf8();
    mConnectButton->setToolTip(count > 0 ? QString::asprintf(format.constData(), count)
                                         : QString());
    mConnectButton->SetColors(kRed, count > 0 ? kAmber : kWhite, QColor(), QColor());
}

void CMainWnd::OnDspStatus(int on) {
    mView->OnDspStatus(on);
}

void CMainWnd::OnDeviceIdentity(int model) {
    mView->OnDeviceIdentity(model);
}

void CMainWnd::OnPlugOutMessage() {
    // An update restarts the amplifier on purpose; its window says what happens.
    if (!UpdateWindowOpen() && !mManager->Firmware().ExpectingRestart()) {
        ShowMessageLater("${device_plugout}");
    }
}

void CMainWnd::OnConnectButton(model::ConnectButton state) {
    if (mConnectButton == nullptr) {
        return;
    }
    static const QColor kRed(255, 0, 0);
    static const QColor kWhite(255, 255, 255);
    switch (state) {
        case model::ConnectButton::Disconnected:
            mConnectButton->SetText("${btn_disconnected}");
            mConnectButton->SetSelected(false);
            mConnectButton->SetColors(kRed, kWhite, QColor(), QColor());
            break;
        case model::ConnectButton::Connecting:
            mConnectButton->SetText("${btn_connecting}");
            break;
        case model::ConnectButton::Connected:
            mConnectButton->SetText("${btn_connected}");
            mConnectButton->SetSelected(true);
            mConnectButton->SetColors(kRed, kWhite, QColor(), QColor());
            break;
    }
    // The firmware line follows the connection.
    if (state != model::ConnectButton::Connecting) {
        UpdateVersionTexts();
    }
}

void CMainWnd::ChangeLanguage(const QString& name, int index) {
    if (ui::Resources::Instance().CurrentLanguage() == name) {
        return;
    }
    runlog::Log("change language to %s - %d\n", name.toUtf8().constData(), index);
    ui::Resources::Instance().SelectLanguage(name);
    shell::Settings().WriteLanguage(index);
    UpdateVersionTexts();
    update();
    runlog::Log("change language finish\n");
    runlog::Log("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
    mView->ShowAll();
}

void CMainWnd::UpdateVersionTexts() {
    if (auto* soft = FindControl<ui::Label>(main_controls::kSoftVersion)) {
        soft->SetText(CAboutWnd::SoftwareText());
    }
    if (auto* inner = FindControl<ui::Label>(main_controls::kInnerFwVersion)) {
        inner->SetText(CAboutWnd::BuiltInFirmwareText());
    }
    if (auto* device = FindControl<ui::Label>(main_controls::kFwVersion)) {
        device->SetText(CAboutWnd::FirmwareText(About()));
    }
}

AboutInfo CMainWnd::About() const {
    if (!IsConnected()) {
        return AboutInfo{};
    }
    const model::ProfileRecord& live = mManager->State().live;
    return AboutInfo{live.model, live.mainVersion, live.slaveVersion};
}

void CMainWnd::ShowAbout() {
    CAboutWnd::Run(this, About());
}

void CMainWnd::ShowMessage(const QString& textKey) {
    CMsgWnd::MessageBox(this, "${tips}", textKey, {"${confirm}"});
}

void CMainWnd::ShowMessageLater(const QString& textKey) {
    QTimer::singleShot(0, this, [this, textKey] { ShowMessage(textKey); });
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (!mClosing) {
        mClosing = true;
        mManager->Disconnect();
        HideLoading();
        // A message box still open must not outlive the main window.
        ui::Window::CloseAllPopups(0);
        QCoreApplication::quit();
    }
    ui::Window::closeEvent(event);
}
