// The virtual amplifier's room calibration, driven as the host's calibration window drives it
// and read back through the host's own reply decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <span>
#include <vector>

#include "dsp/peaking.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_records.h"
#include "link/subcommands.h"
#include "sim/calibration_run.h"
#include "sim/demo_tuning.h"
#include "sim/virtual_amplifier.h"

using namespace dsplink;
using Bytes = std::vector<uint8_t>;

namespace {

class Collect : public ReplyContext {
  public:
    void Post(ReplyTargetId, LinkMessage message) override { posted.push_back(std::move(message)); }
    LinkState& State() override { return state; }
    std::vector<LinkMessage> posted;
    LinkState state;
};

// One answer: its frame and what the host's decoder posts for it.
struct Answer {
    uint8_t optype = 0;
    Bytes payload;
    std::vector<LinkMessage> posted;
};

struct Status {
    uint32_t code = 0;
    int32_t value = 0;  // progress, or the channel (7, 8), or the failure reason (11)
    uint8_t progress = 0;
};

// What the host received for one channel during a run.
struct Received {
    std::vector<IrcSpectrumRecord> spectrum;
    std::vector<IrcEqRecord> eq;
};

// Deviation from its own mean over 100 Hz - 10 kHz, RMS in dB.
double FlatRms(const std::vector<double>& hz, const std::vector<double>& db) {
    std::vector<double> in;
    for (size_t i = 0; i < hz.size(); ++i) {
        if (hz[i] >= 100 && hz[i] <= 10000) {
            in.push_back(db[i]);
        }
    }
    const double mean = std::accumulate(in.begin(), in.end(), 0.0) / in.size();
    double sum = 0;
    for (double v : in) {
        sum += (v - mean) * (v - mean);
    }
    return std::sqrt(sum / in.size());
}

double MeanBetween(const std::vector<double>& hz, const std::vector<double>& db, double lo,
                   double hi) {
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < hz.size(); ++i) {
        if (hz[i] >= lo && hz[i] <= hi) {
            sum += db[i];
            ++n;
        }
    }
    return sum / n;
}

// The bands' summed peaking curves at `hz`, as the host's curve math draws them (fs 48000).
std::vector<double> CorrectionAt(const std::vector<double>& hz,
                                 const std::vector<IrcEqRecord>& bands) {
    std::vector<double> grid = hz;
    grid.push_back(24000);  // the evaluators take fs / 2, then fs, at the end
    grid.push_back(48000);
    std::vector<double> sum(hz.size(), 0.0);
    std::vector<double> one(grid.size());
    for (const IrcEqRecord& band : bands) {
        dsp::PeakingCurve(48000, band.freq, band.gain, band.q, grid, one);
        for (size_t i = 0; i < sum.size(); ++i) {
            sum[i] += one[i];
        }
    }
    return sum;
}

class CalibrationTest : public ::testing::Test {
  protected:
    Answer Send(uint8_t subcmd, uint8_t optype, const Bytes& p) {
        Answer answer;
        const std::optional<sim::InputReport> in =
            amp.HandleReport(BuildOutputReport(CMD_DSP, subcmd, optype, p));
        if (!in) {
            ADD_FAILURE() << "no answer";
            return answer;
        }
        Collect context;
        int frames = 0;
        FrameParser parser([&](const FrameView& f, bool valid, std::span<const uint8_t>) {
            ++frames;
            EXPECT_TRUE(valid);
            answer.optype = f.optype();
            answer.payload.assign(f.payload().begin(), f.payload().end());
            DecodeDspReply(f, context);
        });
        parser.Feed(*in);
        EXPECT_EQ(frames, 1);
        answer.posted = std::move(context.posted);
        return answer;
    }
    // Whether the amplifier took the write.
    bool Write(uint8_t subcmd, const Bytes& p) {
        const Answer a = Send(subcmd, OP_WRITE, p);
        EXPECT_EQ(a.optype, OP_ACK);
        return !a.payload.empty() && a.payload[0] == ACK_READY;
    }
    bool Control(uint8_t action, uint16_t mask = 0) {
        return Write(DSP_IRC_CTRL, {action, static_cast<uint8_t>(mask >> 8),
                                    static_cast<uint8_t>(mask & 0xFF), 1});
    }
    Status Poll() {
        const Answer a = Send(DSP_IRC_CTRL, OP_READ, {});
        if (a.posted.size() != 1 || a.payload.size() < 4) {
            ADD_FAILURE() << "a status posts one message";
            return {};
        }
        EXPECT_EQ(a.posted[0].message, WM_READ_IRC_VALUE);
        return {a.posted[0].wParam, a.posted[0].value, a.payload[3]};
    }
    template <typename R>
    std::vector<R> Records(uint8_t subcmd, const Bytes& p) {
        std::vector<R> out;
        for (const LinkMessage& m : Send(subcmd, OP_READ, p).posted) {
            const R* record = dynamic_cast<const R*>(m.record.get());
            EXPECT_TRUE(record != nullptr);
            if (record != nullptr) {
                out.push_back(*record);
            }
        }
        return out;
    }
    std::vector<IrcSpectrumRecord> Spectrum(uint8_t channel, uint8_t first, uint8_t last) {
        return Records<IrcSpectrumRecord>(DSP_IRC_SPECTRUM, {channel, first, last});
    }
    std::vector<IrcEqRecord> Eq(uint8_t channel, uint8_t first, uint8_t last) {
        return Records<IrcEqRecord>(DSP_IRC_EQ, {channel, first, last});
    }

