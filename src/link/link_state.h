#pragma once
// Connection state that the decoders update and the controller reads.

#include <atomic>
#include <cstdint>

#include "shell/identity.h"

namespace dsplink {

struct LinkState {
    std::atomic<bool> mcu_is_normal_mode{false};
    std::atomic<int32_t> deviceModel{-1};
    std::atomic<int32_t> bootloaderVersion{0};
    // While 16 or 32 an upgrade runs and the controller neither connects nor disconnects.
    std::atomic<int32_t> sys_upg_status{0};
    // Input noise levels go to the main target instead of the noise target.
    std::atomic<bool> noiseToMain{false};
    std::atomic<uint32_t> dspReplyCount{0};
    uint8_t pcModel = shell::kModelId;
    int inputCount = 12;
    int outputCount = 12;
};

}  // namespace dsplink
