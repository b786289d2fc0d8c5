// Firmware upgrade: the image checks, entering upgrade mode and the block transfer, one block
// or one acknowledgement per UpgradeStep.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "link/dsp_link.h"
#include "link/encoding.h"
#include "link/firmware_image.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

// Read phases of UpgradeStep.
constexpr int kPhaseIdle = 0;  // nothing pending
constexpr int kPhaseSent = 1;  // a block was just sent
constexpr int kPhaseRead = 2;  // read its acknowledgement now
constexpr int kPhaseFinished = 3;

// The frames of one kind of image. Every kind enters upgrade mode through CMD_MCU.
struct UpgradeCommands {
    uint8_t enter;
    uint8_t type;  // of start, block and finish
    uint8_t start;
    uint8_t block;
    uint8_t finish;
    const char* startName;
};

constexpr UpgradeCommands kMcuCommands{MCU_ENTER_UPG, CMD_MCU,        MCU_UPG_START,
                                       MCU_UPG_DATA,  MCU_UPG_FINISH, "MCUUpgStart"};
constexpr UpgradeCommands kBootloaderCommands{MCU_BL_ENTER_UPG, CMD_MCU,           MCU_BL_UPG_START,
                                              MCU_BL_UPG_DATA,  MCU_BL_UPG_FINISH, "MCUUpgBLStart"};
constexpr UpgradeCommands kFlashCommands{MCU_ENTER_UPG,  CMD_FLASH,        FLASH_UPG_START,
                                         FLASH_UPG_DATA, FLASH_UPG_FINISH, "FlashUpgStart"};

const UpgradeCommands* CommandsFor(UpgradeTarget target) {
    switch (target) {
        case UPG_TARGET_MCU:
            return &kMcuCommands;
        case UPG_TARGET_BOOTLOADER:
            return &kBootloaderCommands;
        case UPG_TARGET_FLASH:
            return &kFlashCommands;
        default:
            return nullptr;
    }
}

PayloadWriter& U32(PayloadWriter& w, size_t v) {
    return w.U16(static_cast<uint32_t>(v >> 16) & 0xFFFF).U16(static_cast<uint32_t>(v) & 0xFFFF);
}

std::string Hex(std::span<const uint8_t> bytes) {
    std::string text;
    char item[4];
    for (uint8_t b : bytes) {
        std::snprintf(item, sizeof item, "%02x ", b);
        text += item;
    }
    return text;
}

}  // namespace

