// The images the program carries: valid for their kind, written into a private folder, and
// gone again with it.
#include "firmware/builtin_images.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

#include "link/firmware_image.h"
#include "shell/identity.h"

namespace {

std::vector<uint8_t> ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(BuiltInImages, AreValidImagesOfTheirKindInAPrivateFolder) {
    QString folder;
    {
        firmware::BuiltInImages images;
        ASSERT_EQ(images.Extract(), firmware::kExtracted);
        folder = images.Folder();
        struct stat info {};
        ASSERT_EQ(::stat(folder.toLocal8Bit().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);

        const std::string mcu = images.McuPath().toStdString();
        const std::string flash = images.FlashPath().toStdString();
        EXPECT_TRUE(images.McuPath().endsWith("MCU_UPG.bin"));
        EXPECT_TRUE(images.FlashPath().endsWith("FLASH_UPG.bin"));
        ASSERT_EQ(dsplink::TargetForFileName(mcu), dsplink::UPG_TARGET_MCU);
        ASSERT_EQ(dsplink::TargetForFileName(flash), dsplink::UPG_TARGET_FLASH);
        EXPECT_EQ(dsplink::CheckFirmwareImage(ReadAll(images.McuPath()), dsplink::UPG_TARGET_MCU,
                                              shell::kModelId)
                      .result,
                  dsplink::UPG_FILE_VALID);
        EXPECT_EQ(dsplink::CheckFirmwareImage(ReadAll(images.FlashPath()),
                                              dsplink::UPG_TARGET_FLASH, shell::kModelId)
                      .result,
                  dsplink::UPG_FILE_VALID);

        // Every update gets a folder of its own.
        firmware::BuiltInImages other;
        ASSERT_EQ(other.Extract(), firmware::kExtracted);
        EXPECT_NE(other.Folder(), folder);
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(BuiltInImages, AFailureLeavesNothingAndNamesWhichImage) {
    firmware::BuiltInImages noMcu(":/firmware/NO_SUCH_IMAGE");
    EXPECT_EQ(noMcu.Extract(), firmware::kResourceNotFound);
    EXPECT_TRUE(noMcu.Folder().isEmpty());
    EXPECT_TRUE(noMcu.McuPath().isEmpty());

    firmware::BuiltInImages noFlash(QString::fromLatin1(firmware::kMcuResource),
                                    ":/firmware/NO_SUCH_IMAGE");
    EXPECT_EQ(noFlash.Extract(), firmware::kResourceNotFound + firmware::kFlashCodeOffset);
    EXPECT_TRUE(noFlash.Folder().isEmpty());
}

}  // namespace
