#include "link/command_queue.h"

namespace dsplink {

CommandQueue::CommandQueue() : mTail(new Block), mHead(mTail) {}

CommandQueue::~CommandQueue() {
    while (mHead != nullptr) {
        Block* next = mHead->next.load();
        delete mHead;
        mHead = next;
    }
}

void CommandQueue::Push(QueuedCommand command) {
    std::lock_guard<std::mutex> guard(mProducerLock);
    size_t index = mTail->published.load(std::memory_order_relaxed);
    if (index == kBlockSize) {
        Block* block = new Block;
        mTail->next.store(block, std::memory_order_release);
        mTail = block;
        index = 0;
    }
    mTail->entries[index] = std::move(command);
    mTail->published.store(index + 1, std::memory_order_release);
}

std::optional<QueuedCommand> CommandQueue::Pop() {
    if (mHeadIndex == kBlockSize) {
        Block* next = mHead->next.load(std::memory_order_acquire);
        if (next == nullptr) {
            return std::nullopt;
        }
        delete mHead;
        mHead = next;
        mHeadIndex = 0;
    }
    if (mHeadIndex >= mHead->published.load(std::memory_order_acquire)) {
        return std::nullopt;
    }
    return std::move(mHead->entries[mHeadIndex++]);
}

}  // namespace dsplink
