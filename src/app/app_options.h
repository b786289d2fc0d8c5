#pragma once
// The program's own options (the platform's, such as -platform, are Qt's business).

#include <QString>
#include <QStringList>

namespace app {

struct AppOptions {
    bool simulate = false;  // the virtual amplifier instead of USB
    // With simulate: the firmware version the virtual amplifier reports (-1: the built-in one).
    int firmwareMajor = -1;
    int firmwareMinor = -1;
    QString screenshot;  // render the main window to this PNG and exit
    bool help = false;
    QString error;  // set when the arguments cannot be used
};

// `arguments` without the program name.
AppOptions ParseAppOptions(const QStringList& arguments);
QString AppUsage();

}  // namespace app
