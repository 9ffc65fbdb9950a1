#include "adapter_details.h"

#include "base/display_text.h"
#include "base/utf16_text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace qmr {

namespace {

// Windows caps both the suffix and each search-list entry at this many characters; a longer
// text without its terminating zero is cut there rather than read beyond its field.
std::u16string SuffixText(const WCHAR* text, std::size_t room) {
    if (text == nullptr) {
        return {};
    }
    const WCHAR* end = std::find(text, text + room, WCHAR{0});
    return ContainExternalText(
        std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(end - text)));
}

// A search list is a handful of names; a chain longer than this is a loop, not a list.
constexpr std::size_t kMostSearchDomains = 64;

} // namespace

std::u16string Ipv4SocketAddressText(const SOCKET_ADDRESS& address) {
    if (address.lpSockaddr == nullptr ||
        address.iSockaddrLength < static_cast<INT>(sizeof(SOCKADDR_IN)) ||
        address.lpSockaddr->sa_family != WS_AF_INET) {
        return {};
    }
    SOCKADDR_IN in;
    std::memcpy(&in, address.lpSockaddr, sizeof in);
    std::uint8_t bytes[4];
    std::memcpy(bytes, &in.sin_addr, sizeof bytes);
    std::u16string text;
    for (int i = 0; i < 4; ++i) {
        text += (i > 0 ? u"." : u"") + Utf8ToUtf16(std::to_string(bytes[i]));
    }
    return text;
}

TAdapterDetailsByIndex CollectAdapterDetails(const IP_ADAPTER_ADDRESSES* first) {
    TAdapterDetailsByIndex byIndex;
    for (const IP_ADAPTER_ADDRESSES* a = first; a != nullptr; a = a->Next) {
        TAdapterDetails details;
        details.DnsSuffix = SuffixText(a->DnsSuffix, MAX_DNS_SUFFIX_STRING_LENGTH);
        std::size_t count = 0;
        for (const IP_ADAPTER_DNS_SUFFIX* s = a->FirstDnsSuffix;
             s != nullptr && count < kMostSearchDomains; s = s->Next, ++count) {
            std::u16string domain = SuffixText(s->String, MAX_DNS_SUFFIX_STRING_LENGTH);
            if (!domain.empty()) {
                details.SearchDomains.push_back(std::move(domain));
            }
        }
        // Older records end before the server: Length says how far this one reaches.
        if (a->Length >= offsetof(IP_ADAPTER_ADDRESSES, Dhcpv4Server) + sizeof(SOCKET_ADDRESS)) {
            details.Dhcpv4Server = Ipv4SocketAddressText(a->Dhcpv4Server);
        }
        if (!details.DnsSuffix.empty() || !details.SearchDomains.empty() ||
            !details.Dhcpv4Server.empty()) {
            byIndex.emplace(a->IfIndex != 0 ? a->IfIndex : a->Ipv6IfIndex, std::move(details));
        }
    }
    return byIndex;
}

} // namespace qmr
