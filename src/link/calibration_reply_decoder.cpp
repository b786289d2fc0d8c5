// Replies of the room calibration: CMD_DSP frames without scene and source, posted as
// WM_READ_IRC_VALUE to the calibration target.
#include <array>
#include <memory>

#include "link/encoding.h"
#include "link/protocol.h"
#include "link/reply_decoding.h"
#include "link/reply_records.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink::decoding {
namespace {

constexpr std::array<const char*, 13> kStatusNames = {
    "IRC_RET_START_TEST",       "IRC_RET_SPK_STATUS_TEST",    "IRC_RET_LEVEL_TEST",
    "IRC_RET_DELAY_TEST",       "IRC_RET_TRIM_TEST",          "IRC_RET_EQ_TEST",
    "IRC_RET_SPEAKER_RTA_TEST", "IRC_RET_SPEAKER_RTA_UPDATE", "IRC_RET_EQ_DATA_UPDATE",
    "IRC_RET_TEST_DATA_UPDATE", "IRC_RET_TEST_DONE",          "IRC_RET_TEST_FAIL->",
    "IRC_RET_TEST_EXIT",
};

constexpr std::array<const char*, 6> kFailureNames = {
    "IRC_FAIL_NO_VAR", "IRC_FAIL_NO_MIC", "IRC_FAIL_NO_SPEAKER",
    "IRC_FAIL_DELAY",  "IRC_FAIL_TRIM",   "IRC_FAIL_EQ",
};

constexpr uint8_t kStatusRtaUpdate = 7;
constexpr uint8_t kStatusEqDataUpdate = 8;
constexpr uint8_t kStatusFail = 11;

// first, last
constexpr size_t kRangeHead = 2;
// channel, first band, last band
constexpr size_t kBandHead = 3;
constexpr size_t kSpectrumItem = 5;

template <typename Record>
void PostIrc(ReplyContext& context, uint8_t subcmd, std::unique_ptr<Record> record) {
    PostRecord(context, ReplyTargetId::Calibration, WM_READ_IRC_VALUE, subcmd, std::move(record));
}

// One record per channel item after first, last; read fills in what the item carries.
template <typename Record, typename Read>
void PostEachChannel(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context,
                     size_t itemSize, Read&& read) {
    ForEachInRange(reader, kRangeHead, itemSize, [&](int channel, size_t o) {
        auto record = std::make_unique<Record>();
        record->channel = channel;
        read(*record, o);
        PostIrc(context, subcmd, std::move(record));
    });
}

void DecodeStatus(uint8_t, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 1)) {
        return;
    }
    const uint8_t status = reader.Byte(0);
    // The value that travels with the status: the progress, or what the status reports instead.
    size_t valueAt = 3;
    if (status == kStatusRtaUpdate || status == kStatusEqDataUpdate) {
        valueAt = 1;
    } else if (status == kStatusFail) {
        valueAt = 4;
    }
    if (!reader.Has(valueAt, 1)) {
        return;
    }
    const uint8_t value = reader.Byte(valueAt);
    runlog::Log("DSP_IRC_CTRL Update Status = 0x%x, progress = %d\n", status, value);
    if (status >= kStatusNames.size()) {
        return;
    }
    runlog::Log("%s\n", kStatusNames[status]);
    if (status == kStatusFail) {
        if (value >= kFailureNames.size()) {
            return;
        }
        runlog::Log("%s\n", kFailureNames[value]);
    }
    PostValue(context, ReplyTargetId::Calibration, WM_READ_IRC_VALUE, status, value);
}

void DecodeDistance(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<IrcDistanceRecord>(subcmd, reader, context, 2, [&](auto& record, size_t o) {
        record.distance = static_cast<float>(reader.Hundredths(o));
        runlog::Log("ch(%d), distance(%.2f)\n", record.channel, record.distance);
    });
}

void DecodeTrim(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<IrcTrimRecord>(subcmd, reader, context, 1,
                                   [&](auto& record, size_t o) { ReadTrim(reader, o, record); });
}

void DecodeChannelValue(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<IrcChannelValueRecord>(subcmd, reader, context, 1, [&](auto& record, size_t o) {
        ReadChannelValue(reader, o, record);
    });
}

void DecodeEq(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    ForEachInRange(reader, kBandHead, kEqBandItem, [&](int band, size_t o) {
        auto record = std::make_unique<IrcEqRecord>();
        record->channel = reader.Byte(0);
        ReadEqBand(reader, o, band, *record);
        PostIrc(context, subcmd, std::move(record));
    });
}

void DecodeSpectrum(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    ForEachInRange(reader, kBandHead, kSpectrumItem, [&](int band, size_t o) {
        auto record = std::make_unique<IrcSpectrumRecord>();
        record->channel = reader.Byte(0);
        record->band = band;
        record->freq = static_cast<float>(reader.U16(o) + reader.Byte(o + 2) / 100.0);
        record->gain = static_cast<float>(reader.Signed(o + 3) + reader.Signed(o + 4) / 100.0);
        runlog::Log("band(%d), freq(%.2f), gain(%.2f)\n", band, record->freq, record->gain);
        PostIrc(context, subcmd, std::move(record));
    });
}

UpdateDecoder FindDecoder(uint8_t subcmd) {
    switch (subcmd) {
        case DSP_IRC_CTRL:
            return DecodeStatus;
        case DSP_IRC_DISTANCE:
            return DecodeDistance;
        case DSP_IRC_TRIM:
            return DecodeTrim;
        case DSP_IRC_EQ:
            return DecodeEq;
        case DSP_IRC_SPK_SIZE:
        case DSP_IRC_SPK_PHASE:
        case DSP_IRC_SPK_LEVEL:
        case DSP_IRC_NOISE_LEVEL:
            return DecodeChannelValue;
        case DSP_IRC_SPECTRUM:
            return DecodeSpectrum;
        default:
            return nullptr;
    }
}

}  // namespace

bool DecodeCalibrationReply(uint8_t subcmd, uint8_t optype, const PayloadReader& reader,
                            ReplyContext& context) {
    const UpdateDecoder decoder = FindDecoder(subcmd);
    if (decoder == nullptr) {
        return false;
    }
    if (optype == OP_UPDATE) {
        decoder(subcmd, reader, context);
    }
    return true;
}

}  // namespace dsplink::decoding
