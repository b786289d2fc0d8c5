#pragma once
// What both update windows share: they hear their update's messages, show a status line, and
// cannot be closed or changed while an image is being written.

#include <QString>

#include <initializer_list>

#include "model/firmware_update.h"
#include "windows/model_wnd.h"

class CFirmwareWnd : public CModelWnd, public model::FirmwareUpdateView {
  public:
    bool Busy() const { return mBusy; }
    void OnModelChange(const model::ModelChange&) override {}

  protected:
    CFirmwareWnd(QWidget* owner, const QString& className, model::EqualizerManager& manager);
    ~CFirmwareWnd() override;

    // Enables or disables the named controls with the busy state.
    void SetBusy(bool busy, std::initializer_list<const char*> controls);
    void SetStatus(const QString& text);
    void closeEvent(QCloseEvent* event) override;

    ui::Label* mTips = nullptr;

  private:
    bool mBusy = false;
};
