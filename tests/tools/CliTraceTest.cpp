// velarim-cli with --trace and with a port it cannot open: the trace file of a
// whole `list`, the refusal of an unwritable trace file, and the warning line
// on stderr for a port held by another program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>

#include "support/ProgramRun.h"
#include "support/TraceTestSupport.h"

namespace {

ProgramRun RunCli(const QStringList& args) {
    return RunProgram(VELARIM_CLI_PATH, args);
}

const QRegularExpression kLine(
    R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (sim\d) ([0-9A-F]{8}) (-|-?\d+) (\d+)/(\d+) \d+us$)");

TEST(CliTraceTest, ListWritesOneLinePerExchange) {
    struct Case {
        const char* devices;
        int lines;  // identity 3 + stored identity and limits 4 per spectrometer, LED 3
        int ledLines;
    };
    for (const Case& c : {Case{"vis", 7, 0}, Case{"vis:link=bridge", 7, 0}, Case{"vis,led", 10, 3},
                          Case{"vis,nir,led", 17, 3}}) {
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace.txt");
        const ProgramRun run =
            RunCli({"list", "--trace", trace, "--simulate", c.devices, "--settle-ms", "0"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = FileLines(trace);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first() + "\n", QString::fromLatin1(TRACE_HEADER));
        ASSERT_EQ(lines.size(), c.lines + 1) << c.devices;
        int led = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const QRegularExpressionMatch m = kLine.match(lines[i]);
            ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
            EXPECT_EQ(m.captured(4), m.captured(5)) << lines[i].toStdString();  // all in full
            led += m.captured(2) == "00040014";  // the LED unit's state
        }
        EXPECT_EQ(led, c.ledLines / 3) << c.devices;
        // The ports are detected all at once: the first exchange on each port
        // asks a spectrometer's version text, or the LED unit's state.
        QStringList firstOnPort;
        for (int i = 1; i < lines.size(); ++i) {
            const QString port = kLine.match(lines[i]).captured(1);
            if (!firstOnPort.contains(port)) {
                firstOnPort << port;
                EXPECT_TRUE(lines[i].contains(" 00100002 - 16/16 ") ||
                            lines[i].contains(" 00040014 - 4/4 "))
                    << lines[i].toStdString();
            }
        }
    }
}

TEST(CliTraceTest, UnwritableTraceFileStopsTheCommand) {
    QTemporaryDir dir;
    const QString trace = dir.filePath("no/such/folder/trace.txt");
    const ProgramRun run =
        RunCli({"list", "--trace", trace, "--simulate", "vis", "--settle-ms", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.startsWith("velarim-cli: cannot write the trace file \"" + trace + "\""))
        << run.err.toStdString();
    EXPECT_EQ(RunCli({"list", "--simulate", "vis", "--trace"}).exitCode, 2)
        << "a --trace without a file is refused";
}

TEST(CliDiagnosticsTest, HeldPortIsNamedOnStderrAndTheListStillSucceeds) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString path = QString::fromLatin1(ptsname(master));
    const QString name = path.mid(5);
    {
        QSerialPort other;
        other.setPortName(path);
        ASSERT_TRUE(other.open(QIODevice::ReadWrite));
        const ProgramRun run = RunCli({"list", "--port", path + "=1A86:7523", "--settle-ms", "0"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_EQ(run.err, "velarim-cli: warning: " + name + " (" + path +
                               ", USB 1A86:7523) cannot be opened: held by another program; "
                               "close the program that uses the port, then detect again\n");
    }
    close(master);
}

}  // namespace
