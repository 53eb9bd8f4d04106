#include "util/font_core.h"

#include <cstring>

namespace w32k::core {

namespace {

std::int16_t low16(std::int32_t value) noexcept
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(value)));
}

template <typename To, typename From>
void copyBytesAndFace(To& to, const From& from) noexcept
{
    to.italic = from.italic;
    to.underline = from.underline;
    to.strikeOut = from.strikeOut;
    to.charSet = from.charSet;
    to.outPrecision = from.outPrecision;
    to.clipPrecision = from.clipPrecision;
    to.quality = from.quality;
    to.pitchAndFamily = from.pitchAndFamily;
    std::memcpy(to.faceName, from.faceName, kFaceNameSize);
}

} // namespace

Font16 toFont16(const Font32& font) noexcept
{
    Font16 result{};
    result.height = low16(font.height);
    result.width = low16(font.width);
    result.escapement = low16(font.escapement);
    result.orientation = low16(font.orientation);
    result.weight = low16(font.weight);
    copyBytesAndFace(result, font);
    return result;
}

Font32 toFont32(const Font16& font) noexcept
{
    Font32 result{};
    result.height = font.height;
    result.width = font.width;
    result.escapement = font.escapement;
    result.orientation = font.orientation;
    result.weight = font.weight;
    copyBytesAndFace(result, font);
    return result;
}

} // namespace w32k::core
