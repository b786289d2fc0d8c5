#pragma once
// Arrival and removal of the amplifier (USB HID 0483:5750), for the main window's plug-in and
// plug-out operations. One interface, three sources:
//  - udev: a monitor on the "hidraw" subsystem, read on the UI thread through a socket
//    notifier; a node counts when its HID parent carries our vendor and product;
//  - polling: HID enumeration on a timer, when udev cannot be used (no udev daemon, no
//    netlink in a container);
//  - the virtual amplifier's plug and unplug.
// Signals are always delivered on the thread that owns the watcher (the UI thread), never from
// inside the call that caused them. "arrived" means the amplifier went from absent to present,
// "removed" the reverse; the state the watcher starts in raises nothing, since start-up
// connects by itself.

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {
class VirtualAmplifier;
}

namespace platform {

class DeviceWatcher : public QObject {
    Q_OBJECT

  public:
    ~DeviceWatcher() override;

    // "udev", "polling" or "simulated", for the run log.
    virtual const char* Kind() const = 0;

  signals:
    void arrived();
    void removed();

  protected:
    DeviceWatcher() = default;
};

// udev when it is usable, else polling with AmplifierPresent() once a second.
std::unique_ptr<DeviceWatcher> MakeDeviceWatcher();

// Follows `amplifier`'s plug and unplug (its hot-plug callbacks, which may run on any thread).
// The watcher owns the callbacks until it is destroyed, and clears them then. It also ticks the
// amplifier every 100 ms, so that one restarting comes back while nobody reads from it.
std::unique_ptr<DeviceWatcher> MakeSimulatedDeviceWatcher(
    std::shared_ptr<sim::VirtualAmplifier> amplifier);

// Asks `present` every `period` and reports its changes.
std::unique_ptr<DeviceWatcher> MakePollingDeviceWatcher(std::function<bool()> present,
                                                        std::chrono::milliseconds period);

// --- The event-driven watcher, open for other event sources (tests use a socket pair). ---

struct HotplugEvent {
    enum class Action { Add, Remove, Other };
    Action action = Action::Other;
    std::string node;        // names one device node for its lifetime (the sysfs path)
    bool amplifier = false;  // known to be 0483:5750 (removals often cannot tell any more)
};

class HotplugEventSource {
  public:
    virtual ~HotplugEventSource() = default;
    // Readable while events wait.
    virtual int Fd() const = 0;
    // The amplifier's nodes present now.
    virtual std::vector<std::string> PresentNodes() = 0;
    // The next waiting event, or nothing when none is left.
    virtual std::optional<HotplugEvent> Receive() = 0;
};

// A udev monitor on "hidraw"; null when udev is not usable here.
std::unique_ptr<HotplugEventSource> MakeUdevEventSource();

// Tracks the amplifier's nodes: arrival with the first, removal with the last.
std::unique_ptr<DeviceWatcher> MakeEventDeviceWatcher(std::unique_ptr<HotplugEventSource> source);

// Whether a udev HID_ID ("0003:00000483:00005750": bus, vendor, product in hex) is ours.
bool HidIdIsAmplifier(std::string_view hidId);

}  // namespace platform
