#include "api/ApiTcpServer.h"

#include <QTimer>

namespace {
// A socket's own bookkeeping, as its child so it goes with it.
struct Watch : QObject {
    using QObject::QObject;
    qint64 unanswered = 0;  // bytes received since the last answer went out
    bool refused = false;
    QTimer idle;
    QMetaObject::Connection reading;
};
}  // namespace

ApiTcpServer::ApiTcpServer(const ApiLimits& limits, QObject* parent)
    : QTcpServer(parent), limits_(limits) {}

int ApiTcpServer::connectionCount() {
    sockets_.removeIf([](const QPointer<QTcpSocket>& s) {
        return !s || s->state() == QAbstractSocket::UnconnectedState;
    });
    return int(sockets_.size());
}

void ApiTcpServer::incomingConnection(qintptr handle) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    if (connectionCount() >= limits_.maxConnections) {
        Refuse(socket, 503, "Service Unavailable", "too many connections");
        return;
    }
    sockets_.append(socket);
    Watch(socket);
    connect(socket, &QObject::destroyed, this, &ApiTcpServer::Forget, Qt::QueuedConnection);
    connect(socket, &QAbstractSocket::disconnected, this, &ApiTcpServer::Forget,
            Qt::QueuedConnection);
    addPendingConnection(socket);
    emit connectionCountChanged(connectionCount());
}

void ApiTcpServer::Forget() {
    emit connectionCountChanged(connectionCount());
}

void ApiTcpServer::Watch(QTcpSocket* socket) {
    auto* watch = new ::Watch(socket);
    watch->idle.setSingleShot(true);
    watch->idle.start(limits_.idleMs);
    const qint64 most = limits_.maxBodyBytes + limits_.maxHeaderBytes;
    // Connected before the HTTP layer's own slot, so it runs first.
    watch->reading = connect(socket, &QIODevice::readyRead, watch, [this, socket, watch, most] {
        watch->idle.start(limits_.idleMs);
        if (watch->refused) {
            socket->readAll();  // drained until the client has read the refusal
            return;
        }
        watch->unanswered += socket->bytesAvailable();
        if (watch->unanswered > most) {
            watch->refused = true;
            socket->readAll();
            Refuse(socket, 413, "Payload Too Large", "request over 64 KiB");
        }
    });
    connect(socket, &QIODevice::bytesWritten, watch, [this, socket, watch] {
        // An answer is a sign of life too: idle time counts from the last
        // byte either way.
        watch->idle.start(limits_.idleMs);
        if (socket->bytesToWrite() == 0)
            watch->unanswered = 0;
    });
    connect(&watch->idle, &QTimer::timeout, watch, [socket, watch] {
        // An upgraded stream connection no longer reads through us: the
        // stream watches it.
        if (!watch->reading)
            return;
        socket->abort();
    });
}

void ApiTcpServer::Refuse(QTcpSocket* socket, int status, const QByteArray& reason,
                          const QByteArray& text) {
    const QByteArray body = "{\"error\":\"" + text + "\"}";
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: application/json\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->flush();
    // Closed once the answer is out and the client has stopped sending (it
    // would otherwise get a reset and may lose the answer), or when it idles.
    auto* grace = new QTimer(socket);
    grace->setSingleShot(true);
    connect(grace, &QTimer::timeout, socket, [socket] { socket->disconnectFromHost(); });
    connect(socket, &QIODevice::readyRead, grace, [grace, socket] {
        socket->readAll();
        grace->start(200);
    });
    grace->start(200);
    if (!socket->parent() || socket->parent() == this) {
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    }
}
