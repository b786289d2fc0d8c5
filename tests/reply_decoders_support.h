#pragma once
// Shared by the reply decoder tests: a context that records what the decoders post, a frame
// builder that lays out device frames byte by byte, and the table of well-formed replies with
// what each must post.

#include <gtest/gtest.h>
#include <algorithm>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "link/frame.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_records.h"
#include "link/reply_target.h"

namespace reply_test {

using namespace dsplink;

struct Posted {
    ReplyTargetId target;
    uint32_t message;
    uint32_t wParam;
    int32_t value;
    std::unique_ptr<ReplyRecord> record;
};

class FakeContext : public ReplyContext {
  public:
    void Post(ReplyTargetId target, LinkMessage message) override {
        posted.push_back(Posted{target, message.message, message.wParam, message.value,
                                std::move(message.record)});
    }
    LinkState& State() override { return state; }

    // The record of post i as R; a failure (and a zeroed R) when it is missing or of another kind.
    template <typename R>
    const R& Record(size_t i) const {
        static const R missing{};
        if (i >= posted.size()) {
            ADD_FAILURE() << "no post " << i;
            return missing;
        }
        const auto* record = dynamic_cast<const R*>(posted[i].record.get());
        if (record == nullptr) {
            ADD_FAILURE() << "post " << i << " carries no record of the expected kind";
            return missing;
        }
        return *record;
    }

    std::vector<Posted> posted;
    LinkState state;
};

// A device frame: AA 55 LEN type subcmd optype payload checksum, the checksum making the bytes
// from LEN through it sum to 0 modulo 256.
inline std::vector<uint8_t> Wire(uint8_t type, uint8_t subcmd, uint8_t optype,
                                 const std::vector<uint8_t>& payload) {
    // Sized up front, checksum included: growing the vector trips false -Warray-bounds and
    // -Wstringop-overflow reports in GCC 12.
    std::vector<uint8_t> wire(7 + payload.size());
    wire[0] = 0xAA;
    wire[1] = 0x55;
    wire[2] = static_cast<uint8_t>(payload.size() + 3);
    wire[3] = type;
    wire[4] = subcmd;
    wire[5] = optype;
    for (size_t i = 0; i < payload.size(); ++i) {
        wire[6 + i] = payload[i];
    }
    uint8_t sum = 0;
    for (size_t i = 2; i + 1 < wire.size(); ++i) {
        sum = static_cast<uint8_t>(sum + wire[i]);
    }
    wire.back() = static_cast<uint8_t>(0x100 - sum);
    return wire;
}

inline void Dispatch(const FrameView& frame, ReplyContext& context) {
    switch (frame.type) {
        case CMD_DSP:
            DecodeDspReply(frame, context);
            break;
        case CMD_FLASH:
            DecodeFlashReply(frame, context);
            break;
        case CMD_MCU:
            DecodeMcuReply(frame, context);
            break;
        case CMD_KTV:
            DecodeKtvReply(frame, context);
            break;
        default:
            break;
    }
}

// Bytes in, posts out: the real frame parser in front of the decoders.
class Harness {
  public:
    explicit Harness(ReplyContext& context)
        : mParser([this, &context](const FrameView& frame, bool valid, std::span<const uint8_t>) {
              ++completed;
              if (valid) {
                  ++dispatched;
                  Dispatch(frame, context);
              }
          }) {}

    void Feed(std::span<const uint8_t> bytes) { mParser.Feed(bytes); }
    void Reply(uint8_t type, uint8_t subcmd, uint8_t optype, const std::vector<uint8_t>& payload) {
        const std::vector<uint8_t> wire = Wire(type, subcmd, optype, payload);
        Feed(wire);
    }

    int completed = 0;
    int dispatched = 0;

  private:
    FrameParser mParser;
};

// A record as the tests compare it: its kind and its fields flattened in declaration order
// (arrays element by element), trailing zeros left out.
struct RecordFields {
    std::type_index kind;
    std::vector<double> fields;
    bool operator==(const RecordFields&) const = default;
};

inline void PrintTo(const RecordFields& record, std::ostream* out) {
    *out << record.kind.name() << " {";
    for (double field : record.fields) {
        *out << ' ' << field;
    }
    *out << " }";
}

template <typename R>
RecordFields Rec(std::vector<double> fields) {
    while (!fields.empty() && fields.back() == 0) {
        fields.pop_back();
    }
    return RecordFields{typeid(R), std::move(fields)};
}

RecordFields Flatten(const ReplyRecord& record);

// One well-formed reply and what it must post: one message per entry of values (scalar
// lParams) or records, to target with message (0: the usual one of the packet type) and
// wParam (-1: the subcmd). check looks at the link state afterwards.
struct ReplyCase {
    std::string name;
    uint8_t type = CMD_DSP;
    uint8_t subcmd = 0;
    std::vector<uint8_t> payload;
    std::vector<int32_t> values;
    std::vector<RecordFields> records;
    uint8_t optype = OP_UPDATE;
    ReplyTargetId target = ReplyTargetId::Main;
    uint32_t message = 0;
    int64_t wParam = -1;
    std::function<void(FakeContext&)> setup;
    std::function<void(const FakeContext&)> check;

    size_t Posts() const { return values.size() + records.size(); }

    ReplyCase& Values(std::vector<int32_t> v) {
        values = std::move(v);
        return *this;
    }
    ReplyCase& Records(std::vector<RecordFields> r) {
        records = std::move(r);
        return *this;
    }
    ReplyCase& Op(uint8_t o) {
        optype = o;
        return *this;
    }
    ReplyCase& To(ReplyTargetId t, uint32_t m = 0) {
        target = t;
        message = m;
        return *this;
    }
    ReplyCase& WParam(uint32_t w) {
        wParam = w;
        return *this;
    }
    ReplyCase& Setup(std::function<void(FakeContext&)> f) {
        setup = std::move(f);
        return *this;
    }
    ReplyCase& Check(std::function<void(const FakeContext&)> f) {
        check = std::move(f);
        return *this;
    }
};

inline ReplyCase Row(std::string name, uint8_t type, uint8_t subcmd, std::vector<uint8_t> payload) {
    ReplyCase c;
    c.name = std::move(name);
    c.type = type;
    c.subcmd = subcmd;
    c.payload = std::move(payload);
    return c;
}

// Every subcommand row of the reply tables, defined in reply_decoders_cases.cpp.
const std::vector<ReplyCase>& AllReplyCases();

// Index invariants that every posted record must keep, whatever the input; returns a
// description of the first violation, or an empty string.
std::string RecordViolation(const Posted& post);

}  // namespace reply_test
