// Arrival and removal of the amplifier through the device watchers.

#include "platform/device_watcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "link/frame.h"
#include "link/subcommands.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using namespace std::chrono_literals;

// Records what a watcher reports and on which thread.
struct Recorder {
    explicit Recorder(platform::DeviceWatcher& watcher) {
        QObject::connect(&watcher, &platform::DeviceWatcher::arrived, [this] { Note('+'); });
        QObject::connect(&watcher, &platform::DeviceWatcher::removed, [this] { Note('-'); });
    }
    void Note(char what) {
        events += what;
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            offThread = true;
        }
    }
    std::string events;
    bool offThread = false;
};

// Runs the event loop until `done` holds or the time is up.
template <typename Done>
bool SpinUntil(Done done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

void Spin(int ms) {
    SpinUntil([] { return false; }, ms);
}

TEST(DeviceWatcherTest, HidIdsAreMatchedByVendorAndProduct) {
    EXPECT_TRUE(platform::HidIdIsAmplifier("0003:00000483:00005750"));
    EXPECT_TRUE(platform::HidIdIsAmplifier("3:483:5750"));
    EXPECT_TRUE(platform::HidIdIsAmplifier("0005:00000483:00005750"));  // any bus
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:00000483:00005751"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:00000484:00005750"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:00005750:00000483"));
    EXPECT_FALSE(platform::HidIdIsAmplifier(""));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:00000483"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003::00005750"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:0x483:00005750"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:100000483:00005750"));
    EXPECT_FALSE(platform::HidIdIsAmplifier("0003:00000483:00005750:1"));
}

// --- the virtual amplifier ---

TEST(DeviceWatcherTest, PlugAndUnplugFromAnotherThreadArriveOnTheUiThreadInOrder) {
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    auto watcher = platform::MakeSimulatedDeviceWatcher(amplifier);
    EXPECT_STREQ(watcher->Kind(), "simulated");
    Recorder recorder(*watcher);

    std::thread worker([amplifier] {
        for (int i = 0; i < 5; ++i) {
            amplifier->Unplug();
            amplifier->PlugIn();
        }
        amplifier->Unplug();
    });
    worker.join();
    ASSERT_TRUE(SpinUntil([&] { return recorder.events.size() == 11; })) << recorder.events;
    EXPECT_EQ(recorder.events, "-+-+-+-+-+-");
    EXPECT_FALSE(recorder.offThread);
}

TEST(DeviceWatcherTest, AChangeOnTheUiThreadIsReportedAfterTheCallReturns) {
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    auto watcher = platform::MakeSimulatedDeviceWatcher(amplifier);
    Recorder recorder(*watcher);
    amplifier->Unplug();
    EXPECT_EQ(recorder.events, "");  // the plug-out operation must not run inside Unplug()
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-"; }));
    amplifier->Unplug();  // already out: the amplifier raises nothing
    amplifier->PlugIn();
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-+"; })) << recorder.events;
}

TEST(DeviceWatcherTest, ADestroyedWatcherHearsNothingAndLeavesNothingBehind) {
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    auto watcher = platform::MakeSimulatedDeviceWatcher(amplifier);
    Recorder recorder(*watcher);
    amplifier->Unplug();  // queued, not yet delivered
    watcher.reset();
    Spin(50);
    EXPECT_EQ(recorder.events, "");
    // The callbacks are gone with the watcher; unplugging now must not reach it.
    amplifier->PlugIn();
    amplifier->Unplug();
    Spin(50);
    EXPECT_EQ(recorder.events, "");
}

TEST(DeviceWatcherTest, DestroyingTheWatcherWhileAnotherThreadPlugsIsSafe) {
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            amplifier->Unplug();
            amplifier->PlugIn();
        }
    });
    for (int i = 0; i < 50; ++i) {
        auto watcher = platform::MakeSimulatedDeviceWatcher(amplifier);
        Recorder recorder(*watcher);
        QCoreApplication::processEvents();
        EXPECT_FALSE(recorder.offThread);
    }
    stop = true;
    worker.join();
    Spin(20);
}

TEST(DeviceWatcherTest, ARestartingAmplifierComesBackWhileNobodyReads) {
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    sim::SimTransport transport(amplifier, clock);  // lends the amplifier its clock
    auto watcher = platform::MakeSimulatedDeviceWatcher(amplifier);
    Recorder recorder(*watcher);
    ASSERT_EQ(transport.Open(), dsplink::OpenResult::Opened);
    const auto reboot =
        dsplink::BuildOutputReport(dsplink::CMD_MCU, dsplink::MCU_REBOOT, dsplink::OP_WRITE, {});
    transport.Write(reboot.data(), reboot.size());
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-"; })) << recorder.events;
    // Only the watcher's ticks see the clock pass the restart time.
    clock.Advance(2'000'000);
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-+"; })) << recorder.events;
    EXPECT_TRUE(amplifier->IsPluggedIn());
}

// --- polling ---

TEST(DeviceWatcherTest, PollingReportsEachChangeOnceAndNotTheStartingState) {
    std::atomic<bool> present{true};
    auto watcher = platform::MakePollingDeviceWatcher([&] { return present.load(); }, 5ms);
    EXPECT_STREQ(watcher->Kind(), "polling");
    Recorder recorder(*watcher);
    Spin(40);
    EXPECT_EQ(recorder.events, "");
    present = false;
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-"; }));
    Spin(40);
    EXPECT_EQ(recorder.events, "-");
    present = true;
    ASSERT_TRUE(SpinUntil([&] { return recorder.events == "-+"; }));
    Spin(40);
    EXPECT_EQ(recorder.events, "-+");
}

