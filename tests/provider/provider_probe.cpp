// qmr-provider-probe: prints, as JSON, everything the IP helper library reports for the
// network namespace it runs in: every adapter record with its chains as they lie in the
// buffer, both interface rows and the per-adapter record, and the statuses of every call.
// It also runs the window's poll and tells how many devices it gave. The witness tests
// compare its output with iproute2's; it is handy by hand as well:
//   ip netns exec NAME build/<dir>/bin/qmr-provider-probe

#include "base/utf16_text.h"
#include "network/adapter_poll.h"
#include "network/iphlpapi_binding.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Field(const char* text, std::size_t capacity) {
    return std::string(text, ::strnlen(text, capacity));
}

std::string Wide(const WCHAR* text, std::size_t capacity) {
    const WCHAR* end = std::find(text, text + capacity, u'\0');
    return qmr::Utf16ToUtf8(std::u16string_view(text, static_cast<std::size_t>(end - text)));
}

std::string Hex(const BYTE* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : ":%02x", bytes[i]);
        text += pair;
    }
    return text;
}

bool Inside(const void* pointer, const void* base, std::size_t size, std::size_t object) {
    const auto p = reinterpret_cast<std::uintptr_t>(pointer);
    const auto b = reinterpret_cast<std::uintptr_t>(base);
    return p >= b && p + object <= b + size && (p - b) % 8 == 0;
}

// The chain as it lies in the buffer; a Next outside the buffer ends it and is reported.
std::string Chain(const IP_ADDR_STRING& first, const void* base, std::size_t size, bool& sound) {
    std::string out = "[";
    int count = 0;
    for (const IP_ADDR_STRING* node = &first; node != nullptr; node = node->Next) {
        if (node != &first && !Inside(node, base, size, sizeof *node)) {
            sound = false;
            break;
        }
        if (++count > 100000) {
            sound = false;
            break;
        }
        out += std::string(count > 1 ? "," : "") + "[" +
               Quoted(Field(node->IpAddress.String, sizeof node->IpAddress.String)) + "," +
               Quoted(Field(node->IpMask.String, sizeof node->IpMask.String)) + "]";
    }
    return out + "]";
}

std::string Row(std::uint32_t index) {
    MIB_IFROW row{};
    row.dwIndex = index;
    const DWORD status = qmr::GetIfEntry(&row);
    std::string out = "{\"status\":" + std::to_string(status);
    if (status == 0) {
        out += ",\"name\":" + Quoted(Wide(row.wszName, MAX_INTERFACE_NAME_LEN)) +
               ",\"index\":" + std::to_string(row.dwIndex) +
               ",\"type\":" + std::to_string(row.dwType) + ",\"mtu\":" + std::to_string(row.dwMtu) +
               ",\"speed\":" + std::to_string(row.dwSpeed) +
               ",\"address\":" + Quoted(Hex(row.bPhysAddr, std::min<DWORD>(row.dwPhysAddrLen, 8))) +
               ",\"admin\":" + std::to_string(row.dwAdminStatus) +
               ",\"oper\":" + std::to_string(row.dwOperStatus) +
               ",\"in_octets\":" + std::to_string(row.dwInOctets) +
               ",\"in_ucast\":" + std::to_string(row.dwInUcastPkts) +
               ",\"in_nucast\":" + std::to_string(row.dwInNUcastPkts) +
               ",\"in_discards\":" + std::to_string(row.dwInDiscards) +
               ",\"in_errors\":" + std::to_string(row.dwInErrors) +
               ",\"out_octets\":" + std::to_string(row.dwOutOctets) +
               ",\"out_ucast\":" + std::to_string(row.dwOutUcastPkts) +
               ",\"out_discards\":" + std::to_string(row.dwOutDiscards) +
               ",\"out_errors\":" + std::to_string(row.dwOutErrors) + ",\"description\":" +
               Quoted(std::string(reinterpret_cast<const char*>(row.bDescr),
                                  std::min<DWORD>(row.dwDescrLen, 256)));
    }
    return out + "}";
}

