// velarim-cli detects and lists simulated devices served on pseudo-terminals.
#include <gtest/gtest.h>

#include "PtyRig.h"
#include "support/ProgramRun.h"

namespace {

ProgramRun RunCli(const QStringList& args) {
    return RunProgram(VELARIM_CLI_PATH, args, PtyRig::WAIT_MS);
}

TEST(ListOverPty, ListsSpectrometersInPortOrderAndTheLedUnit) {
    PtyRig rig;
    ASSERT_TRUE(rig.start({"--pty", "vis:serial=S1,vis:serial=S2:link=bridge:lx=1,led"}, 3));
    EXPECT_TRUE(rig.ports[0].endsWith("=3D7E:0825")) << rig.ports[0].toStdString();
    EXPECT_TRUE(rig.ports[1].endsWith("=1A86:7523")) << rig.ports[1].toStdString();
    EXPECT_TRUE(rig.ports[2].endsWith("=3D7E:0B20")) << rig.ports[2].toStdString();

    const ProgramRun run = RunCli({"list", "--settle-ms", "0", "--port", rig.ports[0], "--port",
                                   rig.ports[1], "--port", rig.ports[2]});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList expected = {
        QString("S1(%1) 1.6").arg(rig.portName(0)),
        QString("S2(%1) 1.6(LX)").arg(rig.portName(1)),
        "LED: Velarim LED ver 1.0",
    };
    EXPECT_EQ(run.lines, expected) << run.lines.join("|").toStdString() << "\n"
                                   << run.err.toStdString();
    EXPECT_TRUE(rig.stop());
}

TEST(ListOverPty, PortsFromTheEnvironmentAreTakenToo) {
    PtyRig rig;
    ASSERT_TRUE(rig.start({"--pty", "nir:serial=N9:fw=1.4", "--pty", "led:name=Bench:fw=2.0"}, 2));
    QProcess cli;
    QProcessEnvironment env = ProgramEnvironment();
    env.insert("VELARIM_PORTS", rig.ports.join(';'));
    cli.setProcessEnvironment(env);
    cli.start(VELARIM_CLI_PATH, {"list", "--settle-ms", "0"});
    ASSERT_TRUE(cli.waitForFinished(PtyRig::WAIT_MS));
    const QStringList out =
        QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(out, (QStringList{QString("N9(%1) 1.4").arg(rig.portName(0)), "LED: Bench ver 2.0"}))
        << out.join("|").toStdString() << "\n"
        << cli.readAllStandardError().toStdString();
    EXPECT_TRUE(rig.stop());
}

}  // namespace
