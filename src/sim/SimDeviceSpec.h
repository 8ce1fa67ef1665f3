#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

// What one simulated device is, as written in a DEVICES text such as
//   "vis:serial=S1,nir:link=bridge:lx=1:records=20,led:name=Bench LED"
// Devices are separated by ',', options by ':'. KIND is vis (340-850 nm), nir
// (sensor model "K52817QX-03"), uv ("K60293QX") or led.
// Spectrometer options: serial=TEXT, fw=TEXT (version text, default "1.6"),
//   link=direct|bridge, lx=0|1, records=N (logged records, needs lx=1, default 12),
//   model=TEXT (sensor model text; the grid follows it), fault=FAULT.
// LED options: name=TEXT (default "Velarim LED"), fw=TEXT (default "1.0"), fault=FAULT.
// FAULT: silent | short | garble | unplug@N (see SimFault).
enum class SimKind { Vis, Nir, Uv, Led };

// A fault the device shows on request.
struct SimFault {
    enum class Kind {
        None,
        Silent,       // parses every request and never answers
        Short,        // every reply lacks its last quarter (at least one byte)
        Garble,       // every reply has the right size but wrong bytes
        UnplugAfter,  // answers the first `exchanges` requests, then nothing
    };
    Kind kind = Kind::None;
    int exchanges = 0;
};

struct SimDeviceSpec {
    SimKind kind = SimKind::Vis;
    QByteArray serial;    // default "S1000k", k counting the spectrometers from 1
    QByteArray firmware;  // default "1.6" (spectrometers), "1.0" (LED unit)
    QByteArray model;     // default by kind: "VIS-S10", "K52817QX-03", "K60293QX"
    QByteArray name;      // LED unit only, default "Velarim LED"
    bool bridged = false;
    bool lx = false;
    int records = 12;  // logged records of an LX device
    SimFault fault;

    bool isLed() const { return kind == SimKind::Led; }
    // USB identity the device's port carries: 3D7E:0825 direct, 1A86:7523 behind
    // the bridge, 3D7E:0B20 for the LED unit.
    std::uint16_t vendorId() const;
    std::uint16_t productId() const;
};

// Parses a DEVICES text. On failure returns false with a one-line message
// naming the device (counted from 1) and what is wrong with it.
bool ParseDeviceSpecs(const QString& text, std::vector<SimDeviceSpec>& deviceSpecs, QString& error);
