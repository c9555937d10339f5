#pragma once

#include "kb/clsItemXML.h"

#include <memory>
#include <vector>

namespace kestrel {

// The entries of the index in file order. Positions are 1-based, matching the
// entries' IDs once the index has been written.
class clsItemsXML {
public:
    int Count() const { return static_cast<int>(m_items.size()); }

    // position 1..Count; throws std::out_of_range otherwise.
    clsItemXML& Item(int position);
    const clsItemXML& Item(int position) const;

    // Appends an empty entry and returns it.
    clsItemXML& Add();

    // Removes the entry at position 1..Count; later entries move up by one.
    // Returns false when there is no such position.
    bool Remove(int position);

private:
    std::vector<std::unique_ptr<clsItemXML>> m_items;
};

} // namespace kestrel
