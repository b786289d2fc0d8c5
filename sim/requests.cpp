#include "sim/requests.h"

#include "shell/run_log.h"

#include <algorithm>
#include <span>
#include <vector>

#include "link/subcommands.h"
#include "sim/calibration_run.h"

namespace sim {

using dsplink::CMD_DSP;
using dsplink::CMD_FLASH;
using dsplink::CMD_KTV;
using dsplink::CMD_MCU;
using dsplink::OP_ACK;
using dsplink::OP_READ;
using dsplink::OP_UPDATE;
using dsplink::OP_WRITE;

namespace {

using Bytes = std::span<const uint8_t>;
using Payload = std::vector<uint8_t>;

// Answers that do not fit one frame are cut at a whole item; the head says where they end.
constexpr size_t kMaxReply = dsplink::kMaxPayload;

constexpr std::array<uint8_t, 6> kOfferedSources = {0x51, 0x52, 0x53, 0x54, 0x56, 0x57};

void PushU16(Payload& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
}

uint16_t U16(Bytes p, size_t offset) {
    return static_cast<uint16_t>((p[offset] << 8) | p[offset + 1]);
}

// A DSP channel block: scene, source, first, last, then items. A head whose last is below its
// first addresses nothing.
struct Block {
    uint8_t scene = 0;
    uint8_t source = 0;
    uint8_t first = 0;
    uint8_t last = 0;
    bool empty() const { return last < first; }
    size_t count() const { return empty() ? 0 : static_cast<size_t>(last - first + 1); }
};

std::optional<Block> ParseBlock(Bytes p, int limit) {
    if (p.size() < 4) {
        return std::nullopt;
    }
    const Block block{p[0], p[1], p[2], p[3]};
    if (block.scene >= kScenes || block.source >= kSources) {
        return std::nullopt;
    }
    if (!block.empty() && block.last >= limit) {
        return std::nullopt;
    }
    return block;
}

// Applies a channel-block write item by item; all or nothing.
template <typename Apply>
bool WriteBlock(DeviceState& state, Bytes p, size_t itemSize, int limit, Apply apply) {
    const std::optional<Block> block = ParseBlock(p, limit);
    if (!block || p.size() < 4 + block->count() * itemSize) {
        return false;
    }
    SceneState& scene = state.scenes[block->scene];
    for (size_t k = 0; k < block->count(); ++k) {
        apply(scene, block->source, block->first + static_cast<int>(k),
              p.subspan(4 + k * itemSize, itemSize));
    }
    return true;
}

// Answers a channel-block read with the head (last cut to what fits) and one item each.
template <typename Item>
std::optional<Payload> ReadBlock(const DeviceState& state, Bytes p, size_t itemSize, int limit,
                                 Item item) {
    const std::optional<Block> block = ParseBlock(p, limit);
    if (!block) {
        return std::nullopt;
    }
    Payload out{block->scene, block->source, block->first, block->last};
    if (block->empty()) {
        return out;
    }
    const size_t fit = (kMaxReply - out.size()) / itemSize;
    const int last = std::min<int>(block->last, block->first + static_cast<int>(fit) - 1);
    out[3] = static_cast<uint8_t>(last);
    const SceneState& scene = state.scenes[block->scene];
    for (int c = block->first; c <= last; ++c) {
        item(scene, block->source, c, out);
    }
    return out;
}

// A range request without scene and source (calibration, noise): first and last at `offset`.
std::optional<std::pair<int, int>> ParseRange(Bytes p, size_t offset, int limit, size_t itemSize,
                                              size_t headSize) {
    if (p.size() < offset + 2) {
        return std::nullopt;
    }
    const int first = p[offset];
    int last = p[offset + 1];
    if (last < first) {
        return std::make_pair(first, last);
    }
    if (last >= limit) {
        return std::nullopt;
    }
    const int fit = static_cast<int>((kMaxReply - headSize) / itemSize);
    last = std::min(last, first + fit - 1);
    return std::make_pair(first, last);
}

// Answers a range read: the request's bytes up to first, then last cut to what fits, then one
// item per index.
template <typename Item>
std::optional<Payload> ReadRange(Bytes p, size_t offset, int limit, size_t itemSize, Item item) {
    const auto range = ParseRange(p, offset, limit, itemSize, offset + 2);
    if (!range) {
        return std::nullopt;
    }
    Payload out(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(offset + 1));
    out.push_back(static_cast<uint8_t>(range->second));
    for (int i = range->first; i <= range->second; ++i) {
        item(i, out);
    }
    return out;
}

// Per-output settings kept whole as the bytes that arrived: the array's size is the item size.
template <size_t N>
bool WriteOutputBytes(DeviceState& s, Bytes p, std::array<uint8_t, N> OutputState::*field) {
    return WriteBlock(s, p, N, kOutputs, [field](SceneState& scene, int, int c, Bytes item) {
        std::copy_n(item.begin(), N, (scene.outputs[c].*field).begin());
    });
}

template <size_t N>
std::optional<Payload> ReadOutputBytes(const DeviceState& s, Bytes p,
                                       std::array<uint8_t, N> OutputState::*field) {
    return ReadBlock(s, p, N, kOutputs, [field](const SceneState& scene, int, int c, Payload& out) {
        const auto& bytes = scene.outputs[c].*field;
        out.insert(out.end(), bytes.begin(), bytes.end());
    });
}

// One compressor per output: what either compressor command writes, the other reports.
int SignedTenths(uint8_t whole, uint8_t tenths) {
    return static_cast<int8_t>(whole) * 10 + static_cast<int8_t>(tenths);
}
void CompressorFromSetting2(OutputState& out) {
    const auto& c2 = out.compressor2;
    auto& c = out.compressor;
    const int noise = std::clamp(SignedTenths(c2[0], c2[1]) + 1000, 0, 2559);  // + 100 dB
    c[1] = static_cast<uint8_t>(noise / 10);
    c[2] = static_cast<uint8_t>(noise % 10);
    c[7] = c2[2];
    c[8] = c2[3];
    const int release = std::clamp(SignedTenths(c2[4], c2[5]) * 100, 0, 0xFFFF);
    c[9] = static_cast<uint8_t>(release >> 8);
    c[10] = static_cast<uint8_t>(release & 0xFF);
}
void Setting2FromCompressor(OutputState& out) {
    const auto& c = out.compressor;
    auto& c2 = out.compressor2;
    const int threshold = std::clamp(c[1] * 10 + c[2] - 1000, -1280, 1279);
    c2[0] = static_cast<uint8_t>(static_cast<int8_t>(threshold / 10));
    c2[1] = static_cast<uint8_t>(static_cast<int8_t>(threshold % 10));
    c2[2] = c[7];
    c2[3] = c[8];
    const int release = std::min(((c[9] << 8) | c[10]) / 100, 1279);  // tenths of a second
    c2[4] = static_cast<uint8_t>(release / 10);
    c2[5] = static_cast<uint8_t>(release % 10);
}

// The per-output settings of one byte each, by the subcmd that writes and reads them.
uint8_t OutputState::*OutputByteField(uint8_t subcmd) {
    using namespace dsplink;
    switch (subcmd) {
        case DSP_TRIM_CH:
            return &OutputState::trim;
        case DSP_MUTE_CH:
            return &OutputState::mute;
        case DSP_PHASE_CH:
            return &OutputState::phase;
        case DSP_CH_TYPE:
            return &OutputState::type;
        case DSP_EQ_BYPASS:
            return &OutputState::eqBypass;
        case DSP_CH_SOLO:
            return &OutputState::solo;
        case DSP_COMPRESSOR_ON_CH:
            return &OutputState::compressorOn;
        default:
            return nullptr;
    }
}

SceneState DefaultSceneCopy() {
    static const SceneState kDefault = DefaultScene();
    return kDefault;
}

// ---- DSP writes ----

bool WriteDsp(DeviceState& s, uint8_t subcmd, Bytes p) {
    using namespace dsplink;
    if (uint8_t OutputState::*field = OutputByteField(subcmd)) {
        return WriteBlock(s, p, 1, kOutputs, [field](SceneState& scene, int, int c, Bytes item) {
            scene.outputs[c].*field = item[0];
        });
    }
    auto single = [&](uint8_t& field) {
        if (p.empty()) {
            return false;
        }
        field = p[0];
        return true;
    };
    auto pair = [&](uint8_t& first, uint8_t& second) {
        if (p.size() < 2) {
            return false;
        }
        first = p[0];
        second = p[1];
        return true;
    };
    switch (subcmd) {
        case DSP_SOURCE_SWITCH:
            if (p.empty() || p[0] < kFirstSourceCode || p[0] >= kNoViceSource) {
                return false;
            }
            s.source = p[0];
            return true;
        case DSP_VOLUME:
            return single(s.mainVolume);
        case DSP_SUBWOOFER_VOLUME:
            return single(s.subVolume);
        case DSP_MUTE:
            return single(s.mute);
        case DSP_FILTER_SET: {
            if (p.size() < 8 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kOutputs ||
                (p[3] != 1 && p[3] != 2)) {
                return false;
            }
            OutputState& out = s.scenes[p[0]].outputs[p[2]];
            FilterSide& side = p[3] == 1 ? out.lp : out.hp;
            side = FilterSide{p[4], U16(p, 5), p[7]};
            return true;
        }
        case DSP_EQ_CH: {
            if (p.size() < 10 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kOutputs ||
                p[3] >= kBands) {
                return false;
            }
            s.scenes[p[0]].outputs[p[2]].bands[p[3]] =
                EqBand{U16(p, 4), {p[6], p[7]}, {p[8], p[9]}};
            return true;
        }
        case DSP_DELAY_CH:
            return WriteOutputBytes(s, p, &OutputState::delay);
        case DSP_MIX_CH:
            return WriteBlock(s, p, 2, kOutputs, [](SceneState& scene, int src, int c, Bytes item) {
                scene.sources[src].mixMask[c] = U16(item, 0);
            });
        case DSP_COMPRESSOR_SETTING2:
            return WriteBlock(s, p, 6, kOutputs, [](SceneState& scene, int, int c, Bytes item) {
                OutputState& out = scene.outputs[c];
                std::copy_n(item.begin(), out.compressor2.size(), out.compressor2.begin());
                CompressorFromSetting2(out);
            });
        case DSP_INPUT_CH_PHASE:
            return WriteBlock(s, p, 1, kInputs, [](SceneState& scene, int src, int c, Bytes item) {
                scene.sources[src].inputPhase[c] = item[0];
            });
        case DSP_CH_LINK: {
            if (p.size() < 3 || p[0] >= kScenes) {
                return false;
            }
            const size_t pairs = p[2];
            if (p.size() < 3 + 2 * pairs) {
                return false;
            }
            std::array<uint8_t, kPairs> linked{};
            for (size_t k = 0; k < pairs; ++k) {
                const uint8_t a = p[3 + 2 * k];
                const uint8_t b = p[4 + 2 * k];
                if (a >= kOutputs || b >= kOutputs) {
                    return false;
                }
                // Only the two outputs of one pair can be reported as linked.
                if (a != b && a / 2 == b / 2) {
                    linked[a / 2] = 1;
                }
            }
            SceneState& scene = s.scenes[p[0]];
            scene.link = p[1];
            scene.linkPairs = p[1] != 0 ? linked : std::array<uint8_t, kPairs>{};
            return true;
        }
        case DSP_CH_LOCK:
            if (p.size() < 2 || p[0] >= kScenes) {
                return false;
            }
            s.scenes[p[0]].lock = p[1];
            return true;
        case DSP_EQ_RESET: {
            if (p.size() < 3 || p[0] >= kScenes || p[1] >= kSources || p.size() < 3u + p[2]) {
                return false;
            }
            const Bytes channels = p.subspan(3, p[2]);
            if (std::any_of(channels.begin(), channels.end(),
                            [](uint8_t c) { return c >= kOutputs; })) {
                return false;
            }
            for (uint8_t c : channels) {
                for (int b = 0; b < kBands; ++b) {
                    ResetEqBand(s.scenes[p[0]].outputs[c].bands[b], b);
                }
            }
            return true;
        }
        case DSP_IRC_CTRL:
            if (p.size() < 4 || p[0] > 3) {
                return false;
            }
            return ControlCalibration(s.calibration, p[0], U16(p, 1), p[3]);
        case DSP_IRC_SEL_TEST_MODULE:
            return single(s.calibration.testModule);
        case DSP_IRC_ACTIVE_BYPASS_CONTROL:
            return pair(s.calibration.bypassSelector, s.calibration.bypass);
        case DSP_INPUT_MIX_CH_TRIM: {
            if (p.size() < 5 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kInputs) {
                return false;
            }
            const int first = p[3];
            const int last = p[4];
            if (last < first) {
                return true;
            }
            const size_t count = static_cast<size_t>(last - first + 1);
            if (last >= kOutputs || p.size() < 5 + count) {
                return false;
            }
            auto& row = s.scenes[p[0]].sources[p[1]].mixTrim[p[2]];
            std::copy_n(p.begin() + 5, count, row.begin() + first);
            return true;
        }
        case DSP_INPUT_THRESHOLD:
            return single(s.inputThreshold);
        case DSP_SPK_CH_CONFIG:
            return single(s.speakerConfig);
        case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
            return pair(s.autoEffectSelector, s.autoEffect);
        case DSP_CS_AUTO_SETTING:
            if (p.size() < s.autoSetting.size()) {
                return false;
            }
            std::copy_n(p.begin(), s.autoSetting.size(), s.autoSetting.begin());
            return true;
        case DSP_COMPRESSOR_SETTING: {
            if (p.size() < 14 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kOutputs) {
                return false;
            }
            OutputState& out = s.scenes[p[0]].outputs[p[2]];
            std::copy_n(p.begin() + 3, out.compressor.size(), out.compressor.begin());
            Setting2FromCompressor(out);
            return true;
        }
        case DSP_AMP_MUTE:
            return single(s.ampMute);
        case DSP_MEM_DATA: {
            if (p.size() < 8) {
                return false;
            }
            uint32_t address = 0;
            uint32_t data = 0;
            for (int i = 3; i >= 0; --i) {
                address = (address << 8) | p[static_cast<size_t>(i)];
                data = (data << 8) | p[static_cast<size_t>(4 + i)];
            }
            s.memory[address] = data;
            return true;
        }
        case DSP_REM_OUT:
            return pair(s.remOut1, s.remOut2);
        case DSP_CROSS_SOURCE_MIX:
            if (p.size() < 6 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kInputs) {
                return false;
            }
            s.scenes[p[0]].sources[p[1]].cross[p[2]] = CrossMix{p[3], p[4], p[5]};
            return true;
        case DSP_SPK_OHM:
            return single(s.spkOhm);
        case DSP_OUPUT_BRIDGE: {
            if (p.size() < 3 || p[0] >= kScenes || p[1] >= kSources || p.size() < 3u + p[2]) {
                return false;
            }
            // Flags beyond the amplifier's pairs are taken and ignored.
            const size_t count = std::min<size_t>(p[2], kPairs);
            std::copy_n(p.begin() + 3, count, s.scenes[p[0]].bridge.begin());
            return true;
        }
        case DSP_CROSS_SOURCE_MIX_CS47048: {
            if (p.size() < 5 || p[0] >= kScenes || p[1] >= kSources || p[4] >= kInputs) {
                return false;
            }
            CrossMix& mix = s.scenes[p[0]].sources[p[1]].cross[p[4]];
            mix.source = p[2];
            mix.channel = p[3];
            return true;
        }
        case DSP_NOISE_GATE:
            return single(s.noiseGate);
        default:
            return false;
    }
}

// ---- DSP reads ----

// The amplifier takes attenuation on write and reports gain in signed dB.
uint8_t TrimAsGain(uint8_t attenuation) {
    return static_cast<uint8_t>(-static_cast<int8_t>(attenuation));
}
uint8_t MainVolumeAsDb(uint8_t written) {
    return static_cast<uint8_t>(kMainVolumeOffset - static_cast<int8_t>(written));
}

std::optional<Payload> ReadDsp(DeviceState& s, uint8_t subcmd, Bytes p) {
    using namespace dsplink;
    if (subcmd == DSP_TRIM_CH) {
        return ReadBlock(s, p, 1, kOutputs, [](const SceneState& scene, int, int c, Payload& out) {
            out.push_back(TrimAsGain(scene.outputs[c].trim));
        });
    }
    if (uint8_t OutputState::*field = OutputByteField(subcmd)) {
        return ReadBlock(s, p, 1, kOutputs,
                         [field](const SceneState& scene, int, int c, Payload& out) {
                             out.push_back(scene.outputs[c].*field);
                         });
    }
    switch (subcmd) {
        case DSP_SOURCE_CONFIG: {
            Payload out{static_cast<uint8_t>(kOfferedSources.size())};
            out.insert(out.end(), kOfferedSources.begin(), kOfferedSources.end());
            return out;
        }
        case DSP_SOURCE_SWITCH:
            return Payload{s.source};
        case DSP_VOLUME:
            return Payload{MainVolumeAsDb(s.mainVolume)};
        case DSP_SUBWOOFER_VOLUME:
            return Payload{s.subVolume};
        case DSP_MUTE:
            return Payload{s.mute};
        case DSP_FILTER_SET:
            return ReadBlock(s, p, 8, kOutputs,
                             [](const SceneState& scene, int, int c, Payload& out) {
                                 const OutputState& o = scene.outputs[c];
                                 out.push_back(o.hp.type);
                                 PushU16(out, o.hp.freq);
                                 out.push_back(o.hp.slope);
                                 out.push_back(o.lp.type);
                                 PushU16(out, o.lp.freq);
                                 out.push_back(o.lp.slope);
                             });
        case DSP_EQ_CH: {
            if (p.size() < 5 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kOutputs) {
                return std::nullopt;
            }
            const OutputState& o = s.scenes[p[0]].outputs[p[2]];
            return ReadRange(p, 3, kBands, 6, [&](int b, Payload& out) {
                const EqBand& band = o.bands[b];
                PushU16(out, band.freq);
                // Q arrives in tenths and leaves in hundredths.
                const int tenths = std::min(band.q[0] * 10 + band.q[1], 2559);
                out.push_back(static_cast<uint8_t>(tenths / 10));
                out.push_back(static_cast<uint8_t>(tenths % 10 * 10));
                out.push_back(band.gain[0]);
                out.push_back(band.gain[1]);
            });
        }
        case DSP_DELAY_CH:
            return ReadOutputBytes(s, p, &OutputState::delay);
        case DSP_MIX_CH:
            return ReadBlock(s, p, 2, kOutputs,
                             [](const SceneState& scene, int src, int c, Payload& out) {
                                 PushU16(out, scene.sources[src].mixMask[c]);
                             });
        case DSP_COMPRESSOR_SETTING2:
            return ReadOutputBytes(s, p, &OutputState::compressor2);
        case DSP_INPUT_CH_PHASE:
            return ReadBlock(s, p, 1, kInputs,
                             [](const SceneState& scene, int src, int c, Payload& out) {
                                 out.push_back(scene.sources[src].inputPhase[c]);
                             });
        case DSP_CH_LINK: {
            if (p.empty() || p[0] >= kScenes) {
                return std::nullopt;
            }
            const SceneState& scene = s.scenes[p[0]];
            Payload out{p[0], scene.link};
            out.insert(out.end(), scene.linkPairs.begin(), scene.linkPairs.end());
            return out;
        }
        case DSP_CH_LOCK:
            if (p.empty() || p[0] >= kScenes) {
                return std::nullopt;
            }
            return Payload{p[0], s.scenes[p[0]].lock};
        case DSP_IRC_CTRL:
            return CalibrationStatus(s.calibration);
        case DSP_IRC_DISTANCE:
            return ReadRange(p, 0, kOutputs, 2, [&](int c, Payload& out) {
                const uint16_t d = std::min<uint16_t>(s.calibration.distance[c], 25599);
                out.push_back(static_cast<uint8_t>(d / 100));
                out.push_back(static_cast<uint8_t>(d % 100));
            });
        case DSP_IRC_EQ: {
            if (p.size() < 3 || p[0] >= kOutputs) {
                return std::nullopt;
            }
            const auto& bands = s.calibration.eq[p[0]];
            return ReadRange(p, 1, kIrcEqBands, 6, [&](int b, Payload& out) {
                const IrcEqBand& band = bands[b];
                const uint16_t q = std::min<uint16_t>(band.q, 25599);
                PushU16(out, band.freq);
                out.push_back(static_cast<uint8_t>(q / 100));
                out.push_back(static_cast<uint8_t>(q % 100));
                out.push_back(band.gain[0]);
                out.push_back(band.gain[1]);
            });
        }
        case DSP_IRC_SPECTRUM: {
            if (p.size() < 3 || p[0] >= kOutputs) {
                return std::nullopt;
            }
            const auto& points = s.calibration.spectrum[p[0]];
            return ReadRange(p, 1, kIrcSpectrumPoints, 5, [&](int i, Payload& out) {
                const SpectrumPoint& point = points[i];
                const uint32_t freq = std::min<uint32_t>(point.freq, 6553599);
                PushU16(out, freq / 100);
                out.push_back(static_cast<uint8_t>(freq % 100));
                // Both bytes carry the sign, as in the signed tenths pair.
                const int gain = std::clamp<int>(point.gain, -12799, 12799);
                out.push_back(static_cast<uint8_t>(static_cast<int8_t>(gain / 100)));
                out.push_back(static_cast<uint8_t>(static_cast<int8_t>(gain % 100)));
            });
        }
        case DSP_INPUT_MIX_CH_TRIM: {
            if (p.size() < 5 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kInputs) {
                return std::nullopt;
            }
            const auto& row = s.scenes[p[0]].sources[p[1]].mixTrim[p[2]];
            return ReadRange(p, 3, kOutputs, 1,
                             [&](int o, Payload& out) { out.push_back(row[o]); });
        }
        case DSP_INPUT_THRESHOLD:
            return Payload{s.inputThreshold};
        case DSP_INPUT_NOISE:
            return ReadRange(p, 0, kInputs, 2, [&](int in, Payload& out) {
                out.insert(out.end(), s.inputNoise[in].begin(), s.inputNoise[in].end());
            });
        case DSP_SPK_CH_CONFIG:
            return Payload{s.speakerConfig};
        case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
            return Payload{s.autoEffect};
        case DSP_COMPRESSOR_SETTING:
            return ReadOutputBytes(s, p, &OutputState::compressor);
        case DSP_AMP_MUTE:
            return Payload{s.ampMute};
        case DSP_INPUT_CH_DISTORT:
        case DSP_OUTPUT_CH_DISTORT: {
            // Clipping is the signal's, not a scene's: the answer carries no scene.
            const bool inputs = subcmd == DSP_INPUT_CH_DISTORT;
            if (p.size() < 4 || p[0] >= kScenes || p[1] >= kSources) {
                return std::nullopt;
            }
            const auto& flags = inputs ? s.inputClip[p[1]] : s.outputClip[p[1]];
            // Answered as a request without its scene byte.
            return ReadRange(p.subspan(1), 1, inputs ? kInputs : kOutputs, 1,
                             [&](int c, Payload& out) { out.push_back(flags[c]); });
        }
        case DSP_MEM_DATA: {
            if (p.size() < 4) {
                return std::nullopt;
            }
            const uint32_t address =
                p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
            const auto found = s.memory.find(address);
            const uint32_t data = found == s.memory.end() ? 0 : found->second;
            Payload out(p.begin(), p.begin() + 4);
            for (int i = 0; i < 4; ++i) {
                out.push_back(static_cast<uint8_t>(data >> (8 * i)));
            }
            return out;
        }
        case DSP_REM_OUT:
            return Payload{s.remOut1, s.remOut2};
        case DSP_DSP_STATUS:
            return Payload{s.dspStatus};
        case DSP_CROSS_SOURCE_MIX: {
            if (p.size() < 3 || p[0] >= kScenes || p[1] >= kSources || p[2] >= kInputs) {
                return std::nullopt;
            }
            const CrossMix& mix = s.scenes[p[0]].sources[p[1]].cross[p[2]];
            return Payload{p[0], p[1], p[2], mix.source, mix.channel, mix.gain};
        }
        case DSP_SPK_OHM:
            return Payload{s.spkOhm};
        case DSP_OUPUT_BRIDGE: {
            if (p.size() < 3 || p[0] >= kScenes || p[1] >= kSources) {
                return std::nullopt;
            }
            const size_t count = std::min<size_t>(p[2], kPairs);
            Payload out{p[0], p[1], static_cast<uint8_t>(count)};
            const auto& bridge = s.scenes[p[0]].bridge;
            out.insert(out.end(), bridge.begin(), bridge.begin() + count);
            return out;
        }
        case DSP_CROSS_SOURCE_MIX_CS47048: {
            if (p.size() < 5 || p[0] >= kScenes || p[1] >= kSources || p[4] >= kInputs) {
                return std::nullopt;
            }
            const CrossMix& mix = s.scenes[p[0]].sources[p[1]].cross[p[4]];
            return Payload{p[0], p[1], mix.source, mix.channel, p[4]};
        }
        case DSP_NOISE_GATE:
            return Payload{s.noiseGate};
        default:
            return std::nullopt;
    }
}

// ---- MCU ----

void FactoryReset(DeviceState& s) {
    DeviceState fresh = DefaultDeviceState();
    // The identity and what the meters see survive; settings and stored scenes do not.
    fresh.handshakeStatus = s.handshakeStatus;
    fresh.model = s.model;
    fresh.masterVersion = s.masterVersion;
    fresh.slaveVersion = s.slaveVersion;
    fresh.dspFlashVersion = s.dspFlashVersion;
    fresh.bootloaderVersion = s.bootloaderVersion;
    fresh.mcuImageIntact = s.mcuImageIntact;
    fresh.flashImageIntact = s.flashImageIntact;
    fresh.bootloaderIntact = s.bootloaderIntact;
    fresh.pcAttached = s.pcAttached;
    fresh.inputNoise = s.inputNoise;
    fresh.inputClip = s.inputClip;
    fresh.outputClip = s.outputClip;
    fresh.memory = std::move(s.memory);
    s = std::move(fresh);
}

bool WriteMcu(DeviceState& s, uint8_t subcmd, Bytes p) {
    using namespace dsplink;
    switch (subcmd) {
        case MCU_ACC:
            if (p.empty()) {
                return false;
            }
            s.acc = p[0];
            return true;
        case MCU_POWER_OFF_TIME:
            if (p.size() < 2) {
                return false;
            }
            s.powerOffTime = U16(p, 0);
            return true;
        case MCU_FACTORY_RESET:
            FactoryReset(s);
            return true;
        default:
            return false;
    }
}

std::optional<Payload> ReadMcu(const DeviceState& s, uint8_t subcmd) {
    using namespace dsplink;
    switch (subcmd) {
        case MCU_ACC:
            return Payload{s.acc};
        case MCU_POWER_OFF_TIME: {
            Payload out;
            PushU16(out, s.powerOffTime);
            return out;
        }
        case MCU_GET_DSPFLASH_VER:
            return Payload(s.dspFlashVersion.begin(), s.dspFlashVersion.end());
        case MCU_BOOTLOADER_VER:
            return Payload{s.bootloaderVersion};
        default:
            return std::nullopt;
    }
}

// ---- Flash ----

bool IsStoredScene(int scene) {
    return scene >= 1 && scene <= kStoredScenes;
}

bool WriteFlash(DeviceState& s, uint8_t subcmd, Bytes p) {
    using namespace dsplink;
    switch (subcmd) {
        case FLASH_SCENE_SAVE: {
            if (p.size() < 2 || !IsStoredScene(p[0])) {
                return false;
            }
            const int scene = p[0];
            // Not immediate: the live set becomes the scene. Immediate: the scene is stored as
            // its own writes (addressed to it) left it.
            if (p[1] == 0) {
                s.scenes[scene] = s.scenes[0];
                s.currentScene = static_cast<uint8_t>(scene);
            }
            s.validMask = static_cast<uint16_t>(s.validMask | (1u << (scene - 1)));
            return true;
        }
        case FLASH_SCENE_READ: {
            if (p.size() < 2 || p[0] >= kScenes) {
                return false;
            }
            const int from = p[0];
            const int to = p[1];
            if (to == kLeaveSceneAlone) {
                return true;
            }
            if (to >= kScenes || (IsStoredScene(from) && !(s.validMask & (1u << (from - 1))))) {
                return false;
            }
            s.scenes[to] = s.scenes[from];
            if (to == 0) {
                s.currentScene = static_cast<uint8_t>(from);
            } else {
                s.validMask = static_cast<uint16_t>(s.validMask | (1u << (to - 1)));
            }
            return true;
        }
        case FLASH_SCENE_DELETE: {
            if (p.empty() || !IsStoredScene(p[0])) {
                return false;
            }
            const int scene = p[0];
            s.scenes[scene] = DefaultSceneCopy();
            s.names[scene - 1].fill(0xFF);
            s.validMask = static_cast<uint16_t>(s.validMask & ~(1u << (scene - 1)));
            if (s.currentScene == scene) {
                s.currentScene = 0;
            }
            return true;
        }
        case FLASH_SCENE_NAME: {
            if (p.size() < 2 || !IsStoredScene(p[0])) {
                return false;
            }
            const size_t length = std::min<size_t>(p[1], kNameSize);
            if (p.size() < 2 + length) {
                return false;
            }
            auto& name = s.names[p[0] - 1];
            name.fill(0);
            std::copy_n(p.begin() + 2, length, name.begin());
            return true;
        }
        default:
            return false;
    }
}

std::optional<Payload> ReadFlash(const DeviceState& s, uint8_t subcmd, Bytes p) {
    using namespace dsplink;
    switch (subcmd) {
        case FLASH_SCENE_NAME: {
            if (p.empty() || !IsStoredScene(p[0])) {
                return std::nullopt;
            }
            // The number names the slot counted from 1, as the request does.
            Payload out{p[0]};
            const auto& name = s.names[p[0] - 1];
            out.insert(out.end(), name.begin(), name.end());
            return out;
        }
        case FLASH_SCENE_ID:
            return Payload{s.currentScene};
        case FLASH_SCENE_VALID: {
            Payload out;
            PushU16(out, s.validMask);
            return out;
        }
        default:
            return std::nullopt;
    }
}

// ---- KTV ----

bool IsKtvValue(uint8_t subcmd) {
    return subcmd >= dsplink::KTV_MIC_VOL && subcmd <= dsplink::KTV_TREBLE_GAIN;
}

bool WriteKtv(DeviceState& s, uint8_t subcmd, Bytes p) {
    if (!IsKtvValue(subcmd)) {
        return false;
    }
    const bool wide = subcmd == dsplink::KTV_ECHO_DELAY;
    if (p.size() < (wide ? 2u : 1u)) {
        return false;
    }
    s.ktv[subcmd - 1] = wide ? U16(p, 0) : p[0];
    return true;
}

std::optional<Payload> ReadKtv(const DeviceState& s, uint8_t subcmd) {
    if (!IsKtvValue(subcmd)) {
        return std::nullopt;
    }
    const uint16_t value = s.ktv[subcmd - 1];
    if (subcmd == dsplink::KTV_ECHO_DELAY) {
        Payload out;
        PushU16(out, value);
        return out;
    }
    return Payload{static_cast<uint8_t>(value)};
}

}  // namespace

InputReport Acknowledge(uint8_t type, uint8_t subcmd, std::span<const uint8_t> request,
                        bool taken) {
    const uint8_t payload[] = {taken ? dsplink::ACK_READY : dsplink::NOT_READY,
                               request.empty() ? uint8_t{0} : request[0]};
    return MakeInputReport(type, subcmd, OP_ACK, payload);
}

InputReport MakeInputReport(uint8_t type, uint8_t subcmd, uint8_t optype,
                            std::span<const uint8_t> payload) {
    const runlog::ScopedMute deviceSide;
    const dsplink::OutputReport frame = dsplink::BuildOutputReport(type, subcmd, optype, payload);
    InputReport report{};
    std::copy(frame.begin() + 1, frame.end(), report.begin());
    return report;
}

std::optional<InputReport> Answer(DeviceState& state, const dsplink::FrameView& frame) {
    const uint8_t type = frame.type;
    const uint8_t subcmd = frame.subcmd();
    const uint8_t optype = frame.optype();
    const Bytes p = frame.payload();
    if (optype != OP_WRITE && optype != OP_READ) {
        return std::nullopt;
    }
    if (type == CMD_MCU) {
        if (subcmd == dsplink::MCU_PC_CONNECT && optype == OP_WRITE) {
            // Never answered: the program reads no reply to it.
            if (!p.empty()) {
                state.pcAttached = p[0];
            }
            return std::nullopt;
        }
        if (subcmd == dsplink::MCU_HANDSHAKE) {
            const uint8_t info[] = {state.handshakeStatus, state.model, state.masterVersion,
                                    state.slaveVersion};
            return MakeInputReport(CMD_MCU, subcmd, OP_UPDATE, info);
        }
    }
    if (optype == OP_WRITE) {
        bool taken = false;
        switch (type) {
            case CMD_DSP:
                taken = WriteDsp(state, subcmd, p);
                break;
            case CMD_MCU:
                taken = WriteMcu(state, subcmd, p);
                break;
            case CMD_FLASH:
                taken = WriteFlash(state, subcmd, p);
                break;
            case CMD_KTV:
                taken = WriteKtv(state, subcmd, p);
                break;
            default:
                break;
        }
        return Acknowledge(type, subcmd, p, taken);
    }
    std::optional<Payload> values;
    switch (type) {
        case CMD_DSP:
            values = ReadDsp(state, subcmd, p);
            break;
        case CMD_MCU:
            values = ReadMcu(state, subcmd);
            break;
        case CMD_FLASH:
            values = ReadFlash(state, subcmd, p);
            break;
        case CMD_KTV:
            values = ReadKtv(state, subcmd);
            break;
        default:
            break;
    }
    if (!values) {
        return Acknowledge(type, subcmd, p, false);
    }
    return MakeInputReport(type, subcmd, OP_UPDATE, *values);
}

}  // namespace sim
