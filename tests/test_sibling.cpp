// The string store and multi-language text object of Korutil2MFC.dll,
// reached by ordinal as the utilities library does.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/test_support.h"

#include <cstring>
#include <string>

namespace {

class Sibling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(acquire && addRef && readOrRelease); }
    void TearDown() override { StringStoreClear(project); }
    std::string read(UINT id, void* store)
    {
        char buffer[256] = "unchanged";
        return readOrRelease(id, store, buffer, sizeof buffer, FALSE) ? buffer : "<none>";
    }
    bool release(UINT id) { return readOrRelease(id, project, nullptr, 0, TRUE); }

    w32ktest::Library dll{"Korutil2MFC.dll"};
    const decltype(&KorAcquireName) acquire = dll.proc<decltype(&KorAcquireName)>(WORD{2});
    const decltype(&KorAddReference) addRef = dll.proc<decltype(&KorAddReference)>(WORD{3});
    const decltype(&KorReadOrReleaseName) readOrRelease = dll.proc<decltype(&KorReadOrReleaseName)>(WORD{5});
    char project[1000] = {};
};

} // namespace

TEST_F(Sibling, EqualTextsShareOneIdAndAnIdLivesWhileItHoldsAReference)
{
    const UINT pump = acquire("Pump", project);
    EXPECT_NE(pump, 0u);
    EXPECT_EQ(acquire("Pump", project), pump);
    EXPECT_EQ(StringStoreRefCount(pump, project), 2u);
    EXPECT_NE(acquire("pump", project), pump) << "case matters";
    const UINT empty = acquire("", project);
    EXPECT_NE(empty, 0u);
    EXPECT_EQ(read(empty, project), "");
    EXPECT_EQ(StringStoreLiveCount(project), 3u);
    char other[1000] = {};
    EXPECT_EQ(read(pump, other), "<none>") << "another project has a store of its own";

    EXPECT_TRUE(addRef(pump, project));
    EXPECT_TRUE(release(pump));
    EXPECT_TRUE(release(pump));
    EXPECT_EQ(read(pump, project), "Pump");
    EXPECT_TRUE(release(pump));
    EXPECT_EQ(StringStoreRefCount(pump, project), 0u);
    EXPECT_EQ(read(pump, project), "<none>");
    EXPECT_FALSE(release(pump));
    EXPECT_FALSE(addRef(pump, project));
    EXPECT_FALSE(addRef(0, project));
}

TEST_F(Sibling, ReadsAreCutToTheBufferSizeAndAReadWithReleaseReadsFirst)
{
    const UINT id = acquire("ABCDEFGHIJ", project);
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(readOrRelease(id, project, buffer, 5, FALSE));
    EXPECT_EQ(std::string(buffer, 6), std::string("ABCD\0#", 6));
    ASSERT_TRUE(readOrRelease(id, project, buffer, 1, FALSE));
    EXPECT_EQ(std::string(buffer, 2), std::string("\0B", 2));
    buffer[0] = '#';
    ASSERT_TRUE(readOrRelease(id, project, buffer, 0, FALSE));
    EXPECT_EQ(buffer[0], '#') << "size 0 writes nothing";
    ASSERT_TRUE(readOrRelease(id, project, buffer, sizeof buffer, TRUE));
    EXPECT_STREQ(buffer, "ABCDEFGHIJ");
    EXPECT_EQ(StringStoreLiveCount(project), 0u);
}

TEST_F(Sibling, FreedIdsAreReusedAndIdsStayWithin16Bits)
{
    const UINT a = acquire("a", project);
    const UINT b = acquire("b", project);
    release(a);
    EXPECT_EQ(acquire("c", project), a);
    EXPECT_EQ(read(b, project), "b");
    UINT last = 0;
    for (int i = 0; i < 70000 && (last = acquire(std::to_string(i).c_str(), project)) != 0; ++i)
        ASSERT_LE(last, 0xFFFFu);
    EXPECT_EQ(last, 0u) << "a full store refuses new texts";
    EXPECT_EQ(StringStoreLiveCount(project), 0xFFFFu);
    EXPECT_EQ(acquire("b", project), b) << "existing texts are still found";
}

TEST_F(Sibling, ALanguageTextShowsOneLanguageCutTo255Characters)
{
    const auto create = dll.proc<decltype(&KorCreateLangText)>(WORD{6});
    const auto set = dll.proc<decltype(&KorSetLangText)>(WORD{7});
    const auto extract = dll.proc<decltype(&KorExtractLangText)>(WORD{10});
    const auto destroy = dll.proc<decltype(&KorDestroyLangText)>(WORD{19});
    ASSERT_TRUE(create && set && extract && destroy);
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
