#include "link_identity_cache.h"

#include <unordered_set>

namespace qmr {

void TLinkIdentityCache::UseNamespace(std::uint64_t inode) {
    if (!m_NamespaceKnown || inode != m_Inode) {
        m_Entries.clear();
        m_NamespaceKnown = true;
        m_Inode = inode;
    }
}

void TLinkIdentityCache::Clear() {
    m_Entries.clear();
    m_NamespaceKnown = false;
}

TLinkIdentityCache::TEntry& TLinkIdentityCache::Current(const TLinkFacts& link) {
    TEntry& entry = m_Entries[link.Index];
    if (entry.Name != link.Name || entry.Kind != link.Kind || entry.ArpType != link.ArpType) {
        entry = TEntry{link.Name, link.Kind, link.ArpType, std::nullopt, std::nullopt};
    }
    return entry;
}

void TLinkIdentityCache::Forget(std::uint32_t index) {
    m_Entries.erase(index);
}

void TLinkIdentityCache::KeepOnly(const std::vector<const TLinkFacts*>& links) {
    std::unordered_set<std::uint32_t> listed;
    listed.reserve(links.size());
    for (const TLinkFacts* link : links) {
        listed.insert(link->Index);
    }
    std::erase_if(m_Entries, [&](const auto& entry) { return !listed.contains(entry.first); });
}

TLinkIdentity IdentifyLink(TLinkIdentityCache* cache, int descriptor, const TLinkFacts& link,
                           THardwareNames& names) {
    if (cache == nullptr) {
        return IdentifyLink(descriptor, link, names);
    }
    return cache->Identity(link, [&] { return IdentifyLink(descriptor, link, names); });
}

} // namespace qmr
