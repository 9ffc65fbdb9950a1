#pragma once
// A library's answer is input: its records are chained by pointers into the buffer it filled,
// and a broken or hostile library can point them anywhere (back at a record, outside the
// buffer, at an odd address). A chain is walked only after every link of it has been checked
// to point forward, to a whole and aligned record inside the answered buffer; forward within a
// finite buffer also means the walk ends.

#include <cstddef>
#include <cstdint>

namespace qmr {

class TAnswerSpan {
public:
    TAnswerSpan(const void* begin, std::size_t bytes)
        : m_Begin(reinterpret_cast<std::uintptr_t>(begin)), m_End(m_Begin + bytes) {}

    // `count` whole records of T at `record`, aligned for T, inside the answer.
    template <typename T> bool Holds(const T* record, std::size_t count = 1) const {
        const auto at = reinterpret_cast<std::uintptr_t>(record);
        return record != nullptr && at % alignof(T) == 0 && at >= m_Begin && at <= m_End &&
               count <= (m_End - at) / sizeof(T);
    }

    // `bytes` bytes at `at` inside the answer.
    bool HoldsBytes(const void* at, std::size_t bytes) const {
        const auto start = reinterpret_cast<std::uintptr_t>(at);
        return at != nullptr && start >= m_Begin && start <= m_End && bytes <= m_End - start;
    }

    // A NUL-terminated text that ends inside the answer.
    bool HoldsText(const char* text) const {
        if (!HoldsBytes(text, 1)) {
            return false;
        }
        for (const char* c = text; reinterpret_cast<std::uintptr_t>(c) < m_End; ++c) {
            if (*c == '\0') {
                return true;
            }
        }
        return false;
    }

    // The chain from `first` (which may itself lie outside the answer when `firstEmbedded`,
    // as the first node of a list held inside its record) has every further link forward and
    // inside. An empty chain is sound.
    template <typename T> bool ChainSound(const T* first, bool firstEmbedded = false) const {
        if (first == nullptr) {
            return true;
        }
        if (!firstEmbedded && !Holds(first)) {
            return false;
        }
        for (const T* node = first; node->Next != nullptr; node = node->Next) {
            if (reinterpret_cast<std::uintptr_t>(node->Next) <=
                    reinterpret_cast<std::uintptr_t>(node) ||
                !Holds(node->Next)) {
                return false;
            }
        }
        return true;
    }

private:
    std::uintptr_t m_Begin;
    std::uintptr_t m_End;
};

} // namespace qmr
