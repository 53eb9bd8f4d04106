#include "dialogs/matrix_editor_core.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace w32k::matrix {

int scrollMaximum(int visible, int count) noexcept
{
    return count > visible ? count - visible : 0;
}

int clampFirst(int position, int visible, int count) noexcept
{
    return std::clamp(position, 0, scrollMaximum(visible, count));
}

std::optional<int> scrolledPosition(int code, int current, int thumb, int visible, int count) noexcept
{
    int position = current;
    switch (static_cast<ScrollCode>(code)) {
    case ScrollCode::LineBack:
        position -= 1;
        break;
    case ScrollCode::LineForward:
        position += 1;
        break;
    case ScrollCode::PageBack:
        position -= visible;
        break;
    case ScrollCode::PageForward:
        position += visible;
        break;
    case ScrollCode::ThumbPosition:
        position = thumb;
        break;
    default:
        return std::nullopt;
    }
    return clampFirst(position, visible, count);
}

int steppedSetCount(long typed, int step) noexcept
{
    step = std::clamp(step, -1, 1);
    // Anything beyond these bounds gives the same count; no overflow below.
    const long n = std::clamp<long>(typed, -1, kMaxSetCount + 1) + step;
    if (n > kMaxSetCount)
        return step > 0 ? 1 : kMaxSetCount;
    if (n < 1)
        return step < 0 ? kMaxSetCount : 1;
    return static_cast<int>(n);
}

long parseSignedNumber(const char* text) noexcept
{
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return 0;
    constexpr long kMax = std::numeric_limits<long>::max();
    long value = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        if (saturated || value > (kMax - digit) / 10)
            saturated = true;
        else
            value = value * 10 + digit;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '\0')
        return 0;
    if (saturated)
        value = kMax;
    return negative ? -value : value;
}

std::optional<Slot> cellSlot(int id) noexcept
{
    if (id < kFirstCellId || id > kLastCellId)
        return std::nullopt;
    const int offset = id - kFirstCellId;
    return Slot{offset % kRowSlots, offset / kRowSlots};
}

Rect rowSelection(const Rect& current, bool extend, int row, int setCount) noexcept
{
    Rect r{row, row, 0, setCount - 1};
    if (extend) {
        r.rowFrom = std::min(current.rowFrom, row);
        r.rowTo = std::max(current.rowTo, row);
    }
    return r;
}

Rect columnSelection(const Rect& current, bool extend, int set, int rowCount) noexcept
{
    Rect r{0, rowCount - 1, set, set};
    if (extend) {
        r.setFrom = std::min(current.setFrom, set);
        r.setTo = std::max(current.setTo, set);
    }
    return r;
}

Rect wholeMatrix(int rowCount, int setCount) noexcept
{
    return Rect{0, rowCount - 1, 0, setCount - 1};
}

Rect regionFrom(int row, int set, int rowCount, int setCount) noexcept
{
    return Rect{row, rowCount - 1, set, setCount - 1};
}

bool containsId(const std::uint16_t* ids, std::size_t count, std::uint16_t id) noexcept
{
    return ids && std::find(ids, ids + count, id) != ids + count;
}

std::vector<std::uint16_t> withId(const std::uint16_t* ids, std::size_t count, std::uint16_t id)
{
    std::vector<std::uint16_t> list;
    if (ids)
        list.assign(ids, ids + count);
    if (!containsId(ids, count, id))
        list.push_back(id);
    return list;
}

std::vector<std::uint16_t> withoutId(const std::uint16_t* ids, std::size_t count, std::uint16_t id)
{
    std::vector<std::uint16_t> list;
    if (ids)
        list.assign(ids, ids + count);
    if (auto it = std::find(list.begin(), list.end(), id); it != list.end())
        list.erase(it);
    return list;
}

std::size_t copyCut(char* buffer, std::size_t size, const char* text, std::size_t limit) noexcept
{
    if (!buffer || size == 0)
        return 0;
    std::size_t length = text ? std::strlen(text) : 0;
    length = std::min({length, limit, size - 1});
    if (length)
        std::memmove(buffer, text, length);
    buffer[length] = '\0';
    return length;
}

std::size_t boundedLength(const char* field, std::size_t size) noexcept
{
    const void* end = std::memchr(field, 0, size);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
}

} // namespace w32k::matrix
