// The service tool's backup, restore and scene commands against the virtual amplifier, which
// judges by the state it ends in.

#include <cJSON.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dspctl/dspctl.h"
#include "dspctl_test_support.h"
#include "link/clock.h"
#include "profiles/profile_files.h"
#include "profiles/profile_writer.h"
#include "sim/virtual_amplifier.h"

namespace {

using dspctl_test::Customise;
using dspctl_test::Result;

using DspctlBackup = dspctl_test::ToolTest;

// The file without the keys a whole profile's reader leaves alone.
std::string WithoutUnreadKeys(const std::string& path) {
    std::string text;
    EXPECT_FALSE(profiles::LoadFromFile(path, text));
    cJSON* root = cJSON_Parse(text.c_str());
    EXPECT_NE(root, nullptr);
    auto strip = [](cJSON* set) {
        for (const char* key : {"bridgeOutputs", "linkSel", "delayLinkSel"}) {
            cJSON_DeleteItemFromObject(set, key);
        }
    };
    strip(cJSON_GetObjectItem(root, "currentProfile"));
    cJSON* scenes = cJSON_GetObjectItem(root, "sceneArray");
    for (int k = 0; k < cJSON_GetArraySize(scenes); ++k) {
        strip(cJSON_GetArrayItem(scenes, k));
    }
    char* printed = cJSON_PrintUnformatted(root);
    std::string out(printed);
    cJSON_free(printed);
    cJSON_Delete(root);
    return out;
}

TEST_F(DspctlBackup, BackupRestoreBackupGivesTheSameFileAndTheSameDevice) {
    auto first = std::make_shared<sim::VirtualAmplifier>();
    first->Modify(Customise);
    const Result backup1 = Tool(first, {"backup", PathOf("first.wpf").c_str()});
    ASSERT_EQ(backup1.code, 0) << backup1.err;
    EXPECT_NE(backup1.out.find("Read scene 10 of 10"), std::string::npos);

    auto second = std::make_shared<sim::VirtualAmplifier>();
    const Result restore = Tool(second, {"restore", PathOf("first.wpf").c_str()});
    ASSERT_EQ(restore.code, 0) << restore.err;
    EXPECT_NE(restore.out.find("Sent scene 10 of 10"), std::string::npos);
    EXPECT_NE(restore.out.find("(100%)"), std::string::npos);

    const Result backup2 = Tool(second, {"backup", PathOf("second.wpf").c_str()});
    ASSERT_EQ(backup2.code, 0) << backup2.err;
    EXPECT_EQ(WithoutUnreadKeys(PathOf("first.wpf")), WithoutUnreadKeys(PathOf("second.wpf")));

    // The device is the judge: every stored scene and the live set carry the same values.
    const sim::DeviceState a = first->Snapshot();
    const sim::DeviceState b = second->Snapshot();
    for (int scene = 0; scene <= 10; ++scene) {
        SCOPED_TRACE("scene " + std::to_string(scene));
        EXPECT_EQ(a.scenes[scene].outputs, b.scenes[scene].outputs);
        for (int src = 0; src < sim::kSources; ++src) {
            EXPECT_EQ(a.scenes[scene].sources[src].mixMask, b.scenes[scene].sources[src].mixMask);
            for (int row = 0; row < 10; ++row) {
                EXPECT_EQ(a.scenes[scene].sources[src].mixTrim[row],
                          b.scenes[scene].sources[src].mixTrim[row])
                    << "source " << src << " row " << row;
            }
        }
        EXPECT_EQ(a.scenes[scene].lock, b.scenes[scene].lock);
        EXPECT_EQ(a.scenes[scene].link, b.scenes[scene].link);
    }
    EXPECT_EQ(b.mainVolume, a.mainVolume);
    EXPECT_EQ(b.mute, a.mute);
    EXPECT_EQ(b.acc, a.acc);
    EXPECT_EQ(b.inputThreshold, a.inputThreshold);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.names[1].data()), 4), "Club");
    EXPECT_EQ(b.names[1][4], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.names[4].data())), "Rocker");
}

