// The main window's notifications, each turned into one operation of the manager.

#include <QByteArray>

#include <algorithm>
#include <array>

#include "controls.h"
#include "eq_operations.h"
#include "main_view.h"
#include "main_wnd.h"
#include "resources.h"
#include "run_log.h"

namespace {

constexpr int kOutputs = model::OUTPUT_CHANNELS;

std::string Utf8(const QString& s) {
    return s.toUtf8().toStdString();
}

// The resolved "${off}", which a volume field shows at the bottom of its range.
std::string OffText() {
    return Utf8(ui::ResolveText(QStringLiteral("${off}")));
}

QString FieldText(const ui::Notification& n) {
    if (auto* edit = qobject_cast<ui::Edit*>(n.control)) {
        return edit->text();
    }
    return QString();
}

QString ComboText(const ui::Notification& n) {
    auto* combo = qobject_cast<ui::Combo*>(n.control);
    return combo ? combo->ItemText(n.arg) : QString();
}

// The three edits of a band row.
constexpr std::array<const char*, 3> kBandFields = {"eq_freq_%d", "eq_q_%d", "eq_gain_%d"};

bool IsBandField(const QString& name) {
    return name.startsWith("eq_freq_") || name.startsWith("eq_q_") || name.startsWith("eq_gain_");
}

bool IsOutput(int index) {
    return index >= 0 && index < kOutputs;
}

}  // namespace

void CMainWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        InitWindow();
        return;
    }
    // What this notification changes is one undo step; a drag's steps end with its release.
    const model::UserAction action(*mManager, n.InGesture());
    bool handled = false;
    if (n.Is(ui::notify::kClick)) {
        runlog::Log("Notify %s\n", n.sender.toUtf8().constData());
        handled = OnClick(n);
    } else if (n.Is(ui::notify::kSelectChanged)) {
        handled = OnSelectChanged(n);
    } else if (n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) {
        handled = OnValueChanged(n);
    } else if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
        handled = OnSpinStep(n, n.Is(ui::notify::kValueChangedUp));
    } else if (n.Is(ui::notify::kReturn) || n.Is(ui::notify::kKillFocus)) {
        handled = OnEditCommit(n, n.Is(ui::notify::kReturn));
    } else if (n.Is(ui::notify::kValueChangedLeft) || n.Is(ui::notify::kValueChangedRight)) {
        handled = OnEditNeighbour(n, n.Is(ui::notify::kValueChangedRight));
    } else if (n.Is(ui::notify::kSetFocus)) {
        OnEditFocus(n);
    } else if (n.Is(ui::notify::kItemSelect)) {
        handled = OnItemSelect(n);
    } else if (n.type.startsWith("equalizer_")) {
        mView->OnGraphDrag(n.type, n.arg);
        handled = true;
    } else if (n.Is(ui::notify::kWindowSize)) {
        mView->OnCurvesChanged();
    } else if (n.Is(ui::notify::kItemClick)) {
        OnMenuItem(n);
        handled = true;
    }
    if (!handled) {
        ui::Window::Notify(n);
    }
}

