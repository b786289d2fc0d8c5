#include "windows/main_view.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

#include "controls/ui_equalizer.h"
#include "model/eq_operations.h"
#include "model/links.h"
#include "model/sources.h"
#include "model/speaker_types.h"
#include "model/value_ranges.h"
#include "model/volume_text.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/window.h"
#include "windows/main_controls.h"
#include "windows/msg_check_box_wnd.h"
#include "windows/msg_wnd.h"

namespace {

using model::OUTPUT_CHANNELS;

constexpr int kSpeakerPositions = model::SPEAKER_POSITIONS;
constexpr int kRoutingInputs = 10;
constexpr int kSources = model::INPUT_SOURCES;

// What main_controls::kDelayLinkFormat shows for each delay-link group.
struct DelayLinkLook {
    const char* text;
    const char* color;
};
constexpr DelayLinkLook kDelayLinkLooks[] = {
    {"-", "#8a939e"}, {"A", "#f6ce1d"}, {"B", "#4fc3f7"}, {"C", "#81c784"}, {"D", "#f48fb1"},
};

// By delay unit (ms, cm, in): what a strip's delay field shows after its number.
constexpr const char* kDelayUnitSymbols[] = {" ${unit_ms_sym}", " ${unit_cm_sym}",
                                             " ${unit_in_sym}"};

void SetSelected(QWidget* w, bool on) {
    if (auto* s = qobject_cast<ui::SButton*>(w)) {
        s->SetSelected(on);
    } else if (auto* c = qobject_cast<ui::CheckBox*>(w)) {
        c->SetSelected(on);
    } else if (auto* o = qobject_cast<ui::Option*>(w)) {
        o->SetSelected(on);
    }
}

void SetText(QWidget* w, const QString& text) {
    if (ui::Control* c = ui::AsControl(w)) {
        c->SetText(text);
    }
}

void SetEnabled(QWidget* w, bool on) {
    if (w) {
        w->setEnabled(on);
    }
}

void SetVisible(QWidget* w, bool on) {
    if (w) {
        w->setVisible(on);
    }
}

template <typename T>
T* Find(ui::Window& window, const QString& name) {
    return window.FindControl<T>(name);
}

QString Numbered(const char* pattern, int index) {
    return QString::asprintf(pattern, index);
}

QString FromStd(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

CMainView::CMainView(ui::Window& window, model::EqualizerManager& manager)
    : mWindow(window), mManager(manager) {}

void CMainView::Bind() {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        Strip& s = mStrips[static_cast<size_t>(i)];
        s.typeButton = Find<ui::SButton>(mWindow, Numbered(main_controls::kChOutputBtnFormat, i));
        s.enable = mWindow.FindWidget(Numbered(main_controls::kChEnableFormat, i));
        s.volumeSlider =
            Find<ui::Slider>(mWindow, Numbered(main_controls::kSliderChVolumeFormat, i));
        s.volumeEdit = Find<ui::Edit>(mWindow, Numbered(main_controls::kEditChVolumeFormat, i));
        s.mute = mWindow.FindWidget(Numbered(main_controls::kChMuteFormat, i));
        s.phase = mWindow.FindWidget(Numbered(main_controls::kChPhaseFormat, i));
        s.solo = mWindow.FindWidget(Numbered(main_controls::kChSoloFormat, i));
        s.synchronize = mWindow.FindWidget(Numbered(main_controls::kChSynchronizeFormat, i));
        s.delayLink = mWindow.FindWidget(Numbered(main_controls::kDelayLinkFormat, i));
        s.delayEdit = Find<ui::Edit>(mWindow, Numbered(main_controls::kEditChDelayFormat, i));
        s.delaySlider = Find<ui::Slider>(mWindow, Numbered(main_controls::kSliderChDelayFormat, i));
        s.show = mWindow.FindWidget(Numbered(main_controls::kChShowFormat, i));
        if (s.volumeSlider) {
            s.volumeSlider->SetRange(model::CH_VOLUME_SLIDER_MIN, model::CH_VOLUME_SLIDER_MAX);
        }
        if (s.delaySlider) {
            s.delaySlider->SetRange(0, model::CH_DELAY_SLIDER_MAX);
        }
    }
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        Marker& m = mMarkers[static_cast<size_t>(k)];
        m.speaker = mWindow.FindWidget(Numbered(main_controls::kSpeakerFormat, k));
        m.con = mWindow.FindWidget(Numbered(main_controls::kSpkConFormat, k));
        m.delay = Find<ui::Edit>(mWindow, Numbered(main_controls::kSpkDelayFormat, k));
    }
    mChannelName = Find<ui::Label>(mWindow, main_controls::kLabelChannelName);
    mVolumeSlider = Find<ui::Slider>(mWindow, main_controls::kSliderChVolume);
    mVolumeEdit = Find<ui::Edit>(mWindow, main_controls::kEditChVolume);
    mMute = mWindow.FindWidget(main_controls::kChMute);
    mPhase = mWindow.FindWidget(main_controls::kChPhase);
    if (mVolumeSlider) {
        mVolumeSlider->SetRange(model::CH_VOLUME_SLIDER_MIN, model::CH_VOLUME_SLIDER_MAX);
    }
    if (auto* acc = Find<ui::Slider>(mWindow, main_controls::kSliderAcc)) {
        mManager.Inputs().SetAccRange(acc->Min(), acc->Max());
    }
    if (auto* main = Find<ui::Slider>(mWindow, main_controls::kSliderMainVolume)) {
        main->SetRange(model::MIN_MAIN_VOLUME, model::MAX_MAIN_VOLUME);
    }
    if (auto* source = Find<ui::Combo>(mWindow, main_controls::kBtnInputSource)) {
        for (int s = 0; s < source->ItemCount(); ++s) {
            source->SetItemVisible(s, model::IsSourceShown(s));
        }
    }
    if (auto* unit = Find<ui::Combo>(mWindow, main_controls::kCombChUnit)) {
        unit->SelectItem(mManager.Outputs().DelayUnit());
    }
    ShowAll();
}

