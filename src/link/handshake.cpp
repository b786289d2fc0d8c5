#include "link/dsp_link.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {

bool DspLink::PC_Connect(uint8_t attached) {
    runlog::Log("PC_Connect = %d\n", attached);
    const uint8_t payload[] = {attached};
    // The device does not answer this one: reading here would take the next reply's place.
    return SendCtrlCommand(CMD_MCU, MCU_PC_CONNECT, OP_WRITE, payload);
}

bool DspLink::Hand_Connect() {
    runlog::Log("Hand_Connect\n");
    return Request(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {});
}

}  // namespace dsplink
