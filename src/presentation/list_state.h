#pragma once
// The items and the selection of a list box or a drop-down list, as every window model
// holds them.

#include <string>
#include <vector>

namespace tidemark {

// Items and selection of a list box or drop-down list; itemIndex -1 = none selected.
struct ListState {
    std::vector<std::string> items; // CP932
    int itemIndex = -1;

    bool empty() const { return items.empty(); }
    int count() const { return static_cast<int>(items.size()); }
    // The selected item, empty when none.
    const std::string& text() const
    {
        static const std::string none;
        return itemIndex < 0 || itemIndex >= count() ? none : items[static_cast<std::size_t>(itemIndex)];
    }
    void clear()
    {
        items.clear();
        itemIndex = -1;
    }
};

} // namespace tidemark
