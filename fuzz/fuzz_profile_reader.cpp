// Scene (.spf) and whole (.wpf) profile text, both readers on every input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "model/profile_record.h"
#include "profiles/profile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Built once: the scene table is large and the readers only copy from the bases.
    static const model::ProfileRecord base;
    static const auto scenes = std::make_unique<model::SceneTable>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)profiles::ReadSceneProfile(text, base);
    (void)profiles::ReadWholeProfile(text, base, *scenes);
    return 0;
}
