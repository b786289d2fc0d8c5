#include "ui/skin_archive.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

const QByteArray kPassword = QByteArrayLiteral("test-only-password");

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun RunSkinpack(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(SKINPACK_PATH), arguments);
    ToolRun run;
    if (!process.waitForStarted() || !process.waitForFinished(120000)) {
        run.errors = QStringLiteral("skinpack did not run: ") + process.errorString();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray RandomBytes(qsizetype size, std::uint32_t seed) {
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

quint32 Le32(const QByteArray& b, qsizetype at) {
    quint32 v = 0;
    for (int k = 3; k >= 0; --k) {
        v = (v << 8) | static_cast<quint8>(b[at + k]);
    }
    return v;
}

quint16 Le16(const QByteArray& b, qsizetype at) {
    return static_cast<quint16>(static_cast<quint8>(b[at]) | (static_cast<quint8>(b[at + 1]) << 8));
}

void PutLe32(QByteArray& b, qsizetype at, quint32 v) {
    for (int k = 0; k < 4; ++k) {
        b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    }
}

// Rewrites the uncompressed size of one entry in both its local and its central header, so that
// the archive stays consistent and only the claim is wrong.
bool PatchUncompressedSize(QByteArray& zip, const QByteArray& name, quint32 size) {
    const qsizetype eocd = zip.size() - 22;
    if (eocd < 0 || Le32(zip, eocd) != 0x06054b50) {
        return false;
    }
    qsizetype at = Le32(zip, eocd + 16);
    const int entries = Le16(zip, eocd + 10);
    for (int i = 0; i < entries; ++i) {
        if (Le32(zip, at) != 0x02014b50) {
            return false;
        }
        const int nameLength = Le16(zip, at + 28);
        const qsizetype next = at + 46 + nameLength + Le16(zip, at + 30) + Le16(zip, at + 32);
        if (zip.mid(at + 46, nameLength) == name) {
            const qsizetype local = Le32(zip, at + 42);
            PutLe32(zip, at + 24, size);
            PutLe32(zip, local + 22, size);
            return true;
        }
        at = next;
    }
    return false;
}

// A plain (unencrypted) zip with one entry, as other tools write them; "deflated" wraps the data
// in a single stored deflate block, which is valid deflate that a test can still tamper with.
QByteArray PlainZip(const QByteArray& name, const QByteArray& data, bool deflated = false) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    crc = ~crc;
    const auto length = static_cast<quint16>(data.size());
    QByteArray stored = data;
    if (deflated) {
        stored.prepend(QByteArray(1, '\x01') + QByteArray(1, static_cast<char>(length & 0xFF)) +
                       QByteArray(1, static_cast<char>(length >> 8)) +
                       QByteArray(1, static_cast<char>(~length & 0xFF)) +
                       QByteArray(1, static_cast<char>((~length >> 8) & 0xFF)));
    }
    const quint16 method = deflated ? 8 : 0;
    auto le16 = [](QByteArray& b, quint16 v) {
        b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
    };
    auto le32 = [&le16](QByteArray& b, quint32 v) {
        le16(b, static_cast<quint16>(v & 0xFFFF));
        le16(b, static_cast<quint16>(v >> 16));
    };
    QByteArray zip;
    le32(zip, 0x04034b50);
    for (const quint16 v : {quint16{20}, quint16{0}, method, quint16{0}, quint16{0x21}}) {
        le16(zip, v);  // version, flags, method, time, date
    }
    le32(zip, crc);
    le32(zip, static_cast<quint32>(stored.size()));
    le32(zip, static_cast<quint32>(data.size()));
    le16(zip, static_cast<quint16>(name.size()));
    le16(zip, 0);
    zip.append(name).append(stored);
    const auto central = static_cast<quint32>(zip.size());
    le32(zip, 0x02014b50);
    for (const quint16 v :
         {quint16{20}, quint16{20}, quint16{0}, method, quint16{0}, quint16{0x21}}) {
        le16(zip, v);
    }
    le32(zip, crc);
    le32(zip, static_cast<quint32>(stored.size()));
    le32(zip, static_cast<quint32>(data.size()));
    for (const quint16 v :
         {static_cast<quint16>(name.size()), quint16{0}, quint16{0}, quint16{0}, quint16{0}}) {
        le16(zip, v);
    }
    le32(zip, 0);  // external attributes
    le32(zip, 0);  // local header offset
    zip.append(name);
    const auto centralSize = static_cast<quint32>(zip.size()) - central;
    le32(zip, 0x06054b50);
    for (const quint16 v : {0, 0, 1, 1}) {
        le16(zip, v);
    }
    le32(zip, centralSize);
    le32(zip, central);
    le16(zip, 0);
    return zip;
}

// A skin folder with text, UTF-8, binary, nested and empty files, plus hidden files that must
// stay out of the archive.
class SkinArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.filePath(QStringLiteral("skin"));
        files_["xml/res.xml"] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<res>\n  <layout name=\"XML_MAIN\" "
            "file=\"xml/main.xml\"/>\n</res>\n";
        files_["lan/lan_cn.xml"] = QStringLiteral(
                                       "<language name=\"cn_zh\"><text key=\"tips\">提示</text>"
                                       "<text key=\"confirm\">确定</text></language>\n")
                                       .toUtf8();
        files_["lan/lan_ru.xml"] = QStringLiteral(
                                       "<language name=\"ru\"><text key=\"tips\">Внимание</text>"
                                       "</language>\n")
                                       .toUtf8();
        files_["img/logo.png"] = RandomBytes(70000, 1);
        files_["img/knobs/small knob.png"] = RandomBytes(3000, 2);
        files_["empty.txt"] = QByteArray();
        files_["zeros.bin"] = QByteArray(10000, '\0');
        for (const auto& [name, bytes] : files_) {
            ASSERT_TRUE(WriteFile(source_ + QLatin1Char('/') + name, bytes));
        }
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/.hidden"), "x"));
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/.git/config"), "x"));
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/xml/.res.xml.swp"), "x"));
    }

    QByteArray Pack(const QString& folder, const QString& zipName,
                    const QByteArray& password = kPassword) {
        const QString output = dir_.filePath(zipName);
        const ToolRun run = RunSkinpack(
            {QStringLiteral("--password"), QString::fromUtf8(password), folder, output});
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
        return ReadFile(output);
    }

    QByteArray PackFixture() { return Pack(source_, QStringLiteral("skin.zip")); }

    // A few small files: the fuzz loops open it thousands of times.
    QByteArray PackSmall() {
        const QString folder = dir_.filePath(QStringLiteral("small"));
        EXPECT_TRUE(WriteFile(folder + QStringLiteral("/xml/res.xml"), "<res><a/></res>"));
        EXPECT_TRUE(WriteFile(folder + QStringLiteral("/lan/lan_en.xml"),
                              "<language name=\"en\"><text key=\"tips\">Notice</text></language>"));
        EXPECT_TRUE(WriteFile(folder + QStringLiteral("/img/dot.png"), RandomBytes(300, 7)));
        return Pack(folder, QStringLiteral("small.zip"));
    }

    QTemporaryDir dir_;
    QString source_;
    std::map<QString, QByteArray> files_;
};

