#pragma once

#include <cstdint>

#include <QFile>
#include <QString>
#include <QStringList>

#include "device/Clock.h"
#include "device/TraceLog.h"

// Trace times that move only when told: each steady reading advances the
// counter by `stepUs`, and sleeping (a scripted port waiting out a missing
// reply) advances both counters, so trace lines come out exactly the same on
// every run.
class SteppingTime final : public TraceTimeSource, public Clock {
  public:
    std::int64_t wall = 1796724123123;  // 2026-12-08T10:02:03.123Z
    std::int64_t steady = 1000;
    std::int64_t stepUs = 5;

    std::int64_t wallMs() override { return wall; }
    std::int64_t steadyUs() override { return steady += stepUs; }
    std::uint32_t tickMs() override { return std::uint32_t(steady / 1000); }
    void sleepMs(int ms) override {
        steady += std::int64_t(ms) * 1000;
        wall += ms;
    }
    std::int64_t nowSeconds() override { return wall / 1000; }
};

// A time source owned by the log that forwards to one the test keeps.
class TimeRef final : public TraceTimeSource {
  public:
    explicit TimeRef(TraceTimeSource& time) : time_(time) {}
    std::int64_t wallMs() override { return time_.wallMs(); }
    std::int64_t steadyUs() override { return time_.steadyUs(); }

  private:
    TraceTimeSource& time_;
};

// The file's lines without the trailing newline.
inline QStringList FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
