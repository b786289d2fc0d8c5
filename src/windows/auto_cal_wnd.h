#pragma once
// The room auto-calibration window: which outputs and test items take part, the run with its
// status and progress, the measured spectra, correction curves and predicted responses, the
// flatness figures before and after, and applying or discarding the result. The run itself
// is the model's (CalibrationOperations).

#include <QString>

#include <array>
#include <functional>

#include "model/calibration_operations.h"
#include "windows/model_wnd.h"

class UIEqualizerAc;

class CAutoCalWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_AUTO_CAL";
    // Picks the CSV file to write (a save dialog unless a test gives its own); empty cancels.
    using ChooseFile = std::function<QString(QWidget* owner)>;

    CAutoCalWnd(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});
    // A run still going ends with the window.
    ~CAutoCalWnd() override;

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});

    void StartOrStop();
    void ApplyResult();
    void DiscardResult();
    void ExportCsv();
    // Stops a run, settles a result (asking whether to apply it) and closes.
    void CloseWindow();

    uint16_t CheckedChannels() const;
    uint8_t Modules() const;
    int EqMode() const;

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BindChannels();
    void ShowRun();
    void ShowStatusTips();
    void ShowCurves();
    void ShowFigures();
    void SetTips(const QString& text);

    ChooseFile mChoose;
    std::array<ui::CheckBox*, model::IRC_CHANNELS> mChannels{};
    std::array<ui::Label*, model::IRC_CHANNELS> mDistances{};
    std::array<ui::Option*, model::IRC_EQ_MODES> mEffects{};
    ui::CheckBox* mModuleEq = nullptr;
    ui::CheckBox* mModuleDelay = nullptr;
    ui::CheckBox* mModulePhase = nullptr;
    ui::CheckBox* mDisplayEq = nullptr;
    ui::CheckBox* mDisplaySpectrum = nullptr;
    UIEqualizerAc* mGraph = nullptr;
    ui::ProgressBar* mProgress = nullptr;
    ui::Label* mTips = nullptr;
    ui::Label* mFigures = nullptr;
    ui::Button* mStart = nullptr;
    ui::Button* mClose = nullptr;
    // The status the tips last showed, so that a result applied keeps its own text.
    int mShownStatus = -1;
    model::CalibrationOutcome mShownOutcome = model::CalibrationOutcome::None;
    bool mClosing = false;
};
