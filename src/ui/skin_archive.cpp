#include "ui/skin_archive.h"

#include <zip.h>
#include <zlib.h>

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <utility>

#ifndef ORN_SKIN_PASSWORD
#error "ORN_SKIN_PASSWORD must be set by the build, which packs the skin with the same password"
#endif

// Outside any namespace, as the macro declares the resource's initialiser where it stands. Calling
// it links the resource out of the static library and registers it even if no static
// initialiser ran.
static void RegisterSkinResource() {
    Q_INIT_RESOURCE(skin);
}

namespace ui {

namespace {

// No skin comes near this; a directory claiming more is corrupt or hostile.
constexpr zip_int64_t kMaxEntries = 100000;
// Deflate never grows data by more than a few bytes per block; encryption adds a few dozen.
constexpr zip_uint64_t kMaxStoredSize =
    SkinArchive::kMaxEntrySize + SkinArchive::kMaxEntrySize / 16;

void SetError(QString* error, const QString& message) {
    if (error != nullptr) {
        *error = message;
    }
}

QString Normalize(const QString& path) {
    QString key = path;
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return key;
}

QString Describe(zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_WRONGPASSWD:
            return QStringLiteral("wrong password");
        case ZIP_ER_NOPASSWD:
            return QStringLiteral("the file is encrypted and no password was given");
        case ZIP_ER_CRC:
            // The AES authentication code is reported as a checksum.
            return QStringLiteral("checksum mismatch (corrupt data or wrong password)");
        default:
            return QString::fromUtf8(zip_error_strerror(error));
    }
}

QString ArchiveProblem(zip_t* archive) {
    const QString problem = Describe(zip_get_error(archive));
    zip_error_clear(archive);
    return problem;
}

QString SizeMismatch(qsizetype actual, qsizetype claimed) {
    return actual > claimed
               ? QStringLiteral("cannot read: longer than the %1 bytes its header claims")
                     .arg(claimed)
               : QStringLiteral("cannot read: shorter than the %1 bytes its header claims")
                     .arg(claimed);
}

// The entry's data decrypted but still compressed, read to the very end: only that checks the
// AES authentication code, and libzip's own inflater stops reading before it gets there, which
// would let tampered data through.
std::optional<QByteArray> ReadStored(zip_t* archive, zip_uint64_t index, zip_uint64_t storedSize,
                                     QString* problem) {
    zip_file_t* file = zip_fopen_index(archive, index, ZIP_FL_COMPRESSED);
    if (file == nullptr) {
        *problem = QStringLiteral("cannot decrypt or open: %1").arg(ArchiveProblem(archive));
        return std::nullopt;
    }
    // The decrypted data is shorter than the stored size by the salt, verifier and code.
    QByteArray bytes(static_cast<qsizetype>(storedSize) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        const zip_int64_t n =
            zip_fread(file, bytes.data() + total, static_cast<zip_uint64_t>(bytes.size() - total));
        if (n < 0) {
            *problem = QStringLiteral("cannot read: %1").arg(Describe(zip_file_get_error(file)));
            break;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<qsizetype>(n);
        if (total == bytes.size()) {
            *problem = QStringLiteral("cannot read: more data than its header claims");
            break;
        }
    }
    zip_fclose(file);
    if (!problem->isEmpty()) {
        return std::nullopt;
    }
    bytes.truncate(total);
    return bytes;
}

// Raw deflate into a buffer one byte larger than the claimed size, so that data inflating to
// more than the header says is caught without ever growing the buffer.
std::optional<QByteArray> Inflate(const QByteArray& deflated, qsizetype size, QString* problem) {
    QByteArray out(size + 1, Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        *problem = QStringLiteral("cannot read: the inflater did not start");
        return std::nullopt;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.constData()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const auto produced = static_cast<qsizetype>(stream.total_out);
    const bool leftOver = stream.avail_in > 0;
    const QString message = QString::fromUtf8(stream.msg != nullptr ? stream.msg : "");
    inflateEnd(&stream);
    if (result == Z_STREAM_END) {
        if (produced != size) {
            *problem = SizeMismatch(produced, size);
            return std::nullopt;
        }
        if (leftOver) {
            *problem = QStringLiteral("cannot read: data after the end of the compressed stream");
            return std::nullopt;
        }
        out.truncate(size);
        return out;
    }
    if (result == Z_DATA_ERROR) {
        *problem = QStringLiteral("cannot read: corrupt compressed data (%1)").arg(message);
    } else if (produced > size) {
        *problem = SizeMismatch(produced, size);
    } else if (result == Z_MEM_ERROR) {
        *problem = QStringLiteral("cannot read: out of memory");
    } else {
        *problem = QStringLiteral("cannot read: the compressed data ends early");
    }
    return std::nullopt;
}

}  // namespace

SkinArchive::SkinArchive(QByteArray bytes) : bytes_(std::move(bytes)) {}

SkinArchive::~SkinArchive() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
}

std::unique_ptr<SkinArchive> SkinArchive::Open(QByteArray zipBytes, const QByteArray& password,
                                               QString* error) {
    if (zipBytes.isEmpty()) {
        SetError(error, QStringLiteral("skin archive: no data"));
        return nullptr;
    }
    std::unique_ptr<SkinArchive> result(new SkinArchive(std::move(zipBytes)));

    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* source = zip_source_buffer_create(
        result->bytes_.constData(), static_cast<zip_uint64_t>(result->bytes_.size()), 0, &zipError);
    if (source == nullptr) {
        SetError(error, QStringLiteral("skin archive: %1").arg(Describe(&zipError)));
        zip_error_fini(&zipError);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zipError);
    if (archive == nullptr) {
        zip_source_free(source);
        SetError(error,
                 QStringLiteral("skin archive: not a readable zip (%1)").arg(Describe(&zipError)));
        zip_error_fini(&zipError);
        return nullptr;
    }
    zip_error_fini(&zipError);
    result->archive_ = archive;

    if (!password.isEmpty() && zip_set_default_password(archive, password.constData()) != 0) {
        SetError(error, QStringLiteral("skin archive: cannot set the password (%1)")
                            .arg(ArchiveProblem(archive)));
        return nullptr;
    }

    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0 || count > kMaxEntries) {
        SetError(error,
                 QStringLiteral("skin archive: implausible number of entries (%1)").arg(count));
        return nullptr;
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* name = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
        if (name == nullptr) {
            SetError(error, QStringLiteral("skin archive: entry %1 has no readable name (%2)")
                                .arg(i)
                                .arg(ArchiveProblem(archive)));
            return nullptr;
        }
        const QString key = Normalize(QString::fromUtf8(name));
        if (key.isEmpty() || key.endsWith(QLatin1Char('/'))) {
            continue;
        }
        // A repeated name would make a lookup ambiguous; the first one wins, as in a listing.
        if (!result->index_.contains(key)) {
            result->index_.insert(key, index);
            result->files_.append(key);
        }
    }
    result->files_.sort();
    return result;
}

