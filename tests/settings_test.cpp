// The settings file "trevik.ini" and the marker files.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <cstdio>

#include <sys/stat.h>

#include "shell/markers.h"
#include "shell/run_log.h"
#include "shell/settings.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mRoot.isValid());
        mConfig = mRoot.filePath("config/orn-dsp");
        mWork = mRoot.filePath("work");
        ASSERT_TRUE(QDir().mkpath(mWork));
    }
    QString ConfigFile() const { return mConfig + "/trevik.ini"; }
    QString WorkFile() const { return mWork + "/trevik.ini"; }

    QTemporaryDir mRoot;
    QString mConfig;
    QString mWork;
};

TEST_F(SettingsTest, NoFileAnywhereReadsEnglishAndCreatesNothing) {
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 0);
    EXPECT_EQ(shell::LanguageName(settings.ReadLanguage()), "en");
    EXPECT_FALSE(QFile::exists(mRoot.filePath("config")));
    EXPECT_FALSE(QFile::exists(WorkFile()));
}

TEST_F(SettingsTest, LanguageSwitchCreatesTheFileInTheConfigFolder) {
    shell::Settings settings(mConfig, mWork);
    ASSERT_TRUE(settings.WriteLanguage(1));
    EXPECT_EQ(ReadAll(ConfigFile()), "[config]\nlan=1\n");
    EXPECT_FALSE(QFile::exists(WorkFile()));
    EXPECT_EQ(settings.ReadLanguage(), 1);
    ASSERT_TRUE(settings.WriteLanguage(2));
    EXPECT_EQ(ReadAll(ConfigFile()), "[config]\nlan=2\n");
    EXPECT_EQ(shell::Settings(mConfig, mWork).ReadLanguage(), 2);
    ASSERT_TRUE(settings.WriteLanguage(0));
    EXPECT_EQ(settings.ReadLanguage(), 0);
}

TEST_F(SettingsTest, IndicesOutsideTheLanguagesAreRefusedAndWriteNothing) {
    shell::Settings settings(mConfig, mWork);
    EXPECT_FALSE(settings.WriteLanguage(3));
    EXPECT_FALSE(settings.WriteLanguage(-1));
    EXPECT_FALSE(QFile::exists(ConfigFile()));
    EXPECT_FALSE(QFile::exists(WorkFile()));
}

TEST_F(SettingsTest, AHandEditedSevenSelectsNoLanguageUntilTheNextSwitch) {
    ASSERT_TRUE(QDir().mkpath(mConfig));
    WriteAll(ConfigFile(), "[config]\nlan=7\n");
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 7);
    EXPECT_TRUE(shell::LanguageName(7).isEmpty());
    ASSERT_TRUE(settings.WriteLanguage(2));
    EXPECT_EQ(ReadAll(ConfigFile()), "[config]\nlan=2\n");
}

TEST_F(SettingsTest, LanguageNamesAndIndicesMatch) {
    EXPECT_EQ(shell::LanguageName(0), "en");
    EXPECT_EQ(shell::LanguageName(1), "cn_zh");
    EXPECT_EQ(shell::LanguageName(2), "ru");
    EXPECT_TRUE(shell::LanguageName(-1).isEmpty());
    EXPECT_EQ(shell::LanguageIndex("ru"), 2);
    EXPECT_EQ(shell::LanguageIndex("cn_zh"), 1);
    EXPECT_EQ(shell::LanguageIndex("de"), -1);
}

TEST_F(SettingsTest, WritingKeepsEverythingElseInTheFile) {
    ASSERT_TRUE(QDir().mkpath(mConfig));
    WriteAll(ConfigFile(),
             "; kept\n[other]\nlan=9\n\n[CONFIG]\nfoo = bar\n LAN = 0 \nlast=1\n[tail]\nx=y\n");
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 0);
    ASSERT_TRUE(settings.WriteLanguage(1));
    EXPECT_EQ(ReadAll(ConfigFile()),
              "; kept\n[other]\nlan=9\n\n[CONFIG]\nfoo = bar\n LAN =1\nlast=1\n[tail]\nx=y\n");
    EXPECT_EQ(settings.ReadLanguage(), 1);
}

