#pragma once

#include <cstddef>
#include <cstdint>

#include "device/CommandWord.h"
#include "device/FixedLimits.h"

// Every command the host sends. Reads have codes below 0x80 and name the reply
// size in their length; settings carry a 4-byte int32 payload (store-dark none)
// and are answered by a 2-byte acknowledgement.

// Spectrometer
inline constexpr CommandWord CMD_GET_DEVICE_TYPE = CommandWord::fromValue(0x00040001);
inline constexpr CommandWord CMD_GET_VERSION = CommandWord::fromValue(0x00100002);
inline constexpr CommandWord CMD_GET_SERIAL = CommandWord::fromValue(0x00100003);
inline constexpr CommandWord CMD_GET_SENSOR_MODEL = CommandWord::fromValue(0x00100004);
inline constexpr CommandWord CMD_GET_CAL_COEFFS = CommandWord::fromValue(0x00300005);
inline constexpr CommandWord CMD_GET_EXPOSURE = CommandWord::fromValue(0x00040009);
inline constexpr CommandWord CMD_GET_AVERAGING = CommandWord::fromValue(0x0004000B);
inline constexpr CommandWord CMD_GET_TEMPERATURE = CommandWord::fromValue(0x00040012);
inline constexpr CommandWord CMD_GET_AUX_SETTING = CommandWord::fromValue(0x00040013);
inline constexpr CommandWord CMD_GET_STORED_COUNT = CommandWord::fromValue(0x00040016);
inline constexpr CommandWord CMD_GET_STORED_RECORD = CommandWord::fromValue(0x08300017);
inline constexpr CommandWord CMD_SET_EXPOSURE = CommandWord::fromValue(0x00040084);
inline constexpr CommandWord CMD_SET_AVERAGING = CommandWord::fromValue(0x00040086);
inline constexpr CommandWord CMD_SET_AUX_SETTING = CommandWord::fromValue(0x00040087);
inline constexpr CommandWord CMD_STORE_DARK = CommandWord::fromValue(0x00000088);

// Table reads: the word is built per transfer (whole or paged), only the code is fixed.
inline constexpr std::uint8_t CMD_GET_PIXEL_WAVELENGTHS = 0x0C;
inline constexpr std::uint8_t CMD_GET_PIXEL_GAINS = 0x0D;
inline constexpr std::uint8_t CMD_GET_DARK_TABLES = 0x0E;
inline constexpr std::uint8_t CMD_GET_SPECTRUM = 0x0F;

// LED unit
inline constexpr CommandWord LED_GET_NAME = CommandWord::fromValue(0x00200000);
inline constexpr CommandWord LED_GET_VERSION = CommandWord::fromValue(0x00100002);
inline constexpr CommandWord LED_GET_STATE = CommandWord::fromValue(0x00040014);
inline constexpr CommandWord LED_GET_TEMPERATURE = CommandWord::fromValue(0x00040015);
inline constexpr CommandWord LED_SET_STATE = CommandWord::fromValue(0x00040089);

// Firmware gates: some commands go only to devices whose version number (the
// decimal value of the version text) passes a gate. A device at exactly 1.5
// takes averaging and store-dark but no auxiliary-setting commands.
enum class FirmwareGate { None, AtLeast15, Above15 };

constexpr FirmwareGate GateOf(std::uint8_t code) {
    switch (code) {
        case CMD_SET_AVERAGING.code:
        case CMD_STORE_DARK.code:
            return FirmwareGate::AtLeast15;
        case CMD_GET_AUX_SETTING.code:
        case CMD_SET_AUX_SETTING.code:
            return FirmwareGate::Above15;
        default:
            return FirmwareGate::None;
    }
}

constexpr bool GatePasses(FirmwareGate gate, float version) {
    switch (gate) {
        case FirmwareGate::AtLeast15:
            return version >= 1.5f;
        case FirmwareGate::Above15:
            return version > 1.5f;
        default:
            return true;
    }
}

// Whether a device of this version is sent the command at all.
constexpr bool DeviceTakes(CommandWord word, float version) {
    return GatePasses(GateOf(word.code), version);
}

// Sizes fixed by the wire format.
inline constexpr std::size_t SPECTRUM_BYTES = MAX_POINTS * 4;  // 2044: every paged spectrum
inline constexpr std::size_t PAGE_BYTES = 64;
inline constexpr std::size_t SPECTRUM_PAGES = 32;  // pages 0..30 of 64 bytes, page 31 of 60
inline constexpr std::size_t ACK_BYTES = 2;
inline constexpr std::size_t SHORT_TEXT_BYTES = 16;
inline constexpr std::size_t LONG_TEXT_BYTES = 32;
inline constexpr std::size_t LOGGED_RECORD_BYTES = 2096;
inline constexpr std::size_t CAL_COEFF_COUNT = 6;
inline constexpr int LX_MODEL_CODE = 4;

// Word of one page of a paged table read; page 31 of a spectrum asks for 60 bytes.
constexpr CommandWord PageWord(std::uint8_t code, std::uint8_t page, std::size_t tableBytes) {
    const std::size_t offset = std::size_t(page) * PAGE_BYTES;
    const std::size_t rest = tableBytes - offset;
    return {code, page, static_cast<std::uint16_t>(rest < PAGE_BYTES ? rest : PAGE_BYTES)};
}

// Word of a whole (unpaged) table read.
constexpr CommandWord WholeWord(std::uint8_t code, std::size_t tableBytes) {
    return {code, 0, static_cast<std::uint16_t>(tableBytes)};
}
