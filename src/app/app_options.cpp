#include "app/app_options.h"

namespace app {
namespace {

// "16.20": two numbers of one byte each.
bool ParseVersion(const QString& text, int& major, int& minor) {
    const QStringList parts = text.split('.');
    if (parts.size() != 2) {
        return false;
    }
    bool okMajor = false;
    bool okMinor = false;
    major = parts[0].toInt(&okMajor);
    minor = parts[1].toInt(&okMinor);
    return okMajor && okMinor && major >= 0 && major <= 255 && minor >= 0 && minor <= 255;
}

}  // namespace

AppOptions ParseAppOptions(const QStringList& arguments) {
    AppOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--simulate-firmware") {
            if (i + 1 >= arguments.size() ||
                !ParseVersion(arguments[i + 1], options.firmwareMajor, options.firmwareMinor)) {
                options.error = "--simulate-firmware needs a version such as 16.20";
                return options;
            }
            ++i;
            options.simulate = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--screenshot") {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith("--")) {
                options.error = "--screenshot needs a file name";
                return options;
            }
            options.screenshot = arguments[++i];
        } else if (arg.startsWith("--screenshot=")) {
            options.screenshot = arg.mid(int(sizeof "--screenshot=") - 1);
            if (options.screenshot.isEmpty()) {
                options.error = "--screenshot needs a file name";
                return options;
            }
        } else {
            options.error = QString("unknown argument '%1'").arg(arg);
            return options;
        }
    }
    return options;
}

QString AppUsage() {
    return "Usage: orn-dsp [--simulate] [--simulate-firmware X.Y] [--screenshot FILE] [--help]\n"
           "\n"
           "  --simulate         use the built-in virtual amplifier instead of USB\n"
           "  --simulate-firmware X.Y\n"
           "                     the same, with the virtual amplifier running firmware X.Y\n"
           "                     (an older one than the program carries is offered the\n"
           "                     update)\n"
           "  --screenshot FILE  render the main window to a PNG after start-up and the\n"
           "                     connection attempt, then exit (works headless with\n"
           "                     QT_QPA_PLATFORM=offscreen)\n"
           "  --help             show this text\n";
}

}  // namespace app
