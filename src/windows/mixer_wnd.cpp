#include "windows/mixer_wnd.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "model/equalizer_manager.h"
#include "model/links.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "windows/mixer_controls.h"
#include "windows/undo_shortcuts.h"

namespace {

// Setting a slider or a box from code may come back as the user's change.
bool gInVolChanged = false;

// Sources with a channel-name area of their own.
constexpr int kAuxSource = 3;
constexpr int kLowLevelSource = 4;
constexpr int kHighLevelSource = 5;
// Layouts may carry more columns than the amplifier has outputs.
constexpr int kLayoutColumns = 16;

// The source's name as a text key, as the source combo names it.
QString SourceNameKey(int source) {
    const std::string_view item = model::SourceComboItem(source);
    return QStringLiteral("${") +
           QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size())) +
           QStringLiteral("}");
}

QString Name(const char* format, int a) {
    return QString::asprintf(format, a);
}
QString Name(const char* format, int a, int b) {
    return QString::asprintf(format, a, b);
}

// "box_edit_<output>_<row>": the two numbers after the prefix; false when they are not there.
bool CellOf(const QString& sender, const char* prefix, int& output, int& row) {
    const QStringList parts = sender.mid(static_cast<qsizetype>(qstrlen(prefix))).split('_');
    bool okOutput = false;
    bool okRow = false;
    if (parts.size() != 2) {
        return false;
    }
    output = parts[0].toInt(&okOutput);
    row = parts[1].toInt(&okRow);
    return okOutput && okRow;
}

// A typed integer at the start of a field ("12dB" reads 12); 0 when there is none.
int ReadInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == '-' || t[end] == '+')) {
        ++end;
    }
    while (end < t.size() && t[end].isDigit() && end < 9) {
        ++end;
    }
    return t.left(end).toInt();
}

}  // namespace

CMixerWnd::CMixerWnd(QWidget* owner, model::EqualizerManager& manager)
    : CModelWnd(owner, QString::fromLatin1(kClassName), QStringLiteral("mixerwnd"), manager) {}

CMixerWnd::~CMixerWnd() {
    KillTimer(STATUS_READ_TIMER);
}

int CMixerWnd::Run(QWidget* owner, model::EqualizerManager& manager) {
    runlog::Log("on %s\n", "CMixerWnd::Run");
    return RunModal<CMixerWnd>(owner, manager);
}

bool CMixerWnd::Create(const QString& layout) {
    const bool built = ui::Window::Create(layout);
    mReady = true;
    return built;
}

int CMixerWnd::ShownSource() const {
    const int current = mManager.State().live.currentSource;
    return model::IsSourceIndex(current) ? current : 0;
}

bool CMixerWnd::RowShown(int row) const {
    return model::MixerInputOfRow(mSource, row) >= 0 && (row < model::FIRST_VICE_ROW || mViceRows);
}

void CMixerWnd::FindControls() {
    using namespace mixer_controls;
    for (int o = 0; o < kOutputs; ++o) {
        for (int r = 0; r < kRows; ++r) {
            Cell& c = mCells[static_cast<size_t>(o)][static_cast<size_t>(r)];
            c.box = FindWidget(Name(kBoxFormat, o, r));
            c.enable = FindControl<ui::CheckBox>(Name(kBoxEnableFormat, o, r));
            c.volume = FindControl<ui::Slider>(Name(kBoxVolumeFormat, o, r));
            c.edit = FindControl<ui::Edit>(Name(kBoxEditFormat, o, r));
        }
    }
    mViceRows = FindControl<ui::Combo>(Name(kViceSourceFormat, 0)) != nullptr;
    mBaseSize = LayoutSize();
    for (int o = model::OUTPUT_CHANNELS; o < kLayoutColumns; ++o) {
        if (QWidget* column = FindWidget(Name(kColumnFormat, o))) {
            column->hide();
        }
    }
}

