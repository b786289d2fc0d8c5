#pragma once
// The main window's controls drawn from the sound model. The operations and the replies say
// what changed; this class finds the controls once and sets them from the model, silently, so
// nothing it does comes back as a notification. It also puts the operations' questions to the
// user. Controls the layout lacks are skipped.

#include <QString>

#include <array>

#include "equalizer_manager.h"
#include "operations_view.h"
#include "reply_handlers.h"

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

class CMainView : public model::OperationsView, public model::ModelChangeListener {
  public:
    CMainView(ui::Window& window, model::EqualizerManager& manager);

    // Finds the controls and draws everything; again after a language change.
    void Bind();
    void ShowAll();

    // OperationsView
    void OnOutputChanged(int output) override;
    void OnCurrentOutputChanged() override;
    void OnSpeakerMapChanged() override;
    void OnLinkLockChanged() override;
    void OnDelayUnitChanged() override;
    void OnCurvesChanged() override;
    void OnInputsChanged() override;
    void OnGlobalsChanged() override;
    void OnStartMainVolumePoll(int count) override;
    void OnWholeViewChanged() override;
    void OnCrossoverShown() override;
    void OnBandsShown() override;
    void OnGraphChanged(int selectedBand) override;
    void OnSlopeItemsChanged(int side, bool oddSlopesEnabled) override;
    void OnEqModeChanged(bool peq) override;
    int AskLinkCopyDirection() override;
    bool AskQuestion(const char* textKey) override;
    int AskOutputReset() override;
    void ShowMessage(const char* textKey) override;

    // ModelChangeListener: the live set changed by a reply.
    void OnSourceChanged() override;
    void OnMainVolumeChanged() override;
    void OnMainMuteChanged() override;
    void OnCrossoverChanged(int output) override;
    void OnEqBandChanged(int output, int band) override;
    void OnDelayChanged(int output) override;
    void OnChannelGainChanged(int output) override;
    void OnMixChanged(int source, int output) override;
    void OnSpeakerTypeChanged(int output) override;
    void OnLinkChanged() override;
    void OnLockChanged(bool linkDropped) override;
    void OnEqBypassChanged(int output) override;
    void OnAmpOnChanged() override;
    void OnRemOutChanged() override;
    void OnSpkOhmChanged() override;
    void OnBridgeChanged() override;
    void OnNoiseGateChanged() override;
    void OnAccChanged() override;
    void OnDspStatus(int on) override;
    void OnDeviceIdentity(int model, int mainVersion, int slaveVersion) override;

    // The main-volume poll count, lowered by the window's timer.
    int MainVolumePollCount() const { return mMainVolumePoll; }
    void SetMainVolumePollCount(int count) { mMainVolumePoll = count; }

    // The delay slider is shown only for the channel whose delay field has the focus.
    void ShowDelaySlider(int output);

    // The graph's notifications while the user drags a point or a crossover handle.
    void OnGraphDrag(const QString& type, int index);

  private:
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
    void ShowCrossover();
    void ShowBands();
    void ShowSwitch(const char* name, bool on, const char* onText, const char* offText);
    void ShowBridges();
    void RefreshCurve(int output);
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
