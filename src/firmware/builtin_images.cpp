#include "firmware/builtin_images.h"

#include <QFile>

#include "shell/run_log.h"

namespace firmware {
namespace {

int WriteOut(const QString& resource, const QString& target) {
    QFile source(resource);
    if (!source.exists()) {
        return kResourceNotFound;
    }
    if (!source.open(QIODevice::ReadOnly)) {
        return kResourceNotLoaded;
    }
    const QByteArray bytes = source.readAll();
    if (bytes.isEmpty()) {
        return kResourceEmpty;
    }
    QFile out(target);
    // NewOnly: the folder is ours alone, so a file already there is not ours to reuse.
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return kTargetNotCreated;
    }
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        return kShortWrite;
    }
    return kExtracted;
}

}  // namespace

BuiltInImages::BuiltInImages(QString mcuResource, QString flashResource)
    : mMcuResource(std::move(mcuResource)), mFlashResource(std::move(flashResource)) {}

int BuiltInImages::Extract() {
    mMcuPath.clear();
    mFlashPath.clear();
    // QTemporaryDir makes the folder with mkdtemp: mode 0700 and a random name.
    mDir = std::make_unique<QTemporaryDir>();
    if (!mDir->isValid()) {
        runlog::Log("no private folder for the firmware: %s\n",
                    mDir->errorString().toLocal8Bit().constData());
        mDir.reset();
        return kTargetNotCreated;
    }
    const QString mcu = mDir->filePath(QString::fromLatin1(kMcuFileName));
    const QString flash = mDir->filePath(QString::fromLatin1(kFlashFileName));
    int code = WriteOut(mMcuResource, mcu);
    if (code == kExtracted) {
        code = WriteOut(mFlashResource, flash);
        if (code != kExtracted) {
            code += kFlashCodeOffset;
        }
    }
    if (code != kExtracted) {
        mDir.reset();  // removes whatever was written
        return code;
    }
    mMcuPath = mcu;
    mFlashPath = flash;
    return kExtracted;
}

}  // namespace firmware
