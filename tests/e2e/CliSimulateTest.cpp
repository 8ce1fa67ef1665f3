// velarim-cli with --simulate: the in-process devices behind the same code paths.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "PtyRig.h"

namespace {

void RunCli(QProcess& cli, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VELARIM_PORTS");
    cli.setProcessEnvironment(env);
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
              (QStringList{"U1((sim0)) 1.4", "N2((sim1)) 1.6(LX)", "LED: Desk ver 1.0"}));
}

TEST(CliSimulate, BadDevicesTextFailsWithAMessage) {
    QProcess cli;
    RunCli(cli, {"list", "--simulate", "vis:link=usb"});
    EXPECT_NE(cli.exitCode(), 0);
    EXPECT_TRUE(cli.readAllStandardError().contains("bad option \"link=usb\""));
    EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
}

}  // namespace
