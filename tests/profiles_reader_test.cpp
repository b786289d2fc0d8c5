// Reading profiles: the failure table, range checks, hand-written files and hostile input.

#include <cJSON.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "profiles/profile_files.h"
#include "profiles/profile_reader.h"
#include "profiles/profile_writer.h"
#include "profiles_test_support.h"

namespace {

using model::ProfileRecord;
using model::SceneTable;
using profiles::ProfileError;

struct JsonDeleter {
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::string Fixture(const std::string& name) {
    return std::string(PROFILE_FIXTURES) + "/" + name;
}

std::string SceneText(unsigned seed = 3) {
    ProfileRecord r;
    profiles_test::Scramble(r, seed);
    return profiles::WriteSceneProfile(r);
}

std::string WholeText() {
    ProfileRecord live;
    profiles_test::Scramble(live, 8);
    auto scenes = std::make_unique<SceneTable>();
    for (int k = 0; k < model::STORED_SCENES; ++k) {
        profiles_test::Scramble(scenes->records[k], 30u + static_cast<unsigned>(k));
    }
    return profiles::WriteWholeProfile(live, *scenes);
}

profiles::SceneProfileLoad ReadScene(const std::string& text) {
    return profiles::ReadSceneProfile(text, ProfileRecord());
}

profiles::WholeProfileLoad ReadWhole(const std::string& text) {
    const auto base = std::make_unique<SceneTable>();
    return profiles::ReadWholeProfile(text, ProfileRecord(), *base);
}

// The text after `edit` was applied to the parsed document at `path`.
std::string Edited(const std::string& text, const std::function<void(cJSON*)>& edit) {
    Json root(cJSON_Parse(text.c_str()));
    edit(root.get());
    char* printed = cJSON_PrintUnformatted(root.get());
    std::string out(printed);
    cJSON_free(printed);
    return out;
}

cJSON* Channel(cJSON* set, int k) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(set, "channels"), k);
}

void SetNumber(cJSON* object, const char* key, double v) {
    cJSON_ReplaceItemInObject(object, key, cJSON_CreateNumber(v));
}

void ExpectLoadError(const profiles::SceneProfileLoad& load, ProfileError error,
                     const std::string& what) {
    EXPECT_EQ(load.failure.error, error) << what << ": " << load.failure.detail;
    EXPECT_FALSE(load.live) << what;
    EXPECT_FALSE(load.Ok()) << what;
}

// ---- the failure table ----

TEST(ProfileFailures, UnreadableFileIsAnOpenErrorForBothKinds) {
    const auto scene = profiles::LoadSceneProfile("/nonexistent/x.spf", ProfileRecord());
    ExpectLoadError(scene, ProfileError::kOpen, "missing");
    EXPECT_STREQ(profiles::MessageKey(scene.failure.error), "${profile_open_error}");
    const auto whole = profiles::LoadWholeProfile(PROFILE_FIXTURES, ProfileRecord(), SceneTable());
    EXPECT_EQ(whole.failure.error, ProfileError::kOpen) << "a directory";
    EXPECT_FALSE(whole.live);
    EXPECT_FALSE(whole.scenes);
}

TEST(ProfileFailures, NotJsonDependsOnTheKind) {
    for (const std::string text : {"", "not json", "{\"model\":78", "\x01\x02"}) {
        ExpectLoadError(ReadScene(text), ProfileError::kOpen, text);
        const auto whole = ReadWhole(text);
        EXPECT_EQ(whole.failure.error, ProfileError::kLoad) << text;
        EXPECT_STREQ(profiles::MessageKey(whole.failure.error), "${profile_load_error}");
        EXPECT_FALSE(whole.live);
    }
}

TEST(ProfileFailures, AnotherModelIsNotAMatchButAMissingOrTextModelIsALoadError) {
    const std::string good = SceneText();
    const auto other = ReadScene(Edited(good, [](cJSON* r) { SetNumber(r, "model", 77); }));
    ExpectLoadError(other, ProfileError::kModelMismatch, "77");
    EXPECT_STREQ(profiles::MessageKey(other.failure.error), "${software_not_match}");
    ExpectLoadError(ReadScene(Edited(good, [](cJSON* r) { SetNumber(r, "model", 1e300); })),
                    ProfileError::kModelMismatch, "huge");
    ExpectLoadError(
        ReadScene(Edited(good, [](cJSON* r) { cJSON_DeleteItemFromObject(r, "model"); })),
        ProfileError::kLoad, "missing");
    ExpectLoadError(
        ReadScene(Edited(
            good,
            [](cJSON* r) { cJSON_ReplaceItemInObject(r, "model", cJSON_CreateString("78")); })),
        ProfileError::kLoad, "string");
    EXPECT_EQ(
        ReadWhole(Edited(WholeText(), [](cJSON* r) { SetNumber(r, "model", 77); })).failure.error,
        ProfileError::kModelMismatch);
    ExpectLoadError(ReadScene("[78]"), ProfileError::kLoad, "not an object");
}

