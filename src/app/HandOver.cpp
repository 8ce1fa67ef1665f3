#include "app/HandOver.h"

#include <algorithm>
#include <memory>

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringDecoder>
#include <QTimer>

#include "app/SingleInstance.h"

namespace {
// A client refused by the server gets no answer; one not yet listening is
// asked again this often until the bound.
constexpr int kRetryMs = 100;

bool HasControlCharacter(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}
}  // namespace

namespace HandOver {

QByteArray Encode(const QString& path) {
    return QByteArray(kMagic) + path.toUtf8() + '\n';
}

Reading Decode(const QByteArray& bytes, QString& path) {
    if (bytes.size() > kMaxMessageBytes)
        return Reading::Malformed;
    const QByteArrayView magic(kMagic);
    const qsizetype head = std::min(bytes.size(), magic.size());
    if (QByteArrayView(bytes).first(head) != magic.first(head))
        return Reading::Malformed;
    if (bytes.size() < magic.size())
        return Reading::Incomplete;
    const QByteArrayView rest = QByteArrayView(bytes).sliced(magic.size());
    const qsizetype end = rest.indexOf('\n');
    if (end < 0)
        return HasControlCharacter(rest) ? Reading::Malformed : Reading::Incomplete;
    if (end != rest.size() - 1)
        return Reading::Malformed;  // more than one message
    const QByteArrayView raw = rest.first(end);
    if (HasControlCharacter(raw))
        return Reading::Malformed;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(raw);
    if (utf8.hasError() || (!text.isEmpty() && !QDir::isAbsolutePath(text)))
        return Reading::Malformed;
    path = text;
    return Reading::Complete;
}

QString ServerName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    QString safe;
    for (QChar c : user) {
        if (c.isLetterOrNumber() || c == '_' || c == '-' || c == '.')
            safe += c;
    }
    if (safe.isEmpty() || safe != user) {
        // A name that would not make a plain socket name: the home folder's hash.
        safe = QString::fromLatin1(
            QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16));
    }
    return QStringLiteral("%1-%2").arg(QString::fromLatin1(SingleInstance::NAME), safe);
}

}  // namespace HandOver

// --- the running copy ----------------------------------------------------------

HandOverServer::HandOverServer(int silentMs, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), silentMs_(silentMs) {
    // Only this user's processes may connect.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxClients);
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::OnNewConnection);
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString& name) {
    if (server_->listen(name))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Left behind by a copy that died, or held by one that does not answer.
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

QString HandOverServer::errorString() const {
    return server_->errorString();
}

void HandOverServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (clients_ >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            emit refused(QStringLiteral("too many clients"));
            continue;
        }
        ++clients_;
        connect(socket, &QObject::destroyed, this, [this] { --clients_; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto* buffer = new QByteArray;
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this,
                [this, socket, timer] { Drop(socket, timer, QStringLiteral("silent client")); });
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, buffer, timer] { Take(socket, buffer, timer); });
        timer->start(silentMs_);
        if (socket->bytesAvailable() > 0)
            Take(socket, buffer, timer);
    }
}

void HandOverServer::Take(QLocalSocket* socket, QByteArray* buffer, QTimer* timer) {
    // One byte past the cap is enough to know the message is too long.
    const qint64 room = HandOver::kMaxMessageBytes + 1 - buffer->size();
    if (room > 0)
        buffer->append(socket->read(room));
    QString path;
    switch (HandOver::Decode(*buffer, path)) {
        case HandOver::Reading::Incomplete:
            return;
        case HandOver::Reading::Malformed:
            Drop(socket, timer,
                 buffer->size() > HandOver::kMaxMessageBytes ? QStringLiteral("message too long")
                                                             : QStringLiteral("malformed message"));
            return;
        case HandOver::Reading::Complete:
            break;
    }
    timer->stop();
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(HandOver::kAccepted);
    socket->disconnectFromServer();  // once the answer is out
    // Reported from the event loop: opening the file may ask a question.
    QTimer::singleShot(0, this, [this, path] { emit handedOver(path); });
}

void HandOverServer::Drop(QLocalSocket* socket, QTimer* timer, const QString& reason) {
    timer->stop();
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->abort();
    socket->deleteLater();
    emit refused(reason);
}

// --- the second copy -----------------------------------------------------------

HandOverClient::HandOverClient(QObject* parent)
    : QObject(parent), socket_(new QLocalSocket(this)), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { Finish(false); });
    connect(socket_, &QLocalSocket::readyRead, this, [this] {
        const qsizetype expected = sizeof HandOver::kAccepted - 1;
        answer_ += socket_->read(expected);
        if (answer_.size() >= expected)
            Finish(answer_ == HandOver::kAccepted);
    });
    connect(socket_, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (done_)
            return;
        if (socket_->state() != QLocalSocket::ConnectedState &&
            (e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError)) {
            // The running copy may not listen yet: ask again until the bound.
            QTimer::singleShot(kRetryMs, this, [this] {
                if (!done_)
                    socket_->connectToServer(name_);
            });
            return;
        }
        answer_ += socket_->readAll();
        Finish(answer_ == HandOver::kAccepted);
    });
    connect(socket_, &QLocalSocket::connected, this, [this] { socket_->write(message_); });
}

HandOverClient::~HandOverClient() = default;

void HandOverClient::start(const QString& serverName, const QString& path, int timeoutMs) {
    name_ = serverName;
    message_ = HandOver::Encode(path);
    QString check;
    if (HandOver::Decode(message_, check) != HandOver::Reading::Complete) {
        // A path the message cannot carry: no copy could take it.
        QTimer::singleShot(0, this, [this] { Finish(false); });
        return;
    }
    timer_->start(timeoutMs);
    socket_->connectToServer(name_);
}

void HandOverClient::Finish(bool accepted) {
    if (done_)
        return;
    done_ = true;
    timer_->stop();
    socket_->abort();
    emit finished(accepted);
}

bool HandToRunningCopy(const QString& serverName, const QString& path, int timeoutMs) {
    QEventLoop loop;
    HandOverClient client;
    bool done = false;
    bool accepted = false;
    QObject::connect(&client, &HandOverClient::finished, &loop, [&](bool ok) {
        done = true;
        accepted = ok;
        loop.quit();
    });
    client.start(serverName, path, timeoutMs);
    if (!done)
        loop.exec();
    return accepted;
}
