// The virtual amplifier's side of a firmware upgrade, judged at the report level: the answers on
// the wire, the USB device going and coming back, and what the MCU runs afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "link/subcommands.h"
#include "link/upgrade.h"
#include "shell/identity.h"
#include "sim/sim_transport.h"
#include "sim/test_firmware.h"
#include "sim/virtual_amplifier.h"

using namespace dsplink;
using sim::UpgradeFault;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int64_t kRestartUs = 2'000'000;

struct Frame {
    uint8_t type = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    Bytes payload;
};

Frame Unpack(std::span<const uint8_t> r) {
    const size_t len = r[2];
    return Frame{r[3], r[4], r[5], Bytes(r.begin() + 6, r.begin() + 3 + static_cast<long>(len))};
}

// The codes of one target's steps.
struct Codes {
    uint8_t type;
    uint8_t start;
    uint8_t data;
    uint8_t finish;
};

Codes CodesOf(UpgradeTarget target) {
    switch (target) {
        case UPG_TARGET_FLASH:
            return {CMD_FLASH, FLASH_UPG_START, FLASH_UPG_DATA, FLASH_UPG_FINISH};
        case UPG_TARGET_BOOTLOADER:
            return {CMD_MCU, MCU_BL_UPG_START, MCU_BL_UPG_DATA, MCU_BL_UPG_FINISH};
        default:
            return {CMD_MCU, MCU_UPG_START, MCU_UPG_DATA, MCU_UPG_FINISH};
    }
}

Bytes Offset(uint32_t offset) {
    return {static_cast<uint8_t>(offset >> 24), static_cast<uint8_t>(offset >> 16),
            static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)};
}

// Built at their final size and filled in place: growing a four-byte vector by insert trips
// GCC 12's bounds warning at -O2.
Bytes McuBlock(uint32_t offset, std::span<const uint8_t> data) {
    Bytes p(4 + std::max<size_t>(kMcuBlockSize, data.size()), 0);
    const Bytes head = Offset(offset);
    std::copy(head.begin(), head.end(), p.begin());
    std::copy(data.begin(), data.end(), p.begin() + 4);
    return p;
}

Bytes FlashBlock(uint32_t offset, std::span<const uint8_t> data) {
    Bytes p(5 + data.size(), 0);
    const Bytes head = Offset(offset);
    std::copy(head.begin(), head.end(), p.begin());
    p[4] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), p.begin() + 5);
    return p;
}

Bytes Image(UpgradeTarget target, size_t bodySize, uint8_t major = 16, uint8_t minor = 24) {
    return sim::MakeTestFirmware(target, shell::kModelId, major, minor, bodySize);
}

std::span<const uint8_t> StartBytes(const Bytes& image) {
    return std::span<const uint8_t>(image).subspan(2, 4);
}

std::span<const uint8_t> Body(const Bytes& image) {
    return std::span<const uint8_t>(image).subspan(
        kImageHeaderSize, image.size() - kImageHeaderSize - kImageTrailerSize);
}

// The blocks as the host sends them: MCU and bootloader from the end backwards, the first one
// the odd remainder; DSP flash forwards in 50s.
std::vector<Bytes> Blocks(UpgradeTarget target, std::span<const uint8_t> body) {
    std::vector<Bytes> blocks;
    if (target == UPG_TARGET_FLASH) {
        for (size_t at = 0; at < body.size(); at += kFlashBlockMax) {
            const size_t n = std::min(kFlashBlockMax, body.size() - at);
            blocks.push_back(FlashBlock(static_cast<uint32_t>(at), body.subspan(at, n)));
        }
        return blocks;
    }
    size_t remaining = body.size();
    while (remaining > 0) {
        const size_t n = remaining % kMcuBlockSize != 0 ? remaining % kMcuBlockSize : kMcuBlockSize;
        remaining -= n;
        blocks.push_back(McuBlock(static_cast<uint32_t>(remaining), body.subspan(remaining, n)));
    }
    return blocks;
}

class UpgradeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        amp.SetHotplugCallbacks([this] { ++arrivals; }, [this] { ++removals; });
    }

    std::optional<Frame> Send(uint8_t type, uint8_t subcmd, std::span<const uint8_t> p = {}) {
        const OutputReport report = BuildOutputReport(type, subcmd, OP_WRITE, p);
        const std::optional<sim::InputReport> out = amp.HandleReport(report);
        if (!out) {
            return std::nullopt;
        }
        return Unpack(*out);
    }
    // The status byte of the acknowledgement; 0 for none.
    uint8_t Status(uint8_t type, uint8_t subcmd, std::span<const uint8_t> p = {}) {
        const std::optional<Frame> f = Send(type, subcmd, p);
        if (!f) {
            return 0;
        }
        EXPECT_EQ(f->type, type);
        EXPECT_EQ(f->subcmd, subcmd);
        EXPECT_EQ(f->optype, OP_ACK);
        return f->payload.empty() ? 0 : f->payload[0];
    }
    Bytes Handshake() { return Send(CMD_MCU, MCU_HANDSHAKE)->payload; }
    void After(int64_t us) {
        now += us;
        amp.Tick(now);
    }
    // Starts, sends every block and finishes; each step must be acknowledged READY.
    void WriteWhole(UpgradeTarget target, const Bytes& image) {
        const Codes c = CodesOf(target);
        ASSERT_EQ(Status(c.type, c.start, StartBytes(image)), ACK_READY);
        for (const Bytes& block : Blocks(target, Body(image))) {
            ASSERT_EQ(Status(c.type, c.data, block), ACK_READY);
        }
        ASSERT_EQ(Status(c.type, c.finish), ACK_READY);
    }
    // The MCU goes with the next tick and is back after the restart time.
    void Restarts() {
        const int gone = removals;
        const int back = arrivals;
        After(0);
        EXPECT_FALSE(amp.IsPluggedIn());
        EXPECT_EQ(removals, gone + 1);
        After(kRestartUs - 1);
        EXPECT_FALSE(amp.IsPluggedIn());
        After(1);
        EXPECT_TRUE(amp.IsPluggedIn());
        EXPECT_EQ(arrivals, back + 1);
    }
    void InLoader() { amp.SetNormalMode(false); }

    sim::VirtualAmplifier amp;
    int64_t now = 0;
    int arrivals = 0;
    int removals = 0;
};

}  // namespace

TEST(TestFirmwareTest, ImagesPassTheHostsChecksAndCarryTheirVersion) {
    for (const UpgradeTarget target : {UPG_TARGET_MCU, UPG_TARGET_FLASH, UPG_TARGET_BOOTLOADER}) {
        const Bytes image = Image(target, 1000, 17, 3);
        ASSERT_EQ(image.size(), kImageHeaderSize + 1000 + kImageTrailerSize);
        EXPECT_EQ(image[0], target == UPG_TARGET_FLASH ? 2 : 1);
        EXPECT_EQ(image[1], shell::kModelId);
        uint32_t sum = 0;
        for (size_t i = 0; i + 4 < image.size(); ++i) {
            sum += image[i];
        }
        const size_t s = image.size();
        EXPECT_EQ(sum, (uint32_t{image[s - 4]} << 24) | (uint32_t{image[s - 3]} << 16) |
                           (uint32_t{image[s - 2]} << 8) | image[s - 1]);
        const auto info = sim::ParseTestFirmwareBody(Body(image));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->target, target);
        EXPECT_EQ(info->major, 17);
        EXPECT_EQ(info->minor, 3);
        EXPECT_EQ(info->bodySize, 1000u);
        EXPECT_EQ(image, Image(target, 1000, 17, 3));
    }
    EXPECT_NE(Body(Image(UPG_TARGET_MCU, 64))[20], Body(Image(UPG_TARGET_FLASH, 64))[20]);
}

TEST_F(UpgradeTest, EnteringFromTheApplicationRestartsIntoTheLoaderOnce) {
    ASSERT_EQ(Handshake()[0], 0x00);
    EXPECT_EQ(Status(CMD_MCU, MCU_ENTER_UPG), ACK_READY);
    EXPECT_TRUE(amp.IsPluggedIn());  // the acknowledgement goes out first
    Restarts();
    EXPECT_EQ(Handshake(), (Bytes{0xF0, shell::kModelId, 16, 24}));

    // Already in the loader, and the bootloader's own entry: acknowledged, nothing restarts.
    EXPECT_EQ(Status(CMD_MCU, MCU_ENTER_UPG), ACK_READY);
    amp.SetNormalMode(true);
    EXPECT_EQ(Status(CMD_MCU, MCU_BL_ENTER_UPG), ACK_READY);
    After(10 * kRestartUs);
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(arrivals, 1);
}

