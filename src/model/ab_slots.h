#pragma once
// A/B comparison of two whole tunings. Slots A and B each hold a whole live set: the live slot
// is the live set itself, the other one is stored (in the undo history's AbMark, so undo and
// redo move it with the live set). An edit changes the live slot only.
//
// Switching and copying into the live slot replace the live set through ApplyLiveSet: the
// amplifier gets only what differs. Each operation is one undo step, inside the caller's user
// action when there is one, and is refused while a device job runs.
//
// The slots begin equal, as the live set at the first connection (or at the first operation
// before one); a reconnect's state read updates the live slot and leaves the stored one.

#include "model/ab_differences.h"
#include "model/ab_mark.h"
#include "model/profile_record.h"

namespace model {

class EditHistory;
class EqualizerManager;

class AbSlots {
  public:
    explicit AbSlots(EqualizerManager& manager) : mManager(manager) {}

    AbSlot Live() const;
    bool Begun() const;
    // A slot's tuning: the live set for the live slot. Before the slots begin both are it.
    const ProfileRecord& Record(AbSlot slot) const;
    const ProfileRecord& Stored() const { return Record(OtherSlot(Live())); }

    // Makes the stored slot live; the slot left keeps the live set as it was.
    bool Switch();
    bool CopyAToB() { return Copy(AbSlot::A); }
    bool CopyBToA() { return Copy(AbSlot::B); }
    // Replaces both slots (a loaded file); `live` becomes the live set.
    bool Load(ProfileRecord a, ProfileRecord b, AbSlot live);

    AbDifferences Differences() const;

    // Called once the connection's state read is in: the slots begin if they have not.
    void Begin();

  private:
    bool Copy(AbSlot from);
    EditHistory& History() const;
    void Publish();

    EqualizerManager& mManager;
};

}  // namespace model
