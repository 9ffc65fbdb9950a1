#include "scripted_provider.h"

#include <cstring>

QmrTestAdapter MakeTestAdapter(const char* name, DWORD index, const char* ip, DWORD operStatus) {
    QmrTestAdapter a;
    std::memset(&a, 0, sizeof a);
    std::strncpy(a.Name, name, sizeof a.Name - 1);
    std::strncpy(a.Description, name, sizeof a.Description - 1);
    a.Index = index;
    a.Type = MIB_IF_TYPE_ETHERNET;
    if (*ip != '\0') {
        a.IpCount = 1;
        std::strncpy(a.Ip[0], ip, 15);
        std::strncpy(a.Mask[0], "255.255.255.0", 15);
    }
    a.MacLength = 6;
    const BYTE mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, static_cast<BYTE>(index)};
    std::memcpy(a.Mac, mac, 6);
    a.OperStatus = operStatus;
    a.Speed32 = 100000000;
    a.Speed64 = 100000000;
    a.LastChange = 1234;
    return a;
}
