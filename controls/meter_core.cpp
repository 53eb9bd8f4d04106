#include "controls/meter_core.h"

#include <algorithm>

namespace w32k::meter {

namespace {
constexpr std::int64_t kFull = 100; // the percentage of a position equal to the range
}

std::int64_t percentOf(std::int32_t position, std::int32_t range) noexcept
{
    if (range == 0)
        return 0;
    return static_cast<std::int64_t>(position) * kFull / range;
}

std::string percentText(std::int64_t percent)
{
    return std::to_string(std::min(percent, kFull)) + "%";
}

int filledLength(int extent, std::int64_t percent) noexcept
{
    if (extent <= 0)
        return 0;
    const std::int64_t shown = std::clamp<std::int64_t>(percent, 0, kFull);
    return static_cast<int>(extent * shown / kFull);
}

int centredOffset(int extent, int size) noexcept
{
    return (extent - size) / 2;
}

} // namespace w32k::meter
