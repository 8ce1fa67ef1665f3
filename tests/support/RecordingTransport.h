#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "device/Clock.h"
#include "device/Transport.h"

// A scripted port for tests. It records every write and bridge set-up and
// answers each complete write with the next queued reply, or, when the queue
// is empty, with what the responder makes of the request. Its state lives in a
// shared PortScript so a test can still look at it after the transport has been
// handed over (and closed).
//
// A reply shorter than the read scribbles what it has into the caller's buffer
// and reports the reply missing, which catches code that reads straight into
// its result. A missing reply advances the clock (if one is given) by the read
// bound, as a real port would wait.
struct PortScript {
    using Responder = std::function<QByteArray(const QByteArray& request)>;

    QString name = QStringLiteral("test0");
    Clock* clock = nullptr;
    Responder responder;  // the device behind the port; silent when empty

    // Queued replies, one per complete write; a null QByteArray is silence.
    std::deque<QByteArray> replies;
    void queueReply(const QByteArray& bytes) { replies.push_back(bytes); }
    void queueSilence() { replies.push_back(QByteArray()); }

    std::size_t writeLimit = std::numeric_limits<std::size_t>::max();  // short writes
    bool gone = false;  // the port vanished: nothing passes, it is to be opened anew

    // What happened, in order.
    std::vector<QByteArray> writes;
    QStringList events;  // "W 03 00 10 00", "R 16", "R 16 missing", "bridge", "close"
    int bridgeConfigs = 0;
    int missingReads = 0;
    int opens = 0;
    bool open = false;

    QByteArray pending;  // bytes the device has sent and nobody has read yet
};

class RecordingTransport final : public Transport {
  public:
    explicit RecordingTransport(std::shared_ptr<PortScript> script);
    ~RecordingTransport() override;

    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> into) override;
    void configureBridge() override;
    QString portName() const override { return script_->name; }
    bool gone() const override { return script_->gone; }

    PortScript& script() { return *script_; }

  private:
    std::shared_ptr<PortScript> script_;
};

// "03 00 10 00" for the test messages.
QString HexBytes(const QByteArray& bytes);
// Little-endian encodings for scripted replies.
QByteArray Int32Bytes(std::int32_t v);
QByteArray FloatBytes(float v);
// A text field of `size` bytes: the text, then NULs.
QByteArray TextField(const QByteArray& text, int size);
