#include "windows/compressors_on_wnd.h"

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

// The parameters in the order of the focus cycle, with the name part of their controls.
constexpr Param kOrder[] = {Param::Threshold, Param::Attack, Param::Release};
constexpr const char* kNameParts[] = {cc::kThreshold, cc::kAttackTime, cc::kReleaseTime};
constexpr int kOrderCount = static_cast<int>(std::size(kOrder));

QString Name(const char* format, const char* part, int channel) {
    return QString::asprintf(format, part, channel);
}

bool ValidChannel(int channel) {
    return channel >= 0 && channel < CCompressorsOnWnd::kChannels;
}

// A step of more than one unit lands on a multiple of it, rounded down.
int Stepped(int position, int step, bool up) {
    const int next = position + (up ? step : -step);
    if (step == 1) {
        return next;
    }
    return static_cast<int>(std::floor(static_cast<double>(next) / step)) * step;
}

}  // namespace

CCompressorsOnWnd::CCompressorsOnWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("CompressorsOnWnd"), QStringLiteral("compressorsonwnd"),
                manager) {}

int CCompressorsOnWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CCompressorsOnWnd::Run");
    return RunModal<CCompressorsOnWnd>(owner, manager);
}

bool CCompressorsOnWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    for (int c = 0; c < kChannels; ++c) {
        Refresh(c);
    }
    return built;
}

int CCompressorsOnWnd::Row(Param p) {
    for (int i = 0; i < kOrderCount; ++i) {
        if (kOrder[i] == p) {
            return i;
        }
    }
    return -1;
}

const CCompressorsOnWnd::Cell* CCompressorsOnWnd::CellOf(Param p, int channel) const {
    const int row = Row(p);
    if (row < 0 || !ValidChannel(channel)) {
        return nullptr;
    }
    return &mCells[static_cast<size_t>(row)][static_cast<size_t>(channel)];
}

ui::Edit* CCompressorsOnWnd::FieldEdit(Param p, int channel) const {
    const Cell* cell = CellOf(p, channel);
    return cell ? cell->edit : nullptr;
}

ui::Slider* CCompressorsOnWnd::FieldSlider(Param p, int channel) const {
    const Cell* cell = CellOf(p, channel);
    return cell ? cell->slider : nullptr;
}

ui::CheckBox* CCompressorsOnWnd::Switch(int channel) const {
    return ValidChannel(channel) ? mSwitches[static_cast<size_t>(channel)] : nullptr;
}

void CCompressorsOnWnd::FindControls() {
    for (int c = 0; c < kChannels; ++c) {
        for (int row = 0; row < kOrderCount; ++row) {
            Cell& cell = mCells[static_cast<size_t>(row)][static_cast<size_t>(c)];
            cell.edit = Lookup<ui::Edit>(Name(cc::kEditFormat, kNameParts[row], c));
            cell.slider = Lookup<ui::Slider>(Name(cc::kSliderFormat, kNameParts[row], c));
        }
        mSwitches[static_cast<size_t>(c)] =
            Lookup<ui::CheckBox>(QString::asprintf(cc::kBoxEnableFormat, c));
    }
    for (int c = kChannels; c < kMaxColumns; ++c) {
        if (QWidget* column = FindWidget(QString::asprintf(cc::kColumnFormat, c))) {
            column->setVisible(false);
        }
    }
    Lookup<ui::Button>(QString::fromLatin1(cc::kCloseBtn));
    Lookup<ui::Button>(QString::fromLatin1(cc::kConfirmBtn));
}

void CCompressorsOnWnd::Refresh(int channel) {
    if (!ValidChannel(channel)) {
        return;
    }
    const model::ProfileRecord& live = mManager.State().live;
    const model::CompressorSettings s = model::CompressorOf(live, channel);
    for (const Param p : kOrder) {
        const Cell* cell = CellOf(p, channel);
        const double value = compressor_fields::ValueOf(s, p);
        if (cell->edit) {
            cell->edit->SetText(compressor_fields::Text(p, value));
        }
        if (cell->slider) {
            cell->slider->SetValue(compressor_fields::SliderUnits(p, value));
        }
    }
    if (ui::CheckBox* box = Switch(channel)) {
        box->SetSelected(live.channels[static_cast<size_t>(channel)].compressorOn != 0);
    }
}

void CCompressorsOnWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Whole) {
        for (int c = 0; c < kChannels; ++c) {
            Refresh(c);
        }
    } else if (change.kind == model::ChangeKind::Compressor) {
        Refresh(change.output);
    }
}

void CCompressorsOnWnd::Store(Param p, int channel, double value) {
    model::CompressorSettings s = model::CompressorOf(mManager.State().live, channel);
    compressor_fields::SetValue(s, p, value);
    mManager.Compressors().SetCompressorBasics(channel, s.threshold, s.attack, s.release);
}

void CCompressorsOnWnd::ApplyField(Param p, int channel) {
    const Cell* cell = CellOf(p, channel);
    if (cell == nullptr || cell->edit == nullptr) {
        return;
    }
    const compressor_fields::Limits limits = compressor_fields::LimitsOf(p, cell->slider);
    const double typed = field_number::ReadReal(cell->edit->text());
    Store(p, channel, std::clamp(typed, limits.min, limits.max));
    Refresh(channel);
}

void CCompressorsOnWnd::ApplySlider(Param p, int channel, int position) {
    const Cell* cell = CellOf(p, channel);
    if (cell == nullptr) {
        return;
    }
    if (cell->slider) {
        position = std::clamp(position, cell->slider->Min(), cell->slider->Max());
    }
    Store(p, channel, static_cast<double>(position) / compressor_fields::ScaleOf(p).scale);
    Refresh(channel);
    if (cell->edit) {
        cell->edit->setFocus();
        cell->edit->selectAll();
    }
}

void CCompressorsOnWnd::Step(Param p, int channel, bool up) {
    const Cell* cell = CellOf(p, channel);
    if (cell == nullptr || cell->slider == nullptr) {
        return;
    }
    ui::Slider* slider = cell->slider;
    const int position = slider->Value();
    if ((up && position >= slider->Max()) || (!up && position <= slider->Min())) {
        return;
    }
    const int next = std::clamp(Stepped(position, compressor_fields::ScaleOf(p).step, up),
                                slider->Min(), slider->Max());
    slider->SetValue(next);
    ApplySlider(p, channel, next);
}

void CCompressorsOnWnd::SetOn(int channel, bool on) {
    if (!ValidChannel(channel)) {
        return;
    }
    mManager.Compressors().SetCompressorOn(channel, on);
    Refresh(channel);
}

void CCompressorsOnWnd::MoveFocus(Param p, int channel, bool next) {
    int row = Row(p);
    if (row < 0 || !ValidChannel(channel)) {
        return;
    }
    int to = channel + (next ? 1 : -1);
    if (to >= kChannels) {
        to = 0;
        row = (row + 1) % kOrderCount;
    } else if (to < 0) {
        to = kChannels - 1;
        row = (row + kOrderCount - 1) % kOrderCount;
    }
    if (ui::Edit* edit = FieldEdit(kOrder[row], to)) {
        edit->setFocus();
        edit->selectAll();
    }
}

void CCompressorsOnWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    const int channel = n.Index();
    if (n.Is(ui::notify::kSelectChanged) && n.SenderStartsWith(cc::kBoxEnablePrefix)) {
        SetOn(channel, n.arg != 0);
        return;
    }
    for (int row = 0; row < kOrderCount; ++row) {
        const Param p = kOrder[row];
        if (n.sender == Name(cc::kSliderFormat, kNameParts[row], channel)) {
            if (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) {
                ApplySlider(p, channel, n.arg);
            }
            return;
        }
        if (n.sender != Name(cc::kEditFormat, kNameParts[row], channel)) {
            continue;
        }
        if (n.Is(ui::notify::kReturn)) {
            ApplyField(p, channel);
        } else if (n.Is(ui::notify::kKillFocus)) {
            // Passing through a field is no edit: only what was typed is applied.
            if (const ui::Edit* edit = FieldEdit(p, channel); edit && edit->Edited()) {
                ApplyField(p, channel);
            }
        } else if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            Step(p, channel, n.Is(ui::notify::kValueChangedUp));
        } else if (n.Is(ui::notify::kValueChangedRight) || n.Is(ui::notify::kValueChangedLeft)) {
            MoveFocus(p, channel, n.Is(ui::notify::kValueChangedRight));
        }
        return;
    }
    CDialogWnd::Notify(n);
}