bool CMainWnd::OnClick(const ui::Notification& n) {
    model::OutputOperations& out = mManager->Outputs();
    model::InputOperations& in = mManager->Inputs();
    const QString& s = n.sender;
    const int index = n.Index();
    if (s == "btnConnect") {
        Connect(true);
    } else if (s == "btn_option") {
        ShowOptionMenu();
    } else if (s == "btn_scene") {
        ShowSceneMenu();
    } else if (s == "btn_advance") {
        ShowAdvanceMenu();
    } else if (s.startsWith("ch_output_btn")) {
        ShowOutputMenu(index);
    } else if (s == "btn_amp_onoff") {
        in.ToggleAmp();
    } else if (s == "btn_rem_out1_onoff") {
        in.ToggleRemOut1();
    } else if (s == "btn_rem_out2_onoff") {
        in.ToggleRemOut2();
    } else if (s == "btn_2ohm_spk") {
        in.ToggleSpkOhm();
    } else if (s == "btn_noise_gate") {
        in.ToggleNoiseGate();
    } else if (s == "btn_reset_output") {
        out.SetOutputReset();
    } else if (s == "btn_lock_output") {
        out.SetOutpuLock();
    } else if (s == "btn_link_output") {
        out.SetOutputLink();
    } else if (s == "btn_undo") {
        mManager->Undo();
    } else if (s == "btn_redo") {
        mManager->Redo();
    } else if (s == "btn_reset_link") {
        out.ResetLinks();
    } else if (s.startsWith("ch_enable_")) {
        out.SetCurChannelChange(index);
    } else if (s.startsWith("ch_bridge_")) {
        ToggleBridge(index);
    } else if (s.startsWith("speaker_")) {
        out.SetSpeakerFocus(index);
    } else if (s == "btn_reset_eq") {
        mManager->Eq().SetOutputEqReset();
    } else if (s == "btn_bypass") {
        mManager->Eq().SetOutputBypass();
    } else if (s == "btn_arg_eq") {
        mManager->Eq().ToggleEqMode();
    } else if (s == "btn_delay_down" || s == "btn_delay_up") {
        out.SetFocusedSpeakerDelayUp(s == "btn_delay_up");
    } else if (s == "web_btn_1" || s == "btn_irc") {
        // No address in this build, and nothing behind the button.
    } else {
        return false;
    }
    return true;
}

void CMainWnd::ToggleBridge(int pair) {
    if (pair >= 0 && pair < model::BRIDGE_PAIRS) {
        const bool on = mManager->State().live.bridgeOutputs[static_cast<size_t>(pair)] == 0;
        mManager->Outputs().SetBridge(pair, on, true, true);
    }
}

bool CMainWnd::OnSelectChanged(const ui::Notification& n) {
    const QString& s = n.sender;
    const int index = n.Index();
    const bool on = n.arg != 0;
    if (s.startsWith("page_tab_")) {
        if (on) {
            ShowPage(s);
        }
        return true;
    }
    runlog::Log("on option %s DUI_MSGTYPE_SELECTCHANGED index %d\n", s.toUtf8().constData(), index);
    model::OutputOperations& out = mManager->Outputs();
    const int current = mManager->State().live.currOutChannel;
    // These check boxes act like buttons: the operation decides the new state, and the view
    // sets the box from the model afterwards.
    if (s.startsWith("pt_enable_")) {
        mManager->Eq().OnEqEnable(index);
    } else if (s.startsWith("bridge_checkbox_")) {
        ToggleBridge(index);
    } else if (s.startsWith("ch_show_")) {
        out.SetShowCurve(index, on);
    } else if (s == "ch_mute") {
        out.SetChMute(current, on);
    } else if (s.startsWith("ch_mute_")) {
        out.SetChMute(index, on);
    } else if (s == "ch_phase") {
        out.SetChPhase(current, on);
    } else if (s.startsWith("ch_phase_")) {
        out.SetChPhase(index, on);
    } else if (s.startsWith("ch_solo_")) {
        out.SetChSolo(index, on);
    } else if (s.startsWith("ch_synchronize_")) {
        out.ToggleLinkGroup(index);
    } else if (s.startsWith("delay_link_")) {
        // The box only opens the menu; its look follows the chosen group.
        mView->OnOutputChanged(index);
        ShowDelayLinkMenu(index);
    } else if (s == "main_mute") {
        mManager->Inputs().SetMainMute(on);
    } else if (s.startsWith("option_ch_in")) {
        int input = -1;
        int output = -1;
        if (std::sscanf(s.toLatin1().constData(), "option_ch_in%d_%d", &input, &output) == 2) {
            mManager->Inputs().SetInputIn(input, output, on);
        }
    } else {
        return false;
    }
    return true;
}

