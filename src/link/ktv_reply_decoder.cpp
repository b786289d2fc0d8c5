// Replies of the karaoke effects: one WM_READ_KTV_VALUE with the value in lParam.
#include "link/encoding.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_decoding.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

// A short reply logs 0 for the bytes it lacks.
int LogByte(const PayloadReader& reader, size_t offset) {
    return reader.Has(offset, 1) ? reader.Byte(offset) : 0;
}

// What a level reply's log line calls the effect and its value; null for other subcmds.
struct LevelNames {
    const char* effect;
    const char* value;
};

LevelNames NamesOf(uint8_t subcmd) {
    switch (subcmd) {
        case KTV_MIC_VOL:
            return {"MIC VOL", "mic vol"};
        case KTV_MUSIC_VOL:
            return {"MUSIC_VOL", "music vol"};
        case KTV_HOWLING:
            return {"HOWLING", "howling"};
        case KTV_ECHO_LEVEL:
            return {"ECHO LEVEL", "level"};
        case KTV_REVERB_LEVEL:
            return {"REVERB_LEVEL", "REVERB_LEVEL"};
        case KTV_REVERB_TIME:
            return {"REVERB_TIME", "time"};
        case KTV_VOICE_CHANGER:
            return {"VOICE_CHANGER", "voice"};
        default:
            return {nullptr, nullptr};
    }
}

// Level replies log their optype and first three payload bytes.
void LogLevel(uint8_t subcmd, uint8_t optype, const PayloadReader& reader) {
    const LevelNames names = NamesOf(subcmd);
    if (names.effect == nullptr) {
        return;
    }
    runlog::Log("KTV %s OP=0x%x, scene=%d, src = %d, %s=%d\n", names.effect, optype,
                LogByte(reader, 0), LogByte(reader, 1), names.value, LogByte(reader, 2));
}

void PostKtv(ReplyContext& context, uint8_t subcmd, int32_t value) {
    decoding::PostValue(context, ReplyTargetId::Main, WM_READ_KTV_VALUE, subcmd, value);
}

void DecodeKtv(uint8_t subcmd, uint8_t optype, const PayloadReader& reader, ReplyContext& context) {
    const bool update = optype == OP_UPDATE;

    switch (subcmd) {
        case KTV_MIC_VOL:
        case KTV_MUSIC_VOL:
        case KTV_HOWLING:
        case KTV_ECHO_LEVEL:
        case KTV_REVERB_LEVEL:
        case KTV_REVERB_TIME:
        case KTV_VOICE_CHANGER:
            if (update && reader.Has(0, 1)) {
                LogLevel(subcmd, optype, reader);
                PostKtv(context, subcmd, reader.Byte(0));
            }
            break;
        case KTV_ECHO_DELAY:
            if (update && reader.Has(0, 2)) {
                runlog::Log("KTV ECHO_DELAY OP=0x%x, scene=%d, src = %d, delay=%d\n", optype,
                            reader.Byte(0), reader.Byte(1), reader.U16(0));
                PostKtv(context, subcmd, reader.U16(0));
            }
            break;
        case KTV_BASS_GAIN:
            if (update && reader.Has(0, 1)) {
                runlog::Log("KTV_BASS_GAIN  low freq gain=%d\n", reader.Signed(0));
                PostKtv(context, subcmd, reader.Signed(0));
            }
            break;
        case KTV_TREBLE_GAIN:
            if (update && reader.Has(0, 1)) {
                runlog::Log("KTV_TREBLE_GAIN treble gain=%d\n", reader.Signed(0));
                PostKtv(context, subcmd, reader.Signed(0));
            }
            break;
        default:
            runlog::Log("!!! NOT SUPPORT MSG\n");
            break;
    }
}

}  // namespace

void DecodeKtvReply(const FrameView& frame, ReplyContext& context) {
    decoding::DecodeFrame(frame, context, DecodeKtv);
}

}  // namespace dsplink
