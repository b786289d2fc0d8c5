#include "windows/custom_eq_wnd.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "controls/register_controls.h"
#include "controls/ui_equalizer.h"
#include "dsp/channel_curve.h"
#include "model/equalizer_manager.h"
#include "model/frequency.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/custom_eq_controls.h"
#include "windows/msg_wnd.h"
#include "windows/undo_shortcuts.h"

namespace {

constexpr float kGainEpsilon = 0.001f;
constexpr float kGainTolerance = 0.01f;
constexpr float kQTolerance = 0.01f;
// A drag must move Q this much to count: the mouse jitters by a pixel or two.
constexpr float kDragQTolerance = 0.05f;
constexpr float kQEpsilon = 1e-6f;
constexpr float kStepEpsilon = 0.001f;
constexpr float kGainStep = 0.1f;
constexpr int kQDecimals = 2;

// A real number at the start of a field, as atof reads it: 0 when there is none. Locale-free,
// so "4.5" reads the same whatever the desktop's number format; trailing text is ignored.
float ReadReal(const QString& field) {
    const std::string text = field.trimmed().toStdString();
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || !std::isfinite(value)) {
        return 0.0f;
    }
    (void)stop;
    return static_cast<float>(std::clamp(value, -1e6, 1e6));
}

int ReadFrequency(const QString& field) {
    return model::ParseFrequencyText(field.trimmed().toStdString());
}

bool FrequencyInRange(int hz) {
    return hz >= model::MIN_FREQUENCY && hz <= model::MAX_FREQUENCY;
}

QString FreqText(int hz) {
    return QString::number(hz);
}

QString QText(float q) {
    return QString::asprintf("%.*f", kQDecimals, static_cast<double>(q));
}

QString GainText(float gain) {
    return QString::asprintf("%.1f", static_cast<double>(gain));
}

int SliderUnits(float gain) {
    if (!std::isfinite(gain)) {
        return 0;
    }
    return static_cast<int>(std::lround(std::clamp(static_cast<double>(gain) * 10.0, -1e6, 1e6)));
}

QString FieldPrefix(CCustomEqWnd::Field f) {
    switch (f) {
        case CCustomEqWnd::Field::Q:
            return QString::fromLatin1(custom_eq_controls::kEqQPrefix);
        case CCustomEqWnd::Field::Gain:
            return QString::fromLatin1(custom_eq_controls::kEqGainPrefix);
        case CCustomEqWnd::Field::Freq:
            break;
    }
    return QString::fromLatin1(custom_eq_controls::kEqFreqPrefix);
}

}  // namespace

CCustomEqWnd::CCustomEqWnd(QWidget* owner, model::EqualizerManager& manager)
    : CDialogWnd(owner, QStringLiteral("CustomEqWnd"), QStringLiteral("customeqwnd")),
      mManager(manager) {
    controls::RegisterCustomControls();
    mManager.Subscribe(this);
}

CCustomEqWnd::~CCustomEqWnd() {
    mManager.Unsubscribe(this);
}

void CCustomEqWnd::OnModelChange(const model::ModelChange& change) {
    using model::ChangeKind;
    const bool ours = change.kind == ChangeKind::Whole ||
                      (change.kind == ChangeKind::Bands && change.output == mOutput);
    if (ours && !mTelling) {
        RefreshFields();
        UpdateEqualizer(-1);
    }
}

int CCustomEqWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CCustomEqWnd::Run");
    int result = 0;
    {
        CCustomEqWnd wnd(owner, manager);
        if (wnd.Create()) {
            result = wnd.ShowModal();
        }
    }
    return result;
}

bool CCustomEqWnd::Create() {
    const int current = mManager.State().live.currOutChannel;
    mOutput = model::IsOutputIndex(current) ? current : -1;
    for (int k = 0; k < kPoints; ++k) {
        mSnapshot[static_cast<size_t>(k)] = PointBand(k);
    }
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    if (mGraph) {
        mGraph->SetDragAllDirection(true);
    }
    UpdateEqualizer(-1);
    RefreshFields();
    return built;
}

