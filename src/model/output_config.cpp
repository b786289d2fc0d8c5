#include "model/copy_config.h"

#include <algorithm>

#include "shell/run_log.h"

namespace model {

bool CopyOutputConfig(ProfileRecord& record, int from, int to) {
    runlog::Log("copy out config from %d to %d\n", from, to);
    if (!IsOutputIndex(from) || !IsOutputIndex(to)) {
        return false;
    }
    // eqSize may come from a file or reply; never copy beyond the row.
    const int count = std::clamp(record.channels[to].eqSize, 0, MAX_EQ_BANDS);
    for (int b = 0; b < count; ++b) {
        const EqBand& src = record.bands[from][b];
        EqBand& dst = record.bands[to][b];
        dst.eqGain = src.eqGain;
        dst.eqFactor = src.eqFactor;
        dst.freq = src.freq;
        dst.enable = src.enable;
    }
    const Crossover& src = record.channels[from].crossover;
    Crossover& dst = record.channels[to].crossover;
    dst.hp.SetFs(src.hp.fs());
    dst.hp.SetType(src.hp.type());
    dst.hp.SetSlope(src.hp.slope());
    dst.lp.SetFs(src.lp.fs());
    dst.lp.SetType(src.lp.type());
    dst.lp.SetSlope(src.lp.slope());
    dst.bpType = src.bpType;
    return true;
}

}  // namespace model