std::optional<QByteArray> SkinArchive::Read(const QString& path, QString* error) const {
    const QString key = Normalize(path);
    const auto fail = [&](const QString& problem) {
        SetError(error, QStringLiteral("skin archive: \"%1\": %2").arg(key, problem));
        return std::nullopt;
    };
    const auto found = index_.constFind(key);
    if (found == index_.constEnd()) {
        return fail(QStringLiteral("no such file"));
    }
    const zip_uint64_t index = found.value();

    std::lock_guard<std::mutex> lock(mutex_);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, index, 0, &stat) != 0) {
        return fail(ArchiveProblem(archive_));
    }
    constexpr zip_uint64_t kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
    if ((stat.valid & kNeeded) != kNeeded) {
        return fail(QStringLiteral("size or compression method unknown"));
    }
    if (stat.size > kMaxEntrySize) {
        return fail(QStringLiteral("claims %1 bytes, over the limit of %2 MiB for one skin file")
                        .arg(stat.size)
                        .arg(kMaxEntrySize / (1024 * 1024)));
    }
    if (stat.comp_size > kMaxStoredSize) {
        return fail(QStringLiteral("claims %1 stored bytes, over the limit of %2 MiB")
                        .arg(stat.comp_size)
                        .arg(kMaxStoredSize / (1024 * 1024)));
    }
    if (stat.comp_method != ZIP_CM_STORE && stat.comp_method != ZIP_CM_DEFLATE) {
        return fail(QStringLiteral("compression method %1 is not supported").arg(stat.comp_method));
    }
    const bool encrypted =
        (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE;
    if (encrypted && !zip_encryption_method_supported(stat.encryption_method, 0)) {
        return fail(QStringLiteral("encryption method 0x%1 cannot be decrypted by this build")
                        .arg(stat.encryption_method, 4, 16, QLatin1Char('0')));
    }

    QString problem;
    const std::optional<QByteArray> stored = ReadStored(archive_, index, stat.comp_size, &problem);
    if (!stored) {
        return fail(problem);
    }
    const auto size = static_cast<qsizetype>(stat.size);
    std::optional<QByteArray> data;
    if (stat.comp_method == ZIP_CM_STORE) {
        if (stored->size() != size) {
            return fail(SizeMismatch(stored->size(), size));
        }
        data = stored;
    } else {
        data = Inflate(*stored, size, &problem);
        if (!data) {
            return fail(problem);
        }
    }
    // AES entries are covered by their authentication code; the rest only by the CRC.
    const bool aes = encrypted && (stat.encryption_method == ZIP_EM_AES_128 ||
                                   stat.encryption_method == ZIP_EM_AES_192 ||
                                   stat.encryption_method == ZIP_EM_AES_256);
    if (!aes && (stat.valid & ZIP_STAT_CRC) != 0 &&
        crc32(0, reinterpret_cast<const Bytef*>(data->constData()),
              static_cast<uInt>(data->size())) != stat.crc) {
        return fail(QStringLiteral("cannot read: CRC mismatch (corrupt data)"));
    }
    return data;
}

bool SkinArchive::Contains(const QString& path) const {
    return index_.contains(Normalize(path));
}

QStringList SkinArchive::Files() const {
    return files_;
}

QByteArray EmbeddedSkinBytes() {
    static std::once_flag registered;
    std::call_once(registered, RegisterSkinResource);
    QFile file(QStringLiteral(":/skin.zip"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QByteArray SkinPassword() {
    return QByteArrayLiteral(ORN_SKIN_PASSWORD);
}

}  // namespace ui
