// Replies of the karaoke effects: one WM_READ_KTV_VALUE with the value in lParam.
#include "encoding.h"
#include "protocol.h"
#include "reply_decoders.h"
#include "reply_decoding.h"
#include "run_log.h"
#include "subcommands.h"

namespace dsplink {
namespace {

// A short reply logs 0 for the bytes it lacks.
int LogByte(const PayloadReader& reader, size_t offset) {
    return reader.Has(offset, 1) ? reader.Byte(offset) : 0;
}

// Level replies log their optype and first three payload bytes.
void LogLevel(uint8_t subcmd, uint8_t optype, const PayloadReader& reader) {
    const int a = LogByte(reader, 0);
    const int b = LogByte(reader, 1);
    const int c = LogByte(reader, 2);
    switch (subcmd) {
        case KTV_MIC_VOL:
            runlog::Log("KTV MIC VOL OP=0x%x, scene=%d, src = %d, mic vol=%d\n", optype, a, b, c);
            break;
        case KTV_MUSIC_VOL:
            runlog::Log("KTV MUSIC_VOL OP=0x%x, scene=%d, src = %d, music vol=%d\n", optype, a, b,
                        c);
            break;
        case KTV_HOWLING:
            runlog::Log("KTV HOWLING OP=0x%x, scene=%d, src = %d, howling=%d\n", optype, a, b, c);
            break;
        case KTV_ECHO_LEVEL:
            runlog::Log("KTV ECHO LEVEL OP=0x%x, scene=%d, src = %d, level=%d\n", optype, a, b, c);
            break;
        case KTV_REVERB_LEVEL:
            runlog::Log("KTV REVERB_LEVEL OP=0x%x, scene=%d, src = %d, REVERB_LEVEL=%d\n", optype,
                        a, b, c);
            break;
        case KTV_REVERB_TIME:
            runlog::Log("KTV REVERB_TIME OP=0x%x, scene=%d, src = %d, time=%d\n", optype, a, b, c);
            break;
        case KTV_VOICE_CHANGER:
            runlog::Log("KTV VOICE_CHANGER OP=0x%x, scene=%d, src = %d, voice=%d\n", optype, a, b,
                        c);
            break;
        default:
            break;
    }
}

void PostKtv(ReplyContext& context, uint8_t subcmd, int32_t value) {
    decoding::PostValue(context, ReplyTargetId::Main, WM_READ_KTV_VALUE, subcmd, value);
}

}  // namespace

void DecodeKtvReply(const FrameView& frame, ReplyContext& context) {
    if (!decoding::HasHead(frame)) {
        return;
    }
    const uint8_t subcmd = frame.subcmd();
    const uint8_t optype = frame.optype();
    const PayloadReader reader(frame.payload());
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

}  // namespace dsplink