int DspLink::UpgradeStart(const std::string& path) {
    // Another start would take over the buffers and counters of the transfer that runs.
    if (mState.sys_upg_status != UPG_IDLE) {
        runlog::Log("UpgradeStart refused: an upgrade runs (0x%x)\n",
                    static_cast<unsigned>(mState.sys_upg_status.load()));
        return UPG_START_FAIL;
    }
    const UpgradeTarget target = TargetForFileName(path);
    if (target == UPG_TARGET_NONE) {
        runlog::Log("UpgradeStart UPG_FILE_INVALID\n");
        AbandonUpgrade();
        return UPG_FILE_INVALID;
    }
    runlog::Log("UpgradeStart filename\n");
    mUpgImageTotal = mUpgImageRemaining = 0;
    mUpgDspTotal = mUpgDspSent = 0;
    int parsed = UPG_FILE_INVALID;
    switch (target) {
        case UPG_TARGET_BOOTLOADER:
            runlog::Log("before MCUUpgBLParsingFile\n");
            parsed = MCUUpgBLParsingFile(path);
            break;
        case UPG_TARGET_FLASH:
            runlog::Log("before FlashUpgParsingFile\n");
            parsed = FlashUpgParsingFile(path);
            break;
        default:
            runlog::Log("before MCUUpgParsingFile\n");
            parsed = MCUUpgParsingFile(path);
            break;
    }
    runlog::Log("Parsing return 0x%0x\n", static_cast<unsigned>(parsed));
    if (parsed != UPG_FILE_VALID) {
        // A state left at 16 would keep the controller from ever disconnecting.
        AbandonUpgrade();
        return parsed;
    }

    const UpgradeCommands* commands = CommandsFor(target);
    if (commands == nullptr) {
        runlog::Log("unknown upg_device: 0x%0x\n", static_cast<unsigned>(target));
        AbandonUpgrade();
        return UPG_START_FAIL;
    }
    // Taken before the enter command: a ping while it is answered would clear it.
    const bool wasNormal = mState.mcu_is_normal_mode;
    if (target != UPG_TARGET_BOOTLOADER) {
        runlog::Log("MCU_Enter_Upg_Mode\n");
    }
    SendCtrlCommand(CMD_MCU, commands->enter, OP_WRITE, {});
    ReadHIDData(kReplyTimeoutMs);
    if (mState.sys_upg_status != UPG_START) {
        AbandonUpgrade();
        return UPG_START_FAIL;
    }

    if (wasNormal && target != UPG_TARGET_BOOTLOADER) {
        // The MCU restarts into its loader and its USB device goes away: a goodbye would only
        // fail, and the handle is dead.
        CloseHIDDevice(false);
        mClock.SleepMs(kUpgradeRestartWaitMs);
        for (int tries = 0; tries < kUpgradeReopenTries && Open() != OpenResult::Opened; ++tries) {
            mClock.SleepMs(kUpgradeReopenPauseMs);
        }
    }
    if (!IsOpen()) {
        runlog::Log("UpgradeStart Device not Connected\n");
        runlog::Log("UpgradeStart UPG_CONNECT_FAIL\n");
        AbandonUpgrade();
        return UPG_CONNECT_FAIL;
    }
    runlog::Log("UpgradeStart Device Connected\n");
    {
        std::lock_guard<std::mutex> guard(mParserLock);
        mParser.Reset();
    }
    const int started = SendUpgradeStart();
    runlog::Log("UpgradeStart %s return 0x%0x\n", commands->startName,
                static_cast<unsigned>(started));
    if (started != UPG_FILE_VALID) {
        AbandonUpgrade();
        return started;
    }
    // Gone during the start: no step could send anything.
    if (!IsOpen()) {
        runlog::Log("UpgradeStart Device not Connected\n");
        AbandonUpgrade();
        return UPG_CONNECT_FAIL;
    }
    mUpgReadPhase = kPhaseIdle;
    mUpgEmptyReads = 0;
    return UPG_FILE_VALID;
}

int DspLink::MCUUpgParsingFile(const std::string& path) {
    if (!IsOpen()) {
        runlog::Log("MCUUpgParsingFile return UPG_CONNECT_FAIL!\n");
        return UPG_CONNECT_FAIL;
    }
    return CopyFileToBuffer(path, UPG_TARGET_MCU);
}

int DspLink::MCUUpgBLParsingFile(const std::string& path) {
    if (!IsOpen()) {
        runlog::Log("MCUUpgBLParsingFile return UPG_CONNECT_FAIL!\n");
        return UPG_CONNECT_FAIL;
    }
    return CopyFileToBuffer(path, UPG_TARGET_BOOTLOADER);
}

int DspLink::CopyFileToBuffer(const std::string& path, UpgradeTarget target) {
    upgradeTarget = target;
    mState.sys_upg_status = UPG_ENTER;
    std::vector<uint8_t> file;
    const UpgradeResult read = ReadFirmwareFile(path, file);
    if (read == UPG_FILE_OPEN_FAIL) {
        return read;
    }
    runlog::Log("Open file %s success!\n", path.c_str());
    if (read != UPG_FILE_VALID) {
        return read;
    }
    FirmwareImage image = CheckFirmwareImage(file, target, mState.pcModel);
    runlog::Log("cal MCU encrypt_checksum=0x%x!\n", image.sum);
    runlog::Log("encrypt_checksum=0x%x!\n", image.storedChecksum);
    runlog::Log("noCheckID=false, FW_ID=0x%x, FW_MODEL_ID=0x%x, pc_model_id=0x%x\n", image.fwId,
                image.modelId, mState.pcModel);
    if (image.result != UPG_FILE_VALID) {
        runlog::Log("return UPG_FILE_INVALID %s %d\n", __func__, __LINE__);
        return UPG_FILE_INVALID;
    }
    runlog::Log("UPG_FILE_VALID\n");
    mUpgImage = std::move(image.body);
    mUpgImageTotal = mUpgImageRemaining = mUpgImage.size();
    mUpgStartParams = image.startParams;
    return UPG_FILE_VALID;
}

