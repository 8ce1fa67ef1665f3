#include "device/Exchange.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

bool WriteAll(Transport& port, std::span<const std::uint8_t> request) {
    return port.write(request) == request.size();
}

// Reads a reply into scratch so that a reply that does not arrive in full
// leaves the caller's buffer untouched.
template <std::size_t N>
bool ReadFixed(Transport& port, CommandWord word, std::array<std::uint8_t, N>& scratch) {
    if (word.length != N)
        return false;
    return Exchange(port, word, scratch);
}

}  // namespace

bool Exchange(Transport& port, CommandWord word, std::span<std::uint8_t> reply) {
    const auto request = word.bytes();
    if (!WriteAll(port, request))
        return false;
    if (reply.empty())
        return true;
    std::vector<std::uint8_t> scratch(reply.size());
    if (!port.read(scratch))
        return false;
    std::copy(scratch.begin(), scratch.end(), reply.begin());
    return true;
}

bool SendSetting(Transport& port, CommandWord word, std::int32_t value) {
    const auto head = word.bytes();
    const auto v = static_cast<std::uint32_t>(value);
    const std::array<std::uint8_t, 8> request{head[0],
                                              head[1],
                                              head[2],
                                              head[3],
                                              static_cast<std::uint8_t>(v & 0xFF),
                                              static_cast<std::uint8_t>((v >> 8) & 0xFF),
                                              static_cast<std::uint8_t>((v >> 16) & 0xFF),
                                              static_cast<std::uint8_t>(v >> 24)};
    if (!WriteAll(port, request))
        return false;
    std::array<std::uint8_t, ACK_BYTES> ack{};  // read, never examined
    return port.read(ack);
}

bool SendStoreDark(Transport& port) {
    if (!WriteAll(port, CMD_STORE_DARK.bytes()))
        return false;
    std::array<std::uint8_t, ACK_BYTES> ack{};
    return port.read(ack);
}

bool ReadInt32(Transport& port, CommandWord word, std::int32_t& value) {
    std::array<std::uint8_t, 4> b{};
    if (!ReadFixed(port, word, b))
        return false;
    value = static_cast<std::int32_t>(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                      (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24));
    return true;
}

bool ReadFloat(Transport& port, CommandWord word, float& value) {
    std::int32_t raw = 0;
    if (!ReadInt32(port, word, raw))
        return false;
    std::memcpy(&value, &raw, sizeof value);
    return true;
}

QByteArray ReadText(Transport& port, CommandWord word) {
    std::array<std::uint8_t, LONG_TEXT_BYTES> field{};
    const std::size_t size = std::min<std::size_t>(word.length, field.size());
    if (size == 0 || !Exchange(port, word, std::span(field).first(size)))
        return {};
    const auto* begin = reinterpret_cast<const char*>(field.data());
    const auto* end = std::find(begin, begin + size, '\0');
    return QByteArray(begin, static_cast<qsizetype>(end - begin));
}

std::size_t PageCount(std::uint8_t code, std::size_t tableBytes) {
    return code == CMD_GET_SPECTRUM ? SPECTRUM_PAGES : tableBytes / PAGE_BYTES;
}

bool ReadTable(Transport& port, std::uint8_t code, std::size_t tableBytes, bool bridged,
               std::span<std::uint8_t> out) {
    if (out.size() < tableBytes)
        return false;
    if (!bridged)
        return Exchange(port, WholeWord(code, tableBytes), out.first(tableBytes));

    const std::size_t transferBytes =
        code == CMD_GET_SPECTRUM ? SPECTRUM_BYTES : PageCount(code, tableBytes) * PAGE_BYTES;
    // Bytes past the last whole page are not requested and keep what `out` held.
    std::vector<std::uint8_t> scratch(out.begin(), out.begin() + tableBytes);
    scratch.resize(std::max(transferBytes, tableBytes));
    const std::size_t pages = PageCount(code, tableBytes);
    for (std::size_t i = 0; i < pages; ++i) {
        const CommandWord word = PageWord(code, static_cast<std::uint8_t>(i), transferBytes);
        if (!Exchange(port, word, std::span(scratch).subspan(i * PAGE_BYTES, word.length)))
            return false;  // a lost page ends the transfer; `out` keeps what it held
    }
    std::copy_n(scratch.begin(), tableBytes, out.begin());
    return true;
}