bool CMainWnd::OnValueChanged(const ui::Notification& n) {
    const QString& s = n.sender;
    const int index = n.Index();
    const int value = n.arg;
    if (s == "slider_main_volume") {
        mManager->Inputs().SetMainVolumeSlider(value);
    } else if (s == "slider_acc") {
        mManager->Inputs().SetAccSlider(value);
    } else if (s == "slider_ch_volume" || s.startsWith("slider_ch_volume_")) {
        const int output = s == "slider_ch_volume" ? mManager->State().live.currOutChannel : index;
        runlog::Log("on volume silder %s valuechanged index %d\n", s.toUtf8().constData(), output);
        mManager->Outputs().SetChVolume(output, value, true);
    } else if (s.startsWith("eq_slider_")) {
        runlog::Log("on eq silder %s valuechanged index %d value %d\n", s.toUtf8().constData(),
                    index, value);
        if (!mManager->Eq().SetChEqSlider(index, value)) {
            mView->ShowBands();
        }
    } else if (s.startsWith("slider_ch_delay_")) {
        runlog::Log("on delay silder %s valuechanged index %d\n", s.toUtf8().constData(), index);
        mManager->Outputs().SetChDelaySlider(index, value);
    } else {
        return false;
    }
    return true;
}

bool CMainWnd::OnSpinStep(const ui::Notification& n, bool up) {
    const QString& s = n.sender;
    const int index = n.Index();
    model::OutputOperations& out = mManager->Outputs();
    if (s == "edit_main_volume") {
        mManager->Inputs().SetMainVolumeUp(up);
    } else if (s == "edit_acc") {
        mManager->Inputs().SetAccUp(up);
    } else if (s == "edit_ch_volume") {
        out.SetChVolumeUp(mManager->State().live.currOutChannel, up);
    } else if (s.startsWith("edit_ch_volume_")) {
        out.SetChVolumeUp(index, up);
    } else if (s.startsWith("edit_ch_delay_")) {
        out.SetChDelayUp(index, up);
    } else if (s.startsWith("spk_delay_")) {
        out.SetSpeakerDelayUp(index, up);
    } else if (s.startsWith("eq_freq_")) {
        mManager->Eq().SetEqFreqUp(index, up);
    } else if (s.startsWith("eq_q_")) {
        mManager->Eq().SetEqQUp(index, up);
    } else if (s.startsWith("eq_gain_")) {
        mManager->Eq().SetEqGainUp(index, up);
    } else if (s == "hp_freq") {
        mManager->Eq().SetHpFreqUp(up);
    } else if (s == "lp_freq") {
        mManager->Eq().SetLpFreqUp(up);
    } else {
        return false;
    }
    return true;
}

