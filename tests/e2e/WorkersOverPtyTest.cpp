// Port workers on real pseudo-terminals: what each port is sent, and in which
// order, when every port runs on its own thread; and that closing the ports
// (re-detect, shutdown) never waits for work that was only asked for.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PtyRig.h"
#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/SerialPortProvider.h"
#include "device/WorkerPortExecutor.h"
#include "support/ProgramRun.h"

namespace {

// The request words of each port, in the order the trace has them.
std::map<QString, QStringList> WordsByPort(const QString& trace) {
    QFile f(trace);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    std::map<QString, QStringList> words;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> cells = lines[i].split(' ');
        if (cells.size() >= 3)
            words[QString::fromLatin1(cells[1])] << QString::fromLatin1(cells[2]);
    }
    return words;
}

QStringList Repeat(const QStringList& words, int n) {
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << words;
    return out;
}

TEST(WorkersOverPty, EachPortGetsTheSequenceOfOneThreadDoingOneThingAfterAnother) {
    PtyRig rig;
    ASSERT_TRUE(rig.start({"--pty", "vis:serial=A1,vis:serial=B2:link=bridge,led"}, 3));
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace.txt");
    const ProgramRun run =
        RunProgram(VELARIM_CLI_PATH,
                   {"acquire", "--records", "4", "--interval-ms", "0", "--settle-ms", "0",
                    "--trace", trace, "--csv", dir.filePath("run.csv"), "--port", rig.ports[0],
                    "--port", rig.ports[1], "--port", rig.ports[2]},
                   PtyRig::WAIT_MS);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::map<QString, QStringList> words = WordsByPort(trace);

    const QStringList identify = {"00100002", "00100003", "00040001"};
    const QStringList stored = {"00100003", "00100004", "00040009", "0004000B"};
    // Direct device: whole spectrum, temperature; a record on every tick adds
    // its exposure read after the tick's reads. The command line shows no
    // form: nothing reads the settings for one between detection and the ticks.
    const QStringList direct = words.at(rig.portName(0));
    ASSERT_GE(direct.size(), 7 + 4 * 3);
    EXPECT_EQ(direct.mid(0, 7), identify + stored);
    EXPECT_EQ(direct.mid(7, 12), Repeat({"07FC000F", "00040012", "00040009"}, 4));
    for (int i = 19; i < direct.size(); i += 2)  // ticks after the last record
        EXPECT_EQ(direct.mid(i, 2), (QStringList{"07FC000F", "00040012"})) << i;

    // Bridged device: 32 pages, then the temperature and the exposure.
    QStringList pages;
    for (int p = 0; p < 31; ++p)
        pages << "0040" + QString("%1").arg(p, 2, 16, QChar('0')).toUpper() + "0F";
    pages << "003C1F0F";
    const QStringList bridged = words.at(rig.portName(1));
    EXPECT_EQ(bridged.mid(0, 7), identify + stored);
    EXPECT_EQ(bridged.mid(7, 4 * 34), Repeat(pages + QStringList{"00040012", "00040009"}, 4));

    // LED unit: state, version, name; then temperature and state on every tick.
    const QStringList led = words.at(rig.portName(2));
    EXPECT_EQ(led.mid(0, 3), (QStringList{"00040014", "00100002", "00200000"}));
    for (int i = 3; i + 1 < led.size(); i += 2)
        EXPECT_EQ(led.mid(i, 2), (QStringList{"00040015", "00040089"})) << i;
    EXPECT_TRUE(rig.stop());
}

// A pseudo-terminal with a bridged device's identity that nobody answers.
struct SilentPort {
    SilentPort() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        path = QString::fromLatin1(ptsname(master));
    }
    ~SilentPort() { close(master); }
    int master = -1;
    QString path;
};

TEST(WorkersOverPty, ClosingThePortsDropsTheWorkAskedForAndCutsTheQuietWaitShort) {
    SilentPort silent;
    SerialPortProvider ports({silent.path + "=1A86:7523"});
    WorkerPortExecutor executor;
    DeviceLink link(ports, SystemClock::instance(), executor, 60000);
    bool detected = false;
    link.DetectSpectrometers({}, [&](int) { detected = true; });
    // The silent device is taken on its identity, asked three times (each
    // read bound lost), then left quiet for a minute: shutdown comes first.
    QTest::qWait(50);
    QElapsedTimer closing;
    closing.start();
    link.CloseAll();
    EXPECT_LT(closing.elapsed(), 20000);  // not the minute of the quiet wait
    QTest::qWait(50);
    EXPECT_FALSE(detected);

    // Re-detect while work waits on a silent port: the work not yet started
    // is dropped and none of its `done`s runs.
    auto channel = executor.channel(ports, SerialPortProvider::PortNameOfPath(silent.path));
    channel->post([](PortAccess& port) { EXPECT_TRUE(port.open()); });
    int answered = 0;
    for (int i = 0; i < 50; ++i)
        channel->post(
            [](PortAccess& port) {
                if (port.transport())
                    ReadLiveData(*port.transport(), true, 511);  // about 120 ms each
            },
            [&answered] { ++answered; });
    QTest::qWait(20);
    closing.restart();
    channel.reset();
    EXPECT_LT(closing.elapsed(), 20000);  // one read bound at most, not fifty
    QTest::qWait(50);
    EXPECT_EQ(answered, 0);
    // The port is free again for the next detection.
    auto again = executor.channel(ports, SerialPortProvider::PortNameOfPath(silent.path));
    bool reopened = false;  // set on this thread, from the answer
    Ask<bool>(
        *again, [](PortAccess& port) { return port.open(); },
        [&reopened](bool opened) { reopened = opened; });
    QTRY_VERIFY_WITH_TIMEOUT(reopened, 20000);
}

}  // namespace
