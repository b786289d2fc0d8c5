#pragma once
// The firmware the program carries: the MCU and DSP images, written out for an update into a
// folder of their own (owner only, a name nobody can guess) that goes with this object.

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace firmware {

// Result codes of writing one image out; those of the flash image are reported plus
// kFlashCodeOffset.
enum ExtractResult : int {
    kExtracted = 0,
    kResourceNotFound = 1,
    kResourceNotLoaded = 2,
    kResourceEmpty = 3,
    kResourceNotLocked = 4,  // kept for the numbering; a Qt resource is always readable
    kTargetNotCreated = 5,
    kShortWrite = 6,
};
inline constexpr int kFlashCodeOffset = 6;

inline constexpr char kMcuResource[] = ":/firmware/IDR_MCU_BIN";
inline constexpr char kFlashResource[] = ":/firmware/IDR_FLASH_BIN";
// The update tells the image kind by these endings.
inline constexpr char kMcuFileName[] = "MCU_UPG.bin";
inline constexpr char kFlashFileName[] = "FLASH_UPG.bin";

class BuiltInImages {
  public:
    explicit BuiltInImages(QString mcuResource = QString::fromLatin1(kMcuResource),
                           QString flashResource = QString::fromLatin1(kFlashResource));

    // 0 when both are written, else the first failure's code; nothing stays on disk then.
    int Extract();
    QString McuPath() const { return mMcuPath; }
    QString FlashPath() const { return mFlashPath; }
    QString Folder() const { return mDir ? mDir->path() : QString(); }

  private:
    QString mMcuResource;
    QString mFlashResource;
    std::unique_ptr<QTemporaryDir> mDir;
    QString mMcuPath;
    QString mFlashPath;
};

}  // namespace firmware
