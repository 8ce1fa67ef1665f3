#pragma once

#include <cstdint>
#include <string>

// printf-style cells in the C locale, whatever locale the process runs in:
// "." as decimal point, no grouping, right-aligned in the given width, rounded
// to nearest like the C library. The dialogs' list lines and files use these.

// "%<width>d"
void AppendIntCell(std::string& out, std::int64_t value, int width = 0);
// "%<width>.<precision>f" of a double (float32 values are widened first).
void AppendFixedCell(std::string& out, double value, int precision, int width = 0);
// "%<width>.<precision>e": mantissa, "e", sign and at least two exponent digits.
void AppendScientificCell(std::string& out, double value, int precision, int width = 0);
