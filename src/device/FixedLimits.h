#pragma once

// The fixed limits of the program, in one place for every layer: how many
// devices, points per spectrum, records of a data set and logged records of a
// device it holds.

#include <cstddef>

inline constexpr int MAX_DEVICES = 10;
// Points of a spectrum as the wire carries it (also the data set's width).
inline constexpr std::size_t MAX_POINTS = 511;
inline constexpr int MAX_RECORDS = 10000;
// Logged records kept from one upload of the data-logging model.
inline constexpr int MAX_LOGGED_RECORDS = 10000;
