#pragma once
// The input noise threshold window: the threshold field (-81..-40 dBu, -81 shown as "${off}")
// and a live noise meter per input of the current source, asked of the amplifier every 500 ms
// while the window is shown and the amplifier connected. The window is as wide as its source
// needs.

#include <QString>

#include <array>

#include "model/model_changes.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CNoiseThresholdWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_NOISE_THRESHOLD";
    static constexpr int kMeterTimer = 4112;
    static constexpr int kMeterPeriodMs = 500;
    static constexpr int kMeters = 12;
    // Columns the layout's width holds, and the width of one.
    static constexpr int kLayoutColumns = 10;
    static constexpr int kColumnWidth = 50;

    CNoiseThresholdWnd(QWidget* owner, model::EqualizerManager& manager);

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    // Inputs of the current source: the meters shown.
    int InputCount() const { return mInputs; }
    ui::Edit* ValueEdit() const { return mValue; }

    // The typed field; stepping from the field's value (the stored one when it is no number).
    void Apply();
    void Step(bool up);

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  protected:
    void OnTimer(int id) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Meter {
        ui::Group* group = nullptr;
        ui::Label* in = nullptr;
        ui::Label* noise = nullptr;
        ui::ProgressBar* progress = nullptr;
    };

    void FindControls();
    void ShowThreshold();
    void ShowMeters();
    // Shows the source's columns and fits the window to them.
    void FitToInputs();

    std::array<Meter, kMeters> mMeters{};
    ui::Edit* mValue = nullptr;
    QSize mBaseSize;
    int mInputs = 0;
    int mWidthDelta = 0;
    // Set from hiding on: a tick still queued sends nothing.
    bool mClosing = false;
};