void CMixerWnd::ShowSource() {
    using namespace mixer_controls;
    mSource = ShownSource();
    mInputCount = model::MixerInputCount(mSource);
    const char* area = mSource == kHighLevelSource  ? kNameAreaHi
                       : mSource == kLowLevelSource ? kNameAreaLow
                       : mSource == kAuxSource      ? kNameAreaAux
                                                    : kNameArea2ch;
    if (QWidget* container = FindWidget(QString::fromLatin1(kChannelNameArea))) {
        LoadLayoutInto(container, QString::fromLatin1(area));
    }
    const QString source = SourceNameKey(mSource);
    for (int r = 0; r < model::FIRST_VICE_ROW; ++r) {
        if (auto* label = FindControl<ui::Label>(Name(kTitleLabelFormat, r))) {
            const bool stereo = mInputCount == 2;
            label->SetText(stereo ? source + (r == 0 ? QStringLiteral(" L") : QStringLiteral(" R"))
                                  : source + QString::number(r + 1));
        }
    }
    for (int k = 0; k < model::VICE_SLOTS; ++k) {
        if (auto* label =
                FindControl<ui::Label>(Name(kTitleLabelFormat, model::FIRST_VICE_ROW + k))) {
            label->SetText(QStringLiteral("${mixer_vice} ") + QString::number(k + 1));
        }
    }
    PlaceRows();
    SizeWindow();
}

// Rows not shown are hidden; the vice rows sit right under the source's own.
void CMixerWnd::PlaceRows() {
    using namespace mixer_controls;
    for (int r = 0; r < kRows; ++r) {
        const bool shown = RowShown(r);
        const int slot = r < model::FIRST_VICE_ROW ? r : mInputCount + r - model::FIRST_VICE_ROW;
        const int dy = (slot - r) * kRowHeight;
        auto move = [&](QWidget* w) {
            if (w == nullptr) {
                return;
            }
            w->setVisible(shown);
            if (!mBaseRects.contains(w)) {
                mBaseRects.insert(w, ControlRect(w));
            }
            SetControlRect(w, mBaseRects.value(w).translated(0, dy));
        };
        move(FindWidget(Name(kLeftBoxFormat, r)));
        for (int o = 0; o < kOutputs; ++o) {
            move(mCells[static_cast<size_t>(o)][static_cast<size_t>(r)].box);
        }
        if (r >= model::FIRST_VICE_ROW) {
            const int k = r - model::FIRST_VICE_ROW;
            move(FindWidget(Name(kViceSourceFormat, k)));
            move(FindWidget(Name(kViceGainFormat, k)));
        }
    }
}

void CMixerWnd::SizeWindow() {
    const QSize layout = mBaseSize;
    const int height = layout.height() + kRowHeight * (mInputCount - kRows) +
                       (mViceRows && mInputCount > 0 ? 2 * kRowHeight : 0);
    SetLayoutSize(QSize(layout.width(), height));
    CenterOnOwner();
}

void CMixerWnd::RefreshCell(int row, int output) {
    if (!ValidCell(row, output)) {
        return;
    }
    const Cell& c = mCells[static_cast<size_t>(output)][static_cast<size_t>(row)];
    const int volume = mManager.Mixer().Volume(row, output);
    if (c.enable) {
        c.enable->SetSelected(volume > 0);
    }
    if (c.volume) {
        c.volume->SetValue(volume);
    }
    if (c.edit) {
        c.edit->SetText(QString::asprintf("%d", volume));
    }
}

void CMixerWnd::RefreshCells() {
    for (int r = 0; r < kRows; ++r) {
        for (int o = 0; o < kOutputs; ++o) {
            RefreshCell(r, o);
        }
    }
}

void CMixerWnd::RefreshInputs() {
    const model::ProfileRecord& live = mManager.State().live;
    for (int r = 0; r < kRows; ++r) {
        const int input = model::MixerInputOfRow(mSource, r);
        if (auto* phase = FindControl<ui::CheckBox>(Name(mixer_controls::kInPhaseFormat, r))) {
            phase->SetSelected(
                input >= 0 &&
                live.inMixPhase[static_cast<size_t>(mSource)][static_cast<size_t>(input)] != 0);
        }
    }
}

void CMixerWnd::RefreshBridges() {
    const auto& bridges = mManager.State().live.bridgeOutputs;
    for (int k = 0; k < model::BRIDGE_PAIRS; ++k) {
        if (auto* box = FindControl<ui::CheckBox>(Name(mixer_controls::kChBridgeFormat, k))) {
            box->SetSelected(bridges[static_cast<size_t>(k)] != 0);
        }
    }
}

