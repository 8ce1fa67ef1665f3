// The tracing port layer: one exact line per exchange through the real
// exchange functions, nothing changed on the wire, lines written out on the
// flush interval, when the buffer fills and when the log goes.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "device/CommandTable.h"
#include "device/Exchange.h"
#include "device/TracingTransport.h"
#include "support/RecordingTransport.h"
#include "support/TraceTestSupport.h"

namespace {

const QString kStamp = "2026-12-08T10:02:03.123Z";

class TracingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("trace.txt");
        QString error;
        log = TraceLog::Create(path, error, std::make_unique<TimeRef>(time));
        ASSERT_TRUE(log) << error.toStdString();
        script = std::make_shared<PortScript>();
        script->name = "pts/5";
        script->clock = &time;
    }
    std::unique_ptr<Transport> open() {
        return std::make_unique<TracingTransport>(std::make_unique<RecordingTransport>(script),
                                                  log);
    }
    // The exchange lines written so far (after a flush), without the header.
    QStringList lines() {
        log->flush();
        QStringList all = FileLines(path);
        EXPECT_FALSE(all.isEmpty());
        if (!all.isEmpty()) {
            EXPECT_EQ(all.first().toStdString() + "\n", std::string(TRACE_HEADER));
            all.removeFirst();
        }
        return all;
    }

    QTemporaryDir dir;
    QString path;
    SteppingTime time;
    std::shared_ptr<TraceLog> log;
    std::shared_ptr<PortScript> script;
};

TEST_F(TracingTest, ReadWordSettingAndMissingReplies) {
    std::unique_ptr<Transport> port = open();
    EXPECT_EQ(port->portName(), "pts/5");

    script->queueReply(FloatBytes(24.5f));
    float temperature = 0;
    ASSERT_TRUE(ReadFloat(*port, CMD_GET_TEMPERATURE, temperature));
    EXPECT_EQ(temperature, 24.5f);  // the reply passes through untouched

    script->queueReply(QByteArray(2, '\0'));
    ASSERT_TRUE(SendSetting(*port, CMD_SET_EXPOSURE, 100000));

    script->queueSilence();
    EXPECT_TRUE(ReadText(*port, CMD_GET_SERIAL).isEmpty());

    script->queueReply(QByteArray(2, 'x'));  // 2 of 4 bytes: missing too
    std::int32_t value = 77;
    EXPECT_FALSE(ReadInt32(*port, CMD_GET_EXPOSURE, value));
    EXPECT_EQ(value, 77);

    // Each exchange reads the steady clock twice around the write and once after
    // the read (5 us a reading); a missing reply waits its bound on the clock.
    const int wait16 = ReplyTimeoutMs(16);
    const int wait4 = ReplyTimeoutMs(4);
    const QString afterFirstWait = QString::fromStdString([&] {
        std::array<char, 24> out{};
        FormatIsoTimeMs(time.wall - wait4, out);
        return std::string(out.data(), out.size());
    }());
    const QStringList expected = {
        kStamp + " pts/5 00040012 - 4/4 10us",
        kStamp + " pts/5 00040084 100000 2/2 10us",
        kStamp + " pts/5 00100003 - 0/16 " + QString::number(wait16 * 1000 + 10) + "us missing",
        afterFirstWait + " pts/5 00040009 - 0/4 " + QString::number(wait4 * 1000 + 10) +
            "us missing",
    };
    EXPECT_EQ(lines(), expected);
}

TEST_F(TracingTest, CutRequestAndRequestWithoutReadGetTheirLineLater) {
    std::unique_ptr<Transport> port = open();
    script->writeLimit = 3;
    EXPECT_FALSE(SendSetting(*port, CMD_SET_AVERAGING, 5));  // cut: no read follows
    EXPECT_EQ(lines(), QStringList());                       // not yet known to be alone
    script->writeLimit = 100;
    script->queueReply(QByteArray(2, '\0'));
    ASSERT_TRUE(SendStoreDark(*port));
    const std::array<std::uint8_t, 4> word = LED_GET_STATE.bytes();
    EXPECT_EQ(port->write(word), 4u);  // a request nobody reads the reply of
    port.reset();                      // its line comes with the close
    const QStringList expected = {
        kStamp + " pts/5 00040086 5 0/0 5us short-write=3/8",
        kStamp + " pts/5 00000088 - 2/2 10us",
        kStamp + " pts/5 00040014 - 0/0 5us",
    };
    EXPECT_EQ(lines(), expected);
}