void CMainView::ShowAll() {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        OnOutputChanged(i);
    }
    OnCurrentOutputChanged();
    OnSpeakerMapChanged();
    OnLinkLockChanged();
    OnInputsChanged();
    OnGlobalsChanged();
    ShowHistory();
}

void CMainView::ShowHistory() {
    const model::EditHistory& history = mManager.History();
    if (QWidget* undo = mWindow.FindWidget(main_controls::kBtnUndo)) {
        undo->setEnabled(history.CanUndo());
    }
    if (QWidget* redo = mWindow.FindWidget(main_controls::kBtnRedo)) {
        redo->setEnabled(history.CanRedo());
    }
}

// ---- outputs ----

void CMainView::ShowVolume(int output, ui::Slider* slider, ui::Edit* edit) {
    const float gain = mManager.State().live.channels[static_cast<size_t>(output)].gain;
    if (slider) {
        slider->SetValue(static_cast<int>(std::lround(gain * 10.0f)));
    }
    if (edit) {
        edit->SetText(FromStd(model::ChannelVolumeText(gain)));
    }
}

void CMainView::ShowPhase(QWidget* control, int phase) {
    SetSelected(control, phase != 0);
    SetText(control, phase != 0 ? "${reverse phase}" : "${positive_phase}");
}

void CMainView::ShowDelay(int output) {
    const model::ProfileRecord& live = mManager.State().live;
    const float delay = live.channels[static_cast<size_t>(output)].delay;
    const Strip& s = mStrips[static_cast<size_t>(output)];
    if (s.delayEdit) {
        // A strip stands apart from the unit combo, so its field says the unit itself.
        s.delayEdit->SetText(
            FromStd(mManager.Outputs().DelayFieldText(delay)) +
            QString::fromLatin1(
                kDelayUnitSymbols[std::clamp(mManager.Outputs().DelayUnit(), 0, 2)]));
    }
    if (s.delaySlider) {
        s.delaySlider->SetValue(static_cast<int>(std::lround(delay * 1000.0f)));
    }
    const int type = live.outputs[static_cast<size_t>(output)];
    if (type >= 1 && type <= kSpeakerPositions) {
        // The position shows the delay of the first output of its type.
        for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
            if (live.outputs[static_cast<size_t>(i)] == type) {
                if (i == output && mMarkers[static_cast<size_t>(type)].delay) {
                    mMarkers[static_cast<size_t>(type)].delay->SetText(
                        FromStd(mManager.Outputs().DelayFieldText(delay)));
                }
                break;
            }
        }
    }
}

