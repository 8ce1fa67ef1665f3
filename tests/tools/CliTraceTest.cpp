// velarim-cli with --trace and with a port it cannot open: the trace file of a
// whole `list`, the refusal of an unwritable trace file, the device settings of
// `acquire` on the wire before the first record, and the one line on stderr
// for a port held by another program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>

#include "data/DocumentFile.h"
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

// The exchanges on one port: "REQUEST PAYLOAD RECEIVED/REQUESTED".
QStringList PortExchanges(const QStringList& trace, const QString& port) {
    QStringList out;
    for (const QString& line : trace) {
        const QRegularExpressionMatch m = kLine.match(line);
        if (m.hasMatch() && m.captured(1) == port)
            out << m.captured(2) + " " + m.captured(3) + " " + m.captured(4) + "/" + m.captured(5);
    }
    return out;
}

// acquire --exposure-us/--averaging: each addressed port gets the two setting
// words with their payloads, then reads both back, all before the spectrum
// read of the first record (whose exposure read is the port's last exchange
// of that word); the record carries the exposure set. A port not addressed
// gets no setting.
TEST(CliSettingsTraceTest, SettingsAndReadBackBeforeTheFirstRecord) {
    struct Case {
        QStringList device;           // --device option
        std::vector<bool> addressed;  // per port
    };
    for (const Case& c : {Case{{}, {true, true}}, Case{{"--device", "1"}, {false, true}}}) {
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace.txt"), vltd = dir.filePath("run.vltd");
        QStringList args = {"acquire",
                            "--records",
                            "1",
                            "--interval-ms",
                            "0",
                            "--settle-ms",
                            "0",
                            "--exposure-us",
                            "20000",
                            "--averaging",
                            "4",
                            "--trace",
                            trace,
                            "--vltd",
                            vltd,
                            "--simulate",
                            "vis:serial=V1,vis:serial=V2:link=bridge"};
        args << c.device;
        const ProgramRun run = RunCli(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "1 records of 2 devices\n");
        const QStringList lines = FileLines(trace);
        MeasurementDataSet data;
        ASSERT_TRUE(ReadDocumentFile(vltd, data).ok);
        ASSERT_EQ(data.recordCount, 1);
        for (int port = 0; port < 2; ++port) {
            const QStringList ex = PortExchanges(lines, QString("sim%1").arg(port));
            const qsizetype set = ex.indexOf("00040084 20000 2/2");
            if (!c.addressed[std::size_t(port)]) {
                EXPECT_EQ(set, -1);
                EXPECT_TRUE(ex.filter(QRegularExpression("^0004008[467] ")).isEmpty());
                EXPECT_EQ(data.entry(port, 0).exposure, 10000);
                continue;
            }
            ASSERT_GE(set, 0) << port;
            EXPECT_EQ(ex.mid(set, 4), (QStringList{"00040084 20000 2/2", "00040086 4 2/2",
                                                   "00040009 - 4/4", "0004000B - 4/4"}));
            EXPECT_EQ(ex.filter("00040084 ").size(), 1);
            EXPECT_EQ(ex.filter("00040086 ").size(), 1);
            const qsizetype recordExposure = ex.lastIndexOf("00040009 - 4/4");
            const QString spectrum = port == 0 ? "07FC000F - 2044/2044" : "0040000F - 64/64";
            const qsizetype read = ex.lastIndexOf(spectrum, recordExposure);
            EXPECT_GT(read, set + 3) << "the record's spectrum is read after the settings";
            EXPECT_EQ(data.entry(port, 0).exposure, 20000);
        }
    }
}

// Values out of range are refused before any port is opened (no trace file);
// values the firmware does not take, and a device that stops answering, after
// the detection but before any setting word goes out, and no file is written.
TEST(CliSettingsTraceTest, RefusalsSendNoSetting) {
    struct Case {
        QStringList options;
        const char* devices;
        QString message;
        bool detected;  // the ports were opened before the refusal
    };
    const std::vector<Case> cases = {
        {{"--exposure-us", "0"}, "vis", "exposure 0 us is outside 1..1000000 us", false},
        {{"--exposure-us", "1000001"},
         "vis",
         "exposure 1000001 us is outside 1..1000000 us",
         false},
        {{"--averaging", "101"}, "vis", "averaging 101 is outside 1..100", false},
        {{"--averaging", "0", "--device", "1"}, "vis", "averaging 0 is outside 1..100", false},
        {{"--exposure-us", "2e4"}, "vis", "--exposure-us takes a whole number, not \"2e4\"", false},
        {{"--led", "dim"}, "vis", "--led takes on or off, not \"dim\"", false},
        {{"--aux", "5"},
         "vis:serial=A:fw=1.6,vis:serial=B:fw=1.5",
         "device in slot 1 (firmware 1.5) takes no auxiliary setting",
         true},
        {{"--averaging", "2", "--exposure-us", "500"},
         "vis:fw=1.4",
         "device in slot 0 (firmware 1.4) takes no averaging",
         true},
        {{"--dark"}, "vis:fw=1.4", "device in slot 0 (firmware 1.4) takes no dark", true},
        {{"--exposure-us", "500", "--device", "2"}, "vis,vis", "no device in slot 2", true},
        {{"--led", "on"}, "vis", "no LED unit found", true},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace.txt"), csv = dir.filePath("out.csv");
        QStringList args = {"acquire",     "--records",  "1",       "--interval-ms", "0",
                            "--settle-ms", "0",          "--trace", trace,           "--csv",
                            csv,           "--simulate", c.devices};
        args << c.options;
        const ProgramRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 1) << c.message.toStdString();
        EXPECT_EQ(run.err, "velarim-cli: " + c.message + "\n");
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(QFile::exists(csv));
        EXPECT_EQ(QFile::exists(trace), c.detected) << c.message.toStdString();
        const QStringList lines = FileLines(trace);
        EXPECT_TRUE(lines.filter(QRegularExpression(" 000[04]008[4-9] ")).isEmpty())
            << c.message.toStdString();
    }

    // Unplugged after its detection (3 identity and 4 stored-identity
    // exchanges): the setting goes out but nothing comes back.
    QTemporaryDir dir;
    const QString csv = dir.filePath("out.csv");
    const ProgramRun silent =
        RunCli({"acquire", "--records", "1", "--settle-ms", "0", "--csv", csv, "--exposure-us",
                "500", "--simulate", "vis:serial=V1,vis:serial=V2:fault=unplug@7"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.err, "velarim-cli: device in slot 1 (V2) does not answer the settings\n");
    EXPECT_FALSE(QFile::exists(csv));
}

TEST(CliDiagnosticsTest, HeldPortIsNamedOnStderrAndTheEmptyListFails) {
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
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_EQ(run.err, "velarim-cli: " + name + " (" + path +
                               ", USB 1A86:7523) cannot be opened: held by another program; "
                               "close the program that uses the port, then detect again\n");
    }
    close(master);
}

}  // namespace
