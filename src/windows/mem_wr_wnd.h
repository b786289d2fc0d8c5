#pragma once
// The DSP memory window (service mode): reads and writes one 32-bit word at a typed address.
// The last address and data are kept in the settings file. Raw memory is not a sound setting:
// a write is no undo step.

#include <cstdint>

#include "model/model_changes.h"
#include "shell/settings.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CMemWrWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_MEM_WR";

    CMemWrWnd(QWidget* owner, model::EqualizerManager& manager,
              shell::Settings settings = shell::Settings());

    bool Create();
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    ui::Edit* AddrEdit() const { return mAddr; }
    ui::Edit* DataEdit() const { return mData; }

    void Read();
    void Write();

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  private:
    // Shows the value "0x%08x" and remembers it under key.
    void ShowValue(ui::Edit* edit, const char* key, uint32_t value);
    uint32_t Typed(const ui::Edit* edit) const;

    shell::Settings mSettings;
    ui::Edit* mAddr = nullptr;
    ui::Edit* mData = nullptr;
};
