#include "profiles/profile_reader.h"

#include <cJSON.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "model/speaker_types.h"
#include "profiles/base64.h"
#include "profiles/json_fields.h"
#include "profiles/profile_keys.h"
#include "profiles/scene_name_text.h"
#include "shell/run_log.h"

namespace profiles {
namespace {

using model::ProfileRecord;

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// Codes and indices the program later acts on; a file outside them is refused.
constexpr int kMaxMask = (1 << model::INPUT_ROWS) - 1;
constexpr int kLastOutput = model::OUTPUT_CHANNELS - 1;
constexpr int kLastSpeakerType = model::SPEAKER_TYPE_COUNT - 1;
constexpr int kMaxLinkGroup = model::OUTPUT_CHANNELS;
constexpr int kMaxSlope = 8;
constexpr int kLastBpType = 3;

bool ReadFilter(FieldReader& r, const cJSON* crossover, const char* key,
                model::CrossoverFilter& out) {
    FieldReader::Scope scope(r, std::string("\"") + key + "\".");
    const cJSON* object = r.Object(crossover, key);
    int fs = 0, type = 0, slope = 0, bypass = 0;
    r.Int(object, "fs", fs, model::CROSSOVER_MIN_FS, model::CROSSOVER_MAX_FS);
    r.Int(object, "type", type, model::kButterworth, model::kBessel);
    r.Int(object, "slope", slope, 0, kMaxSlope);
    // Follows the slope in the record; read so that a broken file is still refused.
    r.Int(object, "bypass", bypass, 0, 1);
    if (!r.Ok()) {
        return false;
    }
    out = model::CrossoverFilter(fs, type, slope);
    return true;
}

bool ReadChannel(FieldReader& r, const cJSON* object, ProfileRecord& record, int output) {
    model::OutputChannel& ch = record.channels[static_cast<size_t>(output)];
    int eqSize = 0, bypass = 0;
    r.Int(object, "eqSize", eqSize, 0, model::MAX_EQ_BANDS);
    r.Float(object, "gain", ch.gain);
    r.Int(object, "mute", ch.mute);
    r.Float(object, "delay", ch.delay);
    r.Int(object, "solo", ch.solo);
    r.Int(object, "phase", ch.phase);
    if (r.Int(object, "bypass", bypass)) {
        ch.bypass = static_cast<std::uint8_t>(bypass & 0xFF);
    }
    {
        FieldReader::Scope scope(r, "\"crossover\".");
        const cJSON* crossover = r.Object(object, "crossover");
        r.Int(crossover, "bpType", ch.crossover.bpType, 0, kLastBpType);
        ReadFilter(r, crossover, "hp", ch.crossover.hp);
        ReadFilter(r, crossover, "lp", ch.crossover.lp);
    }
    if (!r.Ok()) {
        return false;
    }
    ch.eqSize = eqSize;
    const cJSON* eqArray = r.Array(object, "eqArray", eqSize);
    FieldReader::Scope scope(r, "\"eqArray\"");
    model::EqBand* row = model::BandsOf(record, output);
    for (int b = 0; b < eqSize && r.Ok(); ++b) {
        const cJSON* band = r.ObjectAt(eqArray, b);
        FieldReader::Scope bandScope(r, IndexText(b, "."));
        int enable = 0;
        r.Int(band, "freq", row[b].freq);
        r.Float(band, "eqFactor", row[b].eqFactor);
        r.Float(band, "eqGain", row[b].eqGain);
        if (r.Int(band, "enable", enable)) {
            row[b].enable = enable != 0 ? 1 : 0;
        }
    }
    return r.Ok();
}

bool ReadChannels(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    const cJSON* array = r.Array(parent, "channels", model::OUTPUT_CHANNELS);
    FieldReader::Scope scope(r, "\"channels\"");
    for (int out = 0; out < model::OUTPUT_CHANNELS && r.Ok(); ++out) {
        const cJSON* object = r.ObjectAt(array, out);
        FieldReader::Scope channelScope(r, IndexText(out, "."));
        ReadChannel(r, object, record, out);
    }
    return r.Ok();
}

bool ReadInputs(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    const cJSON* array = r.Array(parent, "inputs", model::INPUT_SOURCES);
    FieldReader::Scope scope(r, "\"inputs\"");
    for (int s = 0; s < model::INPUT_SOURCES && r.Ok(); ++s) {
        r.IntsAt(array, s, record.inputs[static_cast<size_t>(s)], 0, kMaxMask);
    }
    return r.Ok();
}

bool ReadInputMixVolume(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    const cJSON* array = r.Array(parent, "inputMixVolume", model::INPUT_SOURCES);
    FieldReader::Scope scope(r, "\"inputMixVolume\"");
    for (int s = 0; s < model::INPUT_SOURCES && r.Ok(); ++s) {
        const cJSON* rows = r.ArrayAt(array, s, kFileInputRows);
        FieldReader::Scope sourceScope(r, IndexText(s));
        auto& source = record.inputMixVolume[static_cast<size_t>(s)];
        for (int row = 0; row < kFileInputRows && r.Ok(); ++row) {
            r.IntsAt(rows, row, source[static_cast<size_t>(row)]);
        }
    }
    return r.Ok();
}

bool ReadInMixPhase(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    const cJSON* array = r.Array(parent, "inMixPhase", model::INPUT_SOURCES);
    FieldReader::Scope scope(r, "\"inMixPhase\"");
    for (int s = 0; s < model::INPUT_SOURCES && r.Ok(); ++s) {
        r.IntsAt(array, s,
                 std::span(record.inMixPhase[static_cast<size_t>(s)]).first(kFileInputRows));
    }
    return r.Ok();
}

void ReadSpeakers(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    r.IntArray(parent, "outputs", record.outputs, 0, kLastSpeakerType);
    r.IntArray(parent, "outputs_bk", record.outputsBk, 0, kLastSpeakerType);
    r.IntArray(parent, "linkOutputs", record.linkOutputs, -1, kLastOutput);
}

void ReadViewState(FieldReader& r, const cJSON* parent, ProfileRecord& record) {
    r.IntArray(parent, "showOutChEqualizer", record.showOutChEqualizer);
    r.Int(parent, "currOutChannel", record.currOutChannel, 0, kLastOutput);
    r.Int(parent, "linkMode", record.linkMode, 0, 1);
    r.Int(parent, "lockMode", record.lockMode, 0, 1);
}

void ReadVolumes(FieldReader& r, const cJSON* root, ProfileRecord& live) {
    r.Int(root, "mainVolume", live.mainVolume);
    r.Int(root, "acc", live.acc);
    r.Int(root, "subVolume", live.subVolume);
    r.Int(root, "mainVolumeMute", live.mainVolumeMute);
}

// Checks "model"; kNone when it is the supported amplifier.
ProfileError CheckModel(const cJSON* root, std::string& detail) {
    const cJSON* item =
        cJSON_IsObject(root) ? cJSON_GetObjectItemCaseSensitive(root, "model") : nullptr;
    if (!cJSON_IsNumber(item)) {
        detail = item ? "\"model\" is not a number" : "\"model\" is missing";
        return ProfileError::kLoad;
    }
    const double v = item->valuedouble;
    if (!std::isfinite(v) || std::trunc(v) != model::MODEL_ID) {
        detail = "the file is for model " + std::to_string(v) + ", not " +
                 std::to_string(model::MODEL_ID);
        return ProfileError::kModelMismatch;
    }
    return ProfileError::kNone;
}

// JSON allows only space, tab, line feed and carriage return between tokens, but the parser
// takes any control byte there for white space; and a NUL, raw or written \u0000, ends the
// string it is in early. Returns what is wrong, or nothing for a clean text.
std::optional<std::string> StrayControlByte(std::string_view text) {
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char where[64];
        if (c == 0 || (inString && c == '\\' && text.substr(i + 1, 5) == "u0000")) {
            std::snprintf(where, sizeof where, "a NUL at byte %zu", i);
            return where;
        }
        if (inString) {
            if (c == '\\') {
                ++i;  // the escaped character, a quote included
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c < 0x20 && c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            std::snprintf(where, sizeof where, "the control byte 0x%02X at byte %zu", c, i);
            return where;
        }
    }
    return std::nullopt;
}

// Parses and checks "model"; a failure is logged as the original reader logs it.
Json ParseProfile(std::string_view text, ProfileError notJson, ProfileFailure& failure) {
    Json root(cJSON_ParseWithLength(text.data(), text.size()));
    if (!root) {
        failure = {notJson, "the file is not JSON"};
        return nullptr;
    }
    // What the parser took although it is not JSON.
    if (const std::optional<std::string> stray = StrayControlByte(text)) {
        failure = {ProfileError::kLoad, "the file holds " + *stray};
        runlog::Log("read profile file error! error\n");
        runlog::Log("read profile file error! error1\n");
        return nullptr;
    }
    failure.error = CheckModel(root.get(), failure.detail);
    if (failure.error == ProfileError::kModelMismatch) {
        runlog::Log("read profile file error! error1\n");
        return nullptr;
    }
    if (failure.error != ProfileError::kNone) {
        runlog::Log("read profile file error! error\n");
        runlog::Log("read profile file error! error1\n");
        return nullptr;
    }
    return root;
}

// A scene name as the writer writes it: the canonical Base64 of at most 16 bytes. Any other
// text, which the tolerant decoder would turn into some bytes or a cut name, gives nothing.
std::optional<std::array<std::uint8_t, model::SCENE_NAME_BYTES>> DecodeSceneName(
    std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    const size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
    const size_t length = text.size() / 4 * 3 - padding;
    if (length > model::SCENE_NAME_BYTES) {
        return std::nullopt;
    }
    const auto field = Base64DecodeInto<model::SCENE_NAME_BYTES>(text);
    // Junk, misplaced padding or stray bits do not come back the same.
    if (Base64Encode(std::span(field).first(length)) != text) {
        return std::nullopt;
    }
    return field;
}

bool Finish(const FieldReader& r, ProfileFailure& failure) {
    if (!r.Ok()) {
        failure = {ProfileError::kLoad, r.Problem()};
        runlog::Log("read profile file error! error\n");
        runlog::Log("read profile file error! error1\n");
        return false;
    }
    runlog::Log("read profile file ok\n");
    return true;
}

}  // namespace

SceneProfileLoad ReadSceneProfile(std::string_view text, const ProfileRecord& base) {
    SceneProfileLoad result;
    const Json root = ParseProfile(text, ProfileError::kOpen, result.failure);
    if (!root) {
        return result;
    }
    auto live = std::make_unique<ProfileRecord>(base);
    FieldReader r;
    const cJSON* j = root.get();
    ReadVolumes(r, j, *live);
    ReadInputs(r, j, *live);
    ReadInputMixVolume(r, j, *live);
    ReadSpeakers(r, j, *live);
    r.IntArray(j, "linkSel", live->linkSel, 0, kMaxLinkGroup);
    r.IntArray(j, "delayLinkSel", live->delayLinkSel, 0, kMaxLinkGroup);
    r.IntArray(j, "bridgeOutputs", live->bridgeOutputs, 0, 1);
    ReadViewState(r, j, *live);
    r.Int(j, "inputThreshold", live->inputThreshold);
    ReadInMixPhase(r, j, *live);
    ReadChannels(r, j, *live);
    if (Finish(r, result.failure)) {
        result.live = std::move(live);
    }
    return result;
}

WholeProfileLoad ReadWholeProfile(std::string_view text, const ProfileRecord& liveBase,
                                  const model::SceneTable& scenesBase) {
    WholeProfileLoad result;
    const Json root = ParseProfile(text, ProfileError::kLoad, result.failure);
    if (!root) {
        return result;
    }
    auto live = std::make_unique<ProfileRecord>(liveBase);
    auto scenes = std::make_unique<model::SceneTable>(scenesBase);
    FieldReader r;
    const cJSON* j = root.get();
    ReadVolumes(r, j, *live);

    const cJSON* names = r.Array(j, "sceneName", model::STORED_SCENES);
    {
        FieldReader::Scope scope(r, "\"sceneName\"");
        for (int k = 0; k < model::STORED_SCENES && r.Ok(); ++k) {
            if (const char* encoded = r.StringAt(names, k)) {
                if (const auto field = DecodeSceneName(encoded)) {
                    scenes->names[static_cast<size_t>(k)] = NormalizeNameField(*field);
                } else {
                    r.Fail("\"sceneName\"[" + std::to_string(k) +
                           "] is not the Base64 of at most 16 bytes");
                }
            }
        }
    }

    const cJSON* current = r.Object(j, "currentProfile");
    {
        FieldReader::Scope scope(r, "\"currentProfile\".");
        ReadInputs(r, current, *live);
        ReadSpeakers(r, current, *live);
        ReadViewState(r, current, *live);
        r.Int(current, "inputThreshold", live->inputThreshold);
        ReadInputMixVolume(r, current, *live);
        ReadInMixPhase(r, current, *live);
        ReadChannels(r, current, *live);
    }

    const cJSON* sceneArray = r.Array(j, "sceneArray", model::STORED_SCENES);
    for (int k = 0; k < model::STORED_SCENES && r.Ok(); ++k) {
        const cJSON* object = r.ObjectAt(sceneArray, k);
        FieldReader::Scope scope(r, "\"sceneArray\"[" + std::to_string(k) + "].");
        ProfileRecord& scene = scenes->records[static_cast<size_t>(k)];
        ReadInputs(r, object, scene);
        ReadInputMixVolume(r, object, scene);
        ReadSpeakers(r, object, scene);
        ReadViewState(r, object, scene);
        ReadChannels(r, object, scene);
    }

    if (Finish(r, result.failure)) {
        result.live = std::move(live);
        result.scenes = std::move(scenes);
    }
    return result;
}

}  // namespace profiles
