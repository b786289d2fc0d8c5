#pragma once
// What the user does to the current output's crossover and EQ bands: HP/LP frequency, type and
// slope, band edits, slider, steps, enable, bypass, reset, drags in the graph, the PEQ/GEQ mode,
// and the graph refresh. Each operation changes the live record, tells the windows, then sends to
// the amplifier (scene 0, source 0, queued; dropped while not connected).
//
// Followers: crossover edits go to the partner (LinkPartner) and, for a current output among
// the first eight, to the other outputs of those eight in its link group. Band edits go to the
// partner and to the group members among the first eight that are in the same half.
//
// Graph drags change the model on every step but send at most once per 500 ms (one tick shared
// by all drag kinds) and always on release. Runs on the manager's thread.
//
// The custom EQ points (bands 11..30) are edited on one named output alone: no follower takes
// them, and every accepted change is sent at once.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "link/clock.h"
#include "link/dsp_link.h"
#include "model/channel_curves.h"
#include "model/model_changes.h"
#include "model/operations_view.h"
#include "model/profile_record.h"
#include "model/value_ranges.h"

namespace model {

// Crossover sides as Filter_Ctrl numbers them.
inline constexpr int LOW_PASS_SIDE = 1;
inline constexpr int HIGH_PASS_SIDE = 2;

// EqualizerCallback kinds, as the graph's notifications map to them.
inline constexpr int EQ_DRAG_POINT = 0;
inline constexpr int EQ_DRAG_HP = 1;
inline constexpr int EQ_DRAG_LP = 2;

// Band gain slider: 0.1 dB units.
inline constexpr int EQ_SLIDER_MIN = -180;
inline constexpr int EQ_SLIDER_MAX = 120;
inline constexpr int MAX_SLOPE = 8;
inline constexpr float DEFAULT_EQ_Q = 5.8f;
// Drag steps closer together than this are not sent.
inline constexpr int64_t EQ_SEND_INTERVAL_MS = 500;

// The custom EQ points: bands CUSTOM_EQ_FIRST_BAND.. of an output.
inline constexpr int CUSTOM_EQ_FIRST_BAND = 11;
inline constexpr int CUSTOM_EQ_POINTS = 20;
static_assert(CUSTOM_EQ_FIRST_BAND + CUSTOM_EQ_POINTS <= MAX_EQ_BANDS);
// Their factory curve: frequency (Hz) and gain (whole dB) per point.
inline constexpr std::array<int, CUSTOM_EQ_POINTS> CUSTOM_EQ_FACTORY_FREQ = {
    10, 13, 16, 17, 19, 21, 24, 27, 30, 33, 100, 150, 200, 130, 180, 230, 280, 1000, 1250, 1600};
inline constexpr std::array<int, CUSTOM_EQ_POINTS> CUSTOM_EQ_FACTORY_GAIN = {
    0, 11, 12, 1, 6, 8, 5, 4, 4, 3, 3, 3, 3, 3, 3, 2, 3, 0, 0, 0};

// The three fields of a band row, top to bottom.
enum class BandField { Freq = 0, Q = 1, Gain = 2 };

// A band row's fields as typed.
struct BandTexts {
    std::string_view freq;
    std::string_view q;
    std::string_view gain;
};

// Gain limits of an edit in dB; a window passes its slider's range. Never wider than the
// amplifier's.
struct GainRange {
    float min = MIN_EQ_GAIN;
    float max = MAX_EQ_GAIN;
};

// What an edit of one output's band did: Refused (nothing read: the fields stay as typed),
// Unchanged (read, the record already holds it: the fields show the record again) or Changed.
enum class BandEditResult { Refused, Unchanged, Changed };

// Whether a band plays a gain, so its switch shows on: enabled and not flat.
bool BandPlays(const EqBand& band);

// What the graph holds for the dragged point or handle: for a point its frequency, gain and
// Q; for the HP or LP handle only freq.
struct EqDragValues {
    int freq = 0;
    float gain = 0.0f;
    float q = DEFAULT_EQ_Q;
};

// One point of the graph: gain is 0 for a disabled band or a bypassed output.
struct EqGraphPoint {
    int freq = 0;
    float gain = 0.0f;
    float q = DEFAULT_EQ_Q;
    bool enable = false;
};

class EqOperations {
  public:
    EqOperations(ProfileRecord& live, dsplink::DspLink& link, dsplink::Clock& clock,
                 ChannelCurves& curves, ModelChanges& changes);
    EqOperations(const EqOperations&) = delete;
    EqOperations& operator=(const EqOperations&) = delete;

