#pragma once
// What the window remembers per user between runs, in the settings file
// (~/.config/Quillmere/Quillmere.conf, in the form QSettings wrote it before,
// base/settings_file.h). Read once at construction; each choice is written the moment it changes. A
// store that cannot be read, or holds values of the wrong kind, reads as the defaults; one that
// cannot be written keeps the choice for this run only.

#include "base/settings_file.h"

#include <QRect>
#include <QString>

namespace qmr {

// An on/off choice: its key in the store and what it is when nothing (sensible) is stored.
struct TSwitchChoice {
    const char* Key;
    bool Default;
};

inline constexpr TSwitchChoice kShowVirtualAdapters{"ShowVirtualAdapters", true};
inline constexpr TSwitchChoice kExpertMode{"ExpertMode", false};
inline constexpr TSwitchChoice kNotifyOnLinkChanges{"NotifyOnLinkChanges", true};

class TUserChoices {
public:
    // The user's store: Quillmere/Quillmere.conf in the configuration folder.
    TUserChoices();
    // Another store, for tests.
    explicit TUserChoices(const std::u16string& path);
    ~TUserChoices();
    TUserChoices(const TUserChoices&) = delete;
    TUserChoices& operator=(const TUserChoices&) = delete;

    bool Get(const TSwitchChoice& choice) const;
    void Set(const TSwitchChoice& choice, bool on);

    // The code of the language chosen from the menu; empty when none (or no plausible code) is
    // stored. Whether the catalogue knows it is for the caller to decide.
    QString Language() const;
    void SetLanguage(const QString& code);

    // The window's last normal geometry, without the frame; a null rectangle when none (or
    // none of positive size) is stored. Whether a screen shows it is for the caller to decide.
    QRect Geometry() const;
    void SetGeometry(const QRect& geometry);

private:
    // Keeps what was read at construction and set since, so a write that fails loses nothing
    // of this run.
    TSettingsFile m_Settings;
};

} // namespace qmr
