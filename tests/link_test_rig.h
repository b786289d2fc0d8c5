#pragma once
// Shared by the operation tests: one open DspLink over the scripted transport that answers
// every request as the amplifier would, the report a frame must be on the wire, table rows of
// calls and their frames, silent-device time-outs and run log capture.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_transport.h"
#include "link/dsp_link.h"
#include "shell/run_log.h"

namespace link_test {

using Bytes = std::vector<uint8_t>;

inline std::string Hex(const Bytes& bytes) {
    std::string text;
    char item[4];
    for (uint8_t b : bytes) {
        std::snprintf(item, sizeof item, "%02X ", b);
        text += item;
    }
    return text;
}

inline constexpr uint8_t W = 0xBB;
inline constexpr uint8_t R = 0x66;

struct Wire {
    uint8_t type;
    uint8_t subcmd;
    uint8_t optype;
    Bytes payload;
};

// The whole 65-byte report the frame must be, checksum worked out here independently.
inline Bytes Report(const Wire& w) {
    Bytes r(65, 0);
    r[1] = 0xAA;
    r[2] = 0x55;
    r[3] = static_cast<uint8_t>(w.payload.size() + 3);
    r[4] = w.type;
    r[5] = w.subcmd;
    r[6] = w.optype;
    unsigned sum = r[3] + r[4] + r[5] + r[6];
    for (size_t i = 0; i < w.payload.size(); ++i) {
        r[7 + i] = w.payload[i];
        sum += w.payload[i];
    }
    r[7 + w.payload.size()] = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    return r;
}

// The 64-byte input report of one frame from the device: the output report without its ID.
inline Bytes DeviceReport(const Wire& w) {
    const Bytes report = Report(w);
    return Bytes(report.begin() + 1, report.end());
}

// The amplifier's answer to a written report: a write is acknowledged as taken, a read gets
// values behind the head of the request, which the clipping reads repeat without their scene
// byte.
inline Bytes AnswerTo(const Bytes& written) {
    const uint8_t type = written[4];
    const uint8_t subcmd = written[5];
    const uint8_t optype = written[6];
    const Bytes payload(written.begin() + 7, written.begin() + 4 + written[3]);
    if (optype == W) {
        return DeviceReport(
            {type, subcmd, 0xEE, {0x0A, payload.empty() ? uint8_t{0} : payload[0]}});
    }
    const bool clipping = type == 1 && (subcmd == 0x40 || subcmd == 0x41);
    return DeviceReport(
        {type, subcmd, 0xDD, clipping ? Bytes(payload.begin() + 1, payload.end()) : payload});
}

// One open link over the fake. With `answer`, every write is answered at once, so a
// send-at-once operation gets its answer without waiting.
struct Rig {
    explicit Rig(bool answer = true) {
        if (answer) {
            script->responder = AnswerTo;
        }
        link = std::make_unique<dsplink::DspLink>(
            std::make_unique<testing_support::FakeTransport>(script, clock), clock);
        EXPECT_EQ(link->Open(), dsplink::OpenResult::Opened);
    }
    // Waits in virtual time for McuCmdThread to write `count` reports.
    bool WaitForWrites(size_t count) {
        for (int i = 0; i < 20000; ++i) {
            if (script->Written().size() >= count) {
                return true;
            }
            clock.SleepMs(1);
        }
        return false;
    }
    // Lets `ms` of virtual time pass in 5 ms sleeps: long enough for the worker to have sent
    // anything that was queued.
    void PassTime(int ms) {
        for (int i = 0; i < ms / 5; ++i) {
            clock.SleepMs(5);
        }
    }

    dsplink::ManualClock clock;
    std::shared_ptr<testing_support::TransportScript> script =
        std::make_shared<testing_support::TransportScript>();
    std::unique_ptr<dsplink::DspLink> link;
};

using Call = std::function<bool(dsplink::DspLink&)>;

struct Row {
    const char* name;
    Call call;
    Wire want;
};

// Each call succeeds and writes exactly its frame, on a fresh link.
inline void ExpectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        EXPECT_TRUE(row.call(*rig.link));
        const auto written = rig.script->Written();
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(Hex(written[0]), Hex(Report(row.want)));
    }
}

// A send-at-once call to a device that never answers: it writes its report `tries` times, fails,
// and gives up after its time-out (within a second) in virtual time.
inline void ExpectTimesOut(const Call& call, int64_t timeoutMs,
                           size_t tries = dsplink::kRequestAttempts) {
    Rig rig(false);
    bool result = true;
    int64_t elapsed = 0;
    {
        // Moves virtual time on in 10 ms steps so that long time-outs pass in little real time.
        std::jthread ticker([&rig](std::stop_token stop) {
            while (!stop.stop_requested()) {
                rig.clock.Advance(10'000);
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
        });
        const int64_t start = rig.clock.NowMs();
        result = call(*rig.link);
        elapsed = rig.clock.NowMs() - start;
    }
    EXPECT_FALSE(result);
    const auto written = rig.script->Written();
    ASSERT_EQ(written.size(), tries);
    for (const Bytes& report : written) {
        EXPECT_EQ(Hex(report), Hex(written[0]));
    }
    EXPECT_GE(elapsed, timeoutMs);
    EXPECT_LT(elapsed, timeoutMs + 1000);
}

// The run log, captured to a file for the duration of one test. Each test binary names its own
// file, so that binaries run side by side do not share one.
class LogCapture {
  public:
    explicit LogCapture(const std::string& fileName)
        : mPath(::testing::TempDir() + fileName), mSink(std::fopen("/dev/null", "wb")) {
        EXPECT_TRUE(runlog::Open(mPath, mSink));
    }
    ~LogCapture() {
        runlog::Close();
        std::fclose(mSink);
        std::remove(mPath.c_str());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() {
        runlog::Close();
        std::ifstream in(mPath);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Closes the log; each line must then be found in it whole.
    void ExpectLines(std::initializer_list<const char*> lines) {
        const std::string text = Text();
        for (const char* line : lines) {
            EXPECT_NE(text.find(line), std::string::npos) << line;
        }
    }

  private:
    std::string mPath;
    std::FILE* mSink;
};

}  // namespace link_test