void CMainView::ShowDelayLink(int output) {
    const Strip& s = mStrips[static_cast<size_t>(output)];
    if (!s.delayLink) {
        return;
    }
    int group = mManager.State().live.delayLinkSel[static_cast<size_t>(output)];
    if (group < 0 || group >= static_cast<int>(std::size(kDelayLinkLooks))) {
        group = 0;
    }
    SetSelected(s.delayLink, group != 0);
    SetText(s.delayLink, QString::fromLatin1(kDelayLinkLooks[group].text));
    s.delayLink->setStyleSheet(QStringLiteral("color: %1;").arg(kDelayLinkLooks[group].color));
}

void CMainView::OnOutputChanged(int output) {
    if (output < 0 || output >= OUTPUT_CHANNELS) {
        return;
    }
    const model::ProfileRecord& live = mManager.State().live;
    const auto o = static_cast<size_t>(output);
    const model::OutputChannel& ch = live.channels[o];
    const Strip& s = mStrips[o];
    if (s.typeButton) {
        s.typeButton->SetText(FromStd(model::ChannelLabelOfSpeakerType(live.outputs[o])));
    }
    ShowVolume(output, s.volumeSlider, s.volumeEdit);
    SetSelected(s.mute, ch.mute != 0);
    ShowPhase(s.phase, ch.phase);
    SetSelected(s.solo, ch.solo != 0);
    SetSelected(s.synchronize, live.linkSel[o] != 0);
    SetSelected(s.show, live.showOutChEqualizer[o] != 0);
    ShowDelayLink(output);
    ShowDelay(output);
    if (output == live.currOutChannel) {
        ShowVolume(output, mVolumeSlider, mVolumeEdit);
        SetSelected(mMute, ch.mute != 0);
        ShowPhase(mPhase, ch.phase);
    }
}

void CMainView::OnCurrentOutputChanged() {
    const model::ProfileRecord& live = mManager.State().live;
    const int current = live.currOutChannel;
    if (current < 0 || current >= OUTPUT_CHANNELS) {
        return;
    }
    const std::optional<int> partner = model::LinkPartner(live, current);
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        SetSelected(mStrips[static_cast<size_t>(i)].enable, i == current || partner == i);
    }
    if (mChannelName) {
        mChannelName->SetText(QStringLiteral("CH%1").arg(current + 1));
    }
    const model::OutputChannel& ch = live.channels[static_cast<size_t>(current)];
    ShowVolume(current, mVolumeSlider, mVolumeEdit);
    SetSelected(mMute, ch.mute != 0);
    ShowPhase(mPhase, ch.phase);
    SetSelected(mStrips[static_cast<size_t>(current)].mute, ch.mute != 0);
    const int type = live.outputs[static_cast<size_t>(current)];
    const int partnerType = partner ? live.outputs[static_cast<size_t>(*partner)] : -1;
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        SetSelected(mMarkers[static_cast<size_t>(k)].speaker, k == type || k == partnerType);
    }
    ShowCrossover();
    ShowSlopeItems();
    ShowBands();
    PushGraph(-1);
}

void CMainView::OnModelChange(const model::ModelChange& change) {
    using model::ChangeKind;
    switch (change.kind) {
        case ChangeKind::Whole:
            ShowAll();
            break;
        case ChangeKind::Output:
            OnOutputChanged(change.output);
            break;
        case ChangeKind::CurrentOutput:
            OnCurrentOutputChanged();
            break;
        case ChangeKind::SpeakerMap:
            OnSpeakerMapChanged();
            break;
        case ChangeKind::LinkLock:
            OnLinkLockChanged();
            break;
        case ChangeKind::DelayUnit:
            OnDelayUnitChanged();
            break;
        case ChangeKind::Curves:
            if (change.output < 0) {
                OnCurvesChanged();
            } else {
                RefreshCurve();
            }
            break;
        case ChangeKind::Crossover:
            OnCrossoverChanged(change.output);
            break;
        case ChangeKind::Bands:
            OnBandsChanged(change.output);
            break;
        case ChangeKind::Graph:
            PushGraph(change.band);
            break;
        case ChangeKind::EqMode:
            OnEqModeChanged();
            break;
        case ChangeKind::Inputs:
            if (change.source < 0 || change.source == mManager.State().live.currentSource) {
                OnInputsChanged();
            }
            break;
        case ChangeKind::MainVolume:
            mMainVolumePoll = 0;
            mWindow.KillTimer(kGetMainVolumeTimer);
            OnGlobalsChanged();
            break;
        case ChangeKind::Globals:
            OnGlobalsChanged();
            break;
        case ChangeKind::Bridges:
            ShowBridges();
            break;
        case ChangeKind::History:
            ShowHistory();
            break;
        default:
            // Scenes and the tool windows' own values: this window shows none of them.
            break;
    }
}

