#include "windows/cs_auto_wnd.h"

#include <algorithm>
#include <cmath>

#include "model/equalizer_manager.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/field_number.h"
#include "windows/msg_wnd.h"
#include "windows/tool_controls.h"

namespace {

namespace tc = tool_controls;

constexpr int kDefaultLowest = 0;
constexpr int kDefaultHighest = 200;
// In the record's order.
constexpr const char* kChoiceNames[model::AUTO_CHOICES] = {tc::kComboMode, tc::kComboFront,
                                                           tc::kComboSurround, tc::kComboSubwoofer};

QString Name(const char* format, int i) {
    return QString::asprintf(format, i);
}

// The number a "name_%d" sender ends in, or -1 when it is not one of count such controls.
int NumberOf(const QString& sender, const char* format, int count) {
    const QString prefix = QString::fromLatin1(format).section(QLatin1String("%d"), 0, 0);
    if (!sender.startsWith(prefix)) {
        return -1;
    }
    bool ok = false;
    const int i = sender.mid(prefix.size()).toInt(&ok);
    return ok && i >= 0 && i < count && sender == Name(format, i) ? i : -1;
}

int Position(float factor) {
    return static_cast<int>(std::lround(std::clamp(static_cast<double>(factor), -1e6, 1e6) * 100));
}

}  // namespace

CSAutoWnd::CSAutoWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QStringLiteral("CSAutoWnd"), QStringLiteral("csautownd"), manager) {}

int CSAutoWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CSAutoWnd::Run");
    return RunModal<CSAutoWnd>(owner, manager);
}

bool CSAutoWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    // The record names the scene it is for; that alone is not worth a send.
    mManager.Tools().SetAutoScene(mManager.Scenes().CurrentScene());
    Refresh();
    return built;
}

void CSAutoWnd::FindControls() {
    for (int i = 0; i < model::AUTO_SWITCHES; ++i) {
        mSwitches[At(i)] = Lookup<ui::CheckBox>(Name(tc::kBtnAutoFormat, i));
    }
    for (int i = 0; i < model::AUTO_FACTORS; ++i) {
        mFactors[At(i)].slider = Lookup<ui::Slider>(Name(tc::kSliderAutoFormat, i));
        mFactors[At(i)].edit = Lookup<ui::Edit>(Name(tc::kEditAutoFormat, i));
    }
    for (int which = 0; which < model::AUTO_CHOICES; ++which) {
        mChoices[At(which)] = Lookup<ui::Combo>(QString::fromLatin1(kChoiceNames[which]));
    }
    Lookup<ui::Button>(QString::fromLatin1(tc::kBtnRestoreCsAuto));
    Lookup<ui::Button>(QString::fromLatin1(tc::kConfirmBtn));
    Lookup<ui::Button>(QString::fromLatin1(tc::kCloseBtn));
}

void CSAutoWnd::Refresh() {
    const model::ToolOperations& tools = mManager.Tools();
    for (int i = 0; i < model::AUTO_SWITCHES; ++i) {
        if (ui::CheckBox* box = mSwitches[At(i)]) {
            box->SetSelected(tools.AutoSwitch(i));
        }
    }
    for (int i = 0; i < model::AUTO_FACTORS; ++i) {
        ShowFactor(i);
    }
    for (int which = 0; which < model::AUTO_CHOICES; ++which) {
        if (ui::Combo* combo = mChoices[At(which)]) {
            // A byte the list has no item for shows no item rather than a wrong one.
            if (!combo->SelectItem(tools.AutoChoice(which))) {
                combo->SelectItem(-1);
            }
        }
    }
}

void CSAutoWnd::ShowFactor(int i) {
    const float factor = mManager.Tools().AutoFactor(i);
    const Factor& f = mFactors[At(i)];
    if (f.edit) {
        f.edit->SetText(QString::asprintf("%.3f", static_cast<double>(factor)));
    }
    if (f.slider) {
        f.slider->SetValue(Position(factor));
    }
}

