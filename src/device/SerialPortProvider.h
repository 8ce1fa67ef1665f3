#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <QSerialPortInfo>
#include <QSet>
#include <QString>
#include <QStringList>

#include "device/PortDiagnostics.h"
#include "device/PortProvider.h"

// A port with no USB identity of its own (a pseudo-terminal, a test rig),
// given one on the command line as "PATH=VID:PID" (hex).
struct DeclaredPort {
    QString path;  // e.g. "/dev/pts/7"
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The system's serial ports in natural name order (ttyACM2 before ttyACM10),
// followed by the declared ports in the order given. Ports are named by their
// path below /dev/ ("ttyUSB0", "pts/5"), or as the system lists them ("COM7").
class SerialPortProvider final : public PortProvider, public PortOpenReporter {
  public:
    // Entries that do not parse are skipped; check them first with ParseDeclaredPort.
    explicit SerialPortProvider(QStringList declaredPorts);

    std::vector<QString> candidatePorts() override;
    std::vector<UsbDeviceInfo> enumerateDevices() override;
    std::unique_ptr<Transport> open(const QString& portName) override;
    // Why the last open() of the port failed; None when it succeeded or when
    // the port is one this program already holds (through this provider).
    PortOpenFailure lastOpenFailure(const QString& portName) const override;

    // "PATH=VID:PID" with 1 to 4 hex digits each. On failure returns false with
    // a one-line message naming the entry.
    static bool ParseDeclaredPort(const QString& text, DeclaredPort& port, QString& error);
    // Port name of a device path: the part below /dev/, else the path itself.
    static QString PortNameOfPath(const QString& path);
    // Natural order of port names: digit runs compare by value.
    static bool NaturalLess(const QString& a, const QString& b);
    // "USB\VID_1A86&PID_7523\SERIAL" (the serial part only when there is one).
    static QString HardwareId(std::uint16_t vendorId, std::uint16_t productId,
                              const QString& serialNumber);

  private:
    struct Candidate {
        QString name;
        QString path;
    };
    // Lists the system's ports (slow: it probes the devices) into systemPorts_.
    void scanSystemPorts();
    std::vector<Candidate> candidates();

    // The ports this program has open, shared with their transports, which
    // take themselves off when they close (on their own threads).
    struct Held {
        std::mutex mutex;
        QSet<QString> paths;
    };

    // Ports are opened on their own threads while the window lists them: the
    // list and the open failures are kept under this lock.
    mutable std::mutex mutex_;
    // The system's ports as last listed; candidatePorts() lists them afresh,
    // the enumeration and open() of the same detection reuse that list.
    QList<QSerialPortInfo> systemPorts_;
    bool scanned_ = false;
    std::map<QString, PortOpenFailure> lastFailures_;

    std::vector<DeclaredPort> declared_;
    std::shared_ptr<Held> held_;
};
