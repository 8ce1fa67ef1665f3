#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "CliCommand.h"
#include "device/DeviceLink.h"
#include "device/PortProvider.h"
#include "device/WorkerPortExecutor.h"

// The ports of a command and the link over them, set up as the window does at
// start: spectrometers detected (all at once, each port on its own worker),
// their stored identities read, the sensor profile chosen from them.
struct CliLink {
    std::unique_ptr<PortProvider> ports;
    std::unique_ptr<WorkerPortExecutor> executor;
    std::unique_ptr<DeviceLink> link;
    int count = 0;  // spectrometers found
};

// With withLed the LED unit is found and connected too (after the identities,
// before the profile, in the window's order). False with a message when the
// port options cannot give ports.
bool OpenCliLink(CliContext& context, CliLink& into, QString& error, bool withLed = false);

// The slot of a detected spectrometer, or nullptr with "no device in slot K" (in the
// language of the messages).
DeviceSlot* CliDeviceSlot(CliLink& cli, int device, QString& error);

// Runs the event loop until `start` has called the function it was given
// (port work hands its results back through the loop).
void WaitFor(const std::function<void(std::function<void()> done)>& start);

// Runs `work` on the channel's port and waits for its result.
template <class Result, class WorkFn>
Result AskAndWait(PortChannel& channel, WorkFn work) {
    Result out{};
    WaitFor([&](std::function<void()> done) {
        Ask<Result>(channel, std::move(work), [&out, done](Result r) {
            out = std::move(r);
            done();
        });
    });
    return out;
}
