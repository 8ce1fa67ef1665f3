#include "api/ApiReply.h"

#include <QJsonDocument>

#include "api/ApiJson.h"

ApiReply::ApiReply(QHttpServerResponder&& responder, QTcpSocket* socket)
    : responder_(std::make_unique<QHttpServerResponder>(std::move(responder))),
      socket_(socket),
      watchSocket_(socket != nullptr) {}

void ApiReply::Send(int status, const QJsonObject& body) {
    Send(status, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

void ApiReply::Send(int status, const QByteArray& json) {
    if (!responder_)
        return;
    std::unique_ptr<QHttpServerResponder> responder = std::move(responder_);
    if (watchSocket_ && (!socket_ || socket_->state() != QAbstractSocket::ConnectedState))
        return;
    responder->write(json, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                     static_cast<QHttpServerResponder::StatusCode>(status));
}

void ApiReply::SendError(int status, const QString& error) {
    Send(status, ErrorJson(error));
}
