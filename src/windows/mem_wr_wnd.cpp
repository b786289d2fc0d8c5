#include "windows/mem_wr_wnd.h"

#include <string>
#include <utility>

#include "model/equalizer_manager.h"
#include "model/tool_operations.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/tool_controls.h"

CMemWrWnd::CMemWrWnd(QWidget* owner, model::EqualizerManager& manager, shell::Settings settings)
    : CModelWnd(owner, QStringLiteral("MemWrWnd"), QStringLiteral("memwrwnd"), manager),
      mSettings(std::move(settings)) {}

int CMemWrWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CMemWrWnd::Run");
    return RunModal<CMemWrWnd>(owner, manager);
}

bool CMemWrWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    ShowValue(mAddr, shell::kMemAddrKey,
              static_cast<uint32_t>(mSettings.ReadInt(shell::kMemAddrKey, 0)));
    ShowValue(mData, shell::kMemDataKey,
              static_cast<uint32_t>(mSettings.ReadInt(shell::kMemDataKey, 0)));
    return built;
}

void CMemWrWnd::ShowValue(ui::Edit* edit, const char* key, uint32_t value) {
    if (edit) {
        edit->SetText(QString::asprintf("0x%08x", value));
    }
    mSettings.WriteInt(key, static_cast<int>(value));
}

uint32_t CMemWrWnd::Typed(const ui::Edit* edit) const {
    return edit ? model::ParseMemNumber(edit->text().toStdString()) : 0;
}

void CMemWrWnd::Read() {
    const uint32_t address = Typed(mAddr);
    ShowValue(mAddr, shell::kMemAddrKey, address);
    runlog::Log("read_btn read dsp mem, addr(0x%08x)\n", address);
    mManager.Tools().ReadMemWord(address);
}

void CMemWrWnd::Write() {
    const uint32_t address = Typed(mAddr);
    const uint32_t data = Typed(mData);
    ShowValue(mAddr, shell::kMemAddrKey, address);
    ShowValue(mData, shell::kMemDataKey, data);
    runlog::Log("write_btn write dsp mem, addr(0x%08x), data(0x%08x)\n", address, data);
    mManager.Tools().WriteMemWord(address, data);
}

void CMemWrWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind != model::ChangeKind::MemoryWord) {
        return;
    }
    if (const auto word = mManager.Tools().LastMemWord()) {
        ShowValue(mAddr, shell::kMemAddrKey, word->address);
        ShowValue(mData, shell::kMemDataKey, word->data);
    }
}

void CMemWrWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mAddr = Lookup<ui::Edit>(QString::fromLatin1(tool_controls::kAddrEdit));
        mData = Lookup<ui::Edit>(QString::fromLatin1(tool_controls::kDataEdit));
        Lookup<ui::Button>(QString::fromLatin1(tool_controls::kReadBtn));
        Lookup<ui::Button>(QString::fromLatin1(tool_controls::kWriteBtn));
        CDialogWnd::Notify(n);
        return;
    }
    if (n.Is(ui::notify::kClick, tool_controls::kReadBtn)) {
        Read();
        return;
    }
    if (n.Is(ui::notify::kClick, tool_controls::kWriteBtn)) {
        Write();
        return;
    }
    CDialogWnd::Notify(n);
}
