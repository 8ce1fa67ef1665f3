#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "session/DeviceSettingsCommand.h"

class AcquisitionSession;

// The device options of acquire and spectrum: --device K (the slot the
// settings go to; every spectrometer without it), one option per device
// setting (--exposure-us N, --averaging N, --aux N), --led on|off and --dark.
struct CliDeviceOptions {
    int device = ALL_SPECTROMETERS;
    DeviceSettingValues settings;
    std::optional<bool> led;
    bool dark = false;
};

// Takes the options out of args; false with a one-line message for a bad
// one, a value out of range among them (checked before any port is opened).
bool TakeDeviceOptions(QStringList& args, CliDeviceOptions& options, QString& error);

// The LED state, then the settings (each read back), then the dark, each
// waited for in turn between the session's ticks; a refusal or the first
// device that fails stops the chain. Runs the event loop until it is done;
// the failure, empty when everything was taken.
QString ApplyDeviceOptions(AcquisitionSession& session, const CliDeviceOptions& options);
