#include "windows/auto_cal_wnd.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QTimer>

#include <vector>

#include "controls/ui_equalizer_ac.h"
#include "model/equalizer_manager.h"
#include "model/links.h"
#include "model/speaker_types.h"
#include "profiles/profile_error.h"
#include "profiles/profile_files.h"
#include "shell/run_log.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "windows/calibration_controls.h"
#include "windows/msg_wnd.h"

namespace cc = calibration_controls;

namespace {

QString Indexed(const char* format, int i) {
    return QString::asprintf(format, i);
}

// Tips of the statuses 1..6 of a running calibration.
constexpr const char* kStepTips[] = {"${detect_speaker}",  "${detect_level}",
                                     "${detect_location}", "${adjust_ch_volume}",
                                     "${compensate_eq}",   "${test_freq_response}"};
// By failure reason 0..5.
constexpr const char* kFailTips[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                                     "${irc_failed_speaker}",   "${irc_failed_delay}",
                                     "${irc_failed_ch_volume}", "${irc_failed_eq}"};

bool IsSubwoofer(int type) {
    return type == model::kSubwooferLeft || type == model::kSubwooferRight ||
           type == model::kSubwooferLow;
}

QString ChooseCsv(QWidget* owner) {
    return QFileDialog::getSaveFileName(owner, QString(), QString(), QStringLiteral("CSV (*.csv)"));
}

}  // namespace

CAutoCalWnd::CAutoCalWnd(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose)
    : CModelWnd(owner, QStringLiteral("AutoCalWnd"), QStringLiteral("autocalwnd"), manager),
      mChoose(choose ? std::move(choose) : ChooseFile(&ChooseCsv)) {
    // Escape goes through the same closing as the close button.
    mEscapeCancels = false;
}

CAutoCalWnd::~CAutoCalWnd() {
    mManager.Calibration().Stop();
}

int CAutoCalWnd::Run(QWidget* owner, model::EqualizerManager& manager, ChooseFile choose) {
    runlog::Log("on %s\n", "CAutoCalWnd::Run");
    CAutoCalWnd wnd(owner, manager, std::move(choose));
    return wnd.Create() ? wnd.ShowModal() : 0;
}

bool CAutoCalWnd::Create() {
    const bool built = ui::Window::Create(QString::fromLatin1(kLayout));
    ShowRun();
    ShowCurves();
    ShowFigures();
    return built;
}

void CAutoCalWnd::BindChannels() {
    const model::ProfileRecord& live = mManager.State().live;
    for (int c = 0; c < model::IRC_CHANNELS; ++c) {
        ui::CheckBox* box = mChannels[static_cast<size_t>(c)];
        if (box == nullptr) {
            continue;
        }
        const int type = live.outputs[static_cast<size_t>(c)];
        const std::optional<int> partner = model::LinkPartner(live, c);
        // The second output of a linked pair follows the first: it is measured with it.
        const bool follower = partner && *partner < c;
        const bool usable = !follower && type != model::kSpeakerEmpty && !IsSubwoofer(type);
        box->SetSelected(usable);
        box->setEnabled(usable);
        box->SetToolTip(IsSubwoofer(type) ? QStringLiteral("${irc_subwoof_not_test}") : QString());
    }
}

uint16_t CAutoCalWnd::CheckedChannels() const {
    uint16_t mask = 0;
    for (int c = 0; c < model::IRC_CHANNELS; ++c) {
        const ui::CheckBox* box = mChannels[static_cast<size_t>(c)];
        if (box && box->isEnabled() && box->IsSelected()) {
            mask = static_cast<uint16_t>(mask | (1u << c));
        }
    }
    return mask;
}

uint8_t CAutoCalWnd::Modules() const {
    uint8_t modules = 0;
    const std::pair<const ui::CheckBox*, uint8_t> bits[] = {
        {mModuleEq, model::IRC_MODULE_EQ},
        {mModuleDelay, model::IRC_MODULE_DELAY},
        {mModulePhase, model::IRC_MODULE_PHASE}};
    for (const auto& [box, bit] : bits) {
        if (box && box->IsSelected()) {
            modules = static_cast<uint8_t>(modules | bit);
        }
    }
    return modules;
}

int CAutoCalWnd::EqMode() const {
    for (int i = 0; i < model::IRC_EQ_MODES; ++i) {
        const ui::Option* option = mEffects[static_cast<size_t>(i)];
        if (option && option->IsSelected()) {
            return i + 1;
        }
    }
    return 0;
}

void CAutoCalWnd::SetTips(const QString& text) {
    if (mTips) {
        mTips->SetText(text);
    }
}

