#include "link/upgrade.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "link/dsp_link.h"
#include "link/firmware_image.h"
#include "link/subcommands.h"
#include "link_test_rig.h"

using namespace dsplink;
using link_test::Bytes;
using link_test::DeviceReport;
using link_test::Hex;
using link_test::Report;
using link_test::Rig;
using link_test::W;
namespace fs = std::filesystem;

namespace {

constexpr uint8_t kModel = 78;
const Bytes kStart = {0x11, 0x22, 0x33, 0x44};

// A file as the image format lays it out; the checksum is worked out here, then `checksumDelta`
// is added to it.
Bytes MakeImage(const Bytes& body, uint8_t fwId = 1, uint8_t model = kModel,
                uint32_t checksumDelta = 0) {
    Bytes file = {fwId, model};
    file.insert(file.end(), kStart.begin(), kStart.end());
    file.insert(file.end(), body.begin(), body.end());
    file.insert(file.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    uint32_t sum = 0;
    for (uint8_t b : file) {
        sum += b;
    }
    sum += checksumDelta;
    file.insert(file.end(), {static_cast<uint8_t>(sum >> 24), static_cast<uint8_t>(sum >> 16),
                             static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum)});
    return file;
}

Bytes Counting(size_t n) {
    Bytes body(n);
    for (size_t i = 0; i < n; ++i) {
        body[i] = static_cast<uint8_t>(i + 1);
    }
    return body;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t n) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Plays the amplifier: every upgrade request gets its acknowledgement in a report of its own,
// unless the test says otherwise. Runs inside the fake's write, under its lock.
struct Amp {
    uint8_t startStatus = ACK_READY;
    bool silentStart = false;
    bool silentBlocks = false;
    int notReadyBlock = -1;          // this block, counted from 0, is first answered NOT_READY
    bool readyAfterNotReady = true;  // and then ACK_READY in the next report
    int vanishAtBlock = -1;          // the device is unplugged as this block is written
    bool lostAfterEnter = false;     // not found again once it restarts into its loader
    Bytes enterTail;                 // stale bytes behind the enter acknowledgement
    int blocks = 0;

