// orn-dsp: start-up, the message loop and shutdown.

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/app_options.h"
#include "platform/device_watcher.h"
#include "platform/hid_transport.h"
#include "platform/single_instance.h"
#include "shell/identity.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "shell/ui_scale.h"
#include "sim/demo_tuning.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/resources.h"
#include "windows/main_wnd.h"

namespace {

void OpenRunLog() {
    if (!shell::SaveLogMarkerPresent()) {
        return;
    }
    runlog::InitConsoleWindow("save.log");
    runlog::Log("MODEL_NAME: %s\n", shell::kModelName);
    runlog::Log("MODEL_ID: %d\n", shell::kModelId);
    runlog::Log("VERSION: %s\n", shell::kSoftwareVersion);
    runlog::Log("INNER_FW: %d, %d\n", shell::kBuiltInFirmwareMajor, shell::kBuiltInFirmwareMinor);
}

shell::ScreenLayout CurrentScreens() {
    shell::ScreenLayout layout;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return layout;
    }
    layout.primaryWidth = primary->geometry().width();
    layout.primaryHeight = primary->geometry().height();
    const QRect all = primary->virtualGeometry();
    layout.virtualScreen = {all.left(), all.top(), all.left() + all.width(),
                            all.top() + all.height()};
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        layout.monitors.push_back({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    }
    return layout;
}

// The USB amplifier through hidapi and udev, or `amplifier` when there is one.
void UseDevices(CMainWnd::Config& config, std::shared_ptr<sim::VirtualAmplifier> amplifier) {
    config.makeTransport =
        [amplifier](dsplink::Clock& clock) -> std::unique_ptr<dsplink::HidTransport> {
        if (amplifier) {
            return std::make_unique<sim::SimTransport>(amplifier, clock);
        }
        return platform::MakeHidTransport();
    };
    config.makeWatcher = [amplifier](CMainWnd::DeviceReport report) {
        std::unique_ptr<platform::DeviceWatcher> watcher =
            amplifier ? platform::MakeSimulatedDeviceWatcher(amplifier)
                      : platform::MakeDeviceWatcher();
        runlog::Log("device notifications from %s\n", watcher->Kind());
        return CMainWnd::Relay(std::move(watcher), std::move(report));
    };
}

// A changed screen set needs a new scale: start a fresh copy and close this one normally.
void WatchScreens(CMainWnd& window) {
    auto restart = [&window] {
        runlog::Log("display changed, restarting\n");
        QStringList arguments = QCoreApplication::arguments().mid(1);
        QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
        window.close();
    };
    auto watch = [&window, restart](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, &window, restart);
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    QObject::connect(app, &QGuiApplication::screenAdded, &window, restart);
    QObject::connect(app, &QGuiApplication::screenRemoved, &window, restart);
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, &window, restart);
}

// Renders the window once start-up and the connection attempt are over, then quits.
void ScheduleScreenshot(CMainWnd& window, const QString& file, int* exitCode) {
    auto shoot = [&window, file, exitCode] {
        if (!window.grab().save(file, "PNG")) {
            std::fprintf(stderr, "orn-dsp: cannot write the screenshot to %s\n",
                         file.toLocal8Bit().constData());
            *exitCode = 1;
        }
        QCoreApplication::quit();
    };
    auto whenSettled = [shoot] { QTimer::singleShot(300, shoot); };
    if (window.ConnectAttemptDone()) {
        whenSettled();
    } else {
        QObject::connect(&window, &CMainWnd::connectAttemptFinished, &window, whenSettled,
                         Qt::SingleShotConnection);
        // A silent amplifier may hold the handshake for 10 s; do not wait forever.
        QTimer::singleShot(15000, &window, shoot);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Help must work without a display, so before Qt connects to one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(app::AppUsage().toUtf8().constData(), stdout);
            return 0;
        }
    }
    QApplication application(argc, argv);
    // Qt has taken its own options (-platform ...) out of the arguments by now.
    const app::AppOptions options = app::ParseAppOptions(application.arguments().mid(1));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "orn-dsp: %s\n\n%s", options.error.toUtf8().constData(),
                     app::AppUsage().toUtf8().constData());
        return 2;
    }
    OpenRunLog();

    QString skinError;
    if (!ui::Resources::Instance().LoadEmbedded(&skinError)) {
        runlog::Log("no skin: %s\n", skinError.toUtf8().constData());
    }
    ui::Resources::Instance().SetUiScaleDpi(shell::UiScaleDpi(CurrentScreens()));

    std::shared_ptr<sim::VirtualAmplifier> amplifier;
    if (options.simulate) {
        amplifier = std::make_shared<sim::VirtualAmplifier>();
        // Something to look at and tune: a typical installation rather than a blank amplifier.
        amplifier->Modify(sim::ApplyDemoTuning);
        if (options.firmwareMajor >= 0) {
            amplifier->SetIdentity(static_cast<uint8_t>(shell::kModelId),
                                   static_cast<uint8_t>(options.firmwareMajor),
                                   static_cast<uint8_t>(options.firmwareMinor));
        }
    }
    // Held until the program ends.
    const platform::SingleInstance instance;
    CMainWnd::Config config;
    UseDevices(config, std::move(amplifier));
    config.secondCopy = instance.IsSecondCopy();
    auto window = std::make_unique<CMainWnd>(std::move(config));
    window->Create("XML_MAIN");
    window->SetCaption(shell::kCaption);
    window->show();
    window->CenterOnOwner();
    WatchScreens(*window);

    int exitCode = 0;
    if (!options.screenshot.isEmpty()) {
        ScheduleScreenshot(*window, options.screenshot, &exitCode);
    }
    application.exec();
    window.reset();
    runlog::Close();
    return exitCode;
}
