#include <span>
#include <string>

#include "dspctl/dspctl.h"
#include "dspctl/profile_commands.h"
#include "profiles/scene_name_text.h"

namespace dspctl {

int RunScene(dsplink::DspLink& link, model::ModelState& state, const std::vector<std::string>& args,
             std::FILE* out, std::FILE* err) {
    const std::string& action = args.at(0);
    const int scene = std::stoi(args.at(1));
    if (action == "load") {
        // The amplifier refuses to load an empty slot; say so instead of failing silently.
        if (!link.Get_Scene_Valid()) {
            std::fputs("The amplifier did not report its stored scenes.\n", err);
            return kExitNoAmplifier;
        }
        if ((state.validSceneMask & (1 << (scene - 1))) == 0) {
            std::fprintf(err, "Scene %d holds no data; nothing was loaded.\n", scene);
            return kExitNoAmplifier;
        }
        if (!link.ReadScene(scene, 0)) {
            std::fputs("The amplifier did not answer.\n", err);
            return kExitNoAmplifier;
        }
        std::fprintf(out, "Scene %d is now the live set.\n", scene);
        return kExitOk;
    }
    if (action == "save") {
        if (args.size() > 2) {
            const std::string text = profiles::ValidUtf8(args[2]);
            const profiles::NameField field = profiles::NameFieldOfText(text);
            const std::string stored(field.data());
            if (stored.size() < text.size()) {
                std::fprintf(out, "The name is cut to \"%s\" (at most %zu bytes).\n",
                             stored.c_str(), profiles::kMaxSceneNameBytes);
            }
            const auto bytes = std::as_bytes(std::span(field));
            if (!link.SetSceneName(scene, std::span<const std::uint8_t>(
                                              reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                              bytes.size()))) {
                std::fputs("The amplifier did not answer.\n", err);
                return kExitNoAmplifier;
            }
        }
        if (!link.SaveScene(scene, 0)) {
            std::fputs("The amplifier did not answer.\n", err);
            return kExitNoAmplifier;
        }
        std::fprintf(out, "The live set is stored as scene %d.\n", scene);
        return kExitOk;
    }
    if (!link.DeleteScene(scene)) {
        std::fputs("The amplifier did not answer.\n", err);
        return kExitNoAmplifier;
    }
    std::fprintf(out, "Scene %d is deleted.\n", scene);
    return kExitOk;
}

}  // namespace dspctl
