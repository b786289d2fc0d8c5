#pragma once
// Undo and redo of the user's edits: the live set after each completed user action (a field
// committed, a drag released, a box ticked, a menu choice, a load), at most kMaxSteps back.
// Only what the user edits counts; what the amplifier reports about itself (identity,
// versions) and which output is current stay as they are when a step is restored.
//
// A change the user did not make (a reply, the state read of a reconnect) is folded into the
// state the history stands at, so undo never takes it back. While a user action is under way
// (a notification being handled, a drag not yet released) nothing is folded in: the action's
// own changes belong to its step.
//
// Each step also keeps the A/B slots (AbMark) as they were, so a switch or a copy between
// them is a step like an edit.

#include <cstddef>
#include <deque>
#include <optional>

#include "model/ab_mark.h"
#include "model/profile_record.h"

namespace model {

class EditHistory {
  public:
    static constexpr size_t kMaxSteps = 256;

    explicit EditHistory(const ProfileRecord& live) { Reset(live); }

    // Forgets every step: live and the slots as they are now are where the history stands.
    void Reset(const ProfileRecord& live);

    // A user action begins; actions nest (a question's modal loop inside a click).
    void BeginAction() { ++mDepth; }
    // The outermost action ended. A gesture that goes on (a drag step) keeps its step open;
    // otherwise a live set that differs from where the history stands becomes a new step,
    // and whatever could be redone is gone. True when a step was added.
    bool EndAction(const ProfileRecord& live, bool gestureContinues);

    // A change the user did not make; ignored while an action or gesture is open.
    void Absorb(const ProfileRecord& live);

    bool CanUndo() const { return mAt > 0; }
    bool CanRedo() const { return mAt + 1 < mStates.size(); }
    // Moves one step back or forward and returns the record to restore over live (live's own
    // identity and current output kept); nullopt when there is no such step.
    std::optional<ProfileRecord> Undo(const ProfileRecord& live);
    std::optional<ProfileRecord> Redo(const ProfileRecord& live);

    // The A/B slots as they are now; an undo or redo moves them with the live set. A change
    // made outside a user action is folded into the current step, as Absorb does.
    const AbMark& Slots() const { return mSlots; }
    void SetSlots(AbMark mark);
    // The slots begin: every step that had no stored slot yet takes this one, so an undo
    // never ends them again.
    void BeginSlots(const std::shared_ptr<const ProfileRecord>& stored);

    // Steps that can be undone and redone.
    size_t UndoSteps() const { return mAt; }
    size_t RedoSteps() const { return mStates.size() - 1 - mAt; }

  private:
    struct Step {
        ProfileRecord record;
        AbMark ab;
        bool operator==(const Step&) const = default;
    };

    bool Open() const { return mDepth > 0 || mGesture; }
    // record as the history keeps it: without what is not the user's.
    static ProfileRecord Edited(const ProfileRecord& record);
    static ProfileRecord Restored(const ProfileRecord& state, const ProfileRecord& live);

    std::deque<Step> mStates;
    AbMark mSlots;
    size_t mAt = 0;
    int mDepth = 0;
    bool mGesture = false;
};

}  // namespace model
