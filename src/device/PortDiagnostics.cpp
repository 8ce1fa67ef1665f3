#include "device/PortDiagnostics.h"

#include "device/PortNode.h"

PortOpenError ClassifyOpenError(QSerialPort::SerialPortError error, bool nodeExists,
                                bool accessible) {
    switch (error) {
        case QSerialPort::NoError:
            return PortOpenError::None;
        case QSerialPort::DeviceNotFoundError:
            return PortOpenError::NotFound;
        case QSerialPort::PermissionError:
            if (!nodeExists)
                return PortOpenError::NotFound;
            return accessible ? PortOpenError::Busy : PortOpenError::Permission;
        case QSerialPort::OpenError:
            return PortOpenError::Busy;  // "already open" or held
        default:
            return nodeExists ? PortOpenError::Other : PortOpenError::NotFound;
    }
}

PortOpenFailure DescribeOpenFailure(QSerialPort::SerialPortError error, const QString& path,
                                    const QString& detail) {
    PortOpenFailure failure;
    failure.path = path;
    failure.detail = detail;
    const std::optional<PortNode> node = InspectPortNode(path);
    if (node)
        failure.group = node->group;
    // Without a node to look at, a refused port counts as denied.
    const bool exists = node ? node->exists : error != QSerialPort::DeviceNotFoundError;
    const bool accessible = node && node->accessible;
    failure.error = ClassifyOpenError(error, exists, accessible);
    return failure;
}

QString PortDiagnosticMessage(const QString& portName, const QString& usbId,
                              const PortOpenFailure& failure) {
    QString where = portName + " (";
    if (!failure.path.isEmpty() && failure.path != portName)
        where += failure.path + ", ";
    where += "USB " + usbId + ")";
    switch (failure.error) {
        case PortOpenError::Permission: {
            QString remedy = QStringLiteral("install the udev rule ") + UDEV_RULE_PATH;
            if (!failure.group.isEmpty() && failure.group != QLatin1String("root"))
                remedy += ", or join the group that owns the port: sudo usermod -aG " +
                          failure.group + " $USER (then log in again)";
            else
                remedy += ", or give your user read and write access to " +
                          (failure.path.isEmpty() ? portName : failure.path);
            return where + " cannot be opened: permission denied; " + remedy;
        }
        case PortOpenError::Busy:
            return where +
                   " cannot be opened: held by another program; close the program that uses "
                   "the port, then detect again";
        case PortOpenError::Other:
            return where + " cannot be opened: " +
                   (failure.detail.isEmpty() ? QStringLiteral("unknown error") : failure.detail);
        case PortOpenError::None:
        case PortOpenError::NotFound:
            break;
    }
    return {};
}
