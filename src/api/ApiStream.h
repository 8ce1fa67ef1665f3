#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QWebSocket>

#include "api/ApiLimits.h"
#include "api/ApiRequestCheck.h"

// The stream's clients (WebSocket at /api/v1/stream). A client comes in with
// the bearer token in its upgrade request or as its first message; until then
// it gets nothing, and it is closed when the token is wrong, when it does not
// show one within the idle time, or when it stops answering pings. Messages
// go out to every admitted client; one that does not keep up misses messages
// rather than holding up the others.
class ApiStream : public QObject {
    Q_OBJECT
  public:
    ApiStream(QByteArray token, const ApiLimits& limits, QObject* parent = nullptr);
    ~ApiStream() override;

    void Adopt(std::unique_ptr<QWebSocket> socket, const ListenAddress& listen);
    // Whether anyone would get a message (so the caller can skip making it).
    bool listening() const;
    void Send(const QByteArray& text);
    int clientCount() const { return int(clients_.size()); }

  signals:
    void clientCountChanged(int count);

  private:
    struct Client;
    void Admit(Client& client);
    void Drop(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& reason);

    QByteArray token_;
    ApiLimits limits_;
    std::vector<std::unique_ptr<Client>> clients_;
};
