#include "dialogs/password_core.h"

#include "util/number_list_core.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace w32k::password {

namespace {

constexpr long kTimeoutMin = 10;
constexpr long kTimeoutMax = 700;
constexpr long kTimeoutBelowMin = 700;  // a timeout below the minimum wraps to the maximum
constexpr long kTimeoutAboveMax = 10;   // and one above the maximum to the minimum
constexpr std::uint16_t kTimeoutEmpty = 600;
constexpr std::uint16_t kMaxPage = 0xFFFF;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

// Message 52: a password must be four digits and not the reserved one.
bool badPassword(std::string_view p)
{
    return !p.empty() && (p.size() < kLength || p == kReserved || !allDigits(p));
}

bool pageInRange(std::string_view text, std::int32_t pagesUsed)
{
    const auto page = unsignedNumber(text);
    return page && *page >= 1 && *page <= lastPage(pagesUsed);
}

bool laterRowHasPassword(const Rows& rows, int row)
{
    return std::any_of(rows.begin() + row + 1, rows.end(),
                       [](const Row& r) { return !r.password.empty(); });
}

bool laterRowRepeats(const Rows& rows, int row)
{
    const std::string& p = rows[row].password;
    return !p.empty() && std::any_of(rows.begin() + row + 1, rows.end(),
                                     [&](const Row& r) { return r.password == p; });
}

std::uint16_t pageNumber(std::string_view text)
{
    return static_cast<std::uint16_t>(unsignedNumber(text).value_or(0));
}

void writePassword(Entry& entry, std::string_view password)
{
    std::memset(entry.password, 0, sizeof entry.password);
    std::memcpy(entry.password, password.data(), std::min(password.size(), kLength));
}

// Row k written over entry j: the attributes as the boxes show them (bit 5
// kept); the System password enables data entry on every page.
void storeRow(Entry& entry, const Row& row, bool system, std::int32_t pagesUsed)
{
    writePassword(entry, row.password);
    entry.attributes = static_cast<std::uint8_t>((entry.attributes & Unused) | (row.boxes & ~Unused));
    entry.fromPage = system ? 1 : pageNumber(row.fromPage);
    entry.toPage = system ? lastPage(pagesUsed) : pageNumber(row.toPage);
}

} // namespace

std::optional<std::uint32_t> unsignedNumber(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty() || !allDigits(text))
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

long timeoutOnLeave(long typed)
{
    if (typed < kTimeoutMin)
        return kTimeoutBelowMin;
    if (typed > kTimeoutMax)
        return kTimeoutAboveMax;
    return typed;
}

std::uint16_t timeoutOnAccept(std::string_view text)
{
    const auto typed = static_cast<std::uint16_t>(core::leadingDecimal(text));
    if (typed == 0)
        return kTimeoutEmpty;
    return static_cast<std::uint16_t>(timeoutOnLeave(typed));
}

std::uint16_t lastPage(std::int32_t pagesUsed)
{
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(pagesUsed, 0, kMaxPage));
}

std::vector<int> checkRows(const Rows& rows, std::int32_t pagesUsed)
{
    std::vector<int> messages;
    for (int k = 0; k < kRows; ++k) {
        const Row& row = rows[k];
        if (k == 0 && row.password.empty() && laterRowHasPassword(rows, 0))
            messages.push_back(SystemFirst);
        if (badPassword(row.password))
            messages.push_back(Format);
        if (!pageInRange(row.fromPage, pagesUsed))
            messages.push_back(Pages);
        else if (!pageInRange(row.toPage, pagesUsed))
            messages.push_back(Pages);
        if (messages.empty() && laterRowRepeats(rows, k))
            messages.push_back(Identical);
    }
    return messages;
}

std::vector<Entry> heldEntries(const void* block, std::size_t blockBytes, std::size_t count)
{
    std::vector<Entry> entries(std::min(count, blockBytes / kEntrySize));
    if (!entries.empty())
        std::memcpy(entries.data(), block, entries.size() * kEntrySize);
    return entries;
}

std::vector<Entry> rebuildTable(const std::vector<Entry>& old, const Rows& rows,
                                std::int32_t pagesUsed)
{
    std::vector<Entry> table;
    for (const Row& row : rows) {
        if (row.password.empty())
            continue;
        const std::size_t j = table.size();
        Entry entry = j < old.size() ? old[j] : Entry{};
        storeRow(entry, row, j == 0, pagesUsed);
        table.push_back(entry);
    }
    if (old.size() > static_cast<std::size_t>(kRows))
        table.insert(table.end(), old.begin() + kRows, old.end());
    return table;
}

std::string entryPassword(const Entry& entry)
{
    const char* p = entry.password;
    return std::string(p, std::find(p, p + kLength, '\0'));
}

} // namespace w32k::password
