#include "device/PortDiagnostics.h"

#include <array>

#include <QFile>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    bool exists = true;
    bool accessible = true;
#ifdef Q_OS_UNIX
    const QByteArray node = QFile::encodeName(path);
    struct stat st {};
    exists = ::stat(node.constData(), &st) == 0;
    accessible = exists && ::access(node.constData(), R_OK | W_OK) == 0;
    if (exists) {
        std::array<char, 1024> buffer{};
        struct group entry {};
        struct group* found = nullptr;
        if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            failure.group = QString::fromLocal8Bit(found->gr_name);
    }
#else
    exists = error != QSerialPort::DeviceNotFoundError;
    accessible = false;  // no node to look at: a refused port counts as denied
#endif
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
