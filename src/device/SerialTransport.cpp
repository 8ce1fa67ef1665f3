#include "device/SerialTransport.h"

#include <QElapsedTimer>

std::unique_ptr<SerialTransport> SerialTransport::Open(const QString& path, const QString& portName,
                                                       QSerialPort::SerialPortError* error,
                                                       QString* errorText) {
    std::unique_ptr<SerialTransport> transport(new SerialTransport(path, portName));
    // QSerialPort takes the port exclusively (a lock file and TIOCEXCL on Unix,
    // no sharing on Windows); a port held by anyone fails here.
    if (!transport->port_.open(QIODevice::ReadWrite)) {
        if (error)
            *error = transport->port_.error();
        if (errorText)
            *errorText = transport->port_.errorString();
        return nullptr;
    }
    return transport;
}

SerialTransport::SerialTransport(const QString& path, const QString& portName)
    : portName_(portName) {
    port_.setPortName(path);
}

SerialTransport::~SerialTransport() {
    if (port_.isOpen())
        port_.close();
    if (onClose_)
        onClose_();
}

std::size_t SerialTransport::write(std::span<const std::uint8_t> bytes) {
    // A reply that arrived after its wait ran out must not answer this request:
    // drop what the driver and the port's buffer still hold.
    port_.clear(QSerialPort::Input);
    const qint64 queued =
        port_.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    if (queued <= 0)
        return 0;
    QElapsedTimer timer;
    timer.start();
    const int bound = ReplyTimeoutMs(bytes.size());
    while (port_.bytesToWrite() > 0) {
        const int left = bound - int(timer.elapsed());
        if (left <= 0 || !port_.waitForBytesWritten(left))
            break;
    }
    const qint64 unsent = port_.bytesToWrite();
    if (unsent > 0) {
        port_.clear(QSerialPort::Output);  // an unfinished request is not sent later
        return std::size_t(queued - std::min(unsent, queued));
    }
    return std::size_t(queued);
}

bool SerialTransport::read(std::span<std::uint8_t> into) {
    const qint64 want = qint64(into.size());
    QElapsedTimer timer;
    timer.start();
    const int bound = ReplyTimeoutMs(into.size());
    while (port_.bytesAvailable() < want) {
        const int left = bound - int(timer.elapsed());
        if (left <= 0 || !port_.waitForReadyRead(left))
            break;
    }
    if (port_.bytesAvailable() < want)
        return false;  // missing; the rest is dropped at the next write
    return port_.read(reinterpret_cast<char*>(into.data()), want) == want;
}

void SerialTransport::configureBridge() {
    port_.setBaudRate(921600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
}
