#pragma once
// The A/B comparison in the main window: the button that switches and names the live slot,
// a mark on every output strip whose output differs between the slots, and the graph's faint
// trace of the current output as the stored slot holds it. Redrawn from the model on every
// change that can move the slots apart; the trace is recomputed only when what it shows moved.

#include <QWidget>

#include <array>
#include <optional>

#include "model/ab_differences.h"
#include "model/equalizer_manager.h"
#include "model/model_changes.h"

namespace ui {
class SButton;
class Window;
}  // namespace ui
class CMainView;

class CAbView : public model::ModelSubscriber {
  public:
    CAbView(ui::Window& window, model::EqualizerManager& manager, CMainView& view);

    // Finds the controls and draws.
    void Bind();
    void Show();

    void OnModelChange(const model::ModelChange& change) override;

  private:
    void ShowButton();
    void ShowMarks(const model::AbDifferences& differences);
    void ShowTrace(const model::AbDifferences& differences);

    // What the trace was drawn from: the current output and the stored slot's values for it.
    struct TraceSource {
        int output = -1;
        model::OutputChannel channel;
        std::array<model::EqBand, model::MAX_EQ_BANDS> bands{};
        bool operator==(const TraceSource&) const = default;
    };

    ui::Window& mWindow;
    model::EqualizerManager& mManager;
    CMainView& mView;
    ui::SButton* mButton = nullptr;
    std::array<QWidget*, model::OUTPUT_CHANNELS> mStrips{};
    std::array<std::optional<bool>, model::OUTPUT_CHANNELS> mMarked{};
    // Empty: no trace drawn.
    std::optional<TraceSource> mTrace;
    bool mTraceDrawn = false;
};
