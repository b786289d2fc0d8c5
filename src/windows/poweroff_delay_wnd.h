#pragma once
// The power-off delay window: how long (0..1000 ms) the amplifier keeps playing after it is
// told to turn off, as a field and a slider whose position is the delay in ms.

#include "model/model_changes.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CPowerOffDelayWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_POWEROFF_DELAY";

    CPowerOffDelayWnd(QWidget* owner, model::EqualizerManager& manager);

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    ui::Edit* ValueEdit() const { return mValue; }
    ui::Slider* DelaySlider() const { return mSlider; }

    void Apply();
    void Step(bool up);
    void OnSlider(int value);

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ShowDelay();
    void FocusField();

    ui::Edit* mValue = nullptr;
    ui::Slider* mSlider = nullptr;
};
