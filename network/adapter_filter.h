#pragma once
// Which adapters a list that may leave out virtual ones shows: the window's "Show Virtual
// Adapters" switch and qmr-report's --physical are the same rule.

#include "network/model_network_device.h"

namespace qmr {

// A hardware adapter always; a virtual one (veth, bridge, tap, ...) only when asked for.
inline bool IsAdapterShown(const TModelNetworkDevice& device, bool showVirtual) {
    return device.m_HardwareInterface || showVirtual;
}

} // namespace qmr
