#include "hardware_names.h"

#include <libudev.h>

#include <cstring>
#include <new>

namespace qmr {

namespace {

constexpr const char* kVendorKey = "ID_VENDOR_FROM_DATABASE";
constexpr const char* kModelKey = "ID_MODEL_FROM_DATABASE";

std::string Text(const char* text) {
    return text != nullptr ? text : std::string();
}

struct TDeviceReference {
    udev_device* Device;
    explicit TDeviceReference(udev_device* device) : Device(device) {}
    ~TDeviceReference() { udev_device_unref(Device); }
    TDeviceReference(const TDeviceReference&) = delete;
    TDeviceReference& operator=(const TDeviceReference&) = delete;
};

} // namespace

std::string JoinVendorAndModel(const std::string& vendor, const std::string& model) {
    if (vendor.empty() || model.empty()) {
        return vendor + model;
    }
    return vendor + " " + model;
}

THardwareNames::~THardwareNames() {
    udev_hwdb_unref(m_Hwdb);
    udev_unref(m_Udev);
}

udev* THardwareNames::Udev() {
    if (m_Udev == nullptr) {
        m_Udev = udev_new();
        if (m_Udev == nullptr) {
            throw std::bad_alloc();
        }
    }
    return m_Udev;
}

udev_hwdb* THardwareNames::Hwdb() {
    if (!m_HwdbOpened) {
        m_HwdbOpened = true;
        // Null where no database is installed; the lookups then find nothing.
        m_Hwdb = udev_hwdb_new(Udev());
    }
    return m_Hwdb;
}

std::string THardwareNames::ModelOf(udev_device* device) {
    std::string stored =
        JoinVendorAndModel(Text(udev_device_get_property_value(device, kVendorKey)),
                           Text(udev_device_get_property_value(device, kModelKey)));
    if (!stored.empty()) {
        return stored;
    }
    // Without udevd's database (containers, early boot) ask the hardware database directly.
    for (udev_device* node = device; node != nullptr && Hwdb() != nullptr;
         node = udev_device_get_parent(node)) {
        const char* modalias = udev_device_get_sysattr_value(node, "modalias");
        if (modalias == nullptr) {
            continue;
        }
        std::string vendor;
        std::string model;
        udev_list_entry* entry = udev_hwdb_get_properties_list_entry(Hwdb(), modalias, 0);
        for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
            const char* key = udev_list_entry_get_name(entry);
            if (std::strcmp(key, kVendorKey) == 0) {
                vendor = Text(udev_list_entry_get_value(entry));
            } else if (std::strcmp(key, kModelKey) == 0) {
                model = Text(udev_list_entry_get_value(entry));
            }
        }
        if (std::string name = JoinVendorAndModel(vendor, model); !name.empty()) {
            return name;
        }
    }
    return {};
}

THardwareIdentity THardwareNames::Identify(const TLinkFacts& link, const TDriverInfo& driver) {
    THardwareIdentity identity;
    TDeviceReference net(udev_device_new_from_subsystem_sysname(Udev(), "net", link.Name.c_str()));
    // The same name in another namespace's sysfs is another link: the index must agree too.
    if (net.Device != nullptr &&
        Text(udev_device_get_sysattr_value(net.Device, "ifindex")) == std::to_string(link.Index)) {
        identity.SeenInSysfs = true;
        identity.Wireless = Text(udev_device_get_devtype(net.Device)) == "wlan";
        identity.Model = ModelOf(net.Device);
        return identity;
    }
    // Bus devices are not per namespace: a PCI address from the driver still finds its device.
    TDeviceReference bus(
        udev_device_new_from_subsystem_sysname(Udev(), "pci", driver.BusInfo.c_str()));
    if (bus.Device != nullptr) {
        identity.Model = ModelOf(bus.Device);
    }
    return identity;
}

} // namespace qmr
