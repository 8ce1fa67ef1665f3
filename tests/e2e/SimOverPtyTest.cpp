// velarim-sim's devices answer byte for byte on their pseudo-terminals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>

#include "PtyRig.h"
#include "device/CommandTable.h"

namespace {

// The slave side of a pty, raw, as a host opens it.
class RawPort {
  public:
    explicit RawPort(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (fd_ < 0)
            return;
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    ~RawPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }

    void send(CommandWord w) {
        const auto b = w.bytes();
        ASSERT_EQ(::write(fd_, b.data(), 4), 4);
    }
    // Reads exactly n bytes, waiting at most WAIT_MS in all.
    QByteArray receive(int n) {
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        char buffer[4096];
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            const int left = PtyRig::WAIT_MS - int(timer.elapsed());
            if (left <= 0 || ::poll(&p, 1, left) <= 0)
                break;
            const ssize_t got =
                ::read(fd_, buffer, std::min<size_t>(sizeof buffer, n - out.size()));
            if (got <= 0)
                break;
            out.append(buffer, got);
        }
        return out;
    }

  private:
    int fd_ = -1;
};

TEST(SimOverPty, BridgedDeviceAnswersPagesAndRefusesAWrongLastPage) {
    PtyRig rig;
    ASSERT_TRUE(rig.start({"--log", "--pty", "nir:link=bridge:serial=P1"}, 1));
    RawPort port(rig.path(0));
    ASSERT_TRUE(port.isOpen());

    // Page 31 asks for 64 bytes: refused, so the next reply is the serial alone.
    port.send(CommandWord{CMD_GET_SPECTRUM, 31, 64});
    port.send(CMD_GET_SERIAL);
    EXPECT_EQ(port.receive(16), QByteArray("P1").leftJustified(16, '\0'));

    QByteArray spectrum;
    for (int page = 0; page < 32; ++page) {
        const CommandWord w = PageWord(CMD_GET_SPECTRUM, std::uint8_t(page), SPECTRUM_BYTES);
        port.send(w);
        spectrum += port.receive(w.length);
    }
    ASSERT_EQ(spectrum.size(), 2044);
    EXPECT_EQ(spectrum.mid(411 * 4), QByteArray(100 * 4, '\0'));  // beyond the 411-point grid

    EXPECT_TRUE(rig.stop());
    const QString log = QString::fromUtf8(rig.sim.readAllStandardError());
    EXPECT_TRUE(log.contains("refused 0f 1f 40 00")) << log.toStdString();
}

TEST(SimOverPty, RejectsABadDevicesText) {
    QProcess sim;
    sim.start(VELARIM_SIM_PATH, {"--pty", "vis,ir"});
    ASSERT_TRUE(sim.waitForFinished(PtyRig::WAIT_MS));
    EXPECT_NE(sim.exitCode(), 0);
    EXPECT_TRUE(sim.readAllStandardError().contains("unknown kind \"ir\""));
}

}  // namespace
