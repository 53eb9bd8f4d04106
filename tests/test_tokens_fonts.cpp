// GetNextToken and the font description conversions, called through the DLL.
// (That a token never passes its buffer's maximum is fuzz_token's.)
#include <gtest/gtest.h>

#include "w32korutil1.h"

#include <cstring>
#include <string>
#include <vector>

TEST(GetNextToken, SplitsWithinTheMaximumWithoutChangingTheText)
{
    const struct { const char *text, *delims; int maximum; std::vector<std::string> expected; } cases[] = {
        {",a,,b,", ",", 10, {"", "a", "", "b"}}, // empty tokens between, none after the last
        {"abcdef,gh", ",", 3, {"abc", "gh"}},    // cut to the maximum, cursor past all of it
        {"one two;three", " ;", 20, {"one", "two", "three"}},
        {"abc,d", ",", -4, {"", ""}},            // a negative maximum counts as 0
        {"a,b", nullptr, 5, {"a,b"}},            // null delimiters: one token
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\" max " + std::to_string(c.maximum));
        std::string copy(c.text);
        char* cursor = copy.data();
        char buffer[32];
        std::vector<std::string> result;
        while (char* token = GetNextToken(buffer, &cursor, c.delims, c.maximum)) {
            EXPECT_EQ(token, buffer);
            result.emplace_back(token);
            if (result.size() > 32)
                break;
        }
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(cursor, nullptr) << "the cursor is null once the text is used up";
        EXPECT_EQ(copy, c.text) << "the text itself is never changed";
    }
}

// Each conversion returns its own buffer, reused by the next call of it; the
// round trip sign-extends the words and keeps every other byte.
TEST(LogFont, ConversionsTruncateAndSignExtendTheWordsRoundTripEveryByteAndRefuseNull)
{
    EXPECT_EQ(LogFont32to16(nullptr), nullptr);
    LOGFONTA font{-70000, 70000, -900, -900, FW_BOLD, 1, 2, 3, 0xEE, 5, 6, 7, 0x31, {}};
    std::memcpy(font.lfFaceName, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde", 32); // 31 characters and 0
    const LogFont16* small = LogFont32to16(&font);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->height, -4464); // low 16 bits of -70000
    EXPECT_EQ(small->width, 4464);
    font.lfHeight = -32768;
    font.lfWidth = -12;
    EXPECT_EQ(LogFont32to16(&font), small);
    const LOGFONTA* back = LogFont16to32(small);
    EXPECT_NE(static_cast<const void*>(back), static_cast<const void*>(small));
    EXPECT_EQ(std::memcmp(back, &font, sizeof font), 0);
}
