#pragma once
// What kind of adapter a link is, in the IP helper library's terms: its interface type, its
// description and its operational status.

#include "network/iphlpapi_records.h"
#include "provider/hardware_names.h"
#include "provider/kernel_facts.h"

#include <string>

namespace qmr {

// 24 loopback, 23 PPP, 71 802.11, 6 Ethernet, 131 tunnels, 1 anything else.
UINT AdapterType(unsigned arpType, const std::string& kind, bool wireless);

// The hardware database's name, else the link kind, else the driver, else the link-layer
// protocol's name; never empty.
std::string ChooseDescription(const std::string& hardwareModel, const std::string& kind,
                              const std::string& driver, unsigned arpType);

// The 32-bit row's status (MIB_IF_OPER_STATUS_*) from the kernel's operstate and carrier.
DWORD RowOperStatus(std::uint8_t operState, bool carrier, bool adminUp);
// The 64-bit row's IF_OPER_STATUS.
IF_OPER_STATUS Row2OperStatus(std::uint8_t operState, bool carrier);

struct TLinkIdentity {
    UINT Type = MIB_IF_TYPE_OTHER;
    std::string Description;
    // A bus device stands behind the link.
    bool Hardware = false;
};

// Asks the driver (and, for bus devices, udev) about the link through `descriptor`, a socket
// of the link's namespace.
TLinkIdentity IdentifyLink(int descriptor, const TLinkFacts& link, THardwareNames& names);

} // namespace qmr
