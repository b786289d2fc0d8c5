#pragma once
// A room calibration run as the amplifier drives it: the script of statuses the host polls,
// the measurement it reads on the way, and what apply, discard and stop do with the result.

#include <cstdint>
#include <vector>

#include "sim/device_state.h"

namespace sim {

// IRC_Ctrl actions.
constexpr uint8_t kIrcStop = 0;
constexpr uint8_t kIrcStart = 1;
constexpr uint8_t kIrcApply = 2;
constexpr uint8_t kIrcDiscard = 3;

// Measures the outputs in `mask` and builds the run's script; outputs outside it read zeros.
void StartCalibration(CalibrationState& cal, uint16_t mask, uint8_t eqMode);

// One IRC_Ctrl. False, changing nothing, for an unknown action and for apply or discard
// without a completed run's result.
bool ControlCalibration(CalibrationState& cal, uint8_t action, uint16_t mask, uint8_t eqMode);

// The answer to IRC_Get: status code, detail, 0, progress, failure reason. Each poll moves the
// run one step on.
std::vector<uint8_t> CalibrationStatus(CalibrationState& cal);

// Whether the kept correction of `output` is in effect: applied and not bypassed.
bool CorrectionActive(const CalibrationState& cal, int output);

}  // namespace sim
