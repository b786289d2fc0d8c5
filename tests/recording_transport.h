#pragma once
// The virtual amplifier's transport that also keeps every command frame the program wrote.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/sim_transport.h"

namespace model_test {

using Frame = std::vector<uint8_t>;  // subcmd, then the payload

class RecordingTransport : public sim::SimTransport {
  public:
    RecordingTransport(std::shared_ptr<sim::VirtualAmplifier> amp, dsplink::Clock& clock,
                       std::vector<Frame>& frames, std::mutex* lock = nullptr)
        : SimTransport(std::move(amp), clock), mFrames(frames), mLock(lock) {}
    int Write(const uint8_t* data, size_t length) override {
        // Report ID, AA 55, LEN, type, subcmd, optype, payload.
        if (length > 7 && data[3] >= 3) {
            Frame frame{data[5]};
            frame.insert(frame.end(), data + 7, data + std::min<size_t>(length, 4u + data[3]));
            if (mLock) {
                const std::lock_guard guard(*mLock);
                mFrames.push_back(frame);
            } else {
                mFrames.push_back(frame);
            }
        }
        return SimTransport::Write(data, length);
    }

  private:
    std::vector<Frame>& mFrames;
    std::mutex* mLock;
};

}  // namespace model_test
