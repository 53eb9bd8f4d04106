// The password table's rules on their own: page numbers and their bounds, and a stored password
// without its terminator. (The rebuild of the table is tested through the dialog.)
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

    pw::Rows rows;
    rows.fill(pw::Row{"", "1", "65536", 0});
    rows[0].password = "1000";
    EXPECT_EQ(pw::checkRows(rows, 70000), std::vector<int>(8, pw::Pages)) << "page 65536 is refused";
    rows.fill(pw::Row{"", "1", "65535", 0});
    EXPECT_TRUE(pw::checkRows(rows, 70000).empty());
}

TEST(PasswordCore, AnUnterminatedPasswordReadsAsFourCharacters)
{
    pw::Entry entry;
    std::memcpy(entry.password, "12345", 5);
    EXPECT_EQ(pw::entryPassword(entry), "1234");
}

} // namespace
