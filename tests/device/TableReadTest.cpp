// Whole and paged table reads: page words, page counts, sizes and what a lost
// page does to the transfer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/CommandTable.h"
#include "device/DeviceOperations.h"
#include "device/Exchange.h"
#include "support/FakePortProvider.h"
#include "support/RecordingTransport.h"

namespace {

class TableReadTest : public ::testing::Test {
  protected:
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    std::shared_ptr<PortScript> script = [this] {
        auto s = std::make_shared<PortScript>();
        s->responder = FakeDevice::Responder(device);
        return s;
    }();
    RecordingTransport port{script};

    QStringList writes() const {
        QStringList out;
        for (const QByteArray& w : script->writes)
            out << HexBytes(w);
        return out;
    }
};

TEST_F(TableReadTest, PagedSpectrumIsAlways32PagesAndPage31Asks60Bytes) {
    const LiveReading live = ReadLiveData(port, true, 411);
    ASSERT_TRUE(live.spectrumRead);
    ASSERT_TRUE(live.temperatureRead);
    const QStringList w = writes();
    ASSERT_EQ(w.size(), 33);
    EXPECT_EQ(w[0], "0F 00 40 00");
    EXPECT_EQ(w[1], "0F 01 40 00");
    EXPECT_EQ(w[30], "0F 1E 40 00");
    EXPECT_EQ(w[31], "0F 1F 3C 00");
    EXPECT_EQ(w[32], "12 00 04 00");  // then the temperature
    EXPECT_EQ(live.spectrum[0], 1000.0f);
    EXPECT_EQ(live.spectrum[410], 1410.0f);
    EXPECT_EQ(live.spectrum[411], 0.0f);  // beyond the point count: not taken
}

TEST_F(TableReadTest, WholeSpectrumIsOneExchangeOfPointCountTimesFour) {
    struct Case {
        int points;
        const char* word;
    };
    for (const Case c :
         {Case{411, "0F 00 6C 06"}, Case{251, "0F 00 EC 03"}, Case{511, "0F 00 FC 07"}}) {
        script->writes.clear();
        const LiveReading live = ReadLiveData(port, false, c.points);
        ASSERT_TRUE(live.spectrumRead) << c.points;
        ASSERT_EQ(writes(), (QStringList{c.word, "12 00 04 00"})) << c.points;
        EXPECT_EQ(live.spectrum[c.points - 1], 1000.0f + float(c.points - 1));
    }
}

TEST_F(TableReadTest, PixelTablePageCounts) {
    struct Case {
        std::uint8_t code;
        std::size_t bytes;
        std::size_t pages;
    };
    const Case cases[] = {
        {CMD_GET_PIXEL_WAVELENGTHS, 256 * 4, 16}, {CMD_GET_PIXEL_GAINS, 288 * 4, 18},
        {CMD_GET_DARK_TABLES, 256 * 8, 32},       {CMD_GET_DARK_TABLES, 288 * 8, 36},
        {CMD_GET_SPECTRUM, 411 * 4, 32},          {CMD_GET_SPECTRUM, 251 * 4, 32},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageCount(c.code, c.bytes), c.pages) << int(c.code) << " " << c.bytes;
        std::vector<std::uint8_t> out(c.bytes);
        script->writes.clear();
        script->responder = [](const QByteArray& r) {
            return QByteArray(std::uint8_t(r[2]) | (std::uint8_t(r[3]) << 8), char(r[1]));
        };
        ASSERT_TRUE(ReadTable(port, c.code, c.bytes, true, out));
        ASSERT_EQ(script->writes.size(), c.pages);
        for (std::size_t i = 0; i < c.pages; ++i) {
            const auto* b = reinterpret_cast<const std::uint8_t*>(script->writes[i].constData());
            EXPECT_EQ(b[0], c.code);
            EXPECT_EQ(b[1], i);
            const int expected = (c.code == CMD_GET_SPECTRUM && i == 31) ? 60 : 64;
            EXPECT_EQ(b[2] | (b[3] << 8), expected);
        }
        // Each page lands at 64 x its index.
        for (std::size_t i = 0; i < c.bytes; ++i)
            ASSERT_EQ(out[i], i / 64) << i;
    }
}

TEST_F(TableReadTest, WholeTableSizes) {
    struct Case {
        std::uint8_t code;
        std::size_t bytes;
        const char* word;
    };
    const Case cases[] = {
        {CMD_GET_PIXEL_WAVELENGTHS, 1024, "0C 00 00 04"},
        {CMD_GET_PIXEL_GAINS, 1152, "0D 00 80 04"},
        {CMD_GET_DARK_TABLES, 2048, "0E 00 00 08"},
        {CMD_GET_DARK_TABLES, 2304, "0E 00 00 09"},
    };
    script->responder = [](const QByteArray& r) {
        return QByteArray(std::uint8_t(r[2]) | (std::uint8_t(r[3]) << 8), '\x5A');
    };
    for (const Case& c : cases) {
        script->writes.clear();
        std::vector<std::uint8_t> out(c.bytes);
        ASSERT_TRUE(ReadTable(port, c.code, c.bytes, false, out));
        EXPECT_EQ(writes(), QStringList{c.word});
        EXPECT_EQ(out.back(), 0x5A);
    }
}

TEST_F(TableReadTest, LostPageEndsTheTransferAndKeepsTheOldTable) {
    int served = 0;
    script->responder = [&served](const QByteArray& r) {
        if (served++ == 3)
            return QByteArray();  // page 3 never comes
        return QByteArray(std::uint8_t(r[2]) | (std::uint8_t(r[3]) << 8), '\x01');
    };
    std::vector<std::uint8_t> out(1152, 0x77);
    EXPECT_FALSE(ReadTable(port, CMD_GET_PIXEL_GAINS, out.size(), true, out));
    EXPECT_EQ(script->writes.size(), 4u);  // pages 0..3, nothing after the loss
    EXPECT_EQ(script->missingReads, 1);
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0x77);
}

TEST_F(TableReadTest, SilentDeviceCostsOneLostPageAndTheTemperature) {
    script->responder = {};
    const LiveReading paged = ReadLiveData(port, true, 511);
    EXPECT_FALSE(paged.spectrumRead);
    EXPECT_FALSE(paged.temperatureRead);
    EXPECT_EQ(writes(), (QStringList{"0F 00 40 00", "12 00 04 00"}));

    script->queueReply(QByteArray(2000, '\0'));  // short whole reply
    EXPECT_FALSE(ReadLiveData(port, false, 511).spectrumRead);
}

TEST(DeviceSlotTest, SpectrumStartsAsRamp) {
    const DeviceSlot slot;
    for (std::size_t i = 0; i < MAX_POINTS; ++i)
        ASSERT_EQ(slot.spectrum[i], 100.0f * float(i));
    EXPECT_EQ(slot.spectrum[510], 51000.0f);
    EXPECT_FALSE(slot.isOpen());
    EXPECT_FALSE(slot.bridged);
    EXPECT_FALSE(slot.isLX);
    EXPECT_EQ(slot.version, 0.0f);
}

}  // namespace
