#include "api/PendingReplies.h"

#include <QTimer>

struct PendingReplies::Pending {
    int id = 0;
    ApiReply reply;
    Awaits awaits;
    QTimer timeout;
    QMetaObject::Connection left;
};

PendingReplies::PendingReplies(QObject* parent) : QObject(parent) {}

PendingReplies::~PendingReplies() {
    for (auto& p : pending_)
        disconnect(p->left);
}

int PendingReplies::Add(ApiReply reply, int timeoutMs, const QString& timeoutText, Awaits awaits) {
    auto pending = std::make_unique<Pending>();
    const int id = nextId_++;
    pending->id = id;
    pending->reply = std::move(reply);
    pending->awaits = std::move(awaits);
    pending->timeout.setSingleShot(true);
    connect(&pending->timeout, &QTimer::timeout, this, [this, id, timeoutText] {
        if (ApiReply* r = Find(id))
            r->SendError(504, timeoutText);
        Remove(id);
    });
    pending->timeout.start(timeoutMs);
    if (QTcpSocket* socket = pending->reply.socket()) {
        // Before the HTTP layer deletes the socket.
        pending->left =
            connect(socket, &QAbstractSocket::disconnected, this, [this, id] { Remove(id); });
    }
    pending_.push_back(std::move(pending));
    return id;
}

ApiReply* PendingReplies::Find(int id) {
    for (auto& p : pending_) {
        if (p->id == id && !p->reply.answered())
            return &p->reply;
    }
    return nullptr;
}

bool PendingReplies::Answer(int id, int status, const QJsonObject& body) {
    ApiReply* reply = Find(id);
    if (reply)
        reply->Send(status, body);
    Remove(id);
    return reply != nullptr;
}

void PendingReplies::Remove(int id) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if ((*it)->id == id) {
            disconnect((*it)->left);
            pending_.erase(it);
            return;
        }
    }
}

void PendingReplies::Dispatch(const SessionEvent& event) {
    if (pending_.empty())
        return;
    for (auto it = pending_.begin(); it != pending_.end();) {
        Pending& p = **it;
        if (p.awaits && !p.reply.answered())
            p.awaits(event, p.reply);
        if (p.reply.answered()) {
            disconnect(p.left);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
}
