#pragma once
// One reading of the machine's adapters, as every poll makes it.

#include "network/model_network_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmr {

using TDeviceList = std::vector<std::unique_ptr<TModelNetworkDevice>>;

// Calls GetAdaptersInfo with a 640-byte buffer and, on 111, again with each size asked for
// (at most kSizedCallAttempts calls);
// on success fills `devices` with one device per adapter record that is not loopback, in the
// library's order (the devices it held are filled again, keeping their room), all sharing the interface rows of one GetIfTable and one GetIfTable2 call, one
// friendly-name table, and the IPv6 facts and IPv4 DNS servers of one GetAdaptersAddresses call
// (where that call fails, which fails nothing else, no IPv6 facts and a GetPerAdapterInfo call
// per device for its DNS servers), and wireless ones one WLAN session. Returns the last status; any
// status but 0 leaves the list empty. Exceptions from a device's construction leave the function.
std::uint32_t ReadNetworkDevices(TDeviceList& devices);

// A call of the poll that failed: its name, its last status, and how often it was asked.
struct TCallFailure {
    std::string Call;
    std::uint32_t Status = 0;
    int Times = 1;
    // Whether the library answered, but with a record chain or size that cannot be sound.
    bool BrokenAnswer = false;
};

// Every call of one poll that failed, the one the adapters come from first when it did.
struct TPollFailures {
    std::vector<TCallFailure> Calls;
    // One line for a person: "GetAdaptersInfo failed with status 111 (asked 8 times); ...";
    // empty when nothing failed.
    std::string Text() const;
};

// The same poll, telling which calls failed: GetAdaptersInfo (then no device at all) and
// GetAdaptersAddresses (then no IPv6 facts). A library that lacks GetAdaptersAddresses, or
// knows no adapters, is no failure. A chain in an answer that points backwards, outside the
// answer or at an unaligned record fails that call with ERROR_INVALID_DATA instead of being
// walked.
std::uint32_t ReadNetworkDevicesTellingFailures(TDeviceList& devices, TPollFailures& failures);

// GetAdaptersInfo's first room: one adapter record as the 32-bit library lays it out.
constexpr ULONG kFirstAdaptersInfoRoom = 640;

// The same poll with GetAdaptersInfo's first room `room`, which becomes the room of the call
// that succeeded: a machine whose adapters stay is then asked once a poll, not first for the size.
std::uint32_t ReadNetworkDevicesWithRoom(TDeviceList& devices, TPollFailures& failures,
                                         ULONG& room);

// Polls one after another, each starting with the room the last successful one took.
class TAdapterPoll {
public:
    std::uint32_t operator()(TDeviceList& devices, TPollFailures& failures);

private:
    ULONG m_Room = kFirstAdaptersInfoRoom;
};

// Why a poll that found no adapter found none, for the window's problem line: its failures,
// else nothing (a machine with only loopback has no adapters to show, and no problem).
std::string DescribeNoAdapters(std::uint32_t status, const TPollFailures& failures);

} // namespace qmr
