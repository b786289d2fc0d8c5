#pragma once
// The compressors of all outputs side by side: per output an on/off switch and its threshold,
// attack and release as fields with sliders. Each accepted change goes through the model, which
// sends that one output's threshold, attack and release (Compressor_Ctrl2) or its switch
// (Compressor_Ch_Ctrl).

#include <array>

#include "model/constants.h"
#include "model/model_changes.h"
#include "windows/compressor_fields.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CCompressorsOnWnd final : public CModelWnd {
  public:
    using Param = compressor_fields::Param;
    static constexpr char kLayout[] = "XML_COMPRESSORS_ON";
    static constexpr int kChannels = model::OUTPUT_CHANNELS;
    // Columns a layout may carry beyond the outputs; they are hidden.
    static constexpr int kMaxColumns = 16;

    CCompressorsOnWnd(QWidget* owner, model::EqualizerManager& manager);

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    // Threshold, attack or release of an output; nullptr for anything else.
    ui::Edit* FieldEdit(Param p, int channel) const;
    ui::Slider* FieldSlider(Param p, int channel) const;
    ui::CheckBox* Switch(int channel) const;

    void ApplyField(Param p, int channel);
    void ApplySlider(Param p, int channel, int position);
    void Step(Param p, int channel, bool up);
    void SetOn(int channel, bool on);
    // Along the outputs, then on to the next parameter: threshold, attack, release.
    void MoveFocus(Param p, int channel, bool next);

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  private:
    struct Cell {
        ui::Edit* edit = nullptr;
        ui::Slider* slider = nullptr;
    };
    static constexpr int kParams = 3;
    static int Row(Param p);
    const Cell* CellOf(Param p, int channel) const;

    void FindControls();
    void Refresh(int channel);
    void Store(Param p, int channel, double value);

    std::array<std::array<Cell, kChannels>, kParams> mCells{};
    std::array<ui::CheckBox*, kChannels> mSwitches{};
};