void CCustomEqWnd::FindControls() {
    for (int k = 0; k < kPoints; ++k) {
        Row& row = mRows[static_cast<size_t>(k)];
        const QString n = QString::number(k);
        row.freq = Lookup<ui::Edit>(QString::fromLatin1(custom_eq_controls::kEqFreqPrefix) + n);
        row.q = Lookup<ui::Edit>(QString::fromLatin1(custom_eq_controls::kEqQPrefix) + n);
        row.gain = Lookup<ui::Edit>(QString::fromLatin1(custom_eq_controls::kEqGainPrefix) + n);
        row.slider =
            Lookup<ui::Slider>(QString::fromLatin1(custom_eq_controls::kEqSliderPrefix) + n);
        row.enable =
            Lookup<ui::SButton>(QString::fromLatin1(custom_eq_controls::kPtEnablePrefix) + n);
    }
    mGraph = Lookup<UIEqualizer>(QString::fromLatin1(custom_eq_controls::kEqualizer));
    Lookup<ui::Button>(QString::fromLatin1(custom_eq_controls::kBtnResetEq));
    Lookup<ui::Button>(QString::fromLatin1(custom_eq_controls::kBtnResetCustomEq));
    Lookup<ui::Button>(QString::fromLatin1(custom_eq_controls::kConfirmBtn));
    Lookup<ui::Button>(QString::fromLatin1(custom_eq_controls::kCloseBtn));
}

// ---- model access ----

model::EqBand* CCustomEqWnd::Band(int k) {
    if (!ValidPoint(k) || mOutput < 0) {
        return nullptr;
    }
    model::EqBand* bands = model::BandsOf(mManager.State().live, mOutput);
    return bands ? &bands[k + kFirstBand] : nullptr;
}

model::EqBand CCustomEqWnd::PointBand(int k) const {
    if (!ValidPoint(k) || mOutput < 0) {
        return {};
    }
    const model::EqBand* bands = model::BandsOf(mManager.State().live, mOutput);
    return bands ? bands[k + kFirstBand] : model::EqBand{};
}

float CCustomEqWnd::MinGain(int k) const {
    const ui::Slider* slider = ValidPoint(k) ? mRows[static_cast<size_t>(k)].slider : nullptr;
    const int units = slider ? slider->Min() : model::EQ_SLIDER_MIN;
    return model::ClampEqGain(static_cast<float>(units) / 10.0f);
}

float CCustomEqWnd::MaxGain(int k) const {
    const ui::Slider* slider = ValidPoint(k) ? mRows[static_cast<size_t>(k)].slider : nullptr;
    const int units = slider ? slider->Max() : model::EQ_SLIDER_MAX;
    return model::ClampEqGain(static_cast<float>(units) / 10.0f);
}

void CCustomEqWnd::SendPoint(int k) {
    if (Band(k) != nullptr) {
        mTelling = true;
        mManager.Eq().BandEdited(mOutput, k + kFirstBand);
        mTelling = false;
    }
}

// ---- fields ----

ui::Edit* CCustomEqWnd::FieldEdit(Field f, int k) const {
    if (!ValidPoint(k)) {
        return nullptr;
    }
    const Row& row = mRows[static_cast<size_t>(k)];
    switch (f) {
        case Field::Q:
            return row.q;
        case Field::Gain:
            return row.gain;
        case Field::Freq:
            break;
    }
    return row.freq;
}

void CCustomEqWnd::SetSwitch(int k, bool on) {
    if (ui::SButton* s = mRows[static_cast<size_t>(k)].enable) {
        s->SetSelected(on);
    }
}

void CCustomEqWnd::SetSlider(int k, float gain) {
    if (ui::Slider* s = mRows[static_cast<size_t>(k)].slider) {
        s->SetValue(SliderUnits(gain));
    }
}

