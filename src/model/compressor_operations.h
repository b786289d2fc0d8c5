#pragma once
// The output compressors: the full compressor of one output (Compressor_Ctrl), its threshold,
// attack and release alone (Compressor_Ctrl2) and its on/off switch (Compressor_Ch_Ctrl).
// Each operation clamps to the limits below, keeps the steps the wire carries, stores in the
// live record, tells the windows, then sends queued for that one output; a value that does not
// change sends nothing. Runs on the manager's thread.

#include "link/dsp_link.h"
#include "model/model_changes.h"
#include "model/profile_record.h"

namespace model {

// Limits that both compressor commands carry: Compressor_Ctrl sends the threshold + 100 dB and
// the ratio and knee as unsigned tenths, Compressor_Ctrl2 the threshold as signed tenths and the
// release as tenths of a second; attack and release are u16 in ms. The layouts' sliders span
// exactly these ranges (value x scale).
inline constexpr float MIN_COMPRESSOR_THRESHOLD = -100.0f;
inline constexpr float MAX_COMPRESSOR_THRESHOLD = 127.0f;
inline constexpr float MIN_COMPRESSOR_RATIO = 1.0f;
inline constexpr float MAX_COMPRESSOR_RATIO = 100.0f;
inline constexpr float MIN_COMPRESSOR_KNEE = 0.0f;
inline constexpr float MAX_COMPRESSOR_KNEE = 48.0f;
inline constexpr int MIN_COMPRESSOR_ATTACK = 0;
inline constexpr int MAX_COMPRESSOR_ATTACK = 5000;
inline constexpr int MIN_COMPRESSOR_RELEASE = 100;
inline constexpr int MAX_COMPRESSOR_RELEASE = 65500;
// Compressor_Ctrl2 carries the release in tenths of a second.
inline constexpr int COMPRESSOR_RELEASE_STEP = 100;

struct CompressorSettings {
    int bypass = 1;
    float threshold = 0.0f;  // dB
    float ratio = 1.0f;
    int attack = 0;     // ms
    int release = 0;    // ms
    float knee = 0.0f;  // dB

    bool operator==(const CompressorSettings&) const = default;
};

// The settings as the operations store and send them: clamped, in wire steps.
CompressorSettings WireCompressor(const CompressorSettings& s);
// The settings of an output as the live record holds them; defaults outside 0..11.
CompressorSettings CompressorOf(const ProfileRecord& record, int output);

class CompressorOperations {
  public:
    CompressorOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes);

    // The whole compressor of an output. False when the output is not one or nothing changed.
    bool SetCompressor(int output, const CompressorSettings& settings);
    // Threshold, attack and release of an output; its bypass, ratio and knee stay.
    bool SetCompressorBasics(int output, float threshold, int attack, int release);
    bool SetCompressorOn(int output, bool on);

  private:
    bool Store(int output, const CompressorSettings& s);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    ModelChanges& mChanges;
};

}  // namespace model
