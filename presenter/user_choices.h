#pragma once
// What the window remembers per user between runs, over a key/value store. Read once at
// construction; each choice is written the moment it changes. A store that cannot be read, or
// holds values of the wrong kind, reads as the defaults; one that cannot be written keeps the
// choice for this run only.

#include "presenter/choice_store.h"

#include <map>
#include <set>
#include <string>

namespace qmr {

// An on/off choice: its key in the store and what it is when nothing (sensible) is stored.
struct TSwitchChoice {
    const char* Key;
    bool Default;
};

inline constexpr TSwitchChoice kShowVirtualAdapters{"ShowVirtualAdapters", true};
inline constexpr TSwitchChoice kExpertMode{"ExpertMode", false};
inline constexpr TSwitchChoice kNotifyOnLinkChanges{"NotifyOnLinkChanges", true};

// A window's normal geometry without its frame; empty when none of positive size is stored.
struct TWindowRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Empty() const { return Width <= 0 || Height <= 0; }
    bool operator==(const TWindowRect&) const = default;
};

class TUserChoices {
public:
    // `store` outlives the choices.
    explicit TUserChoices(TChoiceStore& store);

    bool Get(const TSwitchChoice& choice) const;
    void Set(const TSwitchChoice& choice, bool on);

    // The code of the language chosen from the menu; empty when none (or no plausible code) is
    // stored. Whether the catalogue knows it is for the caller to decide.
    std::u16string Language() const;
    void SetLanguage(const std::u16string& code);

    // The interface name of the adapter selected last; empty when none.
    std::u16string SelectedAdapter() const;
    void SetSelectedAdapter(const std::u16string& interfaceName);

    // Whether a screen shows it is for the caller to decide.
    TWindowRect Geometry() const;
    void SetGeometry(const TWindowRect& geometry);

    // For the window's problem line while some choice could not be stored: that it is kept for
    // this run only, and why ("... /home/u/.config/Quillmere/Quillmere.conf is read-only");
    // empty once every choice made is stored.
    std::u16string WriteProblem() const;

private:
    TChoiceStore& m_Store;
    // What was read and written in this run, so a write that fails loses nothing of it.
    mutable std::map<std::string, std::u16string> m_Values;
    // Keys the store refused, written again with the next choice; and the store's reason.
    std::set<std::string> m_Unsaved;
    std::u16string m_StoreProblem;

    std::u16string Stored(const char* key) const;
    void Save(const char* key, const std::u16string& value);
};

} // namespace qmr