// Every key of the document: taking it away, giving it another type, or changing an array's
// size makes the load fail and return nothing; keys the reader does not read change nothing.
void ExpectEveryKeyChecked(const std::string& text, bool whole, cJSON* node,
                           const std::string& path, int depthLeft, bool insideUnread = false) {
    if (depthLeft == 0) {
        return;
    }
    const bool isArray = cJSON_IsArray(node);
    int index = 0;
    for (cJSON* item = node->child; item; item = item->next, ++index) {
        const std::string key = isArray ? std::to_string(index) : item->string;
        const std::string where = path + "/" + key;
        const bool unread =
            insideUnread || key == "model_name" ||
            (whole && (key == "bridgeOutputs" || key == "linkSel" || key == "delayLinkSel"));
        auto locate = [&](cJSON* root) {
            cJSON* parent = root;
            for (size_t start = 1; start < where.size();) {
                const size_t end = std::min(where.find('/', start), where.size());
                const std::string part = where.substr(start, end - start);
                if (end == where.size()) {
                    return std::make_pair(parent, part);
                }
                parent = cJSON_IsArray(parent) ? cJSON_GetArrayItem(parent, std::stoi(part))
                                               : cJSON_GetObjectItem(parent, part.c_str());
                start = end + 1;
            }
            return std::make_pair(parent, std::string());
        };
        auto failsOrNot = [&](const std::string& edited, const char* how) {
            const bool ok = whole ? ReadWhole(edited).Ok() : ReadScene(edited).Ok();
            if (whole) {
                const auto load = ReadWhole(edited);
                EXPECT_EQ(load.Ok(), unread) << where << " " << how << ": " << load.failure.detail;
                if (!load.Ok()) {
                    EXPECT_EQ(load.failure.error, ProfileError::kLoad) << where;
                    EXPECT_FALSE(load.live);
                    EXPECT_FALSE(load.scenes);
                }
            } else {
                const auto load = ReadScene(edited);
                EXPECT_EQ(load.Ok(), unread) << where << " " << how << ": " << load.failure.detail;
                if (!load.Ok()) {
                    EXPECT_EQ(load.failure.error, ProfileError::kLoad) << where;
                    EXPECT_FALSE(load.live);
                }
            }
            (void)ok;
        };
        if (!isArray) {
            failsOrNot(Edited(text,
                              [&](cJSON* root) {
                                  auto [parent, name] = locate(root);
                                  cJSON_DeleteItemFromObject(parent, name.c_str());
                              }),
                       "removed");
        }
        if (!cJSON_IsString(item)) {
            failsOrNot(Edited(text,
                              [&](cJSON* root) {
                                  auto [parent, name] = locate(root);
                                  cJSON* text = cJSON_CreateString("x");
                                  if (cJSON_IsArray(parent)) {
                                      cJSON_ReplaceItemInArray(parent, std::stoi(name), text);
                                  } else {
                                      cJSON_ReplaceItemInObject(parent, name.c_str(), text);
                                  }
                              }),
                       "as text");
        }
        if (cJSON_IsArray(item)) {
            failsOrNot(Edited(text,
                              [&](cJSON* root) {
                                  auto [parent, name] = locate(root);
                                  cJSON* array = cJSON_IsArray(parent)
                                                     ? cJSON_GetArrayItem(parent, std::stoi(name))
                                                     : cJSON_GetObjectItem(parent, name.c_str());
                                  cJSON_AddItemToArray(array, cJSON_CreateNumber(0));
                              }),
                       "one longer");
        }
        if (item->child) {
            ExpectEveryKeyChecked(text, whole, item, where, depthLeft - 1, unread);
        }
    }
}

TEST(ProfileFailures, EveryKeyOfASceneProfileIsRequiredTypedAndSized) {
    ProfileRecord r;
    profiles_test::Scramble(r, 4);
    for (auto& ch : r.channels) {
        ch.eqSize = 2;  // keeps the walk short; band keys are still all visited
    }
    const std::string text = profiles::WriteSceneProfile(r);
    Json root(cJSON_Parse(text.c_str()));
    ExpectEveryKeyChecked(text, false, root.get(), "", 8);
}

