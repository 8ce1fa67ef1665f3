#include "device/PortChannel.h"

PortAccess::PortAccess(PortProvider& provider, QString name, WaitFn wait)
    : provider_(provider), name_(std::move(name)), wait_(std::move(wait)) {}

PortAccess::~PortAccess() = default;

bool PortAccess::open() {
    transport_.reset();
    openFailure_ = {};
    transport_ = provider_.open(name_);
    if (transport_)
        return true;
    if (const auto* reporter = dynamic_cast<const PortOpenReporter*>(&provider_))
        openFailure_ = reporter->lastOpenFailure(name_);
    return false;
}