void CMainView::OnCrossoverChanged(int output) {
    if (output == mManager.State().live.currOutChannel) {
        ShowCrossover();
        ShowSlopeItems();
    }
}

void CMainView::OnBandsChanged(int output) {
    if (output == mManager.State().live.currOutChannel) {
        ShowBands();
    }
}

void CMainView::ShowSlopeItems() {
    for (const int side : {model::LOW_PASS_SIDE, model::HIGH_PASS_SIDE}) {
        const char* name =
            side == model::LOW_PASS_SIDE ? main_controls::kLpSlop : main_controls::kHpSlop;
        const bool oddSlopesEnabled = mManager.Eq().OddSlopesEnabled(side);
        if (auto* combo = Find<ui::Combo>(mWindow, QString::fromLatin1(name))) {
            for (int odd = 1; odd < combo->ItemCount(); odd += 2) {
                combo->SetItemEnabled(odd, oddSlopesEnabled);
            }
        }
    }
}

void CMainView::OnEqModeChanged() {
    const bool peq = mManager.Eq().PeqMode();
    if (auto* mode = Find<ui::SButton>(mWindow, main_controls::kBtnArgEq)) {
        mode->SetSelected(peq);
        mode->SetText(peq ? "${peq_mode}" : "${geq_mode}");
    }
    ShowBands();
}

void CMainView::PushGraph(int selectedBand) {
    auto* graph = dynamic_cast<UIEqualizer*>(mWindow.FindWidget(main_controls::kEqualizer));
    if (graph == nullptr) {
        return;
    }
    const model::ProfileRecord& live = mManager.State().live;
    const int current = live.currOutChannel;
    std::vector<EqPoint> points;
    for (const model::EqGraphPoint& p : mManager.Eq().GraphPoints()) {
        points.push_back(EqPoint{p.gain, p.q, p.freq, static_cast<uint8_t>(p.enable ? 1 : 0)});
    }
    graph->SetDragAllDirection(mManager.Eq().PeqMode());
    graph->SetPoints(points, selectedBand);
    if (current >= 0 && current < OUTPUT_CHANNELS) {
        const model::Crossover& x = live.channels[static_cast<size_t>(current)].crossover;
        graph->SetCrossover(x.hp.fs(), x.lp.fs());
    }
    std::array<UIEqualizer::CurveView, OUTPUT_CHANNELS> curves;
    std::array<int, OUTPUT_CHANNELS> visible{};
    for (int o = 0; o < OUTPUT_CHANNELS; ++o) {
        curves[static_cast<size_t>(o)] = {mManager.Curves().Grid(o), mManager.Curves().Sum(o)};
        visible[static_cast<size_t>(o)] = live.showOutChEqualizer[static_cast<size_t>(o)];
    }
    graph->SetCurves(curves, current, visible);
}

void CMainView::ShowTrace(UIEqualizer::Trace which, const model::ProfileRecord* record) {
    auto* graph = dynamic_cast<UIEqualizer*>(mWindow.FindWidget(main_controls::kEqualizer));
    if (graph == nullptr) {
        return;
    }
    const int current = mManager.State().live.currOutChannel;
    if (record == nullptr || current < 0 || current >= OUTPUT_CHANNELS) {
        graph->SetTrace(which, {});
        return;
    }
    // Twelve curves of 512 points: too large for the stack.
    const auto curves = std::make_unique<model::ChannelCurves>();
    curves->UpdateChannelCurve(*record, current);
    graph->SetTrace(which, {curves->Grid(current), curves->Sum(current)});
}

void CMainView::ShowSum(bool on) {
    if (auto* graph = dynamic_cast<UIEqualizer*>(mWindow.FindWidget(main_controls::kEqualizer))) {
        graph->SetShowSum(on);
    }
}