// --- the event-driven watcher, fed through a socket pair ---

// Events written by the test to one end of a socket pair; the watcher reads the other.
class PairSource : public platform::HotplugEventSource {
  public:
    PairSource(int readEnd, std::vector<std::string> present)
        : mFd(readEnd), mPresent(std::move(present)) {}
    ~PairSource() override { ::close(mFd); }
    int Fd() const override { return mFd; }
    std::vector<std::string> PresentNodes() override { return mPresent; }
    std::optional<platform::HotplugEvent> Receive() override {
        char line[256];
        const ssize_t n = ::recv(mFd, line, sizeof line - 1, MSG_DONTWAIT);
        if (n <= 0) {
            return std::nullopt;
        }
        // "<+|-|?><1|0> node": action, whether the node is the amplifier, then the node.
        platform::HotplugEvent event;
        event.action = line[0] == '+'   ? platform::HotplugEvent::Action::Add
                       : line[0] == '-' ? platform::HotplugEvent::Action::Remove
                                        : platform::HotplugEvent::Action::Other;
        event.amplifier = line[1] == '1';
        event.node.assign(line + 3, static_cast<size_t>(n - 3));
        return event;
    }

  private:
    int mFd;
    std::vector<std::string> mPresent;
};

class EventWatcherTest : public ::testing::Test {
  protected:
    void Start(std::vector<std::string> present) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
        mWriteEnd = fds[1];
        mWatcher = platform::MakeEventDeviceWatcher(
            std::make_unique<PairSource>(fds[0], std::move(present)));
        mRecorder = std::make_unique<Recorder>(*mWatcher);
    }
    void TearDown() override {
        mRecorder.reset();
        mWatcher.reset();
        if (mWriteEnd >= 0) {
            ::close(mWriteEnd);
        }
    }
    void Send(const std::string& event) {
        ASSERT_EQ(::send(mWriteEnd, event.data(), event.size(), 0),
                  static_cast<ssize_t>(event.size()));
    }
    std::string Settle() {
        Spin(30);
        return mRecorder->events;
    }

    int mWriteEnd = -1;
    std::unique_ptr<platform::DeviceWatcher> mWatcher;
    std::unique_ptr<Recorder> mRecorder;
};

TEST_F(EventWatcherTest, FirstNodeArrivesAndLastNodeLeaves) {
    Start({});
    EXPECT_STREQ(mWatcher->Kind(), "udev");
    Send("+0 /sys/devices/keyboard/hidraw/hidraw0");
    EXPECT_EQ(Settle(), "");
    Send("+1 /sys/devices/amp/if0/hidraw/hidraw1");
    EXPECT_EQ(Settle(), "+");
    Send("+1 /sys/devices/amp/if1/hidraw/hidraw2");  // a second interface of the same device
    Send("?1 /sys/devices/amp/if1/hidraw/hidraw2");
    EXPECT_EQ(Settle(), "+");
    // Removals cannot name the device any more; they are recognised by node.
    Send("-0 /sys/devices/keyboard/hidraw/hidraw0");
    Send("-0 /sys/devices/amp/if0/hidraw/hidraw1");
    EXPECT_EQ(Settle(), "+");
    Send("-0 /sys/devices/amp/if1/hidraw/hidraw2");
    EXPECT_EQ(Settle(), "+-");
    Send("-0 /sys/devices/amp/if1/hidraw/hidraw2");
    EXPECT_EQ(Settle(), "+-");
    EXPECT_FALSE(mRecorder->offThread);
}

TEST_F(EventWatcherTest, AnAmplifierPresentAtStartRaisesNothingUntilItLeaves) {
    Start({"/sys/devices/amp/hidraw/hidraw3"});
    EXPECT_EQ(Settle(), "");
    Send("+1 /sys/devices/amp/hidraw/hidraw3");
    EXPECT_EQ(Settle(), "");
    Send("-0 /sys/devices/amp/hidraw/hidraw3");
    EXPECT_EQ(Settle(), "-");
    Send("+1 /sys/devices/amp/hidraw/hidraw4");
    EXPECT_EQ(Settle(), "-+");
}

TEST_F(EventWatcherTest, AListenerMayDestroyTheWatcher) {
    Start({});
    // Deleted inside its own notification, while events are still waiting behind it.
    QObject::connect(mWatcher.get(), &platform::DeviceWatcher::arrived,
                     [this] { delete mWatcher.release(); });
    Send("+1 /sys/amp/hidraw0");
    Send("-0 /sys/amp/hidraw0");
    Spin(30);
    EXPECT_EQ(mRecorder->events, "+");
    mRecorder.reset();
}

TEST(DeviceWatcherFactoryTest, TheSystemWatcherIsUdevOrPolling) {
    auto watcher = platform::MakeDeviceWatcher();
    ASSERT_NE(watcher, nullptr);
    const std::string kind = watcher->Kind();
    EXPECT_TRUE(kind == "udev" || kind == "polling") << kind;
    EXPECT_EQ(kind == "udev", platform::MakeUdevEventSource() != nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