TEST_F(UpgradeTest, AWholeMcuImageWrittenBackwardsRestartsIntoItsVersion) {
    amp.SetIdentity(shell::kModelId, 15, 2);
    InLoader();
    const Bytes image = Image(UPG_TARGET_MCU, 1000);  // not a multiple of 32
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), ACK_READY);
    EXPECT_FALSE(amp.Snapshot().mcuImageIntact);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_MCU, Body(image));
    for (const Bytes& block : blocks) {
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_DATA, block), ACK_READY);
    }
    EXPECT_EQ(Handshake()[2], 15);  // the old one runs until the restart
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_FINISH), ACK_READY);
    Restarts();
    EXPECT_EQ(Handshake(), (Bytes{0x00, shell::kModelId, 16, 24}));
    EXPECT_TRUE(amp.Snapshot().mcuImageIntact);
}

TEST_F(UpgradeTest, AFlashImageWrittenForwardsRunsAfterTheReboot) {
    InLoader();
    WriteWhole(UPG_TARGET_FLASH, Image(UPG_TARGET_FLASH, 1234, 16, 24));
    After(10 * kRestartUs);
    EXPECT_EQ(removals, 0);  // the DSP image waits for the reboot
    EXPECT_FALSE(Send(CMD_MCU, MCU_REBOOT));
    Restarts();
    EXPECT_EQ(Handshake()[0], 0x00);
    const sim::DeviceState s = amp.Snapshot();
    EXPECT_EQ(s.dspFlashVersion, (std::array<uint8_t, 4>{16, 24, 0, 0}));
    EXPECT_TRUE(s.flashImageIntact);
}

TEST_F(UpgradeTest, TheBootloaderIsWrittenUnderTheRunningApplication) {
    WriteWhole(UPG_TARGET_BOOTLOADER, Image(UPG_TARGET_BOOTLOADER, 300, 5, 0));
    After(10 * kRestartUs);
    EXPECT_EQ(removals, 0);
    EXPECT_EQ(amp.Snapshot().bootloaderVersion, 5);
    EXPECT_EQ(Handshake()[0], 0x00);
}

TEST_F(UpgradeTest, APowerCutHalfWayKeepsTheLoaderUntilAWholeImageArrives) {
    amp.SetIdentity(shell::kModelId, 15, 2);
    InLoader();
    const Bytes image = Image(UPG_TARGET_MCU, 640);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_MCU, Body(image));
    amp.FailUpgradeAt(7, UpgradeFault::PowerCut);
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), ACK_READY);
    for (size_t k = 0; k < 7; ++k) {
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[k]), ACK_READY);
    }
    EXPECT_FALSE(Send(CMD_MCU, MCU_UPG_DATA, blocks[7]));
    Restarts();
    EXPECT_EQ(Handshake()[0], 0xF0);
    // The session died with the power: the rest of the blocks land nowhere.
    EXPECT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[8]), NOT_READY);

    EXPECT_FALSE(Send(CMD_MCU, MCU_REBOOT));
    Restarts();
    EXPECT_EQ(Handshake(), (Bytes{0xF0, shell::kModelId, 15, 2}));
    // A whole image, but made for the DSP: not an application.
    WriteWhole(UPG_TARGET_MCU, Image(UPG_TARGET_FLASH, 640));
    Restarts();
    EXPECT_EQ(Handshake()[0], 0xF0);

    WriteWhole(UPG_TARGET_MCU, image);
    Restarts();
    EXPECT_EQ(Handshake(), (Bytes{0x00, shell::kModelId, 16, 24}));
}

TEST_F(UpgradeTest, AForeignBodyCountsWhenItArrivesWithoutAGapAndKeepsTheVersion) {
    amp.SetIdentity(shell::kModelId, 15, 2);
    InLoader();
    const Bytes body(100, 0x42);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_MCU, body);
    const Bytes start = {0, 0, 0, 100};
    for (const bool gap : {true, false}) {
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, start), ACK_READY);
        for (size_t k = 0; k < blocks.size(); ++k) {
            if (gap && k == 1) {
                continue;
            }
            ASSERT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[k]), ACK_READY);
        }
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_FINISH), ACK_READY);
        Restarts();
        EXPECT_EQ(Handshake(),
                  (Bytes{gap ? uint8_t{0xF0} : uint8_t{0x00}, shell::kModelId, 15, 2}));
    }
}