void CMainView::OnGraphDrag(const QString& type, int index) {
    auto* graph = dynamic_cast<UIEqualizer*>(mWindow.FindWidget(main_controls::kEqualizer));
    if (graph == nullptr || index < 0) {
        return;
    }
    runlog::Log("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", index);
    const bool release = type.endsWith("_release");
    model::EqDragValues values;
    int kind = model::EQ_DRAG_POINT;
    if (type.startsWith("equalizer_hp")) {
        kind = model::EQ_DRAG_HP;
        values.freq = graph->HpFreq();
    } else if (type.startsWith("equalizer_lp")) {
        kind = model::EQ_DRAG_LP;
        values.freq = graph->LpFreq();
    } else {
        const EqPoint p = graph->Point(index);
        values = model::EqDragValues{p.freq, p.gain, p.q};
    }
    mManager.Eq().EqualizerCallback(index, kind, release, values);
}

void CMainView::ShowCrossover() {
    const model::ProfileRecord& live = mManager.State().live;
    const model::Crossover& x = live.channels[static_cast<size_t>(live.currOutChannel)].crossover;
    if (auto* c = Find<ui::Combo>(mWindow, main_controls::kHpType)) {
        c->SelectItem(x.hp.type());
    }
    if (auto* c = Find<ui::Combo>(mWindow, main_controls::kLpType)) {
        c->SelectItem(x.lp.type());
    }
    if (auto* c = Find<ui::Combo>(mWindow, main_controls::kHpSlop)) {
        c->SelectItem(x.hp.slope());
    }
    if (auto* c = Find<ui::Combo>(mWindow, main_controls::kLpSlop)) {
        c->SelectItem(x.lp.slope());
    }
    if (auto* e = Find<ui::Edit>(mWindow, main_controls::kHpFreq)) {
        e->SetText(QStringLiteral("%1${unit_hz}").arg(x.hp.fs()));
    }
    if (auto* e = Find<ui::Edit>(mWindow, main_controls::kLpFreq)) {
        e->SetText(QStringLiteral("%1${unit_hz}").arg(x.lp.fs()));
    }
}

void CMainView::ShowBands() {
    const model::ProfileRecord& live = mManager.State().live;
    const int current = live.currOutChannel;
    const model::OutputChannel& ch = live.channels[static_cast<size_t>(current)];
    const model::EqBand* bands = model::BandsOf(live, current);
    const int count = model::BandCountOf(live, current);
    const bool peq = mManager.Eq().PeqMode();
    for (int b = 0; b < model::MAX_EQ_BANDS; ++b) {
        const bool present = bands != nullptr && b < count;
        const model::EqBand band = present ? bands[b] : model::EqBand{};
        const bool flat = ch.bypass == 1;
        // A band at 0 dB does nothing, so its box shows it as off.
        const bool enabled =
            present && !flat && band.enable != 0 && std::fabs(band.eqGain) > 0.001f;
        // GEQ keeps frequency and Q; only the gain is the user's.
        if (auto* e = Find<ui::Edit>(mWindow, Numbered(main_controls::kEqFreqFormat, b))) {
            e->SetText(present ? QString::number(band.freq) : QString());
            e->setEnabled(present && peq);
        }
        if (auto* e = Find<ui::Edit>(mWindow, Numbered(main_controls::kEqQFormat, b))) {
            e->SetText(present ? QString::number(static_cast<double>(band.eqFactor), 'f', 2)
                               : QString());
            e->setEnabled(present && peq);
        }
        if (auto* e = Find<ui::Edit>(mWindow, Numbered(main_controls::kEqGainFormat, b))) {
            e->SetText(present
                           ? QString::number(flat ? 0.0 : static_cast<double>(band.eqGain), 'f', 1)
                           : QString());
        }
        if (auto* sl = Find<ui::Slider>(mWindow, Numbered(main_controls::kEqSliderFormat, b))) {
            sl->SetValue(enabled ? static_cast<int>(std::lround(band.eqGain * 10.0f)) : 0);
        }
        SetSelected(mWindow.FindWidget(Numbered(main_controls::kPtEnableFormat, b)), enabled);
    }
    // The button says what it would do, and is off when that would change nothing.
    if (auto* bypass = mWindow.FindWidget(main_controls::kBtnBypass)) {
        SetText(bypass, ch.bypass == 1 ? "${restore_eq}" : "${bypass_eq}");
        bypass->setEnabled(mManager.Eq().BypassActionable());
    }
}

