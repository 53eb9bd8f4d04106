// Tag folders at their limit: 1451 adds one by one, the search for the last
// tag by its path, and deleting a group of 1000 descendants.
#include "bench.h"

#include <windows.h>

#include "korutil2mfc.h"
#include "w32korutil1.h"

#include <cstring>
#include <string>
#include <vector>

namespace w32kbench {

namespace {

// The host's comparison: a tag of the same name and parent is the same tag.
int WINAPI sameTag(const TagDataRecord*, const TagDataRecord*, const NetNodeRecord*)
{
    return 1;
}

TagDataRecord tagRecord()
{
    TagDataRecord record;
    std::memset(&record, 0x11, sizeof record);
    record.nodeNumber = 0;
    record.referenceTagId = 0;
    return record;
}

// A full folder: group "Big" holding `descendants` tags in subgroups of 100
// (each subgroup counted), interleaved with top-level tags.
struct TagFolderRun {
    TagFolderHeader folder{};
    alignas(8) BYTE project[1024] = {};
    WORD big = 0;
    bool added = true;

    WORD add(const std::string& name, WORD parent, int group)
    {
        const TagDataRecord record = tagRecord();
        return AddTagElement(&folder, project, name.c_str(), &record, parent, group, sameTag);
    }

    void fill(int total, int descendants)
    {
        big = add("Big", 0, 1);
        added = big != 0;
        int inside = 0;
        WORD subgroup = 0;
        for (int i = 0; i < total - 1; ++i) {
            const std::string name = std::string("T").append(std::to_string(i));
            WORD id = 0;
            if (inside == descendants || (i % 3 == 0 && total - 1 - i > descendants - inside))
                id = add(name, 0, 0);
            else if (inside++ % 100 == 0)
                id = subgroup = add(name, big, 1);
            else
                id = add(name, subgroup, 0);
            added = added && id != 0;
        }
    }

    // "parent<TAB>name" of the element at position.
    std::string pathAt(WORD position)
    {
        char name[W32K_TAG_NAME_BUFFER] = "", parentName[W32K_TAG_NAME_BUFFER] = "";
        WORD parent = 0;
        GetBasedTagElement(&folder, project, position, nullptr, &parent, nullptr, name, sizeof name, nullptr);
        if (parent != 0)
            GetTagElement(&folder, project, parent, nullptr, nullptr, nullptr, parentName, sizeof parentName,
                          nullptr);
        return std::string(parentName).append("\t").append(name);
    }

    void release()
    {
        DeleteTagFolder(&folder, project);
        StringStoreClear(project);
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
        TagFolderRun run;
        addTimes.push_back(timeMs([&] { run.fill(total, descendants); }));
        right = right && run.added && run.folder.count == total;

        const WORD last = static_cast<WORD>(total - 1);
        const std::string path = run.pathAt(last);
        const TagDataRecord search = tagRecord();
        WORD position = 0, found = 0;
        scanTimes.push_back(timeMs([&] {
            found = ScanForExistingTag(&run.folder, run.project, path.c_str(), &search, nullptr, &position,
                                       sameTag);
        }));
        right = right && found != 0 && position == last;

        deleteTimes.push_back(timeMs([&] { DeleteTagElement(&run.folder, run.project, run.big); }));
        right = right && run.folder.count == total - 1 - descendants;
        run.release();
    }
    bench.check(right, adds, "the folder did not hold, find or lose the expected tags");
    const Goal under50{GoalKind::Under, 50};
    bench.report({adds, median(addTimes), std::nullopt, under50, bench.samples(11)});
    bench.report({scan, median(scanTimes), std::nullopt, under50, bench.samples(11)});
    bench.report({remove, median(deleteTimes), std::nullopt, under50, bench.samples(11)});
}

} // namespace w32kbench