    void PlayOn(Rig& rig) {
        testing_support::TransportScript* s = rig.script.get();
        s->responder = [this, s](const Bytes& report) -> Bytes {
            const uint8_t type = report[4];
            const uint8_t subcmd = report[5];
            auto ack = [&](uint8_t status) {
                s->replies.push_back(DeviceReport({type, subcmd, 0xEE, {status}}));
            };
            auto is = [&](uint8_t mcu, uint8_t bootloader, uint8_t flash) {
                return (type == CMD_MCU && (subcmd == mcu || subcmd == bootloader)) ||
                       (type == CMD_FLASH && subcmd == flash);
            };
            if (type == CMD_MCU && (subcmd == 0x01 || subcmd == 0xA0)) {
                Bytes reply = DeviceReport({type, subcmd, 0xEE, {ACK_READY}});
                std::copy(enterTail.begin(), enterTail.end(), reply.begin() + 8);
                s->replies.push_back(reply);
                if (lostAfterEnter) {
                    s->openResult = OpenResult::NotFound;
                }
            } else if (is(0x02, 0xA1, 0x03)) {
                if (!silentStart) {
                    ack(startStatus);
                }
            } else if (is(0x03, 0xA2, 0x04)) {
                const int index = blocks++;
                if (index == vanishAtBlock) {
                    s->gone = true;
                } else if (!silentBlocks) {
                    if (index == notReadyBlock) {
                        ack(NOT_READY);
                    }
                    if (index != notReadyBlock || readyAfterNotReady) {
                        ack(ACK_READY);
                    }
                }
            } else if (is(0x04, 0xA3, 0x05)) {
                ack(ACK_READY);
            }
            return {};
        };
    }
};

// One UpgradeStep and the reports it wrote.
struct Step {
    int result;
    std::vector<Bytes> written;
};

class UpgradeTest : public ::testing::Test {
  protected:
    UpgradeTest()
        : mDir(fs::temp_directory_path() /
               ("link_upgrade_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::create_directories(mDir);
        amp.PlayOn(rig);
    }
    ~UpgradeTest() override {
        std::error_code ignored;
        fs::remove_all(mDir, ignored);
    }

    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        const fs::path path = mDir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // Steps as the front end does until the transfer ends, or a bound that only a hang reaches.
    std::vector<Step> RunSteps() {
        std::vector<Step> steps;
        for (int i = 0; i < 200; ++i) {
            const size_t before = rig.script->Written().size();
            const int result = rig.link->UpgradeStep();
            const auto all = rig.script->Written();
            steps.push_back({result, std::vector<Bytes>(all.begin() + before, all.end())});
            if (result == kUpgradeStepFinished || result == kUpgradeStepFailed) {
                break;
            }
        }
        return steps;
    }

    std::vector<std::string> WrittenHex() {
        std::vector<std::string> hex;
        for (const Bytes& report : rig.script->Written()) {
            hex.push_back(Hex(report));
        }
        return hex;
    }

    int Status() { return rig.link->State().sys_upg_status; }

    Amp amp;
    Rig rig{false};

  private:
    fs::path mDir;
};

std::string R(uint8_t type, uint8_t subcmd, Bytes payload = {}) {
    return Hex(Report({type, subcmd, W, std::move(payload)}));
}

}  // namespace

// ---- The transfer ----

TEST_F(UpgradeTest, McuBodyGoesFromTheEndBackwardsInBlocksOf32) {
    link_test::LogCapture log("link_upgrade_test.log");
    const Bytes body = Counting(100);
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("ORN14.60DSP_MCU_UPG.bin", MakeImage(body))),
              UPG_FILE_VALID);
    const std::vector<Step> steps = RunSteps();

    std::vector<int> blockProgress;
    for (const Step& step : steps) {
        if (!step.written.empty() && step.written[0][5] == MCU_UPG_DATA) {
            blockProgress.push_back(step.result);
        }
    }
    EXPECT_EQ(blockProgress, (std::vector<int>{4, 36, 68, 100}));
    EXPECT_EQ(steps.back().result, kUpgradeStepFinished);
    EXPECT_EQ(Status(), UPG_IDLE);
    const Bytes zeros(28, 0);
    EXPECT_EQ(WrittenHex(),
              (std::vector<std::string>{
                  R(CMD_MCU, 0x01),
                  R(CMD_MCU, 0x02, kStart),
                  R(CMD_MCU, 0x03, Cat(Cat({0, 0, 0, 96}, Slice(body, 96, 4)), zeros)),
                  R(CMD_MCU, 0x03, Cat({0, 0, 0, 64}, Slice(body, 64, 32))),
                  R(CMD_MCU, 0x03, Cat({0, 0, 0, 32}, Slice(body, 32, 32))),
                  R(CMD_MCU, 0x03, Cat({0, 0, 0, 0}, Slice(body, 0, 32))),
                  R(CMD_MCU, 0x04),
              }));
    log.ExpectLines({"before MCUUpgParsingFile\n", "UPG_FILE_VALID\n", "MCU_Enter_Upg_Mode\n",
                     "MCU_UPG_START: ACK_READY\n\n", "MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n",
                     "upgrade mcu finished!\n"});
}

TEST_F(UpgradeTest, FlashBodyGoesForwardsInBlocksOf50AndTheMcuRestarts) {
    const Bytes body = Counting(120);
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("ORN14.60DSP_FLASH_UPG.BIN", MakeImage(body))),
              UPG_FILE_VALID);
    const std::vector<Step> steps = RunSteps();

    EXPECT_EQ(steps.back().result, kUpgradeStepFinished);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(WrittenHex(), (std::vector<std::string>{
                                R(CMD_MCU, 0x01),
                                R(CMD_FLASH, 0x03, kStart),
                                R(CMD_FLASH, 0x04, Cat({0, 0, 0, 0, 50}, Slice(body, 0, 50))),
                                R(CMD_FLASH, 0x04, Cat({0, 0, 0, 50, 50}, Slice(body, 50, 50))),
                                R(CMD_FLASH, 0x04, Cat({0, 0, 0, 100, 20}, Slice(body, 100, 20))),
                                R(CMD_FLASH, 0x05),
                                R(CMD_MCU, 0x8F),
                            }));
}

