#include "model/eq_operations.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <string>

#include "model/crossover.h"
#include "model/frequency.h"
#include "model/links.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

// Link groups carry crossover and band edits only among these outputs.
constexpr int kGroupOutputs = 8;
constexpr float kGainEpsilon = 0.001f;
// Smaller moves than these are noise of the edit round trip or of the mouse.
constexpr float kQTolerance = 0.025f;
constexpr float kGainTolerance = 0.01f;
// A Q step compares exactly, so that the last partial step to a limit still lands.
constexpr float kQStepTolerance = 0.001f;
// One gain up/down click of a custom point's field: the wire's tenth.
constexpr float kGainStep = 0.1f;
constexpr int kMinTypeItem = 0;
constexpr int kMaxTypeItem = 3;
// Longer digit runs would overflow the frequency parser; they are far out of range anyway.
constexpr size_t kMaxFrequencyDigits = 6;

// Runs fn for every output in the set, lowest first: the one follower loop.
template <size_t N, typename Fn>
void ForEach(const std::bitset<N>& outputs, Fn fn) {
    for (size_t i = 0; i < N; ++i) {
        if (outputs.test(i)) {
            fn(static_cast<int>(i));
        }
    }
}

bool IsSide(int side) {
    return side == LOW_PASS_SIDE || side == HIGH_PASS_SIDE;
}

int ClampEqSlider(int value) {
    return std::clamp(value, EQ_SLIDER_MIN, EQ_SLIDER_MAX);
}

int SliderOfGain(float gain) {
    if (!std::isfinite(gain)) {
        return 0;
    }
    const double units = std::clamp(static_cast<double>(gain) * 10.0, -1e6, 1e6);
    return ClampEqSlider(static_cast<int>(std::lround(units)));
}

