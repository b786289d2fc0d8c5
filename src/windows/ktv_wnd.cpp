#include "windows/ktv_wnd.h"

#include <algorithm>

#include "model/equalizer_manager.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/field_number.h"
#include "windows/ktv_controls.h"
#include "windows/undo_shortcuts.h"

namespace {

using model::KtvValue;
namespace kc = ktv_controls;

struct RowNames {
    KtvValue value;
    const char* edit;
    const char* slider;
    const char* format;
};
// In the order of the focus cycle.
constexpr RowNames kRowNames[] = {
    {KtvValue::MicVolume, kc::kEditMicVolume, kc::kSliderMicVolume, "%ddB"},
    {KtvValue::MusicVolume, kc::kEditBgmusicVolume, kc::kSliderBgmusicVolume, "%ddB"},
    {KtvValue::VoiceChanger, kc::kEditVoiceChanger, kc::kSliderVoiceChanger, "%d"},
    {KtvValue::Treble, kc::kEditTreble, kc::kSliderTreble, "%d"},
    {KtvValue::Bass, kc::kEditBass, kc::kSliderBass, "%d"},
    {KtvValue::EchoLevel, kc::kEditEchoLevel, kc::kSliderEchoLevel, "%ddB"},
    {KtvValue::EchoDelay, kc::kEditEchoDelay, kc::kSliderEchoDelay, "%dms"},
    {KtvValue::ReverbLevel, kc::kEditReverbLevel, kc::kSliderReverbLevel, "%d"},
    {KtvValue::ReverbTime, kc::kEditReverbTime, kc::kSliderReverbTime, "%dms"},
};
constexpr int kCycle = static_cast<int>(std::size(kRowNames));

int CyclePosition(KtvValue v) {
    const auto* row = std::find_if(std::begin(kRowNames), std::end(kRowNames),
                                   [v](const auto& r) { return r.value == v; });
    return row == std::end(kRowNames) ? 0 : static_cast<int>(row - std::begin(kRowNames));
}

}  // namespace

CKtvWnd::CKtvWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("KtvWnd"), QStringLiteral("ktvwnd"), manager) {}

int CKtvWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CKtvWnd::Run");
    return RunModal<CKtvWnd>(owner, manager);
}

bool CKtvWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    Refresh();
    return built;
}

void CKtvWnd::FindControls() {
    for (const RowNames& names : kRowNames) {
        Row& row = mRows[Index(names.value)];
        row.edit = Lookup<ui::Edit>(QString::fromLatin1(names.edit));
        row.slider = Lookup<ui::Slider>(QString::fromLatin1(names.slider));
    }
    mHowling = Lookup<ui::Option>(QString::fromLatin1(kc::kOptionHowlingControl));
    Lookup<ui::Button>(QString::fromLatin1(kc::kConfirmBtn));
    Lookup<ui::Button>(QString::fromLatin1(kc::kCloseBtn));
}

void CKtvWnd::Refresh() {
    const model::KtvSettings& ktv = mManager.State().live.ktv;
    for (const RowNames& names : kRowNames) {
        const Row& row = mRows[Index(names.value)];
        const int value = model::KtvValueOf(ktv, names.value);
        if (row.edit) {
            row.edit->SetText(QString::asprintf(names.format, value));
        }
        if (row.slider) {
            row.slider->SetValue(value);
        }
    }
    if (mHowling) {
        mHowling->SetSelected(ktv.ktvHowling != 0);
    }
}

void CKtvWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Whole || change.kind == model::ChangeKind::Ktv) {
        Refresh();
    }
}

model::KtvRange CKtvWnd::RangeOf(Value v) const {
    if (const ui::Slider* slider = mRows[Index(v)].slider) {
        return {slider->Min(), slider->Max()};
    }
    return model::KtvRangeOf(v);
}

void CKtvWnd::Store(Value v, int value) {
    const model::KtvRange range = RangeOf(v);
    mManager.Ktv().SetKtvValue(v, std::clamp(value, range.min, range.max));
    Refresh();
}

void CKtvWnd::ApplyField(Value v) {
    if (const ui::Edit* edit = mRows[Index(v)].edit) {
        Store(v, field_number::ReadInt(edit->text()));
    }
}

void CKtvWnd::ApplySlider(Value v, int position) {
    Store(v, position);
    if (ui::Edit* edit = mRows[Index(v)].edit) {
        edit->setFocus();
        edit->selectAll();
    }
}

void CKtvWnd::Step(Value v, bool up) {
    ui::Edit* edit = mRows[Index(v)].edit;
    if (edit == nullptr) {
        return;
    }
    Store(v, field_number::ReadInt(edit->text()) + (up ? 1 : -1));
}

void CKtvWnd::MoveFocus(Value v, bool next) {
    const int at = CyclePosition(v);
    const int to = (at + (next ? 1 : kCycle - 1)) % kCycle;
    if (ui::Edit* edit = mRows[Index(kRowNames[to].value)].edit) {
        edit->setFocus();
        edit->selectAll();
    }
}

void CKtvWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    if (n.Is(ui::notify::kSelectChanged, kc::kOptionHowlingControl)) {
        Store(Value::Howling, n.arg != 0 ? 1 : 0);
        return;
    }
    for (const RowNames& names : kRowNames) {
        if (n.sender == QLatin1String(names.slider)) {
            if (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) {
                ApplySlider(names.value, n.arg);
            }
            return;
        }
        if (n.sender != QLatin1String(names.edit)) {
            continue;
        }
        if (n.Is(ui::notify::kReturn)) {
            ApplyField(names.value);
        } else if (n.Is(ui::notify::kKillFocus)) {
            // Passing through a field is no edit: only what was typed is applied.
            if (const ui::Edit* edit = mRows[Index(names.value)].edit; edit && edit->Edited()) {
                ApplyField(names.value);
            }
        } else if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            Step(names.value, n.Is(ui::notify::kValueChangedUp));
        } else if (n.Is(ui::notify::kValueChangedRight) || n.Is(ui::notify::kValueChangedLeft)) {
            MoveFocus(names.value, n.Is(ui::notify::kValueChangedRight));
        }
        return;
    }
    CDialogWnd::Notify(n);
}
