#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/Clock.h"
#include "device/CommandTable.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"

// A simulation on a fake clock with raw byte access to its ports.
struct SimBench {
    explicit SimBench(const QString& devices, std::uint32_t seed = 1) {
        QString error;
        sim = SimPortProvider::FromText(devices, clock, error, seed);
        if (!sim)
            throw std::runtime_error(error.toStdString());
    }

    // Opens port i, configuring the bridge when the device sits behind one.
    std::unique_ptr<Transport> open(int i, bool configure = true) {
        auto t = sim->open(sim->portName(i));
        if (t && configure && i < sim->portCount() && sim->spectrometer(i) &&
            sim->spectrometer(i)->deviceSpec().bridged)
            t->configureBridge();
        return t;
    }

    FakeClock clock;
    std::unique_ptr<SimPortProvider> sim;
};

inline QByteArray WordBytes(CommandWord w) {
    const auto b = w.bytes();
    return QByteArray(reinterpret_cast<const char*>(b.data()), 4);
}

inline QByteArray SettingBytes(CommandWord w, std::int32_t v) {
    QByteArray out = WordBytes(w);
    for (int i = 0; i < 4; ++i)
        out.append(char((std::uint32_t(v) >> (8 * i)) & 0xFF));
    return out;
}

inline void Send(Transport& t, const QByteArray& bytes) {
    t.write({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
}

// Everything the device answered to `request` (reads what is there, up to `max`).
inline QByteArray Drain(Transport& t, int max = 4096) {
    QByteArray out;
    std::uint8_t b = 0;
    while (out.size() < max && t.read({&b, 1}))
        out.append(char(b));
    return out;
}

inline QByteArray Ask(Transport& t, const QByteArray& request) {
    Send(t, request);
    return Drain(t);
}

inline QByteArray Ask(Transport& t, CommandWord w) {
    return Ask(t, WordBytes(w));
}

template <typename T>
T At(const QByteArray& bytes, int offset) {
    T v{};
    std::memcpy(&v, bytes.constData() + offset, sizeof(T));
    return v;
}

inline std::vector<float> Floats(const QByteArray& bytes) {
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.constData(), out.size() * 4);
    return out;
}

// A whole spectrum (direct) or the 32 pages (bridged), as 511 floats.
inline std::vector<float> ReadSpectrum(Transport& t, bool bridged, int points) {
    QByteArray all;
    if (!bridged) {
        all = Ask(t, WholeWord(CMD_GET_SPECTRUM, std::size_t(points) * 4));
    } else {
        for (int p = 0; p < 32; ++p)
            all += Ask(t, PageWord(CMD_GET_SPECTRUM, std::uint8_t(p), SPECTRUM_BYTES));
    }
    return Floats(all);
}