void CCustomEqWnd::RefreshRow(int k) {
    const model::EqBand b = PointBand(k);
    const Row& row = mRows[static_cast<size_t>(k)];
    const bool on = b.enable != 0;
    if (row.freq) {
        row.freq->SetText(FreqText(b.freq));
    }
    if (row.q) {
        row.q->SetText(QText(b.eqFactor));
    }
    if (row.gain) {
        row.gain->SetText(on ? GainText(b.eqGain) : GainText(0.0f));
    }
    SetSlider(k, on ? b.eqGain : 0.0f);
    SetSwitch(k, on && std::fabs(b.eqGain) > kGainEpsilon);
}

void CCustomEqWnd::RefreshFields() {
    for (int k = 0; k < kPoints; ++k) {
        RefreshRow(k);
    }
}

// ---- graph ----

void CCustomEqWnd::UpdateEqualizer(int selected) {
    std::vector<EqPoint> points;
    std::vector<dsp::PeakingBand> bands;
    for (int k = 0; k < kPoints; ++k) {
        const model::EqBand b = PointBand(k);
        const float gain = b.enable != 0 ? b.eqGain : 0.0f;
        points.push_back(EqPoint{gain, b.eqFactor, b.freq, static_cast<uint8_t>(b.enable)});
        bands.push_back(dsp::PeakingBand{static_cast<double>(b.freq), static_cast<double>(gain),
                                         static_cast<double>(b.eqFactor), true});
    }
    // The points alone, without the output's crossover.
    dsp::SumChannelCurve(dsp::ChannelCrossover{}, bands, false, mGrid, mSum);
    if (mGraph == nullptr) {
        return;
    }
    mGraph->SetPoints(points, ValidPoint(selected) ? selected : -1);
    mGraph->SetCrossover(-1, -1);
    const UIEqualizer::CurveView curve{mGrid, mSum};
    const int visible[] = {1};
    mGraph->SetCurves({&curve, 1}, 0, visible);
}

// ---- operations ----

void CCustomEqWnd::SetChEqEdit(int k) {
    runlog::Log("SetChEqEdit index(%d)\n", k);
    model::EqBand* stored = Band(k);
    if (stored == nullptr) {
        return;
    }
    const Row& row = mRows[static_cast<size_t>(k)];

    int freq = row.freq ? ReadFrequency(row.freq->text()) : stored->freq;
    if (!FrequencyInRange(freq)) {
        freq = stored->freq;
    }
    if (row.freq) {
        row.freq->SetText(FreqText(freq));
    }

    float q = row.q ? model::WireEqQ(ReadReal(row.q->text())) : stored->eqFactor;
    if (row.q) {
        row.q->SetText(QText(q));
    }

    const float typed = row.gain ? ReadReal(row.gain->text()) : stored->eqGain;
    float gain = std::clamp(typed, MinGain(k), MaxGain(k));
    // The amplifier keeps tenths of a dB, as the slider does.
    gain = static_cast<float>(SliderUnits(gain)) / 10.0f;
    if (row.gain && std::fabs(gain - typed) > kGainEpsilon) {
        row.gain->SetText(GainText(gain));
    }
    SetSlider(k, gain);

    const bool sameShape = freq == stored->freq && std::fabs(q - stored->eqFactor) < kQTolerance;
    if (sameShape && stored->enable != 0 && std::fabs(gain - stored->eqGain) < kGainTolerance) {
        return;
    }
    // A disabled point shows 0 dB: while its gain field still says so, the point stays off
    // and keeps its gain for switching on again; only its shape changes.
    if (stored->enable == 0 && std::fabs(gain) < kGainEpsilon) {
        if (sameShape) {
            return;
        }
        stored->freq = freq;
        stored->eqFactor = q;
        if (!mQuietFocus) {
            UpdateEqualizer(k);
        }
        SendPoint(k);
        return;
    }
    runlog::Log("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q),
                static_cast<double>(gain));
    *stored = model::EqBand{gain, q, freq, 1};
    SetSwitch(k, std::fabs(gain) > kGainEpsilon);
    if (!mQuietFocus) {
        UpdateEqualizer(k);
    }
    SendPoint(k);
}

void CCustomEqWnd::StepDone(int k, Field f, const QString& text) {
    if (ui::Edit* edit = FieldEdit(f, k)) {
        edit->SetText(text);
    }
    SetChEqEdit(k);
}