// A frequency field: nullopt when the text holds no digit. Too many digits reads as the top
// (or, with a minus sign, the bottom) of the range.
std::optional<int> ReadFrequency(std::string_view text) {
    size_t run = 0;
    size_t longest = 0;
    for (char c : text) {
        run = std::isdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    if (longest == 0) {
        return std::nullopt;
    }
    if (longest > kMaxFrequencyDigits) {
        return text.find('-') != std::string_view::npos ? MIN_FREQUENCY : MAX_FREQUENCY;
    }
    return ParseFrequencyText(text);
}

// A real number at the start of a field, in any locale; trailing text ("dB") is ignored.
std::optional<float> ReadReal(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return static_cast<float>(std::clamp(value, -1e6, 1e6));
}

// A band edit as it will be stored: frequency outside the range keeps the stored one, Q and gain
// on the wire's tenths, gain within range. A gain that is no number plays flat.
struct BandValues {
    int freq;
    float q;
    float gain;
};

BandValues Normalised(const EqBand& stored, int freq, float q, float gain, GainRange range) {
    if (freq < MIN_FREQUENCY || freq > MAX_FREQUENCY) {
        freq = stored.freq;
    }
    const float lo = ClampEqGain(range.min);
    const float hi = std::max(lo, ClampEqGain(range.max));
    const float finite = std::isfinite(gain) ? gain : 0.0f;
    return {freq, WireEqQ(q), NearestStep(ClampFloat(finite, lo, hi), 10.0)};
}

bool SameShape(const EqBand& stored, const BandValues& v, float qTolerance) {
    return v.freq == stored.freq && std::fabs(v.q - stored.eqFactor) < qTolerance;
}

// Whether storing v changes the band. A disabled band shows 0 dB, so 0 dB for it is no gain
// edit: only a new shape counts.
bool Moves(const EqBand& stored, const BandValues& v, float qTolerance) {
    if (SameShape(stored, v, qTolerance)) {
        if (stored.enable != 0 && std::fabs(v.gain - stored.eqGain) < kGainTolerance) {
            return false;
        }
        if (stored.enable == 0 && std::fabs(v.gain) < kGainEpsilon) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool BandPlays(const EqBand& band) {
    return band.enable != 0 && std::fabs(band.eqGain) > kGainEpsilon;
}

EqOperations::EqOperations(ProfileRecord& live, dsplink::DspLink& link, dsplink::Clock& clock,
                           ChannelCurves& curves, ModelChanges& changes)
    : mLive(live), mLink(link), mClock(clock), mCurves(curves), mChanges(changes) {}

// ---- followers ----

std::optional<int> EqOperations::Partner() const {
    return LinkPartner(mLive, Current());
}

EqOperations::OutputSet EqOperations::CrossoverMembers() const {
    OutputSet set;
    const int c = Current();
    if (!IsOutputIndex(c) || c >= kGroupOutputs || mLive.linkSel[c] <= 0) {
        return set;
    }
    for (int i = 0; i < kGroupOutputs; ++i) {
        if (i != c && mLive.linkSel[i] == mLive.linkSel[c]) {
            set.set(static_cast<size_t>(i));
        }
    }
    return set;
}

EqOperations::OutputSet EqOperations::BandMembers() const {
    OutputSet set = CrossoverMembers();
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (set.test(static_cast<size_t>(i)) && !SameHalf(Current(), i)) {
            set.reset(static_cast<size_t>(i));
        }
    }
    return set;
}

bool EqOperations::BandInUse(int band) const {
    return CurrentValid() && band >= 0 && band < BandCountOf(mLive, Current()) &&
           band < MAX_EQ_BANDS;
}

EqBand& EqOperations::Band(int output, int band) {
    return mLive.bands[static_cast<size_t>(output)][static_cast<size_t>(band)];
}

CrossoverFilter& EqOperations::Side(int output, int side) {
    Crossover& x = mLive.channels[static_cast<size_t>(output)].crossover;
    return side == HIGH_PASS_SIDE ? x.hp : x.lp;
}

// ---- sending ----

void EqOperations::SendFilter(int output, int side) {
    const CrossoverFilter& f = Side(output, side);
    mLink.Filter_Ctrl(kScene, kSource, output, side, f.type(), f.fs(), f.slope(), kQueued);
}

void EqOperations::SendBand(int output, int band) {
    if (!IsOutputIndex(output) || band < 0 || band >= MAX_EQ_BANDS) {
        return;
    }
    const EqBand& b = Band(output, band);
    // The amplifier has no enable flag: a disabled band plays flat.
    const float gain = b.enable != 0 ? ClampEqGain(b.eqGain) : 0.0f;
    mLink.EQ_Ctrl(kScene, kSource, output, band, ClampFrequency(b.freq), ClampEqQ(b.eqFactor), gain,
                  kQueued);
}

void EqOperations::SendBypass(int output) {
    const int bypass[] = {mLive.channels[static_cast<size_t>(output)].bypass};
    mLink.PEQ_Bypass_Ctrl(kScene, kSource, output, output, bypass, kQueued);
}

bool EqOperations::ThrottleAllows(bool release) {
    const int64_t now = mClock.NowMs();
    if (!release && mLastSendMs && now - *mLastSendMs <= EQ_SEND_INTERVAL_MS) {
        return false;
    }
    mLastSendMs = now;
    return true;
}

// ---- crossover ----

void EqOperations::ShowCrossover() {
    if (!CurrentValid()) {
        return;
    }
    const Crossover& x = mLive.channels[static_cast<size_t>(Current())].crossover;
    runlog::Log("on SetFreqDivider getHPType %d\n", x.hp.type());
    runlog::Log("on SetFreqDivider getLPType %d\n", x.lp.type());
    runlog::Log("on SetFreqDivider getHPFs %d\n", x.hp.fs());
    runlog::Log("on SetFreqDivider getLPFs %d\n", x.lp.fs());
    runlog::Log("on SetFreqDivider getHPSlope %d\n", x.hp.slope());
    runlog::Log("on SetFreqDivider getLPSlope %d\n", x.lp.slope());
    Tell(ChangeKind::Crossover);
}

bool EqOperations::OddSlopesEnabled(int side) const {
    if (!CurrentValid() || !IsSide(side)) {
        return true;
    }
    const Crossover& x = mLive.channels[static_cast<size_t>(Current())].crossover;
    return (side == HIGH_PASS_SIDE ? x.hp : x.lp).type() != kLinkwitzRiley;
}

void EqOperations::ApplyCrossoverEdit(int side, const std::function<void(int output)>& store) {
    const int c = Current();
    const std::optional<int> partner = Partner();
    store(c);
    if (partner) {
        store(*partner);
    }
    const OutputSet members = CrossoverMembers();
    ForEach(members, [&](int i) {
        store(i);
        SendFilter(i, side);
    });
    Tell(ChangeKind::Crossover);
    UpdateEqualizer(-1);
    SendFilter(c, side);
    if (partner) {
        SendFilter(*partner, side);
    }
}

void EqOperations::SetSideFreq(int side, int hz) {
    if (!CurrentValid()) {
        return;
    }
    const int c = Current();
    int value = ClampFrequency(hz);
    if (side == HIGH_PASS_SIDE) {
        value = std::min(value, Side(c, LOW_PASS_SIDE).fs());
        runlog::Log("set hp freq to %d \n", value);
    } else {
        value = std::max(value, Side(c, HIGH_PASS_SIDE).fs());
        runlog::Log("set lp freq to %d \n", value);
    }
    ApplyCrossoverEdit(side, [&](int output) { Side(output, side).SetFs(value); });
}

void EqOperations::SetHpFreq(int hz) {
    SetSideFreq(HIGH_PASS_SIDE, hz);
}

void EqOperations::SetLpFreq(int hz) {
    SetSideFreq(LOW_PASS_SIDE, hz);
}

bool EqOperations::SetSideFreqEdit(int side, std::string_view text) {
    const std::optional<int> hz = ReadFrequency(text);
    if (!CurrentValid() || !hz) {
        return false;
    }
    SetSideFreq(side, *hz);
    return true;
}

bool EqOperations::SetHpFreqEdit(std::string_view text) {
    return SetSideFreqEdit(HIGH_PASS_SIDE, text);
}

bool EqOperations::SetLpFreqEdit(std::string_view text) {
    return SetSideFreqEdit(LOW_PASS_SIDE, text);
}

void EqOperations::StepSideFreq(int side, bool up) {
    runlog::Log(side == HIGH_PASS_SIDE ? "SetHpFreqUp up(%d)\n" : "SetLpFreqUp up(%d)\n",
                up ? 1 : 0);
    if (!CurrentValid()) {
        return;
    }
    const int now = Side(Current(), side).fs();
    if ((up && now >= MAX_FREQUENCY) || (!up && now <= MIN_FREQUENCY)) {
        return;
    }
    // SetSideFreq keeps HP at or below LP.
    SetSideFreq(side, StepFrequency(now, up));
}

void EqOperations::SetHpFreqUp(bool up) {
    StepSideFreq(HIGH_PASS_SIDE, up);
}

void EqOperations::SetLpFreqUp(bool up) {
    StepSideFreq(LOW_PASS_SIDE, up);
}

void EqOperations::StoreSlope(int output, int side, int slope) {
    CrossoverFilter& f = Side(output, side);
    // Linkwitz-Riley sections come in pairs: an odd order is taken up to the next even one.
    if (f.type() == kLinkwitzRiley && slope % 2 == 1) {
        slope = std::min(slope + 1, MAX_SLOPE);
    }
    f.SetSlope(slope);
    Crossover& x = mLive.channels[static_cast<size_t>(output)].crossover;
    x.bpType = BpTypeOf(x.hp, x.lp);
}

bool EqOperations::SetSideSlope(int side, int slope, std::string_view itemText) {
    const std::string text(itemText);
    runlog::Log(
        side == HIGH_PASS_SIDE ? "set hp slop to %s index %d\n" : "set lp slop to %s index %d\n",
        text.c_str(), slope);
    if (!CurrentValid() || slope < 0 || slope > MAX_SLOPE) {
        return false;
    }
    const int c = Current();
    if (!OddSlopesEnabled(side) && slope % 2 == 1) {
        return false;
    }
    if (Side(c, side).slope() == slope) {
        return true;
    }
    ApplyCrossoverEdit(side, [&](int output) { StoreSlope(output, side, slope); });
    return true;
}

bool EqOperations::SetHpSlope(int slope, std::string_view itemText) {
    return SetSideSlope(HIGH_PASS_SIDE, slope, itemText);
}

bool EqOperations::SetLpSlope(int slope, std::string_view itemText) {
    return SetSideSlope(LOW_PASS_SIDE, slope, itemText);
}

void EqOperations::SetSideType(int side, int type, std::string_view itemText) {
    const std::string text(itemText);
    runlog::Log(
        side == HIGH_PASS_SIDE ? "set hp type to %s index %d\n" : "set lp type to %s index %d\n",
        text.c_str(), type);
    if (!CurrentValid() || type < kMinTypeItem || type > kMaxTypeItem) {
        return;
    }
    const int c = Current();
    if (Side(c, side).type() == type) {
        return;
    }
    const bool lr = type == kLinkwitzRiley;
    if (lr && Side(c, side).slope() % 2 == 1) {
        // The combo moves to the next (even) item, which is a slope change of its own.
        SetSideSlope(side, Side(c, side).slope() + 1, {});
    }
    // A follower that kept an odd slope of its own is evened out with the type.
    ApplyCrossoverEdit(side, [&](int output) {
        Side(output, side).SetType(type);
        StoreSlope(output, side, Side(output, side).slope());
    });
}

void EqOperations::SetHpType(int type, std::string_view itemText) {
    SetSideType(HIGH_PASS_SIDE, type, itemText);
}

void EqOperations::SetLpType(int type, std::string_view itemText) {
    SetSideType(LOW_PASS_SIDE, type, itemText);
}

// ---- bands ----

float EqOperations::ShownGain(int output, int band) const {
    const EqBand& b = mLive.bands[static_cast<size_t>(output)][static_cast<size_t>(band)];
    if (mLive.channels[static_cast<size_t>(output)].bypass == 1 || b.enable == 0) {
        return 0.0f;
    }
    return static_cast<float>(SliderOfGain(b.eqGain)) / 10.0f;
}

bool EqOperations::AnyGain(int output) const {
    const int count = std::min(BandCountOf(mLive, output), MAX_EQ_BANDS);
    const EqBand* bands = BandsOf(mLive, output);
    for (int b = 0; bands != nullptr && b < count; ++b) {
        if (std::fabs(bands[b].eqGain) > kGainEpsilon) {
            return true;
        }
    }
    return false;
}

uint8_t EqOperations::BypassAfterEdit(int output, float gain) const {
    if (std::fabs(gain) > kGainEpsilon) {
        return 0;
    }
    // Bypass hides every band, so it only comes on when no band holds a gain any more.
    return AnyGain(output) ? 0 : 1;
}

bool EqOperations::SetBypass(int output, uint8_t bypass) {
    uint8_t& stored = mLive.channels[static_cast<size_t>(output)].bypass;
    if (stored == bypass) {
        return false;
    }
    stored = bypass;
    return true;
}

void EqOperations::LeaveBypass(int output) {
    const int count = std::min(BandCountOf(mLive, output), MAX_EQ_BANDS);
    for (int b = 0; b < count; ++b) {
        EqBand& band = Band(output, b);
        if (std::fabs(band.eqGain) > kGainEpsilon) {
            band.eqGain = 0.0f;
            band.enable = 1;
            SendBand(output, b);
        }
    }
}

void EqOperations::LeaveBypassWithFollowers(const OutputSet& members, std::optional<int> partner) {
    LeaveBypass(Current());
    ForEach(members, [&](int i) {
        if (mLive.channels[static_cast<size_t>(i)].bypass == 1) {
            LeaveBypass(i);
        }
    });
    if (partner && mLive.channels[static_cast<size_t>(*partner)].bypass == 1) {
        LeaveBypass(*partner);
    }
}

bool EqOperations::SetChEqEdit(int band, std::string_view freqText, std::string_view qText,
                               std::string_view gainText) {
    runlog::Log("SetChEqEdit band=%d\n", band);
    const std::optional<float> q = ReadReal(qText);
    const std::optional<float> gain = ReadReal(gainText);
    if (!BandInUse(band) || !q || !gain) {
        return false;
    }
    // A frequency field without a number keeps the stored frequency, like one out of range.
    const int freq = ReadFrequency(freqText).value_or(0);
    return SetChEq(band, freq, *q, *gain);
}

bool EqOperations::SetChEqSlider(int band, int sliderValue) {
    if (!BandInUse(band)) {
        return false;
    }
    const EqBand& b = Band(Current(), band);
    const float gain = static_cast<float>(ClampEqSlider(sliderValue)) / 10.0f;
    runlog::Log("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n", gain,
                b.freq, static_cast<double>(b.eqFactor), band, Current());
    return SetChEq(band, b.freq, b.eqFactor, gain);
}

bool EqOperations::SetChEq(int band, int freq, float q, float gain) {
    return ApplyBand(band, freq, q, gain, kQTolerance);
}

bool EqOperations::ApplyBand(int band, int freq, float q, float gain, float qTolerance) {
    if (!BandInUse(band)) {
        return false;
    }
    const int c = Current();
    EqBand& stored = Band(c, band);
    if (freq < MIN_FREQUENCY || freq > MAX_FREQUENCY) {
        freq = stored.freq;
    }
    q = WireEqQ(q);
    gain = static_cast<float>(SliderOfGain(gain)) / 10.0f;
    runlog::Log("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q),
                static_cast<double>(gain));

    const OutputSet members = BandMembers();
    const std::optional<int> partner = Partner();
    if (mLive.channels[static_cast<size_t>(c)].bypass == 1) {
        LeaveBypassWithFollowers(members, partner);
    }
    if (freq == stored.freq && std::fabs(q - stored.eqFactor) < qTolerance &&
        std::fabs(gain - stored.eqGain) < kGainTolerance && stored.enable != 0) {
        Tell(ChangeKind::Bands, band);
        return true;
    }

    stored = EqBand{gain, q, freq, 1};
    ForEach(members, [&](int i) {
        Band(i, band) = stored;
        SendBand(i, band);
    });
    if (partner) {
        Band(*partner, band) = stored;
        SendBand(*partner, band);
    }

    const uint8_t bypass = BypassAfterEdit(c, gain);
    if (SetBypass(c, bypass)) {
        SendBypass(c);
    }
    ForEach(members, [&](int i) {
        if (SetBypass(i, bypass)) {
            SendBypass(i);
        }
    });
    if (partner && SetBypass(*partner, bypass)) {
        SendBypass(*partner);
    }
    Tell(ChangeKind::Bands, band);
    UpdateEqualizer(band);
    SendBand(c, band);
    return true;
}

void EqOperations::SetEqFreqUp(int band, bool up) {
    runlog::Log("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandInUse(band)) {
        return;
    }
    const int c = Current();
    const EqBand b = Band(c, band);
    if ((up && b.freq >= MAX_FREQUENCY) || (!up && b.freq <= MIN_FREQUENCY)) {
        return;
    }
    // The other fields go through as their edits show them.
    ApplyBand(band, StepFrequency(b.freq, up), b.eqFactor, ShownGain(c, band), kQTolerance);
}

void EqOperations::SetEqQUp(int band, bool up) {
    runlog::Log("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandInUse(band)) {
        return;
    }
    const int c = Current();
    const EqBand b = Band(c, band);
    const float next = WireEqQ(b.eqFactor + (up ? EQ_Q_STEP : -EQ_Q_STEP));
    if (std::fabs(next - b.eqFactor) < kQStepTolerance) {
        return;
    }
    ApplyBand(band, b.freq, next, ShownGain(c, band), kQStepTolerance);
}

void EqOperations::SetEqGainUp(int band, bool up) {
    runlog::Log("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
    if (!BandInUse(band)) {
        return;
    }
    const int c = Current();
    const EqBand b = Band(c, band);
    const int now = SliderOfGain(ShownGain(c, band));
    const int next = ClampEqSlider(now + (up ? 1 : -1));
    if (next == now) {
        return;
    }
    ApplyBand(band, b.freq, b.eqFactor, static_cast<float>(next) / 10.0f, kQTolerance);
}

void EqOperations::OnEqEnable(int band) {
    runlog::Log("OnEqEnable mEqIndex %d\n", band);
    if (!BandInUse(band)) {
        return;
    }
    const int c = Current();
    EqBand& b = Band(c, band);
    const float shown = ShownGain(c, band);
    if (b.enable != 0 && std::fabs(shown) > kGainEpsilon) {
        // The gain stays in the record for enabling again; the amplifier plays it flat.
        b.enable = 0;
        SendBand(c, band);
        UpdateEqualizer(-1);
    } else if (b.enable == 0 && std::fabs(b.eqGain - shown) > kGainEpsilon) {
        b.enable = 1;
        SendBand(c, band);
        UpdateEqualizer(-1);
    }
    const uint8_t enable = b.enable;
    const OutputSet members = BandMembers();
    ForEach(members, [&](int i) {
        Band(i, band).enable = enable;
        SendBand(i, band);
    });
    if (const std::optional<int> partner = Partner()) {
        Band(*partner, band).enable = enable;
        SendBand(*partner, band);
    }
    Tell(ChangeKind::Bands, band);
}

// ---- graph ----

void EqOperations::EqualizerCallback(int band, int kind, bool release, const EqDragValues& values) {
    runlog::Log("%s cmd %d index %d\n", "EqualizerCallback", kind, band);
    if (!CurrentValid()) {
        return;
    }
    switch (kind) {
        case EQ_DRAG_HP:
            DragHandle(HIGH_PASS_SIDE, release, values.freq);
            break;
        case EQ_DRAG_LP:
            DragHandle(LOW_PASS_SIDE, release, values.freq);
            break;
        case EQ_DRAG_POINT:
            DragPoint(band, release, values);
            break;
        default:
            break;
    }
}

void EqOperations::DragHandle(int side, bool release, int hz) {
    runlog::Log("EqualizerCallback mLpFreq(%d)\n", hz);
    const int c = Current();
    int value = ClampFrequency(hz);
    // The graph keeps the handles apart; a value from elsewhere is held to the same rule.
    value = side == HIGH_PASS_SIDE ? std::min(value, Side(c, LOW_PASS_SIDE).fs())
                                   : std::max(value, Side(c, HIGH_PASS_SIDE).fs());
    Side(c, side).SetFs(value);
    Tell(ChangeKind::Crossover);
    if (ThrottleAllows(release)) {
        SendFilter(c, side);
        const OutputSet members = CrossoverMembers();
        ForEach(members, [&](int i) {
            Side(i, side).SetFs(value);
            SendFilter(i, side);
        });
        if (const std::optional<int> partner = Partner()) {
            Side(*partner, side).SetFs(value);
            SendFilter(*partner, side);
        }
    }
    UpdateEqualizer(-1);
}

void EqOperations::DragPoint(int band, bool release, const EqDragValues& values) {
    if (!BandInUse(band)) {
        return;
    }
    const int c = Current();
    EqBand& stored = Band(c, band);
    const int freq = ClampFrequency(values.freq);
    const float gain = WireEqGain(values.gain);
    const float q = WireEqQ(values.q);
    const bool bypassed = mLive.channels[static_cast<size_t>(c)].bypass == 1;

    if (!release && freq == stored.freq && std::fabs(q - stored.eqFactor) < kQTolerance &&
        stored.enable != 0) {
        if (std::fabs(gain - stored.eqGain) < kGainTolerance) {
            return;
        }
        if (bypassed && std::fabs(gain) < kGainEpsilon) {
            return;
        }
    }

    // A drag carries the band to every group member, either half; leaving bypass stays with
    // the members of the same half, as for the band fields.
    const OutputSet members = CrossoverMembers();
    const std::optional<int> partner = Partner();
    if (bypassed && std::fabs(gain) > kGainEpsilon) {
        LeaveBypassWithFollowers(BandMembers(), partner);
    }

    stored = EqBand{gain, q, freq, 1};
    ForEach(members, [&](int i) { Band(i, band) = stored; });
    if (partner) {
        Band(*partner, band) = stored;
    }

    const uint8_t bypass = BypassAfterEdit(c, gain);
    OutputSet involved = members;
    involved.set(static_cast<size_t>(c));
    if (partner) {
        involved.set(static_cast<size_t>(*partner));
    }
    ForEach(involved, [&](int i) {
        if (SetBypass(i, bypass)) {
            mBypassUnsent.set(static_cast<size_t>(i));
        }
    });

    if (ThrottleAllows(release)) {
        SendBand(c, band);
        // Followers are sent with the output, so a group drag is throttled as a whole.
        ForEach(members, [&](int i) { SendBand(i, band); });
        ForEach(mBypassUnsent, [&](int i) { SendBypass(i); });
        mBypassUnsent.reset();
        if (partner) {
            SendBand(*partner, band);
        }
    }
    // Members of the other half took the band too; the graph refresh covers the rest.
    ForEach(members & ~BandMembers(), [&](int i) { mCurves.UpdateChannelCurve(mLive, i); });
    ShowBands();
    UpdateEqualizer(band);
}

// ---- bypass, reset, mode ----

void EqOperations::SetOutputBypass() {
    runlog::Log("on %s\n", "EqualizerManager::SetOutputBypass");
    if (!CurrentValid()) {
        return;
    }
    const int c = Current();
    const int count = std::min(BandCountOf(mLive, c), MAX_EQ_BANDS);
    bool anyShown = false;
    for (int b = 0; b < count; ++b) {
        anyShown = anyShown || std::fabs(ShownGain(c, b)) > kGainEpsilon;
    }
    uint8_t bypass = 0;
    if (anyShown) {
        if (!mView || !mView->AskQuestion("${bypass_all_eq_tips}")) {
            return;
        }
        bypass = 1;
    } else if (AnyGain(c)) {
        if (!mView || !mView->AskQuestion("${restore_all_eq_tips}")) {
            return;
        }
    }
    SetBypass(c, bypass);
    SendBypass(c);
    const OutputSet members = CrossoverMembers();
    ForEach(members, [&](int i) {
        SetBypass(i, bypass);
        SendBypass(i);
    });
    if (const std::optional<int> partner = Partner()) {
        SetBypass(*partner, bypass);
        SendBypass(*partner);
    }
    ShowBands();
    UpdateEqualizer(-1);
}

bool EqOperations::BypassActionable() const {
    if (!CurrentValid()) {
        return false;
    }
    const int c = Current();
    const int count = std::min(BandCountOf(mLive, c), MAX_EQ_BANDS);
    const EqBand* bands = BandsOf(mLive, c);
    for (int b = 0; bands != nullptr && b < count; ++b) {
        if (bands[b].enable != 0 && std::fabs(bands[b].eqGain) > kGainEpsilon) {
            return true;
        }
    }
    return false;
}

void EqOperations::SetOutputEqReset() {
    runlog::Log("on %s\n", "EqualizerManager::SetOutputEqReset");
    if (!CurrentValid() || !mView || !mView->AskQuestion("${reset_all_eq_tips}")) {
        return;
    }
    const int c = Current();
    // Flat bands leave nothing to bypass: a bypass still on would only offer to restore
    // nothing, so it goes off with the bands.
    auto reset = [this](int output) {
        const int count = std::min(BandCountOf(mLive, output), MAX_EQ_BANDS);
        for (int b = 0; b < count; ++b) {
            const int freq = DefaultBandFrequency(count, b);
            EqBand& band = Band(output, b);
            band = EqBand{0.0f, DEFAULT_EQ_Q, freq > 0 ? freq : band.freq, 1};
        }
        if (SetBypass(output, 0)) {
            SendBypass(output);
        }
        return count;
    };
    reset(c);
    const OutputSet members = BandMembers();
    ForEach(members, [&](int i) {
        const int count = reset(i);
        for (int b = 0; b < count; ++b) {
            SendBand(i, b);
        }
    });
    const std::optional<int> partner = Partner();
    if (partner) {
        reset(*partner);
    }
    ShowBands();
    UpdateEqualizer(-1);
    // The amplifier resets these two by itself.
    std::vector<int> outputs{c};
    if (partner) {
        outputs.push_back(*partner);
    }
    mLink.PEQ_Reset_Ctrl(kScene, kSource, outputs, kQueued);
}

void EqOperations::ToggleEqMode() {
    const bool peq = !mPeqMode;
    if (!mView || !mView->AskQuestion(peq ? "${peq_mode_tips}" : "${geq_mode_tips}")) {
        return;
    }
    mPeqMode = peq;
    Tell(ChangeKind::EqMode);
    UpdateEqualizer(-1);
}

void EqOperations::ShowBands() {
    Tell(ChangeKind::Bands);
}

// ---- one output's band alone ----

bool EqOperations::OutputBandValid(int output, int band) {
    return IsOutputIndex(output) && band >= 0 && band < MAX_EQ_BANDS;
}

void EqOperations::BandEdited(int output, int band) {
    SendBand(output, band);
    mCurves.UpdateChannelCurve(mLive, output);
    mChanges.Publish({.kind = ChangeKind::Bands, .output = output, .band = band});
    mChanges.Publish({.kind = ChangeKind::Curves, .output = output});
}

BandEditResult EqOperations::StoreOutputBand(int output, int band, int freq, float q, float gain,
                                             GainRange range, float qTolerance) {
    if (!OutputBandValid(output, band)) {
        return BandEditResult::Refused;
    }
    EqBand& stored = Band(output, band);
    const BandValues v = Normalised(stored, freq, q, gain, range);
    if (!Moves(stored, v, qTolerance)) {
        return BandEditResult::Unchanged;
    }
    if (stored.enable == 0 && std::fabs(v.gain) < kGainEpsilon) {
        stored.freq = v.freq;
        stored.eqFactor = v.q;
    } else {
        runlog::Log("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", v.freq,
                    static_cast<double>(v.q), static_cast<double>(v.gain));
        stored = EqBand{v.gain, v.q, v.freq, 1};
    }
    BandEdited(output, band);
    return BandEditResult::Changed;
}

BandEditResult EqOperations::SetOutputBand(int output, int band, int freq, float q, float gain,
                                           GainRange range) {
    return StoreOutputBand(output, band, freq, q, gain, range, kQTolerance);
}

BandEditResult EqOperations::SetOutputBandEdit(int output, int band, const BandTexts& texts,
                                               GainRange range) {
    // Unreadable input is corrected in place rather than refused: the row always shows a value.
    return SetOutputBand(output, band, ReadFrequency(texts.freq).value_or(0),
                         ReadReal(texts.q).value_or(0.0f), ReadReal(texts.gain).value_or(0.0f),
                         range);
}

BandEditResult EqOperations::SetOutputBandSlider(int output, int band, std::string_view freqText,
                                                 std::string_view qText, int sliderValue,
                                                 GainRange range) {
    const int freq = ReadFrequency(freqText).value_or(0);
    const float q = ReadReal(qText).value_or(0.0f);
    const float gain = static_cast<float>(ClampEqSlider(sliderValue)) / 10.0f;
    runlog::Log("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
                static_cast<double>(gain), freq, static_cast<double>(q), band, output);
    return SetOutputBand(output, band, freq, q, gain, range);
}

BandEditResult EqOperations::StepOutputBand(int output, int band, BandField field, bool up,
                                            const BandTexts& texts, GainRange range) {
    if (!OutputBandValid(output, band)) {
        return BandEditResult::Refused;
    }
    const EqBand& stored = Band(output, band);
    int freq = ReadFrequency(texts.freq).value_or(0);
    float q = ReadReal(texts.q).value_or(0.0f);
    float gain = ReadReal(texts.gain).value_or(0.0f);
    float qTolerance = kQTolerance;
    switch (field) {
        case BandField::Freq:
            if (freq < MIN_FREQUENCY || freq > MAX_FREQUENCY) {
                freq = ClampFrequency(stored.freq);
            }
            if ((up && freq >= MAX_FREQUENCY) || (!up && freq <= MIN_FREQUENCY)) {
                return BandEditResult::Refused;
            }
            freq = StepFrequency(freq, up);
            break;
        case BandField::Q: {
            const float now = ClampEqQ(q);
            q = WireEqQ(now + (up ? EQ_Q_STEP : -EQ_Q_STEP));
            if (std::fabs(q - now) < kQStepTolerance) {
                return BandEditResult::Refused;
            }
            qTolerance = kQStepTolerance;
            break;
        }
        case BandField::Gain: {
            const float lo = ClampEqGain(range.min);
            const float hi = std::max(lo, ClampEqGain(range.max));
            const float limit = up ? hi : lo;
            if (std::fabs(gain - limit) < kGainTolerance) {
                return BandEditResult::Refused;
            }
            gain = up ? std::min(gain + kGainStep, hi) : std::max(gain - kGainStep, lo);
            break;
        }
    }
    return StoreOutputBand(output, band, freq, q, gain, range, qTolerance);
}

BandEditResult EqOperations::ToggleOutputBand(int output, int band, GainRange range) {
    if (!OutputBandValid(output, band)) {
        return BandEditResult::Refused;
    }
    EqBand& b = Band(output, band);
    // What the slider shows: the stored gain in range and tenths, 0 while off.
    const float shown =
        b.enable != 0 ? Normalised(b, b.freq, b.eqFactor, b.eqGain, range).gain : 0.0f;
    if (b.enable != 0 && std::fabs(shown) > kGainEpsilon) {
        b.enable = 0;
    } else if (b.enable == 0 && std::fabs(b.eqGain - shown) > kGainEpsilon) {
        b.enable = 1;
    } else {
        return BandEditResult::Unchanged;
    }
    BandEdited(output, band);
    return BandEditResult::Changed;
}

bool EqOperations::DragMovesOutputBand(int output, int band, const EqDragValues& values,
                                       GainRange range) const {
    if (!OutputBandValid(output, band)) {
        return false;
    }
    const EqBand& stored = mLive.bands[static_cast<size_t>(output)][static_cast<size_t>(band)];
    return Moves(stored,
                 Normalised(stored, ClampFrequency(values.freq), values.q, values.gain, range),
                 kQTolerance);
}

BandEditResult EqOperations::DragOutputBand(int output, int band, const EqDragValues& values,
                                            GainRange range) {
    // The graph never leaves the frequency range; a value from elsewhere is held to it.
    return SetOutputBand(output, band, ClampFrequency(values.freq), values.q, values.gain, range);
}

void EqOperations::SetCustomPoints(int output, const std::function<EqBand(int point)>& point) {
    if (!IsOutputIndex(output)) {
        return;
    }
    for (int k = 0; k < CUSTOM_EQ_POINTS; ++k) {
        Band(output, CUSTOM_EQ_FIRST_BAND + k) = point(k);
        SendBand(output, CUSTOM_EQ_FIRST_BAND + k);
    }
    mCurves.UpdateChannelCurve(mLive, output);
    mChanges.Publish({.kind = ChangeKind::Bands, .output = output});
    mChanges.Publish({.kind = ChangeKind::Curves, .output = output});
}

void EqOperations::ResetCustomPoints(int output) {
    SetCustomPoints(output, [](int k) {
        return EqBand{0.0f, DEFAULT_EQ_Q, DefaultBandFrequency(MAX_EQ_BANDS, k), 1};
    });
}

void EqOperations::RestoreCustomPoints(int output) {
    SetCustomPoints(output, [](int k) {
        const auto i = static_cast<size_t>(k);
        return EqBand{ClampEqGain(static_cast<float>(CUSTOM_EQ_FACTORY_GAIN[i])), DEFAULT_EQ_Q,
                      ClampFrequency(CUSTOM_EQ_FACTORY_FREQ[i]), 1};
    });
}

void EqOperations::Tell(ChangeKind kind, int band) {
    mChanges.Publish({.kind = kind, .output = Current(), .band = band});
}

// ---- graph refresh ----

std::vector<EqGraphPoint> EqOperations::GraphPoints() const {
    std::vector<EqGraphPoint> points;
    if (!CurrentValid()) {
        return points;
    }
    const int c = Current();
    const int count = std::min(BandCountOf(mLive, c), MAX_EQ_BANDS);
    const bool bypassed = mLive.channels[static_cast<size_t>(c)].bypass == 1;
    const EqBand* bands = BandsOf(mLive, c);
    for (int b = 0; bands != nullptr && b < count; ++b) {
        const EqBand& band = bands[b];
        const bool flat = bypassed || band.enable == 0;
        points.push_back({band.freq, flat ? 0.0f : band.eqGain, band.eqFactor, band.enable != 0});
    }
    return points;
}

void EqOperations::UpdateEqualizer(int selectedBand) {
    if (!CurrentValid()) {
        return;
    }
    const int64_t start = mClock.NowMs();
    const int c = Current();
    mCurves.UpdateChannelCurve(mLive, c);
    if (const std::optional<int> partner = Partner()) {
        mCurves.UpdateChannelCurve(mLive, *partner);
    }
    const OutputSet members = BandMembers();
    ForEach(members, [&](int i) { mCurves.UpdateChannelCurve(mLive, i); });
    runlog::Log("UpdateEqualizer 0 cost time %d ms\n", static_cast<int>(mClock.NowMs() - start));
    Tell(ChangeKind::Graph, BandInUse(selectedBand) ? selectedBand : -1);
    runlog::Log("UpdateEqualizer 1 cost time %d ms\n", static_cast<int>(mClock.NowMs() - start));
}

}  // namespace model
