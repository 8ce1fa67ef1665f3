#pragma once

#include <functional>
#include <list>
#include <memory>

#include <QObject>
#include <QString>

#include "api/ApiReply.h"
#include "session/SessionEvents.h"

// Requests that wait for the session: each is shown every session event until
// it answers, and is answered 504 when it has waited too long. A client that
// goes away takes its waiting request with it.
class PendingReplies : public QObject {
  public:
    // Answers the reply (and returns true) when the event is the one awaited.
    using Awaits = std::function<bool(const SessionEvent& event, ApiReply& reply)>;

    explicit PendingReplies(QObject* parent = nullptr);
    ~PendingReplies() override;

    // The id for Answer. awaits may be empty (the answer comes through Answer).
    int Add(ApiReply reply, int timeoutMs, const QString& timeoutText, Awaits awaits = {});
    // The reply of id, or nullptr when it is gone (answered, timed out, left).
    ApiReply* Find(int id);
    // Sends the answer of id (false when it is gone) and forgets it.
    bool Answer(int id, int status, const QJsonObject& body);
    void Dispatch(const SessionEvent& event);
    int count() const { return int(pending_.size()); }

  private:
    struct Pending;
    void Remove(int id);
    std::list<std::unique_ptr<Pending>> pending_;
    int nextId_ = 1;
};
