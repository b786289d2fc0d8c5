// Writing profiles: exact text, key order, names, and save/load round trips.

#include <cJSON.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "profiles/base64.h"
#include "profiles/profile_files.h"
#include "profiles/profile_reader.h"
#include "profiles/profile_writer.h"
#include "profiles/scene_name_text.h"
#include "profiles_test_support.h"

namespace {

using model::ProfileRecord;
using model::SceneTable;
using profiles_test::ExpectSameFileFields;
using profiles_test::Scramble;

std::vector<std::string> KeysOf(const cJSON* object) {
    std::vector<std::string> keys;
    for (const cJSON* item = object->child; item; item = item->next) {
        keys.push_back(item->string);
    }
    return keys;
}

struct JsonDeleter {
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::unique_ptr<SceneTable> ScrambledScenes(unsigned seed) {
    auto scenes = std::make_unique<SceneTable>();
    for (int k = 0; k < model::STORED_SCENES; ++k) {
        Scramble(scenes->records[k], seed + static_cast<unsigned>(k));
        const std::string name = "Scene " + std::to_string(k + 1) + (k % 2 ? " ü" : "");
        model::SetSceneName(*scenes, k, name);
    }
    return scenes;
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name))
        .string();
}

TEST(ProfileWriter, SceneProfileIsCompactJsonInKeyOrder) {
    ProfileRecord live;
    live.mainVolume = -7;
    const std::string text = profiles::WriteSceneProfile(live);
    EXPECT_EQ(text.rfind("{\"model\":78,\"model_name\":\"ORN14.60DSP\",\"mainVolume\":-7,", 0), 0u)
        << text.substr(0, 80);
    EXPECT_EQ(text.find_first_of(" \n\r\t"), std::string::npos);
    EXPECT_EQ(text.back(), '}');

    Json root(cJSON_Parse(text.c_str()));
    ASSERT_TRUE(root);
    const std::vector<std::string> order = {
        "model",          "model_name",     "mainVolume",   "acc",
        "subVolume",      "mainVolumeMute", "channels",     "inputs",
        "inputMixVolume", "outputs",        "outputs_bk",   "linkOutputs",
        "bridgeOutputs",  "linkSel",        "delayLinkSel", "showOutChEqualizer",
        "currOutChannel", "linkMode",       "lockMode",     "inputThreshold",
        "inMixPhase"};
    EXPECT_EQ(KeysOf(root.get()), order);

    const cJSON* channel = cJSON_GetArrayItem(cJSON_GetObjectItem(root.get(), "channels"), 0);
    EXPECT_EQ(KeysOf(channel),
              (std::vector<std::string>{"eqSize", "gain", "mute", "delay", "solo", "phase",
                                        "bypass", "crossover", "eqArray"}));
    const cJSON* crossover = cJSON_GetObjectItem(channel, "crossover");
    EXPECT_EQ(KeysOf(crossover), (std::vector<std::string>{"bpType", "hp", "lp"}));
    EXPECT_EQ(KeysOf(cJSON_GetObjectItem(crossover, "lp")),
              (std::vector<std::string>{"fs", "type", "slope", "bypass"}));
    const cJSON* band = cJSON_GetArrayItem(cJSON_GetObjectItem(channel, "eqArray"), 0);
    EXPECT_EQ(KeysOf(band), (std::vector<std::string>{"freq", "eqFactor", "eqGain", "enable"}));

    // 9 sources of 10 input rows; the model's two spare rows stay out of the file.
    const cJSON* mix = cJSON_GetObjectItem(root.get(), "inputMixVolume");
    EXPECT_EQ(cJSON_GetArraySize(mix), 9);
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetArrayItem(mix, 8)), 10);
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetArrayItem(cJSON_GetArrayItem(mix, 8), 9)), 12);
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(root.get(), "bridgeOutputs")), 6);
    EXPECT_EQ(
        cJSON_GetArraySize(cJSON_GetArrayItem(cJSON_GetObjectItem(root.get(), "inMixPhase"), 0)),
        10);
}

