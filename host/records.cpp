// The project block, parameter-set folders, tag trees and the clipboard.
#include "w32khost.h"

#include "frame/raii.h"
#include "korutil2mfc.h"

#include <algorithm>
#include <cstring>

namespace w32khost {

Project::~Project()
{
    ExpDeleteNetworkFolder(netNodes());
    StringStoreClear(block_);
}

WORD Project::acquire(const char* text)
{
    return static_cast<WORD>(KorAcquireName(text, block_));
}

BOOL Project::addReference(WORD id)
{
    return KorAddReference(id, block_);
}

BOOL Project::release(WORD id)
{
    return KorReadOrReleaseName(id, block_, nullptr, 0, TRUE);
}

std::string Project::text(WORD id)
{
    char text[256] = {};
    return KorReadOrReleaseName(id, block_, text, sizeof text, FALSE) ? text : "<no such id>";
}

UINT Project::references(WORD id)
{
    return StringStoreRefCount(id, block_);
}

UINT Project::liveTexts()
{
    return StringStoreLiveCount(block_);
}

BOOL Project::addNode(WORD number, const char* label)
{
    NetNodeRecord node{};
    node.nodeNumber = number;
    std::strncpy(reinterpret_cast<char*>(node.hostData1), label, sizeof node.hostData1 - 1);
    return ExpRegisterNetNodeData(netNodes(), &node);
}

ParSetFolder makeFolder(WORD kind, const std::vector<Run>& runs)
{
    ParSetFolder folder{};
    folder.ValueKind = kind;
    if (runs.empty())
        return folder;
    w32k::GlobalBlock block = w32k::GlobalBlock::allocate(runs.size() * sizeof(ParSetEntry));
    if (w32k::GlobalLockGuard<ParSetEntry> entries{block.get()}) {
        for (std::size_t k = 0; k < runs.size(); ++k) {
            entries[k].FirstIndex = static_cast<SHORT>(runs[k].first);
            entries[k].LastIndex = static_cast<SHORT>(runs[k].last);
            if (kind == PARSET_KIND_TEXT)
                entries[k].StringId = static_cast<WORD>(runs[k].value);
            else
                entries[k].Number = runs[k].value;
        }
        folder.EntryCount = static_cast<WORD>(runs.size());
        folder.Block = block.release();
    }
    return folder;
}

std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder)
{
    const w32k::GlobalLockGuard<const ParSetEntry> entries{folder.EntryCount ? folder.Block : nullptr};
    if (!entries)
        return {};
    const std::size_t fit = std::min<std::size_t>(folder.EntryCount, entries.size() / sizeof(ParSetEntry));
    return {entries.get(), entries.get() + fit};
}

std::vector<Run> runsOf(const ParSetFolder& folder)
{
    std::vector<Run> runs;
    for (const ParSetEntry& e : entriesOf(folder))
        runs.push_back({e.FirstIndex, e.LastIndex, folder.ValueKind == PARSET_KIND_TEXT ? DWORD{e.StringId} : e.Number});
    return runs;
}

int WINAPI sameNodeTag(const TagDataRecord* search, const TagDataRecord* candidate, const NetNodeRecord*)
{
    return search->nodeNumber == candidate->nodeNumber ? 1 : 0;
}

TagTree::~TagTree()
{
    DeleteTagFolder(&folder, project_.data());
}

WORD TagTree::add(const std::string& name, WORD parent, bool group, WORD node)
{
    TagDataRecord data{};
    data.nodeNumber = node;
    return add(name, parent, group ? 1 : 0, data);
}

WORD TagTree::add(const std::string& name, WORD parent, int group, const TagDataRecord& data)
{
    return AddTagElement(&folder, project_.data(), name.c_str(), &data, parent, group, compare_);
}

bool putClipboardBytes(const std::string& bytes)
{
    const w32k::ClipboardGuard clipboard(nullptr);
    if (!clipboard || !EmptyClipboard())
        return false;
    w32k::GlobalBlock block = w32k::GlobalBlock::allocate(bytes.size(), GMEM_MOVEABLE);
    if (const w32k::GlobalLockGuard<char> text{block.get()})
        std::memcpy(text.get(), bytes.data(), bytes.size());
    else
        return false;
    if (!SetClipboardData(CF_TEXT, block.get()))
        return false;
    block.release(); // the clipboard's now
    return true;
}

void emptyClipboard()
{
    if (const w32k::ClipboardGuard clipboard(nullptr); clipboard)
        EmptyClipboard();
}

std::string clipboardText()
{
    const w32k::ClipboardGuard clipboard(nullptr);
    const w32k::GlobalLockGuard<const char> text{clipboard ? GetClipboardData(CF_TEXT) : nullptr};
    if (!text)
        return "<none>";
    const auto* end = static_cast<const char*>(std::memchr(text.get(), 0, text.size()));
    return end ? std::string(text.get(), end) : "<no NUL>";
}

} // namespace w32khost
