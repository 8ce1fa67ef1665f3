#pragma once

#include <cstddef>
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
// Both kinds: baud=N (reply bytes leave at N baud, 10 bits a byte; default:
//   at once) and latency_us=U (the device's turnaround per exchange, default 0).
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

// How long a simulated link takes, in real time: the request's and the reply's
// bytes at `baud` (10 bits a byte) plus the device's turnaround. With baud 0
// and no latency replies are there at once and a missing one fails at once.
struct SimWireTime {
    int baud = 0;
    int latencyUs = 0;
    bool timed() const { return baud > 0 || latencyUs > 0; }
    // Microseconds from the start of a request of requestBytes until the last
    // of replyBytes has arrived.
    std::int64_t exchangeUs(std::size_t requestBytes, std::size_t replyBytes) const {
        const std::int64_t bytes = std::int64_t(requestBytes + replyBytes);
        const std::int64_t wire = baud > 0 ? (bytes * 10 * 1000000 + baud - 1) / baud : 0;
        return wire + latencyUs;
    }
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
    SimWireTime wire;

    bool isLed() const { return kind == SimKind::Led; }
    // USB identity the device's port carries: 3D7E:0825 direct, 1A86:7523 behind
    // the bridge, 3D7E:0B20 for the LED unit.
    std::uint16_t vendorId() const;
    std::uint16_t productId() const;
};

// Parses a DEVICES text. On failure returns false with a one-line message
// naming the device (counted from 1) and what is wrong with it.
bool ParseDeviceSpecs(const QString& text, std::vector<SimDeviceSpec>& deviceSpecs, QString& error);
