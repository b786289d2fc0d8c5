#include "model/copy_config.h"
#include "shell/run_log.h"

namespace model {

bool CopyMixConfig(ProfileRecord& record, int from, int to) {
    runlog::Log("copy mix config from %d to %d\n", from, to);
    if (!IsOutputIndex(from) || !IsOutputIndex(to)) {
        return false;
    }
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        record.inputs[s][to] = record.inputs[s][from];
        for (int row = 0; row < INPUT_ROWS; ++row) {
            record.inputMixVolume[s][row][to] = record.inputMixVolume[s][row][from];
        }
    }
    return true;
}

bool ClearMixConfig(ProfileRecord& record, int output) {
    runlog::Log("clear mix config of %d\n", output);
    if (!IsOutputIndex(output)) {
        return false;
    }
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        record.inputs[s][output] = 0;
        for (int row = 0; row < INPUT_ROWS; ++row) {
            record.inputMixVolume[s][row][output] = 0;
        }
    }
    return true;
}

}  // namespace model
