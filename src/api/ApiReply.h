#pragma once

#include <memory>

#include <QHttpServerResponder>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>

// One request's way back: answered once, now or when the session has done
// the work. A reply whose client went away is dropped unsent.
class ApiReply {
  public:
    ApiReply() = default;
    ApiReply(QHttpServerResponder&& responder, QTcpSocket* socket);

    bool answered() const { return !responder_; }
    // The client's connection, where the HTTP layer tells it (null otherwise).
    QTcpSocket* socket() const { return socket_; }
    void Send(int status, const QJsonObject& body);
    // A body that is JSON text already.
    void Send(int status, const QByteArray& json);
    void SendError(int status, const QString& error);

  private:
    std::unique_ptr<QHttpServerResponder> responder_;
    QPointer<QTcpSocket> socket_;
    bool watchSocket_ = false;
};