    void Start(uint16_t mask) {
        ASSERT_TRUE(Write(DSP_IRC_SEL_TEST_MODULE, {7}));
        ASSERT_TRUE(Control(sim::kIrcStart, mask));
    }
    // Polls as the host's window does until done, failed or exited, reading the spectrum of
    // the channel a 7 names and the EQ of the channel an 8 names.
    std::vector<Status> Follow() {
        std::vector<Status> seen;
        for (int round = 0; round < 64; ++round) {
            const Status s = Poll();
            seen.push_back(s);
            if (s.code == 7) {
                auto& points = received[s.value].spectrum;
                points.clear();
                for (int first = 0; first <= 117; first += 9) {
                    const int last = std::min(first + 8, 120);
                    const auto block =
                        Spectrum(static_cast<uint8_t>(s.value), static_cast<uint8_t>(first),
                                 static_cast<uint8_t>(last));
                    EXPECT_EQ(block.size(), static_cast<size_t>(last - first + 1));
                    points.insert(points.end(), block.begin(), block.end());
                }
            } else if (s.code == 8) {
                auto& bands = received[s.value].eq;
                bands = Eq(static_cast<uint8_t>(s.value), 0, 5);
                const auto rest = Eq(static_cast<uint8_t>(s.value), 6, 10);
                bands.insert(bands.end(), rest.begin(), rest.end());
            } else if (s.code >= 10) {
                break;
            }
        }
        return seen;
    }
    std::vector<Status> Run(uint16_t mask) {
        Start(mask);
        return Follow();
    }

    static std::vector<double> Hz(const Received& r) {
        std::vector<double> hz;
        for (const auto& p : r.spectrum) {
            hz.push_back(p.freq);
        }
        return hz;
    }
    static std::vector<double> Db(const Received& r) {
        std::vector<double> db;
        for (const auto& p : r.spectrum) {
            db.push_back(p.gain);
        }
        return db;
    }
    sim::CalibrationState Cal() const { return amp.Snapshot().calibration; }

    sim::VirtualAmplifier amp;
    std::map<int, Received> received;
};

}  // namespace

TEST_F(CalibrationTest, AWholeRunWalksEveryStepAndMeasuresEachChosenChannel) {
    // Bits above the twelve outputs name nothing.
    const std::vector<Status> seen = Run(0xF805);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().code, 10u);
    EXPECT_EQ(seen.back().progress, 100);
    std::vector<std::pair<uint32_t, int32_t>> updates;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(seen[i].code, seen[i - 1].code == 8 ? 7u : seen[i - 1].code) << i;
            EXPECT_GE(seen[i].progress, seen[i - 1].progress) << i;
        }
        if (seen[i].code == 7 || seen[i].code == 8) {
            updates.emplace_back(seen[i].code, seen[i].value);
        }
    }
    EXPECT_EQ(seen.front().code, 0u);
    EXPECT_EQ(seen[seen.size() - 2].code, 9u);
    EXPECT_EQ(updates, (std::vector<std::pair<uint32_t, int32_t>>{
                           {7, 0}, {8, 0}, {7, 2}, {8, 2}, {7, 11}, {8, 11}}));
    EXPECT_EQ(Poll().code, 10u);  // done repeats

    for (int c : {0, 2, 11}) {
        const Received& r = received[c];
        ASSERT_EQ(r.spectrum.size(), 121u);
        ASSERT_EQ(r.eq.size(), 11u);
        for (int i = 0; i < 121; ++i) {
            EXPECT_NEAR(r.spectrum[i].freq, 20 * std::pow(1000.0, i / 120.0), 0.01) << i;
        }
    }
    const auto distance = Records<IrcDistanceRecord>(DSP_IRC_DISTANCE, {0, 2});
    ASSERT_EQ(distance.size(), 3u);
    EXPECT_GT(distance[0].distance, 0.3f);
    EXPECT_LT(distance[2].distance, 5.0f);
    EXPECT_EQ(distance[1].distance, 0.0f);

    // A channel left out reads what is stored: nothing measured, flat bands.
    for (const auto& p : Spectrum(1, 0, 8)) {
        EXPECT_EQ(std::pair(p.freq, p.gain), std::pair(0.0f, 0.0f));
    }
    for (const auto& b : Eq(1, 0, 5)) {
        EXPECT_EQ(b.gain, 0.0f);
    }
    EXPECT_EQ(Send(DSP_IRC_SPECTRUM, OP_READ, {12, 0, 8}).payload, (Bytes{NOT_READY, 12}));
    EXPECT_EQ(Send(DSP_IRC_SPECTRUM, OP_READ, {0, 117, 121}).payload, (Bytes{NOT_READY, 0}));
    EXPECT_EQ(Send(DSP_IRC_EQ, OP_READ, {0, 6, 11}).payload, (Bytes{NOT_READY, 0}));
}

