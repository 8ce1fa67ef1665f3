#include "sim/InProcessTransport.h"

#include <cstring>

InProcessTransport::InProcessTransport(std::shared_ptr<SimDevice> device, QString portName,
                                       std::function<void()> onConfigure,
                                       std::function<void()> onClose)
    : device_(std::move(device)),
      portName_(std::move(portName)),
      onConfigure_(std::move(onConfigure)),
      onClose_(std::move(onClose)) {
    device_->resetStream();
}

InProcessTransport::~InProcessTransport() {
    if (onClose_)
        onClose_();
}

std::size_t InProcessTransport::write(std::span<const std::uint8_t> bytes) {
    device_->receive(bytes);
    received_.append(device_->takeOutput());
    return bytes.size();
}

bool InProcessTransport::read(std::span<std::uint8_t> into) {
    if (received_.size() < qsizetype(into.size())) {
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
