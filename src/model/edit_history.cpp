#include "model/edit_history.h"

namespace model {

namespace {

// What the amplifier reports about itself, and which output is current: not the user's edit.
void TakeOwnFields(ProfileRecord& to, const ProfileRecord& from) {
    to.model = from.model;
    to.mainVersion = from.mainVersion;
    to.slaveVersion = from.slaveVersion;
    to.flashVersion = from.flashVersion;
    to.sceneArg = from.sceneArg;
    to.channelCount = from.channelCount;
    to.currOutChannel = from.currOutChannel;
}

}  // namespace

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
    mStates.push_back(Edited(live));
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
    ProfileRecord now = Edited(live);
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
    if (mDepth == 0 && !mGesture) {
        mStates[mAt] = Edited(live);
    }
}

std::optional<ProfileRecord> EditHistory::Undo(const ProfileRecord& live) {
    if (!CanUndo()) {
        return std::nullopt;
    }
    mGesture = false;
    --mAt;
    return Restored(mStates[mAt], live);
}

std::optional<ProfileRecord> EditHistory::Redo(const ProfileRecord& live) {
    if (!CanRedo()) {
        return std::nullopt;
    }
    mGesture = false;
    ++mAt;
    return Restored(mStates[mAt], live);
}

}  // namespace model
