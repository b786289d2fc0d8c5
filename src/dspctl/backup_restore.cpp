#include <algorithm>
#include <span>

#include "dspctl/dspctl.h"
#include "dspctl/profile_commands.h"
#include "link/state_read.h"
#include "model/profile_send.h"
#include "profiles/profile_writer.h"
#include "profiles/scene_name_text.h"

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
    const bool whole = file.kind == profiles::ProfileKind::kWhole;
    const int sets = whole ? model::STORED_SCENES + 1 : 1;
    int sent = 0;
    // Called for sets the amplifier took whole.
    const auto progress = [out, &sent](int done, int total) {
        sent = done;
        if (total == 1) {
            std::fprintf(out, "Sent the live set.\n");
        } else if (done < total) {
            std::fprintf(out, "Sent scene %d of %d (%d%%)\n", done, total - 1, done * 100 / total);
        } else {
            std::fprintf(out, "Sent the live set (100%%)\n");
        }
        std::fflush(out);
    };
    const bool complete = whole ? model::SendWholeProfile(link, *file.live, *file.scenes, progress)
                                : model::SendSceneProfile(link, *file.live, progress);
    if (!complete) {
        std::fprintf(err,
                     "The restore stopped after %d of %d sets; the amplifier may hold part of "
                     "the profile.\n",
                     sent, sets);
        return kExitNoAmplifier;
    }
    return kExitOk;
}

int RunBackup(dsplink::DspLink& link, dsplink::Clock& clock, model::ModelState& state,
              const std::string& path, std::FILE* out, std::FILE* err) {
    // A backup is saved whole or not at all, so reading stops at the first set with a gap.
    bool complete = true;
    // In slices, so that an amplifier unplugged meanwhile ends the wait.
    const auto settle = [&](int ms) {
        constexpr int kSliceMs = 20;
        for (int left = ms; left > 0 && link.IsOpen(); left -= kSliceMs) {
            clock.SleepMs(std::min(left, kSliceMs));
        }
    };
    for (int n = 1; n <= model::STORED_SCENES && complete; ++n) {
        complete = dsplink::ReadStoredScene(link, n, settle) == 0;
        if (complete) {
            std::fprintf(out, "Read scene %d of %d\n", n, model::STORED_SCENES);
            std::fflush(out);
        }
    }
    // The scene reads leave the amplifier serving the last scene; bring the live set back,
    // also after a gap.
    complete = link.ReadScene(0, 0) && complete;
    complete = complete && dsplink::ReadLiveState(link) == 0;
    if (!complete) {
        std::fprintf(err, "Not every read was answered; nothing was saved and %s is as it was.\n",
                     path.c_str());
        return kExitNoAmplifier;
    }
    std::fprintf(out, "Read the live set\n");
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
