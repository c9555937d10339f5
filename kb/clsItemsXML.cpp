#include "kb/clsItemsXML.h"

#include <stdexcept>

namespace kestrel {

clsItemXML& clsItemsXML::Item(int position)
{
    if (position < 1 || position > Count())
        throw std::out_of_range("knowledge-base item position out of range");
    return *m_items[static_cast<size_t>(position - 1)];
}

const clsItemXML& clsItemsXML::Item(int position) const
{
    return const_cast<clsItemsXML*>(this)->Item(position);
}

clsItemXML& clsItemsXML::Add()
{
    m_items.push_back(std::make_unique<clsItemXML>());
    return *m_items.back();
}

bool clsItemsXML::Remove(int position)
{
    if (position < 1 || position > Count())
        return false;
    m_items.erase(m_items.begin() + (position - 1));
    return true;
}

} // namespace kestrel
