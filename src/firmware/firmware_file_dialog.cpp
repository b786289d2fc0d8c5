#include "firmware/firmware_file_dialog.h"

#include <QDir>
#include <QFileDialog>

#include "shell/identity.h"
#include "shell/run_log.h"

namespace firmware {

QString ChooseImageFile(QWidget* owner) {
    const QString mcu = QString::fromLatin1(shell::kModelName) + QStringLiteral("_MCU_UPG.bin");
    const QString flash = QString::fromLatin1(shell::kModelName) + QStringLiteral("_FLASH_UPG.bin");
    // The filter is the two names themselves: Qt matches patterns case-sensitively on Linux, so
    // the lower-case spellings the update accepts are offered as well.
    const QString filter =
        QStringLiteral("%1,%2 (%1 %2 %3 %4)").arg(mcu, flash, mcu.toLower(), flash.toLower());
    const QString path =
        QFileDialog::getOpenFileName(owner, QString(), QDir::currentPath(), filter);
    if (!path.isEmpty()) {
        runlog::Log("Upg_GetOpenFileName %s ok\n", path.toLocal8Bit().constData());
    }
    return path;
}

}  // namespace firmware
