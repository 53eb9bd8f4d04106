// GetNextToken and the font description conversions, called through the DLL.
#include <gtest/gtest.h>

#include "w32korutil1.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kGuard = '#';

// All tokens of text, as successive calls return them; also checks that no
// call writes past maximum + 1 bytes of the token buffer.
std::vector<std::string> tokens(const char* text, const char* delimiters, int maximum)
{
    std::vector<std::string> result;
    std::string copy(text);
    char* cursor = copy.data();
    const size_t used = static_cast<size_t>(maximum > 0 ? maximum : 0) + 1;
    std::vector<char> buffer(used + 8, kGuard);
    while (char* token = GetNextToken(buffer.data(), &cursor, delimiters, maximum)) {
        EXPECT_EQ(token, buffer.data());
        result.emplace_back(token);
        for (size_t i = used; i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], kGuard) << "written past the token buffer at " << i;
        if (result.size() > 32)
            break;
    }
    EXPECT_EQ(cursor, nullptr) << "the cursor is null once the text is used up";
    EXPECT_EQ(copy, text) << "the text itself is never changed";
    return result;
}

struct TokenCase {
    const char* text;
    const char* delimiters;
    int maximum;
    std::vector<std::string> expected;
};

} // namespace

TEST(GetNextToken, SplitsTextsLikeTheHostExpects)
{
    const TokenCase cases[] = {
        {"a,b", ",", 10, {"a", "b"}},
        {",a", ",", 10, {"", "a"}},                 // leading delimiter: empty first token
        {"a,,b", ",", 10, {"a", "", "b"}},          // doubled delimiter: empty token between
        {"a,", ",", 10, {"a"}},                     // trailing delimiter: no empty token at the end
        {"abcdef,gh", ",", 3, {"abc", "gh"}},       // cut to the maximum, cursor past all of it
        {"abcdef", ",", 3, {"abc"}},
        {"one two;three", " ;", 20, {"one", "two", "three"}},
        {"x", "", 5, {"x"}},                        // no delimiters: the whole text
        {"abc", ",", 0, {""}},                      // maximum 0: empty token, text still consumed
        {"abc,d", ",", -4, {"", ""}},               // a negative maximum counts as 0
        {"", ",", 5, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\" max " + std::to_string(c.maximum));
        EXPECT_EQ(tokens(c.text, c.delimiters, c.maximum), c.expected);
    }
}

TEST(GetNextToken, NullCursorsAndBuffersGiveNull)
{
    char buffer[8] = "keep";
    char* cursor = nullptr;
    EXPECT_EQ(GetNextToken(buffer, &cursor, ",", 5), nullptr);
    EXPECT_EQ(GetNextToken(buffer, nullptr, ",", 5), nullptr);
    EXPECT_STREQ(buffer, "keep");

    char text[] = "a,b";
    cursor = text;
    EXPECT_EQ(GetNextToken(nullptr, &cursor, ",", 5), nullptr);
    EXPECT_EQ(cursor, text) << "without a token buffer the cursor stays";
    // A null delimiter set: the rest of the text is one token.
    EXPECT_STREQ(GetNextToken(buffer, &cursor, nullptr, 5), "a,b");
    EXPECT_EQ(cursor, text + 3);
}

namespace {

LOGFONTA sampleFont32()
{
    LOGFONTA font{};
    font.lfHeight = -70000;
    font.lfWidth = 70000;
    font.lfEscapement = 900;
    font.lfOrientation = -900;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfUnderline = 2;
    font.lfStrikeOut = 3;
    font.lfCharSet = 0xEE;
    font.lfOutPrecision = 5;
    font.lfClipPrecision = 6;
    font.lfQuality = 7;
    font.lfPitchAndFamily = 0x31;
    std::memcpy(font.lfFaceName, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde", 32); // 31 characters and 0
    return font;
}

} // namespace

TEST(LogFont, ThirtyTwoToSixteenKeepsLowWordsAndTheRoundTripEveryByte)
{
    LOGFONTA font = sampleFont32();
    const LogFont16* result = LogFont32to16(&font);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->height, -4464); // low 16 bits of -70000
    EXPECT_EQ(result->width, 4464);
    EXPECT_EQ(result->orientation, -900);
    EXPECT_EQ(result->pitchAndFamily, 0x31);
    EXPECT_EQ(std::memcmp(result->faceName, font.lfFaceName, 32), 0);

    font.lfHeight = -12;
    font.lfWidth = 0;
    const LOGFONTA back = *LogFont16to32(LogFont32to16(&font));
    EXPECT_EQ(std::memcmp(&back, &font, sizeof font), 0);
}

TEST(LogFont, SixteenToThirtyTwoSignExtends)
{
    for (const SHORT value : {SHORT(-12), SHORT(12), SHORT(-32768), SHORT(32767)}) {
        LogFont16 font{};
        font.height = font.width = font.escapement = font.orientation = font.weight = value;
        const LOGFONTA* result = LogFont16to32(&font);
        ASSERT_NE(result, nullptr);
        for (LONG field : {result->lfHeight, result->lfWidth, result->lfEscapement, result->lfOrientation,
                           result->lfWeight})
            EXPECT_EQ(field, LONG(value));
    }
}

TEST(LogFont, EachConversionReusesItsBufferAndRejectsNull)
{
    LOGFONTA a = sampleFont32();
    LOGFONTA b = sampleFont32();
    b.lfHeight = -8;
    LogFont16* first = LogFont32to16(&a);
    LogFont16* second = LogFont32to16(&b);
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->height, -8);
    LogFont16 small{};
    EXPECT_NE(static_cast<void*>(LogFont16to32(&small)), static_cast<void*>(first));
    EXPECT_EQ(LogFont32to16(nullptr), nullptr);
    EXPECT_EQ(LogFont16to32(nullptr), nullptr);
}
