#pragma once

#include <cstdint>
#include <span>

#include <QString>

// The API's request layer on arbitrary bytes: the Host, Origin and
// Authorization checks and the body parsers, split from one input at NUL
// bytes. Empty when every rule held; else the rule broken.
QString RunApiRequestInput(std::span<const std::uint8_t> input);
