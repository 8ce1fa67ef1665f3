#pragma once

#include <QSerialPort>
#include <QString>

// Why a serial port that exists could not be opened, and what the user can do
// about it. Filled by the port provider on a failed open, turned into one line
// of English by DeviceLink for the status bar and `velarim-cli list`.
enum class PortOpenError {
    None,        // opened, or held by this program itself (nothing to report)
    NotFound,    // no such port (unplugged meanwhile)
    Permission,  // the user may not read and write the device node
    Busy,        // held by another program (lock file or exclusive mode)
    Other,       // any other failure, with the system's text in `detail`
};

struct PortOpenFailure {
    PortOpenError error = PortOpenError::None;
    QString path;    // device node, e.g. "/dev/ttyUSB0"
    QString group;   // owning group of the node for Permission, e.g. "dialout"
    QString detail;  // the system's own text
};

// A provider that can tell why an open() gave nullptr. Port providers over
// real ports implement it next to PortProvider; DeviceLink asks for it. Ports
// are opened on their own threads, so the answer is kept per port.
class PortOpenReporter {
  public:
    virtual ~PortOpenReporter() = default;
    // The outcome of the most recent open() of that port.
    virtual PortOpenFailure lastOpenFailure(const QString& portName) const = 0;
};

// A port with one of the three USB identities that could not be opened.
struct PortDiagnostic {
    QString portName;  // "ttyUSB0"
    QString usbId;     // "1A86:7523"
    PortOpenFailure failure;
    QString message;  // one line, English, ready for the status bar
};

// The serial port error and what is known of the node, sorted into the reasons
// above. A PermissionError on a node the user may read and write is a lock held
// by another program (the serial port library reports a foreign lock file and
// an exclusive-mode refusal as a permission error).
PortOpenError ClassifyOpenError(QSerialPort::SerialPortError error, bool nodeExists,
                                bool accessible);

// Looks at the node at `path` (exists, read/write access, owning group) and
// classifies `error` with ClassifyOpenError.
PortOpenFailure DescribeOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                                    const QString& detail);

// "pts/5 (USB 1A86:7523) cannot be opened: ..." with the remedy; empty for
// None and NotFound, which are not reported.
QString PortDiagnosticMessage(const QString& portName, const QString& usbId,
                              const PortOpenFailure& failure);

// The udev rule the packages install for the three identities.
inline constexpr const char* UDEV_RULE_PATH = "/etc/udev/rules.d/60-velarim.rules";
