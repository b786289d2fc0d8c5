#pragma once
// The room the virtual amplifier's microphone sits in: what it hears from each output, how far
// away each speaker is, and the correction a run computes from that. Deterministic per output,
// so that every run over the same outputs answers the same.

#include <array>
#include <cstdint>

#include "sim/device_state.h"

namespace sim {

using SpectrumCurve = std::array<double, kIrcSpectrumPoints>;  // dB per measurement point

// The correction aims at a flat response between these frequencies.
constexpr double kFlatFromHz = 100.0;
constexpr double kFlatToHz = 10000.0;
// Peaking bands are designed at the host's curve sample rate.
constexpr double kCorrectionSampleRate = 48000.0;
constexpr double kMaxCutDb = -12.0;
constexpr double kMaxBoostDb = 6.0;

// Measurement point `point` (0..120): 20 Hz * 1000^(point / 120).
double MeasurementFrequency(int point);

// What the microphone hears from `output`, relative to the nominal level.
SpectrumCurve RoomResponse(int output);

// Speaker of `output` to the listening position, in hundredths of a metre.
uint16_t RoomDistance(int output);

// The response as the spectrum reply carries it: frequency and gain in hundredths.
std::array<SpectrumPoint, kIrcSpectrumPoints> QuantizeSpectrum(const SpectrumCurve& db);

// Gain of a band in dB, and the pair that carries it (gain + 18 dB, then tenths).
double BandGainDb(const IrcEqBand& band);
std::array<uint8_t, 2> BandGainPair(double db);

// The sum of the bands' peaking curves at the measurement points.
SpectrumCurve BandsResponse(const ChannelBands& bands);

// Bands that make `measured` flatter between kFlatFromHz and kFlatToHz; bands not needed are
// flat (0 dB).
ChannelBands CorrectionBands(const std::array<SpectrumPoint, kIrcSpectrumPoints>& measured);

}  // namespace sim
