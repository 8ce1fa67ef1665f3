#include "device/Transport.h"

// The bridge runs at 921600 baud with 10 bits per byte (start, 8 data, stop),
// so n bytes take n * 10 / 921600 s on the wire. A device on its own USB
// interface is faster than that, never slower. The margin covers the device's
// turnaround and the USB frame scheduling of both sides; the largest reply
// (a 2096-byte logged record, 23 ms on the wire) is thus given 123 ms.
int ReplyTimeoutMs(std::size_t n) {
    constexpr std::size_t kBitsPerByte = 10;
    constexpr std::size_t kBaud = 921600;
    constexpr int kMarginMs = 100;
    const std::size_t wireMs = (n * kBitsPerByte * 1000 + kBaud - 1) / kBaud;
    return static_cast<int>(wireMs) + kMarginMs;
}
