#include "friendly_name_index.h"

namespace qmr {

TFriendlyNameIndex::TFriendlyNameIndex(const TFriendlyNameTable& table) {
    m_First.reserve(table.size());
    for (const TFriendlyNameEntry& entry : table) {
        if (!entry.Opened) {
            continue;
        }
        // No search gets past this entry, whatever name it looks for.
        if (!entry.ServiceNameReadable) {
            break;
        }
        // The first entry of a name is the one the search meets; later ones keep it.
        m_First.emplace(entry.ServiceName, &entry);
    }
}

const std::u16string* TFriendlyNameIndex::Find(std::u16string_view adapterName) const {
    const auto found = m_First.find(adapterName);
    if (found == m_First.end() || !found->second->DescriptionReadable) {
        return nullptr;
    }
    return &found->second->Description;
}

} // namespace qmr
