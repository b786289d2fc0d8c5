#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

struct zip;  // libzip's zip_t, kept out of this header

namespace ui {

// The skin's layouts, images and language files, read from an encrypted zip held in memory.
// Entry names use forward slashes ("xml/res.xml"); a backslash in a looked-up path counts as one.
// Safe to read from several threads at once.
class SkinArchive {
  public:
    // Larger entries are refused before anything is allocated for them.
    static constexpr std::uint64_t kMaxEntrySize = 64ull * 1024 * 1024;

    // Opens a zip held in memory; entries are decrypted with the password. nullptr and *error set
    // when the bytes are not a readable zip.
    static std::unique_ptr<SkinArchive> Open(QByteArray zipBytes, const QByteArray& password,
                                             QString* error);

    ~SkinArchive();
    SkinArchive(const SkinArchive&) = delete;
    SkinArchive& operator=(const SkinArchive&) = delete;

    // An entry's bytes; nullopt (and *error) when missing, or when it cannot be decrypted or read
    // (wrong password, corrupt data).
    std::optional<QByteArray> Read(const QString& path, QString* error = nullptr) const;
    bool Contains(const QString& path) const;
    // Every file entry, sorted; folder entries are left out.
    QStringList Files() const;

  private:
    explicit SkinArchive(QByteArray bytes);

    // libzip reads straight from these bytes, so they must outlive archive_ and never detach.
    const QByteArray bytes_;
    zip* archive_ = nullptr;
    QHash<QString, std::uint64_t> index_;
    QStringList files_;
    // A zip_t is not safe for concurrent use.
    mutable std::mutex mutex_;
};

// The archive built into the executable; empty when the build has none.
QByteArray EmbeddedSkinBytes();
// The skin password.
QByteArray SkinPassword();

}  // namespace ui
