// "orn-dspctl firmware FILE" against the virtual amplifier on virtual time.
#include <gtest/gtest.h>

#include <fstream>

#include "dspctl_test_support.h"
#include "shell/identity.h"
#include "sim/test_firmware.h"

namespace {

using dspctl_test::ToolTest;

class DspctlFirmware : public ToolTest {
  protected:
    std::string WriteImage(const std::string& name, std::vector<uint8_t> image) {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return path;
    }
    static std::vector<uint8_t> Mcu(uint8_t model, uint8_t minor) {
        return sim::MakeTestFirmware(dsplink::UPG_TARGET_MCU, model, 16, minor, 1000);
    }
    std::shared_ptr<sim::VirtualAmplifier> mAmp = std::make_shared<sim::VirtualAmplifier>();
};

TEST_F(DspctlFirmware, WritesTheImageAndReportsTheVersionTheAmplifierRestartsWith) {
    const std::string image = WriteImage("ORN14.60DSP_MCU_UPG.bin", Mcu(shell::kModelId, 25));
    const auto result = Tool(mAmp, {"firmware", image.c_str()});
    ASSERT_EQ(result.code, dspctl::kExitOk) << result.err;
    EXPECT_NE(result.out.find("100 %"), std::string::npos);
    EXPECT_NE(result.out.find("firmware 16.25"), std::string::npos) << result.out;
    EXPECT_EQ(mAmp->Snapshot().slaveVersion, 25);
}

TEST_F(DspctlFirmware, AnUnusableFileIsRefusedBeforeTheAmplifierIsTouched) {
    std::vector<uint8_t> damaged = Mcu(shell::kModelId, 25);
    damaged.back() ^= 1;
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {WriteImage("MCU_UPG.bin", Mcu(77, 25)), "model 77"},
        {WriteImage("firmware.bin", Mcu(shell::kModelId, 25)), "must end in"},
        {WriteImage("x_MCU_UPG.bin", damaged), "damaged"},
        {WriteImage("tiny_MCU_UPG.bin", {1, 78, 0}), "too short"},
        {PathOf("missing_MCU_UPG.bin"), "cannot be opened"},
    };
    for (const auto& c : cases) {
        const auto result = Tool(mAmp, {"firmware", c.path.c_str()});
        EXPECT_EQ(result.code, dspctl::kExitFile) << c.path;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
    EXPECT_EQ(mAmp->Answers(), 0u);
}

TEST_F(DspctlFirmware, APowerCutFailsTheUpdateAndTheSameCommandBringsTheAmplifierBack) {
    const std::string image = WriteImage("ORN14.60DSP_MCU_UPG.bin", Mcu(shell::kModelId, 25));
    mAmp->FailUpgradeAt(7, sim::UpgradeFault::PowerCut);
    const auto cut = Tool(mAmp, {"firmware", image.c_str()});
    EXPECT_EQ(cut.code, dspctl::kExitFirmware);
    EXPECT_NE(cut.err.find("The update failed"), std::string::npos) << cut.err;
    // Back by itself after its restart, in its loader.
    mClock.Advance(3'000'000);
    const auto again = Tool(mAmp, {"firmware", image.c_str()});
    ASSERT_EQ(again.code, dspctl::kExitOk) << again.err;
    EXPECT_NE(again.out.find("runs its loader"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("firmware 16.25"), std::string::npos) << again.out;
}

// Every fault ends with a message and exit 4, and leaves an amplifier the command can update.
TEST_F(DspctlFirmware, EveryTransferFaultFailsClearlyAndTheNextTryWorks) {
    const std::string image = WriteImage("ORN14.60DSP_MCU_UPG.bin", Mcu(shell::kModelId, 25));
    const struct {
        sim::UpgradeFault fault;
        const char* message;
    } cases[] = {
        {sim::UpgradeFault::RefuseStart, "refused to start"},
        {sim::UpgradeFault::LoseAcks, "The update failed"},
        {sim::UpgradeFault::Unplug, "The update failed"},
        {sim::UpgradeFault::PowerCut, "The update failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        mAmp->SetIdentity(shell::kModelId, 16, 24);
        mAmp->FailUpgradeAt(5, c.fault);
        const auto failed = Tool(mAmp, {"firmware", image.c_str()});
        EXPECT_EQ(failed.code, dspctl::kExitFirmware);
        EXPECT_NE(failed.err.find(c.message), std::string::npos) << failed.err;
        mAmp->PlugIn();
        mClock.Advance(3'000'000);
        const auto again = Tool(mAmp, {"firmware", image.c_str()});
        ASSERT_EQ(again.code, dspctl::kExitOk) << again.err;
        EXPECT_EQ(mAmp->Snapshot().slaveVersion, 25);
    }
    // NOT_READY for a block is waited out: the update goes through at once.
    mAmp->SetIdentity(shell::kModelId, 16, 24);
    mAmp->FailUpgradeAt(5, sim::UpgradeFault::NotReady);
    EXPECT_EQ(Tool(mAmp, {"firmware", image.c_str()}).code, dspctl::kExitOk);
    EXPECT_EQ(mAmp->Snapshot().slaveVersion, 25);
}

}  // namespace
