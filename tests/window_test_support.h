#pragma once
// Shared by the tests of windows that work on the manager: a manager connected to the virtual
// amplifier the way the main window connects it.

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <QTimer>

#include "model/equalizer_manager.h"
#include "ui/window.h"
#include "ui_layouts/test_app.h"

namespace window_test {

// Posted messages go nowhere: these tests watch the windows and the amplifier instead.
struct NullEvents : model::ManagerEvents {
    void Post(uint32_t, uint32_t) override {}
};

// Connects, waits for the state read and finishes the connection (queued sends from now on).
inline ::testing::AssertionResult ConnectManager(model::EqualizerManager& manager) {
    manager.Connect(true);
    if (!QTest::qWaitFor([&] { return !manager.JobRunning(); }, 20000)) {
        return ::testing::AssertionFailure() << "the connect job did not end";
    }
    manager.WaitForJobs();
    QTest::qWait(50);
    manager.FinishConnection();
    QTest::qWait(20);
    return ::testing::AssertionSuccess();
}

// Closes every modal Box with the given choice from inside its own loop, for as long as it
// lives, and counts them.
template <typename Box>
struct ModalAnswer {
    explicit ModalAnswer(int choice) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this, choice] {
            for (ui::Window* w : ui::Window::AllWindows()) {
                auto* box = dynamic_cast<Box*>(w);
                if (box && box->IsModalRunning()) {
                    box->Close(choice);
                    ++answered;
                }
            }
        });
        timer.start();
    }
    QTimer timer;
    int answered = 0;
};

#ifdef WINDOW_SHOTS_DIR
// The README's pictures of the windows, drawn into the build folder.
inline bool SaveShot(QWidget& window, const char* name) {
    QDir().mkpath(QStringLiteral(WINDOW_SHOTS_DIR));
    return window.grab().save(QStringLiteral(WINDOW_SHOTS_DIR "/") + QLatin1String(name));
}
#endif

}  // namespace window_test
