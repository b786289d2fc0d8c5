#include "shell/markers.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <cerrno>

namespace shell {

bool MarkerPresent(const char* fileName, const QString& directory) {
    const QString folder = directory.isEmpty() ? QStringLiteral(".") : directory;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QString::fromUtf8(fileName)));
    struct stat info;
    // lstat: a link named like the marker is an entry in the directory, wherever it points.
    if (::lstat(path.constData(), &info) == 0) {
        return true;
    }
    // Only a definite "not there" is absence; anything else may hide a file we cannot see.
    return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace shell
