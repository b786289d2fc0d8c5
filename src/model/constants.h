#pragma once
// Sizes and identity of the supported amplifier.

#include "shell/identity.h"

namespace model {

// The supported model under the model's own name.
inline constexpr int MODEL_ID = shell::kModelId;
inline constexpr int OUTPUT_CHANNELS = 12;
inline constexpr int BRIDGE_PAIRS = 6;
inline constexpr int INPUT_SOURCES = 9;
// Rows kept per source; at most 10 are used by any source.
inline constexpr int INPUT_ROWS = 12;
inline constexpr int MAX_EQ_BANDS = 31;
inline constexpr int STORED_SCENES = 10;
inline constexpr int SCENE_NAME_BYTES = 16;
inline constexpr int CURVE_POINTS = 512;
// Band-count slots; more than outputs, only the first 12 are used.
inline constexpr int BAND_COUNT_SLOTS = 16;
inline constexpr int KTV_SETTINGS = 10;

inline constexpr bool IsOutputIndex(int i) {
    return i >= 0 && i < OUTPUT_CHANNELS;
}
inline constexpr bool IsSourceIndex(int s) {
    return s >= 0 && s < INPUT_SOURCES;
}
inline constexpr bool IsBandIndex(int b) {
    return b >= 0 && b < MAX_EQ_BANDS;
}

}  // namespace model