    void SetView(OperationsView* view) { mView = view; }

    // ---- crossover of the current output ----
    // Hz, clamped to 20..20000; HP never above LP, LP never below HP.
    void SetHpFreq(int hz);
    void SetLpFreq(int hz);
    // "hp_freq"/"lp_freq" text ("1k5", "250Hz"); false when it holds no number: nothing
    // changes and the view shows the stored value again.
    bool SetHpFreqEdit(std::string_view text);
    bool SetLpFreqEdit(std::string_view text);
    void SetHpFreqUp(bool up);
    void SetLpFreqUp(bool up);
    // Item index = type code (0..3); itemText is only logged.
    void SetHpType(int type, std::string_view itemText = {});
    void SetLpType(int type, std::string_view itemText = {});
    // Item index = slope code (0..8, 0 = side off). An odd slope under Linkwitz-Riley is
    // refused (false), as its combo item is disabled.
    bool SetHpSlope(int slope, std::string_view itemText = {});
    bool SetLpSlope(int slope, std::string_view itemText = {});
    // Whether slope items 1, 3, 5, 7 are enabled for a side (LOW_PASS_SIDE, HIGH_PASS_SIDE).
    bool OddSlopesEnabled(int side) const;

    // ---- bands of the current output (band below its "eqSize") ----
    // The three edits of a band row. An out-of-range frequency keeps the stored one; Q is
    // clamped to 0.5..9.0, gain to the slider. False (nothing changes) when the Q or gain text
    // is not a number, or the band is not in use.
    bool SetChEqEdit(int band, std::string_view freqText, std::string_view qText,
                     std::string_view gainText);
    // Numeric form of the same edit.
    bool SetChEq(int band, int freq, float q, float gain);
    // "eq_slider_%d": gain in 0.1 dB units; frequency and Q stay.
    bool SetChEqSlider(int band, int sliderValue);
    void SetEqFreqUp(int band, bool up);
    void SetEqQUp(int band, bool up);
    void SetEqGainUp(int band, bool up);
    // "pt_enable_%d": disables a band that plays (keeping its gain for later) or enables a
    // disabled one again.
    void OnEqEnable(int band);

    // The graph's notifications: kind EQ_DRAG_POINT (band, values.freq/gain/q), EQ_DRAG_HP or
    // EQ_DRAG_LP (values.freq); release for the "_release" notifications.
    void EqualizerCallback(int band, int kind, bool release, const EqDragValues& values);

    // "btn_bypass", "btn_reset_eq": ask through the view.
    void SetOutputBypass();
    // Whether "btn_bypass" would change what the current output plays: bypassed, an enabled
    // band holds a gain to restore; else some band plays a gain.
    bool BypassActionable() const;
    void SetOutputEqReset();

    // "btn_arg_eq": asks, then switches between GEQ and PEQ. A view setting; nothing is sent.
    void ToggleEqMode();
    bool PeqMode() const { return mPeqMode; }

    // Recomputes the curves of the current output and its band followers, then redraws the
    // graph with selectedBand (-1: none).
    void UpdateEqualizer(int selectedBand);
    // The points the graph shows for the current output.
    std::vector<EqGraphPoint> GraphPoints() const;

    // Sends one band of an output as the record holds it, clamped to what the amplifier takes
    // (a disabled band plays flat). Out-of-range outputs and bands send nothing.
    void SendBand(int output, int band);

