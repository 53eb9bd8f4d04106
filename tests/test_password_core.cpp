// The password table's rules on their own: page numbers and their bounds, the timeout, the checks made
// on OK and the rebuild of the table, and a stored password without its terminator.
#include <gtest/gtest.h>

#include "dialogs/password_core.h"

#include <algorithm>
#include <cstring>

namespace pw = w32k::password;

namespace w32k::password {
bool operator==(const Entry& a, const Entry& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
} // namespace w32k::password

namespace {

TEST(PasswordCore, PageNumbersAreWholeUnsignedNumbersAndPagesFitSixteenBits)
{
    const std::pair<const char*, std::optional<std::uint32_t>> whole[] = {
        {"12", 12u}, {" 5 ", 5u}, {"4294967295", 4294967295u}, {"4294967296", std::nullopt},
        {"", std::nullopt}, {"1a", std::nullopt}, {"-1", std::nullopt}};
    for (const auto& [text, value] : whole)
        EXPECT_EQ(pw::unsignedNumber(text), value) << text;
    const std::pair<int, int> pages[] = {{12, 12}, {0, 0}, {-5, 0}, {65535, 65535}, {70000, 65535}};
    for (const auto& [used, last] : pages)
        EXPECT_EQ(pw::lastPage(used), last) << used;
}

// Leaving the edit: below 10 is 700, above 700 is 10. OK reads the text as a 16-bit number, 0 is 600.
TEST(PasswordCore, TimeoutWrapsIntoRange)
{
    const std::pair<long, long> left[] = {{9, 700}, {10, 10}, {700, 700}, {701, 10}, {0, 700}};
    for (const auto& [typed, shown] : left)
        EXPECT_EQ(pw::timeoutOnLeave(typed), shown) << typed;
    const std::pair<const char*, int> stored[] = {{"", 600},    {"5", 700},  {"800", 10},       {"65536", 600},
                                                  {"65545", 700}, {"-1", 10}, {"123456789", 10}, {"42", 42}};
    for (const auto& [text, value] : stored)
        EXPECT_EQ(pw::timeoutOnAccept(text), value) << text;
}

// Row 0 "1000", the other rows empty, every row pages 1 to 12, unless a case sets a row; 12 pages used.
TEST(PasswordCore, ChecksTellEachFailureInRowOrder)
{
    const struct { const char* name; std::vector<std::pair<int, pw::Row>> set; std::vector<int> told; } cases[] = {
        {"reserved", {{2, {"0372", "1", "12"}}}, {pw::Format}},
        {"other characters", {{0, {"12a4", "1", "12"}}}, {pw::Format}},
        {"no System password", {{0, {"", "1", "12"}}, {3, {"3333", "1", "12"}}}, {pw::SystemFirst}},
        {"to page above pages used", {{4, {"", "1", "13"}}}, {pw::Pages}},
        {"from and to both wrong: one message", {{5, {"", "0", "99"}}}, {pw::Pages}},
        {"identical after an earlier failure", {{0, {"111", "1", "12"}}, {1, {"2222", "1", "12"}}, {4, {"2222", "1", "12"}}},
         {pw::Format}},
        {"identical before a later failure", {{1, {"2222", "1", "12"}}, {4, {"2222", "1", "12"}}, {6, {"", "0", "12"}}},
         {pw::Identical, pw::Pages}},
        {"accepted", {{1, {"2222", "1", "12"}}}, {}},
    };
    for (const auto& c : cases) {
        pw::Rows rows;
        rows.fill(pw::Row{"", "1", "12", 0});
        rows[0] = pw::Row{"1000", "1", "12", 0};
        for (const auto& [k, row] : c.set)
            rows[k] = row;
        EXPECT_EQ(pw::checkRows(rows, 12), c.told) << c.name;
    }
}

pw::Entry entry(const char* password, std::uint8_t attributes, std::uint16_t from, std::uint16_t to, std::uint8_t marker)
{
    pw::Entry e;
    std::memcpy(e.password, password, std::min(std::strlen(password), pw::kLength));
    e.attributes = attributes;
    e.fromPage = from;
    e.toPage = to;
    std::memset(e.reserved, marker, sizeof e.reserved);
    return e;
}

// Entry j is the j-th non-empty row over old entry j, keeping its unused bytes and bit 5; attributes come
// from the boxes (the System password's too: fault fixed, they were forced to "CONF" to "PAGE"). Entries
// beyond the eight rows stay; no password is lost (fault fixed: an emptied row before a filled one).
TEST(PasswordCore, RebuildStoresTheNonEmptyRowsInOrderLosingNone)
{
    std::vector<pw::Entry> old;
    for (int k = 0; k < 10; ++k)
        old.push_back(entry(std::to_string(1000 + k).c_str(), pw::Ack | (k == 1 ? pw::Unused : 0), 3, 4, std::uint8_t(k)));
    pw::Rows rows;
    rows.fill(pw::Row{"", "1", "12", 0});
    rows[0] = {"1000", "5", "6", pw::Time};
    rows[1] = {"1001", "7", "8", pw::AutoLogin};
    rows[5] = {"1005", "9", "10", pw::Unused | pw::AutoLogout};
    const std::vector<pw::Entry> table = pw::rebuildTable(old, rows, 40);
    const std::vector<pw::Entry> expected = {
        entry("1000", pw::Time, 1, 40, 0), entry("1001", pw::Unused | pw::AutoLogin, 7, 8, 1),
        entry("1005", pw::AutoLogout, 9, 10, 2), old[8], old[9]};
    EXPECT_EQ(table, expected);
    EXPECT_EQ(pw::rebuildTable({}, rows, 12).size(), 3u) << "new entries for every non-empty row";
}

TEST(PasswordCore, AnUnterminatedPasswordReadsAsFourCharacters)
{
    pw::Entry entry;
    std::memcpy(entry.password, "12345", 5);
    EXPECT_EQ(pw::entryPassword(entry), "1234");
}

} // namespace