TEST(ProfileFailures, EveryKeyOfAWholeProfileIsRequiredTypedAndSized) {
    ProfileRecord live;
    live.channels.fill(model::OutputChannel{});
    auto scenes = std::make_unique<SceneTable>();
    for (auto& rec : scenes->records) {
        for (auto& ch : rec.channels) {
            ch.eqSize = 1;
        }
    }
    for (auto& ch : live.channels) {
        ch.eqSize = 1;
    }
    const std::string text = profiles::WriteWholeProfile(live, *scenes);
    Json root(cJSON_Parse(text.c_str()));
    // The root, the keys of the live set and of the last scene; a channel of each in full.
    ExpectEveryKeyChecked(text, true, root.get(), "", 2);
    for (const char* deep : {"currentProfile"}) {
        cJSON* channel0 = Channel(cJSON_GetObjectItem(root.get(), deep), 0);
        ExpectEveryKeyChecked(text, true, channel0, std::string("/") + deep + "/channels/0", 4);
    }
    cJSON* last = cJSON_GetArrayItem(cJSON_GetObjectItem(root.get(), "sceneArray"), 9);
    ExpectEveryKeyChecked(text, true, last, "/sceneArray/9", 2);
    ExpectEveryKeyChecked(text, true, Channel(last, 11), "/sceneArray/9/channels/11", 4);
}

// ---- values the program acts on must be in range ----

TEST(ProfileRanges, IndicesAndCodesOutsideTheirRangeAreRefused) {
    const std::string good = SceneText(11);
    struct Case {
        const char* what;
        std::function<void(cJSON*, double)> set;
        double lowestOk, highestOk;
    };
    auto rootKey = [](const char* key) {
        return [key](cJSON* r, double v) { SetNumber(r, key, v); };
    };
    auto element = [](const char* key, int i) {
        return [key, i](cJSON* r, double v) {
            cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, key), i, cJSON_CreateNumber(v));
        };
    };
    auto filter = [](const char* side, const char* key) {
        return [side, key](cJSON* r, double v) {
            SetNumber(cJSON_GetObjectItem(cJSON_GetObjectItem(Channel(r, 7), "crossover"), side),
                      key, v);
        };
    };
    const Case cases[] = {
        {"currOutChannel", rootKey("currOutChannel"), 0, 11},
        {"linkMode", rootKey("linkMode"), 0, 1},
        {"lockMode", rootKey("lockMode"), 0, 1},
        {"linkOutputs", element("linkOutputs", 3), -1, 11},
        {"outputs", element("outputs", 0), 0, 28},
        {"outputs_bk", element("outputs_bk", 11), 0, 28},
        {"linkSel", element("linkSel", 5), 0, 12},
        {"delayLinkSel", element("delayLinkSel", 5), 0, 12},
        {"bridgeOutputs", element("bridgeOutputs", 5), 0, 1},
        {"inputs mask",
         [](cJSON* r, double v) {
             cJSON_ReplaceItemInArray(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputs"), 8), 11,
                                      cJSON_CreateNumber(v));
         },
         0, 4095},
        {"hp slope", filter("hp", "slope"), 0, 8},
        {"lp type", filter("lp", "type"), 1, 3},
        {"hp fs", filter("hp", "fs"), 20, 20000},
        {"bpType",
         [](cJSON* r, double v) {
             SetNumber(cJSON_GetObjectItem(Channel(r, 1), "crossover"), "bpType", v);
         },
         0, 3},
    };
    for (const Case& c : cases) {
        for (double v : {c.lowestOk, c.highestOk}) {
            const auto load = ReadScene(Edited(good, [&](cJSON* r) { c.set(r, v); }));
            EXPECT_TRUE(load.Ok()) << c.what << " " << v << ": " << load.failure.detail;
        }
        for (double v : {c.lowestOk - 1, c.highestOk + 1, 1e12, -1e12}) {
            ExpectLoadError(ReadScene(Edited(good, [&](cJSON* r) { c.set(r, v); })),
                            ProfileError::kLoad, std::string(c.what) + " " + std::to_string(v));
        }
    }
}