TEST_F(SettingsTest, AMissingKeyGoesIntoTheExistingSectionWithItsLineEndings) {
    ASSERT_TRUE(QDir().mkpath(mConfig));
    WriteAll(ConfigFile(), "[config]\r\nfoo=1\r\n\r\n[next]\r\nlan=2\r\n");
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 0);  // the other section's "lan" does not count
    ASSERT_TRUE(settings.WriteLanguage(2));
    EXPECT_EQ(ReadAll(ConfigFile()), "[config]\r\nfoo=1\r\nlan=2\r\n\r\n[next]\r\nlan=2\r\n");
    EXPECT_EQ(settings.ReadLanguage(), 2);
}

TEST_F(SettingsTest, ValuesAreReadLikeProfileIntegers) {
    ASSERT_TRUE(QDir().mkpath(mConfig));
    shell::Settings settings(mConfig, mWork);
    const std::pair<const char*, int> cases[] = {
        {"lan=2", 2},
        {"lan = 1 ", 1},
        {"lan=2abc", 2},
        {"lan=-1", -1},
        {"lan=", 0},
        {"lan=abc", 0},
        {"lan=99999999999999999999", INT_MAX},
        {"\xEF\xBB\xBFlan=1", 0},
    };
    for (const auto& [line, expected] : cases) {
        WriteAll(ConfigFile(), QByteArray("[config]\n") + line + "\n");
        EXPECT_EQ(settings.ReadLanguage(), expected) << line;
    }
    WriteAll(ConfigFile(), "\xEF\xBB\xBF[config]\nlan=1\n");
    EXPECT_EQ(settings.ReadLanguage(), 1) << "byte order mark";
}

TEST_F(SettingsTest, MemoryKeysKeepEveryWordAndLeaveTheLanguageAlone) {
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadInt(shell::kMemAddrKey, 0), 0);
    ASSERT_TRUE(settings.WriteLanguage(2));
    ASSERT_TRUE(settings.WriteInt(shell::kMemAddrKey, 4096));
    ASSERT_TRUE(settings.WriteInt(shell::kMemDataKey, INT_MIN));
    EXPECT_EQ(ReadAll(ConfigFile()), "[config]\nlan=2\nmem_addr=4096\nmem_data=-2147483648\n");
    EXPECT_EQ(settings.ReadInt(shell::kMemDataKey, 0), INT_MIN);
    ASSERT_TRUE(settings.WriteInt(shell::kMemAddrKey, -1));
    EXPECT_EQ(settings.ReadInt(shell::kMemAddrKey, 0), -1);
    EXPECT_EQ(settings.ReadLanguage(), 2);
    WriteAll(ConfigFile(), "[config]\nmem_addr=-99999999999\nmem_data=x\n");
    EXPECT_EQ(settings.ReadInt(shell::kMemAddrKey, 0), INT_MIN);
    EXPECT_EQ(settings.ReadInt(shell::kMemDataKey, 7), 7);
}

TEST_F(SettingsTest, GarbageIsSurvivedAndReportedWithFileAndLine) {
    ASSERT_TRUE(QDir().mkpath(mConfig));
    QTemporaryDir logDir;
    const QString logPath = logDir.filePath("save.log");
    std::FILE* console = std::tmpfile();
    ASSERT_TRUE(runlog::Open(logPath.toStdString(), console));

    QByteArray junk("[config\n[config]\n\x01\x02\xff\xfe\n");
    junk.append(QByteArray("\0\0lan\n", 6));
    junk.append(QByteArray(300, '\0'));
    junk.append("\nlan=zz\n");
    WriteAll(ConfigFile(), junk);
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 0);

    WriteAll(ConfigFile(), QByteArray(70 * 1024, 'x'));
    EXPECT_EQ(settings.ReadLanguage(), 0);
    runlog::Close();
    std::fclose(console);

    const QByteArray log = ReadAll(logPath);
    const QByteArray file = ConfigFile().toUtf8();
    EXPECT_TRUE(log.contains(file + ":1: section header without ']'")) << log.constData();
    EXPECT_TRUE(log.contains(file + ":3: entry without '='")) << log.constData();
    EXPECT_TRUE(log.contains(file + ":6: \"lan\" is not a number: zz")) << log.constData();
    EXPECT_TRUE(log.contains(file + ": larger than 64 KiB")) << log.constData();
}

