// The password table's rules on their own: page numbers and their bounds, the timeout, the order of the
// checks made on OK, and a stored password without its terminator (the rebuild: fuzz_password).
#include <gtest/gtest.h>

#include "dialogs/password_core.h"

#include <cstring>

namespace pw = w32k::password;

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
    const std::pair<long, long> left[] = {{9, 700}, {10, 10}, {700, 700}, {701, 10}};
    for (const auto& [typed, shown] : left)
        EXPECT_EQ(pw::timeoutOnLeave(typed), shown) << typed;
    const std::pair<const char*, int> stored[] = {{"", 600},      {"5", 700}, {"800", 10},
                                                  {"65536", 600}, {"-1", 10}, {"42", 42}};
    for (const auto& [text, value] : stored)
        EXPECT_EQ(pw::timeoutOnAccept(text), value) << text;
}

// Row 0 "1000", the other rows empty, every row pages 1 to 12, unless a case sets a row; 12 pages used.
TEST(PasswordCore, ChecksTellEachFailureInRowOrder)
{
    using Set = std::vector<std::pair<int, pw::Row>>; // rows set
    const struct { const char* name; Set set; std::vector<int> told; } cases[] = {
        {"reserved", {{2, {"0372", "1", "12"}}}, {pw::Format}},
        {"from and to both wrong: one message", {{5, {"", "0", "99"}}}, {pw::Pages}},
        {"identical after an earlier failure: not told",
         {{0, {"111", "1", "12"}}, {1, {"2222", "1", "12"}}, {4, {"2222", "1", "12"}}}, {pw::Format}},
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

TEST(PasswordCore, AnUnterminatedPasswordReadsAsFourCharacters)
{
    pw::Entry entry;
    std::memcpy(entry.password, "12345", 5);
    EXPECT_EQ(pw::entryPassword(entry), "1234");
}

} // namespace