int DspLink::FlashUpgParsingFile(const std::string& path) {
    if (!IsOpen()) {
        runlog::Log("FlashUpgParsingFile return USB disconnected!\n");
        return UPG_CONNECT_FAIL;
    }
    upgradeTarget = UPG_TARGET_FLASH;
    mState.sys_upg_status = UPG_START;
    std::vector<uint8_t> file;
    const UpgradeResult read = ReadFirmwareFile(path, file);
    if (read == UPG_FILE_OPEN_FAIL) {
        runlog::Log("Error: Open file %s error!\n", path.c_str());
        return read;
    }
    runlog::Log("Open file %s success!\n", path.c_str());
    if (read != UPG_FILE_VALID) {
        return read;
    }
    FirmwareImage image = CheckFirmwareImage(file, UPG_TARGET_FLASH, mState.pcModel);
    runlog::Log("cal FLASH checksum=0x%x!\n", image.sum);
    runlog::Log("encrypt_checksum=0x%x!\n", image.storedChecksum);
    if (image.result != UPG_FILE_VALID) {
        runlog::Log("return UPG_FILE_INVALID %s %d\n", __func__, __LINE__);
        return UPG_FILE_INVALID;
    }
    runlog::Log("FlashUpgParsingFile return ok!\n");
    mUpgDspImage = std::move(image.body);
    mUpgDspTotal = mUpgDspImage.size();
    mUpgDspSent = 0;
    mUpgStartParams = image.startParams;
    return UPG_FILE_VALID;
}

int DspLink::SendUpgradeStart() {
    const UpgradeTarget target = upgradeTarget;
    const UpgradeCommands* commands = CommandsFor(target);
    if (commands == nullptr) {
        return UPG_START_FAIL;
    }
    mUpgAckWaitSince = mClock.NowMs();
    SendCtrlCommand(commands->type, commands->start, OP_WRITE, mUpgStartParams);
    ReadHIDData(kReplyTimeoutMs);
    // The bootloader's refusal shows at the first step.
    if (target != UPG_TARGET_BOOTLOADER && mState.sys_upg_status == UPG_FAILED) {
        return UPG_START_FAIL;
    }
    return UPG_FILE_VALID;
}

int DspLink::UpgradeStep() {
    const int status = mState.sys_upg_status;
    // Nothing runs: a front end that keeps calling must stop.
    if (status == UPG_IDLE) {
        return kUpgradeStepFailed;
    }
    if (mUpgReadPhase == kPhaseSent) {
        mUpgReadPhase = kPhaseRead;
        return UpgradeProgress();
    }
    if (mUpgReadPhase == kPhaseRead) {
        return ReadUpgradeAck();
    }
    switch (status) {
        case UPG_READY:
            return SendUpgradeBlock();
        case UPG_DONE:
        case UPG_FAILED:
            return EndUpgrade();
        default:
            // Frames are parsed as they are read, so more of the stream means another read:
            // after a NOT_READY for a block, or while the start is not acknowledged yet.
            return ReadUpgradeAck();
    }
}