TEST_F(UpgradeTest, BootloaderNameSelectsItsOwnCommands) {
    // The bootloader is written by the application, which stays on the bus.
    rig.link->State().mcu_is_normal_mode = true;
    const int64_t start = rig.clock.NowMs();
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("x_BL_UPG.bin", MakeImage(Counting(40)))),
              UPG_FILE_VALID);
    EXPECT_LT(rig.clock.NowMs() - start, kUpgradeRestartWaitMs);
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFinished);

    std::vector<int> subcmds;
    for (const Bytes& report : rig.script->Written()) {
        EXPECT_EQ(report[4], CMD_MCU);
        subcmds.push_back(report[5]);
    }
    EXPECT_EQ(subcmds, (std::vector<int>{0xA0, 0xA1, 0xA2, 0xA2, 0xA3}));
}

TEST_F(UpgradeTest, NotReadyForABlockIsWaitedOutWithoutResending) {
    amp.notReadyBlock = 1;
    amp.readyAfterNotReady = false;
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(96)))),
              UPG_FILE_VALID);
    auto blocks = [this] {
        std::vector<std::string> offsets;
        for (const Bytes& report : rig.script->Written()) {
            if (report[5] == MCU_UPG_DATA) {
                offsets.push_back(Hex(Slice(report, 7, 4)));
            }
        }
        return offsets;
    };
    // Two blocks, the NOT_READY read, then two reads that find nothing.
    for (int i = 0; i < 8; ++i) {
        rig.link->UpgradeStep();
    }
    EXPECT_EQ(blocks().size(), 2u);
    EXPECT_EQ(Status(), UPG_WAIT_ACK);

    rig.script->QueueReply(DeviceReport({CMD_MCU, MCU_UPG_DATA, 0xEE, {ACK_READY}}));
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFinished);
    EXPECT_EQ(blocks(), (std::vector<std::string>{"00 00 00 40 ", "00 00 00 20 ", "00 00 00 00 "}));
}

TEST_F(UpgradeTest, StaleBytesBeforeTheStartDoNotSwallowItsAcknowledgement) {
    // The start of a long frame that never ends.
    amp.enterTail = {0xAA, 0x55, 0x3A, 0x03};
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(10)))),
              UPG_FILE_VALID);
    EXPECT_EQ(Status(), UPG_READY);
}

// ---- Entering upgrade mode ----

TEST_F(UpgradeTest, McuInNormalModeIsReopenedAfterItsRestart) {
    rig.link->State().mcu_is_normal_mode = true;
    const int64_t start = rig.clock.NowMs();
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(10)))),
              UPG_FILE_VALID);
    EXPECT_GE(rig.clock.NowMs() - start, kUpgradeRestartWaitMs);
    EXPECT_TRUE(rig.link->IsOpen());
    // Closed without the goodbye frame: nothing between entering and the start.
    EXPECT_EQ(WrittenHex(), (std::vector<std::string>{R(CMD_MCU, 0x01), R(CMD_MCU, 0x02, kStart)}));
}

TEST_F(UpgradeTest, DeviceNotBackAfterItsRestartIsAConnectFailure) {
    rig.link->State().mcu_is_normal_mode = true;
    amp.lostAfterEnter = true;
    const int64_t start = rig.clock.NowMs();
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("FLASH_UPG.BIN", MakeImage(Counting(10)))),
              UPG_CONNECT_FAIL);
    EXPECT_GE(rig.clock.NowMs() - start,
              kUpgradeRestartWaitMs + kUpgradeReopenTries * kUpgradeReopenPauseMs);
    EXPECT_FALSE(rig.link->IsOpen());
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(WrittenHex(), std::vector<std::string>{R(CMD_MCU, 0x01)});
}

TEST_F(UpgradeTest, RefusedStartFailsAndLeavesNoUpgradeRunning) {
    amp.startStatus = 0x33;
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(10)))),
              UPG_START_FAIL);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("FLASH_UPG.BIN", MakeImage(Counting(10)))),
              UPG_START_FAIL);
    EXPECT_EQ(Status(), UPG_IDLE);
    // The bootloader's refusal shows at the first step, before any block.
    const size_t before = rig.script->Written().size();
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("BL_UPG.BIN", MakeImage(Counting(10)))),
              UPG_FILE_VALID);
    EXPECT_EQ(rig.link->UpgradeStep(), kUpgradeStepFailed);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(rig.script->Written().size(), before + 2);
}

