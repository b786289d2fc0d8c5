#include "model/compressor_operations.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/constants.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
constexpr int kSource = 0;

size_t At(int output) {
    return static_cast<size_t>(output);
}

}  // namespace

CompressorSettings WireCompressor(const CompressorSettings& s) {
    CompressorSettings w;
    w.bypass = s.bypass != 0 ? 1 : 0;
    w.threshold = NearestStep(
        ClampFloat(s.threshold, MIN_COMPRESSOR_THRESHOLD, MAX_COMPRESSOR_THRESHOLD), 10.0);
    w.ratio = NearestStep(ClampFloat(s.ratio, MIN_COMPRESSOR_RATIO, MAX_COMPRESSOR_RATIO), 10.0);
    w.knee = NearestStep(ClampFloat(s.knee, MIN_COMPRESSOR_KNEE, MAX_COMPRESSOR_KNEE), 10.0);
    w.attack = std::clamp(s.attack, MIN_COMPRESSOR_ATTACK, MAX_COMPRESSOR_ATTACK);
    // Whole tenths of a second, so that both commands leave the amplifier with the same release.
    const int release = std::clamp(s.release, MIN_COMPRESSOR_RELEASE, MAX_COMPRESSOR_RELEASE);
    w.release =
        static_cast<int>(std::lround(static_cast<double>(release) / COMPRESSOR_RELEASE_STEP)) *
        COMPRESSOR_RELEASE_STEP;
    return w;
}

CompressorSettings CompressorOf(const ProfileRecord& r, int output) {
    if (!IsOutputIndex(output)) {
        return {};
    }
    const size_t i = At(output);
    return {r.compressorBypass[i], r.compressorThreshold[i], r.compressorRatio[i],
            r.compressorAttack[i], r.compressorRelease[i],   r.compressorKnee[i]};
}

CompressorOperations::CompressorOperations(ProfileRecord& live, dsplink::DspLink& link,
                                           ModelChanges& changes)
    : mLive(live), mLink(link), mChanges(changes) {}

bool CompressorOperations::Store(int output, const CompressorSettings& s) {
    if (s == CompressorOf(mLive, output)) {
        return false;
    }
    const size_t i = At(output);
    mLive.compressorBypass[i] = s.bypass;
    mLive.compressorThreshold[i] = s.threshold;
    mLive.compressorRatio[i] = s.ratio;
    mLive.compressorAttack[i] = s.attack;
    mLive.compressorRelease[i] = s.release;
    mLive.compressorKnee[i] = s.knee;
    mChanges.Publish({.kind = ChangeKind::Compressor, .output = output});
    return true;
}

bool CompressorOperations::SetCompressor(int output, const CompressorSettings& settings) {
    runlog::Log("SetCompressor ch(%d)\n", output);
    if (!IsOutputIndex(output)) {
        return false;
    }
    const CompressorSettings s = WireCompressor(settings);
    if (!Store(output, s)) {
        return false;
    }
    mLink.Compressor_Ctrl(kLiveScene, kSource, output, s.bypass, s.threshold, s.ratio, s.knee,
                          s.attack, s.release, false);
    return true;
}

bool CompressorOperations::SetCompressorBasics(int output, float threshold, int attack,
                                               int release) {
    runlog::Log("SetCompressorBasics ch(%d)\n", output);
    if (!IsOutputIndex(output)) {
        return false;
    }
    CompressorSettings s = CompressorOf(mLive, output);
    s.threshold = threshold;
    s.attack = attack;
    s.release = release;
    // Bypass, ratio and knee are not sent: they stay as they are, even if out of range.
    const CompressorSettings wire = WireCompressor(s);
    s.threshold = wire.threshold;
    s.attack = wire.attack;
    s.release = wire.release;
    if (!Store(output, s)) {
        return false;
    }
    const std::array<dsplink::CompressorChannel, 1> channel{
        dsplink::CompressorChannel{s.threshold, s.attack, static_cast<uint32_t>(s.release)}};
    mLink.Compressor_Ctrl2(kLiveScene, kSource, output, output, channel, false);
    return true;
}

bool CompressorOperations::SetCompressorOn(int output, bool on) {
    runlog::Log("SetCompressorOn ch(%d) on(%d)\n", output, on ? 1 : 0);
    if (!IsOutputIndex(output)) {
        return false;
    }
    std::uint8_t& field = mLive.channels[At(output)].compressorOn;
    const std::uint8_t value = on ? 1 : 0;
    if (field == value) {
        return false;
    }
    field = value;
    mChanges.Publish({.kind = ChangeKind::Compressor, .output = output});
    const std::array<int, 1> flags{value};
    mLink.Compressor_Ch_Ctrl(kLiveScene, kSource, output, output, flags, false);
    return true;
}

}  // namespace model