void CCustomEqWnd::SetEqFreqUp(int k, bool up) {
    runlog::Log("SetEqFreqUp index(%d) up(%d)\n", k, up ? 1 : 0);
    const model::EqBand* stored = Band(k);
    ui::Edit* edit = FieldEdit(Field::Freq, k);
    if (stored == nullptr) {
        return;
    }
    if (edit) {
        edit->setFocus();
    }
    int now = edit ? ReadFrequency(edit->text()) : stored->freq;
    if (!FrequencyInRange(now)) {
        now = std::clamp(stored->freq, model::MIN_FREQUENCY, model::MAX_FREQUENCY);
    }
    if ((up && now >= model::MAX_FREQUENCY) || (!up && now <= model::MIN_FREQUENCY)) {
        return;
    }
    StepDone(k, Field::Freq, FreqText(model::StepFrequency(now, up)));
}

void CCustomEqWnd::SetEqQUp(int k, bool up) {
    runlog::Log("SetEqQUp index(%d) up(%d)\n", k, up ? 1 : 0);
    const model::EqBand* stored = Band(k);
    ui::Edit* edit = FieldEdit(Field::Q, k);
    if (stored == nullptr) {
        return;
    }
    if (edit) {
        edit->setFocus();
    }
    const float now = model::ClampEqQ(edit ? ReadReal(edit->text()) : stored->eqFactor);
    const float next = model::WireEqQ(now + (up ? model::EQ_Q_STEP : -model::EQ_Q_STEP));
    // Only a Q already at its limit stays; a last partial step lands on the limit.
    if (std::fabs(next - now) < kStepEpsilon) {
        return;
    }
    StepDone(k, Field::Q, QText(next));
}

void CCustomEqWnd::SetEqGainUp(int k, bool up) {
    runlog::Log("SetEqGainUp index(%d) up(%d)\n", k, up ? 1 : 0);
    const model::EqBand* stored = Band(k);
    ui::Edit* edit = FieldEdit(Field::Gain, k);
    if (stored == nullptr) {
        return;
    }
    if (edit) {
        edit->setFocus();
    }
    const float now = edit ? ReadReal(edit->text()) : stored->eqGain;
    const float lo = MinGain(k);
    const float hi = MaxGain(k);
    if ((up && std::fabs(now - hi) < kGainTolerance) ||
        (!up && std::fabs(now - lo) < kGainTolerance)) {
        return;
    }
    const float next = up ? std::min(now + kGainStep, hi) : std::max(now - kGainStep, lo);
    StepDone(k, Field::Gain, GainText(next));
}

void CCustomEqWnd::OnSliderEdit(int k, int value) {
    model::EqBand* stored = Band(k);
    if (stored == nullptr) {
        return;
    }
    const Row& row = mRows[static_cast<size_t>(k)];
    const int units = row.slider ? std::clamp(value, row.slider->Min(), row.slider->Max())
                                 : std::clamp(value, model::EQ_SLIDER_MIN, model::EQ_SLIDER_MAX);
    const float gain = model::ClampEqGain(static_cast<float>(units) / 10.0f);
    int freq = row.freq ? ReadFrequency(row.freq->text()) : stored->freq;
    if (!FrequencyInRange(freq)) {
        freq = stored->freq;
    }
    const float q = row.q ? model::WireEqQ(ReadReal(row.q->text())) : stored->eqFactor;
    runlog::Log("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
                static_cast<double>(gain), freq, static_cast<double>(q), k + kFirstBand, mOutput);
    if (row.freq) {
        row.freq->SetText(FreqText(freq));
    }
    if (row.q) {
        row.q->SetText(QText(q));
    }
    if (row.gain) {
        row.gain->SetText(GainText(gain));
    }
    *stored = model::EqBand{gain, q, freq, 1};
    SetSwitch(k, true);
    UpdateEqualizer(k);
    SendPoint(k);
}

