#include "windows/poweroff_delay_wnd.h"

#include <QKeyEvent>

#include <algorithm>
#include <optional>
#include <string>

#include "model/equalizer_manager.h"
#include "model/tool_operations.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/tool_controls.h"
#include "windows/undo_shortcuts.h"

CPowerOffDelayWnd::CPowerOffDelayWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("PowerOffDelayWnd"), QStringLiteral("poweroffdelaywnd"),
                manager) {}

int CPowerOffDelayWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CPowerOffDelayWnd::Run");
    return RunModal<CPowerOffDelayWnd>(owner, manager);
}

bool CPowerOffDelayWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    ShowDelay();
    return built;
}

void CPowerOffDelayWnd::ShowDelay() {
    const int ms = mManager.Tools().PowerOffDelay();
    if (mValue) {
        mValue->SetText(QString::asprintf("%d ms", ms));
    }
    if (mSlider) {
        mSlider->SetValue(ms);
    }
}

void CPowerOffDelayWnd::FocusField() {
    if (mValue) {
        mValue->setFocus();
        mValue->selectAll();
    }
}

void CPowerOffDelayWnd::Apply() {
    if (mValue == nullptr) {
        return;
    }
    const std::string text = mValue->text().toStdString();
    runlog::Log("CPowerOffDelayWnd apply %s\n", text.c_str());
    // Not a number keeps the stored delay.
    mManager.Tools().SetPowerOffDelayEdit(text);
    ShowDelay();
    FocusField();
}

void CPowerOffDelayWnd::Step(bool up) {
    model::ToolOperations& tools = mManager.Tools();
    int current = tools.PowerOffDelay();
    if (mValue) {
        if (const std::optional<int> typed =
                model::ParseUnitInteger(mValue->text().toStdString(), "ms")) {
            current = std::clamp(*typed, model::MIN_POWER_OFF_DELAY, model::MAX_POWER_OFF_DELAY);
        }
    }
    tools.SetPowerOffDelay(current + (up ? 1 : -1));
    ShowDelay();
    FocusField();
}

void CPowerOffDelayWnd::OnSlider(int value) {
    mManager.Tools().SetPowerOffDelay(value);
    ShowDelay();
}

void CPowerOffDelayWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Whole ||
        change.kind == model::ChangeKind::PowerOffDelay) {
        ShowDelay();
    }
}

void CPowerOffDelayWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const model::UserAction action(mManager, false);
        Step(event->key() == Qt::Key_Up);
        return;
    }
    CDialogWnd::keyPressEvent(event);
}

void CPowerOffDelayWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mValue = Lookup<ui::Edit>(QString::fromLatin1(tool_controls::kValueEdt));
        mSlider = Lookup<ui::Slider>(QString::fromLatin1(tool_controls::kSliderPoweroffDelay));
        Lookup<ui::Button>(QString::fromLatin1(tool_controls::kConfirmBtn));
        Lookup<ui::Button>(QString::fromLatin1(tool_controls::kCancelBtn));
        AddUndoShortcuts(*this, mManager);
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    if (n.sender == QLatin1String(tool_controls::kValueEdt)) {
        if (n.Is(ui::notify::kReturn) ||
            (n.Is(ui::notify::kKillFocus) && mValue && mValue->Edited())) {
            Apply();
            return;
        }
        if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            Step(n.Is(ui::notify::kValueChangedUp));
            return;
        }
    } else if (n.sender == QLatin1String(tool_controls::kSliderPoweroffDelay) &&
               (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged))) {
        OnSlider(n.arg);
        return;
    } else if (n.Is(ui::notify::kClick, tool_controls::kConfirmBtn)) {
        Apply();
    }
    CDialogWnd::Notify(n);
}