std::string Row2(std::uint32_t index) {
    MIB_IF_ROW2 row{};
    row.InterfaceIndex = index;
    const DWORD status = qmr::GetIfEntry2(&row);
    std::string out = "{\"status\":" + std::to_string(status);
    if (status == 0) {
        out += ",\"index\":" + std::to_string(row.InterfaceIndex) +
               ",\"alias\":" + Quoted(Wide(row.Alias, IF_MAX_STRING_SIZE + 1)) +
               ",\"description\":" + Quoted(Wide(row.Description, IF_MAX_STRING_SIZE + 1)) +
               ",\"type\":" + std::to_string(row.Type) + ",\"mtu\":" + std::to_string(row.Mtu) +
               ",\"speed\":" + std::to_string(row.ReceiveLinkSpeed) +
               ",\"oper\":" + std::to_string(row.OperStatus) +
               ",\"admin\":" + std::to_string(row.AdminStatus) +
               ",\"media\":" + std::to_string(row.MediaConnectState) +
               ",\"in_octets\":" + std::to_string(row.InOctets) +
               ",\"in_ucast\":" + std::to_string(row.InUcastPkts) +
               ",\"in_nucast\":" + std::to_string(row.InNUcastPkts) +
               ",\"in_discards\":" + std::to_string(row.InDiscards) +
               ",\"in_errors\":" + std::to_string(row.InErrors) +
               ",\"out_octets\":" + std::to_string(row.OutOctets) +
               ",\"out_ucast\":" + std::to_string(row.OutUcastPkts) +
               ",\"out_discards\":" + std::to_string(row.OutDiscards) +
               ",\"out_errors\":" + std::to_string(row.OutErrors);
    }
    return out + "}";
}

std::string PerAdapter(std::uint32_t index) {
    ULONG size = 0;
    DWORD status = qmr::GetPerAdapterInfo(index, nullptr, &size);
    std::vector<std::uint64_t> buffer;
    if (status == 111) {
        buffer.assign((size + 7) / 8, 0);
        status = qmr::GetPerAdapterInfo(
            index, reinterpret_cast<PIP_PER_ADAPTER_INFO>(buffer.data()), &size);
    }
    std::string out = "{\"status\":" + std::to_string(status);
    if (status == 0) {
        bool sound = true;
        const auto* info = reinterpret_cast<const IP_PER_ADAPTER_INFO*>(buffer.data());
        out += ",\"dns\":" + Chain(info->DnsServerList, buffer.data(), size, sound) +
               ",\"chain_sound\":" + (sound ? "true" : "false");
    }
    return out + "}";
}