TEST(ProfileWriter, WholeProfileKeyOrderAndSceneSubsets) {
    const ProfileRecord live;
    const auto scenes = std::make_unique<SceneTable>();
    Json root(cJSON_Parse(profiles::WriteWholeProfile(live, *scenes).c_str()));
    ASSERT_TRUE(root);
    EXPECT_EQ(
        KeysOf(root.get()),
        (std::vector<std::string>{"model", "model_name", "mainVolume", "acc", "subVolume",
                                  "mainVolumeMute", "sceneName", "currentProfile", "sceneArray"}));
    EXPECT_EQ(KeysOf(cJSON_GetObjectItem(root.get(), "currentProfile")),
              (std::vector<std::string>{
                  "channels", "inputs", "inputMixVolume", "inMixPhase", "outputs", "outputs_bk",
                  "linkOutputs", "bridgeOutputs", "linkSel", "delayLinkSel", "showOutChEqualizer",
                  "currOutChannel", "linkMode", "lockMode", "inputThreshold"}));
    const cJSON* sceneArray = cJSON_GetObjectItem(root.get(), "sceneArray");
    ASSERT_EQ(cJSON_GetArraySize(sceneArray), 10);
    EXPECT_EQ(
        KeysOf(cJSON_GetArrayItem(sceneArray, 9)),
        (std::vector<std::string>{"channels", "inputs", "inputMixVolume", "outputs", "outputs_bk",
                                  "linkOutputs", "bridgeOutputs", "linkSel", "delayLinkSel",
                                  "showOutChEqualizer", "currOutChannel", "linkMode", "lockMode"}));
    const cJSON* names = cJSON_GetObjectItem(root.get(), "sceneName");
    ASSERT_EQ(cJSON_GetArraySize(names), 10);
    EXPECT_STREQ(cJSON_GetArrayItem(names, 0)->valuestring, "AAAAAAAAAAAAAAAAAAAAAA==");
}

TEST(ProfileWriter, EqArrayFollowsEqSizeAndGainsKeepTheirTenths) {
    ProfileRecord live;
    live.channels[2].eqSize = 0;
    live.channels[3].eqSize = 5;
    live.channels[4].gain = -3.1f;
    Json root(cJSON_Parse(profiles::WriteSceneProfile(live).c_str()));
    const cJSON* channels = cJSON_GetObjectItem(root.get(), "channels");
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(cJSON_GetArrayItem(channels, 2), "eqArray")),
              0);
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(cJSON_GetArrayItem(channels, 3), "eqArray")),
              5);
    const double gain = cJSON_GetObjectItem(cJSON_GetArrayItem(channels, 4), "gain")->valuedouble;
    EXPECT_EQ(static_cast<float>(gain), -3.1f);
}

TEST(ProfileRoundTrip, SceneProfileSavedAndLoadedGivesTheSameRecord) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        ProfileRecord original;
        Scramble(original, seed);
        const std::string text = profiles::WriteSceneProfile(original);
        const ProfileRecord base;  // defaults: every file field must come from the file
        const auto load = profiles::ReadSceneProfile(text, base);
        ASSERT_TRUE(load.Ok()) << load.failure.detail;
        ExpectSameFileFields(original, *load.live, {}, "seed " + std::to_string(seed));
        // Written again, the text is the same byte for byte.
        EXPECT_EQ(profiles::WriteSceneProfile(*load.live), text);
    }
}

TEST(ProfileRoundTrip, WholeProfileKeepsLiveScenesAndNamesExceptUnreadKeys) {
    ProfileRecord live;
    Scramble(live, 99);
    const auto scenes = ScrambledScenes(200);
    const std::string text = profiles::WriteWholeProfile(live, *scenes);

    ProfileRecord liveBase;
    liveBase.bridgeOutputs = {1, 0, 1, 0, 1, 0};
    liveBase.linkSel.fill(4);
    const auto scenesBase = std::make_unique<SceneTable>();
    scenesBase->records[6].delayLinkSel.fill(9);
    const auto load = profiles::ReadWholeProfile(text, liveBase, *scenesBase);
    ASSERT_TRUE(load.Ok()) << load.failure.detail;

    ExpectSameFileFields(live, *load.live, {.routing = false}, "live");
    // Keys a whole profile does not read keep the values they had.
    EXPECT_EQ(load.live->bridgeOutputs, liveBase.bridgeOutputs);
    EXPECT_EQ(load.live->linkSel, liveBase.linkSel);
    for (int k = 0; k < model::STORED_SCENES; ++k) {
        ExpectSameFileFields(scenes->records[k], load.scenes->records[k],
                             {.volumes = false, .routing = false, .liveOnly = false},
                             "scene " + std::to_string(k + 1));
        EXPECT_EQ(load.scenes->names[k], scenes->names[k]) << "name " << k;
    }
    EXPECT_EQ(load.scenes->records[6].delayLinkSel, scenesBase->records[6].delayLinkSel);
    EXPECT_EQ(model::SceneName(*load.scenes, 1), "Scene 2 \xC3\xBC");
}

TEST(ProfileFiles, SaveThenLoadThroughTheDisk) {
    ProfileRecord live;
    Scramble(live, 5);
    const std::string path = TempPath("roundtrip.spf");
    const std::string text = profiles::WriteSceneProfile(live);
    ASSERT_FALSE(profiles::SaveToFile(path, text));
    std::string back;
    ASSERT_FALSE(profiles::LoadFromFile(path, back));
    EXPECT_EQ(back, text);  // no newline added, nothing translated
    const auto load = profiles::LoadSceneProfile(path, ProfileRecord());
    ASSERT_TRUE(load.Ok());
    ExpectSameFileFields(live, *load.live, {}, "disk");
    // Saving over an existing file replaces it and leaves no temporary beside it.
    ASSERT_FALSE(profiles::SaveToFile(path, "{}"));
    ASSERT_FALSE(profiles::LoadFromFile(path, back));
    EXPECT_EQ(back, "{}");
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        files += entry.path().filename().string().find("roundtrip.spf") != std::string::npos;
    }
    EXPECT_EQ(files, 1);
    std::filesystem::remove(path);
}