TEST(ProfileRanges, EqSizeAboveTheBandSlotsIsRefused) {
    ProfileRecord r;
    const std::string good = profiles::WriteSceneProfile(r);  // 31 bands each
    const std::string with32 = Edited(good, [](cJSON* root) {
        cJSON* ch = Channel(root, 4);
        SetNumber(ch, "eqSize", 32);
        cJSON* bands = cJSON_GetObjectItem(ch, "eqArray");
        cJSON_AddItemToArray(bands, cJSON_Duplicate(cJSON_GetArrayItem(bands, 0), true));
    });
    ExpectLoadError(ReadScene(with32), ProfileError::kLoad, "eqSize 32");
    const std::string negative =
        Edited(good, [](cJSON* root) { SetNumber(Channel(root, 4), "eqSize", -1); });
    ExpectLoadError(ReadScene(negative), ProfileError::kLoad, "eqSize -1");
}

TEST(ProfileRanges, NumbersBeyondTheirTypeAreRefusedAndOthersReadAsSpecified) {
    const std::string good = SceneText(12);
    ExpectLoadError(
        ReadScene(Edited(good, [](cJSON* r) { SetNumber(Channel(r, 0), "gain", 1e39); })),
        ProfileError::kLoad, "gain beyond float");
    ExpectLoadError(ReadScene(Edited(good, [](cJSON* r) { SetNumber(r, "mainVolume", 3e9); })),
                    ProfileError::kLoad, "volume beyond int");
    // "bypass" keeps its low byte; any non-zero "enable" is on; fractions are dropped.
    const auto load = ReadScene(Edited(good, [](cJSON* r) {
        SetNumber(Channel(r, 2), "bypass", 257);
        SetNumber(Channel(r, 2), "eqSize", 1);
        cJSON* bands = cJSON_GetObjectItem(Channel(r, 2), "eqArray");
        while (cJSON_GetArraySize(bands) > 1) {
            cJSON_DeleteItemFromArray(bands, 1);
        }
        if (cJSON_GetArraySize(bands) == 0) {
            cJSON* band = cJSON_CreateObject();
            cJSON_AddNumberToObject(band, "freq", 1000);
            cJSON_AddNumberToObject(band, "eqFactor", 1);
            cJSON_AddNumberToObject(band, "eqGain", 0);
            cJSON_AddNumberToObject(band, "enable", 0);
            cJSON_AddItemToArray(bands, band);
        }
        SetNumber(cJSON_GetArrayItem(bands, 0), "enable", -5);
        SetNumber(r, "mainVolume", -12.7);
    }));
    ASSERT_TRUE(load.Ok()) << load.failure.detail;
    EXPECT_EQ(load.live->channels[2].bypass, 1);
    EXPECT_EQ(load.live->channels[2].eqSize, 1);
    EXPECT_EQ(load.live->bands[2][0].enable, 1);
    EXPECT_EQ(load.live->mainVolume, -12);
}

// ---- hand-written files ----

TEST(ProfileFixtures, HandWrittenSceneProfileInAnyKeyOrder) {
    ProfileRecord base;
    base.bridgeOutputs.fill(0);
    const auto load = profiles::LoadSceneProfile(Fixture("scene_basic.spf"), base);
    ASSERT_TRUE(load.Ok()) << load.failure.detail;
    const ProfileRecord& r = *load.live;
    EXPECT_EQ(r.mainVolume, -12);
    EXPECT_EQ(r.acc, 3);
    EXPECT_EQ(r.subVolume, 2);
    EXPECT_EQ(r.mainVolumeMute, 1);
    EXPECT_EQ(r.inputThreshold, -42);
    EXPECT_EQ(r.channels[3].gain, -3.5f);
    EXPECT_EQ(r.channels[3].phase, 1);
    EXPECT_EQ(r.channels[8].delay, 2.0f);
    EXPECT_EQ(r.channels[5].eqSize, 2);
    EXPECT_EQ(r.bands[5][1].freq, 205);
    EXPECT_EQ(r.bands[5][1].eqGain, -2.5f);
    EXPECT_EQ(r.bands[5][1].enable, 1);  // written as 7
    EXPECT_EQ(r.channels[0].crossover.hp, model::CrossoverFilter(80, 2, 4));
    EXPECT_EQ(r.channels[11].crossover.lp, model::CrossoverFilter(5011, 1, 2));
    EXPECT_EQ(r.linkOutputs[10], 11);
    EXPECT_EQ(r.bridgeOutputs[5], 1);
    EXPECT_EQ(r.outputsBk[10], 24);
    EXPECT_EQ(r.inputMixVolume[8][9][11], (8 * 7 + 9 * 3 + 11) % 101);
    EXPECT_EQ(r.inMixPhase[8][9], 1);
    // The spare rows the file does not carry keep the base's values.
    EXPECT_EQ(r.inputMixVolume[5][10], base.inputMixVolume[5][10]);
}

