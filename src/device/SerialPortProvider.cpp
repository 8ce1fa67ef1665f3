#include "device/SerialPortProvider.h"

#include <algorithm>

#include "device/SerialTransport.h"

namespace {
const QString kDevPrefix = QStringLiteral("/dev/");

bool ParseHex16(const QString& text, std::uint16_t& value) {
    if (text.isEmpty() || text.size() > 4)
        return false;
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    if (!ok)
        return false;
    value = static_cast<std::uint16_t>(v);
    return true;
}
}  // namespace

SerialPortProvider::SerialPortProvider(QStringList declaredPorts)
    : held_(std::make_shared<Held>()) {
    for (const QString& entry : declaredPorts) {
        DeclaredPort port;
        QString error;
        if (ParseDeclaredPort(entry, port, error))
            declared_.push_back(port);
    }
}

bool SerialPortProvider::ParseDeclaredPort(const QString& text, DeclaredPort& port,
                                           QString& error) {
    const int eq = text.lastIndexOf('=');
    const QString path = eq < 0 ? QString() : text.left(eq).trimmed();
    const QStringList ids = eq < 0 ? QStringList() : text.mid(eq + 1).trimmed().split(':');
    DeclaredPort parsed;
    parsed.path = path;
    if (path.isEmpty() || ids.size() != 2 || !ParseHex16(ids[0], parsed.vendorId) ||
        !ParseHex16(ids[1], parsed.productId)) {
        error = "malformed port \"" + text + "\" (expected PATH=VID:PID in hex, e.g. " +
                "/dev/pts/7=1A86:7523)";
        return false;
    }
    port = parsed;
    return true;
}

QString SerialPortProvider::PortNameOfPath(const QString& path) {
    return path.startsWith(kDevPrefix) ? path.mid(kDevPrefix.size()) : path;
}

bool SerialPortProvider::NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            // Compare the digit runs by value: strip leading zeros, then length, then text.
            qsizetype is = i, js = j;
            while (is + 1 < ie && a[is] == '0')
                ++is;
            while (js + 1 < je && b[js] == '0')
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js;
            const int c =
                QStringView(a).sliced(is, ie - is).compare(QStringView(b).sliced(js, je - js));
            if (c != 0)
                return c < 0;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;  // equal by value ("COM02" vs "COM2"): a stable, total order
}

QString SerialPortProvider::HardwareId(std::uint16_t vendorId, std::uint16_t productId,
                                       const QString& serialNumber) {
    QString id = QString::asprintf("USB\\VID_%04X&PID_%04X", vendorId, productId);
    if (!serialNumber.isEmpty())
        id += "\\" + serialNumber.toUpper();
    return id;
}

void SerialPortProvider::scanSystemPorts() {
    systemPorts_ = QSerialPortInfo::availablePorts();
    scanned_ = true;
}

std::vector<SerialPortProvider::Candidate> SerialPortProvider::candidates() {
    if (!scanned_)
        scanSystemPorts();
    std::vector<Candidate> list;
    for (const QSerialPortInfo& info : systemPorts_)
        list.push_back({info.portName(), info.systemLocation()});
    std::sort(list.begin(), list.end(),
              [](const Candidate& a, const Candidate& b) { return NaturalLess(a.name, b.name); });
    for (const DeclaredPort& port : declared_) {
        const QString name = PortNameOfPath(port.path);
        const bool known = std::any_of(list.begin(), list.end(),
                                       [&](const Candidate& c) { return c.name == name; });
        if (!known)
            list.push_back({name, port.path});
    }
    return list;
}

std::vector<QString> SerialPortProvider::candidatePorts() {
    std::lock_guard lock(mutex_);
    scanSystemPorts();
    std::vector<QString> names;
    for (const Candidate& c : candidates())
        names.push_back(c.name);
    return names;
}

std::vector<UsbDeviceInfo> SerialPortProvider::enumerateDevices() {
    std::vector<UsbDeviceInfo> devices;
    auto add = [&](const QString& name, QString description, const QString& hardwareId) {
        if (description.isEmpty())
            description = QStringLiteral("USB Serial Device");
        devices.push_back({description, description + " " + PortTag(name), hardwareId});
    };
    std::lock_guard lock(mutex_);
    if (!scanned_)
        scanSystemPorts();
    for (const QSerialPortInfo& info : systemPorts_) {
        if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
            continue;
        add(info.portName(), info.description(),
            HardwareId(info.vendorIdentifier(), info.productIdentifier(), info.serialNumber()));
    }
    for (const DeclaredPort& port : declared_)
        add(PortNameOfPath(port.path), QStringLiteral("Declared Serial Port"),
            HardwareId(port.vendorId, port.productId, QString()));
    return devices;
}

std::unique_ptr<Transport> SerialPortProvider::open(const QString& portName) {
    QString path;
    {
        std::lock_guard lock(mutex_);
        for (const Candidate& c : candidates()) {
            if (c.name == portName) {
                path = c.path;
                break;
            }
        }
        lastFailures_[portName] = PortOpenFailure{};
        if (path.isEmpty()) {
            lastFailures_[portName].error = PortOpenError::NotFound;
            return nullptr;
        }
    }
    {
        std::lock_guard lock(held_->mutex);
        if (held_->paths.contains(path))
            return nullptr;         // ours: nothing to report
        held_->paths.insert(path);  // taken while it opens
    }
    QSerialPort::SerialPortError error = QSerialPort::NoError;
    QString errorText;
    std::unique_ptr<SerialTransport> transport =
        SerialTransport::Open(path, portName, &error, &errorText);
    if (!transport) {
        {
            std::lock_guard lock(held_->mutex);
            held_->paths.remove(path);
        }
        std::lock_guard lock(mutex_);
        lastFailures_[portName] = DescribeOpenFailure(error, path, errorText);
        return nullptr;
    }
    transport->setOnClose([held = held_, path] {
        std::lock_guard lock(held->mutex);
        held->paths.remove(path);
    });
    return transport;
}

PortOpenFailure SerialPortProvider::lastOpenFailure(const QString& portName) const {
    std::lock_guard lock(mutex_);
    const auto it = lastFailures_.find(portName);
    return it == lastFailures_.end() ? PortOpenFailure{} : it->second;
}
