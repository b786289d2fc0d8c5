// Untrusted input against the frame parser and the four decoders: random byte streams, random
// frames with good checksums, and every truncation of every well-formed reply. Nothing may read
// or write out of bounds (the sanitizer build checks), and every posted record must keep its
// indices inside its arrays.
#include <gtest/gtest.h>

#include <array>

#include <random>

#include "reply_decoders_support.h"

namespace reply_test {
namespace {

constexpr uint32_t kSeed = 0x0DEC0DE5;

// Subcommands that decode something, so random frames hit the decoders' insides often.
constexpr uint8_t kInterestingSubcmds[] = {
    0x00, 0x01, 0x02, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x11, 0x13, 0x14, 0x15, 0x16, 0x17, 0x1A, 0x1B, 0x20, 0x23, 0x24, 0x26, 0x27, 0x32,
    0x35, 0x36, 0x37, 0x3E, 0x40, 0x41, 0x42, 0x43, 0x45, 0x47, 0x4A, 0x4C, 0x4D, 0x60,
    0x83, 0x91, 0x92, 0x93, 0xA0, 0x03, 0x04, 0x10, 0x41, 0x1F, 0x8F, 0x90};
constexpr uint8_t kTypes[] = {CMD_DSP, CMD_FLASH, CMD_MCU, CMD_DSP_DWRITE, CMD_KTV, 0, 5, 0xFF};
constexpr uint8_t kOptypes[] = {OP_UPDATE, OP_UPDATE, OP_UPDATE, OP_ACK, OP_WRITE, OP_READ, 0};

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char buffer[4];
    for (uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        text += buffer;
    }
    return text;
}

// Checks every post as it arrives, then forgets it, so long runs stay small.
class CheckingContext : public ReplyContext {
  public:
    void Post(ReplyTargetId target, LinkMessage message) override {
        ++posts;
        Posted post{target, message.message, message.wParam, message.value,
                    std::move(message.record)};
        const std::string violation = RecordViolation(post);
        if (!violation.empty() && ++violations <= 5) {
            ADD_FAILURE() << violation << " (input " << Hex(current) << ")";
        }
    }
    LinkState& State() override { return state; }

    LinkState state;
    std::vector<uint8_t> current;
    long posts = 0;
    int violations = 0;
};

// A payload byte: mostly small, so that ranges and lengths often look plausible.
uint8_t PayloadByte(std::mt19937& rng) {
    const uint32_t r = rng();
    switch (r % 4) {
        case 0:
            return static_cast<uint8_t>((r >> 8) % 4);
        case 1:
            return static_cast<uint8_t>((r >> 8) % 20);
        default:
            return static_cast<uint8_t>(r >> 8);
    }
}

std::vector<uint8_t> RandomFrame(std::mt19937& rng) {
    const uint8_t type = kTypes[rng() % std::size(kTypes)];
    const uint8_t subcmd = rng() % 4 == 0
                               ? static_cast<uint8_t>(rng())
                               : kInterestingSubcmds[rng() % std::size(kInterestingSubcmds)];
    const uint8_t optype = kOptypes[rng() % std::size(kOptypes)];
    // Up to LEN 61. Filled into a fixed buffer first: GCC 12 cannot bound a vector sized
    // from the generator and reports a huge copy (-Wstringop-overflow) at -O2.
    std::array<uint8_t, 58> bytes{};
    const size_t length = rng() % (bytes.size() + 1);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = PayloadByte(rng);
    }
    return Wire(type, subcmd, optype, std::vector<uint8_t>(bytes.begin(), bytes.begin() + length));
}

TEST(DecoderFuzz, RandomByteStreams) {
    std::mt19937 rng(kSeed);
    CheckingContext context;
    Harness harness(context);
    for (int stream = 0; stream < 200000; ++stream) {
        std::vector<uint8_t> bytes(1 + rng() % 96);
        for (uint8_t& b : bytes) {
            // Sync bytes are frequent so that frames of any LEN start everywhere.
            const uint32_t r = rng();
            b = r % 8 == 0 ? 0xAA : r % 8 == 1 ? 0x55 : static_cast<uint8_t>(r >> 8);
        }
        harness.Feed(bytes);
    }
    EXPECT_EQ(context.violations, 0);
    EXPECT_GT(harness.completed, 10000);
}

TEST(DecoderFuzz, RandomFramesWithGoodChecksums) {
    std::mt19937 rng(kSeed + 1);
    CheckingContext context;
    Harness harness(context);
    int frames = 0;
    for (; frames < 300000; ++frames) {
        const std::vector<uint8_t> wire = RandomFrame(rng);
        context.current = wire;
        // Alternate the noise between frames so each starts from a different parser history.
        if (frames % 3 == 0) {
            const uint8_t noise[] = {0x00, 0x55, 0x12};
            harness.Feed(noise);
        }
        context.state.inputCount = frames % 5 == 0 ? 8 : 12;
        context.state.outputCount = frames % 7 == 0 ? 40 : 12;
        harness.Feed(wire);
    }
    EXPECT_EQ(context.violations, 0);
    EXPECT_EQ(harness.dispatched, frames);
    EXPECT_GT(context.posts, frames / 10);
}

TEST(DecoderFuzz, EveryTruncationOfEveryWellFormedReply) {
    for (const ReplyCase& c : AllReplyCases()) {
        SCOPED_TRACE(c.name);
        for (size_t n = 0; n <= c.payload.size(); ++n) {
            const std::vector<uint8_t> payload(c.payload.begin(), c.payload.begin() + n);
            FakeContext context;
            if (c.setup) {
                c.setup(context);
            }
            Harness harness(context);
            harness.Reply(c.type, c.subcmd, c.optype, payload);
            // A shorter reply never says more than the whole one.
            EXPECT_LE(context.posted.size(), c.Posts()) << "length " << n;
            for (const Posted& post : context.posted) {
                EXPECT_EQ(RecordViolation(post), "") << "length " << n;
            }
            // Straight into the decoders too, bypassing the parser, with the body cut anywhere.
            std::vector<uint8_t> body{c.subcmd, c.optype};
            body.insert(body.end(), payload.begin(), payload.end());
            for (size_t cut = 0; cut <= body.size(); ++cut) {
                const std::vector<uint8_t> part(body.begin(), body.begin() + cut);
                FakeContext direct;
                Dispatch(FrameView{static_cast<uint8_t>(cut + 1), c.type, part}, direct);
                EXPECT_LE(direct.posted.size(), c.Posts());
            }
        }
    }
}

}  // namespace
}  // namespace reply_test
