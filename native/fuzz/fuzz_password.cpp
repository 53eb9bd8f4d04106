// Fuzz target: the password table's acceptance. Input: the pages used (4
// bytes), the host's count (a byte), the table block (a byte of entries and
// a byte of extra bytes, then its bytes), the eight rows as the dialog reads
// them (password, From page, To page: a length byte and the characters each;
// the boxes: a byte), then the timeout edit's text. The table block is
// exactly as large as it claims, so a read past it is caught.
#include "fuzz_input.h"
#include "dialogs/password_core.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using w32kfuzz::check;
using w32kfuzz::Input;

namespace pw = w32k::password;

// Up to limit characters, none of them NUL (an edit's text).
std::string editText(Input& in, std::size_t limit)
{
    return in.text(in.byte() % (limit + 1));
}

constexpr std::size_t kPageChars = 15; // as many as the page edits give
constexpr std::size_t kTimeoutChars = 9;
constexpr std::size_t kMaxCount = 255; // the host's count is a byte

bool isFourDigits(const std::string& p)
{
    return p.size() == pw::kLength && std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Checks that passed leave a table worth storing: the System password first,
// four digits each, none reserved or twice, every page on an existing page.
void checkAccepted(const pw::Rows& rows, std::int32_t pagesUsed)
{
    std::set<std::string> seen;
    for (int k = 0; k < pw::kRows; ++k) {
        const pw::Row& row = rows[k];
        for (const std::string* page : {&row.fromPage, &row.toPage}) {
            const auto number = pw::unsignedNumber(*page);
            check(number && *number >= 1 && *number <= pw::lastPage(pagesUsed));
        }
        if (row.password.empty())
            continue;
        check(!rows[0].password.empty());
        check(isFourDigits(row.password) && row.password != pw::kReserved);
        check(seen.insert(row.password).second);
    }
}

// The rebuilt table: the non-empty rows in order over the old entries, then
// every old entry the dialog has no row for; nothing else.
void checkRebuilt(const std::vector<pw::Entry>& old, const pw::Rows& rows, std::int32_t pagesUsed,
                  const std::vector<pw::Entry>& table)
{
    std::vector<const pw::Row*> stored;
    for (const pw::Row& row : rows) {
        if (!row.password.empty())
            stored.push_back(&row);
    }
    const std::size_t beyond = old.size() > static_cast<std::size_t>(pw::kRows) ? old.size() - pw::kRows : 0;
    check(table.size() == stored.size() + beyond && table.size() <= kMaxCount);
    const pw::Entry fresh{};
    for (std::size_t j = 0; j < stored.size(); ++j) {
        const pw::Entry& entry = table[j];
        const pw::Entry& over = j < old.size() ? old[j] : fresh;
        check(pw::entryPassword(entry) == stored[j]->password.substr(0, pw::kLength));
        check(std::memcmp(entry.reserved, over.reserved, sizeof entry.reserved) == 0);
        // The attributes as the row's boxes show them; bit 5 is the host's.
        const auto boxes = static_cast<std::uint8_t>(stored[j]->boxes & ~pw::Unused);
        check(entry.attributes == ((over.attributes & pw::Unused) | boxes));
        // The System password enables data entry on every page.
        if (j == 0)
            check(entry.fromPage == 1 && entry.toPage == pw::lastPage(pagesUsed));
    }
    for (std::size_t t = 0; t < beyond; ++t)
        check(std::memcmp(&table[stored.size() + t], &old[pw::kRows + t], pw::kEntrySize) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    std::int32_t pagesUsed = 0;
    for (int i = 0; i < 4; ++i)
        pagesUsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(pagesUsed) | std::uint32_t{in.byte()} << (8 * i));
    const std::size_t count = in.byte();
    std::size_t blockBytes = in.byte() * pw::kEntrySize;
    blockBytes += in.byte() % pw::kEntrySize;
    const auto block = std::make_unique<std::uint8_t[]>(blockBytes);
    for (std::size_t i = 0; i < blockBytes; ++i)
        block[i] = in.byte();
    pw::Rows rows;
    for (pw::Row& row : rows) {
        row.password = editText(in, pw::kLength);
        row.fromPage = editText(in, kPageChars);
        row.toPage = editText(in, kPageChars);
        row.boxes = in.byte();
    }
    const std::string timeout = editText(in, kTimeoutChars);

    const std::vector<pw::Entry> old = pw::heldEntries(block.get(), blockBytes, count);
    check(old.size() == std::min(count, blockBytes / pw::kEntrySize));
    check(old.empty() || std::memcmp(old.data(), block.get(), old.size() * pw::kEntrySize) == 0);

    const std::uint16_t stored = pw::timeoutOnAccept(timeout);
    check(stored >= 10 && stored <= 700);

    const std::vector<int> messages = pw::checkRows(rows, pagesUsed);
    for (int m : messages)
        check(m == pw::SystemFirst || m == pw::Format || m == pw::Pages || m == pw::Identical);
    if (messages.empty())
        checkAccepted(rows, pagesUsed);
    checkRebuilt(old, rows, pagesUsed, pw::rebuildTable(old, rows, pagesUsed));
    return 0;
}