void CCustomEqWnd::OnEqEnable(int k) {
    runlog::Log("OnEqEnable mEqIndex %d\n", k);
    model::EqBand* stored = Band(k);
    if (stored == nullptr) {
        return;
    }
    const Row& row = mRows[static_cast<size_t>(k)];
    const float shown = row.slider ? static_cast<float>(row.slider->Value()) / 10.0f
                                   : (stored->enable != 0 ? stored->eqGain : 0.0f);
    if (stored->enable != 0 && std::fabs(shown) > kGainEpsilon) {
        // The gain stays in the record for switching the point on again.
        stored->enable = 0;
        SetSwitch(k, false);
        SetSlider(k, 0.0f);
        if (row.gain) {
            row.gain->SetText(GainText(0.0f));
        }
        SendPoint(k);
    } else if (stored->enable == 0 && std::fabs(stored->eqGain - shown) > kGainEpsilon) {
        stored->enable = 1;
        SetSwitch(k, true);
        SetSlider(k, stored->eqGain);
        if (row.gain) {
            row.gain->SetText(GainText(stored->eqGain));
        }
        SendPoint(k);
    } else {
        // Nothing to switch: the button keeps showing what plays.
        SetSwitch(k, stored->enable != 0 && std::fabs(stored->eqGain) > kGainEpsilon);
    }
    UpdateEqualizer(-1);
}

void CCustomEqWnd::SetOutputEqReset() {
    runlog::Log("on %s\n", "CCustomEqWnd::SetOutputEqReset");
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"),
                          QStringLiteral("${reset_all_eq_tips}")) != 1) {
        return;
    }
    for (int k = 0; k < kPoints; ++k) {
        model::EqBand* b = Band(k);
        if (b == nullptr) {
            continue;
        }
        *b = model::EqBand{0.0f, kResetQ, model::DefaultBandFrequency(model::MAX_EQ_BANDS, k), 1};
        SendPoint(k);
    }
    RefreshFields();
    UpdateEqualizer(-1);
}

void CCustomEqWnd::SetOutputEqRestore() {
    runlog::Log("on %s\n", "CCustomEqWnd::SetOutputEqRestore");
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"),
                          QStringLiteral("${restore_all_factory_eq_tips}")) != 1) {
        return;
    }
    for (int k = 0; k < kPoints; ++k) {
        model::EqBand* b = Band(k);
        if (b == nullptr) {
            continue;
        }
        // Held to what the amplifier can play, so the record and the amplifier agree.
        const int freq = std::clamp(kFactoryFreq[static_cast<size_t>(k)], model::MIN_FREQUENCY,
                                    model::MAX_FREQUENCY);
        const float gain =
            model::ClampEqGain(static_cast<float>(kFactoryGain[static_cast<size_t>(k)]));
        *b = model::EqBand{gain, kResetQ, freq, 1};
        SendPoint(k);
    }
    RefreshFields();
    UpdateEqualizer(-1);
}

void CCustomEqWnd::EqualizerCallback(int k) {
    runlog::Log("%s cmd %d index %d\n", "EqualizerCallback", 0, k);
    model::EqBand* stored = Band(k);
    if (stored == nullptr || mGraph == nullptr || k >= mGraph->PointCount()) {
        return;
    }
    const EqPoint p = mGraph->Point(k);
    const int freq = std::clamp(p.freq, model::MIN_FREQUENCY, model::MAX_FREQUENCY);
    // Stored as the amplifier will keep them: tenths.
    const float q = model::WireEqQ(p.q);
    const float gain = model::NearestStep(
        std::clamp(std::isfinite(p.gain) ? p.gain : 0.0f, MinGain(k), MaxGain(k)), 10.0);
    const bool sameShape =
        freq == stored->freq && std::fabs(q - stored->eqFactor) + kQEpsilon < kDragQTolerance;
    // Hovering selects a point and reports it unchanged; a disabled point is shown at 0 dB.
    if (sameShape && stored->enable != 0 && std::fabs(gain - stored->eqGain) < kGainTolerance) {
        return;
    }
    if (sameShape && stored->enable == 0 && std::fabs(gain) < kGainEpsilon) {
        return;
    }
    // A field being typed in is committed before the row texts are rewritten.
    FocusQuietly(FieldEdit(Field::Gain, k));
    *stored = model::EqBand{gain, q, freq, 1};
    SendPoint(k);
    RefreshFields();
    UpdateEqualizer(k);
}

