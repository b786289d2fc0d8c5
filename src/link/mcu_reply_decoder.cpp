// Replies of the MCU: handshake, ping, versions and the MCU's own settings, posted as
// WM_READ_MCU_VALUE to the main target.
#include <algorithm>
#include <memory>

#include "link/encoding.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_decoding.h"
#include "link/reply_records.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

constexpr uint8_t kAbnormalStatus = 0xF0;

void PostMcu(ReplyContext& context, uint8_t subcmd, std::unique_ptr<ReplyRecord> record) {
    decoding::PostRecord(context, ReplyTargetId::Main, WM_READ_MCU_VALUE, subcmd,
                         std::move(record));
}

void PostMcuValue(ReplyContext& context, uint8_t subcmd, int32_t value) {
    decoding::PostValue(context, ReplyTargetId::Main, WM_READ_MCU_VALUE, subcmd, value);
}

void DecodeHandshake(uint8_t optype, const PayloadReader& reader, ReplyContext& context) {
    if (optype != OP_UPDATE) {
        runlog::Log("MCU_HANDSHAKE\n");
        return;
    }
    if (!reader.Has(0, 1)) {
        return;
    }
    LinkState& state = context.State();
    if (reader.Byte(0) == kAbnormalStatus) {
        state.mcu_is_normal_mode = false;
        decoding::PostValue(context, ReplyTargetId::Main, WM_DEVICE_ABNORMAL, 0, 0);
        return;
    }
    // A normal reply without its model and versions identifies nothing.
    if (!reader.Has(0, 4)) {
        return;
    }
    auto info = std::make_unique<McuHandshakeInfo>();
    info->model = reader.Byte(1);
    info->masterVersion = reader.Byte(2);
    info->slaveVersion = reader.Byte(3);
    state.mcu_is_normal_mode = true;
    state.deviceModel = info->model;
    runlog::Log("MCU_HANDSHAKE\n");
    runlog::Log("model = %d, master verion = %d, slave verion = %d\n", info->model,
                info->masterVersion, info->slaveVersion);
    PostMcu(context, MCU_HANDSHAKE, std::move(info));
}

void DecodePing(uint8_t optype, ReplyContext& context) {
    runlog::Log("\nMCU_PING\n");
    if (optype != OP_UPDATE) {
        return;
    }
    runlog::Log("\n post WM_READ_MCU_VALUE + MCU_PING\n");
    // The MCU announces itself after a restart: it is not identified until the next handshake.
    context.State().mcu_is_normal_mode = false;
    PostMcuValue(context, MCU_PING, 0);
}

void DecodeFlashVersion(const PayloadReader& reader, ReplyContext& context) {
    auto record = std::make_unique<DspFlashVersion>();
    if (!reader.Has(0, record->version.size())) {
        return;
    }
    for (size_t i = 0; i < record->version.size(); ++i) {
        record->version[i] = reader.Byte(i);
    }
    runlog::Log("flashver = %02d%02d%02d%02d\n", record->version[0], record->version[1],
                record->version[2], record->version[3]);
    PostMcu(context, MCU_GET_DSPFLASH_VER, std::move(record));
}

// length n, n password bytes, remark length m, m remark bytes.
void DecodePassword(const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 1)) {
        return;
    }
    const size_t passwordLength = reader.Byte(0);
    const size_t remarkAt = 1 + passwordLength;
    // Without its remark length the layout is broken: where the password ends is unknown.
    if (!reader.Has(remarkAt, 1)) {
        return;
    }
    auto record = std::make_unique<DevicePasswordRecord>();
    const size_t password = std::min(passwordLength, record->password.size());
    std::copy_n(reader.Span().begin() + 1, password, record->password.begin());
    record->passwordLength = static_cast<int32_t>(password);

    const size_t remarkLength = reader.Byte(remarkAt);
    const size_t remark =
        std::min({remarkLength, record->remark.size(), reader.Size() - (remarkAt + 1)});
    std::copy_n(reader.Span().begin() + static_cast<std::ptrdiff_t>(remarkAt + 1), remark,
                record->remark.begin());
    record->remarkLength = static_cast<int32_t>(remark);
    PostMcu(context, MCU_DEVICE_PASSWORD, std::move(record));
}

// length n (up to 16), n bytes.
void DecodeDeviceId(const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 1)) {
        return;
    }
    auto record = std::make_unique<DeviceIdRecord>();
    const size_t length =
        std::min({static_cast<size_t>(reader.Byte(0)), record->bytes.size(), reader.Size() - 1});
    std::copy_n(reader.Span().begin() + 1, length, record->bytes.begin());
    record->length = static_cast<uint8_t>(length);
    PostMcu(context, MCU_DEVICE_ID, std::move(record));
}

void DecodeMcu(uint8_t subcmd, uint8_t optype, const PayloadReader& reader, ReplyContext& context) {
    const bool update = optype == OP_UPDATE;

    switch (subcmd) {
        case MCU_HANDSHAKE:
            DecodeHandshake(optype, reader, context);
            break;
        case MCU_PING:
            DecodePing(optype, context);
            break;
        case MCU_GET_DSPFLASH_VER:
            if (update) {
                DecodeFlashVersion(reader, context);
            }
            break;
        case MCU_BOOTLOADER_VER:
            if (update && reader.Has(0, 1)) {
                context.State().bootloaderVersion = reader.Byte(0);
            }
            break;
        case MCU_POWER_OFF_TIME:
            if (update && reader.Has(0, 2)) {
                PostMcuValue(context, subcmd, reader.U16(0));
            }
            break;
        case MCU_ACC:
            if (reader.Has(0, 1)) {
                runlog::Log("MCU_ACC OP=0x%x, delay = %d\n", optype, reader.Signed(0));
                if (update) {
                    PostMcuValue(context, subcmd, reader.Signed(0));
                }
            }
            break;
        case MCU_DEVICE_PASSWORD:
            if (update) {
                DecodePassword(reader, context);
            }
            break;
        case MCU_DEVICE_ID:
            if (update) {
                DecodeDeviceId(reader, context);
            }
            break;
        case MCU_INIT:
            runlog::Log("MCU INIT\n");
            break;
        case MCU_RESERVED_05:
        case MCU_RESERVED_06:
        case MCU_RESERVED_07:
        case MCU_RESERVED_0A:
        case MCU_PC_CONNECT:
        case MCU_REBOOT:
        case MCU_FACTORY_RESET:
            // Acknowledgements of settings: nothing to report.
            break;
        case MCU_ENTER_UPG:
        case MCU_UPG_START:
        case MCU_UPG_DATA:
        case MCU_UPG_FINISH:
        case MCU_BL_ENTER_UPG:
        case MCU_BL_UPG_START:
        case MCU_BL_UPG_DATA:
        case MCU_BL_UPG_FINISH:
            // Firmware upgrade acknowledgements belong to the upgrade transfer, not to this
            // decoder.
            break;
        default:
            runlog::Log("!!! NOT SUPPORT MSG\n");
            break;
    }
}

}  // namespace

void DecodeMcuReply(const FrameView& frame, ReplyContext& context) {
    decoding::DecodeFrame(frame, context, DecodeMcu);
}

}  // namespace dsplink
