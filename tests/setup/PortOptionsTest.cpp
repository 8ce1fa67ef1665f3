// --port, --simulate, --settle-ms and VELARIM_PORTS as both programs take them.
#include <gtest/gtest.h>

#include "setup/ArgOptions.h"
#include "setup/PortOptions.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"

namespace {

class PortOptionsTest : public ::testing::Test {
  protected:
    void SetUp() override { qunsetenv("VELARIM_PORTS"); }
    void TearDown() override { qunsetenv("VELARIM_PORTS"); }
    PortOptions options;
    QString error;
};

TEST_F(PortOptionsTest, TakesItsOptionsAndLeavesTheRest) {
    QStringList args = {"--records",
                        "3",
                        "--port",
                        "/dev/pts/7=1A86:7523",
                        "--settle-ms",
                        "0",
                        "--port=/dev/pts/8=3d7e:825",
                        "--csv",
                        "out.csv"};
    ASSERT_TRUE(options.take(args, error)) << error.toStdString();
    EXPECT_EQ(args, (QStringList{"--records", "3", "--csv", "out.csv"}));
    EXPECT_EQ(options.declaredPorts, (QStringList{"/dev/pts/7=1A86:7523", "/dev/pts/8=3d7e:825"}));
    EXPECT_EQ(options.settleMs, 0);
    EXPECT_TRUE(options.simulate.isEmpty());
}

TEST_F(PortOptionsTest, EnvironmentPortsFollowTheCommandLine) {
    qputenv("VELARIM_PORTS", "/dev/pts/3=3D7E:0B20;;/dev/pts/4=3D7E:0825");
    QStringList args = {"--port", "/dev/pts/9=1A86:7523"};
    ASSERT_TRUE(options.take(args, error)) << error.toStdString();
    EXPECT_EQ(options.declaredPorts, (QStringList{"/dev/pts/9=1A86:7523", "/dev/pts/3=3D7E:0B20",
                                                  "/dev/pts/4=3D7E:0825"}));
    EXPECT_EQ(options.settleMs, 3000);
}

TEST_F(PortOptionsTest, SimulateMakesASimulatedProvider) {
    QStringList args = {"--simulate", "vis,led"};
    ASSERT_TRUE(options.take(args, error)) << error.toStdString();
    FakeClock clock;
    auto provider = options.makeProvider(clock, error);
    ASSERT_TRUE(provider);
    EXPECT_EQ(provider->candidatePorts(), (std::vector<QString>{"sim0", "sim1"}));
    EXPECT_NE(dynamic_cast<SimPortProvider*>(provider.get()), nullptr);
}

TEST_F(PortOptionsTest, WithoutSimulateTheSerialPortsAreUsed) {
    QStringList args;
    ASSERT_TRUE(options.take(args, error));
    FakeClock clock;
    auto provider = options.makeProvider(clock, error);
    ASSERT_TRUE(provider);
    EXPECT_EQ(dynamic_cast<SimPortProvider*>(provider.get()), nullptr);
}

// The one grammar of every program's own options: "--name VALUE" or
// "--name=VALUE" wherever they stand; the rest stays in order.
struct GrammarCase {
    QStringList args;
    bool ok;
    QString value;
    QStringList rest;
};

TEST(ArgOptionsGrammar, BothFormsAnywhereTheLastOneCounts) {
    const GrammarCase cases[] = {
        {{"--csv", "a.csv"}, true, "a.csv", {}},
        {{"--csv=a.csv"}, true, "a.csv", {}},
        {{"x", "--csv=", "y"}, true, "", {"x", "y"}},
        {{"--vltd", "r.vltd", "--csv", "a.csv", "--x"}, true, "a.csv", {"--vltd", "r.vltd", "--x"}},
        {{"--csv=a.csv", "--csv", "b.csv"}, true, "b.csv", {}},
        {{"--csvx", "a"}, true, QString(), {"--csvx", "a"}},
        {{"--csv"}, false, QString(), {}},
    };
    for (const GrammarCase& c : cases) {
        QStringList args = c.args;
        QString value;
        QString error;
        const std::string what = c.args.join(' ').toStdString();
        ASSERT_EQ(TakeOption(args, "--csv", value, error), c.ok) << what;
        if (!c.ok) {
            EXPECT_EQ(error, "--csv needs a value") << what;
            continue;
        }
        EXPECT_EQ(value, c.value) << what;
        EXPECT_EQ(value.isNull(), c.value.isNull()) << what;
        EXPECT_EQ(args, c.rest) << what;
    }
    QStringList args = {"--pty", "vis", "--log", "--pty=led,vis", "--seed", "4"};
    QStringList groups;
    QString error;
    ASSERT_TRUE(TakeRepeatedOption(args, "--pty", groups, error));
    EXPECT_EQ(groups, (QStringList{"vis", "led,vis"}));
    EXPECT_TRUE(TakeFlag(args, "--log"));
    EXPECT_FALSE(TakeFlag(args, "--log"));
    int seed = 0;
    ASSERT_TRUE(TakeIntOption(args, "--seed", seed, error, 0));
    EXPECT_EQ(seed, 4);
    EXPECT_TRUE(args.isEmpty());
    args = {"--seed=-2"};
    EXPECT_FALSE(TakeIntOption(args, "--seed", seed, error, 0));
    EXPECT_EQ(error, "--seed takes a whole number, not \"-2\"");
}

struct BadOption {
    QStringList args;
    const char* env;
    const char* message;
};

class PortOptionErrors : public ::testing::TestWithParam<BadOption> {};

TEST_P(PortOptionErrors, RefusedWithAMessage) {
    qunsetenv("VELARIM_PORTS");
    if (GetParam().env)
        qputenv("VELARIM_PORTS", GetParam().env);
    PortOptions options;
    QString error;
    QStringList args = GetParam().args;
    EXPECT_FALSE(options.take(args, error));
    EXPECT_TRUE(error.contains(GetParam().message)) << error.toStdString();
    qunsetenv("VELARIM_PORTS");
}

INSTANTIATE_TEST_SUITE_P(
    Bad, PortOptionErrors,
    ::testing::Values(BadOption{{"--settle-ms", "-1"}, nullptr, "--settle-ms"},
                      BadOption{{"--settle-ms", "fast"}, nullptr, "--settle-ms"},
                      BadOption{{"--settle-ms"}, nullptr, "--settle-ms needs a value"},
                      BadOption{{"--port"}, nullptr, "--port needs a value"},
                      BadOption{{"--port", "/dev/pts/7"}, nullptr, "--port"},
                      BadOption{{"--simulate", "vis,ir"}, nullptr, "unknown kind"},
                      BadOption{{"--simulate", "vis", "--simulate", "led"}, nullptr, "twice"},
                      BadOption{{}, "/dev/pts/2=XYZ", "VELARIM_PORTS"}));

}  // namespace
