#include "Percent.h"

namespace movrel {

namespace {

// Rounds num / den (both non-negative, den > 0) half to even, capped at 100.
int RoundedCapped(unsigned __int128 num, unsigned __int128 den)
{
    unsigned __int128 q = num / den, r = num % den;
    if (2 * r > den || (2 * r == den && (q & 1)))
        ++q;
    return q > 100 ? 100 : int(q);
}

}  // namespace

int Percent(uint32_t total, uint32_t part)
{
    if (int32_t(total) < 1)
        return 0;
    return RoundedCapped((unsigned __int128)part * 100, total);
}

int TotalPercent(int64_t done, int64_t total)
{
    if (total <= 0 || done <= 0)
        return 0;
    return RoundedCapped((unsigned __int128)done * 100, (unsigned __int128)total);
}

}  // namespace movrel
