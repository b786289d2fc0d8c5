#pragma once
// The read of the amplifier's whole live state, in the order the amplifier expects after the
// handshake. Every reply is decoded and posted as it arrives.

#include <functional>

#include "link/dsp_link.h"

namespace dsplink {

// Input channels of each of the 9 sources.
constexpr int kSourceInputCounts[9] = {2, 2, 2, 2, 0, 10, 2, 0, 0};

// Sends every read of the live set (scene 0) at once; returns how many got no reply.
int ReadLiveState(DspLink& link, int eqBands = 31);

// Milliseconds the amplifier needs after ReadScene before it serves the scene's values.
constexpr int kSceneSettleMs = 1000;

// Reads stored scene n (1..10): ReadScene(n, 255) and, once it is answered, a settle wait
// (through `settle`, so the caller decides how a long wait may be interrupted), then every read
// of that scene. The replies carry scene n. Returns how many reads got no reply.
int ReadStoredScene(DspLink& link, int scene, const std::function<void(int ms)>& settle);

}  // namespace dsplink
