#pragma once
// A library bound at run time: its entry points, looked up by name into slots when the first
// reference loads it, and given up with the library when the last reference goes. The IP helper
// and the WLAN bindings are each one of these.

#include "network/ip_helper_library.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace qmr {

template <std::size_t N> class TRuntimeBinding {
public:
    using TOpen = LibraryHandle (*)();

    TRuntimeBinding(const std::array<const char*, N>& names, TOpen open)
        : m_Names(names), m_Open(open) {}

    // Takes a reference, loading the library at the first; true when it is loaded.
    bool Bind() {
        if (m_References++ == 0) {
            m_Library = m_Open();
            if (m_Library != nullptr) {
                for (std::size_t i = 0; i < N; ++i) {
                    m_Slots[i] = FindLibraryEntryPoint(m_Library, m_Names[i]);
                }
            }
        }
        return m_Library != nullptr;
    }
    // Gives a reference back; the last one closes the library. One too many changes nothing.
    void Release() {
        if (m_References > 0 && --m_References == 0) {
            m_Slots.fill(nullptr);
            CloseLibrary(m_Library);
            m_Library = nullptr;
        }
    }

    // The entry point of slot `i`, null where the library lacks it or is not loaded.
    template <typename Fn> Fn Get(std::size_t i) const { return reinterpret_cast<Fn>(m_Slots[i]); }
    bool Has(std::size_t i) const { return m_Slots[i] != nullptr; }
    std::int32_t References() const { return m_References; }
    bool Loaded() const { return m_Library != nullptr; }
    const char* Name(std::size_t i) const { return m_Names[i]; }

private:
    const std::array<const char*, N>& m_Names;
    TOpen m_Open;
    std::int32_t m_References = 0;
    LibraryHandle m_Library = nullptr;
    std::array<void*, N> m_Slots{};
};

} // namespace qmr