bool CMainWnd::OnEditCommit(const ui::Notification& n, bool onReturn) {
    const QString& s = n.sender;
    const int index = n.Index();
    const std::string text = Utf8(FieldText(n));
    model::OutputOperations& out = mManager->Outputs();
    model::InputOperations& in = mManager->Inputs();
    if (IsBandField(s)) {
        return OnBandFieldCommit(n, onReturn);
    }
    const bool ours = s == "edit_main_volume" || s == "edit_acc" ||
                      s.startsWith("edit_ch_delay_") || s.startsWith("edit_ch_volume") ||
                      s.startsWith("spk_delay_") || s == "hp_freq" || s == "lp_freq";
    if (!ours) {
        return false;
    }
    if (onReturn) {
        runlog::Log("on edit %s DUI_MSGTYPE_RETURN\n", s.toUtf8().constData());
    } else {
        runlog::Log("on %s DUI_MSGTYPE_KILLFOCUS\n", s.toUtf8().constData());
    }
    // A field nobody typed into shows the model's value already; committing its text could
    // only write back a value that has since changed.
    if (auto* edit = qobject_cast<ui::Edit*>(n.control); edit && !edit->Edited()) {
        return true;
    }
    // A field the operation refuses (not a number) shows its value again.
    if (s == "edit_main_volume") {
        if (!in.SetMainVolumeEdit(text, OffText())) {
            mView->OnGlobalsChanged();
        }
    } else if (s == "edit_acc") {
        if (!in.SetAccEdit(text, OffText())) {
            mView->OnGlobalsChanged();
        }
    } else if (s.startsWith("edit_ch_delay_")) {
        if (!out.SetChDelayEdit(index, text)) {
            mView->OnOutputChanged(index);
        }
    } else if (s.startsWith("edit_ch_volume")) {
        const int output = s == "edit_ch_volume" ? mManager->State().live.currOutChannel : index;
        if (!out.SetChVolumeEdit(output, text, OffText())) {
            mView->OnOutputChanged(output);
        }
    } else if (s.startsWith("spk_delay_")) {
        if (onReturn && !out.SetSpeakerDelayEdit(index, text)) {
            mView->OnSpeakerMapChanged();
        }
    } else if (s == "hp_freq" || s == "lp_freq") {
        const bool taken = s == "hp_freq" ? mManager->Eq().SetHpFreqEdit(text)
                                          : mManager->Eq().SetLpFreqEdit(text);
        if (!taken) {
            mView->ShowCrossover();
        }
    }
    return true;
}

bool CMainWnd::OnBandFieldCommit(const ui::Notification& n, bool onReturn) {
    const int band = n.Index();
    if (onReturn) {
        // Moving on commits the field through its focus loss.
        runlog::Log("on edit %s DUI_MSGTYPE_RETURN\n", n.sender.toUtf8().constData());
        FocusBandField(n.sender, band, 1);
        return true;
    }
    runlog::Log("on eq %s killfocus index %d\n", n.sender.toUtf8().constData(), band);
    auto field = [&](const char* pattern) {
        return FindControl<ui::Edit>(QString::asprintf(pattern, band));
    };
    auto text = [&](const char* pattern) {
        auto* edit = field(pattern);
        return edit ? Utf8(edit->text()) : std::string();
    };
    // Tabbing through a row changes nothing (it would switch a disabled band on).
    const bool edited = std::any_of(kBandFields.begin(), kBandFields.end(), [&](const char* p) {
        auto* edit = field(p);
        return edit && edit->Edited();
    });
    if (!edited) {
        return true;
    }
    if (!mManager->Eq().SetChEqEdit(band, text("eq_freq_%d"), text("eq_q_%d"),
                                    text("eq_gain_%d"))) {
        mView->ShowBands();
    }
    return true;
}

void CMainWnd::FocusBandField(const QString& sender, int band, int step) {
    const model::ProfileRecord& live = mManager->State().live;
    const int count = model::BandCountOf(live, live.currOutChannel);
    if (count <= 0 || band < 0) {
        return;
    }
    const QString kind = sender.left(sender.lastIndexOf('_') + 1);
    const int next = ((band + step) % count + count) % count;
    if (QWidget* w = FindWidget(kind + QString::number(next)); w && w->isEnabled()) {
        w->setFocus();
    }
}

