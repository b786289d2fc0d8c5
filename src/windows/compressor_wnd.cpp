#include "windows/compressor_wnd.h"

#include <algorithm>
#include <cmath>

#include "model/equalizer_manager.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/compressor_controls.h"
#include "windows/field_number.h"
#include "windows/undo_shortcuts.h"

namespace {

using compressor_fields::Param;
namespace cc = compressor_controls;

struct RowNames {
    Param param;
    const char* edit;
    const char* slider;
};
// In the order of the focus cycle.
constexpr RowNames kRowNames[] = {
    {Param::Threshold, cc::kEditNoise, cc::kSliderNoise},
    {Param::Ratio, cc::kEditRatio, cc::kSliderRatio},
    {Param::Attack, cc::kEditAttackTime, cc::kSliderAttackTime},
    {Param::Release, cc::kEditReleaseTime, cc::kSliderReleaseTime},
    {Param::Knee, cc::kEditSoftKnee, cc::kSliderSoftKnee},
};
constexpr int kCycle = static_cast<int>(std::size(kRowNames));

int CyclePosition(Param p) {
    const auto* row = std::find_if(std::begin(kRowNames), std::end(kRowNames),
                                   [p](const auto& r) { return r.param == p; });
    return row == std::end(kRowNames) ? 0 : static_cast<int>(row - std::begin(kRowNames));
}

}  // namespace

CCompressorWnd::CCompressorWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("CompressorWnd"), QStringLiteral("compressorwnd"), manager) {}

int CCompressorWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CCompressorWnd::Run");
    return RunModal<CCompressorWnd>(owner, manager);
}

bool CCompressorWnd::Create() {
    const int current = mManager.State().live.currOutChannel;
    mOutput = model::IsOutputIndex(current) ? current : -1;
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    Refresh();
    return built;
}

void CCompressorWnd::FindControls() {
    for (const RowNames& names : kRowNames) {
        Row& row = mRows[Index(names.param)];
        row.edit = Lookup<ui::Edit>(QString::fromLatin1(names.edit));
        row.slider = Lookup<ui::Slider>(QString::fromLatin1(names.slider));
    }
    mBypass = Lookup<ui::SButton>(QString::fromLatin1(cc::kBtnBp));
    mChannel = Lookup<ui::Label>(QString::fromLatin1(cc::kCurrChannelText));
    Lookup<ui::Button>(QString::fromLatin1(cc::kMinBtn));
    Lookup<ui::Button>(QString::fromLatin1(cc::kCloseBtn));
    Lookup<ui::Button>(QString::fromLatin1(cc::kConfirmBtn));
    Lookup<ui::Button>(QString::fromLatin1(cc::kCancelBtn));
}

void CCompressorWnd::Refresh() {
    if (mChannel) {
        mChannel->SetText(mOutput >= 0 ? QStringLiteral("CH%1").arg(mOutput + 1) : QString());
    }
    const model::CompressorSettings s = model::CompressorOf(mManager.State().live, mOutput);
    for (const RowNames& names : kRowNames) {
        const Row& row = mRows[Index(names.param)];
        const double value = compressor_fields::ValueOf(s, names.param);
        if (row.edit) {
            row.edit->SetText(compressor_fields::Text(names.param, value));
        }
        if (row.slider) {
            row.slider->SetValue(compressor_fields::SliderUnits(names.param, value));
        }
    }
    if (mBypass) {
        mBypass->SetSelected(s.bypass != 0);
    }
}

void CCompressorWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Whole ||
        (change.kind == model::ChangeKind::Compressor && change.output == mOutput)) {
        Refresh();
    }
}

void CCompressorWnd::Store(Param p, double value) {
    if (mOutput < 0) {
        return;
    }
    model::CompressorSettings s = model::CompressorOf(mManager.State().live, mOutput);
    compressor_fields::SetValue(s, p, value);
    mManager.Compressors().SetCompressor(mOutput, s);
}

