#include "platform/single_instance.h"

#include <QDir>
#include <QFileInfo>

#include "shell/run_log.h"

namespace platform {

QString SingleInstanceKey(const QString& modelName) {
    return QStringLiteral("TREVIK4TO8_") + modelName;
}

QString DefaultLockDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    return QDir::tempPath();
}

SingleInstance::SingleInstance(const QString& key, const QString& directory)
    : mPath(QDir(directory).filePath(key + QStringLiteral(".lock"))),
      mLock(std::make_unique<QLockFile>(mPath)) {
    // Never stale by age: the first copy may run for days. A lock whose owner is gone is
    // still recognised (no such process, and the OS file lock went with it).
    mLock->setStaleLockTime(0);
    if (mLock->tryLock(0)) {
        return;
    }
    if (mLock->error() == QLockFile::LockFailedError) {
        mSecondCopy = true;
        return;
    }
    runlog::Log("single instance lock %s cannot be taken (error %d), going on\n",
                qUtf8Printable(mPath), static_cast<int>(mLock->error()));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::HoldsLock() const {
    return mLock->isLocked();
}

}  // namespace platform
