// The A/B slots file: both records and the live letter come back as written, and a damaged
// file gives back nothing at all.

#include <cJSON.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "profiles/ab_file.h"
#include "profiles/profile_files.h"
#include "profiles/profile_writer.h"
#include "profiles_test_support.h"

namespace {

using model::AbSlot;
using model::ProfileRecord;
using profiles::ProfileError;

struct JsonDeleter {
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::string Text() {
    ProfileRecord a, b;
    profiles_test::Scramble(a, 11);
    profiles_test::Scramble(b, 12);
    return profiles::WriteAbFile(a, b, AbSlot::B);
}

std::string Edited(const std::string& text, const std::function<void(cJSON*)>& edit) {
    Json root(cJSON_Parse(text.c_str()));
    edit(root.get());
    char* printed = cJSON_PrintUnformatted(root.get());
    std::string out(printed);
    cJSON_free(printed);
    return out;
}

cJSON* Band(cJSON* root, const char* slot, int output, int band) {
    cJSON* channels = cJSON_GetObjectItem(cJSON_GetObjectItem(root, slot), "channels");
    return cJSON_GetArrayItem(cJSON_GetObjectItem(cJSON_GetArrayItem(channels, output), "eqArray"),
                              band);
}

}  // namespace

TEST(AbFile, BothSlotsAndTheLiveLetterComeBackAsWritten) {
    ProfileRecord a, b;
    profiles_test::Scramble(a, 11);
    profiles_test::Scramble(b, 12);
    for (const AbSlot live : {AbSlot::A, AbSlot::B}) {
        const profiles::AbFileLoad load =
            profiles::ReadAbFile(profiles::WriteAbFile(a, b, live), ProfileRecord());
        ASSERT_TRUE(load.Ok()) << load.failure.detail;
        EXPECT_EQ(load.live, live);
        profiles_test::ExpectSameFileFields(*load.a, a, {}, "a");
        profiles_test::ExpectSameFileFields(*load.b, b, {}, "b");
    }

    // On disk too, through the atomic save.
    const std::string path = ::testing::TempDir() + "slots.ab.json";
    ASSERT_FALSE(profiles::SaveToFile(path, profiles::WriteAbFile(a, b, AbSlot::A)));
    const profiles::AbFileLoad load = profiles::LoadAbFile(path, ProfileRecord());
    ASSERT_TRUE(load.Ok()) << load.failure.detail;
    profiles_test::ExpectSameFileFields(*load.b, b, {}, "b from disk");
}

TEST(AbFile, ADamagedFileIsRefusedWhole) {
    const std::string good = Text();
    const struct {
        const char* what;
        std::string text;
        ProfileError error;
    } cases[] = {
        {"cut short", good.substr(0, good.size() / 2), ProfileError::kLoad},
        {"a NUL", good.substr(0, 40) + std::string(1, '\0') + good.substr(40), ProfileError::kLoad},
        {"not an object", "[1,2]", ProfileError::kLoad},
        {"no live letter",
         Edited(good,
                [](cJSON* r) { cJSON_ReplaceItemInObject(r, "live", cJSON_CreateString("C")); }),
         ProfileError::kLoad},
        {"another version",
         Edited(good,
                [](cJSON* r) { cJSON_ReplaceItemInObject(r, "abSlots", cJSON_CreateNumber(2)); }),
         ProfileError::kLoad},
        {"no slot b", Edited(good, [](cJSON* r) { cJSON_DeleteItemFromObject(r, "b"); }),
         ProfileError::kLoad},
        {"a band gain that is text",
         Edited(good,
                [](cJSON* r) {
                    cJSON_ReplaceItemInObject(Band(r, "b", 3, 0), "eqGain",
                                              cJSON_CreateString("x"));
                }),
         ProfileError::kLoad},
        {"an output out of range",
         Edited(good,
                [](cJSON* r) {
                    cJSON_ReplaceItemInObject(cJSON_GetObjectItem(r, "b"), "currOutChannel",
                                              cJSON_CreateNumber(99));
                }),
         ProfileError::kLoad},
        {"another amplifier",
         Edited(good,
                [](cJSON* r) {
                    cJSON_ReplaceItemInObject(cJSON_GetObjectItem(r, "a"), "model",
                                              cJSON_CreateNumber(1));
                }),
         ProfileError::kModelMismatch},
        {"a scene profile", profiles::WriteSceneProfile(ProfileRecord()), ProfileError::kLoad},
    };
    for (const auto& c : cases) {
        const profiles::AbFileLoad load = profiles::ReadAbFile(c.text, ProfileRecord());
        EXPECT_FALSE(load.Ok()) << c.what;
        EXPECT_EQ(load.failure.error, c.error) << c.what;
        EXPECT_FALSE(load.failure.detail.empty()) << c.what;
        EXPECT_TRUE(load.a == nullptr && load.b == nullptr) << c.what;
    }
}