TEST_F(UpgradeTest, ARefusedStartErasesNothingAndIsUsedUp) {
    InLoader();
    const Bytes image = Image(UPG_TARGET_MCU, 64);
    amp.FailUpgradeAt(0, UpgradeFault::RefuseStart);
    const sim::DeviceState before = amp.Snapshot();
    EXPECT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), NOT_READY);
    EXPECT_EQ(amp.Snapshot(), before);
    EXPECT_EQ(Status(CMD_MCU, MCU_UPG_DATA, Blocks(UPG_TARGET_MCU, Body(image))[0]), NOT_READY);
    WriteWhole(UPG_TARGET_MCU, image);
}

TEST_F(UpgradeTest, NotReadyIsFollowedByReadyWithoutAResend) {
    InLoader();
    const Bytes image = Image(UPG_TARGET_FLASH, 200, 16, 30);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_FLASH, Body(image));
    amp.FailUpgradeAt(2, UpgradeFault::NotReady);
    ASSERT_EQ(Status(CMD_FLASH, FLASH_UPG_START, StartBytes(image)), ACK_READY);
    for (size_t k = 0; k < blocks.size(); ++k) {
        ASSERT_EQ(Status(CMD_FLASH, FLASH_UPG_DATA, blocks[k]), k == 2 ? NOT_READY : ACK_READY);
        const std::vector<sim::InputReport> later = amp.TakeUnsolicited();
        ASSERT_EQ(later.size(), k == 2 ? 1u : 0u);
        if (k == 2) {
            const Frame ready = Unpack(later[0]);
            EXPECT_EQ(ready.subcmd, FLASH_UPG_DATA);
            EXPECT_EQ(ready.optype, OP_ACK);
            EXPECT_EQ(ready.payload[0], ACK_READY);
        }
    }
    ASSERT_EQ(Status(CMD_FLASH, FLASH_UPG_FINISH), ACK_READY);
    // The block answered NOT_READY was kept: the image is whole.
    EXPECT_TRUE(amp.Snapshot().flashImageIntact);
    EXPECT_EQ(amp.Snapshot().dspFlashVersion[1], 30);
}

TEST_F(UpgradeTest, LostAcknowledgementsSilenceTheRestOfTheSession) {
    InLoader();
    const Bytes image = Image(UPG_TARGET_MCU, 128);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_MCU, Body(image));
    amp.FailUpgradeAt(1, UpgradeFault::LoseAcks);
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), ACK_READY);
    EXPECT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[0]), ACK_READY);
    for (size_t k = 1; k < blocks.size(); ++k) {
        EXPECT_FALSE(Send(CMD_MCU, MCU_UPG_DATA, blocks[k]));
    }
    EXPECT_FALSE(Send(CMD_MCU, MCU_UPG_FINISH));
    EXPECT_TRUE(amp.TakeUnsolicited().empty());
    // A new session is answered again.
    After(10 * kRestartUs);
    WriteWhole(UPG_TARGET_MCU, image);
}

TEST_F(UpgradeTest, AnUnpluggedTransferStaysOutUntilPluggedIn) {
    ASSERT_EQ(Status(CMD_MCU, MCU_ENTER_UPG), ACK_READY);
    Restarts();
    const Bytes image = Image(UPG_TARGET_MCU, 256);
    const std::vector<Bytes> blocks = Blocks(UPG_TARGET_MCU, Body(image));
    amp.FailUpgradeAt(3, UpgradeFault::Unplug);
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), ACK_READY);
    for (size_t k = 0; k < 3; ++k) {
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[k]), ACK_READY);
    }
    const uint64_t generation = amp.PlugGeneration();
    EXPECT_FALSE(Send(CMD_MCU, MCU_UPG_DATA, blocks[3]));
    EXPECT_FALSE(amp.IsPluggedIn());
    EXPECT_NE(amp.PlugGeneration(), generation);  // open handles are stale at once
    After(0);
    EXPECT_EQ(removals, 2);
    After(100 * kRestartUs);
    EXPECT_FALSE(amp.IsPluggedIn());
    EXPECT_EQ(arrivals, 1);

    amp.PlugIn();
    EXPECT_EQ(arrivals, 2);
    EXPECT_EQ(Handshake()[0], 0xF0);
    EXPECT_FALSE(amp.Snapshot().mcuImageIntact);
    EXPECT_EQ(Status(CMD_MCU, MCU_UPG_DATA, blocks[4]), NOT_READY);
}

