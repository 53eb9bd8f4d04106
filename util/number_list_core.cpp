#include "util/number_list_core.h"

#include <cstdint>
#include <limits>

namespace w32k::core {

namespace {

bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int hexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::int32_t hexValue(std::string_view digits) noexcept
{
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > kMax)
            value = kMax;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}


char lowerCase(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The token being collected: at most kNumberTokenCapacity characters.
class NumberToken {
public:
    void append(char c) noexcept
    {
        if (length_ < kNumberTokenCapacity)
            text_[length_++] = lowerCase(c);
    }
    std::int32_t take() noexcept
    {
        const std::int32_t value = numberFromToken(std::string_view(text_, length_));
        length_ = 0;
        return value;
    }

private:
    char text_[kNumberTokenCapacity] = {};
    std::size_t length_ = 0;
};

} // namespace

std::int32_t numberFromToken(std::string_view token) noexcept
{
    if (token.size() >= 2 && token[0] == '0' && lowerCase(token[1]) == 'x')
        return hexValue(token.substr(2));
    return leadingDecimal(token);
}

NumberListResult parseNumberList(std::string_view text, std::int32_t* list,
                                 std::size_t count) noexcept
{
    NumberListResult result{false, 0};
    if (!list || count < kListMinimum)
        return result;
    list[kListGroups] = 1;
    list[kListItems] = 1;
    std::int32_t runningItems = 1;
    std::size_t next = kListFirstNumber;
    NumberToken token;
    const auto endToken = [&] {
        list[next++] = token.take();
        ++result.numbers;
    };
    for (char c : text) {
        if (c == ',' || c == '.') {
            list[kListItems] = ++runningItems;
            endToken();
        } else if (c == ';') {
            ++list[kListGroups];
            runningItems = 1;
            endToken();
        } else {
            token.append(c);
        }
        if (next == count)
            return result;
    }
    endToken();
    result.complete = true;
    return result;
}

std::uint16_t versionFromNumberList(const std::int32_t* list, std::size_t numbers) noexcept
{
    constexpr std::int32_t kThreePartVersion = 3;
    const auto number = [&](std::size_t index) -> std::uint32_t {
        return index < numbers ? static_cast<std::uint32_t>(list[kListFirstNumber + index]) & 0xFFu
                               : 0u;
    };
    const std::size_t first = list[kListItems] == kThreePartVersion ? 1 : 0;
    return static_cast<std::uint16_t>((number(first) << 8) | number(first + 1));
}

std::int32_t leadingDecimal(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit)
            magnitude = kLimit;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

} // namespace w32k::core
