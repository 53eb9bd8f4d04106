#include "dialogs/tag_select_core.h"

#include <algorithm>
#include <climits>

namespace w32k::tagsel {

std::uint32_t itemValue(std::uint16_t id, int level, bool group) noexcept
{
    const auto levelBits = (static_cast<std::uint32_t>(level) << kLevelShift) & kLevelMask;
    return levelBits | id | (group ? kGroupBit : 0);
}

Offer::Offer(std::span<const tags::Element> elements, Filter filter, NodeTest nodeTest)
    : elements_(elements), filter_(std::move(filter)), nodeTest_(nodeTest)
{
}

std::vector<std::size_t> Offer::children(std::uint16_t parent) const
{
    std::vector<std::size_t> positions;
    for (std::size_t p = 0; p < elements_.size(); ++p) {
        const tags::Element& e = elements_[p];
        if (e.id != tags::kNoTag && e.parentId == parent && e.id != parent && offered(e))
            positions.push_back(p);
    }
    return positions;
}

bool Offer::offered(const tags::Element& element) const
{
    if (!filter_)
        return true;
    if (nodeTest_.active && tags::readWord(element.data + tags::kDataNodeNumber) != nodeTest_.node)
        return false;
    return element.isGroup() ? hasOfferedDescendant(element.id) : filter_(element);
}

bool Offer::hasOfferedDescendant(std::uint16_t group) const
{
    std::vector<bool> visited(elements_.size(), false);
    std::vector<std::uint16_t> pending{group};
    while (!pending.empty()) {
        const std::uint16_t parent = pending.back();
        pending.pop_back();
        for (std::size_t p = 0; p < elements_.size(); ++p) {
            const tags::Element& e = elements_[p];
            if (e.id == tags::kNoTag || e.parentId != parent || e.id == parent)
                continue;
            if (!e.isGroup()) {
                if (filter_(e))
                    return true;
            } else if (!visited[p] && e.id != group) {
                visited[p] = true;
                pending.push_back(e.id);
            }
        }
    }
    return false;
}

std::uint32_t connectionMask(int level, const std::function<int(std::size_t)>& levelAfter)
{
    if (level <= 0)
        return 0;
    std::uint32_t mask = 0;
    int lowest = INT_MAX; // the lowest level seen after the line so far
    for (std::size_t k = 0; lowest > 1; ++k) {
        const int next = levelAfter(k);
        if (next <= 0)
            break;
        if (next <= level && next <= lowest)
            mask |= 1u << (next - 1); // a later child of the level next - 1 group
        lowest = std::min(lowest, next);
    }
    if (mask & (1u << (level - 1)))
        mask |= 1u << (level + 1); // a sibling follows: the own connector goes on down
    return mask;
}

} // namespace w32k::tagsel