void CAutoCalWnd::StartOrStop() {
    model::CalibrationOperations& cal = mManager.Calibration();
    if (cal.Running()) {
        cal.Stop();
        SetTips(QStringLiteral("${irc_stoped}"));
        ShowRun();
        return;
    }
    if (Modules() == 0) {
        CMsgWnd::MessageBox(this, "${tips}", "${irc_option_warning_tips}");
        return;
    }
    if (cal.Start(Modules(), CheckedChannels(), EqMode())) {
        mShownStatus = -1;
        SetTips(QStringLiteral("${start_irc_tips}"));
    }
    ShowRun();
}

void CAutoCalWnd::ApplyResult() {
    SetTips(mManager.Calibration().Apply() ? QStringLiteral("${irc_applyed}")
                                           : QStringLiteral("${irc_start_tips}"));
}

void CAutoCalWnd::DiscardResult() {
    SetTips(mManager.Calibration().Discard() ? QStringLiteral("${irc_canceled}")
                                             : QStringLiteral("${irc_start_tips}"));
}

void CAutoCalWnd::ExportCsv() {
    const QString path = mChoose(this);
    if (path.isEmpty()) {
        return;
    }
    const profiles::ProfileFailure failure =
        profiles::SaveToFile(path.toStdString(), mManager.Calibration().Csv());
    SetTips(failure ? QString::fromLatin1(profiles::MessageKey(failure.error))
                    : QStringLiteral("${irc_exported}"));
}

void CAutoCalWnd::CloseWindow() {
    model::CalibrationOperations& cal = mManager.Calibration();
    if (cal.Running()) {
        cal.Stop();
    }
    int result = 0;
    if (cal.Settled()) {
        result = 1;
    } else if (cal.ResultReady() && CMsgWnd::Question(this, "${tips}", "${irc_apply_tips}") == 1) {
        cal.Apply();
        result = 1;
    } else {
        cal.Discard();
    }
    mClosing = true;
    Close(result);
}

void CAutoCalWnd::ShowRun() {
    const model::CalibrationOperations& cal = mManager.Calibration();
    const bool running = cal.Running();
    if (mStart) {
        mStart->SetText(running ? QStringLiteral("${stop}") : QStringLiteral("${start_irc}"));
    }
    if (mClose) {
        mClose->setEnabled(!running);
    }
    if (mProgress) {
        mProgress->SetValue(cal.Progress());
    }
    ShowStatusTips();
}

void CAutoCalWnd::ShowStatusTips() {
    const model::CalibrationOperations& cal = mManager.Calibration();
    const int status = cal.Status();
    if (status == mShownStatus && cal.Outcome() == mShownOutcome) {
        return;
    }
    mShownStatus = status;
    mShownOutcome = cal.Outcome();
    switch (cal.Outcome()) {
        case model::CalibrationOutcome::Completed:
            SetTips(QStringLiteral("${irc_completed}"));
            return;
        case model::CalibrationOutcome::Failed: {
            const int reason = cal.FailReason();
            SetTips(reason >= 0 && reason < static_cast<int>(std::size(kFailTips))
                        ? QString::fromLatin1(kFailTips[reason])
                        : QStringLiteral("${irc_failed}"));
            return;
        }
        case model::CalibrationOutcome::Running:
            if (status >= 1 && status <= static_cast<int>(std::size(kStepTips))) {
                SetTips(QString::fromLatin1(kStepTips[status - 1]));
            } else if (status == model::IRC_STATUS_DATA) {
                SetTips(QStringLiteral("${test_freq_response}"));
            }
            return;
        case model::CalibrationOutcome::None:
        case model::CalibrationOutcome::Stopped:
            return;
    }
}

void CAutoCalWnd::ShowCurves() {
    if (mGraph == nullptr) {
        return;
    }
    const model::CalibrationOperations& cal = mManager.Calibration();
    std::vector<UIEqualizerAc::CurveView> eq, spectra, predicted;
    std::vector<int> eqShown, spectraShown, predictedShown;
    const bool showEq = mDisplayEq == nullptr || mDisplayEq->IsSelected();
    const bool showSpectra = mDisplaySpectrum == nullptr || mDisplaySpectrum->IsSelected();
    for (int c = 0; c < model::IRC_CHANNELS; ++c) {
        const model::CalibrationChannel& ch = cal.Channel(c);
        const ui::CheckBox* box = mChannels[static_cast<size_t>(c)];
        const bool checked = box == nullptr || box->IsSelected();
        eq.push_back({ch.eqGrid, ch.eqDb});
        eqShown.push_back(showEq && checked && ch.bandCount > 0);
        spectra.push_back({ch.spectrumFreq, ch.spectrumDb});
        spectraShown.push_back(showSpectra && checked && ch.spectrumComplete);
        predicted.push_back({ch.spectrumFreq, ch.predictedDb});
        predictedShown.push_back(showSpectra && showEq && checked && ch.predicted);
    }
    mGraph->SetEqCurves(eq, eqShown);
    mGraph->SetSpectrumCurves(spectra, spectraShown);
    mGraph->SetPredictedCurves(predicted, predictedShown);
}

