// The string store and multi-language text object of Korutil2MFC.dll,
// reached by ordinal as the utilities library does.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/test_support.h"

#include <cstring>
#include <string>

namespace {

w32ktest::Library g_dll("Korutil2MFC.dll");
template <typename Fn>
Fn byOrdinal(WORD ordinal, Fn) { return g_dll.proc<Fn>(ordinal); }
const auto acquire = byOrdinal(2, &KorAcquireName);
const auto addRef = byOrdinal(3, &KorAddReference);
const auto readOrRelease = byOrdinal(5, &KorReadOrReleaseName);

struct Store {
    char project[1000] = {};
    ~Store() { StringStoreClear(project); }
    UINT add(const char* text) { return acquire(text, project); }
    std::string read(UINT id, WORD size = 256)
    {
        char buffer[256] = "unchanged";
        return readOrRelease(id, project, buffer, size, FALSE) ? std::string(buffer) : "<none>";
    }
    bool release(UINT id) { return readOrRelease(id, project, nullptr, 0, TRUE); }
};

} // namespace

TEST(StringStore, EqualTextsShareOneIdThatLivesWhileItHoldsAReference)
{
    ASSERT_TRUE(acquire && addRef && readOrRelease);
    Store store, other;
    const UINT pump = store.add("Pump");
    EXPECT_NE(pump, 0u);
    EXPECT_EQ(store.add("Pump"), pump);
    EXPECT_EQ(StringStoreRefCount(pump, store.project), 2u);
    EXPECT_NE(store.add("pump"), pump) << "case matters";
    EXPECT_EQ(store.read(store.add("")), "");
    EXPECT_EQ(other.read(pump), "<none>") << "another project has a store of its own";
    EXPECT_TRUE(addRef(pump, store.project));
    for (int held = 3; held > 0; --held) {
        EXPECT_EQ(store.read(pump), "Pump");
        EXPECT_TRUE(store.release(pump));
    }
    EXPECT_EQ(store.read(pump), "<none>");
    EXPECT_FALSE(store.release(pump));
    EXPECT_FALSE(addRef(pump, store.project));
    EXPECT_FALSE(addRef(0, store.project));
}

// A read writes at most `size` bytes with the terminating zero; with release it reads first.
TEST(StringStore, ReadsAreCutToTheBufferSize)
{
    Store store;
    const UINT id = store.add("ABCDEFGHIJ");
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(readOrRelease(id, store.project, buffer, 5, FALSE));
    EXPECT_EQ(std::string(buffer, 6), std::string("ABCD\0#", 6));
    EXPECT_EQ(store.read(id, 0), "unchanged");
    ASSERT_TRUE(readOrRelease(id, store.project, buffer, sizeof buffer, TRUE));
    EXPECT_STREQ(buffer, "ABCDEFGHIJ");
    EXPECT_EQ(StringStoreLiveCount(store.project), 0u);
}

TEST(StringStore, FreedIdsAreReusedAndAFullStoreOf65535IdsRefusesNewTexts)
{
    Store store;
    const UINT a = store.add("a"), b = store.add("b");
    store.release(a);
    EXPECT_EQ(store.add("c"), a);
    UINT last = 0;
    for (int i = 0; i < 70000 && (last = store.add(std::to_string(i).c_str())) != 0; ++i)
        ASSERT_LE(last, 0xFFFFu);
    EXPECT_EQ(last, 0u);
    EXPECT_EQ(StringStoreLiveCount(store.project), 0xFFFFu);
    EXPECT_EQ(store.add("b"), b) << "existing texts are still found";
}

TEST(LanguageText, ShowsOneLanguageCutTo255Characters)
{
    const auto create = byOrdinal(6, &KorCreateLangText);
    const auto set = byOrdinal(7, &KorSetLangText);
    const auto extract = byOrdinal(10, &KorExtractLangText);
    const auto destroy = byOrdinal(19, &KorDestroyLangText);
    void* text = create();
    ASSERT_NE(text, nullptr);
    char out[KOR_LANG_TEXT_SIZE + 8];
    set(text, "English\x1F\x1F" "Fran\xE7" "ais");
    for (const auto& [language, expected] : {std::pair{2, "Fran\xE7" "ais"}, {1, ""}, {7, "English"}, {-1, "English"}}) {
        extract(text, language, out);
        EXPECT_STREQ(out, expected) << "language " << language; // none of its own: language 0
    }
    std::memset(out, '#', sizeof out);
    set(text, std::string(400, 'x').c_str());
    extract(text, 0, out);
    EXPECT_EQ(std::strlen(out), KOR_LANG_TEXT_SIZE - 1);
    EXPECT_EQ(out[KOR_LANG_TEXT_SIZE], '#');
    destroy(text);
}
