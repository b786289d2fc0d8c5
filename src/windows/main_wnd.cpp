#include "main_wnd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include "about_wnd.h"
#include "controls.h"
#include "device_watcher.h"
#include "hid_transport.h"
#include "menu.h"
#include "msg_wnd.h"
#include "reply_records.h"
#include "resources.h"
#include "run_log.h"
#include "settings.h"
#include "sim_transport.h"
#include "single_instance.h"
#include "subcommands.h"
#include "virtual_amplifier.h"

namespace {

constexpr int kUpgradeEntered = 16;
constexpr int kUpgradeStarted = 32;

std::unique_ptr<dsplink::HidTransport> MakeTransport(
    const std::shared_ptr<sim::VirtualAmplifier>& amplifier, dsplink::Clock& clock) {
    if (amplifier) {
        return std::make_unique<sim::SimTransport>(amplifier, clock);
    }
    return platform::MakeHidTransport();
}

}  // namespace

CMainWnd::CMainWnd(Config config)
    : mConfig(std::move(config)),
      mLink(std::make_unique<dsplink::DspLink>(MakeTransport(mConfig.amplifier, mClock), mClock)),
      mReplyTarget(std::make_unique<ui::WindowReplyTarget>(this)) {
    SetClassName("MainWnd");
    mLink->SetTarget(dsplink::ReplyTargetId::Main, mReplyTarget.get());
}

CMainWnd::~CMainWnd() {
    JoinConnectWorker();
    mLink->SetTarget(dsplink::ReplyTargetId::Main, nullptr);
    mLink->CloseHIDDevice(true);
}

void CMainWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        InitWindow();
        return;
    }
    if (n.Is(ui::notify::kClick)) {
        runlog::Log("Notify %s\n", n.sender.toUtf8().constData());
        if (n.sender == "btnConnect") {
            Connect(true);
            return;
        }
        if (n.sender == "btn_option") {
            ShowOptionMenu();
            return;
        }
    }
    if (n.Is(ui::notify::kItemClick) && n.sender.startsWith("option_item_")) {
        OnMenuItem(n.sender);
        return;
    }
    ui::Window::Notify(n);
}

