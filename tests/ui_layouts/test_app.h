#pragma once
// Shared by the Qt test programs: one offscreen QApplication for the whole process, and the
// repository's skin.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "ui/resources.h"

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps caches it never frees; only that library is excused, never our code.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

namespace ui_test {

inline QApplication* EnsureApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return app;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = {name, nullptr};
    // Reachable through this static for the whole run, like the application object of main().
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

inline QString LayoutsDir() {
    return QStringLiteral(UI_LAYOUTS_DIR);
}
inline QString SkinDir() {
    return QStringLiteral(SKIN_DIR);
}

// An offscreen application with the skin folder loaded and English selected.
inline ::testing::AssertionResult LoadEnglishSkin() {
    EnsureApp();
    auto& res = ui::Resources::Instance();
    res.Reset();
    QString error;
    if (!res.LoadFromDirectory(SkinDir(), &error)) {
        return ::testing::AssertionFailure() << error.toStdString();
    }
    if (!res.SelectLanguage(QStringLiteral("en"))) {
        return ::testing::AssertionFailure() << "no English texts";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace ui_test
