#pragma once
// Firmware upgrade: the codes and states shared by the link, its callers and the virtual
// amplifier. The transfer itself is DspLink::UpgradeStart and DspLink::UpgradeStep.

#include <cstddef>
#include <cstdint>

namespace dsplink {

// What UpgradeStart returns.
enum UpgradeResult : int {
    UPG_FILE_VALID = 0,      // checked, in upgrade mode, start acknowledged: call UpgradeStep
    UPG_FILE_OPEN_FAIL = 1,  // the file cannot be opened
    UPG_FILE_INVALID = 2,    // name, size, ID, model or checksum wrong
    UPG_CONNECT_FAIL = 3,    // no device, or it did not come back in its loader
    UPG_START_FAIL = 4,      // it did not enter upgrade mode, or refused the start
};

// What UpgradeStep returns besides the percentage sent (0 to 100).
constexpr int kUpgradeStepFinished = 101;
constexpr int kUpgradeStepFailed = 255;

// upgradeTarget: which image is being written.
enum UpgradeTarget : int {
    UPG_TARGET_NONE = 0,
    UPG_TARGET_FLASH = 1,       // the DSP firmware the MCU keeps in flash
    UPG_TARGET_MCU = 2,         // the MCU application
    UPG_TARGET_BOOTLOADER = 3,  // the MCU bootloader
};

// sys_upg_status.
enum UpgradeStatus : int {
    UPG_IDLE = 0,
    UPG_ENTER = 16,     // image checked (MCU, bootloader)
    UPG_START = 32,     // upgrade mode entered (a checked DSP flash image starts here)
    UPG_READY = 48,     // send the next block
    UPG_WAIT_ACK = 49,  // block sent, waiting for its acknowledgement
    UPG_DONE = 64,      // all sent
    UPG_FAILED = 80,
};

// Image file layout: FW_ID, FW_MODEL_ID, 4 start bytes, body, trailer word, checksum.
constexpr size_t kImageMaxSize = 1048576;
constexpr size_t kImageHeaderSize = 6;
constexpr size_t kImageTrailerSize = 8;
constexpr uint8_t kImageFwId = 1;  // MCU and bootloader images

// Blocks: MCU and bootloader 32 data bytes after a u32 offset; DSP flash up to 50 after the
// offset and a count.
constexpr size_t kMcuBlockSize = 32;
constexpr size_t kFlashBlockMax = 50;

// How the MCU comes back in its loader after being told to enter upgrade mode.
constexpr int kUpgradeRestartWaitMs = 8000;
constexpr int kUpgradeReopenTries = 10;
constexpr int kUpgradeReopenPauseMs = 500;

// A step that has waited this long for the acknowledgement of the start or of a block gives
// the transfer up: three reads of 10 s without an answer.
constexpr int kUpgradeAckLimitMs = 30000;

}  // namespace dsplink
