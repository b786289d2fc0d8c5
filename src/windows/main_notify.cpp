// The main window's notifications, each turned into one operation of the manager.

#include <QByteArray>

#include <algorithm>
#include <array>

#include "model/eq_operations.h"
#include "shell/markers.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "windows/main_controls.h"
#include "windows/main_view.h"
#include "windows/main_wnd.h"
#include "windows/mem_wr_wnd.h"

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
constexpr std::array<const char*, 3> kBandFields = {
    main_controls::kEqFreqFormat, main_controls::kEqQFormat, main_controls::kEqGainFormat};

bool IsBandField(const QString& name) {
    return name.startsWith(main_controls::kEqFreqPrefix) ||
           name.startsWith(main_controls::kEqQPrefix) ||
           name.startsWith(main_controls::kEqGainPrefix);
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
    if (s == main_controls::kBtnConnect) {
        Connect(true);
    } else if (s == main_controls::kBtnOption) {
        ShowOptionMenu();
    } else if (s == main_controls::kBtnScene) {
        ShowSceneMenu();
    } else if (s == main_controls::kBtnAdvance) {
        ShowAdvanceMenu();
    } else if (s == main_controls::kBtnDebug) {
        // The button shows only in service mode; the marker may have gone since.
        if (shell::DebugMarkerPresent()) {
            CMemWrWnd::Run(this, *mManager);
        }
    } else if (s.startsWith(main_controls::kChOutputBtnPrefix)) {
        ShowOutputMenu(index);
    } else if (s == main_controls::kBtnAmpOnoff) {
        in.ToggleAmp();
    } else if (s == main_controls::kBtnRemOut1Onoff) {
        in.ToggleRemOut1();
    } else if (s == main_controls::kBtnRemOut2Onoff) {
        in.ToggleRemOut2();
    } else if (s == main_controls::kBtn2OhmSpk) {
        in.ToggleSpkOhm();
    } else if (s == main_controls::kBtnNoiseGate) {
        in.ToggleNoiseGate();
    } else if (s == main_controls::kBtnResetOutput) {
        out.SetOutputReset();
    } else if (s == main_controls::kBtnLockOutput) {
        out.SetOutpuLock();
    } else if (s == main_controls::kBtnLinkOutput) {
        out.SetOutputLink();
    } else if (s == main_controls::kBtnUndo) {
        mManager->Undo();
    } else if (s == main_controls::kBtnRedo) {
        mManager->Redo();
    } else if (s == main_controls::kBtnAb) {
        mManager->AB().Switch();
    } else if (s == main_controls::kBtnResetLink) {
        out.ResetLinks();
    } else if (s.startsWith(main_controls::kChEnablePrefix)) {
        out.SetCurChannelChange(index);
    } else if (s.startsWith(main_controls::kChBridgePrefix)) {
        ToggleBridge(index);
    } else if (s.startsWith(main_controls::kSpeakerPrefix)) {
        out.SetSpeakerFocus(index);
    } else if (s == main_controls::kBtnResetEq) {
        mManager->Eq().SetOutputEqReset();
    } else if (s == main_controls::kBtnBypass) {
        mManager->Eq().SetOutputBypass();
    } else if (s == main_controls::kBtnArgEq) {
        mManager->Eq().ToggleEqMode();
    } else if (s == main_controls::kBtnDelayDown || s == main_controls::kBtnDelayUp) {
        out.SetFocusedSpeakerDelayUp(s == main_controls::kBtnDelayUp);
    } else if (s == main_controls::kWebBtn1 || s == main_controls::kBtnIrc) {
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
    if (s.startsWith(main_controls::kPageTabPrefix)) {
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
    if (s.startsWith(main_controls::kPtEnablePrefix)) {
        mManager->Eq().OnEqEnable(index);
    } else if (s.startsWith(main_controls::kBridgeCheckboxPrefix)) {
        ToggleBridge(index);
    } else if (s.startsWith(main_controls::kChShowPrefix)) {
        out.SetShowCurve(index, on);
    } else if (s == main_controls::kCheckSumCurves) {
        mView->ShowSum(on);
    } else if (s == main_controls::kChMute) {
        out.SetChMute(current, on);
    } else if (s.startsWith(main_controls::kChMutePrefix)) {
        out.SetChMute(index, on);
    } else if (s == main_controls::kChPhase) {
        out.SetChPhase(current, on);
    } else if (s.startsWith(main_controls::kChPhasePrefix)) {
        out.SetChPhase(index, on);
    } else if (s.startsWith(main_controls::kChSoloPrefix)) {
        out.SetChSolo(index, on);
    } else if (s.startsWith(main_controls::kChSynchronizePrefix)) {
        out.ToggleLinkGroup(index);
    } else if (s.startsWith(main_controls::kDelayLinkPrefix)) {
        // The box only opens the menu; its look follows the chosen group.
        mView->OnOutputChanged(index);
        ShowDelayLinkMenu(index);
    } else if (s == main_controls::kMainMute) {
        mManager->Inputs().SetMainMute(on);
    } else if (s.startsWith(main_controls::kOptionChInPrefix)) {
        int input = -1;
        int output = -1;
        if (std::sscanf(s.toLatin1().constData(), main_controls::kOptionChInFormat, &input,
                        &output) == 2) {
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
    if (s == main_controls::kSliderMainVolume) {
        mManager->Inputs().SetMainVolumeSlider(value);
    } else if (s == main_controls::kSliderAcc) {
        mManager->Inputs().SetAccSlider(value);
    } else if (s == main_controls::kSliderChVolume ||
               s.startsWith(main_controls::kSliderChVolumePrefix)) {
        const int output =
            s == main_controls::kSliderChVolume ? mManager->State().live.currOutChannel : index;
        runlog::Log("on volume silder %s valuechanged index %d\n", s.toUtf8().constData(), output);
        mManager->Outputs().SetChVolume(output, value, true);
    } else if (s.startsWith(main_controls::kEqSliderPrefix)) {
        runlog::Log("on eq silder %s valuechanged index %d value %d\n", s.toUtf8().constData(),
                    index, value);
        if (!mManager->Eq().SetChEqSlider(index, value)) {
            mView->ShowBands();
        }
    } else if (s.startsWith(main_controls::kSliderChDelayPrefix)) {
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
    if (s == main_controls::kEditMainVolume) {
        mManager->Inputs().SetMainVolumeUp(up);
    } else if (s == main_controls::kEditAcc) {
        mManager->Inputs().SetAccUp(up);
    } else if (s == main_controls::kEditChVolume) {
        out.SetChVolumeUp(mManager->State().live.currOutChannel, up);
    } else if (s.startsWith(main_controls::kEditChVolumePrefix)) {
        out.SetChVolumeUp(index, up);
    } else if (s.startsWith(main_controls::kEditChDelayPrefix)) {
        out.SetChDelayUp(index, up);
    } else if (s.startsWith(main_controls::kSpkDelayPrefix)) {
        out.SetSpeakerDelayUp(index, up);
    } else if (s.startsWith(main_controls::kEqFreqPrefix)) {
        mManager->Eq().SetEqFreqUp(index, up);
    } else if (s.startsWith(main_controls::kEqQPrefix)) {
        mManager->Eq().SetEqQUp(index, up);
    } else if (s.startsWith(main_controls::kEqGainPrefix)) {
        mManager->Eq().SetEqGainUp(index, up);
    } else if (s == main_controls::kHpFreq) {
        mManager->Eq().SetHpFreqUp(up);
    } else if (s == main_controls::kLpFreq) {
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
    const bool ours = s == main_controls::kEditMainVolume || s == main_controls::kEditAcc ||
                      s.startsWith(main_controls::kEditChDelayPrefix) ||
                      s.startsWith(main_controls::kEditChVolume) ||
                      s.startsWith(main_controls::kSpkDelayPrefix) || s == main_controls::kHpFreq ||
                      s == main_controls::kLpFreq;
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
    if (s == main_controls::kEditMainVolume) {
        if (!in.SetMainVolumeEdit(text, OffText())) {
            mView->OnGlobalsChanged();
        }
    } else if (s == main_controls::kEditAcc) {
        if (!in.SetAccEdit(text, OffText())) {
            mView->OnGlobalsChanged();
        }
    } else if (s.startsWith(main_controls::kEditChDelayPrefix)) {
        if (!out.SetChDelayEdit(index, text)) {
            mView->OnOutputChanged(index);
        }
    } else if (s.startsWith(main_controls::kEditChVolume)) {
        const int output =
            s == main_controls::kEditChVolume ? mManager->State().live.currOutChannel : index;
        if (!out.SetChVolumeEdit(output, text, OffText())) {
            mView->OnOutputChanged(output);
        }
    } else if (s.startsWith(main_controls::kSpkDelayPrefix)) {
        if (onReturn && !out.SetSpeakerDelayEdit(index, text)) {
            mView->OnSpeakerMapChanged();
        }
    } else if (s == main_controls::kHpFreq || s == main_controls::kLpFreq) {
        const bool taken = s == main_controls::kHpFreq ? mManager->Eq().SetHpFreqEdit(text)
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
    if (!mManager->Eq().SetChEqEdit(band, text(main_controls::kEqFreqFormat),
                                    text(main_controls::kEqQFormat),
                                    text(main_controls::kEqGainFormat))) {
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
    if (s.startsWith(main_controls::kEditChVolumePrefix) && IsOutput(n.Index())) {
        next = QString::asprintf(main_controls::kEditChVolumeFormat, (n.Index() + step) % kOutputs);
    } else if (s.startsWith(main_controls::kEditChDelayPrefix) && IsOutput(n.Index())) {
        next = QString::asprintf(main_controls::kEditChDelayFormat, (n.Index() + step) % kOutputs);
    } else if (IsBandField(s)) {
        FocusBandField(s, n.Index(), right ? 1 : -1);
        return true;
    } else if (s == main_controls::kHpFreq) {
        next = right ? main_controls::kLpFreq : main_controls::kEditMainVolume;
    } else if (s == main_controls::kLpFreq) {
        next = right ? main_controls::kEditMainVolume : main_controls::kHpFreq;
    } else if (s == main_controls::kEditMainVolume) {
        next = right ? main_controls::kHpFreq : main_controls::kLpFreq;
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
    const bool delayField = s.startsWith(main_controls::kEditChDelayPrefix) ||
                            s.startsWith(main_controls::kSliderChDelayPrefix);
    if (!delayField) {
        runlog::Log("on mSliderChDelay SetVisible false\n");
    }
    mView->ShowDelaySlider(delayField ? index : -1);
    if (IsBandField(s)) {
        runlog::Log("on eq %s setfocus index %d\n", s.toUtf8().constData(), index);
        mManager->Eq().UpdateEqualizer(index);
    } else if (s.startsWith(main_controls::kSpkDelayPrefix)) {
        mManager->Outputs().SetSpeakerFocus(index);
    } else if (IsOutput(index) && (s.startsWith(main_controls::kEditChVolumePrefix) || delayField ||
                                   s.startsWith(main_controls::kSliderChVolumePrefix))) {
        mManager->Outputs().SetCurChannelChange(index);
    }
}

bool CMainWnd::OnItemSelect(const ui::Notification& n) {
    const QString& s = n.sender;
    runlog::Log("on %s DUI_MSGTYPE_ITEMSELECT\n", s.toUtf8().constData());
    if (s == main_controls::kCombChUnit) {
        mManager->Outputs().SetDelayUnit(n.arg);
    } else if (s == main_controls::kBtnInputSource) {
        mManager->Inputs().SetInputSource(n.arg, mConnectButton && mConnectButton->IsSelected());
    } else if (s == main_controls::kHpType || s == main_controls::kLpType) {
        const std::string item = Utf8(ComboText(n));
        if (s == main_controls::kHpType) {
            mManager->Eq().SetHpType(n.arg, item);
        } else {
            mManager->Eq().SetLpType(n.arg, item);
        }
    } else if (s == main_controls::kHpSlop || s == main_controls::kLpSlop) {
        const std::string item = Utf8(ComboText(n));
        const bool taken = s == main_controls::kHpSlop ? mManager->Eq().SetHpSlope(n.arg, item)
                                                       : mManager->Eq().SetLpSlope(n.arg, item);
        if (!taken) {
            mView->ShowCrossover();
        }
    } else if (s == main_controls::kBtnChannelSelect) {
        // Nothing: the channel is chosen by its own buttons.
    } else {
        return false;
    }
    return true;
}

void CMainWnd::ShowPage(const QString& tab) {
    const QString page = QString::fromLatin1(main_controls::kPagePrefix) +
                         tab.mid(int(sizeof(main_controls::kPageTabPrefix) - 1));
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.startsWith(main_controls::kPagePrefix) &&
            !name.startsWith(main_controls::kPageTabPrefix)) {
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
