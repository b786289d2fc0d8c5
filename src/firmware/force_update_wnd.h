#pragma once
// The forced update: the built-in MCU image, then the built-in DSP image, each written after
// the amplifier came back from the restart the one before caused, then optionally a factory
// reset. Every reconnection while it is open moves it on (NextStep); it ends with result 1
// once the whole update is through, so the main window reads the amplifier again.

#include <QString>

#include "model/firmware_update.h"
#include "windows/model_wnd.h"

class CForceUpdateWnd final : public CModelWnd, public model::FirmwareUpdateView {
  public:
    static constexpr char kLayout[] = "XML_FORCE_UPDATE";
    enum Stage { kIdle = 0, kMcu = 1, kFlash = 2, kFactoryReset = 3 };

    CForceUpdateWnd(QWidget* owner, model::EqualizerManager& manager, const QString& mcuPath,
                    const QString& flashPath);
    ~CForceUpdateWnd() override;

    bool Create();

    void BeginUpdate();
    // The amplifier is back after a restart.
    void NextStep();
    int CurrentStage() const { return mStage; }
    bool Finished() const { return mFinished; }
    bool Busy() const { return mBusy; }

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange&) override {}
    void OnUpgradeMessage(uint32_t message, int value) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void ResetMcuFactoryDefault();
    void SetBusy(bool busy);
    void SetStatus(const QString& text);
    void SetProgress(int mcu, int flash);
    QString Path(ui::Label* label) const;
    // A failed image can be tried again: the button repeats the stage that failed.
    void FailStage(const QString& status);

    QString mMcuPath;
    QString mFlashPath;
    ui::Label* mMcuFile = nullptr;
    ui::Label* mFlashFile = nullptr;
    ui::ProgressBar* mMcuProgress = nullptr;
    ui::ProgressBar* mFlashProgress = nullptr;
    ui::Label* mTips = nullptr;
    ui::CheckBox* mFactory = nullptr;
    int mStage = kIdle;
    bool mBusy = false;
    bool mFinished = false;
    // The last image failed: a reconnection does not move on until the user tries again.
    bool mFailed = false;
};