void CCompressorWnd::ApplyField(Param p) {
    const Row& row = mRows[Index(p)];
    if (row.edit == nullptr || mOutput < 0) {
        return;
    }
    const compressor_fields::Limits limits = compressor_fields::LimitsOf(p, row.slider);
    const double typed = field_number::ReadReal(row.edit->text());
    Store(p, std::clamp(typed, limits.min, limits.max));
    // The field shows what is kept, in its format, also when nothing changed.
    Refresh();
}

void CCompressorWnd::ApplySlider(Param p, int position) {
    const Row& row = mRows[Index(p)];
    if (mOutput < 0) {
        return;
    }
    if (row.slider) {
        position = std::clamp(position, row.slider->Min(), row.slider->Max());
    }
    Store(p, static_cast<double>(position) / compressor_fields::ScaleOf(p).scale);
    Refresh();
    if (row.edit) {
        row.edit->setFocus();
        row.edit->selectAll();
    }
}

void CCompressorWnd::Step(Param p, bool up) {
    ui::Slider* slider = mRows[Index(p)].slider;
    if (slider == nullptr) {
        return;
    }
    const int position = slider->Value();
    if ((up && position >= slider->Max()) || (!up && position <= slider->Min())) {
        return;
    }
    const int step = compressor_fields::ScaleOf(p).step;
    const int next = std::clamp(position + (up ? step : -step), slider->Min(), slider->Max());
    slider->SetValue(next);
    ApplySlider(p, next);
}

void CCompressorWnd::SetBypass(bool bypass) {
    if (mOutput < 0) {
        return;
    }
    model::CompressorSettings s = model::CompressorOf(mManager.State().live, mOutput);
    s.bypass = bypass ? 1 : 0;
    mManager.Compressors().SetCompressor(mOutput, s);
    Refresh();
}

void CCompressorWnd::MoveFocus(Param p, bool next) {
    const int at = CyclePosition(p);
    const int to = (at + (next ? 1 : kCycle - 1)) % kCycle;
    if (ui::Edit* edit = mRows[Index(kRowNames[to].param)].edit) {
        edit->setFocus();
        edit->selectAll();
    }
}

bool CCompressorWnd::ParamOfSender(const QString& sender, Param* p) const {
    for (const RowNames& names : kRowNames) {
        if (sender == QLatin1String(names.edit) || sender == QLatin1String(names.slider)) {
            *p = names.param;
            return true;
        }
    }
    return false;
}

void CCompressorWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    if (n.Is(ui::notify::kClick, cc::kBtnBp)) {
        // The button shows the bypass; a click turns it over.
        SetBypass(model::CompressorOf(mManager.State().live, mOutput).bypass == 0);
        return;
    }
    if (n.Is(ui::notify::kSelectChanged, cc::kBtnBp)) {
        SetBypass(n.arg != 0);
        return;
    }
    Param p = Param::Threshold;
    if (!ParamOfSender(n.sender, &p)) {
        CDialogWnd::Notify(n);
        return;
    }
    const bool isSlider = qobject_cast<ui::Slider*>(n.control) != nullptr;
    if (isSlider && (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged))) {
        ApplySlider(p, n.arg);
    } else if (isSlider) {
        return;
    } else if (n.Is(ui::notify::kReturn)) {
        ApplyField(p);
    } else if (n.Is(ui::notify::kKillFocus)) {
        // Passing through a field is no edit: only what was typed is applied.
        if (mRows[Index(p)].edit && mRows[Index(p)].edit->Edited()) {
            ApplyField(p);
        }
    } else if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
        Step(p, n.Is(ui::notify::kValueChangedUp));
    } else if (n.Is(ui::notify::kValueChangedRight) || n.Is(ui::notify::kValueChangedLeft)) {
        MoveFocus(p, n.Is(ui::notify::kValueChangedRight));
    }
}