std::map<QString, QByteArray> ReadAll(const ui::SkinArchive& archive) {
    std::map<QString, QByteArray> result;
    for (const QString& name : archive.Files()) {
        QString error;
        const auto bytes = archive.Read(name, &error);
        EXPECT_TRUE(bytes.has_value()) << error.toStdString();
        if (bytes) {
            result[name] = *bytes;
        }
    }
    return result;
}

TEST_F(SkinArchiveTest, PackedFolderReadsBackByteForByte) {
    QString error;
    const auto archive = ui::SkinArchive::Open(PackFixture(), kPassword, &error);
    ASSERT_NE(archive, nullptr) << error.toStdString();

    QStringList expected;
    for (const auto& entry : files_) {
        expected.append(entry.first);
    }
    EXPECT_EQ(archive->Files(), expected);  // hidden files left out, sorted, forward slashes
    EXPECT_EQ(ReadAll(*archive), files_);
    EXPECT_TRUE(archive->Contains(QStringLiteral("img/knobs/small knob.png")));
    EXPECT_FALSE(archive->Contains(QStringLiteral(".hidden")));
    EXPECT_FALSE(archive->Contains(QStringLiteral("img/knobs")));
}

TEST_F(SkinArchiveTest, BackslashPathsFindTheSameEntry) {
    const auto archive = ui::SkinArchive::Open(PackFixture(), kPassword, nullptr);
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->Contains(QStringLiteral("xml\\res.xml")));
    const auto bytes = archive->Read(QStringLiteral("xml\\res.xml"));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, files_["xml/res.xml"]);
}

