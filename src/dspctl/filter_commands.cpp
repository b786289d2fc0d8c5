#include <memory>

#include "dspctl/dspctl.h"
#include "dspctl/profile_commands.h"
#include "link/state_read.h"
#include "model/band_set.h"
#include "model/profile_send.h"
#include "profiles/filter_text.h"

namespace dspctl {

bool LoadFilterFile(const std::string& path, profiles::FilterText& text, std::FILE* err) {
    std::string error;
    const std::optional<profiles::FilterText> read = profiles::LoadFilterFile(path, &error);
    if (!read) {
        std::fprintf(err, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    text = *read;
    return true;
}

int RunFilterImport(dsplink::DspLink& link, model::ModelState& state, int output,
                    const profiles::FilterText& text, std::FILE* out, std::FILE* err) {
    // The output's bands and gain as the amplifier has them, so that only what differs goes.
    if (dsplink::ReadLiveState(link) != 0) {
        std::fprintf(err, "Not every read was answered; nothing was sent.\n");
        return kExitNoAmplifier;
    }
    const profiles::FilterImport import = profiles::MapFilterText(text, state.live, output);
    if (!import.refused.empty()) {
        std::fprintf(err, "The amplifier's bands cannot take this list; nothing was sent:\n");
        for (const std::string& line : import.refused) {
            std::fprintf(err, "  %s\n", line.c_str());
        }
        return kExitFile;
    }
    const auto to = std::make_unique<model::ProfileRecord>(state.live);
    model::ApplyBandSet(*to, output, import.bands, import.gain);
    if (!model::SendProfileDifference(link, state.live, *to, true)) {
        std::fprintf(err, "The amplifier did not take every band; CH%d may hold part of it.\n",
                     output + 1);
        return kExitNoAmplifier;
    }
    std::fprintf(out, "CH%d: %zu filters applied\n", output + 1, text.filters.size());
    return kExitOk;
}

int RunFilterExport(dsplink::DspLink& link, model::ModelState& state, int output,
                    const std::string& path, std::FILE* out, std::FILE* err) {
    if (dsplink::ReadLiveState(link) != 0) {
        std::fprintf(err, "Not every read was answered; nothing was saved.\n");
        return kExitNoAmplifier;
    }
    const std::string text = profiles::WriteFilterText(state.live, output);
    if (const profiles::ProfileFailure saved = profiles::SaveToFile(path, text)) {
        std::fprintf(err, "%s: %s (%s)\n", path.c_str(), profiles::ErrorText(saved.error),
                     saved.detail.c_str());
        return kExitFile;
    }
    std::fprintf(out, "Saved CH%d's bands to %s\n", output + 1, path.c_str());
    return kExitOk;
}

}  // namespace dspctl