int DspLink::SendUpgradeBlock() {
    const UpgradeTarget target = upgradeTarget;
    const UpgradeCommands* commands = CommandsFor(target);
    if (commands == nullptr) {
        mState.sys_upg_status = UPG_FAILED;
        return EndUpgrade();
    }
    if (!IsOpen()) {
        mState.sys_upg_status = UPG_FAILED;
        mUpgReadPhase = kPhaseFinished;
        return UpgradeProgress();
    }
    PayloadWriter block;
    if (target == UPG_TARGET_FLASH) {
        if (mUpgDspSent < mUpgDspTotal) {
            const size_t offset = mUpgDspSent;
            const size_t n = std::min(kFlashBlockMax, mUpgDspTotal - offset);
            runlog::Log("Total file len %ld; current read pos: %ld;  has read len %ld.\n",
                        static_cast<long>(mUpgDspTotal), static_cast<long>(offset),
                        static_cast<long>(n));
            U32(block, offset).Byte(static_cast<int>(n));
            block.Bytes(std::span<const uint8_t>(mUpgDspImage).subspan(offset, n));
            mUpgDspSent += n;
        }
    } else if (mUpgImageRemaining > 0) {
        // From the end backwards; only the first block, the tail, can be short.
        const size_t tail = mUpgImageRemaining % kMcuBlockSize;
        const size_t n = tail != 0 ? tail : kMcuBlockSize;
        mUpgImageRemaining -= n;
        const size_t offset = mUpgImageRemaining;
        U32(block, offset).Bytes(std::span<const uint8_t>(mUpgImage).subspan(offset, n));
        for (size_t pad = n; pad < kMcuBlockSize; ++pad) {
            block.Byte(0);
        }
    }
    if (block.Size() > 0) {
        mState.sys_upg_status = UPG_WAIT_ACK;
        mUpgReadPhase = kPhaseSent;
        mUpgAckWaitSince = mClock.NowMs();
        mUpgEmptyReads = 0;
        SendCtrlCommand(commands->type, commands->block, OP_WRITE, block.Take());
        return UpgradeProgress();
    }
    SendCtrlCommand(commands->type, commands->finish, OP_WRITE, {});
    mState.sys_upg_status = UPG_DONE;
    mUpgReadPhase = kPhaseFinished;
    runlog::Log("%s", target == UPG_TARGET_FLASH        ? "upgrade dsp finished!\n"
                      : target == UPG_TARGET_BOOTLOADER ? "upgrade mcu bootloader finished!\n"
                                                        : "upgrade mcu finished!\n");
    return UpgradeProgress();
}

int DspLink::ReadUpgradeAck() {
    if (!IsOpen()) {
        mState.sys_upg_status = UPG_FAILED;
        mUpgReadPhase = kPhaseFinished;
        return UpgradeProgress();
    }
    runlog::Log("begain to read data...\n");
    std::vector<uint8_t> report;
    if (ReadReport(kReplyTimeoutMs, nullptr, &report)) {
        const size_t sent =
            upgradeTarget == UPG_TARGET_FLASH ? mUpgDspSent : mUpgImageTotal - mUpgImageRemaining;
        runlog::Log("has send out %d dtata... \n", static_cast<int>(sent));
        runlog::Log("data return from devices is:\n");
        runlog::Log("%s\n", Hex(report).c_str());
        mUpgReadPhase = kPhaseIdle;
    } else {
        runlog::Log("read data error! %d\n", ++mUpgEmptyReads);
        mUpgReadPhase = kPhaseRead;
    }
    const int status = mState.sys_upg_status;
    const bool waiting = status != UPG_READY && status != UPG_DONE && status != UPG_FAILED;
    // Without an answer the step would read for ever; only a cancel would end it.
    if (waiting && mClock.NowMs() - mUpgAckWaitSince >= kUpgradeAckLimitMs) {
        runlog::Log("no acknowledgement for %d ms, upgrade failed\n", kUpgradeAckLimitMs);
        mState.sys_upg_status = UPG_FAILED;
        return EndUpgrade();
    }
    return UpgradeProgress();
}

