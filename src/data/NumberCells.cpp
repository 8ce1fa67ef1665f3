#include "data/NumberCells.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

void AppendPadded(std::string& out, const char* begin, const char* end, int width) {
    const auto length = static_cast<int>(end - begin);
    if (width > length)
        out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(begin, end);
}

// The C library writes non-finite values as "inf", "-inf", "nan" and "-nan".
bool AppendNonFinite(std::string& out, double value, int width) {
    if (std::isfinite(value))
        return false;
    const char* text =
        std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan") : (value < 0 ? "-inf" : "inf");
    const std::string_view view(text);
    AppendPadded(out, view.data(), view.data() + view.size(), width);
    return true;
}

}  // namespace

void AppendIntCell(std::string& out, std::int64_t value, int width) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    AppendPadded(out, buffer.data(), result.ptr, width);
}

void AppendFixedCell(std::string& out, double value, int precision, int width) {
    if (AppendNonFinite(out, value, width))
        return;
    std::array<char, 352> buffer{};  // the widest double in fixed notation, with room to spare
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    AppendPadded(out, buffer.data(), result.ptr, width);
}

void AppendScientificCell(std::string& out, double value, int precision, int width) {
    if (AppendNonFinite(out, value, width))
        return;
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, precision);
    AppendPadded(out, buffer.data(), result.ptr, width);
}
