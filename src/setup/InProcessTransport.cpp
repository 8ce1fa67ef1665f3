#include "setup/InProcessTransport.h"

#include <cstring>
#include <thread>

InProcessTransport::InProcessTransport(std::shared_ptr<SimDevice> device, QString portName,
                                       std::function<void()> onConfigure,
                                       std::function<void()> onClose, SimWireTime wire)
    : device_(std::move(device)),
      portName_(std::move(portName)),
      onConfigure_(std::move(onConfigure)),
      onClose_(std::move(onClose)),
      wire_(wire) {
    device_->resetStream();
}

InProcessTransport::~InProcessTransport() {
    if (onClose_)
        onClose_();
}

std::size_t InProcessTransport::write(std::span<const std::uint8_t> bytes) {
    device_->receive(bytes);
    const QByteArray reply = device_->takeOutput();
    received_.append(reply);
    if (wire_.timed())
        readyAt_ = std::chrono::steady_clock::now() +
                   std::chrono::microseconds(wire_.exchangeUs(bytes.size(), reply.size()));
    return bytes.size();
}

bool InProcessTransport::read(std::span<std::uint8_t> into) {
    const bool complete = received_.size() >= qsizetype(into.size());
    if (wire_.timed()) {
        const auto start = std::chrono::steady_clock::now();
        const auto bound = start + std::chrono::milliseconds(ReplyTimeoutMs(into.size()));
        if (!complete || readyAt_ > bound) {
            std::this_thread::sleep_until(bound);
            received_.clear();
            return false;
        }
        std::this_thread::sleep_until(readyAt_);
    }
    if (!complete) {
        received_.clear();
        return false;
    }
    std::memcpy(into.data(), received_.constData(), into.size());
    received_.remove(0, qsizetype(into.size()));
    return true;
}

void InProcessTransport::configureBridge() {
    if (onConfigure_)
        onConfigure_();
}
