#include "ApiRig.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QEventLoop>

#include "api/ApiToken.h"

ApiLimits ApiRig::ShortLimits() {
    ApiLimits limits;
    limits.idleMs = 5000;
    limits.waitMs = 10000;  // a loaded machine's ticks may take seconds
    return limits;
}

ApiRig::ApiRig(const QString& devices, const ApiLimits& limits) {
    Clock& clock = SystemClock::instance();
    QString error;
    ports = SimPortProvider::FromText(devices, clock, error);
    EXPECT_TRUE(ports) << error.toStdString();
    executor = std::make_unique<WorkerPortExecutor>();
    link = std::make_unique<DeviceLink>(*ports, clock, *executor, 0);
    timers = std::make_unique<QtTimerHost>([this](int id) {
        if (session)
            session->OnTimer(id);
    });
    session = std::make_unique<AcquisitionSession>(*link, data, *timers);
    bool detected = false;
    session->operations().Run([this, &detected](OperationQueue::Finished finished) {
        session->Detect([this, &detected, finished](int n) {
            found = n;
            link->FindAndConnectLedUnit([finished, &detected] {
                finished();
                detected = true;
            });
        });
    });
    EXPECT_TRUE(EventuallyTrue([&] { return detected; }));
    token = MakeApiToken();
    server = std::make_unique<ApiServer>(*session, token, limits);
    EXPECT_TRUE(server->Listen("127.0.0.1", 0, error)) << error.toStdString();
    session->StartTicks();
}

ApiRig::~ApiRig() {
    server.reset();
    session.reset();
    link->CloseAll();
}

QNetworkRequest ApiRig::Request(const QString& path, bool withToken) const {
    QNetworkRequest request(QUrl(server->url() + path));
    if (withToken)
        request.setRawHeader("Authorization", "Bearer " + token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    return request;
}

QNetworkReply* ApiRig::Start(const QByteArray& method, const QString& path,
                             const QByteArray& body) {
    return http.sendCustomRequest(Request(path), method, body);
}

ApiRig::Answer ApiRig::Finish(QNetworkReply* reply) {
    EXPECT_TRUE(EventuallyTrue([reply] { return reply->isFinished(); }));
    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.json = QJsonDocument::fromJson(answer.body).object();
    reply->deleteLater();
    return answer;
}

ApiRig::Answer ApiRig::Call(const QByteArray& method, const QString& path, const QByteArray& body,
                            const QList<QPair<QByteArray, QByteArray>>& headers, bool withToken) {
    QNetworkRequest request = Request(path, withToken);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    return Finish(http.sendCustomRequest(request, method, body));
}

std::unique_ptr<QTcpSocket> ApiRig::Connect() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server->address().port);
    EXPECT_TRUE(socket->waitForConnected(10000));
    return socket;
}

QByteArray ApiRig::ReadUntilClosed(QTcpSocket& socket) {
    QByteArray got;
    EventuallyTrue([&] {
        got += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    });
    got += socket.readAll();
    return got;
}
