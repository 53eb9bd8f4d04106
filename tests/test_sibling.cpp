// The string store and multi-language text object of Korutil2MFC.dll. (That the
// library reaches them by ordinal, at the ordinals exported, is test_exports'.)
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "w32khost.h"

#include <cstring>
#include <string>

using w32khost::Project;

TEST(StringStore, EqualTextsShareOneIdThatLivesWhileItHoldsAReference)
{
    Project store, other;
    const WORD pump = store.acquire("Pump");
    EXPECT_EQ(store.acquire("Pump"), pump);
    EXPECT_EQ(store.references(pump), 2u);
    EXPECT_NE(store.acquire("pump"), pump) << "case matters";
    EXPECT_EQ(store.text(store.acquire("")), "");
    EXPECT_EQ(other.text(pump), "<no such id>") << "another project has a store of its own";
    EXPECT_TRUE(store.addReference(pump));
    for (int held = 3; held > 0; --held) {
        EXPECT_EQ(store.text(pump), "Pump");
        EXPECT_TRUE(store.release(pump));
    }
    EXPECT_EQ(store.text(pump), "<no such id>");
    EXPECT_FALSE(store.release(pump));
}

// A read writes at most `size` bytes with the terminating zero; with release it reads first.
TEST(StringStore, ReadsAreCutToTheBufferSize)
{
    Project store;
    const WORD id = store.acquire("ABCDEFGHIJ");
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(KorReadOrReleaseName(id, store.data(), buffer, 5, FALSE));
    EXPECT_EQ(std::string(buffer, 6), std::string("ABCD\0#", 6));
    ASSERT_TRUE(KorReadOrReleaseName(id, store.data(), buffer, 0, FALSE));
    EXPECT_EQ(buffer[0], 'A') << "size 0 writes nothing";
    ASSERT_TRUE(KorReadOrReleaseName(id, store.data(), buffer, sizeof buffer, TRUE));
    EXPECT_STREQ(buffer, "ABCDEFGHIJ");
    EXPECT_EQ(store.liveTexts(), 0u);
}

TEST(StringStore, FreedIdsAreReusedAndAFullStoreOf65535IdsRefusesNewTexts)
{
    Project store;
    const WORD a = store.acquire("a"), b = store.acquire("b");
    store.release(a);
    EXPECT_EQ(store.acquire("c"), a);
    UINT last = 0;
    for (int i = 0; i < 70000 && (last = KorAcquireName(std::to_string(i).c_str(), store.data())) != 0; ++i)
        ASSERT_LE(last, 0xFFFFu);
    EXPECT_EQ(last, 0u);
    EXPECT_EQ(store.liveTexts(), 0xFFFFu);
    EXPECT_EQ(store.acquire("b"), b) << "existing texts are still found";
}

TEST(LanguageText, ShowsOneLanguageCutTo255Characters)
{
    void* text = KorCreateLangText();
    ASSERT_NE(text, nullptr);
    char out[KOR_LANG_TEXT_SIZE + 8];
    KorSetLangText(text, "English\x1F\x1F" "Fran\xE7" "ais");
    for (const auto& [language, expected] : {std::pair{2, "Fran\xE7" "ais"}, {1, ""}, {7, "English"}}) {
        KorExtractLangText(text, language, out);
        EXPECT_STREQ(out, expected) << "language " << language; // none of its own: language 0
    }
    std::memset(out, '#', sizeof out);
    KorSetLangText(text, std::string(400, 'x').c_str());
    KorExtractLangText(text, 0, out);
    EXPECT_EQ(std::strlen(out), KOR_LANG_TEXT_SIZE - 1);
    EXPECT_EQ(out[KOR_LANG_TEXT_SIZE], '#');
    KorDestroyLangText(text);
}
