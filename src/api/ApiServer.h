#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The server's WebSocket half is declared only where Qt WebSockets is linked,
// which the build says with this macro; said here too, so that the header
// stands on its own.
#ifndef QT_WEBSOCKETS_LIB
#define QT_WEBSOCKETS_LIB
#endif
#include <QAbstractHttpServer>
#include <QByteArray>
#include <QString>

#include "api/ApiLimits.h"
#include "api/ApiRequestCheck.h"
#include "api/PendingReplies.h"
#include "device/DeviceSlot.h"
#include "session/SessionEvents.h"

class AcquisitionSession;
class ApiReply;
class ApiStream;
class ApiTcpServer;
class QHttpServerRequest;

// The automation API over one acquisition session: HTTP/JSON under /api/v1
// and the stream at /api/v1/stream (docs/api.md). It lives on the session's
// thread and never blocks it: every device request goes through the session
// and is answered from the session's events.
class ApiServer : public QAbstractHttpServer {
    Q_OBJECT
  public:
    ApiServer(AcquisitionSession& session, QByteArray token, const ApiLimits& limits = {},
              QObject* parent = nullptr);
    ~ApiServer() override;

    // Listens on host:port (port 0: a free one). False with a message.
    bool Listen(const QString& host, std::uint16_t port, QString& error);
    const ListenAddress& address() const { return listen_; }
    // "http://HOST:PORT" (IPv6 bracketed).
    QString url() const;
    const QByteArray& token() const { return token_; }
    // Open connections, HTTP and stream alike.
    int clientCount() const;

  signals:
    void clientCountChanged(int count);

  protected:
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;
#else
    bool handleRequest(const QHttpServerRequest& request, QHttpServerResponder& responder) override;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    void missingHandler(const QHttpServerRequest& request,
                        QHttpServerResponder&& responder) override;
#else
    void missingHandler(const QHttpServerRequest& request,
                        QHttpServerResponder& responder) override;
#endif
#endif

  private:
    // The latest reading in which a device gave a spectrum.
    struct Latest {
        DeviceReading device;
        std::uint64_t seq = 0;
        double time = 0;
    };

    // Whether the request may come in; refused ones are answered here.
    bool Admit(const QHttpServerRequest& request, ApiReply& reply);
    void Route(const QHttpServerRequest& request, ApiReply reply);
    void OnSessionEvent(const SessionEvent& event);
    void OnReading(const ReadingEvent& reading);
    // Sends the message made by `message` to the stream's clients once the
    // session's event has been handled, in order with the others.
    void StreamLater(std::function<QByteArray()> message);
    void OnNewStreamClient();
    void CountChanged();

    // Each answers the request, now or later. slotText is the path's slot.
    void GetSpectrum(const QString& slotText, const QHttpServerRequest& request, ApiReply reply);
    void PutSettings(const QString& slotText, const QHttpServerRequest& request, ApiReply reply);
    void PostDark(const QString& slotText, ApiReply reply);
    void PutLed(const QHttpServerRequest& request, ApiReply reply);
    void PostRecord(ApiReply reply);
    void GetRecord(const QString& indexText, ApiReply reply);
    // The slot a device request names, or -1 with the reply sent (404, 409).
    int DeviceSlotOf(const QString& slotText, ApiReply& reply);
    bool DeviceAnswering(int slot) const;

    AcquisitionSession& session_;
    QByteArray token_;
    ApiLimits limits_;
    ListenAddress listen_;
    ApiTcpServer* tcp_ = nullptr;  // owned by the HTTP server once bound
    ApiStream* stream_ = nullptr;
    PendingReplies pending_;
    int subscription_ = -1;
    std::array<std::optional<Latest>, MAX_DEVICES> latest_;
    // The afterSequence of each slot's last setting applied.
    std::array<std::uint64_t, MAX_DEVICES> appliedAfter_{};
};
