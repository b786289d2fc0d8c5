#include "windows/main_ab_view.h"

#include <QStyle>

#include "ui/controls.h"
#include "ui/window.h"
#include "windows/main_controls.h"
#include "windows/main_view.h"

namespace {

// The style sheet's mark of a strip that differs between the slots.
constexpr char kDiffersProperty[] = "abDiffers";

}  // namespace

CAbView::CAbView(ui::Window& window, model::EqualizerManager& manager, CMainView& view)
    : mWindow(window), mManager(manager), mView(view) {}

void CAbView::Bind() {
    mButton = mWindow.FindControl<ui::SButton>(main_controls::kBtnAb);
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        mStrips[static_cast<size_t>(o)] =
            mWindow.FindWidget(QString::asprintf(main_controls::kStripFormat, o));
    }
    mMarked = {};
    mTrace.reset();
    mTraceDrawn = false;
    Show();
}

void CAbView::Show() {
    const model::AbDifferences differences = mManager.AB().Differences();
    ShowButton();
    ShowMarks(differences);
    ShowTrace(differences);
}

void CAbView::OnModelChange(const model::ModelChange& change) {
    using model::ChangeKind;
    switch (change.kind) {
        // What no tuning holds.
        case ChangeKind::History:
        case ChangeKind::Scenes:
        case ChangeKind::InputNoise:
        case ChangeKind::MemoryWord:
        case ChangeKind::Distortion:
        case ChangeKind::DelayUnit:
        case ChangeKind::EqMode:
            break;
        default:
            Show();
            break;
    }
}

void CAbView::ShowButton() {
    if (!mButton) {
        return;
    }
    const bool b = mManager.AB().Live() == model::AbSlot::B;
    mButton->SetText(b ? QStringLiteral("B") : QStringLiteral("A"));
    mButton->SetToolTip(b ? QStringLiteral("${ab_hint_b}") : QStringLiteral("${ab_hint_a}"));
    mButton->SetSelected(b);
}

void CAbView::ShowMarks(const model::AbDifferences& differences) {
    for (size_t o = 0; o < mStrips.size(); ++o) {
        QWidget* strip = mStrips[o];
        const bool differs = differences.outputs[o].Any();
        if (!strip || mMarked[o] == differs) {
            continue;
        }
        mMarked[o] = differs;
        strip->setProperty(kDiffersProperty, differs);
        if (ui::Control* c = ui::AsControl(strip)) {
            c->SetToolTip(differs ? QStringLiteral("${ab_strip_differs}") : QString());
        }
        // A dynamic property takes effect in the style sheet only when polished again.
        strip->style()->unpolish(strip);
        strip->style()->polish(strip);
        strip->update();
    }
}

void CAbView::ShowTrace(const model::AbDifferences& differences) {
    const model::ProfileRecord& stored = mManager.AB().Stored();
    const int current = mManager.State().live.currOutChannel;
    std::optional<TraceSource> source;
    if (model::IsOutputIndex(current) && differences.outputs[static_cast<size_t>(current)].Any()) {
        source = TraceSource{current, stored.channels[static_cast<size_t>(current)],
                             stored.bands[static_cast<size_t>(current)]};
    }
    if (mTraceDrawn && source == mTrace) {
        return;
    }
    mTrace = source;
    mTraceDrawn = true;
    mView.ShowTrace(UIEqualizer::Trace::OtherSlot, source ? &stored : nullptr);
}
