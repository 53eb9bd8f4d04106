// Tag folders at their limit: 1451 adds one by one, the search for the last
// tag by its path, and deleting a group of 1000 descendants.
#include "bench.h"

#include <windows.h>

#include "w32khost.h"

#include <string>
#include <vector>

namespace w32kbench {

namespace {

// A full folder: group "Big" holding `descendants` tags in subgroups of 100
// (each subgroup counted), interleaved with top-level tags.
struct TagFolderRun {
    w32khost::Project project;
    w32khost::TagTree tags{project};
    WORD big = 0;
    bool added = true;

    void fill(int total, int descendants)
    {
        big = tags.add("Big", 0, true);
        added = big != 0;
        int inside = 0;
        WORD subgroup = 0;
        for (int i = 0; i < total - 1; ++i) {
            const std::string name = std::string("T").append(std::to_string(i));
            WORD id = 0;
            if (inside == descendants || (i % 3 == 0 && total - 1 - i > descendants - inside))
                id = tags.add(name);
            else if (inside++ % 100 == 0)
                id = subgroup = tags.add(name, big, true);
            else
                id = tags.add(name, subgroup);
            added = added && id != 0;
        }
    }

    // "parent<TAB>name" of the element at position.
    std::string pathAt(WORD position)
    {
        char name[W32K_TAG_NAME_BUFFER] = "", parentName[W32K_TAG_NAME_BUFFER] = "";
        WORD parent = 0;
        GetBasedTagElement(&tags.folder, project.data(), position, nullptr, &parent, nullptr, name, sizeof name,
                           nullptr);
        if (parent != 0)
            GetTagElement(&tags.folder, project.data(), parent, nullptr, nullptr, nullptr, parentName,
                          sizeof parentName, nullptr);
        return std::string(parentName).append("\t").append(name);
    }
};

} // namespace

void runTagCases(Bench& bench)
{
    const int total = bench.size(W32K_TAG_MAX_ELEMENTS, 12);
    const int descendants = bench.size(1000, 6);
    const std::string adds = std::to_string(total) + " tag adds";
    const std::string scan = "ScanForExistingTag of the last of " + std::to_string(total);
    const std::string remove = "delete a group of " + std::to_string(descendants) + " descendants";
    std::vector<double> addTimes, scanTimes, deleteTimes;
    bool right = true;
    for (int i = 0; i < bench.samples(11); ++i) {
        TagFolderRun run; // deleted at the end of each sample, untimed
        addTimes.push_back(timeMs([&] { run.fill(total, descendants); }));
        right = right && run.added && run.tags.folder.count == total;

        const WORD last = static_cast<WORD>(total - 1);
        const std::string path = run.pathAt(last);
        const TagDataRecord search{};
        WORD position = 0, found = 0;
        scanTimes.push_back(timeMs([&] {
            found = ScanForExistingTag(&run.tags.folder, run.project.data(), path.c_str(), &search, nullptr,
                                       &position, w32khost::sameNodeTag);
        }));
        right = right && found != 0 && position == last;

        deleteTimes.push_back(timeMs([&] { DeleteTagElement(&run.tags.folder, run.project.data(), run.big); }));
        right = right && run.tags.folder.count == total - 1 - descendants;
    }
    bench.check(right, adds, "the folder did not hold, find or lose the expected tags");
    const Goal under50{GoalKind::Under, 50};
    bench.report({adds, median(addTimes), std::nullopt, under50, bench.samples(11)});
    bench.report({scan, median(scanTimes), std::nullopt, under50, bench.samples(11)});
    bench.report({remove, median(deleteTimes), std::nullopt, under50, bench.samples(11)});
}

} // namespace w32kbench
