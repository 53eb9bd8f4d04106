// What the sanitized native build adds to the DLL tests and the fuzz targets
// (folders, DIB headers, number lists and tokens have their fuzz targets):
// numbers saturate at 32 bits where long has 64, and the caption writer,
// which no fuzz target reaches, stays inside its buffer whatever the
// caption's length. (Companion names in buffers too small: test_ini_files.)
#include <gtest/gtest.h>

#include "util/fold_core.h"
#include "util/number_list_core.h"

#include <string>

namespace core = w32k::core;

TEST(NumberToken, SaturatesAtThirtyTwoBitsOnEveryPlatform)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483649", INT32_MIN}, {"0x100000000", -1},
        {"0x80000000", INT32_MIN}, {"- 5", 0},                {"--5", 0},                 {"\t\n 12", 12},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(core::numberFromToken(text), value) << text;
}

TEST(FoldCaption, NeverWritesPastItsSixtyBytes)
{
    const struct { std::string caption; bool back; std::string expected; } cases[] = {
        {std::string(10000, 'M'), true, std::string(57, 'M') + "<<"}, {"", false, ">>"}};
    for (const auto& c : cases) {
        char out[core::kCaptionBufferSize];
        EXPECT_EQ(core::foldedCaption(c.caption, c.back, out), c.expected.size());
        EXPECT_EQ(std::string(out), c.expected);
    }
}