void CMainView::OnSpeakerMapChanged() {
    const model::ProfileRecord& live = mManager.State().live;
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        const Marker& m = mMarkers[static_cast<size_t>(k)];
        SetVisible(m.speaker, false);
        SetVisible(m.con, false);
        SetVisible(m.delay, false);
        if (m.delay) {
            m.delay->SetText(QString());
        }
    }
    for (int i = OUTPUT_CHANNELS - 1; i >= 0; --i) {
        const int type = live.outputs[static_cast<size_t>(i)];
        if (type < 1 || type > kSpeakerPositions) {
            continue;
        }
        // Walking backwards leaves the first output of each type in the delay field.
        const Marker& m = mMarkers[static_cast<size_t>(type)];
        SetVisible(m.speaker, true);
        SetVisible(m.con, true);
        SetVisible(m.delay, true);
        if (m.delay) {
            m.delay->SetText(FromStd(
                mManager.Outputs().DelayFieldText(live.channels[static_cast<size_t>(i)].delay)));
        }
    }
    const int focused = mManager.Outputs().FocusedSpeaker();
    const int current = live.currOutChannel;
    const std::optional<int> partner = model::LinkPartner(live, current);
    for (int k = 1; k <= kSpeakerPositions; ++k) {
        const bool ofCurrent = (current >= 0 && live.outputs[static_cast<size_t>(current)] == k) ||
                               (partner && live.outputs[static_cast<size_t>(*partner)] == k);
        SetSelected(mMarkers[static_cast<size_t>(k)].speaker, k == focused || ofCurrent);
    }
}

void CMainView::OnLinkLockChanged() {
    const model::ProfileRecord& live = mManager.State().live;
    const bool linked = live.linkMode == 1;
    const bool locked = live.lockMode == 1;
    if (auto* link = Find<ui::SButton>(mWindow, main_controls::kBtnLinkOutput)) {
        link->SetSelected(linked);
        bool anyGroup = false;
        for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
            anyGroup = anyGroup || live.linkSel[static_cast<size_t>(i)] > 0 ||
                       live.delayLinkSel[static_cast<size_t>(i)] > 0;
        }
        link->setEnabled(!anyGroup);
    }
    if (auto* lock = Find<ui::SButton>(mWindow, main_controls::kBtnLockOutput)) {
        lock->SetSelected(locked);
    }
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        const Strip& s = mStrips[static_cast<size_t>(i)];
        SetEnabled(s.typeButton, !locked);
        SetEnabled(s.delayLink, !linked);
        SetEnabled(s.synchronize, !linked);
        SetSelected(s.synchronize, live.linkSel[static_cast<size_t>(i)] != 0);
        ShowDelayLink(i);
    }
}

void CMainView::OnDelayUnitChanged() {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        ShowDelay(i);
    }
    OnSpeakerMapChanged();
}

void CMainView::ShowDelaySlider(int output) {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        SetVisible(mStrips[static_cast<size_t>(i)].delaySlider, i == output);
    }
}

void CMainView::OnCurvesChanged() {
    auto* graph = dynamic_cast<UIEqualizer*>(mWindow.FindWidget(main_controls::kEqualizer));
    PushGraph(graph ? graph->SelectedPoint() : -1);
}

void CMainView::RefreshCurve() {
    // Replies come in bursts (a state read brings hundreds): the graph is redrawn once after.
    if (!mGraphRefreshPending) {
        mGraphRefreshPending = true;
        QTimer::singleShot(0, &mWindow, [this] {
            mGraphRefreshPending = false;
            OnCurvesChanged();
        });
    }
}

// ---- inputs and globals ----

void CMainView::OnInputsChanged() {
    const model::ProfileRecord& live = mManager.State().live;
    const int source = live.currentSource;
    if (auto* combo = Find<ui::Combo>(mWindow, main_controls::kBtnInputSource)) {
        combo->SelectItem(source);
    }
    const int count = model::SourceInputCount(source);
    for (int o = 0; o < OUTPUT_CHANNELS; ++o) {
        const int mask = source >= 0 && source < kSources
                             ? live.inputs[static_cast<size_t>(source)][static_cast<size_t>(o)]
                             : 0;
        for (int i = 0; i < kRoutingInputs; ++i) {
            QWidget* box =
                mWindow.FindWidget(QString::asprintf(main_controls::kOptionChInFormat, i, o));
            if (!box) {
                continue;
            }
            const bool shown = i < count;
            SetSelected(box, shown && (mask >> i & 1) != 0);
            box->setVisible(shown);
            box->setEnabled(shown);
        }
    }
}

