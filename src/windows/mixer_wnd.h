#pragma once
// The mixer window: for the current source, which inputs each output hears and at what level,
// the polarity of each input, the bridged output pairs, the two cross-source (vice) inputs and
// live clipping lights for inputs and outputs. Every edit goes through the model's mixer
// operations, so the main window's routing boxes and bridge switches follow, and each edit is
// one undo step.

#include <QHash>
#include <QRect>
#include <QString>

#include <array>

#include "model/mixer_operations.h"
#include "model/model_changes.h"
#include "windows/model_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model

class CMixerWnd final : public CModelWnd {
  public:
    static constexpr char kLayout[] = "XML_MIXER";
    static constexpr char kClassName[] = "MixerWnd";
    static constexpr int STATUS_READ_TIMER = 8193;
    static constexpr int kStatusReadMs = 1000;
    static constexpr int kRowHeight = 44;
    static constexpr int kRows = model::MIXER_ROWS;
    static constexpr int kOutputs = model::OUTPUT_CHANNELS;

    CMixerWnd(QWidget* owner, model::EqualizerManager& manager);
    ~CMixerWnd() override;

    // layout: another skin's mixer, for a look without some of the controls.
    bool Create(const QString& layout = QString::fromLatin1(kLayout));
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    int InputCount() const { return mInputCount; }
    bool HasViceRows() const { return mViceRows; }
    bool StatusTimerRunning() const { return HasTimer(STATUS_READ_TIMER); }

    // The single path of every level change; fromSwitch: the cell's box asked for it.
    void OnVolChanged(int row, int output, int volume, bool fromSwitch);
    void OnEnableBtnClick(int row, int output);
    void OnVolEditChanged(int row, int output, int step = 0);
    void ClearMix();

    ui::CheckBox* CellSwitch(int row, int output) const;
    ui::Slider* CellSlider(int row, int output) const;
    ui::Edit* CellEdit(int row, int output) const;

    void Notify(const ui::Notification& n) override;
    void OnModelChange(const model::ModelChange& change) override;

  protected:
    void OnTimer(int id) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Cell {
        QWidget* box = nullptr;
        ui::CheckBox* enable = nullptr;
        ui::Slider* volume = nullptr;
        ui::Edit* edit = nullptr;
    };

    static bool ValidCell(int row, int output) {
        return row >= 0 && row < kRows && output >= 0 && output < kOutputs;
    }
    // The current source, or the first when the record names none.
    int ShownSource() const;
    bool RowShown(int row) const;
    void FindControls();
    // The rows, names and size of the current source; again when the source changes.
    void ShowSource();
    void PlaceRows();
    void SizeWindow();
    void RefreshCell(int row, int output);
    void RefreshCells();
    void RefreshInputs();
    void RefreshBridges();
    void RefreshVice();
    void RefreshDistortion();
    void OnViceGainEdit(int slot, int step);
    void MoveFocus(int row, int output, bool right);

    int mSource = 0;
    int mInputCount = 0;
    bool mViceRows = false;
    bool mReady = false;
    bool mLeavingField = false;
    QSize mBaseSize;
    // Where the layout put each row's controls, before any source moved them.
    QHash<QWidget*, QRect> mBaseRects;
    std::array<std::array<Cell, kRows>, kOutputs> mCells{};
};
