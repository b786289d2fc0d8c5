#include <span>

#include "dspctl.h"
#include "profile_commands.h"
#include "profile_send.h"
#include "profile_writer.h"
#include "scene_name_text.h"
#include "state_read.h"

namespace dspctl {
namespace {

void PrintFailure(std::FILE* err, const std::string& path, const profiles::ProfileFailure& f) {
    std::fprintf(err, "%s: %s (%s)\n", path.c_str(), profiles::ErrorText(f.error),
                 f.detail.c_str());
}

}  // namespace

bool LoadRestoreFile(const std::string& path, RestoreFile& file, std::FILE* err) {
    file.kind = profiles::KindOfPath(path);
    const model::ProfileRecord defaults;
    if (file.kind == profiles::ProfileKind::kScene) {
        profiles::SceneProfileLoad load = profiles::LoadSceneProfile(path, defaults);
        if (!load.Ok()) {
            PrintFailure(err, path, load.failure);
            return false;
        }
        file.live = std::move(load.live);
        return true;
    }
    if (file.kind == profiles::ProfileKind::kWhole) {
        const auto emptyScenes = std::make_unique<model::SceneTable>();
        profiles::WholeProfileLoad load = profiles::LoadWholeProfile(path, defaults, *emptyScenes);
        if (!load.Ok()) {
            PrintFailure(err, path, load.failure);
            return false;
        }
        file.live = std::move(load.live);
        file.scenes = std::move(load.scenes);
        return true;
    }
    std::fprintf(err, "%s: not a .spf or .wpf file\n", path.c_str());
    return false;
}

int RunRestore(dsplink::DspLink& link, const RestoreFile& file, std::FILE* out, std::FILE* err) {
    const auto progress = [out](int done, int total) {
        if (total == 1) {
            std::fprintf(out, "Sent the live set.\n");
        } else if (done < total) {
            std::fprintf(out, "Sent scene %d of %d (%d%%)\n", done, total - 1, done * 100 / total);
        } else {
            std::fprintf(out, "Sent the live set (100%%)\n");
        }
        std::fflush(out);
    };
    const int missing = file.kind == profiles::ProfileKind::kWhole
                            ? model::SendWholeProfile(link, *file.live, *file.scenes, progress)
                            : model::SendSceneProfile(link, *file.live, progress);
    if (missing > 0) {
        std::fprintf(err,
                     "%d commands got no answer; the amplifier may hold part of the profile.\n",
                     missing);
        return kExitNoAmplifier;
    }
    return kExitOk;
}

int RunBackup(dsplink::DspLink& link, dsplink::Clock& clock, model::ModelState& state,
              const std::string& path, std::FILE* out, std::FILE* err) {
    int missing = 0;
    for (int n = 1; n <= model::STORED_SCENES; ++n) {
        missing += dsplink::ReadStoredScene(link, n, [&clock](int ms) { clock.SleepMs(ms); });
        std::fprintf(out, "Read scene %d of %d\n", n, model::STORED_SCENES);
        std::fflush(out);
    }
    // The scene reads leave the amplifier serving the last scene; bring the live set back.
    missing += link.ReadScene(0, 0) ? 0 : 1;
    missing += dsplink::ReadLiveState(link);
    std::fprintf(out, "Read the live set\n");
    if (missing > 0) {
        std::fprintf(err, "%d reads got no answer; nothing was saved.\n", missing);
        return kExitNoAmplifier;
    }
    // Names come as the amplifier keeps them; the file carries them as the program does.
    for (auto& name : state.scenes.names) {
        const auto bytes = std::as_bytes(std::span(name));
        name = profiles::NormalizeNameField(std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    const std::string text = profiles::WriteWholeProfile(state.live, state.scenes);
    const profiles::ProfileFailure saved = profiles::SaveToFile(path, text);
    if (saved) {
        std::fprintf(err, "%s: %s (%s)\n", path.c_str(), profiles::ErrorText(saved.error),
                     saved.detail.c_str());
        return kExitFile;
    }
    std::fprintf(out, "Saved %s (%zu bytes)\n", path.c_str(), text.size());
    return kExitOk;
}

}  // namespace dspctl
