// The calibration run against the virtual amplifier on virtual time: a whole run with its
// results and figures, every failure reason, a stop mid-run, applying and discarding once, and
// the flatness figures on a case worked by hand.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <memory>

#include "model/calibration_operations.h"
#include "model_test_support.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

TEST(CalibrationFigures, DeviationFromTheMeanOverTheJudgedBandOnly) {
    const double freqs[] = {50, 100, 1000, 10000, 20000};
    const double db[] = {9, 1, -1, 3, -7};
    // Inside 100 Hz..10 kHz: 1, -1, 3; mean 1, deviations 0, -2, 2.
    const model::DeviationFigures f = model::Deviation(freqs, db);
    EXPECT_EQ(f.points, 3);
    EXPECT_NEAR(f.rms, std::sqrt(8.0 / 3.0), 1e-12);
    EXPECT_DOUBLE_EQ(f.maximum, 2.0);
    const double nan[] = {NAN, NAN, NAN, NAN, NAN};
    EXPECT_EQ(model::Deviation(freqs, nan).points, 0);
}

class CalibrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model_test::CoreApp();
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
    }
    bool RunEnds() {
        return model_test::RunUntil([&] { return !cal.Running() && !jobs.Running(); }) &&
               model_test::RunUntil([] {
                   QCoreApplication::processEvents();
                   return true;
               });
    }
    void Settle() {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
    model::JobRunner jobs{link, clock};
    model::ModelChanges changes;
    model::CalibrationOperations cal{link, jobs, changes};
    static constexpr uint16_t kChannels = 0b11;
};

TEST_F(CalibrationTest, AWholeRunBringsSpectraCorrectionsAndOneApply) {
    ASSERT_TRUE(cal.Start(model::IRC_DEFAULT_MODULES, kChannels, 2));
    ASSERT_TRUE(RunEnds());
    Settle();
    EXPECT_EQ(cal.Outcome(), model::CalibrationOutcome::Completed);
    EXPECT_TRUE(cal.ResultReady());
    for (int c = 0; c < 2; ++c) {
        const model::CalibrationChannel& ch = cal.Channel(c);
        EXPECT_TRUE(ch.spectrumComplete) << c;
        EXPECT_GT(ch.spectrumFreq[120], ch.spectrumFreq[0]) << c;
        EXPECT_GT(ch.bandCount, 0) << c;
        EXPECT_TRUE(ch.predicted) << c;
        // The prediction is the measurement plus the correction at the measured frequencies.
        EXPECT_NE(ch.predictedDb, ch.spectrumDb) << c;
        EXPECT_GT(ch.distance, 0) << c;
        // The amplifier's correction, applied to its own measurement, flattens it.
        EXPECT_GT(ch.before.rms, 1.0) << c;
        EXPECT_LT(ch.after.rms, 0.6 * ch.before.rms) << c;
    }
    EXPECT_FALSE(cal.Channel(5).spectrumComplete);
    const sim::DeviceState state = amp->Snapshot();
    EXPECT_EQ(state.calibration.channelMask, kChannels);
    EXPECT_EQ(state.calibration.eqMode, 2);
    EXPECT_EQ(state.calibration.testModule, model::IRC_DEFAULT_MODULES);

    const sim::DeviceState before = amp->Snapshot();
    EXPECT_TRUE(cal.Apply());
    EXPECT_EQ(amp->Snapshot().calibration.lastAction, 2);
    EXPECT_FALSE(cal.Apply());
    EXPECT_FALSE(cal.Discard());
    // The user's bands are not the calibration's.
    EXPECT_EQ(amp->Snapshot().scenes, before.scenes);

    const std::string csv = cal.Csv();
    EXPECT_NE(csv.find("channel,frequency_hz,measured_db,correction_db,predicted_db"),
              std::string::npos);
    EXPECT_NE(csv.find("\n2,"), std::string::npos);
    EXPECT_EQ(csv.find("\n6,"), std::string::npos);
}

TEST_F(CalibrationTest, EveryFailureReasonEndsTheRunWithoutAResult) {
    for (uint8_t reason = 0; reason <= 5; ++reason) {
        SCOPED_TRACE(reason);
        amp->FailCalibrationAt(3, reason);
        ASSERT_TRUE(cal.Start(model::IRC_MODULE_EQ, kChannels, 0));
        ASSERT_TRUE(RunEnds());
        Settle();
        EXPECT_EQ(cal.Outcome(), model::CalibrationOutcome::Failed);
        EXPECT_EQ(cal.FailReason(), reason);
        EXPECT_FALSE(cal.Apply());
    }
}

TEST_F(CalibrationTest, StopMidRunKeepsNothingAndNothingStartsWithoutAModule) {
    EXPECT_FALSE(cal.Start(0, kChannels, 0));
    EXPECT_FALSE(jobs.Running());
    ASSERT_TRUE(cal.Start(model::IRC_DEFAULT_MODULES, kChannels, 0));
    ASSERT_TRUE(model_test::RunUntil([&] { return cal.Status() >= 2; }));
    cal.Stop();
    EXPECT_FALSE(cal.Running());
    EXPECT_EQ(cal.Outcome(), model::CalibrationOutcome::Stopped);
    EXPECT_EQ(amp->Snapshot().calibration.lastAction, 0);
    EXPECT_FALSE(amp->Snapshot().calibration.running);
    EXPECT_FALSE(cal.Apply());
    EXPECT_FALSE(cal.Discard());
}

}  // namespace