TEST_F(UpgradeTest, HostileBlocksAreRefusedAndChangeNothing) {
    amp.SetIdentity(shell::kModelId, 15, 2);
    InLoader();
    const Bytes junk(kMcuBlockSize, 0xEE);
    const auto refused = [&](uint8_t type, uint8_t subcmd, const Bytes& p) {
        const sim::DeviceState before = amp.Snapshot();
        EXPECT_EQ(Status(type, subcmd, p), NOT_READY);
        EXPECT_EQ(amp.Snapshot(), before);
    };
    refused(CMD_MCU, MCU_UPG_DATA, McuBlock(0, junk));  // no session
    refused(CMD_MCU, MCU_UPG_FINISH, {});
    refused(CMD_MCU, MCU_UPG_START, {0, 0, 1});  // start bytes missing

    const Bytes image = Image(UPG_TARGET_MCU, 96);
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_START, StartBytes(image)), ACK_READY);
    for (const Bytes& block : Blocks(UPG_TARGET_MCU, Body(image))) {
        ASSERT_EQ(Status(CMD_MCU, MCU_UPG_DATA, block), ACK_READY);
    }
    // Each would spoil the header at offset 0 or run past the end of any image.
    refused(CMD_MCU, MCU_UPG_DATA, McuBlock(0xFFFFFFF0u, junk));
    refused(CMD_MCU, MCU_UPG_DATA, McuBlock(kImageMaxSize - 16, junk));
    Bytes shortBlock = McuBlock(0, junk);
    shortBlock.pop_back();
    refused(CMD_MCU, MCU_UPG_DATA, shortBlock);
    refused(CMD_MCU, MCU_UPG_DATA, Offset(0));
    refused(CMD_MCU, MCU_BL_UPG_DATA, McuBlock(0, junk));  // another target's session
    refused(CMD_FLASH, FLASH_UPG_DATA, FlashBlock(0, Bytes(8, 0xEE)));
    refused(CMD_MCU, MCU_BL_UPG_FINISH, {});
    ASSERT_EQ(Status(CMD_MCU, MCU_UPG_FINISH), ACK_READY);
    Restarts();
    EXPECT_EQ(Handshake(), (Bytes{0x00, shell::kModelId, 16, 24}));

    InLoader();
    ASSERT_EQ(Status(CMD_FLASH, FLASH_UPG_START, Bytes{0, 0, 0, 0}), ACK_READY);
    Bytes countTooLarge = FlashBlock(0, Bytes(10, 0xEE));
    countTooLarge[4] = 50;
    refused(CMD_FLASH, FLASH_UPG_DATA, countTooLarge);
    refused(CMD_FLASH, FLASH_UPG_DATA, FlashBlock(0, Bytes(51, 0xEE)));
    refused(CMD_FLASH, FLASH_UPG_DATA, FlashBlock(0, {}));
    refused(CMD_FLASH, FLASH_UPG_DATA, FlashBlock(0xFFFFFFFFu, Bytes(2, 0xEE)));
}

TEST(UpgradeTransportTest, TheAcknowledgementIsReadBeforeTheAmplifierGoes) {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    int removals = 0;
    amp->SetHotplugCallbacks({}, [&] { ++removals; });
    ManualClock clock;
    sim::SimTransport transport(amp, clock);
    ASSERT_EQ(transport.Open(), OpenResult::Opened);
    const OutputReport enter = BuildOutputReport(CMD_MCU, MCU_ENTER_UPG, OP_WRITE, {});
    ASSERT_GT(transport.Write(enter.data(), enter.size()), 0);

    // However late the host reads, the answer is there, and the amplifier goes only after it.
    clock.Advance(30'000'000);
    std::array<uint8_t, kReportSize> report{};
    ASSERT_GT(transport.Read(report.data(), report.size(), 100), 0);
    const Frame ack = Unpack(report);
    EXPECT_EQ(ack.subcmd, MCU_ENTER_UPG);
    EXPECT_EQ(ack.payload[0], ACK_READY);
    EXPECT_EQ(removals, 0);
    EXPECT_EQ(transport.Read(report.data(), report.size(), 100), -1);
    EXPECT_TRUE(transport.DeviceLost());
    EXPECT_EQ(removals, 1);

    transport.Close();
    EXPECT_EQ(transport.Open(), OpenResult::NotFound);
    clock.Advance(kRestartUs);
    ASSERT_EQ(transport.Open(), OpenResult::Opened);
    const OutputReport handshake = BuildOutputReport(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {});
    transport.Write(handshake.data(), handshake.size());
    ASSERT_GT(transport.Read(report.data(), report.size(), 100), 0);
    EXPECT_EQ(Unpack(report).payload[0], 0xF0);
}
