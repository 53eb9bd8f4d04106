// The password table's rules on their own: number reading, the timeout, the
// checks and the rebuild of the table.
#include <gtest/gtest.h>

#include "dialogs/password_core.h"
#include "util/number_list_core.h"

#include <cstdint>
#include <cstring>

namespace pw = w32k::password;

namespace {

TEST(PasswordCore, NumbersAreReadAsTheEditsShowThemAndPagesFitSixteenBits)
{
    const std::pair<const char*, long> leading[] = {
        {"", 0}, {"42", 42}, {"  7x", 7}, {"-3", -3}, {"+9", 9}, {"abc", 0}, {"99999999999999", INT32_MAX}, {"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : leading)
        EXPECT_EQ(w32k::core::leadingDecimal(text), value) << text;

    const std::pair<const char*, std::optional<std::uint32_t>> whole[] = {
        {"12", 12u}, {" 5 ", 5u}, {"4294967295", 4294967295u}, {"4294967296", std::nullopt},
        {"", std::nullopt}, {"1a", std::nullopt}, {"-1", std::nullopt},
    };
    for (const auto& [text, value] : whole)
        EXPECT_EQ(pw::unsignedNumber(text), value) << text;
    // The last page fits sixteen bits.
    const std::pair<int, int> pages[] = {{12, 12}, {0, 0}, {-5, 0}, {65535, 65535}, {70000, 65535}};
    for (const auto& [used, last] : pages)
        EXPECT_EQ(pw::lastPage(used), last) << used;
}

pw::Rows emptyRows(const std::string& to = "12")
{
    pw::Rows rows;
    rows.fill(pw::Row{"", "1", to, 0});
    return rows;
}

TEST(PasswordCore, PagesBeyondSixteenBitsAreRefused)
{
    pw::Rows rows = emptyRows("65536");
    rows[0].password = "1000";
    EXPECT_EQ(pw::checkRows(rows, 70000), std::vector<int>(8, pw::Pages));
    EXPECT_TRUE(pw::checkRows(emptyRows("65535"), 70000).empty());
}

TEST(PasswordCore, RebuildKeepsSlotBytesAndTheEntriesBeyondTheRows)
{
    std::vector<pw::Entry> old(10);
    for (size_t j = 0; j < old.size(); ++j) {
        old[j].attributes = pw::Unused;
        std::memset(old[j].reserved, static_cast<int>(j + 1), sizeof old[j].reserved);
        std::snprintf(old[j].password, sizeof old[j].password, "%zu", 1000 + j);
    }
    pw::Rows rows = emptyRows();
    rows[0].password = "2000";
    rows[0].boxes = pw::AutoLogin | pw::AutoLogout; // login of row 0 is not the user's to set
    rows[6].password = "2006";
    rows[6].boxes = pw::Ack | pw::Unused;           // bit 5 is never taken from the boxes
    rows[6].fromPage = std::string(1, '3');
    rows[6].toPage = std::string(1, '4');

    const auto table = pw::rebuildTable(old, rows, 12);
    ASSERT_EQ(table.size(), 2u + 2u);
    EXPECT_EQ(pw::entryPassword(table[0]), "2000");
    EXPECT_EQ(table[0].attributes, pw::kSystemAttributes | pw::Unused | pw::AutoLogout);
    EXPECT_EQ(pw::entryPassword(table[1]), "2006");
    EXPECT_EQ(table[1].attributes, pw::Ack | pw::Unused);
    EXPECT_EQ(table[1].fromPage, 3);
    EXPECT_EQ(table[1].toPage, 4);
    EXPECT_EQ(table[1].reserved[0], 2);
    EXPECT_EQ(std::memcmp(&table[2], &old[8], sizeof(pw::Entry)), 0);
    EXPECT_EQ(std::memcmp(&table[3], &old[9], sizeof(pw::Entry)), 0);
}

TEST(PasswordCore, AnUnterminatedPasswordReadsAsFourCharacters)
{
    pw::Entry entry;
    std::memcpy(entry.password, "12345", 5);
    EXPECT_EQ(pw::entryPassword(entry), "1234");
}

} // namespace
