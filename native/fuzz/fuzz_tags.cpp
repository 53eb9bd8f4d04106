// Fuzz target: adding, scanning and deleting tags in a damaged tag folder,
// as AddTagElement, ScanForExistingTag, DeleteTagElement and DeleteTagFolder
// do it. Input: the networked flag, the header's count (a word), the number
// of raw 45-byte elements the block holds (a byte), those elements and a
// byte of extra block bytes, then operations. The elements sit in a block
// of exactly their size (AddressSanitizer sees any read past it). A string
// store with reference counts stands for the project's: every name id a
// usable element holds has exactly one reference per element at the start,
// and after every operation the references still match the elements that
// hold them; a release of an id without references stops the run.
#include "fuzz_input.h"
#include "data/tag_folder_core.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using w32kfuzz::check;
using w32kfuzz::Input;

// A text of up to 300 characters (longer than any path a folder takes).
std::string tagText(Input& in)
{
    std::size_t length = in.byte();
    length += in.byte() % 64;
    std::string t;
    for (std::size_t i = 0; i < length && !in.empty(); ++i)
        t += static_cast<char>(in.byte() | 1); // no zero inside
    return t;
}

using namespace w32k::tags;

// The project's string store: one id per text, references counted.
class Store {
public:
    std::uint16_t acquire(const std::string& text)
    {
        if (const auto found = ids_.find(text); found != ids_.end()) {
            ++names_[found->second].references;
            return found->second;
        }
        while (next_ != 0 && names_.count(next_))
            ++next_;
        if (next_ == 0)
            return 0; // the store is full
        add(next_, text);
        return next_;
    }
    // A name id found in a host's block, with the text "#<id>".
    void adopt(std::uint16_t id)
    {
        if (!names_.count(id))
            add(id, "#" + std::to_string(id));
        else
            ++names_[id].references;
    }
    std::uint16_t lookup(const std::string& text) const
    {
        const auto found = ids_.find(text);
        return found == ids_.end() ? 0 : found->second;
    }
    void read(std::uint16_t id, std::span<char> buffer) const
    {
        check(!buffer.empty());
        const auto found = names_.find(id);
        const std::string text = found == names_.end() ? "" : found->second.text;
        const std::size_t n = std::min(text.size(), buffer.size() - 1);
        std::memcpy(buffer.data(), text.data(), n);
        buffer[n] = '\0';
    }
    std::string textOf(std::uint16_t id) const
    {
        const auto found = names_.find(id);
        return found == names_.end() ? std::string() : found->second.text;
    }
    void release(std::uint16_t id)
    {
        const auto found = names_.find(id);
        check(found != names_.end() && found->second.references > 0); // never a reference not held
        if (--found->second.references == 0) {
            ids_.erase(found->second.text);
            names_.erase(found);
        }
    }
    // Every held reference belongs to one element holding the id.
    void checkHeldBy(std::span<const Element> elements) const
    {
        std::map<std::uint16_t, std::size_t> held;
        for (const Element& e : elements) {
            if (e.nameId != 0)
                ++held[std::uint16_t{e.nameId}]; // a copy, not the packed field
        }
        check(held.size() == names_.size());
        for (const auto& [id, name] : names_)
            check(held[id] == name.references);
    }

private:
    struct Name {
        std::string text;
        std::size_t references;
    };
    void add(std::uint16_t id, const std::string& text)
    {
        names_[id] = Name{text, 1};
        ids_[text] = id;
    }
    std::map<std::uint16_t, Name> names_;
    std::map<std::string, std::uint16_t> ids_;
    std::uint16_t next_ = 1;
};

using Data = std::array<std::uint8_t, kDataSize>;
constexpr std::size_t kHostKey = 0; // the byte the host's comparison judges by