std::string SocketAddressText(const SOCKET_ADDRESS& address, const void* base, std::size_t size,
                              bool& sound) {
    if (address.lpSockaddr == nullptr ||
        !Inside(address.lpSockaddr, base, size,
                static_cast<std::size_t>(address.iSockaddrLength))) {
        sound = false;
        return "null";
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (address.lpSockaddr->sa_family == WS_AF_INET &&
        address.iSockaddrLength == sizeof(SOCKADDR_IN)) {
        const auto* in = reinterpret_cast<const SOCKADDR_IN*>(address.lpSockaddr);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        return "{\"family\":4,\"address\":" + Quoted(text) + "}";
    }
    if (address.lpSockaddr->sa_family == WS_AF_INET6 &&
        address.iSockaddrLength == sizeof(SOCKADDR_IN6)) {
        const auto* in6 = reinterpret_cast<const SOCKADDR_IN6*>(address.lpSockaddr);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        return "{\"family\":6,\"address\":" + Quoted(text) +
               ",\"scope_id\":" + std::to_string(in6->sin6_scope_id) + "}";
    }
    sound = false;
    return "null";
}

// A chain of gateway or DNS-server nodes as it lies in the buffer.
template <typename Node>
std::string AddressChain(const Node* first, const void* base, std::size_t size, bool& sound) {
    std::string out = "[";
    int count = 0;
    for (const Node* node = first; node != nullptr; node = node->Next) {
        if (!Inside(node, base, size, sizeof *node) || node->Length != sizeof *node) {
            sound = false;
            break;
        }
        out += std::string(count++ > 0 ? "," : "") +
               SocketAddressText(node->Address, base, size, sound);
    }
    return out + "]";
}

std::string WideField(const WCHAR* text, const void* base, std::size_t size, bool& sound) {
    if (text == nullptr || !Inside(text, base, size, sizeof(WCHAR))) {
        sound = false;
        return "null";
    }
    const std::size_t room =
        (reinterpret_cast<std::uintptr_t>(base) + size - reinterpret_cast<std::uintptr_t>(text)) /
        sizeof(WCHAR);
    return Quoted(Wide(text, room));
}

// GetAdaptersAddresses for one family and set of flags: the size call with no buffer, a call
// one byte short over guard bytes, then the call with the size asked for.
std::string Addresses(ULONG family, ULONG flags) {
    ULONG size = 0;
    const ULONG firstStatus = qmr::GetAdaptersAddresses(family, flags, nullptr, nullptr, &size);
    const ULONG firstSize = size;
    bool untouched = true;
    std::vector<std::uint64_t> buffer;
    if (firstStatus == 111 && size > 1) {
        buffer.assign((size + 7) / 8, 0xA5A5A5A5A5A5A5A5ull);
        ULONG shortSize = size - 1;
        qmr::GetAdaptersAddresses(family, flags, nullptr,
                                  reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()),
                                  &shortSize);
        untouched = std::all_of(buffer.begin(), buffer.end(),
                                [](std::uint64_t word) { return word == 0xA5A5A5A5A5A5A5A5ull; });
    }
    ULONG status = firstStatus;
    if (status == 111) {
        buffer.assign((size + 7) / 8, 0);
        status = qmr::GetAdaptersAddresses(
            family, flags, nullptr, reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()), &size);
    }
    std::string out = "{\"first_status\":" + std::to_string(firstStatus) +
                      ",\"first_size\":" + std::to_string(firstSize) +
                      ",\"short_untouched\":" + (untouched ? "true" : "false") +
                      ",\"status\":" + std::to_string(status) + ",\"adapters\":[";
    bool sound = true;
    const void* base = buffer.data();
    int count = 0;
    for (const auto* a = status == 0 ? reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(base)
                                     : nullptr;
         a != nullptr; a = a->Next) {
        if (!Inside(a, base, size, sizeof *a) || a->Length != sizeof *a) {
            sound = false;
            break;
        }
        std::string unicast = "[";
        int n = 0;
        for (const auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
            if (!Inside(u, base, size, sizeof *u) || u->Length != sizeof *u) {
                sound = false;
                break;
            }
            unicast += std::string(n++ > 0 ? "," : "") +
                       "{\"address\":" + SocketAddressText(u->Address, base, size, sound) +
                       ",\"prefix\":" + std::to_string(u->OnLinkPrefixLength) +
                       ",\"dad\":" + std::to_string(u->DadState) +
                       ",\"prefix_origin\":" + std::to_string(u->PrefixOrigin) +
                       ",\"suffix_origin\":" + std::to_string(u->SuffixOrigin) +
                       ",\"valid\":" + std::to_string(u->ValidLifetime) +
                       ",\"preferred\":" + std::to_string(u->PreferredLifetime) + "}";
        }
        const bool nameInside = a->AdapterName != nullptr && Inside(a->AdapterName, base, size, 1);
        sound = sound && nameInside;
        out += std::string(count++ > 0 ? "," : "") +
               "{\"name\":" + (nameInside ? Quoted(a->AdapterName) : "null") +
               ",\"friendly\":" + WideField(a->FriendlyName, base, size, sound) +
               ",\"description\":" + WideField(a->Description, base, size, sound) +
               ",\"dns_suffix\":" + WideField(a->DnsSuffix, base, size, sound) +
               ",\"index\":" + std::to_string(a->IfIndex) +
               ",\"ipv6_index\":" + std::to_string(a->Ipv6IfIndex) +
               ",\"type\":" + std::to_string(a->IfType) +
               ",\"oper\":" + std::to_string(a->OperStatus) + ",\"mtu\":" + std::to_string(a->Mtu) +
               ",\"speed\":" + std::to_string(a->ReceiveLinkSpeed) + ",\"address\":" +
               Quoted(Hex(a->PhysicalAddress, std::min<ULONG>(a->PhysicalAddressLength, 8))) +
               ",\"unicast\":" + unicast + "]" +
               ",\"gateways\":" + AddressChain(a->FirstGatewayAddress, base, size, sound) +
               ",\"dns\":" + AddressChain(a->FirstDnsServerAddress, base, size, sound) + "}";
    }
    return out + "],\"chain_sound\":" + (sound ? "true" : "false") + "}";
}

