#pragma once
// The vendor and model of the device behind a link, as udev's hardware database names them,
// and whether the device is an 802.11 one. udev and its database are opened on first use and
// closed with the object, which lives for one entry-point call. Where libudev cannot be
// loaded, no link is identified.

#include "provider/interface_ioctls.h"
#include "provider/kernel_facts.h"

#include <string>

struct udev;
struct udev_device;
struct udev_hwdb;

namespace qmr {

struct THardwareIdentity {
    // "Vendor Model"; empty when the database does not know the device.
    std::string Model;
    bool Wireless = false;
    // Whether sysfs showed the link itself (it shows the namespace that mounted it).
    bool SeenInSysfs = false;
};

// "Vendor Model", or whichever of the two is known.
std::string JoinVendorAndModel(const std::string& vendor, const std::string& model);

class THardwareNames {
public:
    THardwareNames() = default;
    ~THardwareNames();
    THardwareNames(const THardwareNames&) = delete;
    THardwareNames& operator=(const THardwareNames&) = delete;

    // For a link whose driver names a bus device (see NamesBusDevice).
    THardwareIdentity Identify(const TLinkFacts& link, const TDriverInfo& driver);

private:
    udev* Context();
    udev_hwdb* Hwdb();
    // The stored udev properties of the device, else the database entry of the nearest
    // device up the tree that has a modalias.
    std::string ModelOf(udev_device* device);

    udev* m_Udev = nullptr;
    udev_hwdb* m_Hwdb = nullptr;
    bool m_HwdbOpened = false;
};

} // namespace qmr
