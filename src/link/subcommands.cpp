#include "link/subcommands.h"

#include <array>
#include <cstdio>

#include "link/protocol.h"

namespace dsplink {
namespace {

// Codes without a symbol carry their own number, as the device's trace does.
constexpr std::array<const char*, 0x4F> DSP_SUBCMD_NAMES = {
    "DSP_SOURCE_CONFIG",
    "DSP_SOURCE_SWITCH",
    "DSP_VOLUME",
    "DSP_SUBWOOFER_VOLUME",
    "DSP_MUTE",
    "DSP_FILTER_SET",
    "DSP_EQ_CH",
    "DSP_DELAY_CH",
    "DSP_TRIM_CH",
    "DSP_MUTE_CH",
    "DSP_PHASE_CH",
    "DSP_MIX_CH",
    "DSP_REMAP_CH",
    "DSP_CH_TYPE",
    "DSP_CH_LINK",
    "DSP_CH_LOCK",
    "DSP_BYPASS",
    "DSP_EQ_RESET",
    "DSP_EQ_BYPASS",
    "DSP_IRC_CTRL",
    "DSP_IRC_DISTANCE",
    "DSP_IRC_TRIM",
    "DSP_IRC_EQ",
    "DSP_IRC_SPK_SIZE",
    "DSP_IRC_SPK_PHASE",
    "DSP_IRC_SPK_LEVEL",
    "DSP_IRC_SPECTRUM",
    "DSP_IRC_NOISE_LEVEL",
    "DSP_IRC_RTA",
    "DSP_IRC_TEST_MIC",
    "DSP_IRC_SEL_TEST_MODULE",
    "31",
    "DSP_INPUT_TRIM_CH",
    "DSP_INPUT_CH_MUTE",
    "DSP_INPUT_CH_PHASE",
    "DSP_INPUT_EQ_CH",
    "DSP_INPUT_MIX_CH_TRIM",
    "DSP_INPUT_MIX_CH_PHASE",
    "DSP_INPUT_THRESHOLD",
    "DSP_INPUT_NOISE",
    "DSP_INPUT_MIX_CH_TRIM2",
    "41",
    "42",
    "43",
    "44",
    "45",
    "46",
    "47",
    "DSP_CH_TRIM_LINK",
    "DSP_CH_DELAY_LINK",
    "DSP_SEL_REMOTE_CH",
    "DSP_REMOTE_CH_VOLUME",
    "DSP_CH_SOLO",
    "DSP_SPK_CH_CONFIG",
    "DSP_MIX_TYPE",
    "DSP_HPF_Q_FACT_MODE",
    "DSP_LPF_Q_FACT_MODE",
    "DSP_FACTORY_PRESET",
    "DSP_SETUP_MODE",
    "DSP_AUTO_EFFECTION_ON_OFF_CONTROL",
    "DSP_IRC_ACTIVE_BYPASS_CONTROL",
    "DSP_CS_AUTO_SETTING",
    "DSP_COMPRESSOR_SETTING",
    "DSP_AMP_MUTE",
    "DSP_INPUT_CH_DISTORT",
    "DSP_OUTPUT_CH_DISTORT",
    "DSP_MEM_DATA",
    "DSP_SPK_DIST",
    "DSP_MIX_SOURCE_SWITCH",
    "DSP_REM_OUT",
    "DSP_DSP_STATUS",
    "DSP_CROSS_SOURCE_MIX",
    "0x48",
    "DSP_COMPRESSOR_ON_CH",
    "DSP_COMPRESSOR_SETTING2",
    "DSP_SPK_OHM",
    "DSP_OUPUT_BRIDGE",
    "DSP_CROSS_SOURCE_MIX_CS47048",
    "DSP_NOISE_GATE",
};

}  // namespace

std::string DspSubcmdName(uint8_t subcmd) {
    if (subcmd < 0x4E) {
        return DSP_SUBCMD_NAMES[subcmd];
    }
    if (subcmd == DSP_MIX_TYPE2) {
        return "DSP_MIX_TYPE2";
    }
    return std::to_string(subcmd);
}

namespace {

std::string SubcmdName(uint8_t type, uint8_t subcmd) {
    if (type == CMD_DSP) {
        return DspSubcmdName(subcmd);
    }
    if (type == CMD_FLASH) {
        switch (subcmd) {
            case FLASH_SCENE_SAVE:
                return "FLASH_SCENE_SAVE";
            case FLASH_SCENE_READ:
                return "FLASH_SCENE_READ";
            case FLASH_SCENE_DELETE:
                return "FLASH_SCENE_DELETE";
            case FLASH_SCENE_NAME:
                return "FLASH_SCENE_NAME";
            case FLASH_SCENE_ID:
                return "FLASH_SCENE_ID";
            case FLASH_SCENE_VALID:
                return "FLASH_SCENE_VALID";
        }
    }
    if (type == CMD_MCU) {
        switch (subcmd) {
            case MCU_HANDSHAKE:
                return "MCU_HANDSHAKE";
            case MCU_ACC:
                return "MCU_ACC";
            case MCU_POWER_OFF_TIME:
                return "MCU_POWER_OFF_TIME";
            case MCU_FACTORY_RESET:
                return "MCU_FACTORY_RESET";
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "type %d subcmd 0x%02X", type, subcmd);
    return text;
}

}  // namespace

std::string DescribeRequest(uint8_t type, uint8_t subcmd, uint8_t optype,
                            std::span<const uint8_t> payload) {
    std::string text = SubcmdName(type, subcmd);
    text += optype == OP_READ ? " read" : " write";
    for (uint8_t b : payload) {
        char item[4];
        std::snprintf(item, sizeof item, " %02X", b);
        text += item;
    }
    return text;
}

}  // namespace dsplink
