#pragma once
// A believable installation for trying the program without an amplifier: a front stage with
// tweeters, midranges and woofers, rear fill, a bridged subwoofer, time alignment, some EQ.

#include "sim/device_state.h"

namespace sim {

void ApplyDemoTuning(DeviceState& state);

}  // namespace sim
