#pragma once

#include <cstdint>
#include <cstring>
#include <span>

// Cell texts of the spectrum CSV files, written straight into a caller's
// buffer. Each Append* returns the position after what it wrote.

// Room one "%3.1f" text may take: a float widened to double prints at most 39
// integer digits, a sign, the point and one decimal.
inline constexpr std::size_t kMaxFixedChars = 48;

// v widened to double as printf's "%3.1f" in the C locale (rounded half to
// even on the exact binary value; "nan", "-nan", "inf", "-inf" for the special values).
char* AppendFixed1(char* out, float v);

// n as "%d" and as "%3d".
char* AppendInt(char* out, std::int32_t n);
char* AppendInt3(char* out, std::int32_t n);

inline char* AppendText(char* out, const char* text, std::size_t size) {
    std::memcpy(out, text, size);
    return out + size;
}

// The record time's local date "%Y/%m/%d" and time "%H:%M:%S" (10 and 8
// characters), or the placeholders when local time cannot represent it.
struct StampCells {
    char date[10];
    char time[8];
};
StampCells StampCellsOf(std::int64_t timeStamp);
