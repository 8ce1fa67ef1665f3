#pragma once

#include <array>
#include <cstdint>

// The 4-byte request word: command code, page index, 16-bit reply or payload
// length, sent as one little-endian 32-bit value.
struct CommandWord {
    std::uint8_t code = 0;
    std::uint8_t page = 0;
    std::uint16_t length = 0;

    static constexpr CommandWord fromValue(std::uint32_t v) {
        return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
                static_cast<std::uint16_t>(v >> 16)};
    }
    constexpr std::uint32_t value() const {
        return std::uint32_t(code) | (std::uint32_t(page) << 8) | (std::uint32_t(length) << 16);
    }
    constexpr std::array<std::uint8_t, 4> bytes() const {
        return {code, page, static_cast<std::uint8_t>(length & 0xFF),
                static_cast<std::uint8_t>(length >> 8)};
    }
    constexpr bool isSetting() const { return code >= 0x80; }
    constexpr bool operator==(const CommandWord&) const = default;
};
