#pragma once

#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include "api/ApiLimits.h"

// The listening socket under the HTTP server. Every connection is watched
// before the HTTP layer reads it: at most maxConnections at once (the next is
// told 503 and closed), dropped after idleMs without a byte from the client,
// and answered 413 and closed once it sends more than a request may hold
// (maxBodyBytes + maxHeaderBytes) without an answer in between. Upgraded
// stream connections still count; their own limits are the stream's.
class ApiTcpServer : public QTcpServer {
    Q_OBJECT
  public:
    explicit ApiTcpServer(const ApiLimits& limits, QObject* parent = nullptr);

    // Connections open now (HTTP and stream).
    int connectionCount();

  signals:
    void connectionCountChanged(int count);

  protected:
    void incomingConnection(qintptr handle) override;

  private:
    void Watch(QTcpSocket* socket);
    void Refuse(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& text);
    void Forget();

    ApiLimits limits_;
    QList<QPointer<QTcpSocket>> sockets_;
};
