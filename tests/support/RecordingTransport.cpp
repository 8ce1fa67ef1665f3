#include "support/RecordingTransport.h"

#include <algorithm>
#include <cstring>

RecordingTransport::RecordingTransport(std::shared_ptr<PortScript> script)
    : script_(std::move(script)) {
    script_->open = true;
    ++script_->opens;
}

RecordingTransport::~RecordingTransport() {
    script_->open = false;
    script_->events << QStringLiteral("close");
}

std::size_t RecordingTransport::write(std::span<const std::uint8_t> bytes) {
    PortScript& s = *script_;
    const std::size_t n = std::min(bytes.size(), s.writeLimit);
    const QByteArray request(reinterpret_cast<const char*>(bytes.data()), qsizetype(n));
    s.writes.push_back(request);
    s.events << "W " + HexBytes(request);
    s.pending.clear();  // like the serial port: stale input is dropped before a request
    if (n != bytes.size())
        return n;  // a cut request gets no answer
    if (!s.replies.empty()) {
        s.pending = s.replies.front();
        s.replies.pop_front();
    } else if (s.responder) {
        s.pending = s.responder(request);
    }
    return n;
}

bool RecordingTransport::read(std::span<std::uint8_t> into) {
    PortScript& s = *script_;
    const qsizetype want = qsizetype(into.size());
    const qsizetype have = std::min(want, s.pending.size());
    std::memcpy(into.data(), s.pending.constData(), std::size_t(have));
    s.pending.remove(0, have);
    if (have < want) {
        std::fill(into.begin() + have, into.end(), std::uint8_t(0xEE));
        ++s.missingReads;
        s.events << QString("R %1 missing").arg(want);
        if (s.clock)
            s.clock->sleepMs(ReplyTimeoutMs(into.size()));
        return false;
    }
    s.events << QString("R %1").arg(want);
    return true;
}

void RecordingTransport::configureBridge() {
    ++script_->bridgeConfigs;
    script_->events << QStringLiteral("bridge");
}

QString HexBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray Int32Bytes(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((u >> (8 * i)) & 0xFF);
    return b;
}

QByteArray FloatBytes(float v) {
    std::int32_t raw = 0;
    std::memcpy(&raw, &v, 4);
    return Int32Bytes(raw);
}

QByteArray TextField(const QByteArray& text, int size) {
    QByteArray b = text.left(size);
    b.append(QByteArray(size - b.size(), '\0'));
    return b;
}