void CAutoCalWnd::ShowFigures() {
    const model::CalibrationOperations& cal = mManager.Calibration();
    const QByteArray distance = ui::ResolveText(QStringLiteral("${irc_distance}")).toUtf8();
    const QByteArray line = ui::ResolveText(QStringLiteral("${irc_figures_line}")).toUtf8();
    QStringList lines;
    for (int c = 0; c < model::IRC_CHANNELS; ++c) {
        const model::CalibrationChannel& ch = cal.Channel(c);
        if (ui::Label* label = mDistances[static_cast<size_t>(c)]) {
            // Only the outputs of the run were measured.
            const bool measured = ch.distance >= 0 && (cal.ChannelMask() & (1u << c)) != 0;
            label->SetText(measured ? QString::asprintf(distance.constData(), ch.distance)
                                    : QString());
        }
        if (ch.predicted && ch.before.points > 0) {
            lines << QString::asprintf(line.constData(), c + 1, ch.before.rms, ch.after.rms,
                                       ch.before.maximum, ch.after.maximum);
        }
    }
    if (mFigures) {
        mFigures->SetText(lines.join(QStringLiteral("   ")));
    }
}

void CAutoCalWnd::OnModelChange(const model::ModelChange& change) {
    if (change.kind != model::ChangeKind::Calibration && change.kind != model::ChangeKind::Whole) {
        return;
    }
    ShowRun();
    ShowCurves();
    ShowFigures();
}

void CAutoCalWnd::closeEvent(QCloseEvent* event) {
    if (!mClosing) {
        // Closed from outside (the window manager): settle the run first.
        event->ignore();
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
        return;
    }
    CModelWnd::closeEvent(event);
}

void CAutoCalWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (mClose == nullptr || mClose->isEnabled()) {
            CloseWindow();
        }
        return;
    }
    CModelWnd::keyPressEvent(event);
}

void CAutoCalWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        for (int c = 0; c < model::IRC_CHANNELS; ++c) {
            mChannels[static_cast<size_t>(c)] =
                Lookup<ui::CheckBox>(Indexed(cc::kChannelBoxFormat, c));
            mDistances[static_cast<size_t>(c)] = Lookup<ui::Label>(Indexed(cc::kDistanceFormat, c));
        }
        for (int i = 0; i < model::IRC_EQ_MODES; ++i) {
            mEffects[static_cast<size_t>(i)] = Lookup<ui::Option>(Indexed(cc::kEffectFormat, i));
        }
        mModuleEq = Lookup<ui::CheckBox>(QString::fromLatin1(cc::kModuleEq));
        mModuleDelay = Lookup<ui::CheckBox>(QString::fromLatin1(cc::kModuleDelay));
        mModulePhase = Lookup<ui::CheckBox>(QString::fromLatin1(cc::kModulePhase));
        for (ui::CheckBox* box : {mModuleEq, mModuleDelay, mModulePhase}) {
            if (box) {
                box->SetSelected(true);
            }
        }
        mDisplayEq = Lookup<ui::CheckBox>(QString::fromLatin1(cc::kDisplayEq));
        mDisplaySpectrum = Lookup<ui::CheckBox>(QString::fromLatin1(cc::kDisplaySpectrum));
        mGraph = Lookup<UIEqualizerAc>(QString::fromLatin1(cc::kGraph));
        mProgress = Lookup<ui::ProgressBar>(QString::fromLatin1(cc::kProgress));
        mTips = Lookup<ui::Label>(QString::fromLatin1(cc::kTips));
        mFigures = Lookup<ui::Label>(QString::fromLatin1(cc::kFigures));
        mStart = Lookup<ui::Button>(QString::fromLatin1(cc::kStart));
        mClose = Lookup<ui::Button>(QString::fromLatin1(cc::kCloseBtn));
        for (const char* name : {cc::kApply, cc::kDiscard, cc::kExport}) {
            Lookup<ui::Button>(QString::fromLatin1(name));
        }
        BindChannels();
        CDialogWnd::Notify(n);
        return;
    }
    if (n.Is(ui::notify::kClick, cc::kStart)) {
        StartOrStop();
    } else if (n.Is(ui::notify::kClick, cc::kApply)) {
        ApplyResult();
    } else if (n.Is(ui::notify::kClick, cc::kDiscard)) {
        DiscardResult();
    } else if (n.Is(ui::notify::kClick, cc::kExport)) {
        ExportCsv();
    } else if (n.Is(ui::notify::kClick, cc::kCloseBtn)) {
        CloseWindow();
    } else if (n.Is(ui::notify::kSelectChanged)) {
        // A channel box or a display switch: both curve sets are drawn again.
        ShowCurves();
    }
}