TEST_F(CalibrationTest, TheRoomHasAModeBelow300HzAndFallingTreble) {
    Run(0x0007);
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        const std::vector<double> hz = Hz(received[c]);
        const std::vector<double> db = Db(received[c]);
        ASSERT_EQ(db.size(), 121u);
        const double mean = MeanBetween(hz, db, 100, 10000);
        double peak = -100;
        for (size_t i = 0; i < hz.size() && hz[i] < 300; ++i) {
            peak = std::max(peak, db[i]);
        }
        EXPECT_GT(peak, mean + 3);
        EXPECT_LT(MeanBetween(hz, db, 10000, 20000), mean - 1);
        EXPECT_LT(db[120], MeanBetween(hz, db, 4500, 5500));
    }
    EXPECT_NE(Db(received[0]), Db(received[1]));
    // The same room answers every run alike.
    const auto first = Cal().spectrum;
    Run(0x0007);
    EXPECT_EQ(Cal().spectrum, first);
}

TEST_F(CalibrationTest, TheCorrectionFlattensTheMeasuredResponse) {
    Run(0x0FFF);
    for (int c = 0; c < 12; ++c) {
        SCOPED_TRACE(c);
        const Received& r = received[c];
        ASSERT_EQ(r.eq.size(), 11u);
        bool cuts = false;
        for (const IrcEqRecord& band : r.eq) {
            EXPECT_GE(band.gain, -12.0f);
            EXPECT_LE(band.gain, 6.0f);
            cuts = cuts || band.gain < 0;
        }
        EXPECT_TRUE(cuts);
        const std::vector<double> hz = Hz(r);
        const std::vector<double> measured = Db(r);
        const std::vector<double> correction = CorrectionAt(hz, r.eq);
        std::vector<double> corrected(measured.size());
        std::transform(measured.begin(), measured.end(), correction.begin(), corrected.begin(),
                       std::plus<>());
        const double before = FlatRms(hz, measured);
        const double after = FlatRms(hz, corrected);
        EXPECT_LE(after, 0.6 * before) << before << " dB before, " << after << " dB after";
    }
}

TEST_F(CalibrationTest, EveryFailureReasonEndsTheRunWithThatReason) {
    // Over two channels the script is 0..6, (7, 8) twice, 9, 10: steps 0 to 12.
    const std::array<int, 6> steps = {0, 3, 7, 10, 11, 12};
    for (uint8_t reason = 0; reason <= 5; ++reason) {
        SCOPED_TRACE(reason);
        amp.FailCalibrationAt(steps[reason], reason);
        const std::vector<Status> seen = Run(0x0003);
        ASSERT_EQ(seen.size(), static_cast<size_t>(steps[reason] + 1));
        EXPECT_EQ(seen.back().code, 11u);
        EXPECT_EQ(seen.back().value, reason);
        EXPECT_EQ(Poll().code, 11u);
        EXPECT_FALSE(Control(sim::kIrcApply));
        EXPECT_FALSE(Cal().resultPending);
    }
    EXPECT_FALSE(sim::CorrectionActive(Cal(), 0));
    // The next run is whole again.
    EXPECT_EQ(Run(0x0003).back().code, 10u);
}

