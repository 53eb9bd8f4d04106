// The companion libraries: the string store and multi-language text object of
// Korutil2MFC.dll (reached by ordinal, as the utilities library does) and the
// caption string of KorAbout.dll.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/test_support.h"

#include <cstring>
#include <string>

namespace {

// The seven entries, by ordinal only.
struct Sibling {
    w32ktest::Library dll{"Korutil2MFC.dll"};
    decltype(&KorAcquireName) acquire = dll.proc<decltype(&KorAcquireName)>(WORD{2});
    decltype(&KorAddReference) addRef = dll.proc<decltype(&KorAddReference)>(WORD{3});
    decltype(&KorReadOrReleaseName) readOrRelease =
        dll.proc<decltype(&KorReadOrReleaseName)>(WORD{5});
    decltype(&KorCreateLangText) create = dll.proc<decltype(&KorCreateLangText)>(WORD{6});
    decltype(&KorSetLangText) set = dll.proc<decltype(&KorSetLangText)>(WORD{7});
    decltype(&KorExtractLangText) extract = dll.proc<decltype(&KorExtractLangText)>(WORD{10});
    decltype(&KorDestroyLangText) destroy = dll.proc<decltype(&KorDestroyLangText)>(WORD{19});

    bool complete() const
    {
        return acquire && addRef && readOrRelease && create && set && extract && destroy;
    }
    std::string read(UINT id, void* project)
    {
        char buffer[256] = "unchanged";
        return readOrRelease(id, project, buffer, sizeof buffer, FALSE) ? buffer : "<none>";
    }
    bool release(UINT id, void* project) { return readOrRelease(id, project, nullptr, 0, TRUE); }
};

class StringStore : public ::testing::Test {
protected:
    void TearDown() override
    {
        StringStoreClear(&project);
        StringStoreClear(&other);
    }
    Sibling s;
    char project[1000] = {};
    char other[1000] = {};
};

} // namespace

TEST_F(StringStore, EqualTextsShareOneIdAndEachAcquireIsAReference)
{
    ASSERT_TRUE(s.complete());
    const UINT pump = s.acquire("Pump", &project);
    const UINT valve = s.acquire("Valve", &project);
    EXPECT_NE(pump, 0u);
    EXPECT_NE(valve, pump);
    EXPECT_EQ(s.acquire("Pump", &project), pump);
    EXPECT_EQ(StringStoreRefCount(pump, &project), 2u);
    EXPECT_EQ(StringStoreLiveCount(&project), 2u);
    // Case matters; the empty text gets an id too.
    EXPECT_NE(s.acquire("pump", &project), pump);
    const UINT empty = s.acquire("", &project);
    EXPECT_NE(empty, 0u);
    EXPECT_EQ(s.read(empty, &project), "");
    // Another project has a store of its own.
    EXPECT_EQ(StringStoreLiveCount(&other), 0u);
    EXPECT_EQ(s.read(pump, &other), "<none>");
}

TEST_F(StringStore, AnIdLivesWhileItHoldsAReference)
{
    const UINT id = s.acquire("Tank level", &project);
    EXPECT_TRUE(s.addRef(id, &project));
    EXPECT_EQ(StringStoreRefCount(id, &project), 2u);
    EXPECT_TRUE(s.release(id, &project));
    EXPECT_EQ(s.read(id, &project), "Tank level");
    // Acquire followed at once by release finds the existing id and keeps nothing.
    EXPECT_EQ(s.acquire("Tank level", &project), id);
    EXPECT_TRUE(s.release(id, &project));
    EXPECT_EQ(StringStoreRefCount(id, &project), 1u);

    EXPECT_TRUE(s.release(id, &project));
    EXPECT_EQ(StringStoreRefCount(id, &project), 0u);
    EXPECT_EQ(StringStoreLiveCount(&project), 0u);
    EXPECT_EQ(s.read(id, &project), "<none>");
    EXPECT_FALSE(s.release(id, &project));
    EXPECT_FALSE(s.addRef(id, &project));
    EXPECT_FALSE(s.addRef(0, &project));
}

TEST_F(StringStore, ReadsAreCutToTheBufferSize)
{
    const UINT id = s.acquire("ABCDEFGHIJ", &project);
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(s.readOrRelease(id, &project, buffer, 5, FALSE));
    EXPECT_STREQ(buffer, "ABCD");
    EXPECT_EQ(buffer[5], '#');
    // Size 1 leaves room for the terminator only; size 0 writes nothing.
    ASSERT_TRUE(s.readOrRelease(id, &project, buffer, 1, FALSE));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'B');
    buffer[0] = '#';
    ASSERT_TRUE(s.readOrRelease(id, &project, buffer, 0, FALSE));
    EXPECT_EQ(buffer[0], '#');
    // A read with release reads first, then drops the reference.
    ASSERT_TRUE(s.readOrRelease(id, &project, buffer, sizeof buffer, TRUE));
    EXPECT_STREQ(buffer, "ABCDEFGHIJ");
    EXPECT_EQ(StringStoreLiveCount(&project), 0u);
}

TEST_F(StringStore, FreedIdsAreReusedAndIdsStayWithin16Bits)
{
    const UINT a = s.acquire("a", &project);
    const UINT b = s.acquire("b", &project);
    s.release(a, &project);
    EXPECT_EQ(s.acquire("c", &project), a);
    EXPECT_EQ(s.read(b, &project), "b");
    UINT last = 0;
    for (int i = 0; i < 70000 && (last = s.acquire(std::to_string(i).c_str(), &project)) != 0; ++i)
        EXPECT_LE(last, 0xFFFFu);
    EXPECT_EQ(last, 0u) << "a full store refuses new texts";
    EXPECT_EQ(StringStoreLiveCount(&project), 0xFFFFu);
    EXPECT_EQ(s.acquire("b", &project), b) << "existing texts are still found";
}

TEST(LanguageText, PicksOneLanguageOutOfTheMultiLanguageText)
{
    Sibling s;
    ASSERT_TRUE(s.complete());
    void* text = s.create();
    ASSERT_NE(text, nullptr);
    char out[KOR_LANG_TEXT_SIZE + 8];
    s.set(text, "English\x1F" "Deutsch\x1F" "Fran\xE7" "ais");
    s.extract(text, 1, out);
    EXPECT_STREQ(out, "Deutsch");
    s.extract(text, 2, out);
    EXPECT_STREQ(out, "Fran\xE7" "ais");
    s.extract(text, 7, out);
    EXPECT_STREQ(out, "English") << "a language without its own text shows language 0";
    s.extract(text, -1, out);
    EXPECT_STREQ(out, "English");

    // A new text replaces the old; an empty part stays empty.
    s.set(text, "One\x1F\x1FThree");
    s.extract(text, 1, out);
    EXPECT_STREQ(out, "");

    // Output is cut to 255 characters plus the terminator.
    std::memset(out, '#', sizeof out);
    s.set(text, std::string(400, 'x').c_str());
    s.extract(text, 0, out);
    EXPECT_EQ(std::strlen(out), KOR_LANG_TEXT_SIZE - 1);
    EXPECT_EQ(out[KOR_LANG_TEXT_SIZE], '#');
    s.destroy(text);
}

TEST(KorAbout, HoldsTheMessageBoxCaption)
{
    HMODULE about = LoadLibraryExA("KorAbout.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(about, nullptr);
    char caption[128] = {};
    EXPECT_GT(LoadStringA(about, 101, caption, sizeof caption), 0);
    EXPECT_STREQ(caption, "Panel Designer");
    FreeLibrary(about);
}
