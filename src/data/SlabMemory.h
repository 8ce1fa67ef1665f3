#pragma once

#include <cstddef>

// Large zeroed blocks for the data set's records, from the system's pages
// where it hands them out zeroed (nothing is touched until it is written).

// `bytes` zeroed bytes aligned to 4096; throws std::bad_alloc.
std::byte* AllocateZeroedSlab(std::size_t bytes);
void ReleaseSlab(std::byte* slab, std::size_t bytes) noexcept;
