// The 32-bit (LOGFONTA) and the 16-bit font description, and the conversions
// between them. Platform-free mirrors of the Win32 records.
#pragma once

#include <cstddef>
#include <cstdint>

namespace w32k::core {

inline constexpr std::size_t kFaceNameSize = 32;

// Byte for byte the platform's LOGFONTA (60 bytes).
struct Font32 {
    std::int32_t height;
    std::int32_t width;
    std::int32_t escapement;
    std::int32_t orientation;
    std::int32_t weight;
    std::uint8_t italic;
    std::uint8_t underline;
    std::uint8_t strikeOut;
    std::uint8_t charSet;
    std::uint8_t outPrecision;
    std::uint8_t clipPrecision;
    std::uint8_t quality;
    std::uint8_t pitchAndFamily;
    char faceName[kFaceNameSize];
};

#pragma pack(push, 1)
// Byte for byte the public LogFont16 (50 bytes).
struct Font16 {
    std::int16_t height;
    std::int16_t width;
    std::int16_t escapement;
    std::int16_t orientation;
    std::int16_t weight;
    std::uint8_t italic;
    std::uint8_t underline;
    std::uint8_t strikeOut;
    std::uint8_t charSet;
    std::uint8_t outPrecision;
    std::uint8_t clipPrecision;
    std::uint8_t quality;
    std::uint8_t pitchAndFamily;
    char faceName[kFaceNameSize];
};
#pragma pack(pop)

static_assert(sizeof(Font32) == 60, "Font32 mirrors LOGFONTA");
static_assert(sizeof(Font16) == 50, "Font16 mirrors LogFont16");

// The five 32-bit sizes keep their low 16 bits (no clamping); the single
// bytes and the 32 bytes of the face name are copied.
Font16 toFont16(const Font32& font) noexcept;
// The five 16-bit sizes are sign-extended; bytes and face name are copied.
Font32 toFont32(const Font16& font) noexcept;

} // namespace w32k::core
