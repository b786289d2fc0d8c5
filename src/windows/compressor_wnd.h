#pragma once
// The compressor of the current output: bypass, threshold ("noise" in the layout), ratio, soft
// knee, attack and release, each a field with its slider. Every accepted change goes through
// the model, which sends the output's whole compressor (Compressor_Ctrl) once.

#include <array>

#include "model/model_changes.h"
#include "windows/compressor_fields.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CCompressorWnd final : public CModelWnd {
  public:
    using Param = compressor_fields::Param;
    static constexpr char kLayout[] = "XML_COMPRESSOR";
    static constexpr int kParams = 5;

    CCompressorWnd(QWidget* owner, model::EqualizerManager& manager);

    // Builds the layout and shows the current output's compressor. False when the layout failed.
    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    // The output edited (fixed when the window opens), -1 when there is none.
    int Output() const { return mOutput; }
    ui::Edit* FieldEdit(Param p) const { return mRows[Index(p)].edit; }
    ui::Slider* FieldSlider(Param p) const { return mRows[Index(p)].slider; }

    void ApplyField(Param p);
    void ApplySlider(Param p, int position);
    void Step(Param p, bool up);
    void SetBypass(bool bypass);
    // The focus cycle threshold, ratio, attack, release, knee.
    void MoveFocus(Param p, bool next);

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  private:
    struct Row {
        ui::Edit* edit = nullptr;
        ui::Slider* slider = nullptr;
    };
    static size_t Index(Param p) { return static_cast<size_t>(p); }

    void FindControls();
    void Refresh();
    void Store(Param p, double value);
    bool ParamOfSender(const QString& sender, Param* p) const;

    int mOutput = -1;
    std::array<Row, kParams> mRows{};
    ui::SButton* mBypass = nullptr;
    ui::Label* mChannel = nullptr;
};