TEST_F(SkinArchiveTest, MissingEntryGivesNulloptAndNamesIt) {
    const auto archive = ui::SkinArchive::Open(PackFixture(), kPassword, nullptr);
    ASSERT_NE(archive, nullptr);
    QString error;
    EXPECT_FALSE(archive->Read(QStringLiteral("xml/missing.xml"), &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("\"xml/missing.xml\": no such file")))
        << error.toStdString();
    EXPECT_FALSE(archive->Read(QStringLiteral("xml/missing.xml")).has_value());
    EXPECT_FALSE(archive->Contains(QStringLiteral("xml/missing.xml")));
}

TEST_F(SkinArchiveTest, OutputDependsOnlyOnContent) {
    const QByteArray first = PackFixture();
    // New time stamps and a fresh run must not change a byte.
    const QString logo = source_ + QStringLiteral("/img/logo.png");
    QFile logoFile(logo);
    ASSERT_TRUE(logoFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(logoFile.setFileTime(QDateTime::currentDateTime().addDays(-400),
                                     QFileDevice::FileModificationTime));
    logoFile.close();
    const QByteArray second = Pack(source_, QStringLiteral("again.zip"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first, second);

    ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/xml/res.xml"), "<res/>"));
    EXPECT_NE(Pack(source_, QStringLiteral("changed.zip")), first);
}

TEST_F(SkinArchiveTest, EntriesAreReallyEncrypted) {
    const QByteArray zip = PackFixture();
    // Random data stays as stored blocks under deflate, so without encryption it would show.
    const QByteArray& logo = files_["img/logo.png"];
    for (qsizetype at = 0; at + 32 <= logo.size(); at += 7001) {
        EXPECT_FALSE(zip.contains(logo.mid(at, 32))) << "plain bytes at offset " << at;
    }

    QString error;
    const auto noPassword = ui::SkinArchive::Open(zip, QByteArray(), &error);
    ASSERT_NE(noPassword, nullptr) << error.toStdString();
    EXPECT_FALSE(noPassword->Read(QStringLiteral("xml/res.xml"), &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("no password"))) << error.toStdString();
}

TEST_F(SkinArchiveTest, WrongPasswordFailsEveryReadWithAClearError) {
    QString error;
    const auto archive = ui::SkinArchive::Open(PackFixture(), "pomvex-tirk-balunD", &error);
    ASSERT_NE(archive, nullptr) << error.toStdString();
    EXPECT_EQ(archive->Files().size(), static_cast<qsizetype>(files_.size()));
    for (const QString& name : archive->Files()) {
        error.clear();
        EXPECT_FALSE(archive->Read(name, &error).has_value()) << name.toStdString();
        EXPECT_TRUE(error.contains(name)) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("password"))) << error.toStdString();
    }
}

TEST_F(SkinArchiveTest, PlainEntriesAreReadAndTheirCrcChecked) {
    const QByteArray data = "<res><a/></res>";
    for (const bool deflated : {false, true}) {
        SCOPED_TRACE(deflated ? "deflated" : "stored");
        QString error;
        const QByteArray zip = PlainZip("xml/res.xml", data, deflated);
        const auto archive = ui::SkinArchive::Open(zip, kPassword, &error);
        ASSERT_NE(archive, nullptr) << error.toStdString();
        EXPECT_EQ(archive->Read(QStringLiteral("xml/res.xml"), &error), data)
            << error.toStdString();

        QByteArray damaged = zip;
        damaged[damaged.indexOf(data) + 2] = 'X';
        const auto broken = ui::SkinArchive::Open(damaged, kPassword, &error);
        ASSERT_NE(broken, nullptr) << error.toStdString();
        EXPECT_FALSE(broken->Read(QStringLiteral("xml/res.xml"), &error).has_value());
        EXPECT_TRUE(error.contains(QStringLiteral("mismatch"))) << error.toStdString();
    }
}

