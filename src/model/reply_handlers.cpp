#include "model/reply_handlers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "link/reply_records.h"
#include "link/subcommands.h"
#include "model/links.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr int kFirstSourceCode = 0x51;
// The source the amplifier reports for codes outside the known ones.
constexpr int kFallbackSource = 4;
// Input rows a reply may name; the widest source has 10 inputs.
constexpr int kMaxInputs = 10;
// Reply records index per-input values in fixed arrays of this size.
constexpr int kIndexed = dsplink::kIndexedValues;

template <typename T>
const T* As(const std::unique_ptr<dsplink::ReplyRecord>& record) {
    return dynamic_cast<const T*>(record.get());
}

bool IsInputIndex(int input) {
    return input >= 0 && input < kMaxInputs;
}

// Every per-channel range a record names must lie inside the fixed arrays it carries.
bool IsIndexedRange(int first, int last) {
    return first >= 0 && first <= last && last < kIndexed;
}

}  // namespace

ProfileRecord* ModelSync::RecordForScene(int scene) {
    if (scene == 0) {
        return &mState.live;
    }
    if (scene >= 1 && scene <= STORED_SCENES) {
        return &mState.scenes.records[static_cast<size_t>(scene - 1)];
    }
    return nullptr;
}

void ModelSync::ReadDspValueCallback(uint32_t kind, int32_t value,
                                     std::unique_ptr<dsplink::ReplyRecord> record) {
    runlog::Log("ReadDspValueCallback 0x%02x\n", kind);
    ProfileRecord& live = mState.live;
    ModelChangeListener* l = mListener;

    switch (kind) {
        case dsplink::DSP_SOURCE_SWITCH: {
            const int source = SourceOfDeviceCode(value);
            live.currentSource = source < 0 ? kFallbackSource : source;
            if (l)
                l->OnSourceChanged();
            break;
        }
        case dsplink::DSP_VOLUME:
            // The amplifier reports the volume itself, unlike the 6 - volume that is written.
            live.mainVolume = value;
            runlog::Log("DSP_VOLUME %d \n", value);
            runlog::Log("DSP_VOLUME %d \n", value);
            if (l)
                l->OnMainVolumeChanged();
            break;
        case dsplink::DSP_MUTE:
            live.mainVolumeMute = value;
            if (l)
                l->OnMainMuteChanged();
            break;
        case dsplink::DSP_FILTER_SET: {
            const auto* r = As<dsplink::FilterRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            Crossover& x = target->channels[static_cast<size_t>(r->channel)].crossover;
            x.hp.SetFs(r->hpFreq);
            x.hp.SetType(r->hpType);
            x.hp.SetSlope(r->hpSlope);
            x.lp.SetFs(r->lpFreq);
            x.lp.SetType(r->lpType);
            x.lp.SetSlope(r->lpSlope);
            if (auto* h = Live(r->scene))
                h->OnCrossoverChanged(r->channel);
            break;
        }
        case dsplink::DSP_EQ_CH: {
            const auto* r = As<dsplink::EqRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel) || r->band < 0 ||
                r->band >= BandCountOf(*target, r->channel)) {
                break;
            }
            EqBand& band = BandsOf(*target, r->channel)[r->band];
            band.freq = r->freq;
            band.eqFactor = r->q;
            band.eqGain = r->gain;
            if (r->scene == 0)
                band.enable = 1;
            if (auto* h = Live(r->scene))
                h->OnEqBandChanged(r->channel, r->band);
            break;
        }
        case dsplink::DSP_DELAY_CH: {
            const auto* r = As<dsplink::DelayRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            target->channels[static_cast<size_t>(r->channel)].delay = r->delay;
            if (auto* h = Live(r->scene))
                h->OnDelayChanged(r->channel);
            break;
        }
        case dsplink::DSP_TRIM_CH: {
            const auto* r = As<dsplink::TrimRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            // The volume slider holds tenths of a dB, so the stored gain is one of its steps.
            const float gain = std::round(ClampOutputGain(r->trim) * 10.0f) / 10.0f;
            target->channels[static_cast<size_t>(r->channel)].gain = gain;
            if (auto* h = Live(r->scene))
                h->OnChannelGainChanged(r->channel);
            break;
        }
        case dsplink::DSP_MUTE_CH:
        case dsplink::DSP_EQ_BYPASS:
        case dsplink::DSP_CH_SOLO:
        case dsplink::DSP_COMPRESSOR_ON_CH:
        case dsplink::DSP_CH_TYPE: {
            const auto* r = As<dsplink::ChannelValueRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            const size_t ch = static_cast<size_t>(r->channel);
            OutputChannel& out = target->channels[ch];
            ModelChangeListener* h = Live(r->scene);
            if (kind == dsplink::DSP_MUTE_CH) {
                out.mute = r->value;
                if (h)
                    h->OnChannelMuteChanged(r->channel);
            } else if (kind == dsplink::DSP_EQ_BYPASS) {
                out.bypass = static_cast<std::uint8_t>(r->value);
                if (h)
                    h->OnEqBypassChanged(r->channel);
            } else if (kind == dsplink::DSP_CH_SOLO) {
                out.solo = r->value;
                runlog::Log("channel %d solo seleted %d\n", r->channel, r->value);
                if (h)
                    h->OnChannelSoloChanged(r->channel);
            } else if (kind == dsplink::DSP_COMPRESSOR_ON_CH) {
                out.compressorOn = r->value != 0 ? 1 : 0;
            } else {
                target->outputs[ch] = r->value;
                target->outputsBk[ch] = r->value;
                runlog::Log("DSP_CH_TYPE ch(%d), type(%d)\n", r->channel, r->value);
                if (h)
                    h->OnSpeakerTypeChanged(r->channel);
            }
            break;
        }
        case dsplink::DSP_PHASE_CH: {
            const auto* r = As<dsplink::PhaseRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            target->channels[static_cast<size_t>(r->channel)].phase = r->phase;
            runlog::Log("channel %d phase seleted %d\n", r->channel, r->phase);
            if (auto* h = Live(r->scene))
                h->OnChannelPhaseChanged(r->channel);
            break;
        }
        case dsplink::DSP_MIX_CH: {
            const auto* r = As<dsplink::MixRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsSourceIndex(r->source) || !IsOutputIndex(r->channel))
                break;
            target->inputs[static_cast<size_t>(r->source)][static_cast<size_t>(r->channel)] =
                r->mask;
            runlog::Log("set mix source = %d, ch = %d, mix_in = 0x%x\n", r->source, r->channel,
                        static_cast<unsigned>(r->mask));
            if (auto* h = Live(r->scene))
                h->OnMixChanged(r->source, r->channel);
            break;
        }
        case dsplink::DSP_CH_LINK: {
            const auto* r = As<dsplink::LinkRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target)
                break;
            const bool on = r->link == 1;
            target->linkMode = on ? 1 : 0;
            if (r->scene == 0) {
                // Linking also locks; the partners follow the speaker types.
                if (on) {
                    target->lockMode = 1;
                    FillLinkOutputs(*target);
                } else {
                    target->linkOutputs.fill(-1);
                }
                if (l)
                    l->OnLinkChanged();
            }
            break;
        }
        case dsplink::DSP_CH_LOCK: {
            const auto* r = As<dsplink::LockRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target)
                break;
            target->lockMode = r->lock == 1 ? 1 : 0;
            if (r->scene == 0) {
                // Link mode cannot outlive the lock.
                const bool linkDropped = target->lockMode == 0 && target->linkMode == 1;
                if (linkDropped) {
                    target->linkMode = 0;
                    target->linkOutputs.fill(-1);
                }
                if (l)
                    l->OnLockChanged(linkDropped);
            }
            break;
        }
        case dsplink::DSP_INPUT_MIX_CH_TRIM: {
            const auto* r = As<dsplink::InputMixTrimRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsSourceIndex(r->source) || !IsInputIndex(r->input) ||
                !IsOutputIndex(r->firstOutput) || !IsOutputIndex(r->lastOutput) ||
                r->firstOutput > r->lastOutput) {
                break;
            }
            runlog::Log("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n",
                        r->source, r->input, r->firstOutput, r->lastOutput);
            const size_t s = static_cast<size_t>(r->source);
            const size_t in = static_cast<size_t>(r->input);
            for (int out = r->firstOutput; out <= r->lastOutput; ++out) {
                const size_t o = static_cast<size_t>(out);
                int level =
                    static_cast<int8_t>(r->trims[static_cast<size_t>(out - r->firstOutput)]);
                // A routed input is never silent: its level shows full.
                if (level < 1 && ((target->inputs[s][o] >> r->input) & 1) != 0) {
                    level = MAX_MIX_LEVEL;
                }
                target->inputMixVolume[s][in][o] = level;
            }
            if (auto* h = Live(r->scene))
                h->OnInputMixTrimChanged(r->source, r->input);
            break;
        }
        case dsplink::DSP_INPUT_THRESHOLD:
            live.inputThreshold = value;
            if (mListener)
                mListener->OnInputThresholdChanged();
            break;
        case dsplink::DSP_INPUT_NOISE: {
            const auto* r = As<dsplink::InputNoiseRecord>(record);
            if (!r || !IsIndexedRange(r->first, r->last))
                break;
            for (int in = r->first; in <= r->last; ++in) {
                runlog::Log("in_ch(%d): noise = %fdB\n", in,
                            static_cast<double>(r->levels[static_cast<size_t>(in)]));
            }
            break;
        }
        case dsplink::DSP_HPF_Q_FACT_MODE:
        case dsplink::DSP_LPF_Q_FACT_MODE: {
            const auto* r = As<dsplink::QFactorModeRecord>(record);
            if (!r || !IsIndexedRange(r->first, r->last))
                break;
            for (int ch = r->first; ch <= r->last; ++ch) {
                runlog::Log(kind == dsplink::DSP_HPF_Q_FACT_MODE
                                ? "ch(%d): hpf_q_fact->mode = %d\n"
                                : "ch(%d): lpf_q_fact->mode = %d\n",
                            ch, r->modes[static_cast<size_t>(ch)]);
            }
            break;
        }
        case dsplink::DSP_FACTORY_PRESET:
            runlog::Log("factory preset mode = %d\n", value);
            break;
        case dsplink::DSP_SETUP_MODE:
            runlog::Log("setup_mode mode = %d\n", value);
            break;
        case dsplink::DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
            live.autoEffect = value;
            if (l)
                l->OnAutoEffectChanged();
            break;
        case dsplink::DSP_COMPRESSOR_SETTING: {
            const auto* r = As<dsplink::CompressorRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            const size_t ch = static_cast<size_t>(r->channel);
            target->compressorBypass[ch] = r->bypass;
            target->compressorThreshold[ch] = r->noise;
            target->compressorRatio[ch] = r->ratio;
            target->compressorAttack[ch] = r->attack;
            target->compressorRelease[ch] = r->release;
            target->compressorKnee[ch] = r->knee;
            break;
        }
        case dsplink::DSP_AMP_MUTE:
            live.ampOn = value == 0 ? 1 : 0;
            if (l)
                l->OnAmpOnChanged();
            break;
        case dsplink::DSP_REM_OUT: {
            const auto* r = As<dsplink::RemOutRecord>(record);
            if (!r)
                break;
            live.remOut1 = r->rem[0] != 0 ? 1 : 0;
            live.remOut2 = r->rem[1] != 0 ? 1 : 0;
            runlog::Log("DSP_REM_OUT rem_out1 = %d, rem_out1 = %d\n", r->rem[0], r->rem[1]);
            if (l)
                l->OnRemOutChanged();
            break;
        }
        case dsplink::DSP_DSP_STATUS:
            runlog::Log("DSP_DSP_STATUS on_off = %d\n", value);
            if (l)
                l->OnDspStatus(value);
            break;
        case dsplink::DSP_CROSS_SOURCE_MIX:
        case dsplink::DSP_CROSS_SOURCE_MIX_CS47048: {
            const auto* r = As<dsplink::CrossSourceMixRecord>(record);
            if (!r)
                break;
            const auto& b = r->bytes;
            runlog::Log(kind == dsplink::DSP_CROSS_SOURCE_MIX
                            ? "set cross source mix, source = %d, ch = %d, with source = %d, "
                              "ch = %d, gain = %d\n"
                            : "set cross source mix cs47048, source = %d, ch = %d, with source "
                              "= %d, ch = %d, gain = %d\n",
                        b[1], b[2], b[3], b[4], b[5]);
            ProfileRecord* target = RecordForScene(b[0]);
            if (!target || !IsSourceIndex(b[1]) || !IsInputIndex(b[2]))
                break;
            const size_t s = b[1];
            const size_t in = b[2];
            target->viceSource[s][in] = b[3] - kFirstSourceCode;
            target->viceChannel[s][in] = b[4];
            target->viceGain[s][in] = b[5] - 32;
            break;
        }
        case dsplink::DSP_COMPRESSOR_SETTING2: {
            const auto* r = As<dsplink::Compressor2Record>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target || !IsOutputIndex(r->channel))
                break;
            const size_t ch = static_cast<size_t>(r->channel);
            target->compressorThreshold[ch] = r->threshold;
            target->compressorAttack[ch] = r->attack;
            target->compressorRelease[ch] = r->release;
            break;
        }
        case dsplink::DSP_SPK_OHM:
            live.spkOhm = value;
            runlog::Log("DSP_SPK_OHM spk_ohm = %d\n", value);
            if (l)
                l->OnSpkOhmChanged();
            break;
        case dsplink::DSP_OUPUT_BRIDGE: {
            const auto* r = As<dsplink::BridgeRecord>(record);
            ProfileRecord* target = r ? RecordForScene(r->scene) : nullptr;
            if (!target)
                break;
            const int count = std::min<int>(r->count, BRIDGE_PAIRS);
            std::string line =
                "DSP_OUPUT_BRIDGE bridge count = " + std::to_string(r->count) + ", bridge";
            for (int k = 0; k < count; ++k) {
                target->bridgeOutputs[static_cast<size_t>(k)] = r->flags[static_cast<size_t>(k)];
                line += std::to_string(r->flags[static_cast<size_t>(k)]) + ", ";
            }
            runlog::Log("%s\n", line.c_str());
            if (auto* h = Live(r->scene))
                h->OnBridgeChanged();
            break;
        }
        case dsplink::DSP_NOISE_GATE:
            live.noiseGate = value;
            runlog::Log("DSP_NOISE_GATE noise_gate = %d\n", value);
            if (l)
                l->OnNoiseGateChanged();
            break;
        case dsplink::DSP_INPUT_CH_DISTORT:
        case dsplink::DSP_OUTPUT_CH_DISTORT: {
            const auto* r = As<dsplink::DistortRecord>(record);
            const bool inputs = kind == dsplink::DSP_INPUT_CH_DISTORT;
            const int limit = inputs ? INPUT_ROWS : OUTPUT_CHANNELS;
            if (!r || !IsSourceIndex(r->source) || !IsIndexedRange(r->first, r->last) ||
                r->last >= limit)
                break;
            auto& flags = inputs ? live.inDistort[static_cast<size_t>(r->source)]
                                 : live.outDistort[static_cast<size_t>(r->source)];
            for (int c = r->first; c <= r->last; ++c)
                flags[static_cast<size_t>(c)] = r->values[static_cast<size_t>(c)];
            if (l)
                l->OnDistortChanged(r->source);
            break;
        }
        default:
            // Everything else (subwoofer volume, link variants...) is not kept here.
            break;
    }
}