void CMixerWnd::RefreshVice() {
    const model::ProfileRecord& live = mManager.State().live;
    for (int k = 0; k < model::VICE_SLOTS; ++k) {
        const int input = model::MixerInputOfRow(mSource, model::FIRST_VICE_ROW + k);
        if (input < 0) {
            continue;
        }
        const size_t s = static_cast<size_t>(mSource);
        const size_t in = static_cast<size_t>(input);
        if (auto* list = FindControl<ui::Combo>(Name(mixer_controls::kViceSourceFormat, k))) {
            const int source = std::clamp(live.viceSource[s][in], 0, model::NO_VICE_SOURCE);
            const QString tag =
                QString::asprintf("%02d%02d", source, live.viceChannel[s][in] % 100);
            int item = list->FindItem(tag);
            if (item < 0) {
                runlog::Log("WARNING: no combox item found for %s\n", tag.toLatin1().constData());
                item = list->ItemCount() - 1;
            }
            list->SelectItem(item);
        }
        if (auto* gain = FindControl<ui::Edit>(Name(mixer_controls::kViceGainFormat, k))) {
            gain->SetText(QString::asprintf(
                "%ddB",
                std::clamp(live.viceGain[s][in], model::MIN_VICE_GAIN, model::MAX_VICE_GAIN)));
        }
    }
}

void CMixerWnd::RefreshDistortion() {
    const model::ProfileRecord& live = mManager.State().live;
    const size_t s = static_cast<size_t>(mSource);
    auto light = [](ui::Image* image, int flag) {
        if (image) {
            image->SetImage(QStringLiteral("img/") +
                            QString::fromLatin1(flag != 0 ? mixer_controls::kClipImage
                                                          : mixer_controls::kNoClipImage));
        }
    };
    for (int r = 0; r < kRows; ++r) {
        const int input = model::MixerInputOfRow(mSource, r);
        light(FindControl<ui::Image>(Name(mixer_controls::kInDistortFormat, r)),
              input >= 0 ? live.inDistort[s][static_cast<size_t>(input)] : 0);
    }
    for (int o = 0; o < kOutputs; ++o) {
        light(FindControl<ui::Image>(Name(mixer_controls::kOutDistortFormat, o)),
              live.outDistort[s][static_cast<size_t>(o)]);
    }
}

void CMixerWnd::OnVolChanged(int row, int output, int volume, bool fromSwitch) {
    if (gInVolChanged) {
        runlog::Log("quit as re-entry\n");
        return;
    }
    if (!ValidCell(row, output) || !RowShown(row)) {
        return;
    }
    const Cell& c = mCells[static_cast<size_t>(output)][static_cast<size_t>(row)];
    // A field being left keeps the focus where the user took it. The focus moves before the
    // guard is up, so a field typed in and not yet committed commits on the way.
    const bool focus = !fromSwitch && !mLeavingField && c.edit != nullptr;
    if (focus) {
        c.edit->setFocus();
    }
    gInVolChanged = true;
    mManager.Mixer().SetVolume(row, output, volume);
    RefreshCell(row, output);
    // The partner took the same level (CopyMix_v).
    if (const std::optional<int> partner = model::LinkPartner(mManager.State().live, output)) {
        RefreshCell(row, *partner);
    }
    if (focus) {
        c.edit->selectAll();
    }
    gInVolChanged = false;
}

void CMixerWnd::OnEnableBtnClick(int row, int output) {
    if (!ValidCell(row, output) || !RowShown(row)) {
        return;
    }
    const Cell& c = mCells[static_cast<size_t>(output)][static_cast<size_t>(row)];
    const bool on = c.enable ? c.enable->IsSelected() : mManager.Mixer().Volume(row, output) == 0;
    const int input = model::MixerInputOfRow(mSource, row);
    const int stored =
        model::ClampMixLevel(mManager.State().live.inputMixVolume[static_cast<size_t>(
            mSource)][static_cast<size_t>(input)][static_cast<size_t>(output)]);
    OnVolChanged(row, output, on ? (stored == 0 ? model::MAX_MIX_LEVEL : stored) : 0, true);
}

