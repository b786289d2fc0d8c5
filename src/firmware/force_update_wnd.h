#pragma once
// The forced update: the built-in MCU image, then the built-in DSP image, each written after
// the amplifier came back from the restart the one before caused, then optionally a factory
// reset. Every reconnection while it is open moves it on (NextStep); it ends with result 1
// once the whole update is through, so the main window reads the amplifier again.

#include <QString>

#include "firmware/firmware_wnd.h"

class CForceUpdateWnd final : public CFirmwareWnd {
  public:
    static constexpr char kLayout[] = "XML_FORCE_UPDATE";
    enum Stage { kIdle = 0, kMcu = 1, kFlash = 2, kFactoryReset = 3 };

    CForceUpdateWnd(QWidget* owner, model::EqualizerManager& manager, const QString& mcuPath,
                    const QString& flashPath);

    bool Create();

    void BeginUpdate();
    // The amplifier is back after a restart.
    void NextStep();
    int CurrentStage() const { return mStage; }
    bool Finished() const { return mFinished; }

    void Notify(const ui::Notification& n) override;
    void OnUpgradeMessage(uint32_t message, int value) override;

  private:
    void ResetMcuFactoryDefault();
    void SetBusy(bool busy);
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
    ui::CheckBox* mFactory = nullptr;
    int mStage = kIdle;
    bool mFinished = false;
    // The last image failed: a reconnection does not move on until the user tries again.
    bool mFailed = false;
};