void ModelSync::ReadMcuValueCallback(uint32_t kind, int32_t value,
                                     std::unique_ptr<dsplink::ReplyRecord> record) {
    runlog::Log("ReadMcuValueCallback 0x%02x\n", kind);
    ProfileRecord& live = mState.live;
    switch (kind) {
        case dsplink::MCU_HANDSHAKE: {
            const auto* r = As<dsplink::McuHandshakeInfo>(record);
            if (!r)
                break;
            live.model = r->model;
            live.mainVersion = r->masterVersion;
            live.slaveVersion = r->slaveVersion;
            if (mListener)
                mListener->OnDeviceIdentity(r->model, r->masterVersion, r->slaveVersion);
            break;
        }
        case dsplink::MCU_GET_DSPFLASH_VER: {
            const auto* r = As<dsplink::DspFlashVersion>(record);
            if (!r)
                break;
            std::copy(r->version.begin(), r->version.end(), live.flashVersion.begin());
            break;
        }
        case dsplink::MCU_POWER_OFF_TIME:
            live.powerOffDelay = value;
            if (mListener)
                mListener->OnPowerOffDelayChanged();
            break;
        case dsplink::MCU_ACC:
            live.acc = value;
            if (mListener)
                mListener->OnAccChanged();
            break;
        case dsplink::MCU_PING:
            runlog::Log("MCU_PING recved in ReadMcuValueCallback\n");
            break;
        default:
            break;
    }
}

