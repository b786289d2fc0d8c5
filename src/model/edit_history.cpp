#include "model/edit_history.h"

#include <utility>

namespace model {

ProfileRecord EditHistory::Edited(const ProfileRecord& record) {
    ProfileRecord kept = record;
    // Every reply and every notification comes here: the defaults are built once.
    static const ProfileRecord kDefaults;
    TakeOwnFields(kept, kDefaults);
    return kept;
}

ProfileRecord EditHistory::Restored(const ProfileRecord& state, const ProfileRecord& live) {
    ProfileRecord next = state;
    TakeOwnFields(next, live);
    return next;
}

void EditHistory::Reset(const ProfileRecord& live) {
    mStates.clear();
    mStates.push_back({Edited(live), mSlots});
    mAt = 0;
    mGesture = false;
}

bool EditHistory::EndAction(const ProfileRecord& live, bool gestureContinues) {
    if (mDepth > 0) {
        --mDepth;
    }
    if (mDepth > 0) {
        return false;
    }
    mGesture = gestureContinues;
    if (mGesture) {
        return false;
    }
    Step now{Edited(live), mSlots};
    if (now == mStates[mAt]) {
        return false;
    }
    mStates.erase(mStates.begin() + static_cast<std::ptrdiff_t>(mAt) + 1, mStates.end());
    mStates.push_back(std::move(now));
    if (mStates.size() > kMaxSteps + 1) {
        mStates.pop_front();
    }
    mAt = mStates.size() - 1;
    return true;
}

void EditHistory::Absorb(const ProfileRecord& live) {
    if (!Open()) {
        mStates[mAt].record = Edited(live);
    }
}

void EditHistory::SetSlots(AbMark mark) {
    mSlots = std::move(mark);
    if (!Open()) {
        mStates[mAt].ab = mSlots;
    }
}

void EditHistory::BeginSlots(const std::shared_ptr<const ProfileRecord>& stored) {
    for (Step& step : mStates) {
        if (!step.ab.stored) {
            step.ab.stored = stored;
        }
    }
    if (!mSlots.stored) {
        mSlots.stored = stored;
    }
}

std::optional<ProfileRecord> EditHistory::Undo(const ProfileRecord& live) {
    if (!CanUndo()) {
        return std::nullopt;
    }
    mGesture = false;
    --mAt;
    mSlots = mStates[mAt].ab;
    return Restored(mStates[mAt].record, live);
}

std::optional<ProfileRecord> EditHistory::Redo(const ProfileRecord& live) {
    if (!CanRedo()) {
        return std::nullopt;
    }
    mGesture = false;
    ++mAt;
    mSlots = mStates[mAt].ab;
    return Restored(mStates[mAt].record, live);
}

}  // namespace model
