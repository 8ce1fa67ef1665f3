#include "api/ApiStream.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include "api/ApiToken.h"

struct ApiStream::Client {
    std::unique_ptr<QWebSocket> socket;
    bool admitted = false;
    QTimer timer;  // the token's deadline, then the pings
    QElapsedTimer sincePong;
};

ApiStream::ApiStream(QByteArray token, const ApiLimits& limits, QObject* parent)
    : QObject(parent), token_(std::move(token)), limits_(limits) {}

ApiStream::~ApiStream() {
    for (auto& c : clients_)
        c->socket->disconnect(this);
}

bool ApiStream::listening() const {
    for (const auto& c : clients_) {
        if (c->admitted)
            return true;
    }
    return false;
}

void ApiStream::Adopt(std::unique_ptr<QWebSocket> socket, const ListenAddress& listen) {
    auto client = std::make_unique<Client>();
    client->socket = std::move(socket);
    QWebSocket* ws = client->socket.get();
    ws->setMaxAllowedIncomingFrameSize(quint64(limits_.maxBodyBytes));
    ws->setMaxAllowedIncomingMessageSize(quint64(limits_.maxBodyBytes));
    Client& c = *client;
    clients_.push_back(std::move(client));
    emit clientCountChanged(clientCount());

    connect(ws, &QWebSocket::disconnected, this, [this, ws] {
        // Deleted later: this may run inside the socket's own signal.
        for (auto it = clients_.begin(); it != clients_.end(); ++it) {
            if ((*it)->socket.get() == ws) {
                (*it)->socket.release()->deleteLater();
                clients_.erase(it);
                emit clientCountChanged(clientCount());
                return;
            }
        }
    });
    const QNetworkRequest request = ws->request();
    if (ws->requestUrl().path() != QLatin1String("/api/v1/stream")) {
        Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no such path"));
        return;
    }
    if (const RequestRefusal refused =
            CheckHostAndOrigin(request.rawHeader("Host"), ws->origin().toLatin1(), listen)) {
        Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, refused.error);
        return;
    }
    const QByteArray authorization = request.rawHeader("Authorization");
    if (!authorization.isEmpty()) {
        if (const RequestRefusal refused = CheckBearer(authorization, token_)) {
            Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, refused.error);
            return;
        }
        Admit(c);
    } else {
        // The token as the first message, within the idle time.
        c.timer.setSingleShot(true);
        connect(&c.timer, &QTimer::timeout, ws, [this, ws] {
            Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no token"));
        });
        c.timer.start(limits_.idleMs);
    }
    connect(ws, &QWebSocket::textMessageReceived, this, [this, ws, &c](const QString& text) {
        if (c.admitted)
            return;  // nothing else is asked of a client
        if (!TokensEqual(text.trimmed().toLatin1(), token_)) {
            Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("wrong token"));
            return;
        }
        Admit(c);
    });
    connect(ws, &QWebSocket::binaryMessageReceived, this, [this, ws, &c] {
        if (!c.admitted)
            Drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no token"));
    });
}

void ApiStream::Admit(Client& c) {
    c.admitted = true;
    QWebSocket* ws = c.socket.get();
    c.sincePong.start();
    connect(ws, &QWebSocket::pong, this, [&c] { c.sincePong.restart(); });
    c.timer.disconnect();
    c.timer.setSingleShot(false);
    // A client that answers no ping for the idle time is gone.
    connect(&c.timer, &QTimer::timeout, ws, [this, ws, &c] {
        if (c.sincePong.elapsed() > limits_.idleMs) {
            ws->abort();
            return;
        }
        ws->ping();
    });
    c.timer.start(std::max(limits_.idleMs / 3, 1));
}

void ApiStream::Drop(QWebSocket* socket, QWebSocketProtocol::CloseCode code,
                     const QString& reason) {
    socket->close(code, reason.left(100));
}

void ApiStream::Send(const QByteArray& text) {
    const QString message = QString::fromUtf8(text);
    // A write may find a client gone and drop it from the list at once.
    std::vector<QPointer<QWebSocket>> to;
    for (const auto& c : clients_) {
        if (c->admitted && c->socket->bytesToWrite() <= limits_.maxStreamBacklogBytes)
            to.emplace_back(c->socket.get());
    }
    for (const QPointer<QWebSocket>& socket : to) {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            continue;
        socket->sendTextMessage(message);
        // Into the kernel now rather than at the event loop's next turn: the
        // socket takes what it can without waiting and keeps the rest.
        socket->flush();
    }
}
