// Whole percentages 0..100 for progress and ratios, rounded half to even.
#pragma once

#include <cstdint>

namespace movrel {

// part * 100 / total; 0 when total (as a signed 32-bit number) is below 1.
int Percent(uint32_t total, uint32_t part);

// done * 100 / total on 64-bit values; 0 when total <= 0.
int TotalPercent(int64_t done, int64_t total);

}  // namespace movrel