// The project as the search sees it; the host's comparison takes two records
// for the same tag when their key bytes are equal.
class Project final : public ScanContext {
public:
    Project(Store& store, bool networked) : store_(store), networked_(networked) {}
    std::uint16_t lookupName(const char* name) noexcept override { return store_.lookup(name); }
    void readName(std::uint16_t nameId, std::span<char> buffer) noexcept override { store_.read(nameId, buffer); }
    bool networked() const noexcept override { return networked_; }
    bool sameTag(const std::uint8_t* search, const std::uint8_t* candidate, std::uint16_t node) noexcept override
    {
        // Another node's tag is never even offered in a network.
        check(!networked_ || node == readWord(search + kDataNodeNumber));
        return search[kHostKey] == candidate[kHostKey];
    }

private:
    Store& store_;
    bool networked_;
};

// The element block: exactly as many elements as the folder holds.
class Block {
public:
    void assign(std::span<const Element> elements)
    {
        memory_ = std::make_unique<Element[]>(elements.size());
        std::copy(elements.begin(), elements.end(), memory_.get());
        count_ = elements.size();
    }
    std::span<Element> elements() const { return {memory_.get(), count_}; }
    void append(const Element& element)
    {
        std::vector<Element> grown(memory_.get(), memory_.get() + count_);
        grown.push_back(element);
        assign(grown);
    }
    void shrinkTo(std::size_t count)
    {
        const std::vector<Element> kept(memory_.get(), memory_.get() + count);
        assign(kept);
    }

private:
    std::unique_ptr<Element[]> memory_;
    std::size_t count_ = 0;
};

class Folder {
public:
    explicit Folder(Input& in) : in_(in), project_(store_, in.byte() & 1)
    {
        const std::uint16_t headerCount = in_.word();
        std::vector<Element> raw(in_.byte());
        for (Element& e : raw)
            in_.bytes(&e, kElementSize);
        const std::size_t blockBytes = raw.size() * kElementSize + in_.byte() % kElementSize;
        raw.resize(usableCount(headerCount, blockBytes));
        block_.assign(raw);
        for (const Element& e : raw) {
            if (e.nameId != 0)
                store_.adopt(e.nameId);
        }
    }

    void run()
    {
        while (!in_.empty()) {
            switch (in_.byte() % 5) {
            case 0:
            case 1: add(); break;
            case 2: scan(); break;
            case 3: remove(); break;
            default: deleteFolder(); break;
            }
            store_.checkHeldBy(block_.elements());
        }
        deleteFolder();
    }

private:
    std::span<Element> elements() const { return block_.elements(); }

    // A name: one the folder's elements have, or a text from the input.
    std::string name()
    {
        const std::uint8_t choice = in_.byte();
        if (choice < 0x80 && !elements().empty())
            return store_.textOf(elements()[choice % elements().size()].nameId);
        return tagText(in_);
    }

    // An id: one the folder's elements have, 0, kKeepParent or any.
    std::uint16_t id()
    {
        const std::uint8_t choice = in_.byte();
        if (choice < 0xC0 && !elements().empty())
            return elements()[choice % elements().size()].id;
        if (choice < 0xD0)
            return kNoTag;
        if (choice < 0xE0)
            return kKeepParent;
        return in_.word();
    }

    Data record()
    {
        Data data{};
        data[kHostKey] = in_.byte() % 4;
        writeWord(&data[kDataNodeNumber], in_.byte() % 3);
        data[kDataStoreFlags] = in_.byte();
        writeWord(&data[kDataReferenceTagId], id());
        return data;
    }

