#include "link/command_queue.h"
#include "link/protocol.h"

#include <gtest/gtest.h>

#include <thread>

using namespace dsplink;

TEST(CommandQueue, KeepsOrderAcrossManyBlocks) {
    CommandQueue q;
    for (int i = 0; i < 1000; ++i) {
        q.Push({CMD_DSP, static_cast<uint8_t>(i & 0xFF), OP_WRITE,
                Payload{static_cast<uint8_t>(i >> 8)}});
    }
    for (int i = 0; i < 1000; ++i) {
        auto c = q.Pop();
        ASSERT_TRUE(c.has_value()) << i;
        EXPECT_EQ(c->subcmd, i & 0xFF);
        EXPECT_EQ(c->payload, Payload{static_cast<uint8_t>(i >> 8)});
    }
    EXPECT_FALSE(q.Pop().has_value());
}

TEST(CommandQueue, ConcurrentProducerAndConsumerLoseNothing) {
    CommandQueue q;
    constexpr int kCount = 200000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i) {
            q.Push({CMD_DSP, 0, OP_WRITE,
                    Payload{static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8),
                            static_cast<uint8_t>(i >> 16)}});
        }
    });
    int next = 0;
    while (next < kCount) {
        if (auto c = q.Pop()) {
            const int value = c->payload[0] | (c->payload[1] << 8) | (c->payload[2] << 16);
            ASSERT_EQ(value, next);
            ++next;
        }
    }
    producer.join();
    EXPECT_FALSE(q.Pop().has_value());
}

TEST(CommandQueue, DestroyingAFullQueueFreesEverything) {
    // Leaks show under the sanitizer build.
    CommandQueue q;
    for (int i = 0; i < 700; ++i) {
        q.Push({CMD_DSP, 0, OP_WRITE, Payload(40, 1)});
    }
    q.Pop();
}
