#pragma once
// The karaoke (KTV) effects: microphone and music levels, voice changer, echo, reverb, bass and
// treble of the microphone path, each a field with its slider, and the howling suppressor
// switch. Every accepted change goes through the model, which sends its one CMD_KTV write.

#include <array>

#include "model/ktv_operations.h"
#include "model/model_changes.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CKtvWnd final : public CModelWnd {
  public:
    using Value = model::KtvValue;
    static constexpr char kLayout[] = "XML_KTV";

    CKtvWnd(QWidget* owner, model::EqualizerManager& manager);

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    // The field and slider of a value; nullptr for the howling switch.
    ui::Edit* FieldEdit(Value v) const { return mRows[Index(v)].edit; }
    ui::Slider* FieldSlider(Value v) const { return mRows[Index(v)].slider; }
    ui::Option* HowlingSwitch() const { return mHowling; }

    void ApplyField(Value v);
    void ApplySlider(Value v, int position);
    void Step(Value v, bool up);
    // The focus cycle microphone, music, voice changer, treble, bass, echo level, echo delay,
    // reverb level, reverb time.
    void MoveFocus(Value v, bool next);

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  private:
    struct Row {
        ui::Edit* edit = nullptr;
        ui::Slider* slider = nullptr;
    };
    static size_t Index(Value v) { return static_cast<size_t>(v); }

    void FindControls();
    void Refresh();
    // The slider's range, or the model's when the layout has no slider.
    model::KtvRange RangeOf(Value v) const;
    void Store(Value v, int value);

    std::array<Row, model::KTV_VALUE_COUNT> mRows{};
    ui::Option* mHowling = nullptr;
};
