#include "model/calibration_operations.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "link/reply_records.h"
#include "link/reply_target.h"
#include "link/subcommands.h"
#include "model/exclusive_session.h"
#include "shell/run_log.h"

namespace model {
namespace {

constexpr double kCurveFs = 48000.0;
constexpr int kSpectrumBlock = 9;
constexpr int kEqFirstBlock = 6;
// The amplifier computes this many bands per channel.
constexpr int kReportedBands = 11;
// A band index above this completes a channel's second block of bands: redraw then.
constexpr int kEqRedrawAfterBand = 9;

enum IrcAction { kIrcStop = 0, kIrcStart = 1, kIrcApply = 2, kIrcDiscard = 3 };

bool ValidChannel(int channel) {
    return channel >= 0 && channel < IRC_CHANNELS;
}

}  // namespace

// Status replies update what the poll reads at once, on the reading thread (the poll's own);
// everything is also handed to the manager's thread, which keeps the results.
class CalibrationOperations::Receiver : public dsplink::ReplyTarget {
  public:
    explicit Receiver(CalibrationOperations& owner) : mOwner(owner) {}

    void Post(dsplink::LinkMessage message) override {
        if (message.message != dsplink::WM_READ_IRC_VALUE || mOwner.mStopRequest) {
            return;
        }
        CalibrationOperations* owner = &mOwner;
        auto later = [owner](auto fn) {
            QMetaObject::invokeMethod(&owner->mContext, std::move(fn), Qt::QueuedConnection);
        };
        const int code = static_cast<int>(message.wParam);
        if (message.record == nullptr) {
            if (code < 0 || code > IRC_STATUS_EXIT) {
                return;
            }
            const int value = message.value;
            if (code == IRC_STATUS_SPECTRUM || code == IRC_STATUS_EQ) {
                mOwner.mReportChannel = value;
            } else if (code == IRC_STATUS_FAIL) {
                mOwner.mFailReason = value;
            } else {
                mOwner.mProgress = value;
            }
            mOwner.mStatus = code;
            later([owner, code, value] { owner->OnStatus(code, value); });
        } else if (const auto* r =
                       dynamic_cast<const dsplink::IrcSpectrumRecord*>(message.record.get())) {
            const dsplink::IrcSpectrumRecord c = *r;
            later([owner, c] { owner->OnSpectrum(c.channel, c.band, c.freq, c.gain); });
        } else if (const auto* e =
                       dynamic_cast<const dsplink::IrcEqRecord*>(message.record.get())) {
            const dsplink::IrcEqRecord c = *e;
            later([owner, c] { owner->OnBand(c.channel, c.band, c.freq, c.q, c.gain); });
        } else if (const auto* d =
                       dynamic_cast<const dsplink::IrcDistanceRecord*>(message.record.get())) {
            const dsplink::IrcDistanceRecord c = *d;
            later([owner, c] { owner->OnDistance(c.channel, c.distance); });
        }
    }