TEST(ProfileFixtures, BrokenHandWrittenSceneProfiles) {
    const struct {
        const char* file;
        ProfileError error;
    } cases[] = {
        {"scene_model_string.spf", ProfileError::kLoad},
        {"scene_model_77.spf", ProfileError::kModelMismatch},
        {"scene_eqarray_mismatch.spf", ProfileError::kLoad},
        {"scene_11_channels.spf", ProfileError::kLoad},
        {"scene_13_channels.spf", ProfileError::kLoad},
    };
    for (const auto& c : cases) {
        ExpectLoadError(profiles::LoadSceneProfile(Fixture(c.file), ProfileRecord()), c.error,
                        c.file);
    }
}

TEST(ProfileFixtures, HandWrittenWholeProfileNames) {
    ProfileRecord liveBase;
    liveBase.bridgeOutputs = {1, 1, 0, 0, 0, 0};
    const auto scenesBase = std::make_unique<SceneTable>();
    const auto load = profiles::LoadWholeProfile(Fixture("whole_names.wpf"), liveBase, *scenesBase);
    ASSERT_TRUE(load.Ok()) << load.failure.detail;
    const SceneTable& t = *load.scenes;
    EXPECT_EQ(model::SceneName(t, 0), "Studio");            // no padding
    EXPECT_EQ(model::SceneName(t, 1), "Car");               // no padding
    EXPECT_EQ(model::SceneName(t, 2), "A");                 // "=="
    EXPECT_EQ(model::SceneName(t, 3), "AB");                // "="
    EXPECT_EQ(model::SceneName(t, 4), "0123456789abcdef");  // 16 bytes, no terminator
    EXPECT_EQ(model::SceneName(t, 5), "ABCDEFGHIJKLMNO");   // 15 bytes, no padding
    EXPECT_EQ(model::SceneName(t, 6), "Office");            // UTF-16LE
    EXPECT_EQ(model::SceneName(t, 7), "Caf\xC3\xA9");       // Latin-1
    EXPECT_EQ(model::SceneName(t, 8), "Cay");
    EXPECT_EQ(model::SceneName(t, 9), "");
    EXPECT_EQ(load.live->mainVolume, -20);
    EXPECT_EQ(load.live->inputThreshold, -30);
    EXPECT_EQ(load.live->bridgeOutputs, liveBase.bridgeOutputs);  // not read
    EXPECT_EQ(t.records[9].channels[0].eqSize, 1 + 9 % 3);
    EXPECT_EQ(t.records[9].currOutChannel, 4 + 11 % 5);
    EXPECT_EQ(t.records[9].inputMixVolume[0][0][0], 11);
}

TEST(ProfileFixtures, ANameThatIsNotTheBase64OfAtMostSixteenBytesIsRefused) {
    const std::string whole = WholeText();
    auto withName = [&](const std::string& name) {
        return Edited(whole, [&](cJSON* root) {
            cJSON_ReplaceItemInArray(cJSON_GetObjectItem(root, "sceneName"), 3,
                                     cJSON_CreateString(name.c_str()));
        });
    };
    // What the writer writes for 0 to 16 bytes loads.
    for (const char* good : {"", "Q2Fy", "QUI=", "QQ==", "RnJvbnQgc3RhZ2UAAAAAAA=="}) {
        EXPECT_TRUE(ReadWhole(withName(good)).Ok()) << good;
    }
    for (const char* bad : {
             "QUJDREVGR0hJSktMTU5PUFFSU1RVVldY",  // 24 bytes
             "RnJvbnQgc3RhZ2UAAAAAAA==QQ==",      // more after the padding
             "Q2-F5!",                            // not the alphabet
             "Q2F y",                             // a space inside
             "QUI",                               // padding missing
             "Q===",                              // padding where data belongs
             "QR==",                              // stray bits
         }) {
        const auto load = ReadWhole(withName(bad));
        EXPECT_EQ(load.failure.error, ProfileError::kLoad) << bad;
        EXPECT_NE(load.failure.detail.find("\"sceneName\""), std::string::npos)
            << load.failure.detail;
        EXPECT_FALSE(load.scenes) << bad;
    }
}

