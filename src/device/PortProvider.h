#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "device/Transport.h"

// One entry of the device-setup enumeration: what the system knows of a USB
// device that presents a serial port.
struct UsbDeviceInfo {
    QString description;   // e.g. "USB Serial Device"
    QString friendlyName;  // description + " " + port tag, e.g. "USB Serial Device (ttyACM0)"
    QString hardwareId;    // e.g. "USB\\VID_3D7E&PID_0825\\S12345"
};

// Where ports come from: the serial ports of the system, ports declared on the
// command line, or simulated devices.
class PortProvider {
  public:
    virtual ~PortProvider() = default;
    // Candidate port names, in the order they are tried.
    virtual std::vector<QString> candidatePorts() = 0;
    // The whole device enumeration; UsbIdMatchesPort searches it.
    virtual std::vector<UsbDeviceInfo> enumerateDevices() = 0;
    // Opens a port exclusively; nullptr when it does not exist or is held.
    virtual std::unique_ptr<Transport> open(const QString& portName) = 0;
};

// "(" + name + ")": matched against friendly names and shown in the device list.
QString PortTag(const QString& portName);