  private:
    CalibrationOperations& mOwner;
};

CalibrationOperations::CalibrationOperations(dsplink::DspLink& link, JobRunner& jobs,
                                             ModelChanges& changes)
    : mLink(link), mJobs(jobs), mChanges(changes), mReceiver(std::make_unique<Receiver>(*this)) {
    mLink.SetTarget(dsplink::ReplyTargetId::Calibration, mReceiver.get());
}

CalibrationOperations::~CalibrationOperations() {
    mStopRequest = true;
    // Waits for a post in progress: none reaches the receiver after this.
    mLink.SetTarget(dsplink::ReplyTargetId::Calibration, nullptr);
}

const CalibrationChannel& CalibrationOperations::Channel(int channel) const {
    static const CalibrationChannel kNone{};
    return ValidChannel(channel) ? mChannels[static_cast<size_t>(channel)] : kNone;
}

void CalibrationOperations::Tell(int channel) {
    mChanges.Publish({.kind = ChangeKind::Calibration, .output = channel});
}

bool CalibrationOperations::Start(uint8_t modules, uint16_t channelMask, int eqMode) {
    if (modules == 0 || mRunning || mJobs.Running() || !mLink.IsOpen()) {
        return false;
    }
    runlog::Log("mIrcCh = 0x%x\n", channelMask);
    mModules = modules;
    mChannelMask = channelMask;
    mEqMode = eqMode;
    mChannels.fill(CalibrationChannel{});
    for (CalibrationChannel& channel : mChannels) {
        dsp::BuildFrequencyGrid(kCurveFs, channel.eqGrid);
    }
    mOutcome = CalibrationOutcome::Running;
    mSettled = false;
    mStatus = 0;
    mProgress = 0;
    mFailReason = 0;
    mStopRequest = false;
    mRunning = true;
    Tell(-1);
    mJobs.Start([this] { AutoCalThread(); });
    return true;
}

void CalibrationOperations::AutoCalThread() {
    runlog::Log("AutoCalThread begin\n");
    const ExclusiveSession session(mJobs);
    auto ended = [this] {
        return mStopRequest || mJobs.Stopped() || mStatus == IRC_STATUS_FAIL ||
               mStatus == IRC_STATUS_EXIT;
    };
    mLink.IRC_Sel_Test_Module(mModules, true);
    mLink.IRC_Ctrl(kIrcStart, mChannelMask, mEqMode, true);
    while (mStatus != IRC_STATUS_DONE && !ended()) {
        mLink.IRC_Get();
        if (!mJobs.SleepMs(IRC_POLL_WAIT_MS)) {
            break;
        }
        const int channel = mReportChannel;
        switch (mStatus) {
            case IRC_STATUS_SPECTRUM:
                for (int first = 0; first < IRC_SPECTRUM_POINTS && !ended();
                     first += kSpectrumBlock) {
                    const int last = std::min(first + kSpectrumBlock, IRC_SPECTRUM_POINTS) - 1;
                    mLink.IRC_Get_Spectrum(channel, first, last);
                }
                break;
            case IRC_STATUS_EQ:
                mLink.IRC_Get_EQ(channel, 0, kEqFirstBlock - 1);
                mLink.IRC_Get_EQ(channel, kEqFirstBlock, kReportedBands - 1);
                break;
            case IRC_STATUS_DATA:
                // The distances are measured by now.
                mLink.IRC_Get_Distance(0, IRC_CHANNELS - 1);
                break;
            default:
                break;
        }
        if (!mJobs.SleepMs(IRC_POLL_WAIT_MS)) {
            break;
        }
    }
    mRunning = false;
    runlog::Log("AutoCalThread end, pwm->mIrcStatus=0x%x\n", mStatus.load());
    // The windows see the run over (buttons, close) after its last status.
    QMetaObject::invokeMethod(
        &mContext, [this] { Tell(-1); }, Qt::QueuedConnection);
}

void CalibrationOperations::Stop() {
    if (!mRunning) {
        return;
    }
    // The poll ends at its next check; only then is the amplifier told, so that no two
    // requests are on the link at once.
    mStopRequest = true;
    mJobs.Wait();
    mRunning = false;
    mLink.IRC_Ctrl(kIrcStop, mChannelMask, mEqMode, true);
    mOutcome = CalibrationOutcome::Stopped;
    Tell(-1);
}

bool CalibrationOperations::Apply() {
    if (mRunning || !ResultReady() || mSettled) {
        return false;
    }
    mLink.IRC_Ctrl(kIrcApply, mChannelMask, mEqMode, true);
    mSettled = true;
    Tell(-1);
    return true;
}

bool CalibrationOperations::Discard() {
    if (mRunning || !ResultReady() || mSettled) {
        return false;
    }
    mLink.IRC_Ctrl(kIrcDiscard, mChannelMask, mEqMode, true);
    mSettled = true;
    Tell(-1);
    return true;
}

void CalibrationOperations::OnStatus(int status, int value) {
    if (mStopRequest) {
        return;
    }
    if (status == IRC_STATUS_DONE || status == IRC_STATUS_EXIT) {
        mOutcome = CalibrationOutcome::Completed;
    } else if (status == IRC_STATUS_FAIL) {
        mOutcome = CalibrationOutcome::Failed;
        runlog::Log("calibration failed, reason %d\n", value);
    }
    Tell(-1);
}

void CalibrationOperations::OnSpectrum(int channel, int point, float freq, float gain) {
    if (!ValidChannel(channel) || point < 0 || point >= IRC_SPECTRUM_POINTS) {
        return;
    }
    CalibrationChannel& c = mChannels[static_cast<size_t>(channel)];
    c.spectrumFreq[static_cast<size_t>(point)] = freq;
    c.spectrumDb[static_cast<size_t>(point)] = gain;
    if (point == IRC_SPECTRUM_POINTS - 1) {
        c.spectrumComplete = true;
        c.before = Deviation(c.spectrumFreq, c.spectrumDb);
        UpdatePrediction(channel);
        Tell(channel);
    }
}

void CalibrationOperations::OnBand(int channel, int band, int freq, float q, float gain) {
    if (!ValidChannel(channel) || band < 0 || band >= IRC_RESULT_BANDS) {
        return;
    }
    runlog::Log("ch(%d), band(%d), freq=%d, Q=%1.2f, Gain=%.2f\n", channel, band, freq, q, gain);
    CalibrationChannel& c = mChannels[static_cast<size_t>(channel)];
    IrcBand& b = c.bands[static_cast<size_t>(band)];
    if (!b.received) {
        ++c.bandCount;
    }
    b = IrcBand{gain, q, freq, true};
    if (band > kEqRedrawAfterBand) {
        UpdateEqCurve(channel);
        UpdatePrediction(channel);
        Tell(channel);
    }
}

void CalibrationOperations::OnDistance(int channel, float distance) {
    if (!ValidChannel(channel)) {
        return;
    }
    mChannels[static_cast<size_t>(channel)].distance = distance;
    Tell(channel);
}

void CalibrationOperations::UpdateEqCurve(int channel) {
    CalibrationChannel& c = mChannels[static_cast<size_t>(channel)];
    c.eqDb.fill(0.0);
    std::array<double, CURVE_POINTS> one{};
    for (const IrcBand& b : c.bands) {
        if (b.received && dsp::PeakingCurve(kCurveFs, b.freq, b.gain, b.q, c.eqGrid, one)) {
            for (size_t i = 0; i < one.size(); ++i) {
                c.eqDb[i] += one[i];
            }
        }
    }
}

void CalibrationOperations::UpdatePrediction(int channel) {
    CalibrationChannel& c = mChannels[static_cast<size_t>(channel)];
    if (!c.spectrumComplete) {
        return;
    }
    // The correction evaluated at the measured frequencies themselves, not interpolated. The
    // evaluators read the sample rate from the grid's end: fs/2 and fs follow the points.
    std::array<double, IRC_SPECTRUM_POINTS + 2> grid{};
    std::copy(c.spectrumFreq.begin(), c.spectrumFreq.end(), grid.begin());
    grid[IRC_SPECTRUM_POINTS] = kCurveFs / 2;
    grid[IRC_SPECTRUM_POINTS + 1] = kCurveFs;
    c.predictedDb = c.spectrumDb;
    std::array<double, IRC_SPECTRUM_POINTS + 2> one{};
    for (const IrcBand& b : c.bands) {
        if (b.received && dsp::PeakingCurve(kCurveFs, b.freq, b.gain, b.q, grid, one)) {
            for (size_t i = 0; i < c.predictedDb.size(); ++i) {
                c.predictedDb[i] += one[i];
            }
        }
    }
    c.predicted = c.bandCount > 0;
    c.after = Deviation(c.spectrumFreq, c.predictedDb);
}

std::string CalibrationOperations::Csv() const {
    std::string csv;
    char line[160];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        csv += line;
    };
    add("# room calibration: channels 0x%03x, EQ mode %d\n", mChannelMask, mEqMode);
    csv += "channel,frequency_hz,measured_db,correction_db,predicted_db\n";
    for (int ch = 0; ch < IRC_CHANNELS; ++ch) {
        const CalibrationChannel& c = mChannels[static_cast<size_t>(ch)];
        if (!c.spectrumComplete) {
            continue;
        }
        for (int i = 0; i < IRC_SPECTRUM_POINTS; ++i) {
            const auto k = static_cast<size_t>(i);
            add("%d,%.2f,%.2f,%.2f,%.2f\n", ch + 1, c.spectrumFreq[k], c.spectrumDb[k],
                c.predictedDb[k] - c.spectrumDb[k], c.predictedDb[k]);
        }
    }
    csv += "\nchannel,band,frequency_hz,gain_db,q\n";
    for (int ch = 0; ch < IRC_CHANNELS; ++ch) {
        const CalibrationChannel& c = mChannels[static_cast<size_t>(ch)];
        for (int b = 0; b < IRC_RESULT_BANDS; ++b) {
            const IrcBand& band = c.bands[static_cast<size_t>(b)];
            if (band.received) {
                add("%d,%d,%d,%.2f,%.2f\n", ch + 1, b + 1, band.freq, band.gain, band.q);
            }
        }
    }
    csv += "\nchannel,distance,rms_before_db,max_before_db,rms_after_db,max_after_db\n";
    for (int ch = 0; ch < IRC_CHANNELS; ++ch) {
        const CalibrationChannel& c = mChannels[static_cast<size_t>(ch)];
        if (c.spectrumComplete) {
            add("%d,%.2f,%.2f,%.2f,%.2f,%.2f\n", ch + 1, c.distance, c.before.rms, c.before.maximum,
                c.after.rms, c.after.maximum);
        }
    }
    return csv;
}

}  // namespace model
