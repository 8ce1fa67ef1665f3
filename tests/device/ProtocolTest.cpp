// Wire bytes of every command family, whole and paged table reads, and what a
// missing or short reply leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "device/CommandTable.h"
#include "device/Exchange.h"
#include "support/RecordingTransport.h"

namespace {

class ProtocolTest : public ::testing::Test {
  protected:
    std::shared_ptr<PortScript> script = std::make_shared<PortScript>();
    RecordingTransport port{script};

    QString lastWrite() const { return HexBytes(script->writes.back()); }
};

TEST_F(ProtocolTest, RequestWordGoesOutLittleEndian) {
    script->queueReply(TextField("S12345", 16));
    EXPECT_EQ(ReadText(port, CommandWord::fromValue(0x00100003)), "S12345");
    ASSERT_EQ(script->writes.size(), 1u);
    EXPECT_EQ(lastWrite(), "03 00 10 00");
    EXPECT_EQ(script->events.last(), "R 16");
}

TEST_F(ProtocolTest, SettingIsOneEightByteWriteThenTwoByteAck) {
    script->queueReply(QByteArray(2, '\x55'));
    EXPECT_TRUE(SendSetting(port, CommandWord::fromValue(0x00040084), 1000000));
    ASSERT_EQ(script->writes.size(), 1u);
    EXPECT_EQ(lastWrite(), "84 00 04 00 40 42 0F 00");
    EXPECT_EQ(script->events.last(), "R 2");
}

TEST_F(ProtocolTest, NegativeSettingPayloadIsTwosComplement) {
    script->queueReply(QByteArray(2, '\0'));
    SendSetting(port, CMD_SET_AUX_SETTING, -2);
    EXPECT_EQ(lastWrite(), "87 00 04 00 FE FF FF FF");
}

TEST_F(ProtocolTest, StoreDarkIsFourBytesThenAck) {
    script->queueReply(QByteArray(2, '\0'));
    EXPECT_TRUE(SendStoreDark(port));
    EXPECT_EQ(lastWrite(), "88 00 00 00");
    EXPECT_EQ(script->events.last(), "R 2");
}

struct WordCase {
    const char* name;
    CommandWord word;
    const char* bytes;
};

TEST_F(ProtocolTest, EveryFixedWordHasItsWireBytes) {
    const WordCase cases[] = {
        {"device type", CMD_GET_DEVICE_TYPE, "01 00 04 00"},
        {"version", CMD_GET_VERSION, "02 00 10 00"},
        {"serial", CMD_GET_SERIAL, "03 00 10 00"},
        {"sensor model", CMD_GET_SENSOR_MODEL, "04 00 10 00"},
        {"cal coeffs", CMD_GET_CAL_COEFFS, "05 00 30 00"},
        {"exposure", CMD_GET_EXPOSURE, "09 00 04 00"},
        {"averaging", CMD_GET_AVERAGING, "0B 00 04 00"},
        {"temperature", CMD_GET_TEMPERATURE, "12 00 04 00"},
        {"aux", CMD_GET_AUX_SETTING, "13 00 04 00"},
        {"stored count", CMD_GET_STORED_COUNT, "16 00 04 00"},
        {"stored record", CMD_GET_STORED_RECORD, "17 00 30 08"},
        {"led name", LED_GET_NAME, "00 00 20 00"},
        {"led version", LED_GET_VERSION, "02 00 10 00"},
        {"led state", LED_GET_STATE, "14 00 04 00"},
        {"led temperature", LED_GET_TEMPERATURE, "15 00 04 00"},
    };
    for (const WordCase& c : cases) {
        std::vector<std::uint8_t> reply(c.word.length);
        Exchange(port, c.word, reply);
        EXPECT_EQ(lastWrite(), c.bytes) << c.name;
        EXPECT_EQ(script->events.last(), QString("R %1 missing").arg(c.word.length)) << c.name;
    }
    EXPECT_EQ(CMD_GET_STORED_RECORD.length, LOGGED_RECORD_BYTES);
}

TEST_F(ProtocolTest, EverySettingWordHasItsWireBytes) {
    const WordCase cases[] = {
        {"exposure", CMD_SET_EXPOSURE, "84 00 04 00 07 00 00 00"},
        {"averaging", CMD_SET_AVERAGING, "86 00 04 00 07 00 00 00"},
        {"aux", CMD_SET_AUX_SETTING, "87 00 04 00 07 00 00 00"},
        {"led state", LED_SET_STATE, "89 00 04 00 07 00 00 00"},
    };
    for (const WordCase& c : cases) {
        SendSetting(port, c.word, 7);
        EXPECT_EQ(lastWrite(), c.bytes) << c.name;
    }
}

TEST_F(ProtocolTest, ShortWriteIsNotFollowedByARead) {
    script->writeLimit = 3;
    script->queueReply(Int32Bytes(5));
    std::int32_t value = 42;
    EXPECT_FALSE(ReadInt32(port, CMD_GET_EXPOSURE, value));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(SendSetting(port, CMD_SET_EXPOSURE, 1));
    EXPECT_EQ(script->events.filter("R ").size(), 0);
}

TEST_F(ProtocolTest, MissingOrShortReplyLeavesValueUnchanged) {
    std::int32_t value = 42;
    script->queueSilence();
    EXPECT_FALSE(ReadInt32(port, CMD_GET_EXPOSURE, value));
    EXPECT_EQ(value, 42);

    script->queueReply(QByteArray("\x01\x02", 2));  // two of four bytes
    EXPECT_FALSE(ReadInt32(port, CMD_GET_EXPOSURE, value));
    EXPECT_EQ(value, 42);

    float temperature = 21.5f;
    script->queueReply(QByteArray("\x01", 1));
    EXPECT_FALSE(ReadFloat(port, CMD_GET_TEMPERATURE, temperature));
    EXPECT_EQ(temperature, 21.5f);

    script->queueReply(FloatBytes(-3.25f));
    EXPECT_TRUE(ReadFloat(port, CMD_GET_TEMPERATURE, temperature));
    EXPECT_EQ(temperature, -3.25f);
    script->queueReply(Int32Bytes(-100));
    EXPECT_TRUE(ReadInt32(port, CMD_GET_EXPOSURE, value));
    EXPECT_EQ(value, -100);
}

TEST_F(ProtocolTest, ExchangeKeepsCallerBufferOnShortReply) {
    std::array<std::uint8_t, 48> coeffs;
    coeffs.fill(0x11);
    script->queueReply(QByteArray(40, '\x22'));
    EXPECT_FALSE(Exchange(port, CMD_GET_CAL_COEFFS, coeffs));
    for (std::uint8_t b : coeffs)
        ASSERT_EQ(b, 0x11);
}

TEST_F(ProtocolTest, TextIsBoundedAtItsField) {
    script->queueReply(QByteArray(16, 'A'));  // no NUL at all
    EXPECT_EQ(ReadText(port, CMD_GET_SERIAL), QByteArray(16, 'A'));
    script->queueReply(QByteArray(32, 'B'));
    EXPECT_EQ(ReadText(port, LED_GET_NAME), QByteArray(32, 'B'));
    script->queueReply(QByteArray("1.6\0junk\0\0\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(ReadText(port, CMD_GET_VERSION), "1.6");
    EXPECT_EQ(script->events.last(), "R 16");
}

TEST_F(ProtocolTest, TextIsEmptyWhenMissingOrShort) {
    script->queueSilence();
    EXPECT_TRUE(ReadText(port, CMD_GET_SERIAL).isEmpty());
    script->queueReply("S123");  // four of sixteen bytes
    EXPECT_TRUE(ReadText(port, CMD_GET_SERIAL).isEmpty());
    script->writeLimit = 0;
    EXPECT_TRUE(ReadText(port, CMD_GET_SERIAL).isEmpty());
}

TEST(ReplyTimeout, CoversWireTimeAtBridgeRateWithMargin) {
    EXPECT_EQ(ReplyTimeoutMs(0), 100);
    EXPECT_EQ(ReplyTimeoutMs(4), 101);       // 40 bits: a fraction of a millisecond
    EXPECT_EQ(ReplyTimeoutMs(2096), 123);    // 20960 bits / 921600 baud = 22.7 ms
    EXPECT_EQ(ReplyTimeoutMs(92160), 1100);  // one second on the wire
}

}  // namespace
