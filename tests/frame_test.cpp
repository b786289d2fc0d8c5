#include "link/frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/encoding.h"

using namespace dsplink;

namespace {

struct Seen {
    uint8_t length;
    uint8_t type;
    std::vector<uint8_t> body;
    bool valid;
    std::vector<uint8_t> wire;
};

struct Collector {
    std::vector<Seen> frames;
    FrameParser parser{[this](const FrameView& f, bool valid, std::span<const uint8_t> wire) {
        frames.push_back(
            {f.length, f.type, {f.body.begin(), f.body.end()}, valid, {wire.begin(), wire.end()}});
    }};
    std::vector<Seen> Valid() const {
        std::vector<Seen> out;
        for (const Seen& s : frames) {
            if (s.valid) {
                out.push_back(s);
            }
        }
        return out;
    }
};

std::vector<uint8_t> Report(std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> r(bytes);
    r.resize(kReportSize, 0);
    return r;
}

}  // namespace

TEST(Frame, ChecksumMakesTheSumFromLenThroughChecksumZero) {
    // 04 + 01 + 02 + EE + 0A = 0xFF, so the acknowledgement AA 55 04 01 02 EE 0A carries 0x01.
    const uint8_t body[] = {0x02, 0xEE, 0x0A};
    EXPECT_EQ(static_cast<uint8_t>(packet_checksum(0x04, 0x01, body)), 0x01);
}

TEST(Frame, OutputReportWithoutPayloadIsSevenBytesThenZeros) {
    const OutputReport r = BuildOutputReport(CMD_MCU, 0x08, OP_WRITE, {});
    const std::vector<uint8_t> head(r.begin(), r.begin() + 8);
    EXPECT_EQ(head, (std::vector<uint8_t>{0x00, 0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37}));
    for (size_t i = 8; i < r.size(); ++i) {
        EXPECT_EQ(r[i], 0) << i;
    }
}

TEST(Frame, PcConnectFramesMatchTheDevice) {
    const uint8_t one[] = {1};
    const uint8_t zero[] = {0};
    const OutputReport attach = BuildOutputReport(CMD_MCU, 0x1F, OP_WRITE, one);
    const OutputReport leave = BuildOutputReport(CMD_MCU, 0x1F, OP_WRITE, zero);
    EXPECT_EQ(std::vector<uint8_t>(attach.begin() + 1, attach.begin() + 9),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x01, 0x1E}));
    EXPECT_EQ(std::vector<uint8_t>(leave.begin() + 1, leave.begin() + 9),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x00, 0x1F}));
}

TEST(Frame, LargestPayloadFillsTheReport) {
    std::vector<uint8_t> payload(kMaxPayload, 0x11);
    const OutputReport r = BuildOutputReport(CMD_DSP, 0x07, OP_WRITE, payload);
    EXPECT_EQ(r[3], kMaxPayload + 3);
    uint32_t sum = 0;
    for (size_t i = 3; i < r.size(); ++i) {
        sum += r[i];
    }
    EXPECT_EQ(sum & 0xFF, 0u);
}

TEST(Encoding, ValueEncodingsMatchTheDevice) {
    EXPECT_EQ(PayloadWriter().Tenths(-18.0 + 18).Take(), (Payload{0, 0}));
    EXPECT_EQ(PayloadWriter().Tenths(6.5 + 18).Take(), (Payload{24, 5}));
    EXPECT_EQ(PayloadWriter().Tenths(4.35).Take(), (Payload{4, 3}));
    EXPECT_EQ(PayloadWriter().Delay(1.25).Take(), (Payload{1, 0x00, 0xFA}));
    EXPECT_EQ(PayloadWriter().Tenths(-12.5).Take(), (Payload{0xF4, 0xFB}));
    EXPECT_EQ(PayloadWriter().U16(0x0201).U32Le(0x1234).Take(),
              (Payload{0x02, 0x01, 0x34, 0x12, 0x00, 0x00}));
}

TEST(Encoding, FloatNoiseDoesNotLoseATenthOrAMicrosecond) {
    // Values stored as float land just below the step they stand for.
    EXPECT_EQ(PayloadWriter().Tenths(static_cast<double>(2.3f)).Take(), (Payload{2, 3}));
    EXPECT_EQ(PayloadWriter().Tenths(static_cast<double>(-3.7f) + 18).Take(), (Payload{14, 3}));
    EXPECT_EQ(PayloadWriter().Delay(static_cast<double>(0.021f)).Take(), (Payload{0, 0, 21}));
    EXPECT_EQ(PayloadWriter().Delay(static_cast<double>(14.999f)).Take(),
              (Payload{14, 0x03, 0xE7}));
}

TEST(Encoding, ReaderChecksBoundsAndReversesEncodings) {
    const uint8_t bytes[] = {0x03, 0xE8, 0x02, 0x32, 0x01, 0x00, 0xFA};
    PayloadReader r(bytes);
    EXPECT_EQ(r.U16(0), 1000);
    EXPECT_DOUBLE_EQ(r.Hundredths(2), 2.5);
    EXPECT_DOUBLE_EQ(r.Delay(4), 1.25);
    EXPECT_TRUE(r.Has(4, 3));
    EXPECT_FALSE(r.Has(5, 3));
    EXPECT_FALSE(r.Has(8, 0));
    EXPECT_FALSE(r.Has(1, SIZE_MAX));
}