TEST_F(SettingsTest, AnUnusableConfigFolderFallsBackToTheWorkingDirectory) {
    // A plain file where the folder should be: it can never be created.
    QFile::remove(mRoot.filePath("config"));
    WriteAll(mRoot.filePath("config"), "not a folder");
    shell::Settings settings(mConfig, mWork);
    ASSERT_TRUE(settings.WriteLanguage(2));
    EXPECT_EQ(ReadAll(WorkFile()), "[config]\nlan=2\n");
    EXPECT_EQ(settings.ReadPath(), WorkFile());
    EXPECT_EQ(settings.ReadLanguage(), 2);
}

TEST_F(SettingsTest, NoConfigFolderAtAllUsesTheWorkingDirectory) {
    shell::Settings settings(QString(), mWork);
    EXPECT_EQ(settings.ReadPath(), WorkFile());
    ASSERT_TRUE(settings.WriteLanguage(1));
    EXPECT_EQ(ReadAll(WorkFile()), "[config]\nlan=1\n");
    EXPECT_EQ(settings.ReadLanguage(), 1);
}

TEST_F(SettingsTest, TheConfigFolderFileWinsOverTheWorkingDirectorys) {
    WriteAll(WorkFile(), "[config]\nlan=2\n");
    shell::Settings settings(mConfig, mWork);
    EXPECT_EQ(settings.ReadLanguage(), 2);
    ASSERT_TRUE(settings.WriteLanguage(1));
    EXPECT_EQ(settings.ReadPath(), ConfigFile());
    EXPECT_EQ(settings.ReadLanguage(), 1);
    EXPECT_EQ(ReadAll(WorkFile()), "[config]\nlan=2\n");
}

TEST_F(SettingsTest, TheUserFolderFollowsXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", mRoot.filePath("xdg").toUtf8());
    EXPECT_EQ(shell::UserConfigFolder(), mRoot.filePath("xdg/orn-dsp"));
    EXPECT_FALSE(QFile::exists(mRoot.filePath("xdg")));
    if (saved.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", saved);
    }
}

class MarkersTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(mDir.isValid()); }
    QTemporaryDir mDir;
};

TEST_F(MarkersTest, AnEmptyFileCountsAndEachMarkerIsItsOwn) {
    EXPECT_FALSE(shell::SaveLogMarkerPresent(mDir.path()));
    EXPECT_FALSE(shell::DebugMarkerPresent(mDir.path()));
    EXPECT_FALSE(shell::NoForceUpdateMarkerPresent(mDir.path()));
    WriteAll(mDir.filePath("debug.ini"), "");
    EXPECT_TRUE(shell::DebugMarkerPresent(mDir.path()));
    EXPECT_FALSE(shell::SaveLogMarkerPresent(mDir.path()));
    EXPECT_FALSE(shell::NoForceUpdateMarkerPresent(mDir.path()));
    WriteAll(mDir.filePath("noForceUpdate.ini"), "anything");
    EXPECT_TRUE(shell::NoForceUpdateMarkerPresent(mDir.path()));
    // The name is exact on this file system.
    WriteAll(mDir.filePath("SAVELOG.INI"), "");
    EXPECT_FALSE(shell::SaveLogMarkerPresent(mDir.path()));
    // Each call looks again.
    ASSERT_TRUE(QFile::remove(mDir.filePath("noForceUpdate.ini")));
    EXPECT_FALSE(shell::NoForceUpdateMarkerPresent(mDir.path()));
}

TEST_F(MarkersTest, AnUnreadableFileOrADanglingLinkStillCounts) {
    const QString path = mDir.filePath("savelog.ini");
    WriteAll(path, "secret");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    EXPECT_TRUE(shell::SaveLogMarkerPresent(mDir.path()));
    ASSERT_TRUE(QFile::link(mDir.filePath("gone"), mDir.filePath("debug.ini")));
    EXPECT_TRUE(shell::DebugMarkerPresent(mDir.path()));
}

TEST_F(MarkersTest, TheDefaultDirectoryIsTheWorkingDirectory) {
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(mDir.path()));
    EXPECT_FALSE(shell::DebugMarkerPresent());
    WriteAll(mDir.filePath("debug.ini"), "");
    EXPECT_TRUE(shell::DebugMarkerPresent());
    ASSERT_TRUE(QDir::setCurrent(saved));
}

}  // namespace
