#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QString>

// A device's open port: two verbs. Nothing above this knows whether a serial
// port or a simulated device sits behind it.
class Transport {
  public:
    virtual ~Transport() = default;
    // Writes the bytes; returns how many were written (the caller reads a reply
    // only after a complete write). Input left over from an earlier exchange (a
    // reply that came after its wait ran out) is dropped first, so it cannot be
    // taken for the answer to this request.
    virtual std::size_t write(std::span<const std::uint8_t> bytes) = 0;
    // Reads exactly into.size() bytes within a short bound derived from the
    // size. Returns false when the reply did not arrive in full; the contents of
    // `into` are then unspecified, so callers read into scratch first.
    virtual bool read(std::span<std::uint8_t> into) = 0;
    // Sets up a port behind the USB-serial bridge chip: 921600 baud, 8N1, CTS
    // flow control off. Nothing else about the port is changed.
    virtual void configureBridge() {}
    // Port name as listed, e.g. "ttyUSB0", "pts/5", "COM7", "sim1".
    virtual QString portName() const = 0;
    // The port itself is gone (the device node was removed with the cable):
    // nothing will pass through it again; it is to be closed and opened anew.
    virtual bool gone() const { return false; }
};

// Bound for one read of n bytes at 921600 baud (10 bits per byte) plus a margin
// for the device's own turnaround.
int ReplyTimeoutMs(std::size_t n);