bool CMainWnd::OnEditNeighbour(const ui::Notification& n, bool right) {
    const QString& s = n.sender;
    runlog::Log(right ? "on edit %s DUI_MSGTYPE_VALUECHANGED_RIGHT\n"
                      : "on edit %s DUI_MSGTYPE_VALUECHANGED_LEFT\n",
                s.toUtf8().constData());
    QString next;
    const int step = right ? 1 : kOutputs - 1;
    if (s.startsWith("edit_ch_volume_") && IsOutput(n.Index())) {
        next = QStringLiteral("edit_ch_volume_%1").arg((n.Index() + step) % kOutputs);
    } else if (s.startsWith("edit_ch_delay_") && IsOutput(n.Index())) {
        next = QStringLiteral("edit_ch_delay_%1").arg((n.Index() + step) % kOutputs);
    } else if (IsBandField(s)) {
        FocusBandField(s, n.Index(), right ? 1 : -1);
        return true;
    } else if (s == "hp_freq") {
        next = right ? "lp_freq" : "edit_main_volume";
    } else if (s == "lp_freq") {
        next = right ? "edit_main_volume" : "hp_freq";
    } else if (s == "edit_main_volume") {
        next = right ? "hp_freq" : "lp_freq";
    } else {
        return false;
    }
    if (QWidget* w = FindWidget(next); w && w->isVisible() && w->isEnabled()) {
        w->setFocus();
    }
    return true;
}

void CMainWnd::OnEditFocus(const ui::Notification& n) {
    const QString& s = n.sender;
    const int index = n.Index();
    runlog::Log("on %s DUI_MSGTYPE_SETFOCUS\n", s.toUtf8().constData());
    const bool delayField = s.startsWith("edit_ch_delay_") || s.startsWith("slider_ch_delay_");
    if (!delayField) {
        runlog::Log("on mSliderChDelay SetVisible false\n");
    }
    mView->ShowDelaySlider(delayField ? index : -1);
    if (IsBandField(s)) {
        runlog::Log("on eq %s setfocus index %d\n", s.toUtf8().constData(), index);
        mManager->Eq().UpdateEqualizer(index);
    } else if (s.startsWith("spk_delay_")) {
        mManager->Outputs().SetSpeakerFocus(index);
    } else if (IsOutput(index) && (s.startsWith("edit_ch_volume_") || delayField ||
                                   s.startsWith("slider_ch_volume_"))) {
        mManager->Outputs().SetCurChannelChange(index);
    }
}

bool CMainWnd::OnItemSelect(const ui::Notification& n) {
    const QString& s = n.sender;
    runlog::Log("on %s DUI_MSGTYPE_ITEMSELECT\n", s.toUtf8().constData());
    if (s == "comb_ch_unit") {
        mManager->Outputs().SetDelayUnit(n.arg);
    } else if (s == "btn_input_source") {
        mManager->Inputs().SetInputSource(n.arg, mConnectButton && mConnectButton->IsSelected());
    } else if (s == "hp_type" || s == "lp_type") {
        const std::string item = Utf8(ComboText(n));
        if (s == "hp_type") {
            mManager->Eq().SetHpType(n.arg, item);
        } else {
            mManager->Eq().SetLpType(n.arg, item);
        }
    } else if (s == "hp_slop" || s == "lp_slop") {
        const std::string item = Utf8(ComboText(n));
        const bool taken = s == "hp_slop" ? mManager->Eq().SetHpSlope(n.arg, item)
                                          : mManager->Eq().SetLpSlope(n.arg, item);
        if (!taken) {
            mView->ShowCrossover();
        }
    } else if (s == "btn_channel_select") {
        // Nothing: the channel is chosen by its own buttons.
    } else {
        return false;
    }
    return true;
}

void CMainWnd::ShowPage(const QString& tab) {
    const QString page = QStringLiteral("page_") + tab.mid(int(sizeof("page_tab_") - 1));
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.startsWith("page_") && !name.startsWith("page_tab_")) {
            w->setVisible(name == page);
        }
    }
}

void CMainWnd::OnTimer(int id) {
    if (id != kGetMainVolumeTimer) {
        ui::Window::OnTimer(id);
        return;
    }
    const int count = mView->MainVolumePollCount();
    runlog::Log("GET_MAIN_VOLUME_TIMER, getMainVolumeTimer=%d\n", count);
    if (count > 0) {
        mManager->Inputs().PollMainVolume();
        mView->SetMainVolumePollCount(count - 1);
    } else {
        KillTimer(kGetMainVolumeTimer);
    }
}
