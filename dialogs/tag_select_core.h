// Platform-free logic of the tag selection dialog: the item values of the
// tree lines, which folder elements are offered under a parent, and the
// connecting lines a line needs. The Win32 layer (tag_select.cpp) fills the
// list box and calls the host's filter.
#pragma once

#include "data/tag_folder_core.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace w32k::tagsel {

inline constexpr std::uint32_t kIdMask = 0x0000FFFF;
inline constexpr int kLevelShift = 24;
inline constexpr std::uint32_t kLevelMask = 0x0F000000;
inline constexpr std::uint32_t kGroupBit = 0x80000000;
// Lines on this level are the deepest the 4-bit level tells apart: their
// groups are shown but not expanded.
inline constexpr int kMaxLevel = 15;

std::uint32_t itemValue(std::uint16_t id, int level, bool group) noexcept;
inline std::uint16_t idOf(std::uint32_t item) noexcept { return static_cast<std::uint16_t>(item & kIdMask); }
inline int levelOf(std::uint32_t item) noexcept { return static_cast<int>((item & kLevelMask) >> kLevelShift); }
inline bool isGroupItem(std::uint32_t item) noexcept { return (item & kGroupBit) != 0; }

// The elements the dialog offers. Without a filter every element is offered;
// with one, a listed element must belong to the node (when nodeTest is set),
// a leaf must pass the filter and a group must have a descendant leaf that
// passes it (searched without node test, each group once, so parent links
// that form a cycle end the search).
class Offer {
public:
    using Filter = std::function<bool(const tags::Element&)>;
    struct NodeTest {
        bool active = false;
        std::uint16_t node = 0;
    };

    Offer(std::span<const tags::Element> elements, Filter filter, NodeTest nodeTest);

    // Positions of the offered children of parent (0: the top level), in block order.
    std::vector<std::size_t> children(std::uint16_t parent) const;

private:
    bool offered(const tags::Element& element) const;
    bool hasOfferedDescendant(std::uint16_t group) const;

    std::span<const tags::Element> elements_;
    Filter filter_;
    NodeTest nodeTest_;
};

// The connection mask of a line of level `level` (see HierDraw_OnDrawItem):
// the vertical line of level j - 1 runs through it while a later line of
// level j follows before any line of a lower level; the line's own connector
// reaches the bottom when a sibling follows. levelAfter(k) gives the level of
// the k-th line after it, or -1 past the end.
std::uint32_t connectionMask(int level, const std::function<int(std::size_t)>& levelAfter);

} // namespace w32k::tagsel
