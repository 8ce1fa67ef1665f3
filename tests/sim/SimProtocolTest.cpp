// Reply sizes and layouts of every command, whole or paged by link kind, and
// the requests a device refuses.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace {

struct SizeCase {
    const char* devices;
    CommandWord word;
    int replyBytes;
};

class SimReplySize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SimReplySize, AnswersWithExactSize) {
    const SizeCase& c = GetParam();
    SimBench bench(c.devices);
    auto port = bench.open(0);
    ASSERT_TRUE(port);
    const QByteArray request =
        c.word.isSetting() && c.word.length == 4 ? SettingBytes(c.word, 1) : WordBytes(c.word);
    EXPECT_EQ(Ask(*port, request).size(), c.replyBytes) << std::hex << c.word.value();
    EXPECT_TRUE(bench.sim->device(0).log().isEmpty())
        << bench.sim->device(0).log().join("\n").toStdString();
}

constexpr const char* VIS = "vis:lx=1";
constexpr const char* NIR = "nir";
constexpr const char* UV = "uv";
constexpr const char* VIS_BRIDGE = "vis:link=bridge:lx=1";
constexpr const char* NIR_BRIDGE = "nir:link=bridge";
constexpr const char* UV_BRIDGE = "uv:link=bridge";

INSTANTIATE_TEST_SUITE_P(
    Spectrometer, SimReplySize,
    ::testing::Values(SizeCase{VIS, CMD_GET_DEVICE_TYPE, 4}, SizeCase{VIS, CMD_GET_VERSION, 16},
                      SizeCase{VIS, CMD_GET_SERIAL, 16}, SizeCase{VIS, CMD_GET_SENSOR_MODEL, 16},
                      SizeCase{VIS, CMD_GET_CAL_COEFFS, 48}, SizeCase{VIS, CMD_GET_EXPOSURE, 4},
                      SizeCase{VIS, CMD_GET_AVERAGING, 4}, SizeCase{VIS, CMD_GET_TEMPERATURE, 4},
                      SizeCase{VIS, CMD_GET_AUX_SETTING, 4}, SizeCase{VIS, CMD_GET_STORED_COUNT, 4},
                      SizeCase{VIS, CMD_GET_STORED_RECORD, 2096},
                      SizeCase{VIS, CMD_SET_EXPOSURE, 2}, SizeCase{VIS, CMD_SET_AVERAGING, 2},
                      SizeCase{VIS, CMD_SET_AUX_SETTING, 2}, SizeCase{VIS, CMD_STORE_DARK, 2},
                      // Whole tables on a direct link.
                      SizeCase{VIS, WholeWord(CMD_GET_SPECTRUM, 2044), 2044},
                      SizeCase{NIR, WholeWord(CMD_GET_SPECTRUM, 1644), 1644},
                      SizeCase{UV, WholeWord(CMD_GET_SPECTRUM, 1004), 1004},
                      SizeCase{VIS, WholeWord(CMD_GET_PIXEL_WAVELENGTHS, 1152), 1152},
                      SizeCase{NIR, WholeWord(CMD_GET_PIXEL_WAVELENGTHS, 1024), 1024},
                      SizeCase{UV, WholeWord(CMD_GET_PIXEL_GAINS, 1152), 1152},
                      SizeCase{NIR, WholeWord(CMD_GET_DARK_TABLES, 2048), 2048},
                      SizeCase{VIS, WholeWord(CMD_GET_DARK_TABLES, 2304), 2304},
                      // Pages behind the bridge.
                      SizeCase{VIS_BRIDGE, PageWord(CMD_GET_SPECTRUM, 0, 2044), 64},
                      SizeCase{NIR_BRIDGE, PageWord(CMD_GET_SPECTRUM, 30, 2044), 64},
                      SizeCase{NIR_BRIDGE, PageWord(CMD_GET_SPECTRUM, 31, 2044), 60},
                      SizeCase{UV_BRIDGE, PageWord(CMD_GET_SPECTRUM, 31, 2044), 60},
                      SizeCase{NIR_BRIDGE, PageWord(CMD_GET_PIXEL_WAVELENGTHS, 15, 1024), 64},
                      SizeCase{VIS_BRIDGE, PageWord(CMD_GET_PIXEL_GAINS, 17, 1152), 64},
                      SizeCase{NIR_BRIDGE, PageWord(CMD_GET_DARK_TABLES, 31, 2048), 64},
                      SizeCase{UV_BRIDGE, PageWord(CMD_GET_DARK_TABLES, 35, 2304), 64},
                      // Single reads do not change with the link.
                      SizeCase{VIS_BRIDGE, CMD_GET_STORED_RECORD, 2096},
                      SizeCase{VIS_BRIDGE, CMD_GET_CAL_COEFFS, 48},
                      SizeCase{VIS_BRIDGE, CMD_STORE_DARK, 2}));

