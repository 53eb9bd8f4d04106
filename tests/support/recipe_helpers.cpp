#include "support/recipe_helpers.h"

#include "support/test_support.h"

#include <map>

namespace w32ktest {

int HostRecipe::edit(const std::function<void(HWND)>& script)
{
    DialogScript driver(script);
    const int result = open(nullptr);
    EXPECT_TRUE(driver.ran());
    return result;
}

void HostRecipe::expectReferencesBalanced()
{
    std::map<WORD, UINT> held;
    for (const ParSetFolder& folder : folders)
        for (const ParSetEntry& e : w32khost::entriesOf(folder))
            if (folder.ValueKind == PARSET_KIND_TEXT && e.StringId)
                ++held[e.StringId];
    for (const auto& [id, count] : held)
        EXPECT_EQ(Recipe::project.references(id), count) << "id " << id;
    EXPECT_EQ(Recipe::project.liveTexts(), held.size());
}

} // namespace w32ktest
