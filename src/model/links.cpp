#include "model/links.h"

#include "model/speaker_types.h"

namespace model {

namespace {

constexpr int kHalf = OUTPUT_CHANNELS / 2;

}  // namespace

bool SameHalf(int a, int b) {
    if (!IsOutputIndex(a) || !IsOutputIndex(b)) {
        return false;
    }
    return (a < kHalf) == (b < kHalf);
}

std::optional<int> LinkPartner(const ProfileRecord& record, int a) {
    if (!IsOutputIndex(a)) {
        return std::nullopt;
    }
    // A stale or corrupt entry must not index out of the record.
    if (record.linkMode == 1 && IsOutputIndex(record.linkOutputs[a])) {
        return record.linkOutputs[a];
    }
    if (record.bridgeOutputs[a / 2] == 1) {
        return a ^ 1;
    }
    return std::nullopt;
}

void FillLinkOutputs(ProfileRecord& record) {
    for (int h = 0; h < OUTPUT_CHANNELS; ++h) {
        record.linkOutputs[h] = -1;
        if (record.outputs[h] == kSpeakerEmpty) {
            continue;
        }
        const int mirror = MirrorSpeakerType(record.outputs[h]);
        for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
            if (i != h && record.outputs[i] == mirror && SameHalf(h, i)) {
                record.linkOutputs[h] = i;
                break;
            }
        }
    }
}

bool HasLinkConflict(const ProfileRecord& record) {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        const int mirror = MirrorSpeakerType(record.outputs[i]);
        if (mirror == -1) {
            continue;
        }
        for (int j = 0; j < OUTPUT_CHANNELS; ++j) {
            if (j != i && record.outputs[j] == mirror) {
                if (SameHalf(i, j)) {
                    return true;
                }
                break;  // only the first match counts
            }
        }
    }
    return false;
}

}  // namespace model
