// Number lists of INI values and version strings: "1,5;7" style texts parsed
// into groups, an item count and the numbers themselves. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace w32k::core {

// Elements of a number list before the numbers: the group count and the
// running item count.
inline constexpr std::size_t kListGroups = 0;
inline constexpr std::size_t kListItems = 1;
inline constexpr std::size_t kListFirstNumber = 2;
inline constexpr std::size_t kListMinimum = 3;
// Characters one number token keeps (the token buffer holds 52 bytes); the
// characters of a longer token beyond these are dropped.
inline constexpr std::size_t kNumberTokenCapacity = 51;

struct NumberListResult {
    bool complete;       // the whole text was parsed (false: the list became full)
    std::size_t numbers; // numbers stored from list[kListFirstNumber] on
};

// Parses text into list[0 .. count-1] (count >= kListMinimum): ',' and '.'
// separate items, ';' separates groups. list[kListGroups] counts the groups,
// list[kListItems] holds the running item count of the groups before the
// first ';' reset (';' sets the count to 1 without storing it). Stops with
// complete = false as soon as the next free element is count.
NumberListResult parseNumberList(std::string_view text, std::int32_t* list,
                                 std::size_t count) noexcept;

// One token's value: "0x..." (any case) reads hexadecimal digits (0 when
// none follow; above 0xFFFFFFFF saturates, then taken as a 32-bit pattern);
// anything else reads like atoi (leading blanks, a sign, digits up to the
// first other character; 0 for none) saturated to the 32-bit range.
std::int32_t numberFromToken(std::string_view token) noexcept;

// A leading decimal integer as the C runtime's atoi reads it (leading blanks,
// a sign, digits up to the first other character; 0 for none), saturated to
// the 32-bit range instead of overflowing.
std::int32_t leadingDecimal(std::string_view text) noexcept;

// Version word of a parsed version text: "a.b.c" (three items) gives
// b*256 + c, otherwise a*256 + b, each number taken modulo 256; a number
// missing from the list counts as 0.
std::uint16_t versionFromNumberList(const std::int32_t* list, std::size_t numbers) noexcept;

} // namespace w32k::core
