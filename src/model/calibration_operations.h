#pragma once
// The room calibration run: the amplifier measures each chosen output with its microphone and
// computes correction bands; the program starts the run, polls it on the job runner, collects
// the spectra, bands and distances, and finally has the amplifier apply or discard the result.
// Beyond what the amplifier reports, every channel gets the response predicted after its
// correction and figures of flatness before and after. Public methods run on the manager's
// thread; windows hear of every change as ChangeKind::Calibration (output: the channel).

#include <QObject>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "link/dsp_link.h"
#include "model/calibration_figures.h"
#include "model/constants.h"
#include "model/job_runner.h"
#include "model/model_changes.h"

namespace model {

inline constexpr int IRC_CHANNELS = OUTPUT_CHANNELS;
inline constexpr int IRC_RESULT_BANDS = 31;
inline constexpr int IRC_SPECTRUM_POINTS = 121;
// Test modules, as bits of IRC_Sel_Test_Module.
inline constexpr uint8_t IRC_MODULE_EQ = 1;
inline constexpr uint8_t IRC_MODULE_DELAY = 2;
inline constexpr uint8_t IRC_MODULE_PHASE = 4;
inline constexpr uint8_t IRC_DEFAULT_MODULES = 7;
inline constexpr int IRC_EQ_MODES = 9;
// Status codes of the run.
inline constexpr int IRC_STATUS_SPECTRUM = 7;  // a channel's spectrum is ready
inline constexpr int IRC_STATUS_EQ = 8;        // a channel's bands are ready
inline constexpr int IRC_STATUS_DATA = 9;
inline constexpr int IRC_STATUS_DONE = 10;
inline constexpr int IRC_STATUS_FAIL = 11;
inline constexpr int IRC_STATUS_EXIT = 12;
// The poll's two waits.
inline constexpr int IRC_POLL_WAIT_MS = 500;

struct IrcBand {
    float gain = 0.0f;
    float q = 5.8f;
    int freq = 12500;
    bool received = false;
};

struct CalibrationChannel {
    std::array<IrcBand, IRC_RESULT_BANDS> bands{};
    int bandCount = 0;  // bands received
    std::array<double, IRC_SPECTRUM_POINTS> spectrumFreq{};
    std::array<double, IRC_SPECTRUM_POINTS> spectrumDb{};
    bool spectrumComplete = false;
    double distance = -1;  // as reported; -1 before
    // The correction on the graph's grid, and the measured response plus the correction.
    std::array<double, CURVE_POINTS> eqGrid{};
    std::array<double, CURVE_POINTS> eqDb{};
    std::array<double, IRC_SPECTRUM_POINTS> predictedDb{};
    bool predicted = false;
    DeviationFigures before;
    DeviationFigures after;
};

enum class CalibrationOutcome { None, Running, Completed, Failed, Stopped };

class CalibrationOperations {
  public:
    CalibrationOperations(dsplink::DspLink& link, JobRunner& jobs, ModelChanges& changes);
    ~CalibrationOperations();
    CalibrationOperations(const CalibrationOperations&) = delete;
    CalibrationOperations& operator=(const CalibrationOperations&) = delete;

    // Starts a run of the modules on the channels; false, with nothing sent, when no module is
    // chosen, a run is on or the amplifier is not connected.
    bool Start(uint8_t modules, uint16_t channelMask, int eqMode);
    // Ends a run: the poll is stopped and joined, then the amplifier is told; nothing is kept.
    void Stop();
    // Once per completed run: false (nothing sent) while running, without a result, or when
    // it was applied or discarded already.
    bool Apply();
    bool Discard();

    bool Running() const { return mRunning; }
    CalibrationOutcome Outcome() const { return mOutcome; }
    int Status() const { return mStatus; }
    int Progress() const { return mProgress; }
    int FailReason() const { return mFailReason; }
    // A completed run whose result is still the amplifier's to apply or discard.
    bool ResultReady() const { return mOutcome == CalibrationOutcome::Completed; }
    bool Settled() const { return mSettled; }  // applied or discarded
    uint16_t ChannelMask() const { return mChannelMask; }
    int EqMode() const { return mEqMode; }
    const CalibrationChannel& Channel(int channel) const;

    // The whole run as CSV: spectra with correction and prediction, the bands, the figures.
    std::string Csv() const;

  private:
    class Receiver;

    void AutoCalThread();
    // Replies, on the manager's thread.
    void OnStatus(int status, int value);
    void OnSpectrum(int channel, int point, float freq, float gain);
    void OnBand(int channel, int band, int freq, float q, float gain);
    void OnDistance(int channel, float distance);
    void UpdateEqCurve(int channel);
    void UpdatePrediction(int channel);
    void Tell(int channel);

    dsplink::DspLink& mLink;
    JobRunner& mJobs;
    ModelChanges& mChanges;
    // Queued calls to it die with it.
    QObject mContext;
    std::unique_ptr<Receiver> mReceiver;

    std::array<CalibrationChannel, IRC_CHANNELS> mChannels{};
    uint8_t mModules = IRC_DEFAULT_MODULES;
    uint16_t mChannelMask = 0;
    int mEqMode = 0;
    CalibrationOutcome mOutcome = CalibrationOutcome::None;
    bool mSettled = false;
    // Read by the poll; set as the replies are decoded, on whichever thread reads.
    std::atomic<bool> mRunning{false};
    std::atomic<bool> mStopRequest{false};
    std::atomic<int> mStatus{0};
    std::atomic<int> mProgress{0};
    std::atomic<int> mFailReason{0};
    std::atomic<int> mReportChannel{0};
};

}  // namespace model