void CMixerWnd::OnVolEditChanged(int row, int output, int step) {
    if (!ValidCell(row, output)) {
        return;
    }
    const Cell& c = mCells[static_cast<size_t>(output)][static_cast<size_t>(row)];
    if (c.edit == nullptr) {
        return;
    }
    const int lo = c.volume ? c.volume->Min() : model::MIN_MIX_LEVEL;
    const int hi = c.volume ? c.volume->Max() : model::MAX_MIX_LEVEL;
    OnVolChanged(row, output, std::clamp(ReadInt(c.edit->text()) + step, lo, hi), false);
}

void CMixerWnd::ClearMix() {
    mManager.Mixer().ClearMix();
    RefreshCells();
}

void CMixerWnd::OnViceGainEdit(int slot, int step) {
    auto* edit = FindControl<ui::Edit>(Name(mixer_controls::kViceGainFormat, slot));
    if (edit == nullptr) {
        return;
    }
    mManager.Mixer().SetViceGain(slot, ReadInt(edit->text()) + step);
    RefreshVice();
}

void CMixerWnd::MoveFocus(int row, int output, bool right) {
    std::vector<int> rows;
    for (int r = 0; r < kRows; ++r) {
        if (RowShown(r)) {
            rows.push_back(r);
        }
    }
    const auto at = std::find(rows.begin(), rows.end(), row);
    if (at == rows.end()) {
        return;
    }
    const int n = static_cast<int>(rows.size());
    int index = static_cast<int>(at - rows.begin());
    int next = output + (right ? 1 : -1);
    if (next >= kOutputs) {
        next = 0;
        index = (index + 1) % n;
    } else if (next < 0) {
        next = kOutputs - 1;
        index = (index + n - 1) % n;
    }
    if (ui::Edit* edit = CellEdit(rows[static_cast<size_t>(index)], next)) {
        edit->setFocus();
        edit->selectAll();
    }
}

ui::CheckBox* CMixerWnd::CellSwitch(int row, int output) const {
    return ValidCell(row, output)
               ? mCells[static_cast<size_t>(output)][static_cast<size_t>(row)].enable
               : nullptr;
}
ui::Slider* CMixerWnd::CellSlider(int row, int output) const {
    return ValidCell(row, output)
               ? mCells[static_cast<size_t>(output)][static_cast<size_t>(row)].volume
               : nullptr;
}
ui::Edit* CMixerWnd::CellEdit(int row, int output) const {
    return ValidCell(row, output)
               ? mCells[static_cast<size_t>(output)][static_cast<size_t>(row)].edit
               : nullptr;
}

void CMixerWnd::OnTimer(int id) {
    if (id != STATUS_READ_TIMER) {
        ui::Window::OnTimer(id);
        return;
    }
    RefreshDistortion();
    mManager.Mixer().RequestDistortion();
}

void CMixerWnd::closeEvent(QCloseEvent* event) {
    KillTimer(STATUS_READ_TIMER);
    CDialogWnd::closeEvent(event);
}

void CMixerWnd::OnModelChange(const model::ModelChange& change) {
    using model::ChangeKind;
    if (!mReady) {
        return;
    }
    // The amplifier (or an undo) switched the source: the mixer follows it.
    if (ShownSource() != mSource &&
        (change.kind == ChangeKind::Whole || change.kind == ChangeKind::Inputs)) {
        ShowSource();
        OnModelChange({.kind = ChangeKind::Whole});
        return;
    }
    switch (change.kind) {
        case ChangeKind::Whole:
            RefreshCells();
            RefreshInputs();
            RefreshBridges();
            RefreshVice();
            RefreshDistortion();
            break;
        case ChangeKind::Mix:
        case ChangeKind::Inputs:
            if (!gInVolChanged) {
                RefreshCells();
            }
            break;
        case ChangeKind::InputPhase:
            RefreshInputs();
            break;
        case ChangeKind::Globals:
            RefreshBridges();
            break;
        case ChangeKind::Bridges:
            RefreshBridges();
            RefreshCells();
            break;
        case ChangeKind::Vice:
            RefreshVice();
            break;
        case ChangeKind::Distortion:
            RefreshDistortion();
            break;
        default:
            break;
    }
}

