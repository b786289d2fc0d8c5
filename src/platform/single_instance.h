#pragma once
// The single-instance rule: the first copy of the program takes a lock keyed with the model
// name and holds it for its lifetime; a later copy finds it taken. The lock is a file in the
// user's runtime directory (or the temporary directory) held with an OS file lock, so a copy
// that crashed leaves nothing that blocks the next start: its stale lock is taken over.

#include <QLockFile>
#include <QString>

#include <memory>

#include "shell/identity.h"

namespace platform {

// "TREVIK4TO8_" followed by the model name.
QString SingleInstanceKey(const QString& modelName = QString::fromLatin1(shell::kModelName));

// $XDG_RUNTIME_DIR when it names a directory, else the temporary directory.
QString DefaultLockDirectory();

class SingleInstance {
  public:
    // Tries the lock at once, without waiting.
    explicit SingleInstance(const QString& key = SingleInstanceKey(),
                            const QString& directory = DefaultLockDirectory());
    ~SingleInstance();  // releases the lock when held
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Another live copy holds the lock. When the lock could not be tried at all (no
    // directory, no permission) this is false: the process goes on as the first copy.
    bool IsSecondCopy() const { return mSecondCopy; }
    bool HoldsLock() const;
    QString LockPath() const { return mPath; }

  private:
    QString mPath;
    std::unique_ptr<QLockFile> mLock;
    bool mSecondCopy = false;
};

}  // namespace platform
