// Trace lines as text: the time stamp, the request word and payload, the reply
// sizes and the markers for missing replies and cut requests.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "device/CommandTable.h"
#include "device/TraceLog.h"

namespace {

std::string Iso(std::int64_t wallMs) {
    std::array<char, 24> out{};
    FormatIsoTimeMs(wallMs, out);
    return std::string(out.data(), out.size());
}

TEST(TraceTimeTest, UtcWithMilliseconds) {
    EXPECT_EQ(Iso(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(Iso(1796724123123), "2026-12-08T10:02:03.123Z");
    EXPECT_EQ(Iso(1709251199999), "2024-02-29T23:59:59.999Z");  // leap day, last ms
    EXPECT_EQ(Iso(1709251200000), "2024-03-01T00:00:00.000Z");
    EXPECT_EQ(Iso(946684799000), "1999-12-31T23:59:59.000Z");
    EXPECT_EQ(Iso(4107542400007), "2100-03-01T00:00:00.007Z");  // 2100 is no leap year
    EXPECT_EQ(Iso(-1), "1969-12-31T23:59:59.999Z");
}

struct LineCase {
    const char* what;
    std::array<std::uint8_t, 8> request;
    std::size_t requestBytes;
    std::size_t written;
    std::size_t requested;
    std::size_t received;
    std::int64_t durationUs;
    const char* port;
    const char* line;
};

std::array<std::uint8_t, 8> Req(std::uint32_t word, std::int32_t payload = 0) {
    std::array<std::uint8_t, 8> b{};
    const auto p = static_cast<std::uint32_t>(payload);
    for (int i = 0; i < 4; ++i) {
        b[i] = std::uint8_t(word >> (8 * i));
        b[4 + i] = std::uint8_t(p >> (8 * i));
    }
    return b;
}

class TraceLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(TraceLineTest, ExactLine) {
    const LineCase& c = GetParam();
    TraceEntry e;
    e.wallMs = 1796724123123;
    e.port = c.port;
    e.request =
        std::span<const std::uint8_t>(c.request.data(), std::min<std::size_t>(8, c.requestBytes));
    e.requestBytes = c.requestBytes;
    e.written = c.written;
    e.requested = c.requested;
    e.received = c.received;
    e.durationUs = c.durationUs;
    std::array<char, TRACE_LINE_MAX> out{};
    const std::size_t n = FormatTraceLine(e, out);
    EXPECT_EQ(std::string(out.data(), n), std::string(c.line) + "\n") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TraceLineTest,
    ::testing::Values(
        LineCase{"read word", Req(CMD_GET_TEMPERATURE.value()), 4, 4, 4, 4, 310, "ttyUSB0",
                 "2026-12-08T10:02:03.123Z ttyUSB0 00040012 - 4/4 310us"},
        LineCase{"whole spectrum", Req(0x07FC000F), 4, 4, 2044, 2044, 23456, "ttyACM0",
                 "2026-12-08T10:02:03.123Z ttyACM0 07FC000F - 2044/2044 23456us"},
        LineCase{"setting with payload", Req(CMD_SET_EXPOSURE.value(), 100000), 8, 8, 2, 2, 812,
                 "pts/5", "2026-12-08T10:02:03.123Z pts/5 00040084 100000 2/2 812us"},
        LineCase{"negative payload", Req(CMD_SET_AUX_SETTING.value(), -7), 8, 8, 2, 2, 1, "pts/5",
                 "2026-12-08T10:02:03.123Z pts/5 00040087 -7 2/2 1us"},
        LineCase{"missing reply", Req(CMD_GET_SERIAL.value()), 4, 4, 16, 0, 100000, "sim0",
                 "2026-12-08T10:02:03.123Z sim0 00100003 - 0/16 100000us missing"},
        LineCase{"request without reply", Req(CMD_STORE_DARK.value()), 4, 4, 0, 0, 12, "sim0",
                 "2026-12-08T10:02:03.123Z sim0 00000088 - 0/0 12us"},
        LineCase{"cut request", Req(CMD_SET_AVERAGING.value(), 5), 8, 3, 0, 0, 101000, "sim0",
                 "2026-12-08T10:02:03.123Z sim0 00040086 5 0/0 101000us short-write=3/8"},
        LineCase{"odd request size", Req(0x11223344), 6, 6, 0, 0, 3, "",
                 "2026-12-08T10:02:03.123Z - 11223344 - 0/0 3us request-bytes=6"},
        LineCase{"read with no request", Req(0), 0, 0, 4, 4, 9, "sim1",
                 "2026-12-08T10:02:03.123Z sim1 - - 4/4 9us request-bytes=0"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::to_string(info.index); });

TEST(TraceLineLimitTest, LongPortNameIsCutAndTheLineStaysWhole) {
    const std::string port(400, 'p');
    const auto req = Req(CMD_SET_EXPOSURE.value(), -2147483647 - 1);
    TraceEntry e;
    e.wallMs = 0;
    e.port = port;
    e.request = req;
    e.requestBytes = 8;
    e.written = 1;
    e.requested = 65535;
    e.received = 0;
    e.durationUs = 9223372036854775807;
    std::array<char, TRACE_LINE_MAX> out{};
    const std::size_t n = FormatTraceLine(e, out);
    ASSERT_LE(n, TRACE_LINE_MAX);
    const std::string line(out.data(), n);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_NE(line.find(" 00040084 -2147483648 0/65535 9223372036854775807us missing "
                        "short-write=1/8\n"),
              std::string::npos)
        << line;
}

}  // namespace