INSTANTIATE_TEST_SUITE_P(LedUnit, SimReplySize,
                         ::testing::Values(SizeCase{"led", LED_GET_NAME, 32},
                                           SizeCase{"led", LED_GET_VERSION, 16},
                                           SizeCase{"led", LED_GET_STATE, 4},
                                           SizeCase{"led", LED_GET_TEMPERATURE, 4},
                                           SizeCase{"led", LED_SET_STATE, 2}));

struct RefusalCase {
    const char* name;
    const char* devices;
    QByteArray request;
};

class SimRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SimRefusal, LogsAndLeavesUnanswered) {
    const RefusalCase& c = GetParam();
    SimBench bench(c.devices);
    auto port = bench.open(0);
    EXPECT_EQ(Ask(*port, c.request).size(), 0);
    ASSERT_EQ(bench.sim->device(0).log().size(), 1);
    EXPECT_TRUE(bench.sim->device(0).log().first().contains(
        QString::fromLatin1(c.request.left(4).toHex(' '))));
    EXPECT_EQ(bench.sim->device(0).exchangeCount(), 0);
    // The device goes on answering well-formed requests.
    EXPECT_EQ(Ask(*port, c.devices == QString("led") ? LED_GET_STATE : CMD_GET_EXPOSURE).size(), 4);
}

QByteArray Raw(std::uint32_t word) {
    return WordBytes(CommandWord::fromValue(word));
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, SimRefusal,
    ::testing::Values(
        RefusalCase{"WholeSpectrumOnBridge", "vis:link=bridge", Raw(0x07FC000F)},
        RefusalCase{"PageOnDirect", "vis", WordBytes(PageWord(CMD_GET_SPECTRUM, 0, 2044))},
        RefusalCase{"LastPageOf64", "vis:link=bridge", Raw(0x00401F0F)},
        RefusalCase{"PageBeyondSpectrum", "vis:link=bridge", Raw(0x0040200F)},
        RefusalCase{"PageBeyondNirWavelengths", "nir:link=bridge",
                    WordBytes(PageWord(CMD_GET_PIXEL_WAVELENGTHS, 16, 1088))},
        RefusalCase{"WholeOfWrongGrid", "nir", WordBytes(WholeWord(CMD_GET_SPECTRUM, 2044))},
        RefusalCase{"UnknownCode", "vis", Raw(0x00040030)},
        RefusalCase{"SerialOfWrongLength", "vis", Raw(0x00200003)},
        RefusalCase{"PageOnSingleRead", "vis", Raw(0x00040109)},
        RefusalCase{"SettingWithOddLength", "vis", Raw(0x00020084)},
        RefusalCase{"StoreDarkWithPayload", "vis",
                    SettingBytes(CommandWord::fromValue(0x00040088), 0)},
        RefusalCase{"LedCodeOnSpectrometer", "vis", WordBytes(LED_GET_STATE)},
        RefusalCase{"SpectrometerCodeOnLed", "led", WordBytes(CMD_GET_EXPOSURE)},
        RefusalCase{"LedNameOfWrongLength", "led", Raw(0x00100000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimProtocol, SettingWaitsForPayloadSplitAcrossWrites) {
    SimBench bench("vis");
    auto port = bench.open(0);
    const QByteArray request = SettingBytes(CMD_SET_EXPOSURE, 1000000);
    ASSERT_EQ(request.toHex(), "8400040040420f00");
    Send(*port, request.left(3));
    EXPECT_EQ(Drain(*port).size(), 0);
    Send(*port, request.mid(3, 3));
    EXPECT_EQ(Drain(*port).size(), 0);
    Send(*port, request.mid(6));
    EXPECT_EQ(Drain(*port).size(), 2);
    EXPECT_EQ(bench.sim->spectrometer(0)->exposureUs(), 1000000);
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_EXPOSURE), 0), 1000000);
}

