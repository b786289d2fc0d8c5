#include "platform/device_watcher.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <libudev.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <utility>

#include "link/protocol.h"
#include "platform/hid_transport.h"
#include "shell/run_log.h"
#include "sim/virtual_amplifier.h"

namespace platform {
namespace {

constexpr std::chrono::milliseconds kPollPeriod{1000};
// How often the virtual amplifier is ticked, so that a restarting one comes back while nobody
// reads from it.
constexpr std::chrono::milliseconds kSimulatedTickPeriod{100};

// A change of presence, as the watchers report it.
void Announce(DeviceWatcher* watcher, bool present) {
    runlog::Log("DeviceWatcher(%s): amplifier %s\n", watcher->Kind(),
                present ? "arrived" : "removed");
    if (present) {
        emit watcher->arrived();
    } else {
        emit watcher->removed();
    }
}

std::optional<unsigned long> ParseHex(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    unsigned long value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return value;
}

// --- udev ---

class UdevEventSource : public HotplugEventSource {
  public:
    static std::unique_ptr<UdevEventSource> Create() {
        // Without the daemon the monitor opens fine and then never hears a thing.
        if (::access("/run/udev/control", F_OK) != 0) {
            return nullptr;
        }
        auto source = std::unique_ptr<UdevEventSource>(new UdevEventSource(udev_new()));
        if (source->mUdev == nullptr) {
            return nullptr;
        }
        source->mMonitor = udev_monitor_new_from_netlink(source->mUdev, "udev");
        if (source->mMonitor == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(source->mMonitor, "hidraw", nullptr) <
                0 ||
            udev_monitor_enable_receiving(source->mMonitor) < 0 ||
            udev_monitor_get_fd(source->mMonitor) < 0) {
            return nullptr;
        }
        return source;
    }

    ~UdevEventSource() override {
        if (mMonitor != nullptr) {
            udev_monitor_unref(mMonitor);
        }
        if (mUdev != nullptr) {
            udev_unref(mUdev);
        }
    }

    int Fd() const override { return udev_monitor_get_fd(mMonitor); }

    std::vector<std::string> PresentNodes() override {
        std::vector<std::string> nodes;
        udev_enumerate* enumerate = udev_enumerate_new(mUdev);
        if (enumerate == nullptr) {
            return nodes;
        }
        if (udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
            udev_enumerate_scan_devices(enumerate) >= 0) {
            udev_list_entry* entry;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
                const char* syspath = udev_list_entry_get_name(entry);
                udev_device* device = udev_device_new_from_syspath(mUdev, syspath);
                if (device == nullptr) {
                    continue;
                }
                if (IsAmplifier(device)) {
                    nodes.emplace_back(syspath);
                }
                udev_device_unref(device);
            }
        }
        udev_enumerate_unref(enumerate);
        return nodes;
    }

    std::optional<HotplugEvent> Receive() override {
        udev_device* device = udev_monitor_receive_device(mMonitor);
        if (device == nullptr) {
            return std::nullopt;
        }
        HotplugEvent event;
        const char* action = udev_device_get_action(device);
        const std::string_view verb = action == nullptr ? std::string_view() : action;
        if (verb == "add") {
            event.action = HotplugEvent::Action::Add;
        } else if (verb == "remove") {
            event.action = HotplugEvent::Action::Remove;
        }
        const char* syspath = udev_device_get_syspath(device);
        event.node = syspath == nullptr ? std::string() : syspath;
        event.amplifier = IsAmplifier(device);
        udev_device_unref(device);
        return event;
    }

  private:
    explicit UdevEventSource(udev* context) : mUdev(context) {}

    // A hidraw node is ours when its HID parent names our vendor and product.
    static bool IsAmplifier(udev_device* device) {
        // The parent belongs to the child; it must not be released here.
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
        if (hid == nullptr) {
            return false;
        }
        const char* hidId = udev_device_get_property_value(hid, "HID_ID");
        return hidId != nullptr && HidIdIsAmplifier(hidId);
    }

    udev* mUdev = nullptr;
    udev_monitor* mMonitor = nullptr;
};

class EventDeviceWatcher : public DeviceWatcher {
  public:
    explicit EventDeviceWatcher(std::unique_ptr<HotplugEventSource> source)
        : mSource(std::move(source)) {
        for (std::string& node : mSource->PresentNodes()) {
            mNodes.insert(std::move(node));
        }
        mNotifier = new QSocketNotifier(mSource->Fd(), QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, [this] { Drain(); });
    }

    const char* Kind() const override { return "udev"; }

  private:
    void Drain() {
        const QPointer<EventDeviceWatcher> alive(this);
        while (std::optional<HotplugEvent> event = mSource->Receive()) {
            const bool before = !mNodes.empty();
            if (event->action == HotplugEvent::Action::Add && event->amplifier) {
                mNodes.insert(event->node);
            } else if (event->action == HotplugEvent::Action::Remove) {
                // Known by node, since a removed device can no longer show its parent.
                mNodes.erase(event->node);
            }
            const bool after = !mNodes.empty();
            if (before != after) {
                Announce(this, after);
                if (alive.isNull()) {
                    return;  // a listener destroyed us
                }
            }
        }
    }

