#include "lang/builtin_texts.h"

#include <array>
#include <string_view>

namespace LANGUAGE {

namespace {

// Entry id - 1001. 1030/1038 and 1034/1035 repeat a word so that a language can tell their
// uses apart.
constexpr std::array<std::u16string_view, TextIdCount> BuiltInTable = {
    u"Version",                            // 1001
    u"RC",                                 // 1002
    u"build",                              // 1003
    u"FINAL",                              // 1004
    u"Quillmere",                          // 1005
    u"Copy...",                            // 1006
    u"Copy report to clipboard",           // 1007
    u"Network Interfaces List",            // 1008
    u"Expert Mode",                        // 1009
    u"Interface",                          // 1010
    u"Network",                            // 1011
    u"Non Operational",                    // 1012
    u"Unreachable",                        // 1013
    u"Disconnected",                       // 1014
    u"No Carrier",                         // 1015
    u"Connecting",                         // 1016
    u"Connected",                          // 1017
    u"Online",                             // 1018
    u"bps",                                // 1019
    u"Kbps",                               // 1020
    u"Mbps",                               // 1021
    u"Unknown",                            // 1022
    u"MAC",                                // 1023
    u"Speed",                              // 1024
    u"Address Type",                       // 1025
    u"DHCP",                               // 1026
    u"Manual",                             // 1027
    u"IP Address",                         // 1028
    u"IP Mask",                            // 1029
    u"Gateway",                            // 1030
    u"None",                               // 1031
    u"Input Octets",                       // 1032
    u"byte",                               // 1033
    u"bytes",                              // 1034
    u"bytes",                              // 1035
    u"Output Octets",                      // 1036
    u"No Network Interfaces",              // 1037
    u"Gateway",                            // 1038
    u"DNS",                                // 1039
    u"WINS",                               // 1040
    u"Input Unicast Packets",              // 1041
    u"Input Broadcast/Multicast Packets",  // 1042
    u"Input Discard Packets",              // 1043
    u"Input Error Packets",                // 1044
    u"Output Unicast Packets",             // 1045
    u"Output Broadcast/Multicast Packets", // 1046
    u"Output Discard Packets",             // 1047
    u"Output Error Packets",               // 1048
    u"Network Interface",                  // 1049
    u"Status",                             // 1050
    u"Exit",                               // 1051
    u"About...",                           // 1052
    u"Language",                           // 1053
    u"IPv6 Address",                       // 1054
    u"IPv6 Gateway",                       // 1055
    u"IPv6 DNS",                           // 1056
    u"temporary",                          // 1057
    u"deprecated",                         // 1058
    u"tentative",                          // 1059
    u"duplicate",                          // 1060
    u"Gbps",                               // 1061
    u"Receive Rate",                       // 1062
    u"Send Rate",                          // 1063
    u"Show Virtual Adapters",              // 1064
    u"Link Events",                        // 1065
    u"IP",                                 // 1066
    u"IPv6",                               // 1067
    u"added",                              // 1068
    u"removed",                            // 1069
    u"Adapter appeared",                   // 1070
    u"Adapter vanished",                   // 1071
    u"Notify on Link Changes",             // 1072
    u"Network Name",                       // 1073
    u"Signal",                             // 1074
    u"Band",                               // 1075
    u"dBm",                                // 1076
    u"GHz",                                // 1077
    u"MTU",                                // 1078
    u"Interface Type",                     // 1079
    u"Ethernet",                           // 1080
    u"Wi-Fi",                              // 1081
    u"PPP",                                // 1082
    u"Tunnel",                             // 1083
    u"Loopback",                           // 1084
    u"Other",                              // 1085
    u"DHCP Server",                        // 1086
    u"Lease Obtained",                     // 1087
    u"Lease Expires",                      // 1088
    u"DNS Suffix",                         // 1089
    u"Search Domains",                     // 1090
    u"Permanent MAC",                      // 1091
    u"Access Point",                       // 1092
    u"Channel",                            // 1093
    u"Security",                           // 1094
    u"Open",                               // 1095
    u"Receive Link Rate",                  // 1096
    u"Send Link Rate",                     // 1097
};

// Filled once, on the first request; later requests only copy a slot.
struct TBuiltInStore {
    std::array<std::u16string, TextIdCount> m_Slots;
    bool m_Filled = false;
};

TBuiltInStore& Store() {
    static TBuiltInStore store;
    return store;
}

} // namespace

void CreateBuiltInStore() {
    Store();
}

bool IsBuiltInStoreFilled() {
    return Store().m_Filled;
}

std::u16string GetBuiltInText(int id) {
    TBuiltInStore& store = Store();
    if (!store.m_Filled) {
        for (int textId = FirstTextId; textId <= LastTextId; ++textId) {
            const auto slot = static_cast<std::size_t>(textId - FirstTextId);
            store.m_Slots[slot] = std::u16string(BuiltInTable[slot]);
        }
        store.m_Filled = true;
    }
    if (id < FirstTextId || id > LastTextId) {
        return {};
    }
    return store.m_Slots[static_cast<std::size_t>(id - FirstTextId)];
}

} // namespace LANGUAGE
