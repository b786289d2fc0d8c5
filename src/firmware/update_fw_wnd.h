#pragma once
// The manual firmware update: one image file the user picks is written to the amplifier,
// with its progress and its outcome. Opened from the option menu and, as the way back, when
// the amplifier reports that it runs its loader.

#include <QString>

#include <functional>

#include "model/firmware_update.h"
#include "windows/model_wnd.h"

class CUpdateFwWnd final : public CModelWnd, public model::FirmwareUpdateView {
  public:
    static constexpr char kLayout[] = "XML_UPDATE_FW";
    // Picks the image file (the file dialog unless a test gives its own); empty cancels.
    using ChooseFile = std::function<QString(QWidget* owner)>;

    CUpdateFwWnd(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});
    ~CUpdateFwWnd() override;

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose = {});

    void ChooseImage();
    void BeginUpdate();
    bool Busy() const { return mBusy; }

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange&) override {}
    void OnUpgradeMessage(uint32_t message, int value) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetBusy(bool busy);
    void SetStatus(const QString& text);

    ChooseFile mChoose;
    ui::Edit* mPath = nullptr;
    ui::ProgressBar* mProgress = nullptr;
    ui::Label* mTips = nullptr;
    bool mBusy = false;
};