// ---- focus ----

void CCustomEqWnd::FocusQuietly(QWidget* field) {
    if (field == nullptr) {
        return;
    }
    // A row committed on the way must not select its own point: that would end the drag.
    mQuietFocus = true;
    field->setFocus();
    mQuietFocus = false;
}

void CCustomEqWnd::MoveFocus(Field f, int k, const QString& type) {
    if (!ValidPoint(k)) {
        return;
    }
    const int next = (k + 1) % kPoints;
    const int previous = (k + kPoints - 1) % kPoints;
    const int last = kPoints - 1;
    ui::Edit* target = nullptr;
    if (type == QLatin1String(ui::notify::kReturn)) {
        switch (f) {
            case Field::Freq:
                target = FieldEdit(Field::Q, k);
                break;
            case Field::Q:
                target = FieldEdit(Field::Gain, k);
                break;
            case Field::Gain:
                target = FieldEdit(Field::Freq, next);
                break;
        }
    } else if (type == QLatin1String(ui::notify::kValueChangedRight)) {
        if (k < last) {
            target = FieldEdit(f, next);
        } else {
            const Field wrap = f == Field::Freq ? Field::Q
                               : f == Field::Q  ? Field::Gain
                                                : Field::Freq;
            target = FieldEdit(wrap, 0);
        }
    } else if (type == QLatin1String(ui::notify::kValueChangedLeft)) {
        if (k > 0) {
            target = FieldEdit(f, previous);
        } else if (f == Field::Gain) {
            ui::Edit* q = FieldEdit(Field::Q, last);
            target = q && q->isEnabled() ? q : FieldEdit(Field::Gain, last);
        } else {
            target = FieldEdit(Field::Freq, last);
        }
    }
    if (target) {
        target->setFocus();
        target->selectAll();
    }
}

// ---- notifications ----

void CCustomEqWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    // What this notification changes is one undo step; a drag's steps end with its release.
    const model::UserAction action(mManager, n.InGesture());
    const int k = n.Index();
    if (n.Is(ui::notify::kClick)) {
        if (n.SenderStartsWith(custom_eq_controls::kPtEnablePrefix)) {
            OnEqEnable(k);
            return;
        }
        if (n.sender == QLatin1String(custom_eq_controls::kBtnResetEq)) {
            SetOutputEqReset();
            return;
        }
        if (n.sender == QLatin1String(custom_eq_controls::kBtnResetCustomEq)) {
            SetOutputEqRestore();
            return;
        }
    } else if ((n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) &&
               n.SenderStartsWith(custom_eq_controls::kEqSliderPrefix)) {
        OnSliderEdit(k, n.arg);
        return;
    } else if (n.Is("equalizer_eq", custom_eq_controls::kEqualizer)) {
        if (k >= 0) {
            EqualizerCallback(k);
        }
        return;
    }
    for (const Field f : {Field::Freq, Field::Q, Field::Gain}) {
        if (!n.sender.startsWith(FieldPrefix(f))) {
            continue;
        }
        if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            const bool up = n.Is(ui::notify::kValueChangedUp);
            if (f == Field::Freq) {
                SetEqFreqUp(k, up);
            } else if (f == Field::Q) {
                SetEqQUp(k, up);
            } else {
                SetEqGainUp(k, up);
            }
            return;
        }
        if (n.Is(ui::notify::kValueChangedLeft) || n.Is(ui::notify::kValueChangedRight) ||
            n.Is(ui::notify::kReturn)) {
            MoveFocus(f, k, n.type);
            return;
        }
        if (n.Is(ui::notify::kKillFocus)) {
            SetChEqEdit(k);
            return;
        }
        if (n.Is(ui::notify::kSetFocus)) {
            if (!mQuietFocus) {
                UpdateEqualizer(k);
            }
            return;
        }
    }
    CDialogWnd::Notify(n);
}
