#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

// velarim-sim serving devices on pseudo-terminals for the length of a test.
class PtyRig {
  public:
    static constexpr int WAIT_MS = 20000;

    ~PtyRig() {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(WAIT_MS);
        }
    }

    // Starts the simulator and collects its PATH=VID:PID lines, one per device.
    bool start(const QStringList& args, int deviceCount) {
        sim.start(VELARIM_SIM_PATH, args);
        if (!sim.waitForStarted(WAIT_MS))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (ports.size() < deviceCount) {
            while (sim.canReadLine())
                ports << QString::fromUtf8(sim.readLine()).trimmed();
            if (ports.size() >= deviceCount)
                break;
            const int left = WAIT_MS - int(timer.elapsed());
            if (left <= 0 || !sim.waitForReadyRead(left))
                return false;
        }
        return true;
    }

    // "/dev/pts/5" of line i.
    QString path(int i) const { return ports.at(i).section('=', 0, 0); }
    // "pts/5": the port name the device list shows.
    QString portName(int i) const { return path(i).mid(5); }

    // Stops the simulator as a user would; true when it ended cleanly.
    bool stop() {
        sim.terminate();
        return sim.waitForFinished(WAIT_MS) && sim.exitStatus() == QProcess::NormalExit &&
               sim.exitCode() == 0;
    }

    QProcess sim;
    QStringList ports;
};
