#pragma once
// The main window's controls drawn from the sound model. The operations and the replies say
// what changed; this class finds the controls once and sets them from the model, silently, so
// nothing it does comes back as a notification. It also puts the operations' questions to the
// user. Controls the layout lacks are skipped.

#include <QString>

#include <array>

#include "controls/ui_equalizer.h"
#include "model/equalizer_manager.h"
#include "model/model_changes.h"
#include "model/operations_view.h"

namespace ui {
class Window;
class Button;
class SButton;
class Slider;
class Edit;
class Combo;
class Label;
}  // namespace ui
class QWidget;

// Reads the main volume after a source change until the amplifier reports it.
inline constexpr int kGetMainVolumeTimer = 4114;

class CMainView : public model::OperationsView, public model::ModelSubscriber {
  public:
    CMainView(ui::Window& window, model::EqualizerManager& manager);

    // Finds the controls and draws everything; again after a language change.
    void Bind();
    void ShowAll();

    // ModelSubscriber: redraws what changed.
    void OnModelChange(const model::ModelChange& change) override;

    // OperationsView
    void OnStartMainVolumePoll(int count) override;
    int AskLinkCopyDirection() override;
    bool AskQuestion(const char* textKey) override;
    int AskOutputReset() override;
    void ShowMessage(const char* textKey) override;

    // Redraws of one part from the model; also to show the stored value again after an edit
    // that was refused.
    void OnOutputChanged(int output);
    void OnCurrentOutputChanged();
    void OnSpeakerMapChanged();
    void OnLinkLockChanged();
    void OnDelayUnitChanged();
    void OnCurvesChanged();
    void OnInputsChanged();
    void OnGlobalsChanged();
    void ShowCrossover();
    void ShowBands();
    // The graph's trace of the current output as `record` holds it; nullptr removes it.
    void ShowTrace(UIEqualizer::Trace which, const model::ProfileRecord* record);
    // The graph's sum of the shown outputs: the view's own setting, no sound data.
    void ShowSum(bool on);

    // What the connection reports beyond the model: a DSP that is off, a foreign model.
    void OnDspStatus(int on);
    void OnDeviceIdentity(int model);

    // The main-volume poll count, lowered by the window's timer.
    int MainVolumePollCount() const { return mMainVolumePoll; }
    void SetMainVolumePollCount(int count) { mMainVolumePoll = count; }

    // The delay slider is shown only for the channel whose delay field has the focus.
    void ShowDelaySlider(int output);

    // The graph's notifications while the user drags a point or a crossover handle.
    void OnGraphDrag(const QString& type, int index);

  private:
    void OnCrossoverChanged(int output);
    void OnBandsChanged(int output);
    void OnEqModeChanged();
    // Slope items 1, 3, 5, 7 of both sides: Linkwitz-Riley takes even slopes only.
    void ShowSlopeItems();

    struct Strip {
        ui::SButton* typeButton = nullptr;
        QWidget* enable = nullptr;
        ui::Slider* volumeSlider = nullptr;
        ui::Edit* volumeEdit = nullptr;
        QWidget* mute = nullptr;
        QWidget* phase = nullptr;
        QWidget* solo = nullptr;
        QWidget* synchronize = nullptr;
        QWidget* delayLink = nullptr;
        ui::Edit* delayEdit = nullptr;
        ui::Slider* delaySlider = nullptr;
        QWidget* show = nullptr;
    };
    struct Marker {
        QWidget* speaker = nullptr;
        QWidget* con = nullptr;
        ui::Edit* delay = nullptr;
    };

    void ShowVolume(int output, ui::Slider* slider, ui::Edit* edit);
    void ShowPhase(QWidget* control, int phase);
    void ShowDelay(int output);
    void ShowDelayLink(int output);
    // "btn_undo" and "btn_redo" enabled while there is a step to take.
    void ShowHistory();
    void ShowSwitch(const char* name, bool on, const char* onText, const char* offText);
    void ShowBridges();
    // The graph redrawn once after a burst of recomputed curves.
    void RefreshCurve();
    // Points, crossover handles, curves and mode of the graph from the model.
    void PushGraph(int selectedBand);
    // After the reply that asks for it is handled, so no modal loop runs inside it.
    void ShowMessageLater(const QString& text);

    ui::Window& mWindow;
    model::EqualizerManager& mManager;
    std::array<Strip, model::OUTPUT_CHANNELS> mStrips{};
    std::array<Marker, 29> mMarkers{};
    ui::Label* mChannelName = nullptr;
    ui::Slider* mVolumeSlider = nullptr;
    ui::Edit* mVolumeEdit = nullptr;
    QWidget* mMute = nullptr;
    QWidget* mPhase = nullptr;
    int mMainVolumePoll = 0;
    bool mGraphRefreshPending = false;
};