    // AddTagElement: update the tag the name, parent and record describe, else append.
    void add()
    {
        const std::string tagName = name();
        const Data data = record();
        const std::uint16_t parentId = id();
        const int group = in_.byte();
        if (tagName.empty() || elements().size() >= kMaxElements)
            return;
        // The parent's name as the store gives it (at most 255 characters);
        // an add whose parent name, tab and name do not fit a path stores nothing.
        const bool parentKnown = parentId == kNoTag || parentId == kKeepParent || findById(elements(), parentId);
        std::string expectedParent;
        if (parentId != kNoTag && parentId != kKeepParent) {
            if (const auto parent = findById(elements(), parentId))
                expectedParent = store_.textOf(elements()[*parent].nameId).substr(0, kPathBufferSize - 1);
        }
        char parent[kPathBufferSize];
        std::memset(parent, 0x7F, sizeof parent);
        const bool fits = searchParentName(elements(), parentId, tagName.c_str(), project_, parent);
        check(fits == (expectedParent.size() + 1 + tagName.size() < kPathBufferSize));
        if (!fits)
            return;
        check(expectedParent == parent);
        const auto match = findExisting(elements(), tagName.c_str(), std::string_view(parent), data.data(), project_);
        std::size_t position = 0;
        if (match) {
            check(match->position < elements().size() && elements()[match->position].id == match->id);
            Element& element = elements()[match->position];
            const Element before = element;
            storeElement(element, data.data(), parentId, group);
            check(element.id == before.id && element.nameId == before.nameId);
            check(element.parentId == (parentId == kKeepParent ? before.parentId : parentId));
            check((element.flags & ~kGroupFlag) == (before.flags & ~kGroupFlag));
            position = match->position;
        } else {
            const std::uint16_t newId = smallestFreeId(elements());
            check(newId != kNoTag && newId <= elements().size() + 1 && !findById(elements(), newId));
            const std::uint16_t nameId = store_.acquire(tagName);
            if (nameId == 0)
                return;
            block_.append(newElement(newId, nameId, data.data(), parentId, group));
            position = elements().size() - 1;
            check(elements()[position].parentId == (parentId == kKeepParent ? kNoTag : parentId));
        }
        const Element& stored = elements()[position];
        check(readWord(stored.data + kDataReferenceTagId) == kNoTag);
        check((stored.data[kDataStoreFlags] & kStoredClearFlag) == 0);
        check(stored.isGroup() == ((group & kGroupFlag) != 0));
        // The stored tag is the one the same add finds next time, unless its
        // parent id names no element (the add then searches the top level).
        // An earlier element whose parent id was free until now may take the
        // place of an appended one.
        if (parentKnown) {
            const auto again =
                findExisting(elements(), tagName.c_str(), std::string_view(parent), data.data(), project_);
            check(again && (match ? again->position == position : again->position <= position));
        }
    }

    // ScanForExistingTag: a path of a parent's name and a name, or a name.
    void scan()
    {
        const std::uint8_t form = in_.byte();
        std::string path = name();
        if (form & 1)
            path = (form & 2 ? name() : std::string()) + kPathSeparator + path;
        const Data search = record();
        const auto match = findExisting(elements(), path.c_str(), search.data(), project_);
        if (!match)
            return;
        check(match->position < elements().size());
        const Element& found = elements()[match->position];
        check(found.id == match->id && found.nameId == store_.lookup(std::string(splitPath(path).name)));
        check(found.data[kHostKey] == search[kHostKey]);
    }

    // DeleteTagElement: the element and, for a group, everything below it.
    void remove()
    {
        const std::uint16_t doomed = id();
        const auto position = findById(elements(), doomed);
        if (!position)
            return;
        const std::vector<Element> before(elements().begin(), elements().end());
        const auto kept = removeSubtree(elements(), *position, [&](std::uint16_t nameId) { store_.release(nameId); });
        check(kept && *kept < before.size());
        block_.shrinkTo(*kept);
        // The rest keep their order; no removed group leaves a child behind.
        std::vector<Element> removed;
        std::size_t next = 0;
        for (const Element& e : before) {
            if (next < elements().size() && std::memcmp(&e, &elements()[next], kElementSize) == 0)
                ++next;
            else
                removed.push_back(e);
        }
        check(next == elements().size());
        check(std::any_of(removed.begin(), removed.end(), [&](const Element& e) {
            return std::memcmp(&e, &before[*position], kElementSize) == 0;
        }));
        for (const Element& group : removed) {
            if (!group.isGroup())
                continue;
            for (const Element& left : elements())
                check(left.parentId != group.id);
        }
    }

    // DeleteTagFolder: every reference released, the block freed.
    void deleteFolder()
    {
        for (const Element& e : elements()) {
            if (e.nameId != 0)
                store_.release(e.nameId);
        }
        block_.assign({});
        store_.checkHeldBy(elements());
    }

    Input& in_;
    Store store_;
    Project project_;
    Block block_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Folder folder(in);
    folder.run();
    return 0;
}