void CMainWnd::InitWindow() {
    mConnectButton = FindControl<ui::SButton>("btnConnect");
    ApplySavedLanguage();
    UpdateVersionTexts();
    SetButtonState(ButtonState::Disconnected);
    ApplySingleInstanceRule();
    if (mSecondCopy) {
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
    mInstance = mConfig.lockDirectory.isEmpty()
                    ? std::make_unique<platform::SingleInstance>()
                    : std::make_unique<platform::SingleInstance>(platform::SingleInstanceKey(),
                                                                 mConfig.lockDirectory);
    mSecondCopy = mInstance->IsSecondCopy();
    if (!mSecondCopy) {
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
    mWatcher = mConfig.amplifier ? platform::MakeSimulatedDeviceWatcher(mConfig.amplifier)
                                 : platform::MakeDeviceWatcher();
    runlog::Log("device notifications from %s\n", mWatcher->Kind());
    connect(mWatcher.get(), &platform::DeviceWatcher::arrived, this, [this] { PlugIn(); });
    connect(mWatcher.get(), &platform::DeviceWatcher::removed, this, [this] { PlugOut(); });
}

void CMainWnd::Connect(bool showErrors) {
    const int upgrade = mLink->State().sys_upg_status;
    if (upgrade == kUpgradeEntered || upgrade == kUpgradeStarted) {
        return;
    }
    if (mLink->IsOpen()) {
        Disconnect();
        return;
    }
    JoinConnectWorker();
    mConnectDone = false;
    if (mLink->Open() != dsplink::OpenResult::Opened) {
        runlog::Log("Can not conect usb devices, please connect devices again!\n");
        SetButtonState(ButtonState::Disconnected);
        mConnectDone = true;
        emit connectAttemptFinished();
        if (showErrors) {
            ShowMessage("${device_connect_fail}");
        }
        return;
    }
    runlog::Log("Connect OK\xEF\xBC\x81\n");
    SetButtonState(ButtonState::Connecting);
    mLink->SetAsyncMode(false);
    // The handshake may wait 10 s for an answer: never on the UI thread.
    mConnectWorker = std::thread([this] {
        runlog::Log("Read mcu value thread start!\n");
        mLink->PC_Connect(1);
        if (mLink->Hand_Connect()) {
            PostMessage(dsplink::WM_DEVICE_READY, 0, 0);
        } else {
            PostMessage(dsplink::WM_CONNECT_FAILED, 0, 0);
            PostMessage(dsplink::WM_DEVICE_DISCONNECT, 0, 0);
        }
        runlog::Log("Read mcu value thread end!\n");
    });
}

void CMainWnd::JoinConnectWorker() {
    if (mConnectWorker.joinable()) {
        mConnectWorker.join();
    }
}

void CMainWnd::Disconnect() {
    const int upgrade = mLink->State().sys_upg_status;
    if (upgrade == kUpgradeEntered || upgrade == kUpgradeStarted) {
        return;
    }
    mLink->SetAsyncMode(false);
    mLink->CloseHIDDevice(true);
    mModel = -1;
    SetButtonState(ButtonState::Disconnected);
    UpdateVersionTexts();
}

void CMainWnd::FinishConnection() {
    if (!mLink->State().mcu_is_normal_mode) {
        return;
    }
    if (!mLink->IsOpen() || mModel != dsplink::MODEL_ID) {
        Disconnect();
        return;
    }
    SetButtonState(ButtonState::Connected);
    mLink->SetAsyncMode(true);
    UpdateVersionTexts();
}

void CMainWnd::PlugIn() {
    runlog::Log("DevicePlugin\n");
    if (!mLink->IsOpen()) {
        Connect(false);
    }
}

void CMainWnd::PlugOut() {
    runlog::Log("DevicePlugOut\n");
    if (!mLink->IsOpen()) {
        return;
    }
    Disconnect();
    QTimer::singleShot(0, this, [this] { ShowMessage("${device_plugout}"); });
}

void CMainWnd::OnMessage(uint32_t message, uint32_t wParam, int32_t,
                         std::unique_ptr<dsplink::ReplyRecord> record) {
    switch (message) {
        case dsplink::WM_READ_MCU_VALUE:
            if (wParam == dsplink::MCU_HANDSHAKE) {
                if (auto* info = dynamic_cast<dsplink::McuHandshakeInfo*>(record.get())) {
                    mModel = info->model;
                    mMainVersion = info->masterVersion;
                    mSlaveVersion = info->slaveVersion;
                }
            }
            break;
        case dsplink::WM_DEVICE_ABNORMAL:
            ShowMessage("${device_status_unnormal}");
            break;
        case dsplink::WM_DEVICE_READY:
            JoinConnectWorker();
            FinishConnection();
            mConnectDone = true;
            emit connectAttemptFinished();
            break;
        case dsplink::WM_CONNECT_FAILED:
            JoinConnectWorker();
            mModel = -1;
            break;
        case dsplink::WM_DEVICE_DISCONNECT:
            Disconnect();
            mConnectDone = true;
            emit connectAttemptFinished();
            break;
        default:
            break;
    }
}

void CMainWnd::SetButtonState(ButtonState state) {
    if (mConnectButton == nullptr) {
        return;
    }
    static const QColor kRed(255, 0, 0);
    static const QColor kWhite(255, 255, 255);
    switch (state) {
        case ButtonState::Disconnected:
            mConnectButton->SetText("${btn_disconnected}");
            mConnectButton->SetSelected(false);
            mConnectButton->SetColors(kRed, kWhite, QColor(), QColor());
            break;
        case ButtonState::Connecting:
            mConnectButton->SetText("${btn_connecting}");
            break;
        case ButtonState::Connected:
            mConnectButton->SetText("${btn_connected}");
            mConnectButton->SetSelected(true);
            mConnectButton->SetColors(kRed, kWhite, QColor(), QColor());
            break;
    }
}

void CMainWnd::ShowOptionMenu() {
    ui::Menu* menu = CreateMenu("MENU_OPTION");
    if (menu == nullptr) {
        return;
    }
    // These windows arrive with later work; the items stay visible so the menu keeps its shape.
    menu->SetItemEnabled("option_item_firmware_upgrade", false);
    menu->SetItemEnabled("option_item_reset_default", false);
    if (QWidget* button = FindWidget("btn_option")) {
        menu->PopupBelow(button);
    }
}

void CMainWnd::OnMenuItem(const QString& item) {
    if (item == "option_item_about") {
        ShowAbout();
    } else if (item == "option_item_language") {
        const bool chinese = ui::Resources::Instance().CurrentLanguage() == "cn_zh";
        ChangeLanguage(chinese ? "en" : "cn_zh", chinese ? 0 : 1);
    } else if (item == "option_item_language_en") {
        ChangeLanguage("en", 0);
    } else if (item == "option_item_language_cn") {
        ChangeLanguage("cn_zh", 1);
    } else if (item == "option_item_language_ru") {
        ChangeLanguage("ru", 2);
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
}

void CMainWnd::UpdateVersionTexts() {
    if (auto* soft = FindControl<ui::Label>("soft_version")) {
        soft->SetText(CAboutWnd::SoftwareText());
    }
    if (auto* inner = FindControl<ui::Label>("inner_fw_version")) {
        inner->SetText(CAboutWnd::BuiltInFirmwareText());
    }
    if (auto* device = FindControl<ui::Label>("fw_version")) {
        device->SetText(CAboutWnd::FirmwareText(About()));
    }
}

AboutInfo CMainWnd::About() const {
    return IsConnected() ? AboutInfo{mModel, mMainVersion, mSlaveVersion} : AboutInfo{};
}

void CMainWnd::ShowAbout() {
    CAboutWnd::Run(this, About());
}

void CMainWnd::ShowMessage(const QString& textKey) {
    CMsgWnd::MessageBox(this, "${tips}", textKey, {"${confirm}"});
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (!mClosing) {
        mClosing = true;
        Disconnect();
        // A message box still open must not outlive the main window.
        ui::Window::CloseAllPopups(0);
        QCoreApplication::quit();
    }
    ui::Window::closeEvent(event);
}
