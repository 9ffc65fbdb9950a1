#pragma once
// What never changes for a link while it exists (its type, description, hardware flag and
// burnt-in address), kept from one call to the next so that a link is asked about once, not
// three times at every poll. An entry holds for the namespace, interface index, name, link
// kind and link-layer type it was read under; any of them changing, or the link vanishing,
// drops it. State, carrier, counters, addresses and speed are never kept here.

#include "provider/kernel_facts.h"
#include "provider/link_identity.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qmr {

class TLinkIdentityCache {
public:
    // The network namespace the following questions are about (its inode on nsfs); another one
    // than before empties the cache.
    void UseNamespace(std::uint64_t inode);
    // Forgets everything; for a caller that cannot tell its namespace.
    void Clear();

    // The link's identity as kept, else as `ask()` tells it, which is then kept. (A template,
    // not a std::function: a kept identity is found for every link at every call, and the
    // function's own allocation was most of what finding it cost.)
    template <typename Ask> const TLinkIdentity& Identity(const TLinkFacts& link, Ask&& ask) {
        TEntry& entry = Current(link);
        if (!entry.Identity) {
            entry.Identity = ask();
        }
        return *entry.Identity;
    }
    // The burnt-in address as kept, else as `ask()` tells it, which is then kept.
    template <typename Ask>
    const std::vector<std::uint8_t>& PermanentAddress(const TLinkFacts& link, Ask&& ask) {
        TEntry& entry = Current(link);
        if (!entry.Permanent) {
            entry.Permanent = ask();
        }
        return *entry.Permanent;
    }

    // A link the kernel no longer names.
    void Forget(std::uint32_t index);
    // After a listing of every link: drops the links it does not hold.
    void KeepOnly(const std::vector<const TLinkFacts*>& links);
    // Likewise, for a listing that tells whether it holds an index.
    template <typename Holds> void KeepOnlyWhere(Holds holds) {
        std::erase_if(m_Entries, [&](const auto& entry) { return !holds(entry.first); });
    }

    std::size_t Size() const { return m_Entries.size(); }

private:
    struct TEntry {
        std::string Name;
        std::string Kind;
        unsigned ArpType = 0;
        std::optional<TLinkIdentity> Identity;
        std::optional<std::vector<std::uint8_t>> Permanent;
    };
    // The entry of the link as it is now, emptied where the kept one was of another link.
    TEntry& Current(const TLinkFacts& link);

    std::unordered_map<std::uint32_t, TEntry> m_Entries;
    bool m_NamespaceKnown = false;
    std::uint64_t m_Inode = 0;
};

// The link's identity through the cache, where there is one: the driver and udev are asked
// only about a link not seen before under its key.
TLinkIdentity IdentifyLink(TLinkIdentityCache* cache, int descriptor, const TLinkFacts& link,
                           THardwareNames& names);

} // namespace qmr
