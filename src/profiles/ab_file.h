#pragma once
// The A/B slots in a file of their own ("*.ab.json"), saved only when the user asks; the
// profile formats stay as they are. Each slot is written as a scene profile's record, so its
// reading checks every key as a scene file's does:
//   {"abSlots":1,"live":"A","a":{scene profile},"b":{scene profile}}
// A load is all or nothing: either both records come back or none does.

#include <memory>
#include <string>
#include <string_view>

#include "model/ab_mark.h"
#include "model/profile_record.h"
#include "profiles/profile_error.h"

namespace profiles {

inline constexpr int kAbFileVersion = 1;

std::string WriteAbFile(const model::ProfileRecord& a, const model::ProfileRecord& b,
                        model::AbSlot live);

struct AbFileLoad {
    ProfileFailure failure;
    // Each over `base` with the file's values; only when the whole file is valid.
    std::unique_ptr<model::ProfileRecord> a;
    std::unique_ptr<model::ProfileRecord> b;
    model::AbSlot live = model::AbSlot::A;

    bool Ok() const { return !failure && a != nullptr && b != nullptr; }
};

AbFileLoad ReadAbFile(std::string_view text, const model::ProfileRecord& base);
// Read (bounded as every profile load is) and parse in one step.
AbFileLoad LoadAbFile(const std::string& path, const model::ProfileRecord& base);

}  // namespace profiles
