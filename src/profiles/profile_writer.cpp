#include "profiles/profile_writer.h"

#include <cJSON.h>

#include <algorithm>
#include <memory>
#include <span>

#include "profiles/base64.h"
#include "profiles/profile_keys.h"

namespace profiles {
namespace {

using model::ProfileRecord;

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

void AddInt(cJSON* object, const char* key, int value) {
    cJSON_AddItemToObject(object, key, cJSON_CreateNumber(value));
}

// Single-precision values are widened, so reading them back as float gives the same value.
void AddFloat(cJSON* object, const char* key, float value) {
    cJSON_AddItemToObject(object, key, cJSON_CreateNumber(static_cast<double>(value)));
}

cJSON* IntArray(std::span<const int> values) {
    cJSON* array = cJSON_CreateArray();
    for (int v : values) {
        cJSON_AddItemToArray(array, cJSON_CreateNumber(v));
    }
    return array;
}

cJSON* FilterObject(const model::CrossoverFilter& f) {
    cJSON* object = cJSON_CreateObject();
    AddInt(object, "fs", f.fs());
    AddInt(object, "type", f.type());
    AddInt(object, "slope", f.slope());
    AddInt(object, "bypass", f.bypass());
    return object;
}

cJSON* ChannelObject(const ProfileRecord& record, int output) {
    const model::OutputChannel& ch = record.channels[static_cast<size_t>(output)];
    // A count outside the row is never written, so the file stays readable.
    const int bands = std::clamp(ch.eqSize, 0, model::MAX_EQ_BANDS);
    cJSON* object = cJSON_CreateObject();
    AddInt(object, "eqSize", bands);
    AddFloat(object, "gain", ch.gain);
    AddInt(object, "mute", ch.mute);
    AddFloat(object, "delay", ch.delay);
    AddInt(object, "solo", ch.solo);
    AddInt(object, "phase", ch.phase);
    AddInt(object, "bypass", ch.bypass);

    cJSON* crossover = cJSON_CreateObject();
    AddInt(crossover, "bpType", ch.crossover.bpType);
    cJSON_AddItemToObject(crossover, "hp", FilterObject(ch.crossover.hp));
    cJSON_AddItemToObject(crossover, "lp", FilterObject(ch.crossover.lp));
    cJSON_AddItemToObject(object, "crossover", crossover);

    cJSON* eqArray = cJSON_CreateArray();
    const model::EqBand* row = model::BandsOf(record, output);
    for (int b = 0; b < bands; ++b) {
        cJSON* band = cJSON_CreateObject();
        AddInt(band, "freq", row[b].freq);
        AddFloat(band, "eqFactor", row[b].eqFactor);
        AddFloat(band, "eqGain", row[b].eqGain);
        AddInt(band, "enable", row[b].enable);
        cJSON_AddItemToArray(eqArray, band);
    }
    cJSON_AddItemToObject(object, "eqArray", eqArray);
    return object;
}

cJSON* Channels(const ProfileRecord& record) {
    cJSON* array = cJSON_CreateArray();
    const int count = std::clamp(record.channelCount, 0, model::OUTPUT_CHANNELS);
    for (int out = 0; out < count; ++out) {
        cJSON_AddItemToArray(array, ChannelObject(record, out));
    }
    return array;
}

cJSON* Inputs(const ProfileRecord& record) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& source : record.inputs) {
        cJSON_AddItemToArray(array, IntArray(source));
    }
    return array;
}

cJSON* InputMixVolume(const ProfileRecord& record) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& source : record.inputMixVolume) {
        cJSON* rows = cJSON_CreateArray();
        for (int row = 0; row < kFileInputRows; ++row) {
            cJSON_AddItemToArray(rows, IntArray(source[static_cast<size_t>(row)]));
        }
        cJSON_AddItemToArray(array, rows);
    }
    return array;
}

cJSON* InMixPhase(const ProfileRecord& record) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& source : record.inMixPhase) {
        cJSON_AddItemToArray(array, IntArray(std::span(source).first(kFileInputRows)));
    }
    return array;
}

