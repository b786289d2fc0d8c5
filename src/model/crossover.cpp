#include "model/crossover.h"

namespace model {

void CrossoverFilter::SetFs(int fs) {
    mFs = (fs >= CROSSOVER_MIN_FS && fs <= CROSSOVER_MAX_FS) ? fs : CROSSOVER_MIN_FS;
}

void CrossoverFilter::SetType(int type) {
    mType = (type >= 1 && type <= 3) ? type : kButterworth;
}

void CrossoverFilter::SetSlope(int slope) {
    mSlope = slope < 0 ? 0 : slope;
    mBypass = mSlope == 0 ? 1 : 0;
}

int BpTypeOf(const CrossoverFilter& hp, const CrossoverFilter& lp) {
    return (hp.bypass() ? 0 : 1) | (lp.bypass() ? 0 : 2);
}

namespace {

struct CrossoverRow {
    int hpFs, hpSlope, lpFs, lpSlope, type;
};

constexpr CrossoverRow kOff{20, 0, 20000, 0, 3};
constexpr CrossoverRow kTweeter{3400, 2, 20000, 0, 3};
constexpr CrossoverRow kMid{600, 2, 1900, 2, 3};
constexpr CrossoverRow kWoofer{70, 3, 320, 2, 3};
constexpr CrossoverRow kMidTweeter{600, 2, 20000, 0, 3};
constexpr CrossoverRow kMidWoofer{70, 2, 1900, 2, 3};
constexpr CrossoverRow kSub{30, 4, 50, 2, 1};

// Indexed by speaker type 0..24.
constexpr CrossoverRow kRows[] = {
    kOff,    kTweeter,    kMid,       kWoofer, kMidTweeter, kMidWoofer, kOff, kTweeter, kMid,
    kWoofer, kMidTweeter, kMidWoofer, kOff,    kTweeter,    kWoofer,    kOff, kTweeter, kWoofer,
    kOff,    kTweeter,    kWoofer,    kOff,    kSub,        kSub,       kSub,
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == 25);

}  // namespace

Crossover CrossoverForType(int speakerType) {
    const CrossoverRow& row = (speakerType >= 0 && speakerType <= 24) ? kRows[speakerType] : kOff;
    Crossover c;
    c.hp = CrossoverFilter(row.hpFs, row.type, row.hpSlope);
    c.lp = CrossoverFilter(row.lpFs, row.type, row.lpSlope);
    c.bpType = BpTypeOf(c.hp, c.lp);
    return c;
}

}  // namespace model
