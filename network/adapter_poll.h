#pragma once
// One reading of the machine's adapters, as every poll makes it.

#include "network/model_network_device.h"

#include <memory>
#include <vector>

namespace qmr {

using TDeviceList = std::vector<std::unique_ptr<TModelNetworkDevice>>;

// Calls GetAdaptersInfo with a 640-byte buffer and, on 111, again with each size asked for
// (at most kSizedCallAttempts calls);
// on success appends one device per adapter record that is not loopback, in the library's
// order, all sharing the interface rows of one GetIfTable and one GetIfTable2 call, one
// friendly-name table, and the IPv6 facts and IPv4 DNS servers of one GetAdaptersAddresses call
// (where that call fails, which fails nothing else, no IPv6 facts and a GetPerAdapterInfo call
// per device for its DNS servers), and wireless ones one WLAN session. Returns the last status; any
// status but 0 appends nothing. Exceptions from a device's construction leave the function.
std::uint32_t ReadNetworkDevices(TDeviceList& devices);

} // namespace qmr