void ModelSync::ReadKtvValueCallback(uint32_t kind, int32_t value,
                                     std::unique_ptr<dsplink::ReplyRecord> /*record*/) {
    runlog::Log("ReadKtvValueCallback 0x%02x\n", kind);
    KtvSettings& k = mState.live.ktv;
    int* field = nullptr;
    switch (kind) {
        case 1:
            field = &k.ktvMicVolume;
            break;
        case 2:
            field = &k.ktvMusicVolume;
            break;
        case 3:
            field = &k.ktvHowling;
            break;
        case 4:
            field = &k.ktvEchoLevel;
            break;
        case 5:
            field = &k.ktvEchoDelay;
            break;
        case 6:
            field = &k.ktvReverbLevel;
            break;
        case 7:
            field = &k.ktvReverbTime;
            break;
        case 8:
            field = &k.ktvVoiceChanger;
            break;
        case 9:
            field = &k.ktvBassGain;
            break;
        case 10:
            field = &k.ktvTrebleGain;
            break;
        default:
            break;
    }
    if (field)
        *field = value;
}

void ModelSync::ReadSenceValueCallback(uint32_t kind, int32_t /*value*/,
                                       std::unique_ptr<dsplink::ReplyRecord> record) {
    runlog::Log("ReadSenceValueCallback 0x%02x\n", kind);
    if (kind == dsplink::FLASH_SCENE_NAME) {
        const auto* r = As<dsplink::SceneNameRecord>(record);
        if (!r || r->index < 0 || r->index >= STORED_SCENES)
            return;
        // The whole field as the amplifier holds it; views cut what they show.
        const auto* text = reinterpret_cast<const char*>(r->name.data());
        SetSceneName(mState.scenes, r->index,
                     std::string_view(text, strnlen(text, r->name.size())));
        if (mListener)
            mListener->OnSceneNameChanged(r->index);
    } else if (kind == dsplink::FLASH_SCENE_VALID) {
        const auto* r = As<dsplink::SceneMaskRecord>(record);
        if (!r)
            return;
        mState.validSceneMask = r->mask;
        runlog::Log("FLASH_SCENE_VALID 0x%02x\n", static_cast<unsigned>(r->mask));
        if (mListener)
            mListener->OnValidScenesChanged();
    }
}

bool ModelSync::Dispatch(dsplink::LinkMessage message) {
    switch (message.message) {
        case dsplink::WM_READ_DSP_VALUE:
            ReadDspValueCallback(message.wParam, message.value, std::move(message.record));
            return true;
        case dsplink::WM_READ_MCU_VALUE:
            ReadMcuValueCallback(message.wParam, message.value, std::move(message.record));
            return true;
        case dsplink::WM_READ_KTV_VALUE:
            ReadKtvValueCallback(message.wParam, message.value, std::move(message.record));
            return true;
        case dsplink::WM_READ_FLASH_VALUE:
            ReadSenceValueCallback(message.wParam, message.value, std::move(message.record));
            return true;
        default:
            return false;
    }
}

}  // namespace model