    // ---- one output's band alone (the custom EQ points) ----
    // Each stores what it accepts, sends it at once, recomputes that output's curve and tells
    // every window (Bands and Curves of that output). Nothing is sent or told when nothing
    // changed. An output or band out of range is Refused. Frequencies outside 20..20000 keep
    // the stored one; Q and gain are held to their limits and to tenths; an unreadable Q or
    // gain reads as 0. A disabled band given 0 dB stays off and keeps its gain for switching
    // on again; only its frequency and Q change.
    BandEditResult SetOutputBandEdit(int output, int band, const BandTexts& texts,
                                     GainRange range = {});
    BandEditResult SetOutputBand(int output, int band, int freq, float q, float gain,
                                 GainRange range = {});
    // The gain slider (0.1 dB units); frequency and Q from their texts.
    BandEditResult SetOutputBandSlider(int output, int band, std::string_view freqText,
                                       std::string_view qText, int sliderValue,
                                       GainRange range = {});
    // One step of a field up or down from its text, the row's other texts going with it.
    // Refused, with nothing read, when the field is at its limit.
    BandEditResult StepOutputBand(int output, int band, BandField field, bool up,
                                  const BandTexts& texts, GainRange range = {});
    // The on/off switch: a band that plays goes off (its gain kept), a disabled band holding
    // a gain comes on again; anything else is Unchanged.
    BandEditResult ToggleOutputBand(int output, int band, GainRange range = {});
    // A drag step of a graph showing this output's bands. Hovering reports a point
    // unchanged, so DragMovesOutputBand tells beforehand whether the step is an edit.
    bool DragMovesOutputBand(int output, int band, const EqDragValues& values,
                             GainRange range = {}) const;
    BandEditResult DragOutputBand(int output, int band, const EqDragValues& values,
                                  GainRange range = {});
    // All custom points of an output: flat (0 dB, DEFAULT_EQ_Q, the 1/3-octave frequencies,
    // on), or the factory curve held to what the amplifier plays. Every point is sent, so the
    // amplifier ends in a known state.
    void ResetCustomPoints(int output);
    void RestoreCustomPoints(int output);

    // Shows the current output's crossover and slope items, or its bands.
    void ShowCrossover();
    void ShowBands();

  private:
    static constexpr int kScene = 0;
    static constexpr int kSource = 0;
    static constexpr bool kQueued = false;

    using OutputSet = std::bitset<OUTPUT_CHANNELS>;

    // Followers of the current output, without the output itself.
    OutputSet CrossoverMembers() const;
    OutputSet BandMembers() const;
    std::optional<int> Partner() const;
    int Current() const { return mLive.currOutChannel; }
    bool CurrentValid() const { return IsOutputIndex(Current()); }
    bool BandInUse(int band) const;
    EqBand& Band(int output, int band);

    CrossoverFilter& Side(int output, int side);
    // A crossover edit: store runs for the current output, its partner and the group members;
    // the members are sent at once, then the view and graph, then current and partner.
    void ApplyCrossoverEdit(int side, const std::function<void(int output)>& store);
    void SetSideFreq(int side, int hz);
    bool SetSideFreqEdit(int side, std::string_view text);
    void StepSideFreq(int side, bool up);
    void SetSideType(int side, int type, std::string_view itemText);
    bool SetSideSlope(int side, int slope, std::string_view itemText);
    void StoreSlope(int output, int side, int slope);

    // Steps 1 to 8 of a band edit; qTolerance is the Q move that counts as a change.
    bool ApplyBand(int band, int freq, float q, float gain, float qTolerance);
    // Gain the band's slider shows: 0 when the band does not play.
    float ShownGain(int output, int band) const;
    // Step 4 of an edit on a bypassed output: zero every gain, send the zeroed bands.
    void LeaveBypass(int output);
    void LeaveBypassWithFollowers(const OutputSet& members, std::optional<int> partner);
    // Bypass after the band's gain changed: off while it plays, on when nothing plays.
    uint8_t BypassAfterEdit(int output, float gain) const;
    bool AnyGain(int output) const;
    bool SetBypass(int output, uint8_t bypass);
    bool ThrottleAllows(bool release);

    void SendFilter(int output, int side);
    void SendBypass(int output);
    // Tells every window that the current output's kind of values changed.
    void Tell(ChangeKind kind, int band = -1);

    void DragHandle(int side, bool release, int hz);

    static bool OutputBandValid(int output, int band);
    // The one edit of one output's band; qTolerance is the Q move that counts as a change.
    BandEditResult StoreOutputBand(int output, int band, int freq, float q, float gain,
                                   GainRange range, float qTolerance);
    // After a band of one output changed in the record: sent, its curve recomputed, told.
    void BandEdited(int output, int band);
    void SetCustomPoints(int output, const std::function<EqBand(int point)>& point);
    void DragPoint(int band, bool release, const EqDragValues& values);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    dsplink::Clock& mClock;
    ChannelCurves& mCurves;
    ModelChanges& mChanges;
    OperationsView* mView = nullptr;
    bool mPeqMode = false;
    std::optional<int64_t> mLastSendMs;
    // Bypass changes made by drag steps that were not sent yet.
    OutputSet mBypassUnsent;
};

}  // namespace model
