#pragma once
// Which A/B slot is live and what the other one holds. The undo history keeps it with every
// step, so undoing a switch or a copy brings the slots back as well as the live set.

#include <memory>

#include "model/profile_record.h"

namespace model {

enum class AbSlot { A, B };

constexpr AbSlot OtherSlot(AbSlot slot) {
    return slot == AbSlot::A ? AbSlot::B : AbSlot::A;
}

struct AbMark {
    AbSlot live = AbSlot::A;
    // The slot that is not live; empty until the slots begin. Shared by every step that left
    // it alone, so a step costs no copy of it.
    std::shared_ptr<const ProfileRecord> stored;

    // The same stored record, not merely an equal one: comparing stays cheap.
    bool operator==(const AbMark&) const = default;
};

}  // namespace model