// Every family the witness compares, and the calls that must be refused.
std::string AllAddresses() {
    ULONG size = 0;
    const ULONG badFamily = qmr::GetAdaptersAddresses(17, 0, nullptr, nullptr, &size);
    const ULONG nullSize = qmr::GetAdaptersAddresses(WS_AF_UNSPEC, 0, nullptr, nullptr, nullptr);
    return "{\"unspec\":" + Addresses(WS_AF_UNSPEC, GAA_FLAG_INCLUDE_GATEWAYS) +
           ",\"inet\":" + Addresses(WS_AF_INET, GAA_FLAG_INCLUDE_GATEWAYS) +
           ",\"inet6\":" + Addresses(WS_AF_INET6, GAA_FLAG_INCLUDE_GATEWAYS) + ",\"skipping\":" +
           Addresses(WS_AF_UNSPEC, GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_DNS_SERVER |
                                       GAA_FLAG_SKIP_FRIENDLY_NAME) +
           ",\"bad_family_status\":" + std::to_string(badFamily) +
           ",\"null_size_status\":" + std::to_string(nullSize) + "}";
}

} // namespace

int main() {
    ULONG size = 640;
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    ULONG status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    const ULONG firstStatus = status;
    const ULONG firstSize = size;
    if (status == 111) {
        buffer.assign((size + 7) / 8, 0);
        status = qmr::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    }
    // The window's poll, which leaves loopback out.
    qmr::TDeviceList devices;
    const std::uint32_t pollStatus = qmr::ReadNetworkDevices(devices);
    std::string out = "{\"poll_status\":" + std::to_string(pollStatus) +
                      ",\"poll_devices\":" + std::to_string(devices.size()) +
                      ",\"first_status\":" + std::to_string(firstStatus) +
                      ",\"first_size\":" + std::to_string(firstSize) +
                      ",\"status\":" + std::to_string(status) +
                      ",\"size\":" + std::to_string(size) + ",\"adapters\":[";
    bool sound = true;
    if (status == 0) {
        int count = 0;
        for (const auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a != nullptr;
             a = a->Next) {
            if (!Inside(a, buffer.data(), size, sizeof *a)) {
                sound = false;
                break;
            }
            out += std::string(count++ > 0 ? "," : "") +
                   "{\"name\":" + Quoted(Field(a->AdapterName, sizeof a->AdapterName)) +
                   ",\"description\":" + Quoted(Field(a->Description, sizeof a->Description)) +
                   ",\"index\":" + std::to_string(a->Index) +
                   ",\"combo_index\":" + std::to_string(a->ComboIndex) +
                   ",\"type\":" + std::to_string(a->Type) +
                   ",\"address\":" + Quoted(Hex(a->Address, std::min<UINT>(a->AddressLength, 8))) +
                   ",\"dhcp\":" + std::to_string(a->DhcpEnabled) +
                   ",\"addresses\":" + Chain(a->IpAddressList, buffer.data(), size, sound) +
                   ",\"gateways\":" + Chain(a->GatewayList, buffer.data(), size, sound) +
                   ",\"dhcp_server\":" + Chain(a->DhcpServer, buffer.data(), size, sound) +
                   ",\"have_wins\":" + std::to_string(a->HaveWins) +
                   ",\"lease_obtained\":" + std::to_string(a->LeaseObtained) +
                   ",\"lease_expires\":" + std::to_string(a->LeaseExpires) +
                   ",\"row\":" + Row(a->Index) + ",\"row2\":" + Row2(a->Index) +
                   ",\"per_adapter\":" + PerAdapter(a->Index) + "}";
        }
    }
    // An index that names no link: every call must refuse it.
    constexpr std::uint32_t kNoSuchIndex = 0x7FFFFFF0u;
    out += "],\"chain_sound\":" + std::string(sound ? "true" : "false") +
           ",\"missing\":{\"row\":" + Row(kNoSuchIndex) + ",\"row2\":" + Row2(kNoSuchIndex) +
           ",\"per_adapter\":" + PerAdapter(kNoSuchIndex) +
           ",\"per_adapter_zero\":" + PerAdapter(0) + "},\"addresses\":" + AllAddresses() + "}";
    std::puts(out.c_str());
    return 0;
}
