#pragma once
// Frames waiting for McuCmdThread. An enqueue never blocks on the consumer and never drops:
// the queue grows by blocks of 256 entries, and the consumer frees blocks it has emptied.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "link/encoding.h"

namespace dsplink {

struct QueuedCommand {
    uint8_t type = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    Payload payload;
};

class CommandQueue {
  public:
    CommandQueue();
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    void Push(QueuedCommand command);
    // Consumer side only.
    std::optional<QueuedCommand> Pop();

  private:
    static constexpr size_t kBlockSize = 256;
    struct Block {
        std::array<QueuedCommand, kBlockSize> entries;
        std::atomic<size_t> published{0};
        std::atomic<Block*> next{nullptr};
    };

    // Producers take this among themselves only; the consumer never does.
    std::mutex mProducerLock;
    Block* mTail;
    Block* mHead;
    size_t mHeadIndex = 0;
};

}  // namespace dsplink