TEST_F(UpgradeTest, SecondStartDuringATransferIsRefusedAndTheFirstGoesOn) {
    const Bytes body = Counting(64);
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(body))), UPG_FILE_VALID);
    EXPECT_EQ(rig.link->UpgradeStep(), 50);
    const size_t before = rig.script->Written().size();
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("FLASH_UPG.BIN", MakeImage(Counting(10)))),
              UPG_START_FAIL);
    EXPECT_EQ(rig.script->Written().size(), before);
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFinished);
    const auto written = rig.script->Written();
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(Hex(written[3]), R(CMD_MCU, 0x03, Cat({0, 0, 0, 0}, Slice(body, 0, 32))));
}

// ---- Acknowledgements that stop, devices that go ----

TEST_F(UpgradeTest, BlockNeverAcknowledgedFailsAfterTheLimit) {
    amp.silentBlocks = true;
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(64)))),
              UPG_FILE_VALID);
    const int64_t start = rig.clock.NowMs();
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFailed);
    const int64_t waited = rig.clock.NowMs() - start;
    EXPECT_GE(waited, kUpgradeAckLimitMs);
    EXPECT_LT(waited, kUpgradeAckLimitMs + 2 * kReplyTimeoutMs);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(rig.script->Written().size(), 3u);
}

TEST_F(UpgradeTest, StartNeverAcknowledgedFailsAtTheStepsWithoutABlock) {
    amp.silentStart = true;
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("BL_UPG.BIN", MakeImage(Counting(64)))),
              UPG_FILE_VALID);
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFailed);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(rig.script->Written().size(), 2u);
}

TEST_F(UpgradeTest, DeviceLostDuringTheTransferFailsAndAllowsANewStart) {
    amp.vanishAtBlock = 1;
    ASSERT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(96)))),
              UPG_FILE_VALID);
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFailed);
    EXPECT_EQ(Status(), UPG_IDLE);
    EXPECT_EQ(rig.script->Written().size(), 4u);

    {
        std::lock_guard<std::mutex> guard(rig.script->lock);
        rig.script->gone = false;
    }
    amp.vanishAtBlock = -1;
    ASSERT_EQ(rig.link->Open(), OpenResult::Opened);
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(10)))),
              UPG_FILE_VALID);
}

// ---- The file checks: nothing reaches the device ----

TEST_F(UpgradeTest, RejectedFilesWriteNothing) {
    Bytes huge(kImageMaxSize + 1, 0);
    huge[0] = 1;
    huge[1] = kModel;
    const struct {
        const char* what;
        std::string path;
        int result;
    } cases[] = {
        {"larger than 1 MB", WriteFile("big_MCU_UPG.bin", huge), UPG_FILE_INVALID},
        {"wrong FW_ID", WriteFile("a_MCU_UPG.bin", MakeImage(Counting(20), 2)), UPG_FILE_INVALID},
        {"wrong model", WriteFile("b_MCU_UPG.bin", MakeImage(Counting(20), 1, 77)),
         UPG_FILE_INVALID},
        {"checksum off by one", WriteFile("c_BL_UPG.bin", MakeImage(Counting(20), 1, kModel, 1)),
         UPG_FILE_INVALID},
        {"flash checksum off by one",
         WriteFile("d_FLASH_UPG.bin", MakeImage(Counting(20), 9, kModel, 1)), UPG_FILE_INVALID},
        {"name outside the list", WriteFile("firmware.bin", MakeImage(Counting(20))),
         UPG_FILE_INVALID},
        {"missing", "/nonexistent/dir/MCU_UPG.BIN", UPG_FILE_OPEN_FAIL},
        {"header and trailer only", WriteFile("e_MCU_UPG.bin", Bytes(14, 0)), UPG_FILE_INVALID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(rig.link->UpgradeStart(c.path), c.result);
        EXPECT_EQ(Status(), UPG_IDLE);
    }
    EXPECT_TRUE(rig.script->Written().empty());

    rig.link->CloseHIDDevice(false);
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("MCU_UPG.BIN", MakeImage(Counting(20)))),
              UPG_CONNECT_FAIL);
    EXPECT_EQ(Status(), UPG_IDLE);
}

