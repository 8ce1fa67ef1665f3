#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QTimer;

// A second copy of the program hands its command line to the running one over
// a local socket and ends. The message is one line naming the format and its
// version, then one line with the absolute path of the file to open (empty:
// none), both in UTF-8:
//
//   "VL_Tool hand-over 1\n" + path + "\n"
//
// The running copy answers "OK\n" once it has taken the message. Everything
// it reads is treated as hostile: the message is capped, anything else is
// refused and the connection dropped, and a client that stays silent is
// dropped after a while.
namespace HandOver {
inline constexpr char kMagic[] = "VL_Tool hand-over 1\n";
inline constexpr char kAccepted[] = "OK\n";
// The whole message, the path included.
inline constexpr int kMaxMessageBytes = 4096;

QByteArray Encode(const QString& path);

enum class Reading { Incomplete, Malformed, Complete };
// Reads what has arrived so far; on Complete, path holds the path (empty:
// none). Malformed as soon as the bytes cannot begin a message: a wrong first
// line, more than the cap, bytes after the second line, a path that is not
// UTF-8, holds a control character or is not absolute.
Reading Decode(const QByteArray& bytes, QString& path);

// The server's name: the program's single-instance key and the user's name,
// so that each user's copies find only each other.
QString ServerName();
}  // namespace HandOver

// The running copy's end: listens under a name and reports each message taken.
class HandOverServer : public QObject {
    Q_OBJECT
  public:
    // silentMs: how long a client may stay silent before it is dropped.
    explicit HandOverServer(int silentMs = 3000, QObject* parent = nullptr);
    ~HandOverServer() override;

    // Listens under name, for this user only; a socket left behind by a copy
    // that died is removed first. False when it cannot listen.
    bool listen(const QString& name);
    QString errorString() const;
    // Clients connected now (for tests).
    int clientCount() const { return clients_; }

    // At most this many clients at once; more are dropped at once.
    static constexpr int kMaxClients = 8;

  signals:
    // A second copy handed over; path is absolute, or empty for none.
    void handedOver(const QString& path);
    // A client was dropped: malformed, oversized or silent (reason in English).
    void refused(const QString& reason);

  private:
    void OnNewConnection();
    void Take(QLocalSocket* socket, QByteArray* buffer, QTimer* timer);
    void Drop(QLocalSocket* socket, QTimer* timer, const QString& reason);

    QLocalServer* server_;
    int silentMs_;
    int clients_ = 0;
};

// The second copy's end: sends the message and waits a bounded time for the
// answer. finished(true) when the running copy took it; finished(false) when
// none answered in time (the new copy then starts as the only one).
class HandOverClient : public QObject {
    Q_OBJECT
  public:
    explicit HandOverClient(QObject* parent = nullptr);
    ~HandOverClient() override;
    void start(const QString& serverName, const QString& path, int timeoutMs);

  signals:
    void finished(bool accepted);

  private:
    void Finish(bool accepted);

    QLocalSocket* socket_;
    QTimer* timer_;
    QString name_;
    QByteArray message_;
    QByteArray answer_;
    bool done_ = false;
};

// Hands path to the copy running under serverName, waiting at most timeoutMs
// in an event loop of its own. True when that copy took it.
bool HandToRunningCopy(const QString& serverName, const QString& path, int timeoutMs);