TEST_F(TracingTest, PagedSpectrumIsOneLinePerPage) {
    std::unique_ptr<Transport> port = open();
    script->responder = [](const QByteArray& request) {
        return QByteArray(int(quint8(request[2]) | (quint8(request[3]) << 8)), '\x01');
    };
    std::array<std::uint8_t, SPECTRUM_BYTES> out{};
    ASSERT_TRUE(ReadTable(*port, CMD_GET_SPECTRUM, 250 * 4, true, out));
    const QStringList got = lines();
    ASSERT_EQ(got.size(), int(SPECTRUM_PAGES));
    for (std::size_t i = 0; i < SPECTRUM_PAGES; ++i) {
        const CommandWord w = PageWord(CMD_GET_SPECTRUM, std::uint8_t(i), SPECTRUM_BYTES);
        const QString hex = QString::asprintf("%08X", w.value());
        EXPECT_EQ(got[int(i)], kStamp + " pts/5 " + hex + " - " + QString::number(w.length) + "/" +
                                   QString::number(w.length) + " 10us");
    }
}

TEST_F(TracingTest, TracingChangesNothingOnTheWire) {
    auto run = [](Transport& port, PortScript& s) {
        s.responder = [](const QByteArray& request) {
            return QByteArray(int(quint8(request[2]) | (quint8(request[3]) << 8)), '\x02');
        };
        float f = 0;
        ReadFloat(port, CMD_GET_TEMPERATURE, f);
        SendSetting(port, CMD_SET_EXPOSURE, -1);
        s.queueSilence();
        ReadText(port, CMD_GET_VERSION);
        port.configureBridge();
        std::array<std::uint8_t, SPECTRUM_BYTES> out{};
        ReadTable(port, CMD_GET_SPECTRUM, 2044, true, out);
    };
    auto plain = std::make_shared<PortScript>();
    {
        RecordingTransport port(plain);
        run(port, *plain);
    }
    {
        std::unique_ptr<Transport> traced = open();
        run(*traced, *script);
    }
    EXPECT_EQ(script->events, plain->events);
    EXPECT_EQ(script->writes, plain->writes);
    EXPECT_EQ(lines().size(), 3 + 32);
}

TEST_F(TracingTest, LinesAreWrittenOutOnTheIntervalAndWhenTheLogGoes) {
    std::unique_ptr<Transport> port = open();
    script->responder = [](const QByteArray&) { return QByteArray(4, '\0'); };
    std::int32_t v = 0;
    ReadInt32(*port, CMD_GET_EXPOSURE, v);
    EXPECT_EQ(FileLines(path).size(), 1);  // the header only: the line is gathered
    time.steady += TraceLog::FLUSH_INTERVAL_US;
    ReadInt32(*port, CMD_GET_AVERAGING, v);
    EXPECT_EQ(FileLines(path).size(), 3);  // interval passed: both lines out
    ReadInt32(*port, CMD_GET_DEVICE_TYPE, v);
    EXPECT_EQ(FileLines(path).size(), 3);
    // The log lives as long as a port or the provider holds it.
    port.reset();
    log.reset();
    const QStringList all = FileLines(path);
    ASSERT_EQ(all.size(), 4);
    EXPECT_TRUE(all[3].contains(" 00040001 - 4/4 "));
}

TEST_F(TracingTest, AFullBufferIsWrittenOutAtOnce) {
    std::unique_ptr<Transport> port = open();
    script->responder = [](const QByteArray&) { return QByteArray(4, '\0'); };
    std::int32_t v = 0;
    int exchanges = 0;
    while (FileLines(path).size() == 1 && exchanges < 10000) {
        ReadInt32(*port, CMD_GET_EXPOSURE, v);
        ++exchanges;
    }
    const int lineBytes = int(std::string_view(" pts/5 00040009 - 4/4 10us\n").size()) + 24;
    EXPECT_EQ(exchanges, int(TraceLog::BUFFER_BYTES + lineBytes - 1) / lineBytes);
    EXPECT_EQ(FileLines(path).size(), exchanges + 1);
}

TEST(TraceLogTest, UnwritableFileIsNamed) {
    QTemporaryDir dir;
    QString error;
    const QString path = dir.filePath("missing/folder/trace.txt");
    EXPECT_FALSE(TraceLog::Create(path, error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(error.contains('\n'));
}

TEST(TraceLogTest, AnExistingFileIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents\nmore\nmore\n");
    }
    QString error;
    ASSERT_TRUE(TraceLog::Create(path, error));
    EXPECT_EQ(FileLines(path), QStringList{QString::fromLatin1(TRACE_HEADER).trimmed()});
}

}  // namespace
