#include "hardware_names.h"

#include <libudev.h>

#include <cstring>
#include <dlfcn.h>
#include <new>
#include <type_traits>

namespace qmr {

namespace {

constexpr const char* kVendorKey = "ID_VENDOR_FROM_DATABASE";
constexpr const char* kModelKey = "ID_MODEL_FROM_DATABASE";

std::string Text(const char* text) {
    return text != nullptr ? text : std::string();
}

// libudev is opened at the first link with a device behind it, not with the provider: most
// calls meet only virtual links, and loading the library costs a process that asks once
// (qmr-report) about as much as reading a hundred links. Without it no link is named.
//
// The calls taken from libudev, listed once for the table and for its loading.
#define QMR_UDEV_CALLS(X)                                                                          \
    X(udev_new)                                                                                    \
    X(udev_unref)                                                                                  \
    X(udev_hwdb_new)                                                                               \
    X(udev_hwdb_unref)                                                                             \
    X(udev_hwdb_get_properties_list_entry)                                                         \
    X(udev_device_new_from_subsystem_sysname)                                                      \
    X(udev_device_unref)                                                                           \
    X(udev_device_get_parent)                                                                      \
    X(udev_device_get_devtype)                                                                     \
    X(udev_device_get_sysattr_value)                                                               \
    X(udev_device_get_property_value)                                                              \
    X(udev_list_entry_get_next)                                                                    \
    X(udev_list_entry_get_name)                                                                    \
    X(udev_list_entry_get_value)

struct TUdevCalls {
#define QMR_UDEV_CALL(name) decltype(&::name) name = nullptr;
    QMR_UDEV_CALLS(QMR_UDEV_CALL)
#undef QMR_UDEV_CALL
};

// Null when the library or one of its calls is missing. Opened once and never closed.
const TUdevCalls* Udev() {
    static const TUdevCalls* const calls = []() -> const TUdevCalls* {
        void* library = ::dlopen("libudev.so.1", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return nullptr;
        }
        static TUdevCalls loaded;
        bool complete = true;
        const auto find = [&](auto& call, const char* name) {
            call =
                reinterpret_cast<std::remove_reference_t<decltype(call)>>(::dlsym(library, name));
            complete = complete && call != nullptr;
        };
#define QMR_UDEV_FIND(name) find(loaded.name, #name);
        QMR_UDEV_CALLS(QMR_UDEV_FIND)
#undef QMR_UDEV_FIND
        return complete ? &loaded : nullptr;
    }();
    return calls;
}
#undef QMR_UDEV_CALLS

struct TDeviceReference {
    udev_device* Device;
    explicit TDeviceReference(udev_device* device) : Device(device) {}
    ~TDeviceReference() {
        if (Device != nullptr) {
            Udev()->udev_device_unref(Device);
        }
    }
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
    if (m_Hwdb != nullptr) {
        Udev()->udev_hwdb_unref(m_Hwdb);
    }
    if (m_Udev != nullptr) {
        Udev()->udev_unref(m_Udev);
    }
}

udev* THardwareNames::Context() {
    if (m_Udev == nullptr) {
        m_Udev = Udev()->udev_new();
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
        m_Hwdb = Udev()->udev_hwdb_new(Context());
    }
    return m_Hwdb;
}

std::string THardwareNames::ModelOf(udev_device* device) {
    const TUdevCalls& u = *Udev();
    std::string stored =
        JoinVendorAndModel(Text(u.udev_device_get_property_value(device, kVendorKey)),
                           Text(u.udev_device_get_property_value(device, kModelKey)));
    if (!stored.empty()) {
        return stored;
    }
    // Without udevd's database (containers, early boot) ask the hardware database directly.
    for (udev_device* node = device; node != nullptr && Hwdb() != nullptr;
         node = u.udev_device_get_parent(node)) {
        const char* modalias = u.udev_device_get_sysattr_value(node, "modalias");
        if (modalias == nullptr) {
            continue;
        }
        std::string vendor;
        std::string model;
        udev_list_entry* entry = u.udev_hwdb_get_properties_list_entry(Hwdb(), modalias, 0);
        for (; entry != nullptr; entry = u.udev_list_entry_get_next(entry)) {
            const char* key = u.udev_list_entry_get_name(entry);
            if (std::strcmp(key, kVendorKey) == 0) {
                vendor = Text(u.udev_list_entry_get_value(entry));
            } else if (std::strcmp(key, kModelKey) == 0) {
                model = Text(u.udev_list_entry_get_value(entry));
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
    if (Udev() == nullptr) {
        return identity;
    }
    const TUdevCalls& u = *Udev();
    TDeviceReference net(
        u.udev_device_new_from_subsystem_sysname(Context(), "net", link.Name.c_str()));
    // The same name in another namespace's sysfs is another link: the index must agree too.
    if (net.Device != nullptr && Text(u.udev_device_get_sysattr_value(net.Device, "ifindex")) ==
                                     std::to_string(link.Index)) {
        identity.SeenInSysfs = true;
        identity.Wireless = Text(u.udev_device_get_devtype(net.Device)) == "wlan";
        identity.Model = ModelOf(net.Device);
        return identity;
    }
    // Bus devices are not per namespace: a PCI address from the driver still finds its device.
    TDeviceReference bus(
        u.udev_device_new_from_subsystem_sysname(Context(), "pci", driver.BusInfo.c_str()));
    if (bus.Device != nullptr) {
        identity.Model = ModelOf(bus.Device);
    }
    return identity;
}

} // namespace qmr
