// velarim-cli with --simulate: the in-process devices behind the same code paths.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "PtyRig.h"
#include "support/ProgramRun.h"

namespace {

void RunCli(QProcess& cli, const QStringList& args) {
    cli.setProcessEnvironment(ProgramEnvironment());
    cli.start(VELARIM_CLI_PATH, args);
    if (!cli.waitForFinished(PtyRig::WAIT_MS)) {
        cli.kill();
        cli.waitForFinished(PtyRig::WAIT_MS);
    }
}

TEST(CliSimulate, ListsSimulatedDevicesWithoutWaiting) {
    QProcess cli;
    RunCli(cli, {"list", "--settle-ms", "0", "--simulate",
                 "uv:serial=U1:fw=1.4,nir:serial=N2:link=bridge:lx=1,led:name=Desk"});
    ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
              (QStringList{"U1(sim0) 1.4", "N2(sim1) 1.6(LX)", "LED: Desk ver 1.0"}));
}

TEST(CliSimulate, BadDevicesTextFailsWithAMessage) {
    QProcess cli;
    RunCli(cli, {"list", "--simulate", "vis:link=usb"});
    EXPECT_NE(cli.exitCode(), 0);
    EXPECT_TRUE(cli.readAllStandardError().contains("bad option \"link=usb\""));
    EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
}

// A device that stops answering during an acquisition is told on stderr once,
// and its columns of the records stored after that read "nan".
TEST(CliSimulate, AcquireTellsOfADeviceThatStopsAndStoresNaNForIt) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("run.csv");
    QProcess cli;
    RunCli(cli, {"acquire", "--records", "6", "--interval-ms", "0", "--settle-ms", "0", "--csv",
                 csv, "--simulate", "vis:serial=A1,vis:serial=B2:fault=unplug@20"});
    ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(err.count("does not answer"), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("velarim-cli: B2(sim1) 1.6 does not answer")) << err.toStdString();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GT(lines.size(), 10);
    // The line of 500 nm: 6 records of A1, then 6 of B2, the last ones NaN.
    QByteArray row;
    for (const QByteArray& line : lines)
        if (line.startsWith("500,"))
            row = line;
    const QList<QByteArray> cells = row.split(',');
    ASSERT_GE(cells.size(), 13) << row.toStdString();
    EXPECT_NE(cells[1], "nan");
    EXPECT_EQ(cells[12], "nan") << row.toStdString();
}

}  // namespace