TEST_F(CalibrationTest, StoppingExitsAndKeepsNothing) {
    Start(0x0001);
    while (Poll().code != 7) {
    }
    EXPECT_TRUE(Control(sim::kIrcStop));
    EXPECT_EQ(Poll().code, 12u);
    EXPECT_EQ(Poll().code, 12u);
    EXPECT_FALSE(Control(sim::kIrcApply));
    EXPECT_FALSE(Control(sim::kIrcDiscard));
    const sim::CalibrationState cal = Cal();
    EXPECT_FALSE(cal.resultPending);
    EXPECT_EQ(cal.spectrum, sim::DefaultDeviceState().calibration.spectrum);
    EXPECT_FALSE(sim::CorrectionActive(cal, 0));

    // A stop after the end drops the finished result too.
    EXPECT_EQ(Run(0x0001).back().code, 10u);
    EXPECT_TRUE(Control(sim::kIrcStop));
    EXPECT_FALSE(Control(sim::kIrcApply));
    EXPECT_FALSE(sim::CorrectionActive(Cal(), 0));
}

TEST_F(CalibrationTest, ApplyKeepsTheCorrectionAndLeavesEveryScenesBandsAlone) {
    amp.Modify([](sim::DeviceState& s) {
        sim::ApplyDemoTuning(s);
        s.scenes[0].outputs[0].bands[5].gain = {14, 5};
        s.scenes[3].outputs[2].bands[20].freq = 2200;
    });
    const auto scenes = amp.Snapshot().scenes;

    Start(0x0005);
    for (int i = 0; i < 8; ++i) {
        Poll();
    }
    EXPECT_FALSE(Control(sim::kIrcApply));  // not done yet: the run goes on
    EXPECT_EQ(Follow().back().code, 10u);
    EXPECT_TRUE(Control(sim::kIrcApply, 0x0005));
    EXPECT_EQ(Poll().code, 12u);
    EXPECT_FALSE(Control(sim::kIrcApply));  // nothing left to apply

    const sim::DeviceState s = amp.Snapshot();
    EXPECT_EQ(s.scenes, scenes);
    for (int c = 0; c < sim::kOutputs; ++c) {
        EXPECT_EQ(sim::CorrectionActive(s.calibration, c), c == 0 || c == 2) << c;
    }
    // The kept bands are those the host was shown.
    for (int c : {0, 2}) {
        const auto& kept = s.calibration.active[c].bands;
        ASSERT_EQ(received[c].eq.size(), kept.size());
        for (size_t b = 0; b < kept.size(); ++b) {
            const IrcEqRecord& shown = received[c].eq[b];
            EXPECT_EQ(shown.freq, kept[b].freq);
            EXPECT_NEAR(shown.q, kept[b].q / 100.0, 1e-4);
            EXPECT_NEAR(shown.gain, kept[b].gain[0] + kept[b].gain[1] / 10.0 - 18, 1e-4);
        }
    }
}

TEST_F(CalibrationTest, DiscardDropsOnlyThePendingResult) {
    Run(0x0001);
    ASSERT_TRUE(Control(sim::kIrcApply));
    const sim::KeptCorrection kept = Cal().active[0];

    Run(0x0003);
    EXPECT_TRUE(Control(sim::kIrcDiscard));
    EXPECT_FALSE(Control(sim::kIrcApply));
    EXPECT_FALSE(Control(sim::kIrcDiscard));
    const sim::CalibrationState cal = Cal();
    EXPECT_EQ(cal.active[0], kept);  // the earlier correction stays
    EXPECT_FALSE(sim::CorrectionActive(cal, 1));
    EXPECT_EQ(cal.eq, sim::DefaultDeviceState().calibration.eq);
    EXPECT_EQ(amp.Snapshot().scenes, sim::DefaultDeviceState().scenes);
}

TEST_F(CalibrationTest, BypassSwitchesTheKeptCorrectionOffAndOn) {
    Run(0x0001);
    ASSERT_TRUE(Control(sim::kIrcApply));
    EXPECT_TRUE(sim::CorrectionActive(Cal(), 0));
    ASSERT_TRUE(Write(DSP_IRC_ACTIVE_BYPASS_CONTROL, {0, 1}));
    EXPECT_FALSE(sim::CorrectionActive(Cal(), 0));
    EXPECT_TRUE(Cal().active[0].on);  // bypassed, not forgotten
    ASSERT_TRUE(Write(DSP_IRC_ACTIVE_BYPASS_CONTROL, {0, 0}));
    EXPECT_TRUE(sim::CorrectionActive(Cal(), 0));
    EXPECT_FALSE(sim::CorrectionActive(Cal(), 12));
}
