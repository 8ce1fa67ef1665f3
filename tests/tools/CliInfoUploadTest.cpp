// velarim-cli info and upload over simulated devices: the dialogs' lines on
// stdout, their files with --csv, and the failures named on stderr.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <vector>
#include "support/ProgramRun.h"

namespace {

ProgramRun RunCli(const QStringList& args) {
    return RunProgram(VELARIM_CLI_PATH, args);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(CliInfo, BridgedNearInfraredDeviceInSlotOne) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("n2.csv");
    const ProgramRun run = RunCli({"info", "--device", "1", "--csv", csv, "--settle-ms", "0",
                                   "--simulate", "vis:serial=V1,nir:serial=N2:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 9 + 256);  // the last slot's model decides: 256 pixels
    EXPECT_EQ(run.lines[0], "Sensor,K52817QX-03");
    EXPECT_EQ(run.lines[1], "Serial,N2");
    EXPECT_TRUE(run.lines[2].startsWith("comp 1, "));
    EXPECT_EQ(run.lines[8], "pixel,   wave, dark(0.05s), dark(0.5s),    gain");
    EXPECT_TRUE(run.lines[9].startsWith("    1,"));
    EXPECT_TRUE(run.lines.last().startsWith("  256,"));
    EXPECT_EQ(ReadAll(csv), run.lines.join("\r\n").toLatin1() + "\r\n");
}

TEST(CliUpload, TwelveLoggedRecordsAndTheirCsv) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("logged.csv");
    const ProgramRun run = RunCli({"upload", "--csv", csv, "--settle-ms", "0", "--simulate",
                                   "nir:lx=1:records=12:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(run.lines[k].startsWith(QString::number(k + 1) + " ")) << k;
    const QList<QByteArray> lines = ReadAll(csv).split('\n');
    ASSERT_EQ(lines.size(), 14);
    EXPECT_TRUE(lines[0].startsWith("no,temperature, voltage,640,641,"));
    EXPECT_TRUE(lines[0].endsWith("1049,1050,\r"));
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(lines[k].count(','), 3 + 411) << k;
}

TEST(CliUpload, NoLoggedRecords) {
    const ProgramRun run =
        RunCli({"upload", "--settle-ms", "0", "--simulate", "vis:lx=1:records=0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.lines.isEmpty());
}

// Options take "--name=VALUE" as well as "--name VALUE", in every command.
TEST(CliInfo, BothOptionFormsGiveTheSameLines) {
    const ProgramRun spaced =
        RunCli({"info", "--device", "1", "--simulate", "vis,nir", "--settle-ms", "0"});
    const ProgramRun joined = RunCli({"info", "--device=1", "--simulate=vis,nir", "--settle-ms=0"});
    ASSERT_EQ(spaced.exitCode, 0) << spaced.err.toStdString();
    EXPECT_EQ(joined.exitCode, 0) << joined.err.toStdString();
    EXPECT_EQ(joined.out, spaced.out);
}

// Every program answers --help with its usage and --version with its name and
// the project's version, on stdout, and does nothing else: not even open a
// display (run over ssh, the window program has none).
TEST(EveryProgram, AnswersHelpAndVersion) {
    struct Program {
        QString path;
        QString name;
        QString usage;
    };
    std::vector<Program> programs = {{VL_TOOL_PATH, "VL_Tool", "usage: VL_Tool"},
                                     {VELARIM_CLI_PATH, "velarim-cli", "usage: velarim-cli"}};
#ifdef VELARIM_SIM_PATH
    programs.push_back({VELARIM_SIM_PATH, "velarim-sim", "usage: velarim-sim"});
#endif
    for (const Program& p : programs) {
        const ProgramRun version = RunProgram(p.path, {"--version"}, 60000, true);
        EXPECT_EQ(version.exitCode, 0) << p.name.toStdString() << version.err.toStdString();
        EXPECT_EQ(version.out, p.name + " " VL_VERSION "\n");
        const ProgramRun help = RunProgram(p.path, {"--help"}, 60000, true);
        EXPECT_EQ(help.exitCode, 0) << p.name.toStdString();
        EXPECT_TRUE(help.out.startsWith(p.usage)) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("--name=VALUE")) << help.out.toStdString();
    }
}

struct FailureCase {
    QStringList args;
    const char* message;
};

class CliFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CliFailures, OneLineOnStderrAndExitOne) {
    QStringList args = GetParam().args;
    args << "--settle-ms"
         << "0";
    const ProgramRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliFailures,
    ::testing::Values(
        FailureCase{{"info", "--device", "2", "--simulate", "vis,vis"}, "no device in slot 2"},
        FailureCase{{"info", "--simulate", "led"}, "no device in slot 0"},
        FailureCase{{"upload", "--simulate", "vis"}, "device in slot 0 is not the LX model"},
        FailureCase{{"upload", "--device", "-1", "--simulate", "vis:lx=1"}, "no device in slot -1"},
        FailureCase{{"info", "--csv", "/nonexistent-dir/x.csv", "--simulate", "vis"},
                    "/nonexistent-dir/x.csv"},
        FailureCase{{"upload", "--csv", "/nonexistent-dir/y.csv", "--simulate", "vis:lx=1"},
                    "/nonexistent-dir/y.csv"},
        FailureCase{{"info", "--device"}, "--device needs a value"},
        FailureCase{{"upload", "extra", "--simulate", "vis:lx=1"}, "unexpected argument"}));

}  // namespace