void CSAutoWnd::FocusField(int i) {
    if (ui::Edit* edit = mFactors[At(i)].edit) {
        edit->setFocus();
        edit->selectAll();
    }
}

double CSAutoWnd::Lowest(int i) const {
    const ui::Slider* slider = mFactors[At(i)].slider;
    return (slider ? slider->Min() : kDefaultLowest) / 100.0;
}

double CSAutoWnd::Highest(int i) const {
    const ui::Slider* slider = mFactors[At(i)].slider;
    return (slider ? slider->Max() : kDefaultHighest) / 100.0;
}

void CSAutoWnd::ApplySlider(int i, int position) {
    if (!InRange(i, model::AUTO_FACTORS)) {
        return;
    }
    const int lowest = static_cast<int>(std::lround(Lowest(i) * 100));
    const int highest = static_cast<int>(std::lround(Highest(i) * 100));
    mManager.Tools().SetAutoFactor(
        i, static_cast<float>(std::clamp(position, lowest, highest)) / 100.0f);
    ShowFactor(i);
    FocusField(i);
}

void CSAutoWnd::ApplyField(int i) {
    const ui::Edit* edit = FactorEdit(i);
    if (edit == nullptr) {
        return;
    }
    const double typed = field_number::ReadReal(edit->text());
    mManager.Tools().SetAutoFactor(i, static_cast<float>(std::clamp(typed, Lowest(i), Highest(i))));
    // Whatever was typed, the field shows what is stored.
    ShowFactor(i);
}

void CSAutoWnd::Step(int i, bool up) {
    if (!InRange(i, model::AUTO_FACTORS)) {
        return;
    }
    const ui::Slider* slider = mFactors[At(i)].slider;
    const int position = slider ? slider->Value() : Position(mManager.Tools().AutoFactor(i));
    const int lowest = static_cast<int>(std::lround(Lowest(i) * 100));
    const int highest = static_cast<int>(std::lround(Highest(i) * 100));
    if ((up && position >= highest) || (!up && position <= lowest)) {
        return;
    }
    ApplySlider(i, position + (up ? 1 : -1));
}

bool CSAutoWnd::RestoreCSAuto() {
    if (CMsgWnd::Question(this, QStringLiteral("${tips}"), QStringLiteral("${restore_cs_auto}")) !=
        1) {
        return false;
    }
    mManager.Tools().RestoreAutoSetting();
    Refresh();
    return true;
}

void CSAutoWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind == model::ChangeKind::Whole || change.kind == model::ChangeKind::AutoSetting) {
        Refresh();
    }
}

void CSAutoWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        CDialogWnd::Notify(n);
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    if (const int i = NumberOf(n.sender, tc::kBtnAutoFormat, model::AUTO_SWITCHES); i >= 0) {
        if (n.Is(ui::notify::kSelectChanged)) {
            mManager.Tools().SetAutoSwitch(i, n.arg != 0);
        }
        return;
    }
    if (const int i = NumberOf(n.sender, tc::kSliderAutoFormat, model::AUTO_FACTORS); i >= 0) {
        if (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) {
            ApplySlider(i, n.arg);
        }
        return;
    }
    if (const int i = NumberOf(n.sender, tc::kEditAutoFormat, model::AUTO_FACTORS); i >= 0) {
        if (n.Is(ui::notify::kReturn)) {
            ApplyField(i);
        } else if (n.Is(ui::notify::kKillFocus)) {
            // Passing through a field is no edit: only what was typed is applied.
            if (const ui::Edit* edit = FactorEdit(i); edit && edit->Edited()) {
                ApplyField(i);
            }
        } else if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            Step(i, n.Is(ui::notify::kValueChangedUp));
        }
        return;
    }
    for (int which = 0; which < model::AUTO_CHOICES; ++which) {
        if (n.Is(ui::notify::kItemSelect, kChoiceNames[which])) {
            mManager.Tools().SetAutoChoice(which, n.arg);
            return;
        }
    }
    if (n.Is(ui::notify::kClick, tc::kBtnRestoreCsAuto)) {
        RestoreCSAuto();
        return;
    }
    CDialogWnd::Notify(n);
}
