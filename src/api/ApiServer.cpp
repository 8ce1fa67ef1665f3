#include "api/ApiServer.h"

#include <QDateTime>
#include <QHostInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>

#include "api/ApiJson.h"
#include "api/ApiReply.h"
#include "api/ApiStream.h"
#include "api/ApiTcpServer.h"
#include "session/AcquisitionSession.h"

namespace {

double Now() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

bool IsUpgrade(const QHttpServerRequest& request) {
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

}  // namespace

ApiServer::ApiServer(AcquisitionSession& session, QByteArray token, const ApiLimits& limits,
                     QObject* parent)
    : QAbstractHttpServer(parent),
      session_(session),
      token_(std::move(token)),
      limits_(limits),
      stream_(new ApiStream(token_, limits, this)),
      pending_(this) {
    subscription_ = session_.Subscribe([this](const SessionEvent& e) { OnSessionEvent(e); });
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this,
            &ApiServer::OnNewStreamClient);
    connect(stream_, &ApiStream::clientCountChanged, this, &ApiServer::CountChanged);
}

ApiServer::~ApiServer() {
    session_.Unsubscribe(subscription_);
}

bool ApiServer::Listen(const QString& host, std::uint16_t port, QString& error) {
    QHostAddress address;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        address = QHostAddress::LocalHost;
    } else if (!address.setAddress(host)) {
        const QHostInfo info = QHostInfo::fromName(host);
        if (info.addresses().isEmpty()) {
            error = QStringLiteral("cannot resolve %1").arg(host);
            return false;
        }
        address = info.addresses().first();
    }
    auto* tcp = new ApiTcpServer(limits_, this);
    if (!tcp->listen(address, port)) {
        error = QStringLiteral("cannot listen on %1:%2: %3")
                    .arg(host)
                    .arg(port)
                    .arg(tcp->errorString());
        delete tcp;
        return false;
    }
    listen_ = {host, tcp->serverPort()};
    tcp_ = tcp;
    connect(tcp, &ApiTcpServer::connectionCountChanged, this, &ApiServer::CountChanged);
    bind(tcp);
    return true;
}

QString ApiServer::url() const {
    const QString host = listen_.host.contains(':') ? '[' + listen_.host + ']' : listen_.host;
    return QStringLiteral("http://%1:%2").arg(host).arg(listen_.port);
}

int ApiServer::clientCount() const {
    return tcp_ ? tcp_->connectionCount() : 0;
}

void ApiServer::CountChanged() {
    emit clientCountChanged(clientCount());
}

// --- the HTTP layer's entry points ------------------------------------------------

#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
bool ApiServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    ApiReply reply(makeResponder(request, socket), socket);
    if (IsUpgrade(request)) {
        // Qt 6.4 upgrades without asking; the stream checks the client itself.
        return Admit(request, reply);
    }
    Route(request, std::move(reply));
    return true;
}

void ApiServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    ApiReply(makeResponder(request, socket), socket).SendError(404, QStringLiteral("no such path"));
}
#else
bool ApiServer::handleRequest(const QHttpServerRequest& request, QHttpServerResponder& responder) {
    ApiReply reply(std::move(responder), nullptr);
    if (IsUpgrade(request))
        return Admit(request, reply);  // true: the upgrade goes on
    Route(request, std::move(reply));
    return true;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
void ApiServer::missingHandler(const QHttpServerRequest&, QHttpServerResponder&& responder) {
#else
void ApiServer::missingHandler(const QHttpServerRequest&, QHttpServerResponder& responder) {
#endif
    ApiReply(std::move(responder), nullptr).SendError(404, QStringLiteral("no such path"));
}
#endif

bool ApiServer::Admit(const QHttpServerRequest& request, ApiReply& reply) {
    if (const RequestRefusal refused =
            CheckHostAndOrigin(request.value("host"), request.value("origin"), listen_)) {
        reply.SendError(refused.status, refused.error);
        return false;
    }
    if (const RequestRefusal refused = CheckBearer(request.value("authorization"), token_)) {
        // The stream may show its token as its first message instead.
        if (IsUpgrade(request) && request.value("authorization").isEmpty())
            return true;
        reply.SendError(refused.status, refused.error);
        return false;
    }
    return true;
}

void ApiServer::OnNewStreamClient() {
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection();
        if (socket)
            stream_->Adopt(std::move(socket), listen_);
    }
}

// --- routes ------------------------------------------------------------------------

void ApiServer::Route(const QHttpServerRequest& request, ApiReply reply) {
    if (!Admit(request, reply))
        return;
    using Method = QHttpServerRequest::Method;
    const Method method = request.method();
    QStringList path = request.url().path().split('/');
    // "/api/v1/x" splits into "", "api", "v1", "x".
    if (path.size() < 4 || !path[0].isEmpty() || path[1] != QLatin1String("api") ||
        path[2] != QLatin1String("v1")) {
        reply.SendError(404, QStringLiteral("no such path"));
        return;
    }
    path = path.mid(3);
    auto allow = [&](Method m) {
        if (method == m)
            return true;
        reply.SendError(405, QStringLiteral("method not allowed"));
        return false;
    };
    const QString& first = path[0];
    if (first == QLatin1String("devices")) {
        if (path.size() == 1) {
            if (allow(Method::Get))
                reply.Send(200, DevicesJson(session_));
            return;
        }
        if (path.size() == 3) {
            const QString& what = path[2];
            if (what == QLatin1String("spectrum")) {
                if (allow(Method::Get))
                    GetSpectrum(path[1], request, std::move(reply));
                return;
            }
            if (what == QLatin1String("settings")) {
                if (allow(Method::Put))
                    PutSettings(path[1], request, std::move(reply));
                return;
            }
            if (what == QLatin1String("dark")) {
                if (allow(Method::Post))
                    PostDark(path[1], std::move(reply));
                return;
            }
        }
    } else if (first == QLatin1String("led") && path.size() == 1) {
        if (allow(Method::Put))
            PutLed(request, std::move(reply));
        return;
    } else if (first == QLatin1String("records")) {
        if (path.size() == 1) {
            if (method == Method::Post)
                PostRecord(std::move(reply));
            else if (allow(Method::Get))
                reply.Send(200, RecordListJson(session_.dataSet()));
            return;
        }
        if (path.size() == 2) {
            if (allow(Method::Get))
                GetRecord(path[1], std::move(reply));
            return;
        }
    } else if (first == QLatin1String("stream") && path.size() == 1) {
        reply.SendError(400, QStringLiteral("the stream is a WebSocket"));
        return;
    }
    reply.SendError(404, QStringLiteral("no such path"));
}

// --- session events -------------------------------------------------------------

void ApiServer::OnSessionEvent(const SessionEvent& event) {
    if (const auto* reading = std::get_if<ReadingEvent>(&event)) {
        OnReading(*reading);
    } else if (const auto* applied = std::get_if<SettingAppliedEvent>(&event)) {
        if (applied->slot >= 0 && applied->slot < MAX_DEVICES)
            appliedAfter_[applied->slot] = applied->afterSequence;
    } else if (stream_->listening()) {
        QJsonObject message;
        if (const auto* stored = std::get_if<RecordStoredEvent>(&event)) {
            message = QJsonObject{{"event", "record_stored"},
                                  {"index", stored->index},
                                  {"time", double(stored->timeStamp)},
                                  {"label", RecordLabelText(stored->timeStamp)}};
        } else if (const auto* answering = std::get_if<AnsweringEvent>(&event)) {
            message = QJsonObject{
                {"event", "answering"},
                {"slot", answering->slot < MAX_DEVICES ? QJsonValue(answering->slot)
                                                       : QJsonValue(QStringLiteral("led"))},
                {"answering", answering->answering}};
        } else if (const auto* detection = std::get_if<DetectionEvent>(&event)) {
            message = QJsonObject{{"event", "detection"},
                                  {"found", detection->found},
                                  {"finished", detection->finished}};
        }
        if (!message.isEmpty())
            StreamLater(
                [message] { return QJsonDocument(message).toJson(QJsonDocument::Compact); });
    }
    pending_.Dispatch(event);
}

void ApiServer::StreamLater(std::function<QByteArray()> message) {
    // After the session's turn: the tick ends (and its pause starts) first.
    // Queued calls run in the order they were made, so messages keep theirs.
    QMetaObject::invokeMethod(
        this,
        [this, message = std::move(message)] {
            if (stream_->listening())
                stream_->Send(message());
        },
        Qt::QueuedConnection);
}

void ApiServer::OnReading(const ReadingEvent& reading) {
    const double time = Now();
    for (const DeviceReading& d : reading.devices) {
        if (d.fresh && d.slot >= 0 && d.slot < MAX_DEVICES)
            latest_[d.slot] = Latest{d, reading.sequence, time};
    }
    if (stream_->listening())
        StreamLater([reading, time] { return StreamReadingText(reading, time); });
}
