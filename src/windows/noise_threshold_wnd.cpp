#include "windows/noise_threshold_wnd.h"

#include <QKeyEvent>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "model/equalizer_manager.h"
#include "model/sources.h"
#include "model/tool_operations.h"
#include "model/volume_text.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "windows/tool_controls.h"
#include "windows/undo_shortcuts.h"

namespace {

constexpr int kNarrowInputs = 6;
constexpr int kNarrowBy = 200;

std::string OffText() {
    return ui::ResolveText(QString::fromLatin1(model::kOffTextKey)).toStdString();
}

QString Name(const char* format, int i) {
    return QString::asprintf(format, i);
}

}  // namespace

CNoiseThresholdWnd::CNoiseThresholdWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("NoiseThresholdWnd"), QStringLiteral("noisethresholdwnd"),
                manager) {}

int CNoiseThresholdWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CNoiseThresholdWnd::Run");
    return RunModal<CNoiseThresholdWnd>(owner, manager);
}

bool CNoiseThresholdWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    mBaseSize = LayoutSize();
    mManager.Tools().ResetInputNoise();
    ShowThreshold();
    FitToInputs();
    ShowMeters();
    return built;
}

void CNoiseThresholdWnd::FindControls() {
    for (int i = 0; i < kMeters; ++i) {
        Meter& m = mMeters[static_cast<size_t>(i)];
        m.group = Lookup<ui::Group>(Name(tool_controls::kPrgGroupFormat, i));
        m.in = Lookup<ui::Label>(Name(tool_controls::kInFormat, i));
        m.noise = Lookup<ui::Label>(Name(tool_controls::kNoiseFormat, i));
        m.progress = Lookup<ui::ProgressBar>(Name(tool_controls::kProgressFormat, i));
        if (m.progress && m.progress->height() > m.progress->width()) {
            m.progress->setOrientation(Qt::Vertical);
        }
    }
    mValue = Lookup<ui::Edit>(QString::fromLatin1(tool_controls::kValueEdt));
    Lookup<ui::Button>(QString::fromLatin1(tool_controls::kConfirmBtn));
    Lookup<ui::Button>(QString::fromLatin1(tool_controls::kCancelBtn));
}

void CNoiseThresholdWnd::ShowThreshold() {
    if (mValue == nullptr) {
        return;
    }
    const int value = mManager.Tools().InputThreshold();
    mValue->SetText(value <= model::MIN_INPUT_THRESHOLD ? QString::fromLatin1(model::kOffTextKey)
                                                        : QString::asprintf("%ddBu", value));
}

void CNoiseThresholdWnd::ShowMeters() {
    const model::ToolOperations& tools = mManager.Tools();
    for (int i = 0; i < std::min(mInputs, kMeters); ++i) {
        const Meter& m = mMeters[static_cast<size_t>(i)];
        const float level = tools.InputNoise(i);
        if (m.noise) {
            m.noise->SetText(QString::asprintf(" %.1f", static_cast<double>(level)));
        }
        if (m.progress) {
            // A bar ignores values outside its range; a loud input shows full.
            const long rounded = std::lround(std::clamp(level, -1e6f, 1e6f));
            m.progress->SetValue(static_cast<int>(
                std::clamp<long>(rounded, m.progress->minimum(), m.progress->maximum())));
        }
    }
}

void CNoiseThresholdWnd::FitToInputs() {
    const int source = mManager.State().live.currentSource;
    const int inputs = std::clamp(model::SourceInputCount(source), 0, kMeters);
    for (int i = 0; i < kMeters; ++i) {
        const Meter& m = mMeters[static_cast<size_t>(i)];
        const bool shown = i < inputs;
        if (m.group) {
            m.group->setVisible(shown);
        }
        if (m.in) {
            m.in->setVisible(shown);
        }
    }
    if (inputs != mInputs) {
        for (const Meter& m : mMeters) {
            if (m.progress) {
                m.progress->SetValue(m.progress->minimum());
            }
        }
        mInputs = inputs;
    }
    const int delta =
        inputs >= kNarrowInputs ? kColumnWidth * (inputs - kLayoutColumns) : -kNarrowBy;
    if (!mBaseSize.isValid() || delta == mWidthDelta) {
        return;
    }
    const int move = delta - mWidthDelta;
    mWidthDelta = delta;
    SetLayoutSize(QSize(mBaseSize.width() + delta, mBaseSize.height()));
    // The caption's right end follows the width.
    if (QWidget* close = FindWidget(QString::fromLatin1(tool_controls::kCloseBtn))) {
        SetControlRect(close, ControlRect(close).translated(move, 0));
    }
    for (const char* name : {tool_controls::kCaptionBar, tool_controls::kCaptionLine}) {
        if (QWidget* w = FindWidget(QString::fromLatin1(name))) {
            SetControlRect(w, ControlRect(w).adjusted(0, 0, move, 0));
        }
    }
}