TEST_F(SkinArchiveTest, EmptyFolderGivesAnEmptyArchive) {
    const QString folder = dir_.filePath(QStringLiteral("nothing"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QString error;
    const auto archive =
        ui::SkinArchive::Open(Pack(folder, QStringLiteral("nothing.zip")), kPassword, &error);
    ASSERT_NE(archive, nullptr) << error.toStdString();
    EXPECT_TRUE(archive->Files().isEmpty());
}

TEST_F(SkinArchiveTest, EmptyOrForeignBytesFailToOpen) {
    QString error;
    EXPECT_EQ(ui::SkinArchive::Open(QByteArray(), kPassword, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("no data"))) << error.toStdString();
    error.clear();
    EXPECT_EQ(ui::SkinArchive::Open("<?xml version=\"1.0\"?><res/>", kPassword, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("not a readable zip"))) << error.toStdString();
}

TEST_F(SkinArchiveTest, EveryTruncationFailsToOpen) {
    const QByteArray zip = PackSmall();
    ASSERT_GT(zip.size(), 300);
    for (qsizetype length = 0; length < zip.size(); ++length) {
        QString error;
        EXPECT_EQ(ui::SkinArchive::Open(zip.left(length), kPassword, &error), nullptr)
            << "length " << length;
        EXPECT_FALSE(error.isEmpty());
    }
    // Cuts of the big archive, including inside the central directory.
    const QByteArray big = PackFixture();
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        const qsizetype length = random() % big.size();
        EXPECT_EQ(ui::SkinArchive::Open(big.left(length), kPassword, nullptr), nullptr);
    }
}

TEST_F(SkinArchiveTest, BitFlipsNeverYieldWrongContent) {
    const QByteArray zip = PackSmall();
    QString error;
    const auto original = ui::SkinArchive::Open(zip, kPassword, &error);
    ASSERT_NE(original, nullptr) << error.toStdString();
    const std::map<QString, QByteArray> plain = ReadAll(*original);
    ASSERT_EQ(plain.size(), 3u);

    std::mt19937 random(12345);
    int opened = 0;
    int refusedReads = 0;
    for (int i = 0; i < 2000; ++i) {
        QByteArray damaged = zip;
        const int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f) {
            const qsizetype at = random() % damaged.size();
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
        }
        const auto archive = ui::SkinArchive::Open(damaged, kPassword, &error);
        if (archive == nullptr) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ++opened;
        for (const QString& name : archive->Files()) {
            const auto bytes = archive->Read(name, &error);
            if (!bytes) {
                ++refusedReads;
                EXPECT_TRUE(error.contains(name));
                continue;
            }
            // A flip in a name gives an entry we never packed; its bytes must still be one of
            // ours, never silently altered data.
            const auto same = plain.find(name);
            if (same != plain.end()) {
                EXPECT_EQ(*bytes, same->second)
                    << "flip round " << i << " entry " << name.toStdString();
            } else {
                bool known = false;
                for (const auto& entry : plain) {
                    known = known || entry.second == *bytes;
                }
                EXPECT_TRUE(known) << "flip round " << i << " entry " << name.toStdString();
            }
        }
    }
    // Both paths must have been exercised, or the loop proves nothing.
    EXPECT_GT(opened, 100);
    EXPECT_GT(refusedReads, 100);
}

TEST_F(SkinArchiveTest, RandomBytesFailToOpen) {
    std::mt19937 random(99);
    for (int i = 0; i < 500; ++i) {
        const QByteArray noise = RandomBytes(1 + random() % 4096, random());
        EXPECT_EQ(ui::SkinArchive::Open(noise, kPassword, nullptr), nullptr) << "round " << i;
    }
    // Noise behind a well-formed end record sends the reader into garbage headers.
    for (int i = 0; i < 500; ++i) {
        QByteArray noise = RandomBytes(64 + random() % 2048, random());
        QByteArray eocd(22, '\0');
        PutLe32(eocd, 0, 0x06054b50);
        const quint16 entries = static_cast<quint16>(1 + random() % 40);
        eocd[8] = eocd[10] = static_cast<char>(entries);
        PutLe32(eocd, 12, static_cast<quint32>(random() % (noise.size() + 1)));
        PutLe32(eocd, 16, static_cast<quint32>(random() % noise.size()));
        QString error;
        const auto archive = ui::SkinArchive::Open(noise + eocd, kPassword, &error);
        if (archive == nullptr) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        for (const QString& name : archive->Files()) {
            archive->Read(name, &error);
        }
    }
}

TEST_F(SkinArchiveTest, EntryClaimingAnAbsurdSizeIsRefusedBeforeAllocating) {
    for (const quint32 claim :
         {0xFFFFFFF0u, static_cast<quint32>(ui::SkinArchive::kMaxEntrySize + 1)}) {
        QByteArray zip = PackFixture();
        ASSERT_TRUE(PatchUncompressedSize(zip, "zeros.bin", claim));
        QString error;
        const auto archive = ui::SkinArchive::Open(zip, kPassword, &error);
        ASSERT_NE(archive, nullptr) << error.toStdString();
        EXPECT_FALSE(archive->Read(QStringLiteral("zeros.bin"), &error).has_value());
        EXPECT_TRUE(error.contains(QStringLiteral("over the limit of 64 MiB")))
            << error.toStdString();
        // The other entries are untouched.
        EXPECT_EQ(archive->Read(QStringLiteral("xml/res.xml")), files_["xml/res.xml"]);
    }
}

