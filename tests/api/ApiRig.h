#pragma once

#include <memory>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>

#include "api/ApiServer.h"
#include "data/MeasurementDataSet.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/WorkerPortExecutor.h"
#include "session/AcquisitionSession.h"
#include "session/QtTimerHost.h"
#include "setup/SimPortProvider.h"
#include "support/Eventually.h"

// A session over in-process simulated devices, ticking on this thread's event
// loop, and the API server over it on a free loopback port.
struct ApiRig {
    explicit ApiRig(const QString& devices, const ApiLimits& limits = ShortLimits());
    ~ApiRig();

    // The limits with an idle time short enough for tests that wait it out.
    static ApiLimits ShortLimits();

    struct Answer {
        int status = 0;
        QJsonObject json;
        QByteArray body;
    };
    // One request; the token unless withToken is false; extra headers on top.
    Answer Call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QList<QPair<QByteArray, QByteArray>>& headers = {}, bool withToken = true);
    // Sends the request without waiting: the reply comes later.
    QNetworkReply* Start(const QByteArray& method, const QString& path,
                         const QByteArray& body = {});
    static Answer Finish(QNetworkReply* reply);

    // A raw connection, for what a well-behaved client never sends.
    std::unique_ptr<QTcpSocket> Connect();
    // Everything the server sent on the socket until it closed it (or 10 s).
    static QByteArray ReadUntilClosed(QTcpSocket& socket);

    QNetworkRequest Request(const QString& path, bool withToken = true) const;

    std::unique_ptr<SimPortProvider> ports;
    std::unique_ptr<WorkerPortExecutor> executor;
    std::unique_ptr<DeviceLink> link;
    MeasurementDataSet data;
    std::unique_ptr<QtTimerHost> timers;
    std::unique_ptr<AcquisitionSession> session;
    std::unique_ptr<ApiServer> server;
    QNetworkAccessManager http;
    QByteArray token;
    int found = 0;
};