    std::unique_ptr<HotplugEventSource> mSource;
    QSocketNotifier* mNotifier = nullptr;
    std::set<std::string> mNodes;
};

// --- polling ---

class PollingDeviceWatcher : public DeviceWatcher {
  public:
    PollingDeviceWatcher(std::function<bool()> present, std::chrono::milliseconds period)
        : mPresent(std::move(present)), mWasPresent(mPresent()) {
        mTimer.setInterval(period);
        connect(&mTimer, &QTimer::timeout, this, [this] { Poll(); });
        mTimer.start();
    }

    const char* Kind() const override { return "polling"; }

  private:
    void Poll() {
        const bool present = mPresent();
        if (present != mWasPresent) {
            mWasPresent = present;
            Announce(this, present);
        }
    }

    std::function<bool()> mPresent;
    bool mWasPresent;
    QTimer mTimer;
};

// --- the virtual amplifier ---

class SimulatedDeviceWatcher : public DeviceWatcher {
  public:
    explicit SimulatedDeviceWatcher(std::shared_ptr<sim::VirtualAmplifier> amplifier)
        : mAmplifier(std::move(amplifier)), mRelay(std::make_shared<Relay>()) {
        mRelay->target = this;
        std::shared_ptr<Relay> relay = mRelay;
        mAmplifier->SetHotplugCallbacks([relay] { relay->Post(true); },
                                        [relay] { relay->Post(false); });
        // In the time of the transport's clock, which the amplifier keeps: the link's waits and
        // the amplifier's restarts must run on one time, virtual or real.
        mTicker.setInterval(kSimulatedTickPeriod);
        connect(&mTicker, &QTimer::timeout, this, [this] { mAmplifier->TickNow(); });
        mTicker.start();
    }

    ~SimulatedDeviceWatcher() override {
        mAmplifier->SetHotplugCallbacks({}, {});
        // A callback copied out before the line above may still be running on another
        // thread; it finds no target once this returns.
        std::lock_guard<std::mutex> guard(mRelay->lock);
        mRelay->target = nullptr;
    }

    const char* Kind() const override { return "simulated"; }

  private:
    // Shared with the callbacks, which may outlive the watcher by a moment.
    struct Relay {
        std::mutex lock;
        SimulatedDeviceWatcher* target = nullptr;

        void Post(bool present) {
            std::lock_guard<std::mutex> guard(lock);
            if (target == nullptr) {
                return;
            }
            // Queued even on the UI thread: the plug-in operation must not run inside PlugIn().
            // Events still queued when the watcher dies are dropped with it.
            SimulatedDeviceWatcher* watcher = target;
            QMetaObject::invokeMethod(
                watcher, [watcher, present] { Announce(watcher, present); }, Qt::QueuedConnection);
        }
    };

    std::shared_ptr<sim::VirtualAmplifier> mAmplifier;
    std::shared_ptr<Relay> mRelay;
    QTimer mTicker;
};

}  // namespace

DeviceWatcher::~DeviceWatcher() = default;

bool HidIdIsAmplifier(std::string_view hidId) {
    const size_t first = hidId.find(':');
    if (first == std::string_view::npos) {
        return false;
    }
    const size_t second = hidId.find(':', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    const auto bus = ParseHex(hidId.substr(0, first));
    const auto vendor = ParseHex(hidId.substr(first + 1, second - first - 1));
    const auto product = ParseHex(hidId.substr(second + 1));
    return bus && vendor && product && *vendor == dsplink::kVendorId &&
           *product == dsplink::kProductId;
}

std::unique_ptr<HotplugEventSource> MakeUdevEventSource() {
    return UdevEventSource::Create();
}

std::unique_ptr<DeviceWatcher> MakeEventDeviceWatcher(std::unique_ptr<HotplugEventSource> source) {
    return std::make_unique<EventDeviceWatcher>(std::move(source));
}

std::unique_ptr<DeviceWatcher> MakePollingDeviceWatcher(std::function<bool()> present,
                                                        std::chrono::milliseconds period) {
    return std::make_unique<PollingDeviceWatcher>(std::move(present), period);
}

std::unique_ptr<DeviceWatcher> MakeSimulatedDeviceWatcher(
    std::shared_ptr<sim::VirtualAmplifier> amplifier) {
    return std::make_unique<SimulatedDeviceWatcher>(std::move(amplifier));
}

std::unique_ptr<DeviceWatcher> MakeDeviceWatcher() {
    if (std::unique_ptr<HotplugEventSource> source = MakeUdevEventSource()) {
        runlog::Log("DeviceWatcher: udev\n");
        return MakeEventDeviceWatcher(std::move(source));
    }
    runlog::Log("DeviceWatcher: udev unavailable, polling every %d ms\n",
                static_cast<int>(kPollPeriod.count()));
    return MakePollingDeviceWatcher(AmplifierPresent, kPollPeriod);
}

}  // namespace platform
