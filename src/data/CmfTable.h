#pragma once

#include <array>
#include <span>

// CIE 1931 2-degree colour-matching functions as modified by Judd (1951) and Vos (1978),
// 380..825 nm at 5 nm, each value held to three significant figures.
struct CmfRow {
    int nm;
    double xbar;
    double ybar;
    double zbar;
};
inline constexpr int kCmfRows = 90;
std::span<const CmfRow, kCmfRows> JuddVosTable();

// The colour-matching functions on the 1-nm grid of the visible profile: entry i belongs to
// 340 + i nm. Values between table rows are interpolated linearly in double and stored as float;
// below 380 nm and from 825 nm up they are 0, so entries 40..484 are the only non-zero ones.
class CmfTable {
  public:
    static constexpr int kEntries = 511;
    static constexpr int kFirstWavelength = 340;
    static constexpr int kFirstUsed = 40;  // 380 nm
    static constexpr int kLastUsed = 484;  // 824 nm

    CmfTable();
    const std::array<float, 3>& operator[](int i) const { return entries_[i]; }

  private:
    std::array<std::array<float, 3>, kEntries> entries_{};
};

// The table, built once on first use.
const CmfTable& SharedCmfTable();
