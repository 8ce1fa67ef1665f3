// velarim-cli info, upload and acquire over simulated devices: the dialogs'
// lines on stdout, their files with --csv, the files of devices of different
// grids, and the failures named on stderr.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <vector>
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"
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
// UV, visible and NIR devices: HDF5 of format 2 and the CSV over all their
// wavelengths are written; the document file is refused and not written.
TEST(CliAcquire, DevicesOfDifferentGridsGoToHdf5AndCsvButNoDocument) {
    QTemporaryDir dir;
    const QString h5 = dir.filePath("x.h5"), csv = dir.filePath("y.csv"),
                  vltd = dir.filePath("z.vltd");
    const ProgramRun run = RunCli(
        {"acquire", "--simulate", "uv:serial=U1,vis:serial=V1,nir:serial=N1", "--records", "2",
         "--interval-ms", "0", "--settle-ms", "0", "--h5", h5, "--csv", csv, "--vltd", vltd});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "velarim-cli: " + vltd +
                  QString::fromUtf8(": この記録には波長範囲の違う装置があります。文書ファイ"
                                    "ルには一つの範囲しか保存できません。HDF5 (.h5) で保存"
                                    "してください。\n"));
    EXPECT_FALSE(QFile::exists(vltd));

    {
        SilenceHdf5Errors();
        H5Handle file =
            FileHandle(H5Fopen(QFile::encodeName(h5).constData(), H5F_ACC_RDONLY, H5P_DEFAULT));
        ASSERT_TRUE(file);
        H5Handle version = AttributeHandle(H5Aopen(file.get(), "format_version", H5P_DEFAULT));
        std::int32_t v = 0;
        ASSERT_GE(H5Aread(version.get(), H5T_NATIVE_INT32, &v), 0);
        EXPECT_EQ(v, 2);
    }
    MeasurementDataSet data;
    const DocumentResult read = ReadHdf5File(h5, data);
    ASSERT_TRUE(read.ok) << read.message.toStdString();
    ASSERT_EQ(data.deviceCount, 3);
    EXPECT_EQ(data.recordCount, 2);
    EXPECT_EQ(data.serialText[0], "U1");
    EXPECT_EQ(data.grid(0), (SpectrumGrid{190, 251}));
    EXPECT_EQ(data.grid(1), (SpectrumGrid{340, 511}));
    EXPECT_EQ(data.grid(2), (SpectrumGrid{640, 411}));

    const QList<QByteArray> lines = ReadAll(csv).split('\n');
    ASSERT_EQ(lines.size(), 5 + 861 + 1);
    EXPECT_EQ(lines[1], "device,U1,U1,V1,V1,N1,N1,\r");
    // Row of nm: its label, then per device two cells, empty off the device's grid.
    const auto cells = [&](int nm) {
        QList<QByteArray> c = lines[5 + nm - 190].chopped(1).split(',');
        EXPECT_EQ(c.size(), 1 + 6 + 1) << nm;
        EXPECT_EQ(c.value(0), QByteArray::number(nm));
        QString shape;
        for (int k = 1; k <= 6; ++k)
            shape += c.value(k).isEmpty() ? '-' : 'v';
        return shape;
    };
    EXPECT_EQ(cells(190), "vv----");
    EXPECT_EQ(cells(339), "vv----");
    EXPECT_EQ(cells(340), "vvvv--");
    EXPECT_EQ(cells(440), "vvvv--");
    EXPECT_EQ(cells(441), "--vv--");
    EXPECT_EQ(cells(640), "--vvvv");
    EXPECT_EQ(cells(850), "--vvvv");
    EXPECT_EQ(cells(851), "----vv");
    EXPECT_EQ(cells(1050), "----vv");

    // convert: the HDF5 file gives the same CSV, and no document either.
    const QString back = dir.filePath("back.csv"), out = dir.filePath("out.vltd");
    ASSERT_EQ(RunCli({"convert", h5, back}).exitCode, 0);
    EXPECT_EQ(ReadAll(back), ReadAll(csv));
    const ProgramRun convert = RunCli({"convert", h5, out});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, QString(run.err).replace(vltd, out));
    EXPECT_FALSE(QFile::exists(out));
}

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
