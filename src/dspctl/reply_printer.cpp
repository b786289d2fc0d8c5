#include "dspctl/reply_printer.h"

#include <cstdarg>
#include <cstdio>

#include "link/reply_records.h"
#include "link/subcommands.h"

namespace dspctl {
namespace {

using namespace dsplink;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

template <size_t N>
std::string ByteList(const std::array<uint8_t, N>& bytes, int first, int last) {
    std::string text;
    for (int i = std::max(first, 0); i <= last && i < static_cast<int>(N); ++i) {
        text += Format("%s%d", text.empty() ? "" : " ", bytes[i]);
    }
    return text;
}

std::string SceneName(const std::array<uint8_t, 16>& name) {
    std::string text;
    for (uint8_t c : name) {
        if (c == 0) {
            break;
        }
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return text;
}

std::string DescribeRecord(uint32_t kind, const ReplyRecord& r) {
    if (auto* p = dynamic_cast<const McuHandshakeInfo*>(&r)) {
        return Format("handshake: model %d, firmware %d.%d", p->model, p->masterVersion,
                      p->slaveVersion);
    }
    if (auto* p = dynamic_cast<const DspFlashVersion*>(&r)) {
        return Format("DSP flash version %02d%02d%02d%02d", p->version[0], p->version[1],
                      p->version[2], p->version[3]);
    }
    if (auto* p = dynamic_cast<const FilterRecord*>(&r)) {
        return Format(
            "scene %d CH%d crossover: HP type %d %d Hz slope %d, LP type %d %d Hz slope %d",
            p->scene, p->channel + 1, p->hpType, p->hpFreq, p->hpSlope, p->lpType, p->lpFreq,
            p->lpSlope);
    }
    if (auto* p = dynamic_cast<const EqRecord*>(&r)) {
        return Format("scene %d CH%d EQ band %d: %d Hz, Q %.2f, gain %.1f dB", p->scene,
                      p->channel + 1, p->band + 1, p->freq, p->q, p->gain);
    }
    if (auto* p = dynamic_cast<const DelayRecord*>(&r)) {
        return Format("scene %d CH%d delay %.3f ms", p->scene, p->channel + 1, p->delay);
    }
    if (auto* p = dynamic_cast<const TrimRecord*>(&r)) {
        return Format("scene %d CH%d trim %.0f dB", p->scene, p->channel + 1, p->trim);
    }
    if (auto* p = dynamic_cast<const ChannelValueRecord*>(&r)) {
        return Format("scene %d CH%d %s = %d", p->scene, p->channel + 1,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->value);
    }
    if (auto* p = dynamic_cast<const PhaseRecord*>(&r)) {
        return Format("scene %d CH%d phase %s", p->scene, p->channel + 1,
                      p->phase ? "inverted" : "normal");
    }
    if (auto* p = dynamic_cast<const MixRecord*>(&r)) {
        return Format("scene %d source %d CH%d inputs 0x%04x", p->scene, p->source, p->channel + 1,
                      p->mask);
    }
    if (auto* p = dynamic_cast<const LinkRecord*>(&r)) {
        return Format("scene %d %s: link %d, pairs %s", p->scene,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->link,
                      ByteList(p->pairs, 0, 5).c_str());
    }
    if (auto* p = dynamic_cast<const LockRecord*>(&r)) {
        return Format("scene %d lock %d", p->scene, p->lock);
    }
    if (auto* p = dynamic_cast<const InputValuesRecord*>(&r)) {
        return Format("scene %d source %d %s inputs %d..%d: %s", p->scene, p->source,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->first + 1, p->last + 1,
                      ByteList(p->values, p->first, p->last).c_str());
    }
    if (auto* p = dynamic_cast<const InputMixTrimRecord*>(&r)) {
        return Format("scene %d source %d input %d mix to CH%d..CH%d: %s", p->scene, p->source,
                      p->input + 1, p->firstOutput + 1, p->lastOutput + 1,
                      ByteList(p->trims, 0, p->lastOutput - p->firstOutput).c_str());
    }
    if (auto* p = dynamic_cast<const InputNoiseRecord*>(&r)) {
        std::string levels;
        for (int i = std::max(p->first, 0); i <= p->last && i < kIndexedValues; ++i) {
            levels += Format(" %.1f", p->levels[i]);
        }
        return Format("input noise %d..%d:%s dB", p->first + 1, p->last + 1, levels.c_str());
    }
    if (auto* p = dynamic_cast<const SpeakerConfigRecord*>(&r)) {
        return Format("speaker configuration 0x%02x", p->config);
    }
    if (auto* p = dynamic_cast<const MixTypeRecord*>(&r)) {
        return Format("scene %d source %d mix type %d", p->scene, p->source, p->mixType);
    }
    if (auto* p = dynamic_cast<const QFactorModeRecord*>(&r)) {
        return Format("scene %d source %d %s CH%d..CH%d: %s", p->scene, p->source,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->first + 1, p->last + 1,
                      ByteList(p->modes, p->first, p->last).c_str());
    }
    if (auto* p = dynamic_cast<const CompressorRecord*>(&r)) {
        return Format(
            "scene %d CH%d compressor: bypass %d, noise %.1f dB, ratio %.1f, attack %d, "
            "release %d, knee %.1f",
            p->scene, p->channel + 1, p->bypass, p->noise, p->ratio, p->attack, p->release,
            p->knee);
    }
    if (auto* p = dynamic_cast<const DistortRecord*>(&r)) {
        return Format("source %d %s %d..%d: %s", p->source,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->first + 1, p->last + 1,
                      ByteList(p->values, p->first, p->last).c_str());
    }
    if (auto* p = dynamic_cast<const MemDataRecord*>(&r)) {
        const auto word = [&](int at) {
            return static_cast<uint32_t>(p->bytes[at] | p->bytes[at + 1] << 8 |
                                         p->bytes[at + 2] << 16 |
                                         static_cast<uint32_t>(p->bytes[at + 3]) << 24);
        };
        return Format("DSP memory 0x%08x = 0x%08x", word(0), word(4));
    }
    if (auto* p = dynamic_cast<const SpeakerDistanceRecord*>(&r)) {
        std::string text;
        for (int i = p->first; i <= p->last && i < kIndexedValues; ++i) {
            text += Format(" %.2f", p->distances[i] / 100.0);
        }
        return Format("scene %d speaker distances CH%d..CH%d:%s", p->scene, p->first + 1,
                      p->last + 1, text.c_str());
    }
    if (auto* p = dynamic_cast<const RemOutRecord*>(&r)) {
        return Format("remote outputs %d %d", p->rem[0], p->rem[1]);
    }
    if (auto* p = dynamic_cast<const CrossSourceMixRecord*>(&r)) {
        return Format("scene %d source %d CH%d mixes source %d input %d, gain %d", p->bytes[0],
                      p->bytes[1], p->bytes[2] + 1, p->bytes[3], p->bytes[4] + 1, p->bytes[5]);
    }
    if (auto* p = dynamic_cast<const Compressor2Record*>(&r)) {
        return Format("scene %d CH%d compressor: threshold %.1f dB, attack %d ms, release %d ms",
                      p->scene, p->channel + 1, p->threshold, p->attack, p->release);
    }
    if (auto* p = dynamic_cast<const BridgeRecord*>(&r)) {
        return Format("scene %d source %d bridges: %s", p->scene, p->source,
                      ByteList(p->flags, 0, p->count - 1).c_str());
    }
    if (auto* p = dynamic_cast<const IrcDistanceRecord*>(&r)) {
        return Format("calibration CH%d distance %.2f", p->channel + 1, p->distance);
    }
    if (auto* p = dynamic_cast<const IrcEqRecord*>(&r)) {
        return Format("calibration CH%d EQ band %d: %d Hz, Q %.2f, gain %.1f dB", p->channel + 1,
                      p->band + 1, p->freq, p->q, p->gain);
    }
    if (auto* p = dynamic_cast<const IrcSpectrumRecord*>(&r)) {
        return Format("calibration CH%d spectrum band %d: %.2f Hz, %.2f dB", p->channel + 1,
                      p->band + 1, p->freq, p->gain);
    }
    if (auto* p = dynamic_cast<const IrcTrimRecord*>(&r)) {
        return Format("calibration CH%d trim %.1f", p->channel + 1, p->trim);
    }
    if (auto* p = dynamic_cast<const IrcChannelValueRecord*>(&r)) {
        return Format("calibration CH%d %s = %d", p->channel + 1,
                      DspSubcmdName(static_cast<uint8_t>(kind)).c_str(), p->value);
    }
    if (auto* p = dynamic_cast<const SceneNameRecord*>(&r)) {
        return Format("scene %d name \"%s\"", p->index + 1, SceneName(p->name).c_str());
    }
    if (auto* p = dynamic_cast<const SceneMaskRecord*>(&r)) {
        return Format("stored scenes mask 0x%04x", p->mask);
    }
    if (auto* p = dynamic_cast<const DevicePasswordRecord*>(&r)) {
        return Format("device password of %d bytes, remark of %d bytes", p->passwordLength,
                      p->remarkLength);
    }
    if (auto* p = dynamic_cast<const DeviceIdRecord*>(&r)) {
        return Format("device identifier of %d bytes", p->length);
    }
    return "unknown record";
}

std::string DescribeValue(const LinkMessage& m) {
    const int v = m.value;
    switch (m.message) {
        case WM_READ_DSP_VALUE:
            switch (m.wParam) {
                case DSP_SOURCE_SWITCH:
                    return Format("source 0x%02x", v);
                case DSP_VOLUME:
                    return Format("main volume %d dB", v);
                case DSP_SUBWOOFER_VOLUME:
                    return Format("subwoofer volume %d", v);
                default:
                    return Format("%s = %d", DspSubcmdName(static_cast<uint8_t>(m.wParam)).c_str(),
                                  v);
            }
        case WM_READ_MCU_VALUE:
            switch (m.wParam) {
                case MCU_ACC:
                    return Format("ACC delay %d", v);
                case MCU_POWER_OFF_TIME:
                    return Format("power-off delay %d ms", v);
                case MCU_PING:
                    return "ping";
                default:
                    return Format("MCU 0x%02x = %d", m.wParam, v);
            }
        case WM_READ_FLASH_VALUE:
            return Format("scene %u saved", m.wParam);
        case WM_SCENE_DELETED:
            return Format("scene %u deleted", m.wParam);
        case WM_DEVICE_ABNORMAL:
            return "the amplifier reports an abnormal state";
        case WM_READ_IRC_VALUE:
            return Format("calibration status %u, progress %d", m.wParam, v);
        case WM_READ_KTV_VALUE:
            return Format("KTV 0x%02x = %d", m.wParam, v);
        case WM_READ_SENCE_VALUE:
            return Format("current scene %d", v);
        default:
            return Format("message %u (%u, %d)", m.message, m.wParam, v);
    }
}

}  // namespace

std::string DescribeReply(const LinkMessage& message) {
    return message.record ? DescribeRecord(message.wParam, *message.record)
                          : DescribeValue(message);
}

}  // namespace dspctl
