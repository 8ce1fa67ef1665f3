#pragma once

#include <cmath>
#include <limits>

#include "data/MeasurementDataSet.h"

// A small run for the trend tests, values chosen so that every series can be
// worked out by hand. Grid 340..850 nm, devices "S1" and "S2", Tokyo time.
//   record 0 (2024/03/01 23:59:58): S1 zero but 450 nm = 100.25, 500..502 nm = 1, 2, 4,
//            600 nm = 1000, temperature 25.5; S2 not answering (NaN everywhere).
//   record 1 (2024/03/02 00:00:03): S1 zero but 520 nm = 1000 (one line), 24.0 degC;
//            S2 flat 10 but NaN at 700 nm, -3.25 degC.
//   record 2 (2024/03/02 00:01:03): S1 flat 100 (equal energy), 26.0 degC; S2 flat 10, 20.0 degC.
inline constexpr std::int64_t kTrendStamp0 = 1709305198;  // 2024-03-01 23:59:58 JST

inline void FillTrendSample(MeasurementDataSet& data) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    data.deviceCount = 2;
    data.pointCount = 511;
    data.firstWavelength = 340;
    data.serialText[0] = "S1";
    data.serialText[1] = "S2";
    const auto at = [](int nm) { return nm - 340; };
    const std::int64_t stamps[3] = {kTrendStamp0, kTrendStamp0 + 5, kTrendStamp0 + 65};
    for (std::int64_t s : stamps)
        data.AppendRecord(s);
    auto& a0 = data.entry(0, 0);
    a0.values.fill(0.0f);
    a0.values[at(450)] = 100.25f;
    a0.values[at(500)] = 1.0f;
    a0.values[at(501)] = 2.0f;
    a0.values[at(502)] = 4.0f;
    a0.values[at(600)] = 1000.0f;
    a0.temperature = 25.5f;
    auto& b0 = data.entry(1, 0);
    b0.values.fill(nan);
    b0.temperature = nan;
    auto& a1 = data.entry(0, 1);
    a1.values.fill(0.0f);
    a1.values[at(520)] = 1000.0f;
    a1.temperature = 24.0f;
    auto& b1 = data.entry(1, 1);
    b1.values.fill(10.0f);
    b1.values[at(700)] = nan;
    b1.temperature = -3.25f;
    auto& a2 = data.entry(0, 2);
    a2.values.fill(100.0f);
    a2.temperature = 26.0f;
    auto& b2 = data.entry(1, 2);
    b2.values.fill(10.0f);
    b2.temperature = 20.0f;
}
