// The single-instance lock between real processes.

#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kWaitMs = 20000;

// Runs the helper to completion and returns the line it printed.
QString Probe(const QString& dir) {
    QProcess helper;
    helper.start(QStringLiteral(HELPER_PATH), {dir, QStringLiteral("probe")});
    if (!helper.waitForFinished(kWaitMs)) {
        helper.kill();
        helper.waitForFinished();
        return QStringLiteral("timeout");
    }
    return QString::fromLocal8Bit(helper.readAllStandardOutput()).trimmed();
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(mDir.isValid()); }
    QTemporaryDir mDir;
};

TEST_F(SingleInstanceTest, TheKeyCarriesTheModelName) {
    EXPECT_EQ(platform::SingleInstanceKey(), "TREVIK4TO8_ORN14.60DSP");
    EXPECT_EQ(platform::SingleInstanceKey("X1"), "TREVIK4TO8_X1");
    platform::SingleInstance instance(platform::SingleInstanceKey(), mDir.path());
    EXPECT_EQ(instance.LockPath(), mDir.filePath("TREVIK4TO8_ORN14.60DSP.lock"));
}

TEST_F(SingleInstanceTest, ASecondProcessFindsTheFirstOneHoldingTheLock) {
    QProcess first;
    first.start(QStringLiteral(HELPER_PATH), {mDir.path(), QStringLiteral("hold")});
    ASSERT_TRUE(first.waitForReadyRead(kWaitMs));
    EXPECT_EQ(QString::fromLocal8Bit(first.readLine()).trimmed(), "first");

    EXPECT_EQ(Probe(mDir.path()), "second");
    EXPECT_EQ(Probe(mDir.path()), "second");  // asking does not disturb the holder
    {
        platform::SingleInstance here(platform::SingleInstanceKey(), mDir.path());
        EXPECT_TRUE(here.IsSecondCopy());
        EXPECT_FALSE(here.HoldsLock());
    }

    first.closeWriteChannel();
    ASSERT_TRUE(first.waitForFinished(kWaitMs));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFile::exists(mDir.filePath("TREVIK4TO8_ORN14.60DSP.lock")));
    EXPECT_EQ(Probe(mDir.path()), "first");
}

TEST_F(SingleInstanceTest, TheLockIsHeldForTheHoldersLifetime) {
    auto holder =
        std::make_unique<platform::SingleInstance>(platform::SingleInstanceKey(), mDir.path());
    ASSERT_TRUE(holder->HoldsLock());
    EXPECT_FALSE(holder->IsSecondCopy());
    EXPECT_EQ(Probe(mDir.path()), "second");
    holder.reset();
    EXPECT_EQ(Probe(mDir.path()), "first");
}

TEST_F(SingleInstanceTest, ALockLeftByACrashedProcessIsTakenOver) {
    QProcess crashed;
    crashed.start(QStringLiteral(HELPER_PATH), {mDir.path(), QStringLiteral("crash")});
    ASSERT_TRUE(crashed.waitForFinished(kWaitMs));
    EXPECT_EQ(crashed.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(QString::fromLocal8Bit(crashed.readAllStandardOutput()).trimmed(), "first");
    ASSERT_TRUE(QFile::exists(mDir.filePath("TREVIK4TO8_ORN14.60DSP.lock")));

    platform::SingleInstance next(platform::SingleInstanceKey(), mDir.path());
    EXPECT_TRUE(next.HoldsLock());
    EXPECT_FALSE(next.IsSecondCopy());
    EXPECT_EQ(Probe(mDir.path()), "second");
}

TEST_F(SingleInstanceTest, DifferentKeysDoNotMeet) {
    platform::SingleInstance one(platform::SingleInstanceKey("A"), mDir.path());
    platform::SingleInstance other(platform::SingleInstanceKey("B"), mDir.path());
    EXPECT_TRUE(one.HoldsLock());
    EXPECT_TRUE(other.HoldsLock());
}

TEST_F(SingleInstanceTest, WithoutAUsableDirectoryTheProcessGoesOnAsTheFirstCopy) {
    QFile blocker(mDir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::SingleInstance instance(platform::SingleInstanceKey(), mDir.filePath("file/sub"));
    EXPECT_FALSE(instance.IsSecondCopy());
    EXPECT_FALSE(instance.HoldsLock());
    EXPECT_EQ(Probe(mDir.filePath("file/sub")), "nolock");
}

TEST_F(SingleInstanceTest, TheDefaultDirectoryIsTheRuntimeDirectoryWhenThereIsOne) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", mDir.path().toUtf8());
    EXPECT_EQ(platform::DefaultLockDirectory(), mDir.path());
    qputenv("XDG_RUNTIME_DIR", mDir.filePath("missing").toUtf8());
    EXPECT_EQ(platform::DefaultLockDirectory(), QDir::tempPath());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::DefaultLockDirectory(), QDir::tempPath());
    if (!saved.isNull()) {
        qputenv("XDG_RUNTIME_DIR", saved);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
