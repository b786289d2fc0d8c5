#include "model/ab_slots.h"

#include <memory>
#include <utility>

#include "model/equalizer_manager.h"
#include "shell/run_log.h"

namespace model {

namespace {

char Letter(AbSlot slot) {
    return slot == AbSlot::A ? 'A' : 'B';
}

// Equal as tunings: the amplifier's identity and the current output do not count.
bool SameTuning(const ProfileRecord& a, const ProfileRecord& b) {
    ProfileRecord c = a;
    TakeOwnFields(c, b);
    return c == b;
}

}  // namespace

EditHistory& AbSlots::History() const {
    return mManager.History();
}

AbSlot AbSlots::Live() const {
    return History().Slots().live;
}

bool AbSlots::Begun() const {
    return History().Slots().stored != nullptr;
}

const ProfileRecord& AbSlots::Record(AbSlot slot) const {
    const AbMark& mark = History().Slots();
    return slot == mark.live || !mark.stored ? mManager.State().live : *mark.stored;
}

AbDifferences AbSlots::Differences() const {
    return Begun() ? CompareTunings(mManager.State().live, Stored()) : AbDifferences{};
}

void AbSlots::Publish() {
    mManager.Changes().Publish({.kind = ChangeKind::AbSlots});
}

void AbSlots::Begin() {
    if (!Begun()) {
        History().BeginSlots(std::make_shared<const ProfileRecord>(mManager.State().live));
        Publish();
    }
}

bool AbSlots::Switch() {
    if (mManager.JobRunning()) {
        return false;
    }
    const UserAction action(mManager, false);
    Begin();
    const ProfileRecord& live = mManager.State().live;
    const AbMark now = History().Slots();
    ProfileRecord next = *now.stored;
    TakeOwnFields(next, live);
    History().SetSlots({OtherSlot(now.live), std::make_shared<const ProfileRecord>(live)});
    runlog::Log("A/B: slot %c is live\n", Letter(OtherSlot(now.live)));
    mManager.ApplyLiveSet(std::move(next));
    Publish();
    return true;
}

bool AbSlots::Copy(AbSlot from) {
    if (mManager.JobRunning()) {
        return false;
    }
    const UserAction action(mManager, false);
    Begin();
    const ProfileRecord& live = mManager.State().live;
    const AbMark now = History().Slots();
    runlog::Log("A/B: copy %c to %c\n", Letter(from), Letter(OtherSlot(from)));
    if (from == now.live) {
        // Into the stored slot: the amplifier plays on as it is.
        if (!SameTuning(*now.stored, live)) {
            History().SetSlots({now.live, std::make_shared<const ProfileRecord>(live)});
        }
    } else {
        ProfileRecord next = *now.stored;
        TakeOwnFields(next, live);
        mManager.ApplyLiveSet(std::move(next));
    }
    Publish();
    return true;
}

bool AbSlots::Load(ProfileRecord a, ProfileRecord b, AbSlot live) {
    if (mManager.JobRunning()) {
        return false;
    }
    const UserAction action(mManager, false);
    Begin();
    ProfileRecord& next = live == AbSlot::A ? a : b;
    ProfileRecord& stored = live == AbSlot::A ? b : a;
    TakeOwnFields(next, mManager.State().live);
    TakeOwnFields(stored, mManager.State().live);
    History().SetSlots({live, std::make_shared<const ProfileRecord>(std::move(stored))});
    runlog::Log("A/B: both slots loaded, %c live\n", Letter(live));
    mManager.ApplyLiveSet(std::move(next));
    Publish();
    return true;
}

}  // namespace model
