#include "interface_guid.h"

#include <cstring>

namespace qmr {

namespace {

// A fixed tail ("qmr-ifindex"-like bytes) marks the GUIDs as ours; Data1 carries the index.
constexpr std::uint16_t kData2 = 0x716D;
constexpr std::uint16_t kData3 = 0x7269;
constexpr std::uint8_t kData4[8] = {0x66, 0x69, 0x6E, 0x64, 0x65, 0x78, 0x00, 0x01};

} // namespace

GUID InterfaceGuidOfIndex(std::uint32_t index) {
    GUID guid{};
    guid.Data1 = index;
    guid.Data2 = kData2;
    guid.Data3 = kData3;
    std::memcpy(guid.Data4, kData4, sizeof kData4);
    return guid;
}

std::optional<std::uint32_t> IndexOfInterfaceGuid(const GUID& guid) {
    if (guid.Data2 != kData2 || guid.Data3 != kData3 ||
        std::memcmp(guid.Data4, kData4, sizeof kData4) != 0) {
        return std::nullopt;
    }
    return guid.Data1;
}

} // namespace qmr