TEST_F(SkinArchiveTest, EntryDisagreeingWithItsHeaderIsRefused) {
    {
        QByteArray zip = PackFixture();
        ASSERT_TRUE(PatchUncompressedSize(zip, "zeros.bin", 100));  // inflates to 10000
        const auto archive = ui::SkinArchive::Open(zip, kPassword, nullptr);
        ASSERT_NE(archive, nullptr);
        QString error;
        EXPECT_FALSE(archive->Read(QStringLiteral("zeros.bin"), &error).has_value());
        EXPECT_TRUE(error.contains(QStringLiteral("longer than the 100 bytes")))
            << error.toStdString();
    }
    {
        QByteArray zip = PackFixture();
        ASSERT_TRUE(PatchUncompressedSize(zip, "zeros.bin", 20000));
        const auto archive = ui::SkinArchive::Open(zip, kPassword, nullptr);
        ASSERT_NE(archive, nullptr);
        QString error;
        EXPECT_FALSE(archive->Read(QStringLiteral("zeros.bin"), &error).has_value());
        EXPECT_TRUE(error.contains(QStringLiteral("shorter than the 20000 bytes")))
            << error.toStdString();
    }
}

TEST_F(SkinArchiveTest, ConcurrentReadsAllSucceed) {
    const auto archive = ui::SkinArchive::Open(PackFixture(), kPassword, nullptr);
    ASSERT_NE(archive, nullptr);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 10; ++round) {
                for (const auto& [name, bytes] : files_) {
                    if (archive->Read(name) != bytes) {
                        ++wrong;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(SkinArchiveTest, SkinpackRejectsBadInvocations) {
    const QString output = dir_.filePath(QStringLiteral("out.zip"));
    ToolRun run = RunSkinpack({source_, output});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("usage:"))) << run.errors.toStdString();

    run = RunSkinpack({QStringLiteral("--password"), QString(), source_, output});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("must not be empty")));

    const QString missing = dir_.filePath(QStringLiteral("no-such-folder"));
    run = RunSkinpack({QStringLiteral("--password"), QStringLiteral("p"), missing, output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.errors.contains(QStringLiteral("\"") + missing + QStringLiteral("\" does not exist")))
        << run.errors.toStdString();

    const QString unwritable = dir_.filePath(QStringLiteral("no-such-folder/out.zip"));
    run = RunSkinpack({QStringLiteral("--password"), QStringLiteral("p"), source_, unwritable});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("cannot create"))) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));
}

TEST_F(SkinArchiveTest, SkinpackRefusesOversizedFilesAndLeavesNoStaleArchive) {
    const QString output = dir_.filePath(QStringLiteral("out.zip"));
    ASSERT_TRUE(WriteFile(output, "an archive from an earlier run"));
    const QString huge = source_ + QStringLiteral("/img/huge.png");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(ui::SkinArchive::kMaxEntrySize + 1));  // sparse, costs no disk
    }
    const ToolRun run =
        RunSkinpack({QStringLiteral("--password"), QStringLiteral("p"), source_, output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(huge)) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("64 MiB"))) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(output));
}

// The archive built from the repository's skin folder, as the program sees it.
TEST(EmbeddedSkinTest, MatchesTheSkinFolderAndDecryptsWithTheSkinPassword) {
    const QByteArray bytes = ui::EmbeddedSkinBytes();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(ui::SkinPassword(), QByteArrayLiteral("pomvex-tirk-balund"));
    QString error;
    const auto archive = ui::SkinArchive::Open(bytes, ui::SkinPassword(), &error);
    ASSERT_NE(archive, nullptr) << error.toStdString();

    const QDir skin(QStringLiteral(SKIN_SOURCE_DIR));
    QStringList onDisk;
    QDirIterator it(skin.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = skin.relativeFilePath(it.next());
        if (!relative.startsWith(QLatin1Char('.')) && !relative.contains(QStringLiteral("/."))) {
            onDisk.append(relative);
        }
    }
    onDisk.sort();
    EXPECT_EQ(archive->Files(), onDisk);
    for (const QString& name : archive->Files()) {
        const auto entry = archive->Read(name, &error);
        ASSERT_TRUE(entry.has_value()) << error.toStdString();
        EXPECT_EQ(*entry, ReadFile(skin.filePath(name))) << name.toStdString();
    }
    // The first file the program loads.
    EXPECT_TRUE(archive->Contains(QStringLiteral("xml/res.xml")));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