TEST_F(DspctlBackup, AnInvalidFileIsRefusedBeforeAnythingIsSent) {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    ASSERT_EQ(Tool(amp, {"backup", PathOf("good.wpf").c_str()}).code, 0);
    std::string text;
    ASSERT_FALSE(profiles::LoadFromFile(PathOf("good.wpf"), text));
    // A broken last scene: the whole file is refused, the earlier scenes are not sent either.
    const size_t last = text.rfind("\"lockMode\":");
    ASSERT_NE(last, std::string::npos);
    text.replace(last, 11, "\"lockMode\":\"x\",\"_\":");
    ASSERT_FALSE(profiles::SaveToFile(PathOf("bad.wpf"), text));
    amp->Modify(Customise);
    const sim::DeviceState before = amp->Snapshot();

    const Result r = Tool(amp, {"--trace", "restore", PathOf("bad.wpf").c_str()});
    EXPECT_EQ(r.code, dspctl::kExitFile);
    EXPECT_NE(r.err.find("lockMode"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not a valid profile"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("> "), std::string::npos) << "no frame may be written";
    EXPECT_EQ(amp->Snapshot(), before);

    // A NUL between two tokens, which the parser would have taken for white space.
    std::string good;
    ASSERT_FALSE(profiles::LoadFromFile(PathOf("good.wpf"), good));
    good.insert(good.find(",\"acc\""), 1, '\0');
    ASSERT_FALSE(profiles::SaveToFile(PathOf("nul.wpf"), good));
    const Result nul = Tool(amp, {"--trace", "restore", PathOf("nul.wpf").c_str()});
    EXPECT_EQ(nul.code, dspctl::kExitFile);
    EXPECT_NE(nul.err.find("NUL"), std::string::npos) << nul.err;
    EXPECT_EQ(nul.out.find("> "), std::string::npos) << "no frame may be written";
    EXPECT_EQ(amp->Snapshot(), before);

    const Result missing = Tool(amp, {"restore", PathOf("absent.spf").c_str()});
    EXPECT_EQ(missing.code, dspctl::kExitFile);
    EXPECT_NE(missing.err.find("cannot open the file"), std::string::npos);
    EXPECT_EQ(amp->Snapshot(), before);
}

TEST_F(DspctlBackup, SceneProfileRestoreSetsTheLiveSetOnly) {
    auto source = std::make_shared<sim::VirtualAmplifier>();
    source->Modify(Customise);
    // A scene profile from a whole backup's live set, through the shared reader and writer.
    ASSERT_EQ(Tool(source, {"backup", PathOf("all.wpf").c_str()}).code, 0);
    const auto whole =
        profiles::LoadWholeProfile(PathOf("all.wpf"), model::ProfileRecord(), model::SceneTable());
    ASSERT_TRUE(whole.Ok());
    ASSERT_FALSE(
        profiles::SaveToFile(PathOf("live.spf"), profiles::WriteSceneProfile(*whole.live)));

    auto target = std::make_shared<sim::VirtualAmplifier>();
    const sim::DeviceState fresh = target->Snapshot();
    const Result r = Tool(target, {"restore", PathOf("live.spf").c_str()});
    ASSERT_EQ(r.code, 0) << r.err;
    const sim::DeviceState a = source->Snapshot();
    const sim::DeviceState b = target->Snapshot();
    EXPECT_EQ(b.scenes[0].outputs, a.scenes[0].outputs);
    EXPECT_EQ(b.scenes[0].sources[5].mixMask, a.scenes[0].sources[5].mixMask);
    EXPECT_EQ(b.mainVolume, a.mainVolume);
    for (int scene = 1; scene <= 10; ++scene) {
        EXPECT_EQ(b.scenes[scene], fresh.scenes[scene]) << scene;
    }
    EXPECT_EQ(b.validMask, fresh.validMask);
}

TEST_F(DspctlBackup, SceneSaveLoadAndDelete) {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    amp->Modify(Customise);
    const sim::SceneState live = amp->Snapshot().scenes[0];

    const Result save = Tool(amp, {"scene", "save", "7", "Evening in the garage"});
    ASSERT_EQ(save.code, 0) << save.err;
    EXPECT_NE(save.out.find("cut to \"Evening in the \""), std::string::npos) << save.out;
    sim::DeviceState s = amp->Snapshot();
    EXPECT_EQ(s.scenes[7], live);
    EXPECT_TRUE(s.validMask & (1u << 6));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.names[6].data())), "Evening in the ");

    // Without a name the scene keeps the one it has.
    ASSERT_EQ(Tool(amp, {"scene", "save", "7"}).code, 0);
    EXPECT_EQ(amp->Snapshot().names[6], s.names[6]);

    amp->Modify([](sim::DeviceState& d) { d.scenes[0] = sim::DefaultScene(); });
    ASSERT_EQ(Tool(amp, {"scene", "load", "7"}).code, 0);
    EXPECT_EQ(amp->Snapshot().scenes[0], live);

    ASSERT_EQ(Tool(amp, {"scene", "delete", "7"}).code, 0);
    s = amp->Snapshot();
    EXPECT_FALSE(s.validMask & (1u << 6));

    // An empty slot is not loaded: the live set stays as it is.
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].outputs[0].trim = 33; });
    const sim::DeviceState before = amp->Snapshot();
    const Result empty = Tool(amp, {"scene", "load", "7"});
    EXPECT_EQ(empty.code, dspctl::kExitNoAmplifier);
    EXPECT_NE(empty.err.find("holds no data"), std::string::npos);
    EXPECT_EQ(amp->Snapshot().scenes[0], before.scenes[0]);
}