TEST(FrameParser, DispatchesTheAcknowledgementExample) {
    Collector c;
    c.parser.Feed(Report({0xAA, 0x55, 0x04, 0x01, 0x02, 0xEE, 0x0A, 0x01}));
    const auto valid = c.Valid();
    ASSERT_EQ(valid.size(), 1u);
    EXPECT_EQ(valid[0].type, CMD_DSP);
    EXPECT_EQ(valid[0].body, (std::vector<uint8_t>{0x02, 0xEE, 0x0A}));
    EXPECT_EQ(valid[0].wire,
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x01, 0x02, 0xEE, 0x0A, 0x01}));
}

TEST(FrameParser, ReassemblesAFrameSplitAcrossReports) {
    Collector c;
    std::vector<uint8_t> first(kReportSize - 3, 0);
    first.insert(first.end(), {0xAA, 0x55, 0x04});
    c.parser.Feed(first);
    EXPECT_TRUE(c.frames.empty());
    c.parser.Feed(Report({0x01, 0x02, 0xEE, 0x0A, 0x01}));
    ASSERT_EQ(c.Valid().size(), 1u);
    EXPECT_EQ(c.Valid()[0].body[0], 0x02);
}

TEST(FrameParser, SkipsBytesBetweenSyncBytesAndIgnoresPadding) {
    Collector c;
    c.parser.Feed(Report({0xAA, 0x00, 0x00, 0x55, 0x04, 0x01, 0x02, 0xEE, 0x0A, 0x01}));
    EXPECT_EQ(c.Valid().size(), 1u);
    c.parser.Feed(Report({}));
    EXPECT_EQ(c.frames.size(), 1u);
}

TEST(FrameParser, BadChecksumIsDroppedAndTheNextFrameStillArrives) {
    Collector c;
    // 0x03 is one off the right checksum (0x01).
    c.parser.Feed(Report({0xAA, 0x55, 0x04, 0x01, 0x02, 0xEE, 0x0A, 0x03,  //
                          0xAA, 0x55, 0x04, 0x01, 0x03, 0xEE, 0x0A, 0x00}));
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_FALSE(c.frames[0].valid);
    ASSERT_EQ(c.Valid().size(), 1u);
    EXPECT_EQ(c.Valid()[0].body[0], 0x03);
}

TEST(FrameParser, OversizedLengthIsAbandonedAndHuntingResumes) {
    Collector c;
    std::vector<uint8_t> bytes = {0xAA, 0x55, 62, 0x01};
    bytes.resize(64, 0x00);  // the frame is abandoned at its 65th byte
    bytes.insert(bytes.end(), {0x00, 0xAA, 0x55, 0x04, 0x01, 0x02, 0xEE, 0x0A, 0x01});
    c.parser.Feed(bytes);
    ASSERT_EQ(c.frames.size(), 1u);
    EXPECT_TRUE(c.frames[0].valid);
}

TEST(FrameParser, AcceptsTheLongestFrame) {
    Collector c;
    std::vector<uint8_t> bytes = {0xAA, 0x55, 61, 0x01, 0x05, 0xDD};
    bytes.resize(bytes.size() + 58, 0x01);  // LEN 61: 58 payload bytes
    uint32_t sum = 61 + 0x01 + 0x05 + 0xDD + 58;
    bytes.push_back(static_cast<uint8_t>(0u - sum));
    c.parser.Feed(bytes);
    ASSERT_EQ(c.Valid().size(), 1u);
    EXPECT_EQ(c.Valid()[0].body.size(), 60u);
    EXPECT_EQ(c.Valid()[0].wire.size(), 65u);
}

TEST(FrameParser, FramesTooShortForSubcmdAndOptypeAreNotValid) {
    Collector c;
    // LEN 1: checksum covers LEN and type only; LEN 2: one body byte.
    c.parser.Feed(Report({0xAA, 0x55, 0x01, 0x01, 0xFE, 0xAA, 0x55, 0x02, 0x01, 0x05, 0xF8}));
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_FALSE(c.frames[0].valid);
    EXPECT_FALSE(c.frames[1].valid);
}

TEST(FrameParser, RandomStreamsNeverYieldInconsistentFrames) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    Collector c;
    for (int report = 0; report < 20000; ++report) {
        std::vector<uint8_t> bytes(kReportSize);
        for (uint8_t& b : bytes) {
            // Bias towards sync bytes and small lengths so frames actually form.
            const int r = byte(rng);
            b = r < 40 ? 0xAA : r < 80 ? 0x55 : r < 120 ? static_cast<uint8_t>(r % 8) : byte(rng);
        }
        c.parser.Feed(bytes);
    }
    ASSERT_FALSE(c.frames.empty());
    for (const Seen& s : c.frames) {
        ASSERT_LE(s.length, kMaxFrameLength);
        ASSERT_EQ(s.body.size(), s.length >= 1 ? s.length - 1u : 0u);
        ASSERT_EQ(s.wire.size(), s.body.size() + 5);
        if (s.valid) {
            uint32_t sum = 0;
            for (size_t i = 2; i < s.wire.size(); ++i) {
                sum += s.wire[i];
            }
            ASSERT_EQ(sum & 0xFF, 0u);
            ASSERT_GE(s.length, 3);
        }
    }
}
