#pragma once
// The language catalogue: the languages that language.ini offers, the current one, the text of
// every identifier in it, and the notice to attached windows when the current language changes.

#include "base/state_file.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace LANGUAGE {

class TIniFile;
class TLangStrings;

// The window message that carries the change notice: WParam the new index, LParam the catalogue.
constexpr int WM_LANGCHANGED = 5425;

extern const std::u16string DefaultLangCode; // "en_EN"
extern const std::u16string DefaultLangName; // "English"

// What a window implements to be told about a change of the current language. The handler runs
// synchronously inside the catalogue call that changed the language.
class TLangControl {
public:
    virtual ~TLangControl() = default;
    virtual void HandleLangChanged(int newIndex, TLangStrings* strings) = 0;
};

// The most languages the catalogue keeps from a file, its default one among them.
constexpr int MaxLanguages = 64;

// A real translation is a few kilobytes; anything beyond this is no language file.
constexpr std::size_t LanguageFileMaxBytes =
    qmr::StateFileMaxBytes(qmr::TStateFileKind::LanguageFile);

// One language: its section of the language file.
class TLang {
public:
    using TChangeEvent = std::function<void(TLang* sender)>;

    // Throws std::runtime_error("Not enough of memory.") when the text table cannot be created.
    explicit TLang(const std::u16string& code);
    ~TLang();
    TLang(const TLang&) = delete;
    TLang& operator=(const TLang&) = delete;

    // Reads this language's section of the file; a file that cannot be read as a language file
    // changes nothing.
    void LoadFromFile(const std::u16string& path);
    // The same from a file already read.
    void LoadFromIniFile(const TIniFile& file);

    // The language's own text, else the built-in text, else the empty string.
    std::u16string GetText(int id) const;

    // Raises the change event; an exception from its target is dropped.
    void Changed();
    void SetOnChange(TChangeEvent onChange);

    std::u16string m_Code; // the section name; set at construction, never changed
    std::u16string m_Name;
    std::u16string m_Description;

private:
    // Entry id - 1001; absent where the language file gives no text.
    std::unique_ptr<std::vector<std::optional<std::u16string>>> m_Texts;
    TChangeEvent m_OnChange;
};

class TLangStrings {
public:
    // Holds the one entry DefaultLangCode, current index 0. Throws
    // std::runtime_error("Not enough of memory.") when its lists cannot be created.
    TLangStrings();
    ~TLangStrings();
    TLangStrings(const TLangStrings&) = delete;
    TLangStrings& operator=(const TLangStrings&) = delete;

    // Rebuilds the entries from the language file, sorted by code: at most MaxLanguages of its
    // sections, those with a Name first, each kind the first by code, and the default one (named
    // DefaultLangName where the file gives it no name). What is left out costs no memory beyond
    // the file's bytes while it loads. A missing or unreadable file,
    // one that is no regular file or is larger than LanguageFileMaxBytes leaves everything as it
    // was; the return value then says why (empty when the file was read or does not exist).
    // Sends no notice and selects nothing.
    std::string LoadFromFile(const std::u16string& path);
    void LoadFromIniFile(const TIniFile& file);

    // The entry with this code (case ignored), appended first when there is none.
    TLang* AddLanguage(const std::u16string& code);
    // -1 when no entry has this code (case ignored).
    int IndexOfLanguage(std::u16string_view code) const;
    // nullptr outside 0 .. count - 1.
    TLang* GetLanguage(int index) const;
    int GetLanguageCount() const;

    // Clamps the index into range; notifies the attached controls when the current index moves.
    void SelectLanguage(int index);
    int GetCurrentIndex() const;

    // The current language's text; the built-in text when the current index has no entry.
    std::u16string GetText(int id) const;

    // Each control at most once, in attachment order; the catalogue does not own them.
    void AttachControl(TLangControl* control);
    void DetachControl(TLangControl* control);

    // The target of every entry's change event: notifies when the sender is the current entry.
    void LanguageChanged(TLang* sender);

private:
    void NotifyControls();
    TLang* AppendLanguage(const std::u16string& code);

    std::vector<std::unique_ptr<TLang>> m_Languages;
    std::vector<std::u16string> m_Codes; // parallel to m_Languages
    int m_CurrentIndex = 0;
    std::vector<TLangControl*> m_Controls;
};

// Owning holder of one catalogue, or of none.
class TPLangStrings {
public:
    explicit TPLangStrings(TLangStrings* p = nullptr) : m_Strings(p) {}
    virtual ~TPLangStrings() = default;
    TPLangStrings(const TPLangStrings&) = delete;
    TPLangStrings& operator=(const TPLangStrings&) = delete;

    TLangStrings* get() const { return m_Strings.get(); }
    TLangStrings* operator->() const { return m_Strings.get(); }
    explicit operator bool() const { return m_Strings != nullptr; }
    void reset(TLangStrings* p = nullptr) { m_Strings.reset(p); }

private:
    std::unique_ptr<TLangStrings> m_Strings;
};

// The process's one catalogue, created before start-up code runs.
extern TPLangStrings LangStrings;

// The text of an identifier in the current language; empty when LangStrings holds no catalogue.
std::u16string GetLangText(int id);

} // namespace LANGUAGE
