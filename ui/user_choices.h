#pragma once
// What the window remembers per user between runs, through QSettings (the registry on Windows,
// ~/.config/Quillmere/Quillmere.conf elsewhere). Read once at construction; each choice is
// written the moment it changes. A store that cannot be read, or holds values of the wrong kind,
// reads as the defaults; one that cannot be written keeps the choice for this run only.

#include <QRect>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

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
    // The user's store, organisation and application both "Quillmere".
    TUserChoices();
    // Another store, for tests.
    explicit TUserChoices(std::unique_ptr<QSettings> settings);
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
    std::unique_ptr<QSettings> m_Settings;
    // What was read at construction and written since, so a write that fails loses nothing
    // of this run.
    std::map<QString, QVariant> m_Values;

    QVariant Stored(const char* key) const;
    void Save(const char* key, const QVariant& value);
};

} // namespace qmr