int DspLink::EndUpgrade() {
    const bool done = mState.sys_upg_status == UPG_DONE;
    std::vector<uint8_t>().swap(mUpgImage);
    std::vector<uint8_t>().swap(mUpgDspImage);
    if (upgradeTarget == UPG_TARGET_FLASH) {
        // The MCU restarts to load the new DSP firmware; it does not answer, and the read ends
        // early when its USB device goes away.
        runlog::Log("MCU_Reboot_Ctrl\n");
        SendCtrlCommand(CMD_MCU, MCU_REBOOT, OP_WRITE, {});
        ReadHIDData(kReplyTimeoutMs);
    }
    AbandonUpgrade();
    mUpgReadPhase = kPhaseFinished;
    return done ? kUpgradeStepFinished : kUpgradeStepFailed;
}

int DspLink::UpgradeProgress() const {
    if (upgradeTarget == UPG_TARGET_FLASH) {
        return mUpgDspTotal == 0 ? 0 : static_cast<int>(mUpgDspSent * 100 / mUpgDspTotal);
    }
    return mUpgImageTotal == 0
               ? 0
               : static_cast<int>((mUpgImageTotal - mUpgImageRemaining) * 100 / mUpgImageTotal);
}

void DspLink::AbandonUpgrade() {
    std::vector<uint8_t>().swap(mUpgImage);
    std::vector<uint8_t>().swap(mUpgDspImage);
    mUpgImageTotal = mUpgImageRemaining = 0;
    mUpgDspTotal = mUpgDspSent = 0;
    mUpgReadPhase = kPhaseIdle;
    upgradeTarget = UPG_TARGET_NONE;
    mState.sys_upg_status = UPG_IDLE;
}

void DspLink::OnUpgradeAck(const FrameView& frame) {
    const UpgradeTarget target = upgradeTarget;
    const UpgradeCommands* commands = CommandsFor(target);
    if (commands == nullptr || frame.optype() != OP_ACK || frame.payload().empty()) {
        return;
    }
    const uint8_t subcmd = frame.subcmd();
    const bool ready = frame.payload()[0] == ACK_READY;
    const bool mcu = target != UPG_TARGET_FLASH;
    std::atomic<int32_t>& status = mState.sys_upg_status;
    if (frame.type == CMD_MCU && subcmd == commands->enter) {
        // Only while entering: a stray one must not pull a transfer back, nor start one.
        if (ready && (status == UPG_ENTER || status == UPG_START)) {
            status = UPG_START;
        }
        return;
    }
    if (frame.type != commands->type) {
        return;
    }
    if (subcmd == commands->start && status == UPG_START) {
        if (ready) {
            runlog::Log("%s",
                        mcu ? "MCU_UPG_START: ACK_READY\n\n" : "FLASH UPG_START: ACK_READY\n\n");
            status = UPG_READY;
        } else {
            runlog::Log("%s", mcu ? "MCU_UPG_START: ACK_NOT_READY\n\n"
                                  : "FLASH UPG_START: ACK_NOT_READY\n\n");
            status = UPG_FAILED;
        }
    } else if (subcmd == commands->block && status == UPG_WAIT_ACK) {
        if (ready) {
            runlog::Log("%s", mcu ? "MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n"
                                  : "UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
            status = UPG_READY;
        } else if (frame.payload()[0] == NOT_READY) {
            // Busy, not gone: the wait for this block starts over.
            runlog::Log("%s",
                        mcu ? "MCU !!!!! NOT_READY !!!!!!\n\n" : "!!!!! NOT_READY !!!!!!\n\n");
            mUpgAckWaitSince = mClock.NowMs();
        }
    } else if (subcmd == commands->finish && status == UPG_DONE && ready) {
        runlog::Log("%s", mcu ? "MCU UPG_FINISH: ACK_READY\n\n" : "UPG_FINISH: ACK_READY\n");
    }
}

}  // namespace dsplink
