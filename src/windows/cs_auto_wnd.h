#pragma once
// The speaker auto-configuration window (service mode): eleven switches, nine level factors
// (slider position = factor x 100, field "%.3f") and four lists. The record lives in the model,
// which sends all 52 bytes after every change.

#include <array>

#include "model/tool_operations.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CSAutoWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_CS_AUTO";

    CSAutoWnd(QWidget* owner, model::EqualizerManager& manager);

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    ui::CheckBox* Switch(int i) const {
        return InRange(i, model::AUTO_SWITCHES) ? mSwitches[At(i)] : nullptr;
    }
    ui::Slider* FactorSlider(int i) const {
        return InRange(i, model::AUTO_FACTORS) ? mFactors[At(i)].slider : nullptr;
    }
    ui::Edit* FactorEdit(int i) const {
        return InRange(i, model::AUTO_FACTORS) ? mFactors[At(i)].edit : nullptr;
    }
    // 0 mode, 1 front, 2 surround, 3 subwoofer.
    ui::Combo* Choice(int which) const {
        return InRange(which, model::AUTO_CHOICES) ? mChoices[At(which)] : nullptr;
    }

    void ApplyField(int i);
    void ApplySlider(int i, int position);
    void Step(int i, bool up);
    // Asks first; false when the user declined.
    bool RestoreCSAuto();

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  private:
    struct Factor {
        ui::Slider* slider = nullptr;
        ui::Edit* edit = nullptr;
    };
    static bool InRange(int i, int count) { return i >= 0 && i < count; }
    static size_t At(int i) { return static_cast<size_t>(i); }

    void FindControls();
    void Refresh();
    void ShowFactor(int i);
    void FocusField(int i);
    // The factor's limits: the slider's, else 0.00..2.00.
    double Lowest(int i) const;
    double Highest(int i) const;

    std::array<ui::CheckBox*, model::AUTO_SWITCHES> mSwitches{};
    std::array<Factor, model::AUTO_FACTORS> mFactors{};
    std::array<ui::Combo*, model::AUTO_CHOICES> mChoices{};
};