void CMixerWnd::Notify(const ui::Notification& n) {
    using namespace mixer_controls;
    if (n.Is(ui::notify::kWindowInit)) {
        FindControls();
        ShowSource();
        RefreshCells();
        RefreshInputs();
        RefreshBridges();
        RefreshVice();
        RefreshDistortion();
        AddUndoShortcuts(*this, mManager);
        // Without both clipping lights there is nothing to refresh.
        if (FindWidget(Name(kInDistortFormat, 0)) && FindWidget(Name(kOutDistortFormat, 0))) {
            SetTimer(STATUS_READ_TIMER, kStatusReadMs);
        }
        CDialogWnd::Notify(n);
        return;
    }
    if (!mReady) {
        return;
    }
    const model::UserAction action(mManager, n.InGesture());
    int output = -1;
    int row = -1;
    if (n.Is(ui::notify::kClick, kBtnResetInput)) {
        ClearMix();
        return;
    }
    if (n.Is(ui::notify::kSelectChanged)) {
        if (CellOf(n.sender, kBoxEnablePrefix, output, row) &&
            n.SenderStartsWith(kBoxEnablePrefix)) {
            OnEnableBtnClick(row, output);
            return;
        }
        if (n.SenderStartsWith(kChBridgePrefix)) {
            const int k = n.Index();
            if (k >= 0 && k < model::BRIDGE_PAIRS &&
                (mManager.State().live.bridgeOutputs[static_cast<size_t>(k)] != 0) !=
                    (n.arg != 0)) {
                mManager.Outputs().SetBridge(k, n.arg != 0, true, true);
            }
            RefreshBridges();
            RefreshCells();
            return;
        }
        if (n.SenderStartsWith(kInPhasePrefix)) {
            mManager.Mixer().SetInputPhase(n.Index(), n.arg != 0);
            RefreshInputs();
            return;
        }
    }
    if ((n.Is(ui::notify::kValueChanged) || n.Is(ui::notify::kMoveValueChanged)) &&
        n.SenderStartsWith(kBoxVolumePrefix) && CellOf(n.sender, kBoxVolumePrefix, output, row)) {
        OnVolChanged(row, output, n.arg, false);
        return;
    }
    if (n.SenderStartsWith(kBoxEditPrefix) && CellOf(n.sender, kBoxEditPrefix, output, row)) {
        if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            OnVolEditChanged(row, output, n.Is(ui::notify::kValueChangedUp) ? 1 : -1);
            return;
        }
        if (n.Is(ui::notify::kValueChangedLeft) || n.Is(ui::notify::kValueChangedRight)) {
            MoveFocus(row, output, n.Is(ui::notify::kValueChangedRight));
            return;
        }
        if (n.Is(ui::notify::kReturn) || n.Is(ui::notify::kKillFocus)) {
            mLeavingField = n.Is(ui::notify::kKillFocus);
            OnVolEditChanged(row, output);
            mLeavingField = false;
            return;
        }
        // "setfocus" only selects: the field still shows the stored level.
        if (n.Is(ui::notify::kSetFocus)) {
            return;
        }
    }
    if (n.Is(ui::notify::kItemSelect) && n.SenderStartsWith(kViceSourcePrefix)) {
        auto* list = qobject_cast<ui::Combo*>(n.control);
        const int slot = n.Index(n.sender.endsWith('1') ? 1 : 0);
        if (list && n.arg >= 0 && n.arg < list->ItemCount()) {
            bool ok = false;
            const int tag = list->ItemUserData(n.arg).toInt(&ok);
            if (ok) {
                mManager.Mixer().SelectViceSource(slot, tag);
            }
        }
        RefreshVice();
        return;
    }
    if (n.SenderStartsWith(kViceGainPrefix)) {
        const int slot = n.sender.endsWith('1') ? 1 : 0;
        if (n.Is(ui::notify::kValueChangedUp) || n.Is(ui::notify::kValueChangedDown)) {
            OnViceGainEdit(slot, n.Is(ui::notify::kValueChangedUp) ? 1 : -1);
            return;
        }
        if (n.Is(ui::notify::kReturn) || n.Is(ui::notify::kKillFocus)) {
            OnViceGainEdit(slot, 0);
            return;
        }
    }
    CDialogWnd::Notify(n);
}