TEST(SimProtocol, SettingAndReadInOneWriteAnswerBoth) {
    SimBench bench("vis");
    auto port = bench.open(0);
    EXPECT_EQ(Ask(*port, SettingBytes(CMD_SET_AVERAGING, 7) + WordBytes(CMD_GET_AVERAGING)).size(),
              6);
}

TEST(SimProtocol, IdentityTextsAndSettingsReadBack) {
    SimBench bench("uv:serial=U77:fw=1.5b:lx=1,vis,led:name=Bench:fw=2.1");
    auto uv = bench.open(0);
    EXPECT_EQ(Ask(*uv, CMD_GET_SERIAL), QByteArray("U77").leftJustified(16, '\0'));
    EXPECT_EQ(Ask(*uv, CMD_GET_VERSION), QByteArray("1.5b").leftJustified(16, '\0'));
    EXPECT_EQ(Ask(*uv, CMD_GET_SENSOR_MODEL), QByteArray("K60293QX").leftJustified(16, '\0'));
    EXPECT_EQ(At<std::int32_t>(Ask(*uv, CMD_GET_DEVICE_TYPE), 0) & 0xF, LX_MODEL_CODE);
    EXPECT_EQ(At<std::int32_t>(Ask(*uv, CMD_GET_EXPOSURE), 0), 10000);
    EXPECT_EQ(At<std::int32_t>(Ask(*uv, CMD_GET_AVERAGING), 0), 1);
    Ask(*uv, SettingBytes(CMD_SET_AUX_SETTING, -12345));
    EXPECT_EQ(At<std::int32_t>(Ask(*uv, CMD_GET_AUX_SETTING), 0), -12345);

    auto vis = bench.open(1);
    EXPECT_EQ(Ask(*vis, CMD_GET_SERIAL), QByteArray("S10002").leftJustified(16, '\0'));
    EXPECT_EQ(Ask(*vis, CMD_GET_VERSION), QByteArray("1.6").leftJustified(16, '\0'));
    EXPECT_EQ(At<std::int32_t>(Ask(*vis, CMD_GET_DEVICE_TYPE), 0) & 0xF, 1);
    EXPECT_EQ(At<std::int32_t>(Ask(*vis, CMD_GET_STORED_COUNT), 0), 0);

    auto led = bench.open(2);
    EXPECT_EQ(Ask(*led, LED_GET_NAME), QByteArray("Bench").leftJustified(32, '\0'));
    // Same word as CMD_GET_VERSION: the port decides who answers.
    EXPECT_EQ(Ask(*led, LED_GET_VERSION), QByteArray("2.1").leftJustified(16, '\0'));
}

TEST(SimProtocol, BridgedSpectrumIsAlways511ValuesZeroBeyondGrid) {
    SimBench bench("nir:link=bridge");
    auto port = bench.open(0);
    const std::vector<float> s = ReadSpectrum(*port, true, 411);
    ASSERT_EQ(s.size(), 511u);
    for (int i = 0; i < 411; ++i)
        EXPECT_GT(s[i], 0.0f) << i;
    for (int i = 411; i < 511; ++i)
        EXPECT_EQ(s[i], 0.0f) << i;
}

TEST(SimProtocol, BridgedDeviceRefusesUntilPortConfigured) {
    SimBench bench("vis:link=bridge");
    auto port = bench.open(0, false);
    EXPECT_EQ(Ask(*port, CMD_GET_VERSION).size(), 0);
    EXPECT_EQ(bench.sim->device(0).log().size(), 1);
    EXPECT_FALSE(bench.sim->bridgeConfigured(0));
    port->configureBridge();
    EXPECT_TRUE(bench.sim->bridgeConfigured(0));
    EXPECT_EQ(Ask(*port, CMD_GET_VERSION).size(), 16);
}

}  // namespace