void CMainView::ShowSwitch(const char* name, bool on, const char* onText, const char* offText) {
    if (auto* button = Find<ui::SButton>(mWindow, QString::fromLatin1(name))) {
        button->SetSelected(on);
        // Red off and white on come from the layout's colours.
        button->SetText(QString::fromLatin1(on ? onText : offText));
    }
}

void CMainView::ShowBridges() {
    const model::ProfileRecord& live = mManager.State().live;
    for (int pair = 0; pair < model::BRIDGE_PAIRS; ++pair) {
        const bool on = live.bridgeOutputs[static_cast<size_t>(pair)] != 0;
        SetSelected(mWindow.FindWidget(Numbered(main_controls::kChBridgeFormat, pair)), on);
        SetSelected(mWindow.FindWidget(Numbered(main_controls::kBridgeCheckboxFormat, pair)), on);
    }
}

void CMainView::OnGlobalsChanged() {
    const model::ProfileRecord& live = mManager.State().live;
    if (auto* slider = Find<ui::Slider>(mWindow, main_controls::kSliderMainVolume)) {
        slider->SetValue(live.mainVolume);
    }
    if (auto* edit = Find<ui::Edit>(mWindow, main_controls::kEditMainVolume)) {
        edit->SetText(FromStd(model::MainVolumeText(static_cast<float>(live.mainVolume))));
    }
    SetSelected(mWindow.FindWidget(main_controls::kMainMute), live.mainVolumeMute != 0);
    auto* accSlider = Find<ui::Slider>(mWindow, main_controls::kSliderAcc);
    if (accSlider) {
        accSlider->SetValue(live.acc);
    }
    if (auto* edit = Find<ui::Edit>(mWindow, main_controls::kEditAcc)) {
        const int accMin = mManager.Inputs().AccMin();
        edit->SetText(live.acc <= accMin ? QStringLiteral("${off}") : QString::number(live.acc));
    }
    ShowSwitch(main_controls::kBtnAmpOnoff, live.ampOn != 0, "${amp_on}", "${amp_off}");
    ShowSwitch(main_controls::kBtnRemOut1Onoff, live.remOut1 != 0, "${rem_out1_on}",
               "${rem_out1_off}");
    ShowSwitch(main_controls::kBtnRemOut2Onoff, live.remOut2 != 0, "${rem_out2_on}",
               "${rem_out2_off}");
    ShowSwitch(main_controls::kBtn2OhmSpk, live.spkOhm != 0, "${btn_2ohm_spk}", "${btn_4ohm_spk}");
    ShowSwitch(main_controls::kBtnNoiseGate, live.noiseGate != 0, "${btn_noise_gate_on}",
               "${btn_noise_gate_off}");
    ShowBridges();
}

void CMainView::OnStartMainVolumePoll(int count) {
    mMainVolumePoll = count;
    mWindow.SetTimer(kGetMainVolumeTimer, 1000);
}

// ---- questions ----

int CMainView::AskLinkCopyDirection() {
    return CMsgCheckBoxWnd::Choose(&mWindow, "${tips}", "${link_tips}", "${copy_left_to_right}",
                                   "${copy_right_to_left}");
}

bool CMainView::AskQuestion(const char* textKey) {
    return CMsgWnd::Question(&mWindow, "${tips}", QString::fromLatin1(textKey)) == 1;
}

int CMainView::AskOutputReset() {
    return CMsgWnd::MessageBox(&mWindow, "${tips}", "${empty_output_tips}",
                               {"${default}", "${cancel}", "${emptied}"});
}

void CMainView::ShowMessage(const char* textKey) {
    CMsgWnd::MessageBox(&mWindow, "${tips}", QString::fromLatin1(textKey));
}

void CMainView::ShowMessageLater(const QString& text) {
    QTimer::singleShot(0, &mWindow,
                       [this, text] { CMsgWnd::MessageBox(&mWindow, "${tips}", text); });
}

// ---- replies ----

void CMainView::OnDspStatus(int on) {
    if (on == 0) {
        ShowMessageLater(QStringLiteral("${dsp_is_off}"));
    }
}

void CMainView::OnDeviceIdentity(int model) {
    if (model == model::MODEL_ID || !mManager.Link().State().mcu_is_normal_mode) {
        return;
    }
    const QByteArray format = ui::ResolveText(QStringLiteral("${device_not_match}")).toUtf8();
    ShowMessageLater(QString::asprintf("%s %d", format.constData(), model));
}
