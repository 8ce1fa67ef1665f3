// Version numbers, firmware gates and the sensor model table.
#include <gtest/gtest.h>

#include "device/DeviceSlot.h"

namespace {

TEST(ParseVersionTest, LeadingDecimalNumber) {
    struct Case {
        QByteArray text;
        float value;
    };
    const Case cases[] = {
        {"1.6", 1.6f},     {"1.6abc", 1.6f}, {"", 0.0f},      {"x", 0.0f},    {"x1.6", 0.0f},
        {"2", 2.0f},       {"1.5", 1.5f},    {"1.4.2", 1.4f}, {" 1.7", 1.7f}, {".", 0.0f},
        {"10.25", 10.25f}, {"1e3", 1.0f},    {"1,6", 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(ParseVersion(c.text), c.value) << c.text.data();
}

TEST(FirmwareGateTest, AtLeastAndAboveDifferAtExactly15) {
    struct Case {
        const char* text;
        bool atLeast;
        bool above;
    };
    const Case cases[] = {
        {"1.4", false, false}, {"1.49", false, false},    {"1.5", true, false},
        {"1.50", true, false}, {"1.51", true, true},      {"1.6", true, true},
        {"", false, false},    {"garbage", false, false},
    };
    for (const Case& c : cases) {
        DeviceSlot slot;
        slot.version = ParseVersion(c.text);
        EXPECT_EQ(VersionAtLeast15(slot), c.atLeast) << c.text;
        EXPECT_EQ(VersionAbove15(slot), c.above) << c.text;
    }
}

TEST(SensorModelTest, TableRowsByExactText) {
    struct Case {
        QByteArray model;
        int points, first, pixels;
        bool nir, uv;
    };
    const Case cases[] = {
        {"K52817QX-03", 411, 640, 256, true, false},
        {"K60293QX", 251, 190, 288, false, true},
        {"K52817QX-03 ", 511, 340, 100, false, false},  // trailing blank
        {"K60293QX  ", 511, 340, 100, false, false},
        {"K60293QX-01", 511, 340, 100, false, false},  // longer text
        {"K52817QX", 511, 340, 100, false, false},     // prefix of a model
        {"k60293qx", 511, 340, 100, false, false},     // case matters
        {"", 511, 340, 100, false, false},
        {"S11639-01", 511, 340, 100, false, false},
    };
    for (const Case& c : cases) {
        const SensorProfile p = ProfileForSensorModel(c.model, 100);
        EXPECT_EQ(p.pointCount, c.points) << c.model.data();
        EXPECT_EQ(p.firstWavelength, c.first) << c.model.data();
        EXPECT_EQ(p.pixelCount, c.pixels) << c.model.data();
        EXPECT_EQ(p.nirSensor, c.nir) << c.model.data();
        EXPECT_EQ(p.uvSensor, c.uv) << c.model.data();
    }
    // The grids end where they should: 640..1050 and 190..440 nm.
    const SensorProfile nir = ProfileForSensorModel("K52817QX-03", 288);
    EXPECT_EQ(nir.firstWavelength + nir.pointCount - 1, 1050);
    const SensorProfile uv = ProfileForSensorModel("K60293QX", 256);
    EXPECT_EQ(uv.firstWavelength + uv.pointCount - 1, 440);
}

}  // namespace