TEST(ProfileFailures, ControlBytesBetweenTokensAndNulAnywhereAreRefused) {
    const std::string scene = SceneText(5);
    const std::string whole = WholeText();
    // JSON's own white space between tokens loads, as a formatted file has it.
    EXPECT_TRUE(ReadScene(" \t\r\n" + scene + "\n").Ok());
    EXPECT_TRUE(ReadWhole(" \n" + whole + "\r\n").Ok());
    const size_t afterModel = scene.find(",\"mainVolume\"");
    ASSERT_NE(afterModel, std::string::npos);
    for (const std::string& stray :
         {std::string(1, '\0'), std::string("\x01"), std::string("\x0B"), std::string("\x1F")}) {
        std::string text = scene;
        text.insert(afterModel, stray);
        ExpectLoadError(ReadScene(text), ProfileError::kLoad, "byte " + std::to_string(stray[0]));
        EXPECT_FALSE(ReadWhole(whole + stray).Ok());
    }
    // A NUL inside a name, raw or escaped, would cut "Front stage" to "Fro".
    const std::string front = "RnJvbnQgc3RhZ2UAAAAAAA==";
    for (const std::string& nul : {std::string(1, '\0'), std::string("\\u0000")}) {
        std::string text = Edited(whole, [&](cJSON* root) {
            cJSON_ReplaceItemInArray(cJSON_GetObjectItem(root, "sceneName"), 0,
                                     cJSON_CreateString(front.c_str()));
        });
        text.insert(text.find(front) + 4, nul);
        const auto load = ReadWhole(text);
        EXPECT_EQ(load.failure.error, ProfileError::kLoad) << load.failure.detail;
        EXPECT_STREQ(profiles::MessageKey(load.failure.error), "${profile_load_error}");
        EXPECT_FALSE(load.scenes);
    }
}

// ---- hostile input: nothing may crash, and whatever loads is valid ----

void CheckAnyText(const std::string& text) {
    const auto scene = ReadScene(text);
    if (scene.Ok()) {
        const auto again = ReadScene(profiles::WriteSceneProfile(*scene.live));
        EXPECT_TRUE(again.Ok()) << again.failure.detail;
    } else {
        EXPECT_FALSE(scene.live);
    }
    const auto whole = ReadWhole(text);
    if (whole.Ok()) {
        EXPECT_TRUE(ReadWhole(profiles::WriteWholeProfile(*whole.live, *whole.scenes)).Ok());
    } else {
        EXPECT_FALSE(whole.live);
        EXPECT_FALSE(whole.scenes);
    }
}

TEST(ProfileHostileInput, EveryTruncationOfAValidFileIsRefused) {
    const std::string scene = SceneText(21);
    for (size_t n = 0; n < scene.size(); n += 7) {
        ExpectLoadError(ReadScene(scene.substr(0, n)),
                        n == 0 ? ProfileError::kOpen : ReadScene(scene.substr(0, n)).failure.error,
                        "cut at " + std::to_string(n));
        EXPECT_NE(ReadScene(scene.substr(0, n)).failure.error, ProfileError::kNone);
    }
    const std::string whole = WholeText();
    for (size_t n = 0; n < whole.size(); n += 997) {
        EXPECT_FALSE(ReadWhole(whole.substr(0, n)).Ok()) << n;
    }
}

TEST(ProfileHostileInput, RandomMutationsNeverCrash) {
    std::mt19937 rng(1234);
    const std::string scene = SceneText(22);
    const std::string alphabet = "{}[]:,\"-0123456789.eE+ atrufnl\\\x00\xff";
    for (int round = 0; round < 400; ++round) {
        std::string text = scene;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
                case 0:
                    text[at] = alphabet[rng() % alphabet.size()];
                    break;
                case 1:
                    text.erase(at, 1 + rng() % 16);
                    break;
                default:
                    text.insert(at, 1, alphabet[rng() % alphabet.size()]);
                    break;
            }
            if (text.empty()) {
                text.assign(1, '{');  // not '= "{"': a false -Wrestrict in GCC 12 at -O2
            }
        }
        CheckAnyText(text);
    }
    for (int round = 0; round < 200; ++round) {
        std::string noise(rng() % 512, '\0');
        for (char& c : noise) {
            c = static_cast<char>(rng());
        }
        CheckAnyText(noise);
    }
    // Deep nesting and huge numbers.
    CheckAnyText(std::string(5000, '[') + std::string(5000, ']'));
    CheckAnyText("{\"model\":78,\"mainVolume\":1e999}");
}

}  // namespace
