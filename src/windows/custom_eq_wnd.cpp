#include "windows/custom_eq_wnd.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "controls/register_controls.h"
#include "controls/ui_equalizer.h"
#include "dsp/channel_curve.h"
#include "model/equalizer_manager.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/custom_eq_controls.h"
#include "windows/msg_wnd.h"
#include "windows/undo_shortcuts.h"

namespace {

constexpr int kQDecimals = 2;

QString FreqText(int hz) {
    return QString::number(hz);
}

QString QText(float q) {
    return QString::asprintf("%.*f", kQDecimals, static_cast<double>(q));
}

QString GainText(float gain) {
    return QString::asprintf("%.1f", static_cast<double>(gain));
}

// Drawing only: what the slider shows for a gain.
int SliderUnits(float gain) {
    if (!std::isfinite(gain)) {
        return 0;
    }
    return static_cast<int>(std::lround(std::clamp(static_cast<double>(gain) * 10.0, -1e6, 1e6)));
}

// A field already showing the text is left alone: rewriting it would move its cursor, and
// Left and Right leave a field only from its start or end.
void ShowField(ui::Edit* edit, const QString& text) {
    if (edit != nullptr && (edit->Edited() || edit->text() != text)) {
        edit->SetText(text);
    }
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

CCustomEqWnd::RowTexts CCustomEqWnd::Texts(int k) const {
    // A field the layout lacks reads as what the record holds.
    const model::EqBand b = PointBand(k);
    const auto text = [&](Field f, const QString& fallback) {
        const ui::Edit* edit = FieldEdit(f, k);
        return (edit ? edit->text() : fallback).toStdString();
    };
    return {text(Field::Freq, FreqText(b.freq)), text(Field::Q, QText(b.eqFactor)),
            text(Field::Gain, GainText(b.enable != 0 ? b.eqGain : 0.0f))};
}

template <typename Op>
model::BandEditResult CCustomEqWnd::EditPoint(int k, Op op) {
    if (!ValidPoint(k) || mOutput < 0) {
        return model::BandEditResult::Refused;
    }
    mTelling = true;
    const model::BandEditResult result = op(mManager.Eq(), k + kFirstBand);
    mTelling = false;
    if (result != model::BandEditResult::Refused) {
        RefreshRow(k);
    }
    return result;
}

void CCustomEqWnd::SelectIfChanged(int k, model::BandEditResult result) {
    if (result == model::BandEditResult::Changed && !mQuietFocus) {
        UpdateEqualizer(k);
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

void CCustomEqWnd::RefreshRow(int k) {
    const model::EqBand b = PointBand(k);
    const Row& row = mRows[static_cast<size_t>(k)];
    const float shown = b.enable != 0 ? b.eqGain : 0.0f;
    ShowField(row.freq, FreqText(b.freq));
    ShowField(row.q, QText(b.eqFactor));
    ShowField(row.gain, GainText(shown));
    if (row.slider) {
        row.slider->SetValue(SliderUnits(shown));
    }
    if (row.enable) {
        row.enable->SetSelected(model::BandPlays(b));
    }
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
    const RowTexts t = Texts(k);
    SelectIfChanged(k, EditPoint(k, [&](model::EqOperations& eq, int band) {
                        return eq.SetOutputBandEdit(mOutput, band, t.View(), Range(k));
                    }));
}

void CCustomEqWnd::Step(Field f, int k, bool up) {
    if (!ValidPoint(k) || mOutput < 0) {
        return;
    }
    if (ui::Edit* edit = FieldEdit(f, k)) {
        edit->setFocus();
    }
    const RowTexts t = Texts(k);
    SelectIfChanged(k, EditPoint(k, [&](model::EqOperations& eq, int band) {
                        return eq.StepOutputBand(mOutput, band, f, up, t.View(), Range(k));
                    }));
}

void CCustomEqWnd::SetEqFreqUp(int k, bool up) {
    runlog::Log("SetEqFreqUp index(%d) up(%d)\n", k, up ? 1 : 0);
    Step(Field::Freq, k, up);
}

void CCustomEqWnd::SetEqQUp(int k, bool up) {
    runlog::Log("SetEqQUp index(%d) up(%d)\n", k, up ? 1 : 0);
    Step(Field::Q, k, up);
}

void CCustomEqWnd::SetEqGainUp(int k, bool up) {
    runlog::Log("SetEqGainUp index(%d) up(%d)\n", k, up ? 1 : 0);
    Step(Field::Gain, k, up);
}

void CCustomEqWnd::OnSliderEdit(int k, int value) {
    const RowTexts t = Texts(k);
    SelectIfChanged(k, EditPoint(k, [&](model::EqOperations& eq, int band) {
                        return eq.SetOutputBandSlider(mOutput, band, t.freq, t.q, value, Range(k));
                    }));
}

void CCustomEqWnd::OnEqEnable(int k) {
    runlog::Log("OnEqEnable mEqIndex %d\n", k);
    const model::BandEditResult result = EditPoint(k, [&](model::EqOperations& eq, int band) {
        return eq.ToggleOutputBand(mOutput, band, Range(k));
    });
    if (result != model::BandEditResult::Refused) {
        UpdateEqualizer(-1);
    }
}

void CCustomEqWnd::SetOutputEqReset() {
    runlog::Log("on %s\n", "CCustomEqWnd::SetOutputEqReset");
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"),
                          QStringLiteral("${reset_all_eq_tips}")) != 1) {
        return;
    }
    mTelling = true;
    mManager.Eq().ResetCustomPoints(mOutput);
    mTelling = false;
    RefreshFields();
    UpdateEqualizer(-1);
}

void CCustomEqWnd::SetOutputEqRestore() {
    runlog::Log("on %s\n", "CCustomEqWnd::SetOutputEqRestore");
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"),
                          QStringLiteral("${restore_all_factory_eq_tips}")) != 1) {
        return;
    }
    mTelling = true;
    mManager.Eq().RestoreCustomPoints(mOutput);
    mTelling = false;
    RefreshFields();
    UpdateEqualizer(-1);
}

void CCustomEqWnd::EqualizerCallback(int k) {
    runlog::Log("%s cmd %d index %d\n", "EqualizerCallback", 0, k);
    if (!ValidPoint(k) || mGraph == nullptr || k >= mGraph->PointCount()) {
        return;
    }
    const EqPoint p = mGraph->Point(k);
    const model::EqDragValues values{p.freq, p.gain, p.q};
    // Hovering selects a point and reports it unchanged: no edit, and the focus stays.
    if (!mManager.Eq().DragMovesOutputBand(mOutput, k + kFirstBand, values, Range(k))) {
        return;
    }
    // A field being typed in is committed before the row texts are rewritten.
    FocusQuietly(FieldEdit(Field::Gain, k));
    EditPoint(k, [&](model::EqOperations& eq, int band) {
        return eq.DragOutputBand(mOutput, band, values, Range(k));
    });
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