void CNoiseThresholdWnd::Apply() {
    if (mValue == nullptr) {
        return;
    }
    const std::string text = mValue->text().toStdString();
    runlog::Log("CNoiseThresholdWnd apply %s\n", text.c_str());
    // Not a number keeps the stored threshold: a typo must not open the gate wide.
    mManager.Tools().SetInputThresholdEdit(text, OffText());
    ShowThreshold();
    mValue->setFocus();
    mValue->selectAll();
}

void CNoiseThresholdWnd::Step(bool up) {
    model::ToolOperations& tools = mManager.Tools();
    int current = tools.InputThreshold();
    if (mValue) {
        const std::optional<int> typed = model::ParseUnitInteger(
            mValue->text().toStdString(), "dBu", OffText(), model::MIN_INPUT_THRESHOLD);
        if (typed) {
            current = std::clamp(*typed, model::MIN_INPUT_THRESHOLD, model::MAX_INPUT_THRESHOLD);
        }
    }
    tools.SetInputThreshold(current + (up ? 1 : -1));
    ShowThreshold();
    if (mValue) {
        mValue->setFocus();
        mValue->selectAll();
    }
}

void CNoiseThresholdWnd::OnModelChange(const model::ModelChange& change) {
    using model::ChangeKind;
    if (change.kind == ChangeKind::Whole || change.kind == ChangeKind::Threshold) {
        ShowThreshold();
    }
    if (change.kind == ChangeKind::Whole || change.kind == ChangeKind::Inputs) {
        FitToInputs();
    }
    if (change.kind == ChangeKind::InputNoise) {
        const model::ToolOperations& t = mManager.Tools();
        runlog::Log("input noise value %.1f %.1f %.1f %.1f %.2f %.1f\n",
                    static_cast<double>(t.InputNoise(0)), static_cast<double>(t.InputNoise(1)),
                    static_cast<double>(t.InputNoise(2)), static_cast<double>(t.InputNoise(3)),
                    static_cast<double>(t.InputNoise(4)), static_cast<double>(t.InputNoise(5)));
        ShowMeters();
    }
}

void CNoiseThresholdWnd::OnTimer(int id) {
    runlog::Log("WM_TIMER %d\n", id);
    if (id == kMeterTimer && !mClosing) {
        mManager.Tools().PollInputNoise(mInputs);
    }
}

void CNoiseThresholdWnd::showEvent(QShowEvent* event) {
    CDialogWnd::showEvent(event);
    mClosing = false;
    if (mManager.Tools().Connected()) {
        SetTimer(kMeterTimer, kMeterPeriodMs);
    }
}

void CNoiseThresholdWnd::hideEvent(QHideEvent* event) {
    mClosing = true;
    KillTimer(kMeterTimer);
    CDialogWnd::hideEvent(event);
}

void CNoiseThresholdWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const model::UserAction action(mManager, false);
        Step(event->key() == Qt::Key_Up);
        return;
    }
    CDialogWnd::keyPressEvent(event);
}

void CNoiseThresholdWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    if (n.sender == QLatin1String(tool_controls::kValueEdt)) {
        if (n.Is(ui::notify::kReturn)) {
            Apply();
            return;
        }
        // Leaving the field takes what was typed, as the main window's fields do.
        if (n.Is(ui::notify::kKillFocus) && mValue && mValue->Edited()) {
            Apply();
            return;
        }
        if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            Step(n.Is(ui::notify::kValueChangedUp));
            return;
        }
    }
    CDialogWnd::Notify(n);
}
