#include <cstring>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "device/CommandTable.h"
#include "session/SensorInfo.h"
#include "support/ScriptedTransport.h"

namespace {

// A spectrometer that knows its calibration tables for P pixels:
// wave 300 + 2.5 i, gain 1 + i / 1000, dark 1000 + i (0.05 s) and 2000 + i (0.5 s).
class CalibratedDevice {
  public:
    explicit CalibratedDevice(int pixels) : p_(pixels) {}

    std::vector<std::uint8_t> Answer(CommandWord w) const {
        if (w == CMD_GET_SENSOR_MODEL)
            return TextReply("K52817QX-03", 16);
        if (w == CMD_GET_SERIAL)
            return TextReply("SN0042", 16);
        if (w == CMD_GET_CAL_COEFFS) {
            std::vector<std::uint8_t> b(48);
            const double comp[6] = {312.345678, -1.5e-3, 2.25e-7, 0.0, 1.0, -123456.789};
            std::memcpy(b.data(), comp, 48);
            return b;
        }
        std::vector<std::uint8_t> table;
        if (w.code == CMD_GET_PIXEL_WAVELENGTHS || w.code == CMD_GET_PIXEL_GAINS) {
            table.resize(std::size_t(p_) * 4);
            for (int i = 0; i < p_; ++i)
                PutFloat(
                    table, std::size_t(i) * 4,
                    w.code == CMD_GET_PIXEL_WAVELENGTHS ? 300.0f + 2.5f * i : 1.0f + i / 1000.0f);
        } else if (w.code == CMD_GET_DARK_TABLES) {
            table.resize(std::size_t(p_) * 8);
            for (int i = 0; i < p_; ++i) {
                PutFloat(table, std::size_t(i) * 4, 1000.0f + i);
                PutFloat(table, std::size_t(p_ + i) * 4, 2000.0f + i);
            }
        } else {
            return {};
        }
        const std::size_t at = std::size_t(w.page) * 64;
        if (at + w.length > table.size())
            return {};
        return {table.begin() + at, table.begin() + at + w.length};
    }

  private:
    int p_;
};

struct InfoCase {
    int pixels;
    bool bridged;
    int pagesPerSingleTable;  // 0: whole reads
};

class SensorInfoRead : public ::testing::TestWithParam<InfoCase> {};

TEST_P(SensorInfoRead, LinesAndRequestWords) {
    const InfoCase c = GetParam();
    CalibratedDevice device(c.pixels);
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });

    const SensorInfo info = ReadSensorInfo(port, c.bridged, c.pixels);
    const auto lines = SensorInfoLines(info);

    ASSERT_EQ(lines.size(), 9u + c.pixels);
    EXPECT_EQ(lines[0], "Sensor,K52817QX-03");
    EXPECT_EQ(lines[1], "Serial,SN0042");
    EXPECT_EQ(lines[2], "comp 1, 3.12345678e+02");
    EXPECT_EQ(lines[3], "comp 2, -1.50000000e-03");
    EXPECT_EQ(lines[4], "comp 3, 2.25000000e-07");
    EXPECT_EQ(lines[5], "comp 4, 0.00000000e+00");
    EXPECT_EQ(lines[7], "comp 6, -1.23456789e+05");
    EXPECT_EQ(lines[8], "pixel,   wave, dark(0.05s), dark(0.5s),    gain");
    EXPECT_EQ(lines[9], "    1,  300.0,  1000.0,  2000.0,   1.000");
    // Last pixel: each dark column shows its own table, split at P.
    const int last = c.pixels - 1;
    char expected[96];
    std::snprintf(expected, sizeof expected, "%5d,%7.1f, %7.1f, %7.1f, %7.3f", c.pixels,
                  double(300.0f + 2.5f * last), double(1000.0f + last), double(2000.0f + last),
                  double(1.0f + last / 1000.0f));
    EXPECT_EQ(lines.back(), expected);

    // Request order: model, serial, coefficients, wavelengths, gains, dark block.
    std::vector<CommandWord> want = {CMD_GET_SENSOR_MODEL, CMD_GET_SERIAL, CMD_GET_CAL_COEFFS};
    const std::uint8_t codes[3] = {CMD_GET_PIXEL_WAVELENGTHS, CMD_GET_PIXEL_GAINS,
                                   CMD_GET_DARK_TABLES};
    for (int t = 0; t < 3; ++t) {
        const int factor = t == 2 ? 2 : 1;
        if (c.bridged) {
            for (int page = 0; page < c.pagesPerSingleTable * factor; ++page)
                want.push_back({codes[t], std::uint8_t(page), 64});
        } else {
            want.push_back({codes[t], 0, std::uint16_t(c.pixels * 4 * factor)});
        }
    }
    ASSERT_EQ(port.words.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(port.words[i].value(), want[i].value()) << "request " << i;
}

INSTANTIATE_TEST_SUITE_P(PixelCountsAndLinks, SensorInfoRead,
                         ::testing::Values(InfoCase{288, false, 0}, InfoCase{288, true, 18},
                                           InfoCase{256, false, 0}, InfoCase{256, true, 16}));

TEST(SensorInfoFaults, SilentDeviceShowsEmptyTextsAndZeros) {
    ScriptedTransport port([](CommandWord) { return std::vector<std::uint8_t>{}; });
    const auto lines = SensorInfoLines(ReadSensorInfo(port, true, 288));
    ASSERT_EQ(lines.size(), 297u);
    EXPECT_EQ(lines[0], "Sensor,");
    EXPECT_EQ(lines[1], "Serial,");
    EXPECT_EQ(lines[2], "comp 1, 0.00000000e+00");
    EXPECT_EQ(lines[296], "  288,    0.0,     0.0,     0.0,   0.000");
    // A lost page ends that table's transfer: one request per table after the first three.
    EXPECT_EQ(port.words.size(), 6u);
}

TEST(SensorInfoFile, NameAndCrLfLines) {
    EXPECT_EQ(SensorInfoFileName("SN0042"), "SN0042.csv");
    EXPECT_EQ(SensorInfoFileName(""), ".csv");

    CalibratedDevice device(256);
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    const auto lines = SensorInfoLines(ReadSensorInfo(port, false, 256));
    QTemporaryDir dir;
    const QString path = dir.filePath("SN0042.csv");
    ASSERT_TRUE(SaveSensorInfoFile(path, lines).ok);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 265);
    EXPECT_EQ(bytes.count('\n'), 265);
    EXPECT_TRUE(bytes.startsWith("Sensor,K52817QX-03\r\nSerial,SN0042\r\ncomp 1, "));
    EXPECT_TRUE(bytes.endsWith("\r\n"));

    EXPECT_FALSE(SaveSensorInfoFile(dir.filePath("missing/dir/x.csv"), lines).opened);
}

}  // namespace
