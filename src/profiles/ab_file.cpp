#include "profiles/ab_file.h"

#include <cJSON.h>

#include <utility>

#include "profiles/json_fields.h"
#include "profiles/profile_files.h"
#include "profiles/profile_reader.h"
#include "profiles/profile_writer.h"

namespace profiles {
namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// The slot record under key, read as a scene file is, over base.
std::unique_ptr<model::ProfileRecord> ReadSlot(const cJSON* object, const char* key,
                                               const model::ProfileRecord& base,
                                               ProfileFailure& failure) {
    char* text = cJSON_PrintUnformatted(object);
    if (text == nullptr) {
        failure = {ProfileError::kLoad, std::string("\"") + key + "\" cannot be read"};
        return nullptr;
    }
    SceneProfileLoad load = ReadSceneProfile(text, base);
    cJSON_free(text);
    if (!load.Ok()) {
        failure = {load.failure.error, std::string("\"") + key + "\": " + load.failure.detail};
        return nullptr;
    }
    return std::move(load.live);
}

}  // namespace

std::string WriteAbFile(const model::ProfileRecord& a, const model::ProfileRecord& b,
                        model::AbSlot live) {
    // Each part is a whole JSON object, so joining them gives one.
    std::string text = "{\"abSlots\":" + std::to_string(kAbFileVersion) + ",\"live\":\"";
    text += live == model::AbSlot::A ? "A" : "B";
    text += "\",\"a\":" + WriteSceneProfile(a) + ",\"b\":" + WriteSceneProfile(b) + "}";
    return text;
}

AbFileLoad ReadAbFile(std::string_view text, const model::ProfileRecord& base) {
    AbFileLoad result;
    // A NUL would end the parser's text early and leave the rest unread.
    if (text.find('\0') != std::string_view::npos) {
        result.failure = {ProfileError::kLoad, "the file holds a NUL"};
        return result;
    }
    const Json root(cJSON_ParseWithLength(text.data(), text.size()));
    if (!root) {
        result.failure = {ProfileError::kLoad, "the file is not JSON"};
        return result;
    }
    FieldReader r;
    int version = 0;
    r.Int(root.get(), "abSlots", version, kAbFileVersion, kAbFileVersion);
    const cJSON* a = r.Object(root.get(), "a");
    const cJSON* b = r.Object(root.get(), "b");
    const cJSON* live =
        cJSON_IsObject(root.get()) ? cJSON_GetObjectItemCaseSensitive(root.get(), "live") : nullptr;
    const char* letter = cJSON_IsString(live) ? live->valuestring : nullptr;
    if (r.Ok() && (letter == nullptr ||
                   (std::string_view(letter) != "A" && std::string_view(letter) != "B"))) {
        r.Fail("\"live\" is not \"A\" or \"B\"");
    }
    if (!r.Ok()) {
        result.failure = {ProfileError::kLoad, r.Problem()};
        return result;
    }
    auto slotA = ReadSlot(a, "a", base, result.failure);
    auto slotB = slotA ? ReadSlot(b, "b", base, result.failure) : nullptr;
    if (slotA && slotB) {
        result.a = std::move(slotA);
        result.b = std::move(slotB);
        result.live = std::string_view(letter) == "A" ? model::AbSlot::A : model::AbSlot::B;
    }
    return result;
}

AbFileLoad LoadAbFile(const std::string& path, const model::ProfileRecord& base) {
    std::string text;
    AbFileLoad result;
    result.failure = LoadFromFile(path, text);
    return result.failure ? std::move(result) : ReadAbFile(text, base);
}

}  // namespace profiles
