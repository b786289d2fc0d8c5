#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "model/copy_config.h"
#include "shell/run_log.h"

using namespace model;

namespace {

// Captures the run log into a temporary file for one test.
class LogCapture {
  public:
    LogCapture()
        : mPath(std::filesystem::temp_directory_path() /
                ("model_copy_config_" + std::to_string(::getpid()) + ".log")) {
        runlog::Open(mPath.string(), mConsole);
        runlog::SetTimestamp(false);
    }
    ~LogCapture() {
        runlog::SetTimestamp(true);
        runlog::Close();
        std::filesystem::remove(mPath);
        std::fclose(mConsole);
    }
    std::string Text() {
        runlog::Close();
        std::ifstream in(mPath);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

  private:
    // The log echoes every line to a console; keep it out of the test output.
    std::FILE* mConsole = std::tmpfile();
    std::filesystem::path mPath;
};

}  // namespace

TEST(ModelCopyConfig, CopyOutputCopiesTargetCountOfBandsAndCrossover) {
    ProfileRecord r;
    for (int b = 0; b < MAX_EQ_BANDS; ++b) {
        r.bands[2][b] = EqBand{1.5f, 2.0f, 100 + b, 0};
    }
    Crossover& src = r.channels[2].crossover;
    src.hp.SetFs(123);
    src.hp.SetType(2);
    src.hp.SetSlope(5);
    src.lp.SetFs(4567);
    src.lp.SetType(3);
    src.lp.SetSlope(0);
    src.bpType = 1;
    r.channels[7].eqSize = 11;

    EXPECT_TRUE(CopyOutputConfig(r, 2, 7));
    for (int b = 0; b < 11; ++b)
        EXPECT_EQ(r.bands[7][b], r.bands[2][b]) << b;
    for (int b = 11; b < MAX_EQ_BANDS; ++b)
        EXPECT_EQ(r.bands[7][b], ProfileRecord().bands[7][b]);
    EXPECT_EQ(r.channels[7].crossover, src);
    EXPECT_EQ(r.channels[7].crossover.lp.bypass(), 1);
    EXPECT_EQ(r.channels[7].eqSize, 11);
}

TEST(ModelCopyConfig, CopyOutputSurvivesBadEqSize) {
    ProfileRecord r;
    r.channels[1].eqSize = 500;
    EXPECT_TRUE(CopyOutputConfig(r, 0, 1));
    r.channels[1].eqSize = -4;
    EXPECT_TRUE(CopyOutputConfig(r, 0, 1));
}

TEST(ModelCopyConfig, CopyMix) {
    ProfileRecord r;
    r.inputs[5][0] = 0x3FF;
    for (int row = 0; row < INPUT_ROWS; ++row)
        r.inputMixVolume[5][row][0] = row * 7;
    EXPECT_TRUE(CopyMixConfig(r, 0, 9));
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        EXPECT_EQ(r.inputs[s][9], r.inputs[s][0]);
        for (int row = 0; row < INPUT_ROWS; ++row) {
            EXPECT_EQ(r.inputMixVolume[s][row][9], r.inputMixVolume[s][row][0]);
        }
    }
    EXPECT_EQ(r.inputMixVolume[5][3][9], 21);
}

TEST(ModelCopyConfig, ClearMix) {
    ProfileRecord r;
    EXPECT_TRUE(ClearMixConfig(r, 4));
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        EXPECT_EQ(r.inputs[s][4], 0);
        EXPECT_EQ(r.inputs[s][5], 3);
        for (int row = 0; row < INPUT_ROWS; ++row)
            EXPECT_EQ(r.inputMixVolume[s][row][4], 0);
        EXPECT_EQ(r.inputMixVolume[s][0][5], 100);
    }
}

TEST(ModelCopyConfig, BadIndicesTouchNothing) {
    ProfileRecord r;
    const ProfileRecord before = r;
    EXPECT_FALSE(CopyOutputConfig(r, -1, 0));
    EXPECT_FALSE(CopyOutputConfig(r, 0, 12));
    EXPECT_FALSE(CopyMixConfig(r, 12, 0));
    EXPECT_FALSE(CopyMixConfig(r, 0, -1));
    EXPECT_FALSE(ClearMixConfig(r, 12));
    EXPECT_FALSE(ClearMixConfig(r, -1));
    EXPECT_EQ(r.inputs, before.inputs);
    EXPECT_EQ(r.inputMixVolume, before.inputMixVolume);
    EXPECT_EQ(r.bands, before.bands);
}

TEST(ModelCopyConfig, LogLines) {
    LogCapture log;
    ProfileRecord r;
    CopyOutputConfig(r, 1, 2);
    CopyMixConfig(r, 3, 4);
    ClearMixConfig(r, 5);
    EXPECT_EQ(log.Text(),
              "copy out config from 1 to 2\n"
              "copy mix config from 3 to 4\n"
              "clear mix config of 5\n");
}
