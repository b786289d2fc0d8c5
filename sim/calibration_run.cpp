#include "sim/calibration_run.h"

#include "sim/calibration_room.h"

namespace sim {
namespace {

bool Measured(uint16_t mask, int output) {
    return (mask >> output) & 1u;
}

// A stopped or discarded run leaves nothing to read back.
void DropMeasurement(CalibrationState& cal) {
    cal.distance = {};
    cal.eq = {};
    cal.spectrum = {};
    cal.resultPending = false;
}

}  // namespace

void StartCalibration(CalibrationState& cal, uint16_t mask, uint8_t eqMode) {
    cal.channelMask = mask;
    cal.eqMode = eqMode;
    DropMeasurement(cal);
    // Mask bits beyond the amplifier's outputs name nothing.
    for (int c = 0; c < kOutputs; ++c) {
        if (Measured(mask, c)) {
            cal.spectrum[c] = QuantizeSpectrum(RoomResponse(c));
            cal.eq[c] = CorrectionBands(cal.spectrum[c]);
            cal.distance[c] = RoomDistance(c);
        }
    }

    cal.script.clear();
    for (uint8_t code = 0; code <= 6; ++code) {
        cal.script.push_back(CalibrationStep{code, 0, 0, 0});
    }
    // Each measured channel reports its response (7) and its computed EQ (8).
    for (uint8_t c = 0; c < kOutputs; ++c) {
        if (Measured(mask, c)) {
            cal.script.push_back(CalibrationStep{7, c, 0, 0});
            cal.script.push_back(CalibrationStep{8, c, 0, 0});
        }
    }
    cal.script.push_back(CalibrationStep{9, 0, 0, 0});
    cal.script.push_back(CalibrationStep{IRC_RET_TEST_DONE, 0, 0, 0});
    const size_t steps = cal.script.size();
    for (size_t i = 0; i < steps; ++i) {
        cal.script[i].progress = static_cast<uint8_t>(i * 100 / (steps - 1));
    }
    if (cal.failAtStep >= 0 && static_cast<size_t>(cal.failAtStep) < steps) {
        const size_t at = static_cast<size_t>(cal.failAtStep);
        const uint8_t progress = cal.script[at].progress;
        cal.script.resize(at);
        cal.script.push_back(CalibrationStep{IRC_RET_TEST_FAIL, 0, progress, cal.failReason});
    }
    cal.failAtStep = -1;
    cal.position = 0;
    cal.running = true;
}

bool ControlCalibration(CalibrationState& cal, uint8_t action, uint16_t mask, uint8_t eqMode) {
    switch (action) {
        case kIrcStart:
            StartCalibration(cal, mask, eqMode);
            break;
        case kIrcStop:
            cal.running = false;
            DropMeasurement(cal);
            break;
        case kIrcApply:
            if (!cal.resultPending) {
                return false;
            }
            // The run's own outputs take its correction; the others keep theirs.
            for (int c = 0; c < kOutputs; ++c) {
                if (Measured(cal.channelMask, c)) {
                    cal.active[c] = KeptCorrection{cal.eq[c], true};
                }
            }
            cal.resultPending = false;
            cal.running = false;
            break;
        case kIrcDiscard:
            if (!cal.resultPending) {
                return false;
            }
            cal.running = false;
            DropMeasurement(cal);
            break;
        default:
            return false;
    }
    cal.lastAction = action;
    return true;
}

std::vector<uint8_t> CalibrationStatus(CalibrationState& cal) {
    if (!cal.running || cal.script.empty()) {
        return {IRC_RET_TEST_EXIT, 0, 0, 0, 0};
    }
    const CalibrationStep step = cal.script[cal.position];
    if (step.code == IRC_RET_TEST_DONE) {
        cal.resultPending = true;
    }
    // The last status (done or failed) repeats until the next start.
    if (cal.position + 1 < cal.script.size()) {
        ++cal.position;
    }
    return {step.code, step.detail, 0, step.progress, step.reason};
}

bool CorrectionActive(const CalibrationState& cal, int output) {
    return output >= 0 && output < kOutputs && cal.active[output].on && cal.bypass == 0;
}

}  // namespace sim
