// Replies about the scenes stored in flash: save and delete acknowledgements and the current
// scene go to the scene target, scene names and the valid mask to the main target.
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

constexpr size_t kSceneNameBytes = 16;

// status, scene
void DecodeSceneAck(uint8_t optype, const PayloadReader& reader, ReplyContext& context,
                    uint32_t message) {
    if (optype != OP_ACK || !reader.Has(0, 2) || reader.Byte(0) != ACK_READY) {
        return;
    }
    decoding::PostValue(context, ReplyTargetId::Scene, message, reader.Byte(1), 0);
}

// scene number + 1, 16 name bytes
void DecodeSceneName(const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 1 + kSceneNameBytes)) {
        return;
    }
    // Index byte 0 names no scene; passing it on would give the receiver scene -1.
    if (reader.Byte(0) == 0) {
        return;
    }
    auto record = std::make_unique<SceneNameRecord>();
    record->index = reader.Byte(0) - 1;
    const auto name = reader.Span().subspan(1, kSceneNameBytes);
    // Erased flash reads as 0xFF: a slot never named arrives as an empty name.
    const bool erased = std::all_of(name.begin(), name.end(), [](uint8_t b) { return b & 1; });
    if (!erased) {
        std::copy(name.begin(), name.end(), record->name.begin());
    }
    decoding::PostRecord(context, ReplyTargetId::Main, WM_READ_FLASH_VALUE, FLASH_SCENE_NAME,
                         std::move(record));
}

void DecodeFlash(uint8_t subcmd, uint8_t optype, const PayloadReader& reader,
                 ReplyContext& context) {
    const bool update = optype == OP_UPDATE;

    switch (subcmd) {
        case FLASH_SCENE_SAVE:
            DecodeSceneAck(optype, reader, context, WM_READ_FLASH_VALUE);
            break;
        case FLASH_SCENE_READ:
            break;
        case FLASH_SCENE_DELETE:
            DecodeSceneAck(optype, reader, context, WM_SCENE_DELETED);
            break;
        case FLASH_SCENE_NAME:
            if (update) {
                DecodeSceneName(reader, context);
            }
            break;
        case FLASH_SCENE_ID:
            if (update && reader.Has(0, 1)) {
                runlog::Log("FLASH_SCENE_ID current scene id = %d\n", reader.Byte(0));
                decoding::PostValue(context, ReplyTargetId::Scene, WM_READ_SENCE_VALUE,
                                    FLASH_SCENE_ID, reader.Byte(0));
            }
            break;
        case FLASH_SCENE_VALID:
            if (update && reader.Has(0, 2)) {
                auto record = std::make_unique<SceneMaskRecord>();
                record->mask = reader.U16(0);
                runlog::Log("FLASH_SCENE_VALID valid scene = %d\n", record->mask);
                decoding::PostRecord(context, ReplyTargetId::Main, WM_READ_FLASH_VALUE,
                                     FLASH_SCENE_VALID, std::move(record));
            }
            break;
        case FLASH_UPG_RESERVED:
        case FLASH_UPG_START:
        case FLASH_UPG_DATA:
        case FLASH_UPG_FINISH:
            // Firmware upgrade acknowledgements belong to the upgrade transfer, not to this
            // decoder.
            break;
        default:
            runlog::Log("!!! NOT SUPPORT MSG\n");
            break;
    }
}

}  // namespace

void DecodeFlashReply(const FrameView& frame, ReplyContext& context) {
    decoding::DecodeFrame(frame, context, DecodeFlash);
}

}  // namespace dsplink
