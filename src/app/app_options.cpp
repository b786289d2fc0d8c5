#include "app/app_options.h"

namespace app {

AppOptions ParseAppOptions(const QStringList& arguments) {
    AppOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--simulate") {
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
    return "Usage: orn-dsp [--simulate] [--screenshot FILE] [--help]\n"
           "\n"
           "  --simulate         use the built-in virtual amplifier instead of USB\n"
           "  --screenshot FILE  render the main window to a PNG after start-up and the\n"
           "                     connection attempt, then exit (works headless with\n"
           "                     QT_QPA_PLATFORM=offscreen)\n"
           "  --help             show this text\n";
}

}  // namespace app
