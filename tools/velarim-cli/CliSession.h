#pragma once

#include <memory>

#include <QString>

#include "CliCommand.h"
#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "device/PortProvider.h"
#include "device/WorkerPortExecutor.h"
#include "session/AcquisitionSession.h"
#include "session/QtTimerHost.h"

// The acquisition session of a command, over its ports, as the window runs it:
// each port on its own worker, the session's timers on Qt's event loop.
struct CliSession {
    std::unique_ptr<PortProvider> ports;
    std::unique_ptr<WorkerPortExecutor> executor;
    std::unique_ptr<DeviceLink> link;
    MeasurementDataSet data;
    std::unique_ptr<QtTimerHost> timers;
    std::unique_ptr<AcquisitionSession> session;
    int count = 0;  // spectrometers found
    ~CliSession();
};

// Opens the ports and detects the spectrometers (the LED unit too with
// withLed), as the window does at start. False with a message when the port
// options cannot give ports.
bool OpenCliSession(CliContext& context, CliSession& into, QString& error, bool withLed);
