#pragma once
// The service tool's profile and scene commands: backup, restore and scene load/save/delete.
// Each runs over a link that is open and has passed the handshake.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/dsp_link.h"
#include "model/reply_handlers.h"
#include "profiles/filter_text.h"
#include "profiles/profile_files.h"

namespace dspctl {

// A profile checked completely, ready to be sent.
struct RestoreFile {
    profiles::ProfileKind kind = profiles::ProfileKind::kUnknown;
    std::unique_ptr<model::ProfileRecord> live;
    std::unique_ptr<model::SceneTable> scenes;  // whole profiles only
};

// Reads and checks the file before the amplifier is touched; prints the reason to err and
// returns false when it cannot be used.
bool LoadRestoreFile(const std::string& path, RestoreFile& file, std::FILE* err);

// Sends a checked file with a progress line per set.
int RunRestore(dsplink::DspLink& link, const RestoreFile& file, std::FILE* out, std::FILE* err);

// Reads the stored scenes and the live set into `state` (the link's replies must reach it
// through a ModelSync) and saves them as a whole profile.
int RunBackup(dsplink::DspLink& link, dsplink::Clock& clock, model::ModelState& state,
              const std::string& path, std::FILE* out, std::FILE* err);

// "scene load|save|delete N [NAME]"; `state` is filled by the link's replies as for backup.
int RunScene(dsplink::DspLink& link, model::ModelState& state, const std::vector<std::string>& args,
             std::FILE* out, std::FILE* err);

// "import CH FILE": the list is read and checked before the amplifier is touched.
bool LoadFilterFile(const std::string& path, profiles::FilterText& text, std::FILE* err);
// Reads the live state into `state` (filled by the link's replies as for backup), maps the list
// onto output's bands and sends only what differs; a list the bands cannot take sends nothing.
int RunFilterImport(dsplink::DspLink& link, model::ModelState& state, int output,
                    const profiles::FilterText& text, std::FILE* out, std::FILE* err);
// "export CH FILE": the output's enabled bands as a filter list.
int RunFilterExport(dsplink::DspLink& link, model::ModelState& state, int output,
                    const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace dspctl
