// orn-dsp: start-up, the message loop and shutdown.

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app_options.h"
#include "demo_tuning.h"
#include "identity.h"
#include "main_wnd.h"
#include "markers.h"
#include "resources.h"
#include "run_log.h"
#include "ui_scale.h"
#include "virtual_amplifier.h"

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
            std::fputs(shell::AppUsage().toUtf8().constData(), stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform ...) out of the arguments by now.
    const shell::AppOptions options = shell::ParseAppOptions(app.arguments().mid(1));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "orn-dsp: %s\n\n%s", options.error.toUtf8().constData(),
                     shell::AppUsage().toUtf8().constData());
        return 2;
    }
    OpenRunLog();

    QString skinError;
    if (!ui::Resources::Instance().LoadEmbedded(&skinError)) {
        runlog::Log("no skin: %s\n", skinError.toUtf8().constData());
    }
    ui::Resources::Instance().SetUiScaleDpi(shell::UiScaleDpi(CurrentScreens()));

    CMainWnd::Config config;
    if (options.simulate) {
        config.amplifier = std::make_shared<sim::VirtualAmplifier>();
        // Something to look at and tune: a typical installation rather than a blank amplifier.
        config.amplifier->Modify(sim::ApplyDemoTuning);
    }
    auto window = std::make_unique<CMainWnd>(config);
    window->Create("XML_MAIN");
    window->SetCaption(shell::kCaption);
    window->show();
    window->CenterOnOwner();
    WatchScreens(*window);

    int exitCode = 0;
    if (!options.screenshot.isEmpty()) {
        ScheduleScreenshot(*window, options.screenshot, &exitCode);
    }
    app.exec();
    window.reset();
    runlog::Close();
    return exitCode;
}
