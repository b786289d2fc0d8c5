#pragma once
// The manual firmware update: one image file the user picks is written to the amplifier,
// with its progress and its outcome. Opened from the option menu and, as the way back, when
// the amplifier reports that it runs its loader.

#include <QString>

#include <functional>

#include "firmware/firmware_wnd.h"

class CUpdateFwWnd final : public CFirmwareWnd {
  public:
    static constexpr char kLayout[] = "XML_UPDATE_FW";
    // Picks the image file (the file dialog unless a test gives its own); empty cancels.
    using ChooseFile = std::function<QString(QWidget* owner)>;

    CUpdateFwWnd(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});

    void ChooseImage();
    void BeginUpdate();

    void Notify(const ui::Notification& n) override;
    void OnUpgradeMessage(uint32_t message, int value) override;

  private:
    void SetBusy(bool busy);

    ChooseFile mChoose;
    ui::Edit* mPath = nullptr;
    ui::ProgressBar* mProgress = nullptr;
};