TEST_F(DspctlBackup, UsageAndFileErrors) {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    EXPECT_EQ(Tool(amp, {"backup", "x.spf"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"backup"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"restore", "x.txt"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"scene", "save", "11"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"scene", "save", "0"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"scene", "rename", "1"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"scene", "load", "1", "extra"}).code, dspctl::kExitUsage);
    EXPECT_EQ(Tool(amp, {"scene", "save", "1", "a", "b"}).code, dspctl::kExitUsage);
    const Result unwritable = Tool(amp, {"backup", "/nonexistent-dir/x.wpf"});
    EXPECT_EQ(unwritable.code, dspctl::kExitFile);
    EXPECT_NE(unwritable.err.find("cannot create the file"), std::string::npos);
}

TEST_F(DspctlBackup, TraceShowsTheFramesOfAProfileCommand) {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    const Result r = Tool(amp, {"--trace", "scene", "delete", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    // DeleteScene: flash packet, subcommand 0x0A, scene 3.
    EXPECT_NE(r.out.find("> AA 55 04 02 0A"), std::string::npos) << r.out;
}

}  // namespace

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

}  // namespace

TEST_F(DspctlBackup, FilterListsGoOntoAnOutputsBandsAndComeBack) {
    const auto amp = std::make_shared<sim::VirtualAmplifier>();
    amp->Modify([](sim::DeviceState& d) { d.scenes[0].outputs[2].trim = 3; });
    const std::string list = PathOf("room.txt");
    WriteText(list,
              "Filter Settings file\n\nPreamp: -4 dB\n"
              "Filter  1: ON  PK  Fc 63 Hz  Gain -5,5 dB  Q 2.00\n"
              "Filter  2: OFF PK  Fc 80 Hz  Gain -9 dB  Q 2.00\n"
              "Filter  3: ON  PK  Fc 1.250 Hz  Gain 3.0 dB  Q 4.5\n");
    const Result imported = Tool(amp, {"import", "3", list.c_str()});
    ASSERT_EQ(imported.code, 0) << imported.err;
    const sim::OutputState out = amp->Snapshot().scenes[0].outputs[2];
    EXPECT_EQ(out.bands[0].freq, 63);
    EXPECT_EQ(out.bands[0].gain, (std::array<uint8_t, 2>{12, 5}));  // -5.5 dB + 18
    EXPECT_EQ(out.bands[1].freq, 1250);
    EXPECT_EQ(out.bands[1].q, (std::array<uint8_t, 2>{4, 5}));
    EXPECT_EQ(out.bands[2].gain, (std::array<uint8_t, 2>{18, 0}));  // flat beyond the list
    EXPECT_EQ(out.trim, 7);                                         // -3 dB, then -4 dB more

    // Written back and read onto another amplifier's output, the same bands play.
    const std::string copy = PathOf("ch3.txt");
    ASSERT_EQ(Tool(amp, {"export", "3", copy.c_str()}).code, 0);
    const auto other = std::make_shared<sim::VirtualAmplifier>();
    ASSERT_EQ(Tool(other, {"import", "3", copy.c_str()}).code, 0);
    EXPECT_EQ(other->Snapshot().scenes[0].outputs[2].bands, out.bands);

    // A list the bands cannot play is named line by line and nothing is sent.
    WriteText(list, "Filter 1: ON PK Fc 63 Hz Gain -5 dB Q 2\nFilter 2: ON LSC Fc 90 Hz\n");
    const sim::DeviceState before = amp->Snapshot();
    const Result refused = Tool(amp, {"import", "3", list.c_str()});
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.err.find("line 2: LSC (shelf)"), std::string::npos) << refused.err;
    EXPECT_TRUE(amp->Snapshot() == before);
    EXPECT_EQ(Tool(amp, {"import", "13", list.c_str()}).code, 2);
    EXPECT_EQ(Tool(amp, {"import", "3", PathOf("missing.txt").c_str()}).code, 3);
}
