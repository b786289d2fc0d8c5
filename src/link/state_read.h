#pragma once
// The read of the amplifier's whole live state, in the order the amplifier expects after the
// handshake. Every reply is decoded and posted as it arrives.

#include "dsp_link.h"

namespace dsplink {

// Input channels of each of the 9 sources.
constexpr int kSourceInputCounts[9] = {2, 2, 2, 2, 0, 10, 2, 0, 0};

// Sends every read of the live set (scene 0) at once; returns how many got no reply.
int ReadLiveState(DspLink& link, int eqBands = 31);

}  // namespace dsplink
