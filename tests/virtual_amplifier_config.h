#pragma once
// The main window's configuration for talking to a virtual amplifier: its transport and its
// plug and unplug.

#include <memory>

#include "platform/device_watcher.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "windows/main_wnd.h"

inline CMainWnd::Config VirtualAmplifierConfig(std::shared_ptr<sim::VirtualAmplifier> amplifier) {
    CMainWnd::Config config;
    config.makeTransport = [amplifier](dsplink::Clock& clock) {
        return std::make_unique<sim::SimTransport>(amplifier, clock);
    };
    config.makeWatcher = [amplifier](CMainWnd::DeviceReport report) {
        return CMainWnd::Relay(platform::MakeSimulatedDeviceWatcher(amplifier), std::move(report));
    };
    return config;
}