TEST(ProfileFiles, UnwritableTargetIsACreateError) {
    const auto missingDir = profiles::SaveToFile("/nonexistent-dir/x.spf", "{}");
    EXPECT_EQ(missingDir.error, profiles::ProfileError::kCreate);
    EXPECT_STREQ(profiles::MessageKey(missingDir.error), "${profile_create_error}");
    const std::string dir = TempPath("a_dir.wpf");
    std::filesystem::create_directory(dir);
    EXPECT_EQ(profiles::SaveToFile(dir, "{}").error, profiles::ProfileError::kCreate);
    std::filesystem::remove(dir);
}

TEST(ProfileFiles, KindFollowsTheExtension) {
    EXPECT_EQ(profiles::KindOfPath("a.spf"), profiles::ProfileKind::kScene);
    EXPECT_EQ(profiles::KindOfPath("dir/A.WPF"), profiles::ProfileKind::kWhole);
    EXPECT_EQ(profiles::KindOfPath("a.json"), profiles::ProfileKind::kUnknown);
    EXPECT_EQ(profiles::KindOfPath("spf"), profiles::ProfileKind::kUnknown);
}

TEST(SceneNameBase64, FieldOfSixteenBytesIsAlways24Characters) {
    std::array<std::uint8_t, 16> full{};
    for (int i = 0; i < 16; ++i) {
        full[i] = static_cast<std::uint8_t>('a' + i);
    }
    const std::string encoded = profiles::Base64Encode(full);
    EXPECT_EQ(encoded, "YWJjZGVmZ2hpamtsbW5vcA==");
    EXPECT_EQ(profiles::Base64DecodeInto<16>(encoded), full);
    // Every length, every byte value, back unchanged.
    for (size_t n = 0; n <= 16; ++n) {
        std::array<std::uint8_t, 16> bytes{};
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = i < n ? static_cast<std::uint8_t>(255 - 13 * i) : 0;
        }
        const std::string text = profiles::Base64Encode(std::span(bytes).first(n));
        EXPECT_EQ(text.size(), (n + 2) / 3 * 4);
        EXPECT_EQ(profiles::Base64DecodeInto<16>(text), bytes) << n;
    }
}

TEST(SceneNameBase64, DecodingToleratesMissingPaddingJunkAndLength) {
    auto asText = [](const std::array<std::uint8_t, 16>& b) {
        return std::string(reinterpret_cast<const char*>(b.data()));
    };
    EXPECT_EQ(asText(profiles::Base64DecodeInto<16>("Q2Fy")), "Car");
    EXPECT_EQ(asText(profiles::Base64DecodeInto<16>("QUI")), "AB");  // no padding
    EXPECT_EQ(asText(profiles::Base64DecodeInto<16>("Q2-F\n5!")), "Cay");
    EXPECT_EQ(asText(profiles::Base64DecodeInto<16>("")), "");
    // Longer than the field: the first 16 bytes, and the buffer never overruns.
    const auto longName = profiles::Base64DecodeInto<16>("QUJDREVGR0hJSktMTU5PUFFSU1RVVldY");
    EXPECT_EQ(std::string(longName.begin(), longName.end()), "ABCDEFGHIJKLMNOP");
}

TEST(SceneNameText, InvalidBytesBecomeLatin1AndCutsKeepCharactersWhole) {
    auto field = [](std::string_view bytes) {
        std::array<std::uint8_t, 16> f{};
        std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), 16), f.begin());
        return f;
    };
    EXPECT_EQ(profiles::TextOfNameField(field("Caf\xE9")), "Caf\xC3\xA9");
    EXPECT_EQ(profiles::TextOfNameField(field("K\xC3\xBC"
                                              "che")),
              "K\xC3\xBC"
              "che");
    // A sequence cut short by the field is not UTF-8 either.
    EXPECT_EQ(profiles::TextOfNameField(field("ab\xE2\x82")), "ab\xC3\xA2\xC2\x82");
    EXPECT_EQ(profiles::TextOfNameField(field(std::string(16, '\xFF'))), "");
    EXPECT_EQ(profiles::TextOfNameField(field(std::string("O\0f\0f\0i\0c\0e\0", 12))), "Office");

    // Eight two-byte characters are 16 bytes: seven fit before the terminator.
    const std::string umlauts = "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4";
    const profiles::NameField cut = profiles::NameFieldOfText(umlauts);
    EXPECT_EQ(std::string(cut.data()), umlauts.substr(0, 14));
    EXPECT_EQ(cut[14], '\0');
    EXPECT_EQ(cut[15], '\0');
    EXPECT_EQ(std::string(profiles::NameFieldOfText("0123456789abcdefgh").data()),
              "0123456789abcde");
}

}  // namespace