TEST_F(UpgradeTest, AcceptedNamesAndHeaders) {
    // Lower case, and a flash image's FW_ID is not checked.
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("mcu_upg.bin", MakeImage(Counting(1)))),
              UPG_FILE_VALID);
    EXPECT_EQ(RunSteps().back().result, kUpgradeStepFinished);
    EXPECT_EQ(rig.link->UpgradeStart(WriteFile("flash_upg.bin", MakeImage(Counting(1), 9))),
              UPG_FILE_VALID);
}

TEST(FirmwareImage, TargetComesFromTheNameAfterTheLastSeparator) {
    EXPECT_EQ(TargetForFileName("C:\\fw\\ORN14.60DSP_MCU_UPG.bin"), UPG_TARGET_MCU);
    EXPECT_EQ(TargetForFileName("/fw/orn_mcu_bl_upg.BIN"), UPG_TARGET_BOOTLOADER);
    EXPECT_EQ(TargetForFileName("Flash_Upg.bin"), UPG_TARGET_FLASH);
    EXPECT_EQ(TargetForFileName("/fw/MCU_UPG.BIN/image.bin"), UPG_TARGET_NONE);
    EXPECT_EQ(TargetForFileName("MCU_UPG.BI"), UPG_TARGET_NONE);
}

TEST(FirmwareImage, ReaderStopsPastTheLimit) {
    const fs::path path =
        fs::temp_directory_path() / ("link_upgrade_" + std::to_string(::getpid()) + "_big");
    std::ofstream(path).put('x');
    fs::resize_file(path, 50u << 20);
    std::vector<uint8_t> out;
    EXPECT_EQ(ReadFirmwareFile(path.string(), out), UPG_FILE_INVALID);
    EXPECT_TRUE(out.empty());
    fs::resize_file(path, kImageMaxSize);
    EXPECT_EQ(ReadFirmwareFile(path.string(), out), UPG_FILE_VALID);
    EXPECT_EQ(out.size(), kImageMaxSize);
    fs::remove(path);
    EXPECT_EQ(ReadFirmwareFile(fs::temp_directory_path().string(), out), UPG_FILE_OPEN_FAIL);
}

TEST(FirmwareImage, RandomAndTruncatedBuffersAreValidOnlyWithTheirChecksum) {
    std::mt19937 rng(20240611);
    auto valid = [](const Bytes& file) {
        if (file.size() < 15 || file[0] != 1 || file[1] != kModel) {
            return false;
        }
        uint32_t sum = 0;
        for (size_t i = 0; i + 4 < file.size(); ++i) {
            sum += file[i];
        }
        const size_t s = file.size();
        return sum == ((uint32_t{file[s - 4]} << 24) | (uint32_t{file[s - 3]} << 16) |
                       (uint32_t{file[s - 2]} << 8) | file[s - 1]);
    };
    int validSeen = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes file;
        if (round % 2 == 0) {
            file.resize(rng() % 80);
            for (uint8_t& b : file) {
                b = static_cast<uint8_t>(rng());
            }
        } else {
            Bytes body(rng() % 70);
            for (uint8_t& b : body) {
                b = static_cast<uint8_t>(rng());
            }
            file = MakeImage(body);
            file.resize(file.size() - rng() % std::min<size_t>(file.size() + 1, 4));
        }
        const FirmwareImage image = CheckFirmwareImage(file, UPG_TARGET_MCU, kModel);
        const bool expected = valid(file);
        ASSERT_EQ(image.result == UPG_FILE_VALID, expected) << Hex(file);
        if (expected) {
            ++validSeen;
            ASSERT_EQ(image.body, Slice(file, 6, file.size() - 14));
            ASSERT_EQ(Hex(Bytes(image.startParams.begin(), image.startParams.end())), Hex(kStart));
        } else {
            ASSERT_TRUE(image.body.empty());
        }
    }
    EXPECT_GT(validSeen, 100);
}
