// Skin archives from bytes: opened with the skin password, then every entry read.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "ui/skin_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray password = ui::SkinPassword();
    QString error;
    const auto archive = ui::SkinArchive::Open(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), password,
        &error);
    if (!archive) {
        return 0;
    }
    for (const QString& path : archive->Files()) {
        (void)archive->Contains(path);
        (void)archive->Read(path, &error);
    }
    return 0;
}