void AddHeader(cJSON* root, const ProfileRecord& live) {
    AddInt(root, "model", model::MODEL_ID);
    cJSON_AddItemToObject(root, "model_name", cJSON_CreateString(shell::kModelName));
    AddInt(root, "mainVolume", live.mainVolume);
    AddInt(root, "acc", live.acc);
    AddInt(root, "subVolume", live.subVolume);
    AddInt(root, "mainVolumeMute", live.mainVolumeMute);
}

// The keys from "outputs" to "lockMode", shared by all three kinds of set.
void AddOutputKeys(cJSON* object, const ProfileRecord& r) {
    cJSON_AddItemToObject(object, "outputs", IntArray(r.outputs));
    cJSON_AddItemToObject(object, "outputs_bk", IntArray(r.outputsBk));
    cJSON_AddItemToObject(object, "linkOutputs", IntArray(r.linkOutputs));
    cJSON_AddItemToObject(object, "bridgeOutputs", IntArray(r.bridgeOutputs));
    cJSON_AddItemToObject(object, "linkSel", IntArray(r.linkSel));
    cJSON_AddItemToObject(object, "delayLinkSel", IntArray(r.delayLinkSel));
    cJSON_AddItemToObject(object, "showOutChEqualizer", IntArray(r.showOutChEqualizer));
    AddInt(object, "currOutChannel", r.currOutChannel);
    AddInt(object, "linkMode", r.linkMode);
    AddInt(object, "lockMode", r.lockMode);
}

std::string Print(const Json& root) {
    char* text = cJSON_PrintUnformatted(root.get());
    if (!text) {
        return {};
    }
    std::string out(text);
    cJSON_free(text);
    return out;
}

}  // namespace

std::string WriteSceneProfile(const ProfileRecord& live) {
    Json root(cJSON_CreateObject());
    AddHeader(root.get(), live);
    cJSON_AddItemToObject(root.get(), "channels", Channels(live));
    cJSON_AddItemToObject(root.get(), "inputs", Inputs(live));
    cJSON_AddItemToObject(root.get(), "inputMixVolume", InputMixVolume(live));
    AddOutputKeys(root.get(), live);
    AddInt(root.get(), "inputThreshold", live.inputThreshold);
    cJSON_AddItemToObject(root.get(), "inMixPhase", InMixPhase(live));
    return Print(root);
}

std::string WriteWholeProfile(const ProfileRecord& live, const model::SceneTable& scenes) {
    Json root(cJSON_CreateObject());
    AddHeader(root.get(), live);

    cJSON* names = cJSON_CreateArray();
    for (const auto& name : scenes.names) {
        const auto bytes = std::as_bytes(std::span(name));
        const std::span<const std::uint8_t> field(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        cJSON_AddItemToArray(names, cJSON_CreateString(Base64Encode(field).c_str()));
    }
    cJSON_AddItemToObject(root.get(), "sceneName", names);

    cJSON* current = cJSON_CreateObject();
    cJSON_AddItemToObject(current, "channels", Channels(live));
    cJSON_AddItemToObject(current, "inputs", Inputs(live));
    cJSON_AddItemToObject(current, "inputMixVolume", InputMixVolume(live));
    cJSON_AddItemToObject(current, "inMixPhase", InMixPhase(live));
    AddOutputKeys(current, live);
    AddInt(current, "inputThreshold", live.inputThreshold);
    cJSON_AddItemToObject(root.get(), "currentProfile", current);

    cJSON* sceneArray = cJSON_CreateArray();
    for (const ProfileRecord& scene : scenes.records) {
        cJSON* object = cJSON_CreateObject();
        cJSON_AddItemToObject(object, "channels", Channels(scene));
        cJSON_AddItemToObject(object, "inputs", Inputs(scene));
        cJSON_AddItemToObject(object, "inputMixVolume", InputMixVolume(scene));
        AddOutputKeys(object, scene);
        cJSON_AddItemToArray(sceneArray, object);
    }
    cJSON_AddItemToObject(root.get(), "sceneArray", sceneArray);
    return Print(root);
}

}  // namespace profiles
